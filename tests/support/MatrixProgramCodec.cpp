// The byte form of operation programs: DecodeProgram, EncodeProgram, and Describe for failure
// messages; with the property table's names and value kinds that the generator and the
// interpreter share.
#include <algorithm>
#include <string_view>

#include "support/MatrixProgram.h"

namespace vyr::test {

// ---- Property values -------------------------------------------------------------------------

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
            return TValueKind::Octet;
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
    return TValueKind::Octet;
}

namespace {

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

std::string_view NameOf(TProgramProperty P) { return PropertyNames[static_cast<int>(P)]; }

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
                    case TValueKind::Octet:
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
                    case TValueKind::Octet:
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

}  // namespace vyr::test
