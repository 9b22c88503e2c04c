// Conversion between the terminal's UTF-8 and the control's 8-bit character codes.
//
// Decoding: U+0000..U+00FF become the code of the same number; every other code point becomes
// '?'. A byte sequence that is not well-formed UTF-8 (a stray continuation byte, a lead byte
// that can never start a sequence, an overlong form, a surrogate, a code point above U+10FFFF,
// or a sequence cut short) is not dropped: each byte of it becomes the code of that byte, and
// decoding goes on at the first byte that did not fit.
//
// A decoder may be given the code of each character instead (a code page): then every
// character, ASCII included, becomes the code it gives, and malformed bytes still stand for
// themselves.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace vyr::cli {

// Incremental decoder, for input that arrives byte by byte (the terminal).
class TUtf8Decoder {
public:
    // The code of a character (a code point); '?' where the code page has none.
    using TCodeOf = std::function<char(std::uint32_t)>;

    TUtf8Decoder() = default;
    // Characters become the codes CodeOf gives (empty: Latin-1).
    explicit TUtf8Decoder(TCodeOf CodeOf) : FCodeOf(std::move(CodeOf)) {}

    // Feeds one byte; appends to Out the codes that are complete now.
    void Feed(std::uint8_t Byte, std::string& Out);
    // Ends the input: a sequence still pending is emitted byte by byte.
    void Flush(std::string& Out);
    // True while a multi-byte sequence is incomplete.
    [[nodiscard]] bool Pending() const { return FCount > 0; }

private:
    void EmitPendingBytes(std::string& Out);
    [[nodiscard]] char Code(std::uint32_t CodePoint) const;
    TCodeOf FCodeOf;
    std::uint8_t FBytes[4] = {};
    int FCount = 0;   // bytes held of the current sequence
    int FNeeded = 0;  // total length of the current sequence
    std::uint32_t FCodePoint = 0;
};

// The whole of Text decoded to 8-bit codes.
std::string DecodeUtf8To8Bit(std::string_view Text);

// Each 8-bit code c as the UTF-8 of U+00cc.
std::string Encode8BitToUtf8(std::string_view Codes);

}  // namespace vyr::cli
