#include "support/MatrixProgram.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>
#include <string_view>

#include "vyr/host/Types.h"

namespace vyr::test {

namespace {

// ---- Property values -------------------------------------------------------------------------

enum class TValueKind { Bool, Byte, Shape, Color, Integer };

TValueKind KindOf(TProgramProperty P) {
    switch (P) {
        case TProgramProperty::Scroll:
        case TProgramProperty::ActiveLED:
        case TProgramProperty::StepActive:
        case TProgramProperty::TabStop:
        case TProgramProperty::Overwrite:
            return TValueKind::Bool;
        case TProgramProperty::LEDShape:
            return TValueKind::Shape;
        case TProgramProperty::LEDSize:
        case TProgramProperty::LEDDistance:
        case TProgramProperty::StepToOutside:
        case TProgramProperty::TotalVisible:
            return TValueKind::Byte;
        case TProgramProperty::BlinkOffColor:
        case TProgramProperty::ActiveLEDOnColor:
        case TProgramProperty::ActiveLEDOffColor:
        case TProgramProperty::BackgroundColor:
        case TProgramProperty::InactiveLEDOnColor:
        case TProgramProperty::InactiveLEDOffColor:
            return TValueKind::Color;
        case TProgramProperty::Delay:
        case TProgramProperty::BlinkDelay:
        case TProgramProperty::TabOrder:
            return TValueKind::Integer;
    }
    return TValueKind::Byte;
}

constexpr std::string_view PropertyNames[ProgramPropertyCount] = {
    "Scroll",
    "Delay",
    "BlinkOffColor",
    "BlinkDelay",
    "ActiveLED",
    "ActiveLEDOnColor",
    "ActiveLEDOffColor",
    "BackgroundColor",
    "InactiveLEDOnColor",
    "InactiveLEDOffColor",
    "LEDShape",
    "LEDSize",
    "LEDDistance",
    "StepActive",
    "StepToOutside",
    "TabOrder",
    "TabStop",
    "TotalVisible",
    "Overwrite",
};

constexpr std::string_view KindNames[OpKindCount] = {
    "SetText",       "SetProperty", "KeyDown",         "KeyPress", "Focus", "ScrollStep", "BlinkStep",
    "SetCharColumn", "ChangeChar",  "InsertCharacter", "Move",     "Edit",  "Paint",      "CharSet",
    "Message",       "Parent",      "StopScroll",      "UpcaseDK", "Frame", "Scribble",   "HostSize",
};

std::string_view NameOf(TProgramProperty P) { return PropertyNames[static_cast<int>(P)]; }

// The value as the property's own type holds it.
std::int32_t AsInt(std::uint32_t V) { return static_cast<std::int32_t>(V); }

// ---- Byte reader and writer ------------------------------------------------------------------

class TReader {
public:
    explicit TReader(std::span<const std::uint8_t> Data) : FData(Data) {}
    [[nodiscard]] bool AtEnd() const { return FPos >= FData.size(); }
    std::uint8_t Byte() { return AtEnd() ? 0 : FData[FPos++]; }
    std::uint32_t Word32() {
        std::uint32_t V = 0;
        for (int i = 0; i < 4; ++i) V |= std::uint32_t{Byte()} << (8 * i);
        return V;
    }
    std::string Bytes(std::size_t Count) {
        Count = std::min(Count, FData.size() - std::min(FPos, FData.size()));
        std::string S(reinterpret_cast<const char*>(FData.data() + FPos), Count);
        FPos += Count;
        return S;
    }

private:
    std::span<const std::uint8_t> FData;
    std::size_t FPos = 0;
};

void Put32(std::vector<std::uint8_t>& Out, std::uint32_t V) {
    for (int i = 0; i < 4; ++i) Out.push_back(static_cast<std::uint8_t>(V >> (8 * i)));
}

std::uint8_t CountByte(const TOp& Op) { return static_cast<std::uint8_t>(std::clamp<int>(Op.Count, 1, 16) - 1); }

}  // namespace

// ---- Decoding and encoding -------------------------------------------------------------------
//
// Layout byte: bits 0-1 siblings, bit 2 a plain child. Then each operation: an opcode byte
// (bits 0-4 the kind, modulo the number of kinds; bit 5 the flag) and its operands. Counts are
// one byte, 1 + (b mod 16). SetText: a 16-bit length (little endian), then that many bytes (or
// what is left). SetProperty: the property (modulo their number), then one byte for Boolean,
// Byte and shape values, four (little endian) for colours and integers. Scribble: the colour
// (four bytes), then the four box bytes. HostSize: four bytes.

TProgram DecodeProgram(std::span<const std::uint8_t> Data) {
    TReader In(Data);
    TProgram P;
    const std::uint8_t Layout = In.Byte();
    P.Layout.Siblings = Layout & 3;
    P.Layout.PlainChild = (Layout & 4) != 0;
    while (!In.AtEnd() && P.Ops.size() < MaxProgramOps) {
        const std::uint8_t Code = In.Byte();
        TOp Op;
        Op.Kind = static_cast<TOpKind>((Code & 0x1F) % OpKindCount);
        Op.Flag = (Code & 0x20) != 0;
        const auto Count = [&In] { return static_cast<std::uint8_t>(1 + In.Byte() % 16); };
        switch (Op.Kind) {
            case TOpKind::SetText: {
                const std::size_t Length = In.Byte() | (std::size_t{In.Byte()} << 8);
                Op.Bytes = In.Bytes(Length);
                break;
            }
            case TOpKind::SetProperty:
                Op.Property = static_cast<TProgramProperty>(In.Byte() % ProgramPropertyCount);
                switch (KindOf(Op.Property)) {
                    case TValueKind::Bool:
                    case TValueKind::Shape:
                        Op.Value = In.Byte() & 1U;
                        break;
                    case TValueKind::Byte:
                        Op.Value = In.Byte();
                        break;
                    case TValueKind::Color:
                    case TValueKind::Integer:
                        Op.Value = In.Word32();
                        break;
                }
                break;
            case TOpKind::KeyDown:
                Op.Value = In.Byte() | (std::uint32_t{In.Byte()} << 8);
                Op.Arg = In.Byte();
                break;
            case TOpKind::KeyPress:
            case TOpKind::InsertCharacter:
            case TOpKind::UpcaseDK:
            case TOpKind::Paint:
            case TOpKind::Frame:
                Op.Arg = In.Byte();
                break;
            case TOpKind::Scribble:
                Op.Value = In.Word32();
                for (std::uint8_t& B : Op.Box) B = In.Byte();
                break;
            case TOpKind::HostSize:
                Op.Value = In.Word32();
                break;
            case TOpKind::Focus:
            case TOpKind::Message:
                Op.Arg = In.Byte();
                Op.Value = In.Byte();
                break;
            case TOpKind::ScrollStep:
            case TOpKind::BlinkStep:
                Op.Count = Count();
                break;
            case TOpKind::SetCharColumn:
            case TOpKind::CharSet:
                Op.Arg = In.Byte();
                Op.Arg2 = In.Byte();
                Op.Value = In.Byte();
                break;
            case TOpKind::ChangeChar:
                Op.Arg = In.Byte();
                for (Byte& B : Op.Glyph) B = In.Byte();
                break;
            case TOpKind::Move:
                Op.Arg = In.Byte();
                Op.Count = Count();
                break;
            case TOpKind::Edit:
                Op.Arg = In.Byte();
                Op.Arg2 = In.Byte();
                Op.Count = Count();
                break;
            case TOpKind::Parent:
            case TOpKind::StopScroll:
                break;
        }
        P.Ops.push_back(std::move(Op));
    }
    return P;
}

std::vector<std::uint8_t> EncodeProgram(const TProgram& Program) {
    std::vector<std::uint8_t> Out;
    Out.push_back(static_cast<std::uint8_t>((Program.Layout.Siblings & 3) | (Program.Layout.PlainChild ? 4 : 0)));
    for (const TOp& Op : Program.Ops) {
        Out.push_back(static_cast<std::uint8_t>(static_cast<int>(Op.Kind) | (Op.Flag ? 0x20 : 0)));
        switch (Op.Kind) {
            case TOpKind::SetText: {
                const std::size_t Length = std::min<std::size_t>(Op.Bytes.size(), 0xFFFF);
                Out.push_back(static_cast<std::uint8_t>(Length & 0xFF));
                Out.push_back(static_cast<std::uint8_t>(Length >> 8));
                Out.insert(Out.end(), Op.Bytes.begin(), Op.Bytes.begin() + static_cast<std::ptrdiff_t>(Length));
                break;
            }
            case TOpKind::SetProperty:
                Out.push_back(static_cast<std::uint8_t>(Op.Property));
                switch (KindOf(Op.Property)) {
                    case TValueKind::Bool:
                    case TValueKind::Shape:
                        Out.push_back(static_cast<std::uint8_t>(Op.Value & 1U));
                        break;
                    case TValueKind::Byte:
                        Out.push_back(static_cast<std::uint8_t>(Op.Value));
                        break;
                    case TValueKind::Color:
                    case TValueKind::Integer:
                        Put32(Out, Op.Value);
                        break;
                }
                break;
            case TOpKind::KeyDown:
                Out.push_back(static_cast<std::uint8_t>(Op.Value & 0xFF));
                Out.push_back(static_cast<std::uint8_t>((Op.Value >> 8) & 0xFF));
                Out.push_back(Op.Arg);
                break;
            case TOpKind::KeyPress:
            case TOpKind::InsertCharacter:
            case TOpKind::UpcaseDK:
            case TOpKind::Paint:
            case TOpKind::Frame:
                Out.push_back(Op.Arg);
                break;
            case TOpKind::Scribble:
                Put32(Out, Op.Value);
                Out.insert(Out.end(), Op.Box.begin(), Op.Box.end());
                break;
            case TOpKind::HostSize:
                Put32(Out, Op.Value);
                break;
            case TOpKind::Focus:
            case TOpKind::Message:
                Out.push_back(Op.Arg);
                Out.push_back(static_cast<std::uint8_t>(Op.Value));
                break;
            case TOpKind::ScrollStep:
            case TOpKind::BlinkStep:
                Out.push_back(CountByte(Op));
                break;
            case TOpKind::SetCharColumn:
            case TOpKind::CharSet:
                Out.push_back(Op.Arg);
                Out.push_back(Op.Arg2);
                Out.push_back(static_cast<std::uint8_t>(Op.Value));
                break;
            case TOpKind::ChangeChar:
                Out.push_back(Op.Arg);
                Out.insert(Out.end(), Op.Glyph.begin(), Op.Glyph.end());
                break;
            case TOpKind::Move:
                Out.push_back(Op.Arg);
                Out.push_back(CountByte(Op));
                break;
            case TOpKind::Edit:
                Out.push_back(Op.Arg);
                Out.push_back(Op.Arg2);
                Out.push_back(CountByte(Op));
                break;
            case TOpKind::Parent:
            case TOpKind::StopScroll:
                break;
        }
    }
    return Out;
}

std::string Describe(const TOp& Op) {
    std::ostringstream S;
    S << KindNames[static_cast<int>(Op.Kind)];
    if (Op.Flag) S << "*";
    switch (Op.Kind) {
        case TOpKind::SetText:
            S << " (" << Op.Bytes.size() << " bytes)";
            break;
        case TOpKind::SetProperty:
            S << " " << NameOf(Op.Property) << " ";
            if (KindOf(Op.Property) == TValueKind::Integer) {
                S << AsInt(Op.Value);
            } else {
                S << Op.Value;
            }
            break;
        case TOpKind::KeyDown:
            S << " " << Op.Value << " shift " << int{Op.Arg};
            break;
        case TOpKind::ChangeChar:
            S << " " << int{Op.Arg};
            break;
        case TOpKind::Scribble:
            S << " " << std::hex << Op.Value << std::dec << " at " << 4 * Op.Box[0] << "," << 4 * Op.Box[1] << " size "
              << 1 + 4 * Op.Box[2] << "x" << 1 + 4 * Op.Box[3];
            break;
        case TOpKind::HostSize:
            S << " " << (Op.Value & 0xFFFF) << "x" << (Op.Value >> 16);
            break;
        case TOpKind::Parent:
        case TOpKind::StopScroll:
            break;
        default:
            S << " " << int{Op.Arg} << " " << int{Op.Arg2} << " " << Op.Value << " x" << int{Op.Count};
            break;
    }
    return S.str();
}

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
        case TValueKind::Byte:
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

// ---- The runner ------------------------------------------------------------------------------

TProgramRunner::TProgramRunner(const TProgramLayout& Layout, const TMatrixFactory& Make) {
    FForm = std::make_unique<host::TForm>(nullptr, FWidgetSet);
    FForm->SetWidth(64);
    FForm->SetHeight(32);
    FForm->Show();
    FMatrix = Make ? Make(FForm.get()) : new TProgramMatrix(FForm.get());
    FMatrix->SetParent(FForm.get());
    if (Layout.PlainChild) {
        // A control without a window: the focus walk's checked conversion fails on it.
        auto* Plain = new host::TControl(FForm.get());
        Plain->SetParent(FForm.get());
    }
    for (int i = 0; i < std::clamp(Layout.Siblings, 0, 3); ++i) {
        auto* Sibling = new host::TCustomControl(FForm.get());
        Sibling->SetTabStop(true);
        Sibling->SetWidth(20);
        Sibling->SetHeight(20);
        Sibling->SetParent(FForm.get());
        FSiblings.push_back(Sibling);
    }
    // Exceptions from handlers are expected in one case (the focus walk over a plain child);
    // keep them off standard error. Step() reads what was reported.
    host::Application().OnException = [](const std::exception&) {};
    host::Application().ClearLastException();
}

TProgramRunner::~TProgramRunner() {
    FForm.reset();
    host::Application().OnException = nullptr;
    host::Application().ClearLastException();
}

headless::TCountingPeer* TProgramRunner::Peer() const { return headless::TCountingPeer::Of(*FMatrix); }

void TProgramRunner::Step(const TOp& Op) {
    TProgramMatrix& M = *FMatrix;
    FStepFailure.clear();
    host::Application().ClearLastException();
    const auto Fail = [this](const std::string& What) {
        if (FStepFailure.empty()) FStepFailure = What;
    };

    switch (Op.Kind) {
        case TOpKind::SetText:
            M.FSetText(Op.Bytes);
            break;
        case TOpKind::SetProperty: {
            const std::uint32_t V = Op.Value;
            if (Op.Flag) {
                // Through the property table, as the form storage sets it.
                const host::TPropInfo* Info = M.FindProperty(NameOf(Op.Property));
                if (Info == nullptr) {
                    Fail("no property " + std::string(NameOf(Op.Property)));
                    break;
                }
                host::TPropValue Value;
                if (KindOf(Op.Property) == TValueKind::Bool) {
                    Value = V != 0;
                } else if (KindOf(Op.Property) == TValueKind::Integer) {
                    Value = std::int64_t{AsInt(V)};
                } else {
                    Value = std::int64_t{V};
                }
                try {
                    Info->Set(M, Value);
                } catch (const std::exception& E) {
                    Fail(std::string("the property table refused a value of the type: ") + E.what());
                }
                break;
            }
            switch (Op.Property) {
                case TProgramProperty::Scroll:
                    M.FSetScroll(V != 0);
                    break;
                case TProgramProperty::Delay:
                    M.FSetDelay(AsInt(V));
                    break;
                case TProgramProperty::BlinkOffColor:
                    M.FSetBlinkOffColor(V);
                    break;
                case TProgramProperty::BlinkDelay:
                    M.FSetBlinkDelay(AsInt(V));
                    break;
                case TProgramProperty::ActiveLED:
                    M.FSetActiveLED(V != 0);
                    break;
                case TProgramProperty::ActiveLEDOnColor:
                    M.FSetActiveLEDOnColor(V);
                    break;
                case TProgramProperty::ActiveLEDOffColor:
                    M.FSetActiveLEDOffColor(V);
                    break;
                case TProgramProperty::BackgroundColor:
                    M.FSetBackgroundColor(V);
                    break;
                case TProgramProperty::InactiveLEDOnColor:
                    M.FSetInactiveLEDOnColor(V);
                    break;
                case TProgramProperty::InactiveLEDOffColor:
                    M.FSetInactiveLEDOffColor(V);
                    break;
                case TProgramProperty::LEDShape:
                    M.FSetLEDShape(V != 0 ? EShape::Circle : EShape::Square);
                    break;
                case TProgramProperty::LEDSize:
                    M.FSetLEDSize(static_cast<Byte>(V));
                    break;
                case TProgramProperty::LEDDistance:
                    M.FSetLEDDistance(static_cast<Byte>(V));
                    break;
                case TProgramProperty::StepActive:
                    M.FSetStepActive(V != 0);
                    break;
                case TProgramProperty::StepToOutside:
                    M.FSetStep(static_cast<Byte>(V));
                    break;
                case TProgramProperty::TabOrder:
                    M.SetTabOrder(AsInt(V));
                    break;
                case TProgramProperty::TabStop:
                    M.SetTabStop(V != 0);
                    break;
                case TProgramProperty::TotalVisible:
                    M.FSetTotalVisible(static_cast<Byte>(V));
                    break;
                case TProgramProperty::Overwrite:
                    M.FSetOverwrite(V != 0);
                    break;
            }
            break;
        }
        case TOpKind::KeyDown:
            host::SendKeyDown(M, static_cast<Word>(Op.Value), host::TShiftState{Op.Arg} & 7U);
            break;
        case TOpKind::KeyPress:
            host::SendKeyPress(M, static_cast<char>(Op.Arg));
            break;
        case TOpKind::Focus:
            switch (Op.Arg % 6) {
                case 0:
                    M.SetFocus();
                    break;
                case 1:
                    if (!FSiblings.empty()) FSiblings[Op.Value % FSiblings.size()]->SetFocus();
                    break;
                case 2:
                    FForm->FocusControl(nullptr);
                    break;
                case 3:
                    host::SendClick(M);
                    break;
                default:
                    FForm->SelectNext(Op.Arg % 6 == 4);
                    break;
            }
            break;
        case TOpKind::ScrollStep:
            for (int i = 0; i < Op.Count; ++i) {
                if (Op.Flag) {
                    M.DelayTimerOnTimer(nullptr);
                } else {
                    M.TryToScrollOnce();
                }
            }
            break;
        case TOpKind::BlinkStep:
            for (int i = 0; i < Op.Count; ++i) {
                if (Op.Flag) {
                    M.BlinkOnTimer(nullptr);
                } else {
                    M.TryToBlink();
                }
            }
            break;
        case TOpKind::SetCharColumn: {
            const auto Value = static_cast<Byte>(Op.Value);
            const auto Before = M.CharTable();
            M.SetCharColumn(Op.Arg, Op.Arg2, Value);
            if (Op.Arg2 < 5 && M.GetCharColumn(Op.Arg, Op.Arg2) != Value) Fail("SetCharColumn did not store");
            if (Op.Arg2 >= 5 && M.CharTable() != Before) Fail("SetCharColumn past column 4 changed the table");
            if (M.GetCharColumn(Op.Arg, static_cast<Byte>(5 + Op.Arg2 % 251)) != 255) {
                Fail("GetCharColumn past column 4 is not 255");
            }
            break;
        }
        case TOpKind::ChangeChar:
            M.ChangeChar(Op.Arg, Op.Glyph);
            for (Byte k = 0; k < 5; ++k) {
                if (M.GetCharColumn(Op.Arg, k) != Op.Glyph[k]) Fail("ChangeChar did not store");
            }
            break;
        case TOpKind::InsertCharacter:
            M.InsertCharacter(static_cast<char>(Op.Arg));
            break;
        case TOpKind::Move:
            for (int i = 0; i < Op.Count; ++i) {
                const bool Marked = M.TotalRefresh();
                switch (Op.Arg % 6) {
                    case 0:
                        M.GoRight();
                        break;
                    case 1:
                        M.GoLeft();
                        break;
                    case 2:
                        M.GoHome();
                        break;
                    case 3:
                        M.GoEnd();
                        break;
                    case 4:
                        M.GoPageUp();
                        break;
                    default:
                        M.GoPageDown();
                        break;
                }
                if (M.TotalRefresh() && !Marked) Fail("a cursor move left the total-refresh flag set");
            }
            break;
        case TOpKind::Edit:
            for (int i = 0; i < Op.Count; ++i) {
                const bool Marked = M.TotalRefresh();
                switch (Op.Arg % 3) {
                    case 0:
                        M.InsertChar(Op.Arg2);
                        break;
                    case 1:
                        M.DeleteChar();
                        break;
                    default:
                        M.BackSpaceChar();
                        break;
                }
                if (M.TotalRefresh() && !Marked) Fail("an edit left the total-refresh flag set");
            }
            break;
        case TOpKind::Paint:
            switch (Op.Arg % 7) {
                case 0:
                    M.Paint();
                    break;
                case 1:
                    M.SetTotalRefresh();
                    M.Paint();
                    break;
                case 2:
                    M.SetMiniRefresh();
                    M.Paint();
                    break;
                case 3:
                    M.SetTotalRefresh();
                    M.SetMiniRefresh();
                    M.Paint();
                    break;
                case 4:
                    M.RedrawDisplay();
                    break;
                case 5:
                    host::SendPaint(M);
                    break;
                default:
                    FForm->PaintAll();
                    break;
            }
            break;
        case TOpKind::CharSet:
            switch (Op.Arg % 4) {
                case 0:
                    if (FCharSet == nullptr) FCharSet = new TCharSet(FForm.get());
                    M.FSetCharSet(FCharSet);
                    if (M.Charset() != FCharSet) Fail("Charset did not take the TCharSet");
                    break;
                case 1:
                    M.FSetCharSet(nullptr);
                    break;
                case 2:
                    delete FCharSet;  // the matrix is told and drops its reference
                    FCharSet = nullptr;
                    if (M.Charset() != nullptr) Fail("Charset still refers to a freed TCharSet");
                    break;
                default:
                    if (FCharSet != nullptr) {
                        const auto Before = M.CharTable();
                        FCharSet->SetCharcolumn(Op.Arg2, static_cast<Byte>(Op.Value & 0xFF), Op.Arg2);
                        if (FCharSet->GetCharColumn(Op.Arg2, 0) != 0) Fail("TCharSet holds a glyph");
                        if (M.CharTable() != Before) Fail("a TCharSet edit changed the matrix's glyphs");
                    }
                    break;
            }
            break;
        case TOpKind::Message: {
            static constexpr unsigned Messages[] = {host::WM_GETDLGCODE, host::WM_ERASEBKGND, host::WM_NEXTDLGCTL};
            host::TMessage Message{Messages[Op.Arg % 3], static_cast<std::intptr_t>(Op.Value), 0, 0};
            host::Application().Dispatch([&M, &Message] { M.Perform(Message); });
            if (Message.Msg == host::WM_GETDLGCODE && (Message.Result & host::DLGC_WANTARROWS) == 0) {
                Fail("WM_GETDLGCODE does not ask for the arrow keys");
            }
            break;
        }
        case TOpKind::Parent:
            M.SetParent(Op.Flag ? FForm.get() : nullptr);
            break;
        case TOpKind::StopScroll:
            M.StopScroll();
            break;
        case TOpKind::Frame:
            switch (Op.Arg % 7) {
                case 0:
                    M.TotalRedraw(false, false);
                    break;
                case 1:
                    M.TotalRedraw(false, true);
                    break;
                case 2:
                    M.TotalScrollRedraw(false, false);
                    break;
                case 3:
                    M.TotalScrollRedraw(false, true);
                    break;
                case 4:
                    M.HideCursor();
                    break;
                case 5:
                    M.ShowCursor();
                    break;
                default:
                    M.InitScroll();
                    break;
            }
            break;
        case TOpKind::Scribble:
            // A frame drawn without clearing must leave such pixels between its LEDs alone.
            if (const host::TBitmap* B = M.Bitmap()) {
                host::TCanvas& Canvas = const_cast<host::TBitmap*>(B)->Canvas();
                Canvas.Brush.Color = Op.Value;
                const int Left = 4 * Op.Box[0];
                const int Top = 4 * Op.Box[1];
                Canvas.FillRect(host::Rect(Left, Top, Left + 1 + 4 * Op.Box[2], Top + 1 + 4 * Op.Box[3]));
            }
            break;
        case TOpKind::HostSize:
            // The back buffer keeps its size until the next resizing frame.
            M.SetWidth(static_cast<int>(Op.Value & 0xFFFF));
            M.SetHeight(static_cast<int>(Op.Value >> 16));
            FHostSized = true;
            break;
        case TOpKind::UpcaseDK: {
            const auto In = Op.Arg;
            const auto Out = static_cast<Byte>(TEditMatrix::UpcaseDK(static_cast<char>(In)));
            Byte Want = In;
            if (In == 229) Want = 197;
            if (In == 230) Want = 198;
            if (In == 248) Want = 216;
            if (In >= 'a' && In <= 'z') Want = static_cast<Byte>(In - 32);
            if (Out != Want) Fail("UpcaseDK(" + std::to_string(In) + ") = " + std::to_string(Out));
            break;
        }
    }

    if (FHostSized && SizeProblem().empty()) FHostSized = false;

    const std::string& Reported = host::Application().LastExceptionMessage();
    if (!Reported.empty()) {
        const bool FocusWalkOverPlainChild = Reported == host::EInvalidCast().what() && M.Parent() != nullptr &&
                                             M.Parent()->ControlCount() > static_cast<int>(FSiblings.size()) + 1;
        if (!FocusWalkOverPlainChild) Fail("a handler raised: " + Reported);
    }
}

std::string TProgramRunner::Check() const {
    if (!FStepFailure.empty()) return FStepFailure;
    const TEditMatrix& M = *FMatrix;
    std::ostringstream Why;

    // 1. L text nodes, then the sentinel; PrevNode mirrors NextNode. The walk is bounded, so a
    //    broken list is reported, not followed for ever.
    const Node* First = M.FirstNode();
    const Node* End = M.EndNode();
    if (First == nullptr || End == nullptr) return "no character list";
    if (End->NextNode != nullptr || End->Character != 0) return "the sentinel is not a sentinel";
    const std::int32_t L = M.TextLength();
    const std::int32_t P = M.CursorPos();
    const std::int32_t F = M.FirstVisible();
    if (L < 0) return "negative text length";
    std::int32_t CursorIndex = -1;
    std::int32_t VisibleIndex = -1;
    std::int32_t Index = 0;
    const Node* Prev = nullptr;
    const Node* N = First;
    for (; N != nullptr && Index <= L; Prev = N, N = N->NextNode, ++Index) {
        if (N->PrevNode != Prev) {
            Why << "PrevNode does not mirror NextNode at index " << Index;
            return Why.str();
        }
        if (N == M.CursorNode()) CursorIndex = Index;
        if (N == M.VisibleNode()) VisibleIndex = Index;
        if (N == End) break;
    }
    if (N != End || Index != L) {
        Why << "the sentinel is not the node after " << L << " text nodes";
        return Why.str();
    }
    // 2. and 3. Both positions name the node of their index.
    if (P < 0 || P > L || CursorIndex != P) {
        Why << "the cursor node has index " << CursorIndex << ", P = " << P << ", L = " << L;
        return Why.str();
    }
    if (VisibleIndex != F) {
        Why << "the first visible node has index " << VisibleIndex << ", F = " << F;
        return Why.str();
    }
    // 4. The cursor inside the window; a window of no slots stands at the cursor.
    const int T = M.TotalVisible();
    if (T >= 1 && !(F <= P && P <= F + T - 1)) {
        Why << "the cursor is outside the window: P = " << P << ", F = " << F << ", T = " << T;
        return Why.str();
    }
    if (T == 0 && F != P) {
        Why << "a window of no slots is not at the cursor: P = " << P << ", F = " << F;
        return Why.str();
    }
    if (static_cast<std::int32_t>(M.Text().size()) != L) return "Text does not have L characters";

    if (M.Bitmap() == nullptr) return "no back buffer";
    if (std::string Size = SizeProblem(); !Size.empty() && !FHostSized) return Size;
    const std::int64_t S = M.LEDSize();
    if (M.LEDShape() == EShape::Circle && (S < 3 || S % 2 == 0)) return "a round LED of an even size or below 3";
    if (M.LEDSize() == 0) return "LED size 0";
    if (T >= 2 && (M.StepToOutside() < 1 || M.StepToOutside() > T / 2)) return "StepToOutside outside 1..T div 2";

    // The stream: empty, or heads from StreamHead to StreamTail with the scroll position on one.
    const _Pixel* Head = M.StreamHead();
    if (Head == nullptr) {
        if (M.StreamTail() != nullptr) return "an empty stream with a tail";
    } else {
        bool SawScrollPos = M.ScrollPos() == nullptr;
        const _Pixel* Last = nullptr;
        for (const _Pixel* H = Head; H != nullptr; Last = H, H = M.PixelPool().At(H->Next)) {
            if (M.PixelPool().At(H->Prev) != Last) return "stream heads are not linked both ways";
            if (H == M.ScrollPos()) SawScrollPos = true;
        }
        if (Last != M.StreamTail()) return "StreamTail is not the last head";
        if (!SawScrollPos) return "the scroll position is not a head of the stream";
    }
    return {};
}

// The control's size follows the geometry (as far as the host takes it), and the back buffer
// and the window have the control's size.
std::string TProgramRunner::SizeProblem() const {
    const TEditMatrix& M = *FMatrix;
    std::ostringstream Why;
    const std::int64_t S = M.LEDSize();
    const std::int64_t D = M.LEDDistance();
    const auto Clamp = [](std::int64_t V) { return static_cast<int>(std::min<std::int64_t>(V, host::MaxExtent)); };
    const int WantWidth = Clamp(D + (S + D) * 6 * M.TotalVisible());
    const int WantHeight = Clamp(D + (S + D) * (M.Scroll() ? 7 : 9));
    if (M.Width() != WantWidth || M.Height() != WantHeight) {
        Why << "the control is " << M.Width() << " x " << M.Height() << ", the geometry asks for " << WantWidth << " x "
            << WantHeight;
        return Why.str();
    }
    const host::TBitmap* B = M.Bitmap();
    if (B == nullptr || B->Width() != M.Width() || B->Height() != M.Height()) {
        Why << "the back buffer is " << (B ? B->Width() : -1) << " x " << (B ? B->Height() : -1) << ", the control "
            << M.Width() << " x " << M.Height();
        return Why.str();
    }
    if (const headless::THeadlessPeer* W = Peer()) {
        if (W->Surface().Width() != M.Width() || W->Surface().Height() != M.Height()) {
            return "the window does not have the control's size";
        }
    }
    return {};
}

std::string RunProgram(const TProgram& Program, const TAfterOp& After, const TMatrixFactory& Make) {
    TProgramRunner Runner(Program.Layout, Make);
    if (std::string Broken = Runner.Check(); !Broken.empty()) return "after construction: " + Broken;
    for (std::size_t i = 0; i < Program.Ops.size(); ++i) {
        const TOp& Op = Program.Ops[i];
        Runner.Step(Op);
        if (std::string Broken = Runner.Check(); !Broken.empty()) {
            return "op " + std::to_string(i) + " (" + Describe(Op) + "): " + Broken;
        }
        if (After && !After(i, Op, Runner)) break;
    }
    return {};
}

namespace {

// Empty when the pixels are equal, else their sizes or the first pixel that differs.
std::string CompareBitmaps(const host::TBitmap& A, const host::TBitmap& B) {
    std::ostringstream Why;
    if (A.Width() != B.Width() || A.Height() != B.Height()) {
        Why << "size " << A.Width() << "x" << A.Height() << " vs " << B.Width() << "x" << B.Height();
        return Why.str();
    }
    const auto Bytes = 3 * static_cast<std::size_t>(A.Width());
    if (Bytes == 0) return {};
    for (int y = 0; y < A.Height(); ++y) {
        if (std::memcmp(A.ScanLine(y), B.ScanLine(y), Bytes) == 0) continue;
        for (int x = 0; x < A.Width(); ++x) {
            if (A.Pixel(x, y) != B.Pixel(x, y)) {
                Why << "pixel (" << x << ", " << y << "): " << std::hex << A.Pixel(x, y) << " vs " << B.Pixel(x, y);
                return Why.str();
            }
        }
    }
    return {};
}

// The index of the scroll position among the stream's heads (-1: none).
int HeadIndex(const TEditMatrix& M) {
    int Index = 0;
    for (const _Pixel* Head = M.StreamHead(); Head != nullptr; Head = M.PixelPool().At(Head->Next), ++Index) {
        if (Head == M.ScrollPos()) return Index;
    }
    return -1;
}

}  // namespace

std::string CompareMatrices(const TProgramRunner& A, const TProgramRunner& B) {
    const TProgramMatrix& L = A.Matrix();
    const TProgramMatrix& F = B.Matrix();
    if ((L.Bitmap() == nullptr) != (F.Bitmap() == nullptr)) return "one back buffer is missing";
    if (L.Bitmap() != nullptr) {
        if (std::string Why = CompareBitmaps(*L.Bitmap(), *F.Bitmap()); !Why.empty()) return "back buffer: " + Why;
    }
    if ((A.Peer() == nullptr) != (B.Peer() == nullptr)) return "one window is missing";
    if (A.Peer() != nullptr) {
        if (std::string Why = CompareBitmaps(A.Peer()->Surface(), B.Peer()->Surface()); !Why.empty()) {
            return "window: " + Why;
        }
        if (A.Peer()->CopyCount() != B.Peer()->CopyCount()) return "copy counts differ";
        if (A.Peer()->FillCount() != B.Peer()->FillCount()) return "fill counts differ";
    }
    const auto Differ = [](const char* What, auto X, auto Y) {
        std::ostringstream Why;
        Why << What << " " << X << " vs " << Y;
        return Why.str();
    };
    if (L.Paints != F.Paints) return Differ("repaints", L.Paints, F.Paints);
    if (HeadIndex(L) != HeadIndex(F)) return Differ("scroll position", HeadIndex(L), HeadIndex(F));
    if (L.ScrollOnColor() != F.ScrollOnColor()) return Differ("scroll on colour", L.ScrollOnColor(), F.ScrollOnColor());
    if (L.ScrollOffColor() != F.ScrollOffColor()) {
        return Differ("scroll off colour", L.ScrollOffColor(), F.ScrollOffColor());
    }
    if (L.ScrollBlinkOffColor() != F.ScrollBlinkOffColor()) {
        return Differ("scroll blink-off colour", L.ScrollBlinkOffColor(), F.ScrollBlinkOffColor());
    }
    if (L.Blinking() != F.Blinking()) return Differ("blinking", L.Blinking(), F.Blinking());
    if (L.ScrollHalted() != F.ScrollHalted()) return Differ("halted", L.ScrollHalted(), F.ScrollHalted());
    if (L.TotalRefresh() != F.TotalRefresh()) return Differ("total refresh", L.TotalRefresh(), F.TotalRefresh());
    if (L.MiniRefresh() != F.MiniRefresh()) return Differ("mini refresh", L.MiniRefresh(), F.MiniRefresh());
    return {};
}

std::string RunOnBothRenderers(const TProgram& Program, const TAfterOp& After) {
    const auto Make = [](bool Literal) {
        return [Literal](host::TComponent* Owner) {
            auto* M = new TProgramMatrix(Owner);
            M->UseLiteralRenderer(Literal);
            return M;
        };
    };
    TProgramRunner Literal(Program.Layout, Make(true));
    TProgramRunner Fast(Program.Layout, Make(false));
    const auto Verify = [&Literal, &Fast]() -> std::string {
        if (std::string Broken = Literal.Check(); !Broken.empty()) return "literal renderer: " + Broken;
        if (std::string Broken = Fast.Check(); !Broken.empty()) return "fast renderer: " + Broken;
        if (std::string Why = CompareMatrices(Literal, Fast); !Why.empty()) return "literal vs fast: " + Why;
        return {};
    };
    if (std::string Broken = Verify(); !Broken.empty()) return "after construction: " + Broken;
    for (std::size_t i = 0; i < Program.Ops.size(); ++i) {
        const TOp& Op = Program.Ops[i];
        Literal.Step(Op);
        Fast.Step(Op);
        if (std::string Broken = Verify(); !Broken.empty()) {
            return "op " + std::to_string(i) + " (" + Describe(Op) + "): " + Broken;
        }
        if (After && !After(i, Op, Fast)) break;
    }
    return {};
}

}  // namespace vyr::test
