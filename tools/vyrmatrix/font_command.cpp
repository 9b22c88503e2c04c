// `vyrmatrix font`: import a font into a fresh control and report, export the glyph table as BDF
// or a C++ array, show one glyph as text rows.
#include <cctype>
#include <iostream>

#include "arguments.h"
#include "commands.h"
#include "font_options.h"
#include "session.h"
#include "utf8.h"
#include "vyr/host/Text.h"

namespace vyr::cli {

namespace {

// Codes as ranges: "0-31, 127, 160".
std::string Ranges(const std::vector<std::uint8_t>& Codes) {
    std::string Out;
    for (std::size_t I = 0; I < Codes.size();) {
        std::size_t J = I;
        while (J + 1 < Codes.size() && Codes[J + 1] == Codes[J] + 1) ++J;
        if (!Out.empty()) Out += ", ";
        Out += std::to_string(Codes[I]);
        if (J > I) Out += "-" + std::to_string(Codes[J]);
        I = J + 1;
    }
    return Out;
}

std::string CountAndRanges(const std::vector<std::uint8_t>& Codes) {
    return std::to_string(Codes.size()) + (Codes.empty() ? "" : " (" + Ranges(Codes) + ")");
}

std::string Report(const std::string& File, const fonts::TImportReport& R, const fonts::TCodePage& Page) {
    std::string Out = File + ": " + R.Format + " font, " +
                      (R.Unicode ? "Unicode, mapped through " + Page.Name() : "mapped code for code") + "\n";
    Out += "codes filled: " + CountAndRanges(R.Filled) + "\n";
    Out += "codes missing: " + CountAndRanges(R.Missing) + "\n";
    if (!R.Kept.empty()) Out += "codes kept (the end-of-text cell): " + CountAndRanges(R.Kept) + "\n";
    Out += "glyphs cut: " + CountAndRanges(R.Cut) + "\n";
    Out += "pixels dropped: " + std::to_string(R.PixelsDropped) + "\n";
    return Out;
}

// A C++ identifier from a file name: its stem, other characters as '_'.
std::string Identifier(const std::string& Path) {
    std::string Stem = Path.substr(Path.rfind('/') == std::string::npos ? 0 : Path.rfind('/') + 1);
    Stem = Stem.substr(0, Stem.find('.'));
    std::string Out;
    for (const char C : Stem) Out += std::isalnum(static_cast<unsigned char>(C)) ? C : '_';
    if (Out.empty() || std::isdigit(static_cast<unsigned char>(Out[0]))) Out = "Glyphs_" + Out;
    return Out;
}

bool EndsWithNoCase(const std::string& Text, std::string_view End) {
    return Text.size() >= End.size() && host::SameText(std::string_view(Text).substr(Text.size() - End.size()), End);
}

// CODE (a decimal number of two or more digits, 0 to 255) or CHAR (one character, through the
// code page).
std::uint8_t CodeArgument(const std::string& Arg, const fonts::TCodePage& Page) {
    if (Arg.size() >= 2 && IsDecimalNumber(Arg)) {
        try {
            return static_cast<std::uint8_t>(ParseCount(Arg, 255));
        } catch (const TBadValue& E) {
            throw TBadArgument(Arg, E.what());
        }
    }
    const std::string Codes = Page.Encode(Arg);
    if (Codes.size() != 1) throw TBadArgument(Arg, "expected one character or a code 00 to 255");
    if (Codes == "?" && Arg != "?") throw TBadArgument(Arg, "not a character of code page " + Page.Name());
    return static_cast<std::uint8_t>(Codes[0]);
}

}  // namespace

int RunFontCommand(const std::vector<std::string>& Args) {
    if (Args.empty() || Args[0] == "--help" || Args[0] == "-h") {
        (Args.empty() ? std::cerr : std::cout) << CommandUsage("font");
        return Args.empty() ? ExitBadArgument : ExitOk;
    }
    const std::string Verb = Args[0];
    std::vector<std::string> Rest(Args.begin() + 1, Args.end());
    TFontOptions Fonts;
    std::string Operand;
    try {
        if (Verb != "import" && Verb != "export" && Verb != "show")
            throw TBadArgument(Verb, "unknown font command (import, export or show)");
        // `import FILE` reads FILE as if it were given with --font.
        if (Verb == "import") {
            for (std::size_t I = 0; I < Rest.size(); ++I) {
                if (Rest[I] == "--font" || Rest[I] == "--codepage") {
                    ++I;
                } else {
                    Rest.insert(Rest.begin() + static_cast<std::ptrdiff_t>(I), "--font");
                    break;
                }
            }
        }
        Fonts = TakeFontOptions(Rest, TArgumentStyle::Operands);
        if (Verb == "import") {
            if (!Fonts.FontFile) throw TBadArgument("import", "missing: the font file");
            if (!Rest.empty()) throw TBadArgument(Rest[0], "unexpected argument");
        } else {
            if (Rest.size() != 1) throw TBadArgument(Verb, Rest.empty() ? "missing its operand" : "one operand only");
            Operand = Rest[0];
            if (Verb == "export" && !EndsWithNoCase(Operand, ".bdf") && !EndsWithNoCase(Operand, ".h") &&
                !EndsWithNoCase(Operand, ".hpp"))
                throw TBadArgument(Operand, "unsupported export type (use .bdf, .h or .hpp)");
        }
    } catch (const TBadArgument& E) {
        ReportError("font", E.what());
        return ExitBadArgument;
    }

    try {
        TSession Session(0);
        ApplyFontOptions(Fonts, Session.Matrix());
        if (Verb == "import") {
            std::cout << Report(*Fonts.FontFile, Fonts.Font->Report, Fonts.Page) << std::flush;
        } else if (Verb == "export") {
            const fonts::TGlyphTable Table = fonts::TableOf(Session.Matrix());
            const std::string Text = EndsWithNoCase(Operand, ".bdf") ? fonts::WriteBdf(Table, Fonts.Page.Name())
                                                                     : fonts::WriteCppArray(Table, Identifier(Operand));
            fonts::WriteFontFile(Operand, Text);
        } else {
            std::uint8_t Code = 0;
            try {
                // The code page was given as an option; the glyph is read from the control.
                Code = CodeArgument(Operand, Fonts.Page);
            } catch (const TBadArgument& E) {
                ReportError("font", E.what());
                return ExitBadArgument;
            }
            fonts::TGlyph Glyph{};
            for (std::size_t K = 0; K < 5; ++K)
                Glyph[K] = Session.Matrix().GetCharColumn(Code, static_cast<host::Byte>(K));
            std::cout << fonts::GlyphRows(Glyph) << std::flush;
        }
    } catch (const fonts::TFontError& E) {
        ReportError("font", E.what());
        return ExitFailure;
    } catch (const TRunError& E) {
        ReportError("font", E.what());
        return ExitFailure;
    }
    if (!std::cout) return ExitFailure;
    return ExitOk;
}

}  // namespace vyr::cli
