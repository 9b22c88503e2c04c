#include "font_options.h"

#include "arguments.h"
#include "utf8.h"
#include "vyr/host/Text.h"

namespace vyr::cli {

namespace {

// The font error's reason without the file name in front, which the argument already shows.
std::string ReasonFor(const std::string& Path, const std::string& Message) {
    const std::string Prefix = Path + ": ";
    return Message.rfind(Prefix, 0) == 0 ? Message.substr(Prefix.size()) : Message;
}

// Text as the codes of Page, spelled so that the Latin-1 reading gives exactly those codes.
std::string Respelled(const fonts::TCodePage& Page, const std::string& Utf8) {
    return Encode8BitToUtf8(Page.Encode(Utf8));
}

// `--set Text=VALUE` with VALUE re-spelled; any other assignment as it is.
std::string RespelledAssignment(const fonts::TCodePage& Page, const std::string& Assignment) {
    const auto Equals = Assignment.find('=');
    if (Equals == std::string::npos || !host::SameText(std::string_view(Assignment).substr(0, Equals), "Text"))
        return Assignment;
    return Assignment.substr(0, Equals + 1) + Respelled(Page, Assignment.substr(Equals + 1));
}

bool IsFontOption(const std::string& Arg) { return Arg == "--font" || Arg == "--codepage"; }

}  // namespace

TFontOptions TakeFontOptions(std::vector<std::string>& Args, TArgumentStyle Style) {
    TFontOptions Options;
    std::optional<std::string> PageName;
    std::vector<std::string> Rest;
    const auto Take = [&](std::size_t& I) {
        const std::string& Option = Args[I];
        auto& Slot = Option == "--font" ? Options.FontFile : PageName;
        if (Slot) throw TBadArgument(Option, "given more than once");
        if (I + 1 >= Args.size())
            throw TBadArgument(Option, Option == "--font" ? "missing the font file" : "missing the code page");
        Slot = Args[++I];
    };

    // Render: the global options come first; the font options may stand among them.
    // Live and Operands: options and operands in any order up to "--".
    std::size_t I = 0;
    for (; I < Args.size(); ++I) {
        const std::string& Arg = Args[I];
        if (IsFontOption(Arg)) {
            Take(I);
            continue;
        }
        if (Style == TArgumentStyle::Render) {
            if (Arg != "--siblings" && Arg != "--load-form" && Arg != "--save-form") break;
        } else if (Arg == "--") {
            break;
        }
        Rest.push_back(Arg);
        // An option's value is taken as it is, whatever it looks like.
        bool TakesValue = false;
        if (Style == TArgumentStyle::Render) TakesValue = true;  // every global option takes one
        if (Style == TArgumentStyle::Live)
            TakesValue = Arg == "--set" || Arg == "--seconds" || Arg == "-o" || Arg == "--output" || Arg == "--frames";
        if (TakesValue && I + 1 < Args.size()) Rest.push_back(Args[++I]);
    }
    for (; I < Args.size(); ++I) Rest.push_back(Args[I]);

    if (PageName) {
        try {
            Options.Page = fonts::TCodePage::Open(*PageName);
        } catch (const fonts::TFontError& E) {
            throw TBadArgument("--codepage " + *PageName, "not a single-byte code page iconv knows");
        }
        Options.PageGiven = true;
    }
    if (Options.FontFile) {
        if (Options.FontFile->empty()) throw TBadArgument("--font ", "empty file name");
        try {
            Options.Font = fonts::ReadFontFile(*Options.FontFile, Options.Page);
        } catch (const fonts::TFontError& E) {
            throw TBadArgument("--font " + *Options.FontFile, ReasonFor(*Options.FontFile, E.what()));
        }
    }

    // Text arguments through the code page. Without --codepage they stay as they are (Latin-1).
    if (Options.PageGiven && Style != TArgumentStyle::Operands) {
        const auto& Page = Options.Page;
        for (std::size_t K = 0; K < Rest.size(); ++K) {
            const std::string& Arg = Rest[K];
            const bool HasValue = K + 1 < Rest.size();
            if (Style == TArgumentStyle::Render) {
                if (Arg == "--type" && HasValue)
                    Rest[K + 1] = Respelled(Page, Rest[K + 1]);
                else if (Arg == "--set" && HasValue)
                    Rest[K + 1] = RespelledAssignment(Page, Rest[K + 1]);
                if (HasValue && (Arg == "--type" || Arg == "--set" || Arg == "--key" || Arg == "--glyph" ||
                                 Arg == "--column" || Arg == "--wait" || Arg == "--save" || Arg == "--siblings" ||
                                 Arg == "--load-form" || Arg == "--save-form"))
                    ++K;
            } else {
                if (Arg == "--set" && HasValue) {
                    Rest[K + 1] = RespelledAssignment(Page, Rest[K + 1]);
                    ++K;
                } else if ((Arg == "--seconds" || Arg == "-o" || Arg == "--output" || Arg == "--frames") && HasValue) {
                    ++K;
                } else if (Arg == "--" && HasValue) {
                    Rest[K + 1] = Respelled(Page, Rest[K + 1]);
                    ++K;
                } else if (Arg.empty() || Arg[0] != '-' || Arg.size() == 1) {
                    Rest[K] = Respelled(Page, Arg);
                }
            }
        }
    }
    Args = std::move(Rest);
    return Options;
}

void ApplyFontOptions(const TFontOptions& Options, TEditMatrix& Matrix) {
    if (Options.Font) fonts::ApplyFont(*Options.Font, Matrix);
}

std::function<char(std::uint32_t)> KeyCodes(const TFontOptions& Options) {
    return [Page = Options.Page](std::uint32_t CodePoint) {
        const auto Code = Page.CodeOf(static_cast<char32_t>(CodePoint));
        return static_cast<char>(Code ? *Code : static_cast<std::uint8_t>('?'));
    };
}

std::string TextOut(const TFontOptions& Options, std::string_view Codes) {
    return Options.PageGiven ? Options.Page.Decode(Codes) : Encode8BitToUtf8(Codes);
}

}  // namespace vyr::cli
