// The font options every control-building command shares: `--font FILE` and `--codepage NAME`.
// They are taken out of the command line before the command's own parser sees it, checked
// completely (the font is read, the code page opened) before anything is built, and the text
// arguments are re-spelled so that the usual Latin-1 reading gives the code page's codes.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vyr/EditMatrix.h"
#include "vyr/fonts/Fonts.h"

namespace vyr::cli {

struct TFontOptions {
    std::optional<std::string> FontFile;
    std::optional<fonts::TFont> Font;  // read from FontFile
    fonts::TCodePage Page = fonts::TCodePage::Latin1();
    bool PageGiven = false;
};

// How a command's arguments are laid out: `render` (global options, then actions), the live
// commands `scroll`, `edit`, `gif` (TEXT and options in any order, "--" before a TEXT that
// begins with "-"), or `font` (operands that are not text: nothing is re-spelled).
enum class TArgumentStyle { Render, Live, Operands };

// Removes --font and --codepage from Args (for render only from the global options before the
// first action) and re-spells the text arguments (`--set Text=`, `--type`, TEXT) through the
// code page. Throws TBadArgument for an option given twice, a missing value, an unknown code page
// or a font file that cannot be read.
TFontOptions TakeFontOptions(std::vector<std::string>& Args, TArgumentStyle Style);

// Imports the font, if one was given, into Matrix through ChangeChar.
void ApplyFontOptions(const TFontOptions& Options, TEditMatrix& Matrix);

// The code of a typed character through the options' code page ('?' where it has none), for
// the live commands' key decoders.
std::function<char(std::uint32_t)> KeyCodes(const TFontOptions& Options);

// 8-bit codes as UTF-8 through the options' code page.
std::string TextOut(const TFontOptions& Options, std::string_view Codes);

}  // namespace vyr::cli
