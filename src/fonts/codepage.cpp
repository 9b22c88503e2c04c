// 8-bit code pages through iconv: the 256 codes are converted once when the page is opened, so
// text conversion afterwards is table look-up.
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "vyr/fonts/Fonts.h"

namespace vyr::fonts {

namespace {

constexpr char32_t Undefined = 0xFFFFFFFFu;
constexpr char32_t Replacement = 0xFFFD;

class TIconv {
public:
    TIconv(const char* To, const char* From) : FHandle(iconv_open(To, From)) {}
    ~TIconv() {
        if (Valid()) iconv_close(FHandle);
    }
    TIconv(const TIconv&) = delete;
    TIconv& operator=(const TIconv&) = delete;
    [[nodiscard]] bool Valid() const { return FHandle != reinterpret_cast<iconv_t>(-1); }

    // Converts the whole of In; none when iconv refuses any of it.
    std::optional<std::string> Convert(std::string_view In) {
        iconv(FHandle, nullptr, nullptr, nullptr, nullptr);
        std::string Out(16 + In.size() * 8, '\0');
        char* InPtr = const_cast<char*>(In.data());
        std::size_t InLeft = In.size();
        char* OutPtr = Out.data();
        std::size_t OutLeft = Out.size();
        if (iconv(FHandle, &InPtr, &InLeft, &OutPtr, &OutLeft) == static_cast<std::size_t>(-1)) return std::nullopt;
        if (iconv(FHandle, nullptr, nullptr, &OutPtr, &OutLeft) == static_cast<std::size_t>(-1)) return std::nullopt;
        Out.resize(Out.size() - OutLeft);
        return Out;
    }

private:
    iconv_t FHandle;
};

std::vector<char32_t> Utf32Chars(const std::string& Bytes) {
    std::vector<char32_t> Chars;
    for (std::size_t I = 0; I + 4 <= Bytes.size(); I += 4) {
        const auto* B = reinterpret_cast<const unsigned char*>(Bytes.data() + I);
        Chars.push_back(static_cast<char32_t>(B[0]) | static_cast<char32_t>(B[1]) << 8 |
                        static_cast<char32_t>(B[2]) << 16 | static_cast<char32_t>(B[3]) << 24);
    }
    return Chars;
}

void AppendUtf8(std::string& Out, char32_t C) {
    if (C < 0x80) {
        Out += static_cast<char>(C);
    } else if (C < 0x800) {
        Out += static_cast<char>(0xC0 | (C >> 6));
        Out += static_cast<char>(0x80 | (C & 0x3F));
    } else if (C < 0x10000) {
        Out += static_cast<char>(0xE0 | (C >> 12));
        Out += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (C & 0x3F));
    } else {
        Out += static_cast<char>(0xF0 | (C >> 18));
        Out += static_cast<char>(0x80 | ((C >> 12) & 0x3F));
        Out += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (C & 0x3F));
    }
}

}  // namespace

TCodePage TCodePage::Open(const std::string& Name) {
    TIconv ToUnicode("UTF-32LE", Name.c_str());
    TIconv FromUnicode(Name.c_str(), "UTF-32LE");
    if (Name.empty() || !ToUnicode.Valid() || !FromUnicode.Valid())
        throw TFontError("code page '" + Name + "': not a character set iconv knows");
    // A multi-byte character set reads two bytes as one character somewhere; a single-byte one
    // reads "\xC3\xA9" as two characters or refuses it.
    if (const auto Two = ToUnicode.Convert("\xC3\xA9"); Two && Utf32Chars(*Two).size() == 1)
        throw TFontError("code page '" + Name + "': not a single-byte character set");
    TCodePage Page;
    Page.FName = Name;
    for (int Code = 0; Code < 256; ++Code) {
        Page.FChars[static_cast<std::size_t>(Code)] = Undefined;
        const std::string Byte(1, static_cast<char>(Code));
        const auto Out = ToUnicode.Convert(Byte);
        if (!Out) continue;
        const auto Chars = Utf32Chars(*Out);
        if (Chars.size() != 1) continue;
        // Only a character that converts back to this very code belongs to it.
        std::string Back(4, '\0');
        for (int I = 0; I < 4; ++I) Back[static_cast<std::size_t>(I)] = static_cast<char>((Chars[0] >> (8 * I)) & 0xFF);
        if (FromUnicode.Convert(Back) != Byte) continue;
        Page.FChars[static_cast<std::size_t>(Code)] = Chars[0];
        Page.FCodes.emplace_back(Chars[0], static_cast<std::uint8_t>(Code));
    }
    std::sort(Page.FCodes.begin(), Page.FCodes.end());
    if (Page.FCodes.empty()) throw TFontError("code page '" + Name + "': holds no character");
    return Page;
}

