// Random operation programs from a fixed seed (RandomProgram).
#include <random>
#include <string>

#include "support/MatrixProgram.h"

namespace vyr::test {

// ---- Random programs -------------------------------------------------------------------------

namespace {

class TDice {
public:
    explicit TDice(std::uint32_t Seed) : FEngine(Seed) {}
    // 0..N-1 (N >= 1), the same on every platform (no standard distribution involved).
    std::uint32_t Below(std::uint32_t N) { return static_cast<std::uint32_t>(FEngine() % N); }
    bool Chance(std::uint32_t Percent) { return Below(100) < Percent; }
    std::uint32_t Raw() { return static_cast<std::uint32_t>(FEngine()); }
    template <typename T, std::size_t N>
    T Pick(const T (&Values)[N]) {
        return Values[Below(N)];
    }

private:
    std::mt19937 FEngine;
};

std::string Hex6(std::uint32_t Value) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string S(6, '0');
    for (int i = 5; i >= 0; --i, Value >>= 4) S[static_cast<std::size_t>(i)] = Digits[Value & 15];
    return S;
}

std::uint32_t RandomColour(TDice& D) {
    static const std::uint32_t Colours[] = {0, 0xFFFFFFFF, 0xFF, 0xFF00, 0xFF0000, 0x01000000, 64, 128};
    return D.Chance(70) ? D.Pick(Colours) : D.Raw();
}

// A control code with a value of its own: digit codes with colours, blinking on or off and
// halting; letter codes with values in their useful range (geometry kept small, since the
// codes change it in the middle of a frame).
std::string RandomCode(TDice& D) {
    if (D.Chance(50)) {
        const auto Code = static_cast<char>('0' + D.Below(9));
        const std::uint32_t Value = Code == '0' ? (D.Chance(50) ? 0x010000U : D.Below(2)) : RandomColour(D);
        return std::string("@") + Code + Hex6(Value & 0xFFFFFF);
    }
    static const char Letters[] = "ABCDEFILS";
    const char Code = Letters[D.Below(9)];
    std::uint32_t Value = RandomColour(D) & 0xFFFFFF;
    if (Code == 'I' || Code == 'L') Value = D.Below(7);
    if (Code == 'D') Value = D.Below(2001);
    if (Code == 'A' || Code == 'S') Value = D.Below(2) * (D.Chance(50) ? 1 : 0x100);
    return std::string("@") + Code + Hex6(Value);
}

std::string RandomText(TDice& D) {
    static const char* const Pieces[] = {"@C0000FF", "@2FF0000", "@0010000", "@0000001",   "@4000000",   "@L000005",
                                         "@I000002", "@S000001", "@A000000", "@D000000",   "@@",         "@",
                                         "@9",       "@C00",     "Hi",       "ABCDEFGHIJ", "0123456789", " ",
                                         "@C00ff00", "@9123456", "@C00@0FF", "AB"};
    std::string S;
    const std::uint32_t Parts = D.Below(D.Chance(20) ? 15 : 8);
    for (std::uint32_t i = 0; i < Parts; ++i) {
        switch (D.Below(5)) {
            case 0:
                S += D.Pick(Pieces);
                break;
            case 1:
                S += static_cast<char>(D.Below(256));  // any byte, control codes included
                break;
            case 2:
                S += RandomCode(D);
                break;
            default:
                S += static_cast<char>(D.Chance(85) ? 32 + D.Below(95) : 'a' + D.Below(26));
                break;
        }
    }
    if (D.Chance(3)) S += std::string(D.Below(300), 'x');
    return S;
}

std::uint32_t RandomValue(TDice& D, TProgramProperty P) {
    switch (P) {
        case TProgramProperty::LEDSize: {
            // Now and then an LED longer than the renderers' special cases for short spans.
            static const std::uint32_t Sizes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8,  9,  0,  1,
                                                  2, 3, 4, 5, 6, 7, 8, 9, 11, 16, 21, 23};
            return D.Pick(Sizes);
        }
        case TProgramProperty::LEDDistance: {
            static const std::uint32_t Distances[] = {0, 1, 2, 3, 4, 0, 1, 2, 3, 4, 7, 12};
            return D.Pick(Distances);
        }
        case TProgramProperty::TotalVisible: {
            static const std::uint32_t Widths[] = {0, 1, 2, 3, 4, 5, 10, 10, 10, 20, 40};
            return D.Pick(Widths);
        }
        case TProgramProperty::StepToOutside: {
            static const std::uint32_t Steps[] = {0, 1, 2, 3, 5, 127, 255};
            return D.Pick(Steps);
        }
        default:
            break;
    }
    switch (KindOf(P)) {
        case TValueKind::Bool:
        case TValueKind::Shape:
            return D.Below(2);
        case TValueKind::Octet:
            return D.Below(256);
        case TValueKind::Color:
            return RandomColour(D);
        case TValueKind::Integer: {
            static const std::int32_t Numbers[] = {std::numeric_limits<std::int32_t>::min(), -1, 0, 1, 2, 100,
                                                   std::numeric_limits<std::int32_t>::max()};
            return static_cast<std::uint32_t>(D.Chance(80) ? D.Pick(Numbers) : static_cast<std::int32_t>(D.Raw()));
        }
    }
    return 0;
}

}  // namespace

