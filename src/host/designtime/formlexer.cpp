// Form storage, reading: the lexer (see formlexer.h).
#include "formlexer.h"

#include <limits>

#include "formcommon.h"
#include "vyr/host/FormStorage.h"
#include "vyr/host/Text.h"

namespace vyr::host::formdetail {

const char* TokName(TTok Kind) {
    switch (Kind) {
        case TTok::Ident:
            return "a name";
        case TTok::Integer:
            return "an integer";
        case TTok::String:
            return "a string";
        case TTok::Colon:
            return "':'";
        case TTok::Equals:
            return "'='";
        case TTok::End:
            return "the end of the line";
    }
    return "something";
}

std::string Found(const TToken& T) {
    switch (T.Kind) {
        case TTok::Ident:
            return "'" + T.Text + "'";
        case TTok::Integer:
            return "the number " + T.Text;
        case TTok::String:
            return "a string";
        default:
            return TokName(T.Kind);
    }
}

[[noreturn]] void TLexer::Fail(const std::string& Message) const { throw EFormError(FFile, FLineNo, Message); }

TToken TLexer::Next() {
    while (FPos < FLine.size() && IsSpace(FLine[FPos])) ++FPos;
    TToken T;
    if (FPos >= FLine.size()) return T;
    const char C = FLine[FPos];
    if (IsIdentStart(C)) {
        const auto Start = FPos;
        while (FPos < FLine.size() && IsIdentChar(FLine[FPos])) ++FPos;
        T.Kind = TTok::Ident;
        T.Text = std::string(FLine.substr(Start, FPos - Start));
        return T;
    }
    if (C == ':' || C == '=') {
        ++FPos;
        T.Kind = C == ':' ? TTok::Colon : TTok::Equals;
        return T;
    }
    if (C == '"') return String();
    if (C == '-' || C == '+' || C == '$' || (C >= '0' && C <= '9')) return Number();
    Fail("unexpected character " + ShowByte(static_cast<unsigned char>(C)) +
         ": expected a name, a number or a quoted string");
}

TToken TLexer::String() {
    TToken T;
    T.Kind = TTok::String;
    ++FPos;  // opening quote
    for (;;) {
        if (FPos >= FLine.size()) Fail("unterminated string: expected a closing '\"' before the end of the line");
        const auto C = static_cast<unsigned char>(FLine[FPos]);
        if (C == '"') {
            ++FPos;
            return T;
        }
        if (C == '\\') {
            if (FPos + 1 >= FLine.size())
                Fail("unterminated string: expected a closing '\"' before the end of the line");
            const char E = FLine[FPos + 1];
            if (E == '"' || E == '\\') {
                T.Text += E;
                FPos += 2;
                continue;
            }
            if (E == 'x') {
                const int Hi = FPos + 2 < FLine.size() ? HexValue(FLine[FPos + 2]) : -1;
                const int Lo = FPos + 3 < FLine.size() ? HexValue(FLine[FPos + 3]) : -1;
                if (Hi < 0 || Lo < 0) Fail("malformed escape in a string: expected \\x and two hexadecimal digits");
                T.Text += static_cast<char>(Hi * 16 + Lo);
                FPos += 4;
                continue;
            }
            Fail("unknown escape \\" + std::string(1, E) + " in a string: expected \\\", \\\\ or \\xHH");
        }
        if (C < 32 || C > 126) {
            Fail("the byte " + ShowByte(C) + " in a string: expected printable ASCII, other codes written as \\xHH");
        }
        T.Text += static_cast<char>(C);
        ++FPos;
    }
}

TToken TLexer::Number() {
    TToken T;
    T.Kind = TTok::Integer;
    const auto Start = FPos;
    bool Negative = false;
    if (FLine[FPos] == '-' || FLine[FPos] == '+') {
        Negative = FLine[FPos] == '-';
        ++FPos;
    }
    int Base = 10;
    if (FPos < FLine.size() && FLine[FPos] == '$') {
        Base = 16;
        ++FPos;
    } else if (FPos + 1 < FLine.size() && FLine[FPos] == '0' && (FLine[FPos + 1] == 'x' || FLine[FPos + 1] == 'X')) {
        Base = 16;
        FPos += 2;
    }
    const auto DigitsAt = FPos;
    std::uint64_t Value = 0;
    while (FPos < FLine.size()) {
        const int D = HexValue(FLine[FPos]);
        if (D < 0 || D >= Base) break;
        if (Value > (std::numeric_limits<std::uint64_t>::max() >> 5)) T.Overflow = true;
        if (!T.Overflow) Value = Value * static_cast<std::uint64_t>(Base) + static_cast<std::uint64_t>(D);
        ++FPos;
    }
    const auto End = FPos;
    while (FPos < FLine.size() && !IsSpace(FLine[FPos])) ++FPos;
    T.Text = std::string(FLine.substr(Start, FPos - Start));
    if (DigitsAt == End || End != FPos)
        Fail("malformed number '" + T.Text + "': expected decimal digits or $ and hexadecimal digits");
    if (Value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) T.Overflow = true;
    if (!T.Overflow) T.Int = Negative ? -static_cast<std::int64_t>(Value) : static_cast<std::int64_t>(Value);
    return T;
}

}  // namespace vyr::host::formdetail
