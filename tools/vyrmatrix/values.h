// Parsing of command-line values: booleans, integers in decimal or hexadecimal, bytes, colours,
// LED shapes, key names, glyph bytes, and the table of the properties that `--set` accepts.
//
// Every parser either returns the value or throws TBadValue with a short reason ("expected
// true or false"); the caller adds which argument it was.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "vyr/host/Component.h"

namespace vyr::cli {

// A value that does not parse or lies outside its type. what() is the reason, without the
// argument it came from.
class TBadValue : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "true" or "false", exactly.
bool ParseBool(std::string_view Text);

// A whole number: decimal with an optional leading '-', or hexadecimal as "$1A2B" or "0x1a2b"
// (digits of either case, no sign). The value must lie in Min..Max; TypeName names the type in
// the message ("byte (0..255)").
std::int64_t ParseNumber(std::string_view Text, std::int64_t Min, std::int64_t Max, std::string_view TypeName);

// Plain decimal digits only (no sign, no prefix), at most Max. For counts and milliseconds; a
// negative number is refused as such ("a count must not be negative").
std::int64_t ParseCount(std::string_view Text, std::int64_t Max);
// True when Text is one or more decimal digits and nothing else.
bool IsDecimalNumber(std::string_view Text);
// True when Text is '-' followed by one or more decimal digits.
bool IsNegativeNumber(std::string_view Text);

// A colour as CSS writes it: "#RRGGBB", red first (six hexadecimal digits of either case). The
// result is a TColor, red in the low byte: "#FF8000" is 0x0080FF.
host::TColor ParseCssColour(std::string_view Text);

// One or two hexadecimal digits, no prefix: 0..255.
std::uint8_t ParseHexByte(std::string_view Text);

// A key for `--key`: a name (Backspace, Tab, Enter, Escape, PageUp, PageDown, End, Home, Left,
// Up, Right, Down, Insert, Delete) or a code 0..65535 (decimal, $hex or 0xhex).
std::uint16_t ParseKey(std::string_view Text);

// One property that `--set` accepts, with the type its value must fit.
struct TSettableProperty {
    std::string_view Name;
    host::TTypeKind Kind;
    std::int64_t Min;  // ordinal kinds: the range of the type
    std::int64_t Max;
    std::vector<std::string_view> EnumNames;  // Enum: the names of the ordinals
};

// The published properties of TEditMatrix that `--set` accepts, in declared order.
const std::vector<TSettableProperty>& SettableProperties();
const TSettableProperty* FindSettableProperty(std::string_view Name);

// Parses the value of `--set NAME=VALUE` for Property: booleans as ParseBool, ordinal kinds as
// ParseNumber within the type's range (colours also as ParseCssColour), enumerations by name or
// ordinal, text decoded from UTF-8 to 8-bit codes.
host::TPropValue ParsePropertyValue(const TSettableProperty& Property, std::string_view Text);

// NAME=VALUE split at the first '='. Throws TBadValue when there is no '=' or the name is not
// one of SettableProperties().
struct TAssignment {
    const TSettableProperty* Property = nullptr;
    host::TPropValue Value;
};
TAssignment ParseAssignment(std::string_view Text);

}  // namespace vyr::cli
