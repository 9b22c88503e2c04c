#include "utf8.h"

namespace vyr::cli {

namespace {

// Second-byte range of a lead byte, which excludes overlong forms, surrogates and code points
// above U+10FFFF. {0, 0} for a byte that cannot start a multi-byte sequence.
struct TSecondRange {
    std::uint8_t Low;
    std::uint8_t High;
};

TSecondRange SecondRange(std::uint8_t Lead) {
    if (Lead >= 0xC2 && Lead <= 0xDF) return {0x80, 0xBF};
    if (Lead == 0xE0) return {0xA0, 0xBF};
    if (Lead == 0xED) return {0x80, 0x9F};
    if (Lead >= 0xE1 && Lead <= 0xEF) return {0x80, 0xBF};
    if (Lead == 0xF0) return {0x90, 0xBF};
    if (Lead >= 0xF1 && Lead <= 0xF3) return {0x80, 0xBF};
    if (Lead == 0xF4) return {0x80, 0x8F};
    return {0, 0};
}

int SequenceLength(std::uint8_t Lead) {
    if (Lead >= 0xC2 && Lead <= 0xDF) return 2;
    if (Lead >= 0xE0 && Lead <= 0xEF) return 3;
    if (Lead >= 0xF0 && Lead <= 0xF4) return 4;
    return 1;
}

char CodeOf(std::uint32_t CodePoint) { return CodePoint <= 0xFF ? static_cast<char>(CodePoint) : '?'; }

}  // namespace

char TUtf8Decoder::Code(std::uint32_t CodePoint) const { return FCodeOf ? FCodeOf(CodePoint) : CodeOf(CodePoint); }

void TUtf8Decoder::EmitPendingBytes(std::string& Out) {
    for (int i = 0; i < FCount; ++i) Out.push_back(static_cast<char>(FBytes[i]));
    FCount = 0;
    FNeeded = 0;
    FCodePoint = 0;
}

void TUtf8Decoder::Feed(std::uint8_t Byte, std::string& Out) {
    if (FCount > 0) {
        const bool Fits = FCount == 1 ? (Byte >= SecondRange(FBytes[0]).Low && Byte <= SecondRange(FBytes[0]).High)
                                      : (Byte >= 0x80 && Byte <= 0xBF);
        if (Fits) {
            FBytes[FCount++] = Byte;
            FCodePoint = (FCodePoint << 6) | (Byte & 0x3Fu);
            if (FCount == FNeeded) {
                Out.push_back(Code(FCodePoint));
                FCount = 0;
                FNeeded = 0;
                FCodePoint = 0;
            }
            return;
        }
        // The sequence broke off: its bytes stand for themselves, and this byte starts afresh.
        EmitPendingBytes(Out);
    }
    const int Length = SequenceLength(Byte);
    if (Length == 1) {
        // ASCII (a character), a stray continuation byte, or a byte that never starts a
        // sequence (these stand for themselves).
        Out.push_back(Byte < 0x80 ? Code(Byte) : static_cast<char>(Byte));
        return;
    }
    FBytes[0] = Byte;
    FCount = 1;
    FNeeded = Length;
    FCodePoint = Byte & (Length == 2 ? 0x1Fu : Length == 3 ? 0x0Fu : 0x07u);
}

void TUtf8Decoder::Flush(std::string& Out) { EmitPendingBytes(Out); }

std::string DecodeUtf8To8Bit(std::string_view Text) {
    std::string Out;
    Out.reserve(Text.size());
    TUtf8Decoder Decoder;
    for (const char Ch : Text) Decoder.Feed(static_cast<std::uint8_t>(Ch), Out);
    Decoder.Flush(Out);
    return Out;
}

std::string Encode8BitToUtf8(std::string_view Codes) {
    std::string Out;
    Out.reserve(Codes.size() * 2);
    for (const char Ch : Codes) {
        const auto C = static_cast<std::uint8_t>(Ch);
        if (C < 0x80) {
            Out.push_back(Ch);
        } else {
            Out.push_back(static_cast<char>(0xC0 | (C >> 6)));
            Out.push_back(static_cast<char>(0x80 | (C & 0x3F)));
        }
    }
    return Out;
}

}  // namespace vyr::cli
