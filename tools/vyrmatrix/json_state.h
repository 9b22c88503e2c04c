// The `--state` line: one JSON object with the control's state and every published property.
#pragma once

#include <string>
#include <string_view>

#include "vyr/EditMatrix.h"
#include "vyr/fonts/Fonts.h"
#include "vyr/host/Controls.h"

namespace vyr::cli {

// A JSON string literal (quotes included) for 8-bit codes: code c is the character U+00cc.
// Quote and backslash are escaped, control characters (0..31, 127..159) are written as \u00XX,
// and 160..255 as their two UTF-8 bytes, so the line stays printable and valid JSON.
std::string JsonString8Bit(std::string_view Codes);

// A JSON string literal for text that is already UTF-8 (names).
std::string JsonStringUtf8(std::string_view Text);

// A JSON string literal for 8-bit codes read through Page: each code as its character there
// (U+FFFD where the page has none), escaped as JsonString8Bit escapes; for Latin-1 the same
// as JsonString8Bit.
std::string JsonStringCodePage(std::string_view Codes, const fonts::TCodePage& Page);

// The state object, one line, no trailing newline. Keys in a fixed order: the control's state
// ("Text", "FCursorPos", ... "CharTable"), then the published properties in declared order.
// Page: how "Text" is shown (none: each code c as U+00cc).
std::string StateJson(const TEditMatrix& Matrix, const host::TForm& Form, const fonts::TCodePage* Page = nullptr);

}  // namespace vyr::cli
