#include "values.h"

#include <array>
#include <limits>
#include <utility>

#include "utf8.h"
#include "vyr/host/Text.h"

namespace vyr::cli {

namespace {

using host::TTypeKind;

// Digits of Base (10 or 16) as a value; saturates far above any type's range, so that a long
// string of digits is reported as out of range rather than wrapping.
std::optional<std::uint64_t> Digits(std::string_view Text, int Base) {
    if (Text.empty()) return std::nullopt;
    constexpr std::uint64_t Ceiling = std::uint64_t{1} << 40;
    std::uint64_t Value = 0;
    for (const char Ch : Text) {
        const int D = Base == 10 ? (Ch >= '0' && Ch <= '9' ? Ch - '0' : -1) : host::HexValue(Ch);
        if (D < 0) return std::nullopt;
        Value = Value * static_cast<std::uint64_t>(Base) + static_cast<std::uint64_t>(D);
        if (Value > Ceiling) Value = Ceiling;
    }
    return Value;
}

std::string Quoted(std::string_view Text) { return "'" + std::string(Text) + "'"; }

constexpr std::int64_t Int32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t Int32Max = std::numeric_limits<std::int32_t>::max();

}  // namespace

bool ParseBool(std::string_view Text) {
    if (Text == "true") return true;
    if (Text == "false") return false;
    throw TBadValue("expected true or false, got " + Quoted(Text));
}

std::int64_t ParseNumber(std::string_view Text, std::int64_t Min, std::int64_t Max, std::string_view TypeName) {
    bool Negative = false;
    std::optional<std::uint64_t> Magnitude;
    if (Text.starts_with("$")) {
        Magnitude = Digits(Text.substr(1), 16);
    } else if (Text.starts_with("0x")) {
        Magnitude = Digits(Text.substr(2), 16);
    } else {
        std::string_view Rest = Text;
        if (Rest.starts_with("-")) {
            Negative = true;
            Rest.remove_prefix(1);
        }
        Magnitude = Digits(Rest, 10);
    }
    if (!Magnitude) {
        throw TBadValue("expected a number (decimal, $hex or 0xhex), got " + Quoted(Text));
    }
    const auto Value = Negative ? -static_cast<std::int64_t>(*Magnitude) : static_cast<std::int64_t>(*Magnitude);
    if (Value < Min || Value > Max) {
        throw TBadValue(Quoted(Text) + " is outside " + std::string(TypeName) + " (" + std::to_string(Min) + ".." +
                        std::to_string(Max) + ")");
    }
    return Value;
}

bool IsDecimalNumber(std::string_view Text) {
    if (Text.empty()) return false;
    for (const char Ch : Text) {
        if (Ch < '0' || Ch > '9') return false;
    }
    return true;
}

bool IsNegativeNumber(std::string_view Text) {
    return Text.size() > 1 && Text[0] == '-' && IsDecimalNumber(Text.substr(1));
}

std::int64_t ParseCount(std::string_view Text, std::int64_t Max) {
    if (IsNegativeNumber(Text)) throw TBadValue("a count must not be negative, got " + Quoted(Text));
    const auto Value = IsDecimalNumber(Text) ? Digits(Text, 10) : std::nullopt;
    if (!Value) throw TBadValue("expected a decimal number, got " + Quoted(Text));
    if (*Value > static_cast<std::uint64_t>(Max)) {
        throw TBadValue(Quoted(Text) + " is above the limit " + std::to_string(Max));
    }
    return static_cast<std::int64_t>(*Value);
}

host::TColor ParseCssColour(std::string_view Text) {
    const auto Value = Text.size() == 7 && Text[0] == '#' ? Digits(Text.substr(1), 16) : std::nullopt;
    if (!Value) throw TBadValue("expected #RRGGBB (six hexadecimal digits, red first), got " + Quoted(Text));
    const auto V = static_cast<host::TColor>(*Value);
    // #RRGGBB names red first; a TColor holds red in its low byte.
    return ((V >> 16) & 0xFF) | (V & 0xFF00) | ((V & 0xFF) << 16);
}

std::uint8_t ParseHexByte(std::string_view Text) {
    if (Text.empty() || Text.size() > 2) {
        throw TBadValue("expected 1 or 2 hexadecimal digits, got " + Quoted(Text));
    }
    const auto Value = Digits(Text, 16);
    if (!Value) throw TBadValue("expected 1 or 2 hexadecimal digits, got " + Quoted(Text));
    return static_cast<std::uint8_t>(*Value);
}

std::uint16_t ParseKey(std::string_view Text) {
    static constexpr std::array<std::pair<std::string_view, std::uint16_t>, 14> Names{{
        {"Backspace", 8},
        {"Tab", 9},
        {"Enter", 13},
        {"Escape", 27},
        {"PageUp", 33},
        {"PageDown", 34},
        {"End", 35},
        {"Home", 36},
        {"Left", 37},
        {"Up", 38},
        {"Right", 39},
        {"Down", 40},
        {"Insert", 45},
        {"Delete", 46},
    }};
    for (const auto& [Name, Code] : Names) {
        if (Text == Name) return Code;
    }
    if (Text.empty() || !(Text[0] == '$' || (Text[0] >= '0' && Text[0] <= '9'))) {
        throw TBadValue("unknown key " + Quoted(Text) + " (a name such as Left or Backspace, or a code 0..65535)");
    }
    return static_cast<std::uint16_t>(ParseNumber(Text, 0, 65535, "a key code"));
}

const std::vector<TSettableProperty>& SettableProperties() {
    static const std::vector<TSettableProperty> Table = {
        {"Scroll", TTypeKind::Boolean, 0, 1, {}},
        {"Delay", TTypeKind::Integer, Int32Min, Int32Max, {}},
        {"BlinkOffColor", TTypeKind::Color, 0, 0xFFFFFFFF, {}},
        {"BlinkDelay", TTypeKind::Integer, Int32Min, Int32Max, {}},
        {"ActiveLED", TTypeKind::Boolean, 0, 1, {}},
        {"ActiveLEDOnColor", TTypeKind::Color, 0, 0xFFFFFFFF, {}},
        {"ActiveLEDOffColor", TTypeKind::Color, 0, 0xFFFFFFFF, {}},
        {"BackgroundColor", TTypeKind::Color, 0, 0xFFFFFFFF, {}},
        {"InactiveLEDOnColor", TTypeKind::Color, 0, 0xFFFFFFFF, {}},
        {"InactiveLEDOffColor", TTypeKind::Color, 0, 0xFFFFFFFF, {}},
        {"LEDShape", TTypeKind::Enum, 0, 1, {"Square", "Circle"}},
        {"LEDSize", TTypeKind::Byte, 0, 255, {}},
        {"LEDDistance", TTypeKind::Byte, 0, 255, {}},
        {"StepActive", TTypeKind::Boolean, 0, 1, {}},
        {"StepToOutside", TTypeKind::Byte, 0, 255, {}},
        {"TabOrder", TTypeKind::Integer, Int32Min, Int32Max, {}},
        {"TabStop", TTypeKind::Boolean, 0, 1, {}},
        {"Text", TTypeKind::String, 0, 0, {}},
        {"TotalVisible", TTypeKind::Byte, 0, 255, {}},
        {"Overwrite", TTypeKind::Boolean, 0, 1, {}},
    };
    return Table;
}

const TSettableProperty* FindSettableProperty(std::string_view Name) {
    for (const auto& Property : SettableProperties()) {
        if (Property.Name == Name) return &Property;
    }
    return nullptr;
}

host::TPropValue ParsePropertyValue(const TSettableProperty& Property, std::string_view Text) {
    switch (Property.Kind) {
        case TTypeKind::Boolean:
            return ParseBool(Text);
        case TTypeKind::Integer:
            return ParseNumber(Text, Property.Min, Property.Max, "a 32-bit integer");
        case TTypeKind::Byte:
            return ParseNumber(Text, Property.Min, Property.Max, "a byte");
        case TTypeKind::Color:
            if (Text.starts_with("#")) return static_cast<std::int64_t>(ParseCssColour(Text));
            return ParseNumber(Text, Property.Min, Property.Max, "a colour");
        case TTypeKind::Enum: {
            for (std::size_t i = 0; i < Property.EnumNames.size(); ++i) {
                if (Text == Property.EnumNames[i]) return static_cast<std::int64_t>(i);
                if (Text == std::to_string(i)) return static_cast<std::int64_t>(i);
            }
            std::string Names;
            for (std::size_t i = 0; i < Property.EnumNames.size(); ++i) {
                Names += std::string(Property.EnumNames[i]) + ", ";
            }
            for (std::size_t i = 0; i < Property.EnumNames.size(); ++i) {
                Names += std::to_string(i) + (i + 1 < Property.EnumNames.size() ? ", " : "");
            }
            throw TBadValue("expected one of " + Names + ", got " + Quoted(Text));
        }
        case TTypeKind::String:
            return DecodeUtf8To8Bit(Text);
        case TTypeKind::Component:
            break;
    }
    throw TBadValue("property " + std::string(Property.Name) + " cannot be set from the command line");
}

TAssignment ParseAssignment(std::string_view Text) {
    const auto Equals = Text.find('=');
    if (Equals == std::string_view::npos) throw TBadValue("expected NAME=VALUE");
    const auto Name = Text.substr(0, Equals);
    const auto* Property = FindSettableProperty(Name);
    if (!Property) throw TBadValue("unknown property " + Quoted(Name));
    return TAssignment{Property, ParsePropertyValue(*Property, Text.substr(Equals + 1))};
}

}  // namespace vyr::cli