TProgram RandomProgram(std::uint32_t Seed, std::size_t Ops) {
    TDice D(Seed);
    TProgram P;
    P.Layout.Siblings = static_cast<int>(D.Below(4));
    P.Layout.PlainChild = D.Chance(15);
    // Weights of the kinds, in TOpKind order: editing and movement most often.
    static const std::uint32_t Weights[OpKindCount] = {6,  14, 14, 10, 4, 5, 4, 3, 2, 3, 14,
                                                       12, 4,  2,  1,  1, 1, 1, 3, 2, 1};
    std::uint32_t Total = 0;
    for (const std::uint32_t W : Weights) Total += W;
    for (std::size_t i = 0; i < Ops; ++i) {
        std::uint32_t Roll = D.Below(Total);
        int Kind = 0;
        while (Roll >= Weights[Kind]) Roll -= Weights[Kind++];
        TOp Op;
        Op.Kind = static_cast<TOpKind>(Kind);
        Op.Flag = D.Chance(30);
        Op.Arg = static_cast<std::uint8_t>(D.Below(256));
        Op.Arg2 = static_cast<std::uint8_t>(D.Chance(80) ? 32 + D.Below(224) : D.Below(256));
        Op.Count = static_cast<std::uint8_t>(1 + (D.Chance(70) ? 0 : D.Below(16)));
        Op.Value = D.Below(256);
        switch (Op.Kind) {
            case TOpKind::SetText:
                Op.Bytes = RandomText(D);
                break;
            case TOpKind::SetProperty:
                Op.Property = static_cast<TProgramProperty>(D.Below(ProgramPropertyCount));
                Op.Value = RandomValue(D, Op.Property);
                break;
            case TOpKind::KeyDown: {
                static const std::uint32_t Keys[] = {8, 9, 13, 27, 33, 34, 35, 36, 37, 38, 39, 40, 45, 46};
                Op.Value = D.Chance(85) ? D.Pick(Keys) : D.Below(65536);
                Op.Arg = static_cast<std::uint8_t>(D.Below(8));
                break;
            }
            case TOpKind::SetCharColumn:
                Op.Arg2 = static_cast<std::uint8_t>(D.Chance(80) ? D.Below(5) : D.Below(256));
                break;
            case TOpKind::ChangeChar:
                for (Byte& B : Op.Glyph) B = static_cast<Byte>(D.Below(256));
                break;
            case TOpKind::Scribble:
                Op.Value = RandomColour(D);
                for (std::uint8_t& B : Op.Box) B = static_cast<std::uint8_t>(D.Below(D.Chance(80) ? 32 : 256));
                break;
            case TOpKind::HostSize:
                Op.Value = D.Below(401) | (D.Below(101) << 16);
                break;
            default:
                break;
        }
        P.Ops.push_back(std::move(Op));
    }
    // Operands a kind does not read are dropped, so that the program equals its byte form.
    return DecodeProgram(EncodeProgram(P));
}

}  // namespace vyr::test
