// Helpers for the marquee tests: the column stream as a list of readable tokens and the tokens a
// description should give. The LED grid is read back with LedColours (support/test_support.h).
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/test_support.h"
#include "vyr/EditMatrix.h"

namespace vyr::test {

// One token per column of the stream, from its first head:
//   "L0110000" an LED column, the Values of its cells top to bottom;
//   "@C0000FF" a letter code, "#2FF0000" a digit code: the code character and its value.
inline std::vector<std::string> StreamTokens(const TEditMatrix& Matrix) {
    std::vector<std::string> Tokens;
    const auto& Pool = Matrix.PixelPool();
    for (const _Pixel* Head = Matrix.StreamHead(); Head != nullptr; Head = Pool.At(Head->Next)) {
        std::string Token;
        if (Head->Up != 0 || Head->Value > 1) {
            const bool Digit = Head->Up != 0;
            unsigned Value = 0;
            const _Pixel* Cell = Head;
            for (int i = 0; i < 3; ++i) {
                Cell = Cell == nullptr ? nullptr : Pool.At(Digit ? Cell->Up : Cell->Down);
                Value = (Value << 8) | (Cell != nullptr ? Cell->Value : 0U);
            }
            char Hex[8];
            std::snprintf(Hex, sizeof Hex, "%06X", Value);
            Token = std::string(1, Digit ? '#' : '@') + static_cast<char>(Head->Value) + Hex;
        } else {
            Token = "L";
            for (const _Pixel* Cell = Head; Cell != nullptr; Cell = Pool.At(Cell->Down)) {
                Token += static_cast<char>('0' + Cell->Value);
            }
        }
        Tokens.push_back(Token);
    }
    return Tokens;
}

// The tokens a description stands for: every character outside braces is shown as its five
// glyph columns from the matrix's table and a blank gap; "{C0000FF}" is a letter code and
// "{2FF0000}" a digit code (told apart by the code character).
inline std::vector<std::string> ExpectedTokens(const TEditMatrix& Matrix, std::string_view Description) {
    std::vector<std::string> Tokens;
    for (std::size_t i = 0; i < Description.size(); ++i) {
        if (Description[i] == '{') {
            const std::size_t Close = Description.find('}', i);
            const std::string_view Code = Description.substr(i + 1, Close - i - 1);
            const bool Digit = Code[0] >= '0' && Code[0] <= '9';
            Tokens.push_back(std::string(1, Digit ? '#' : '@') + std::string(Code));
            i = Close;
            continue;
        }
        const auto Ch = static_cast<unsigned char>(Description[i]);
        for (int k = 0; k < 6; ++k) {
            const Byte Glyph = k < 5 ? Matrix.CharTable()[5U * Ch + static_cast<unsigned>(k)] : Byte{0};
            std::string Token = "L";
            for (int Row = 0; Row < GlyphRows; ++Row)
                Token += static_cast<char>('0' + ((Glyph >> (GlyphRows - 1 - Row)) & 1));
            Tokens.push_back(Token);
        }
    }
    return Tokens;
}

// A row repeated: Repeat("RR.", 3) is "RR.RR.RR.".
inline std::string Repeat(std::string_view Unit, int Times) {
    std::string Out;
    for (int i = 0; i < Times; ++i) Out += Unit;
    return Out;
}

}  // namespace vyr::test