TCodePage TCodePage::Latin1() {
    TCodePage Page;
    Page.FName = "ISO-8859-1";
    for (int Code = 0; Code < 256; ++Code) {
        Page.FChars[static_cast<std::size_t>(Code)] = static_cast<char32_t>(Code);
        Page.FCodes.emplace_back(static_cast<char32_t>(Code), static_cast<std::uint8_t>(Code));
    }
    return Page;
}

std::optional<char32_t> TCodePage::CharOf(std::uint8_t Code) const {
    const char32_t C = FChars[Code];
    if (C == Undefined) return std::nullopt;
    return C;
}

std::optional<std::uint8_t> TCodePage::CodeOf(char32_t Character) const {
    const auto It = std::lower_bound(FCodes.begin(), FCodes.end(), std::pair<char32_t, std::uint8_t>(Character, 0));
    if (It == FCodes.end() || It->first != Character) return std::nullopt;
    return It->second;
}

std::string TCodePage::Encode(std::string_view Utf8) const {
    std::string Out;
    Out.reserve(Utf8.size());
    const auto Byte = [&](std::size_t I) { return static_cast<std::uint8_t>(Utf8[I]); };
    std::size_t I = 0;
    while (I < Utf8.size()) {
        const std::uint8_t Lead = Byte(I);
        int Length = 0;
        char32_t C = 0;
        if (Lead < 0x80) {
            Length = 1;
            C = Lead;
        } else if (Lead >= 0xC2 && Lead <= 0xDF) {
            Length = 2;
            C = Lead & 0x1Fu;
        } else if (Lead >= 0xE0 && Lead <= 0xEF) {
            Length = 3;
            C = Lead & 0x0Fu;
        } else if (Lead >= 0xF0 && Lead <= 0xF4) {
            Length = 4;
            C = Lead & 0x07u;
        }
        if (Length == 0) {  // a byte that can never start a sequence
            Out += static_cast<char>(Lead);
            ++I;
            continue;
        }
        int Have = 1;
        while (Have < Length && I + static_cast<std::size_t>(Have) < Utf8.size() &&
               (Byte(I + static_cast<std::size_t>(Have)) & 0xC0) == 0x80) {
            C = (C << 6) | (Byte(I + static_cast<std::size_t>(Have)) & 0x3Fu);
            ++Have;
        }
        static constexpr char32_t Smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        const bool Valid = Have == Length && C >= Smallest[Length] && C <= 0x10FFFF && (C < 0xD800 || C > 0xDFFF);
        if (!Valid) {  // cut short, overlong, a surrogate or too large: its bytes as codes
            Out.append(Utf8.substr(I, static_cast<std::size_t>(Have)));
        } else {
            const auto Code = CodeOf(C);
            Out += Code ? static_cast<char>(*Code) : '?';
        }
        I += static_cast<std::size_t>(Have);
    }
    return Out;
}

std::string TCodePage::Decode(std::string_view Codes) const {
    std::string Out;
    Out.reserve(Codes.size() * 2);
    for (const char Code : Codes) {
        const auto C = CharOf(static_cast<std::uint8_t>(Code));
        AppendUtf8(Out, C ? *C : Replacement);
    }
    return Out;
}

}  // namespace vyr::fonts
