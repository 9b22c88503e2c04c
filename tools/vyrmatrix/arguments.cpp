#include "arguments.h"

#include "utf8.h"
#include "vyr/host/Text.h"

namespace vyr::cli {

TBadArgument::TBadArgument(std::string Argument, std::string Reason)
    : std::runtime_error("bad argument '" + Argument + "': " + Reason),
      FArgument(std::move(Argument)),
      FReason(std::move(Reason)) {}

std::optional<TImageFormat> ImageFormatOf(const std::string& Path) {
    const auto Dot = Path.rfind('.');
    if (Dot == std::string::npos || Path.find('/', Dot) != std::string::npos) return std::nullopt;
    const std::string_view Extension = std::string_view(Path).substr(Dot + 1);
    if (host::SameText(Extension, "ppm")) return TImageFormat::Ppm;
    if (host::SameText(Extension, "png")) return TImageFormat::Png;
    return std::nullopt;
}

namespace {

// An option and its value as the user wrote them, for error messages.
std::string Spelled(const std::string& Option, const std::string& Value) {
    std::string Text = Option;
    Text += ' ';
    Text += Value;
    return Text;
}

// Walks the arguments; an option that takes a value takes the next argument as it is, even
// when it begins with "--".
class TArgCursor {
public:
    explicit TArgCursor(const std::vector<std::string>& Args) : FArgs(Args) {}
    [[nodiscard]] bool AtEnd() const { return FIndex >= FArgs.size(); }
    [[nodiscard]] const std::string& Peek() const { return FArgs[FIndex]; }
    const std::string& Next() { return FArgs[FIndex++]; }
    const std::string& Value(const std::string& Option, const char* What) {
        if (AtEnd()) throw TBadArgument(Option, std::string("missing ") + What);
        return Next();
    }

private:
    const std::vector<std::string>& FArgs;
    std::size_t FIndex = 0;
};

// Runs Parse on Value; a TBadValue becomes a TBadArgument naming "Option Value".
template <typename F>
auto Checked(const std::string& Option, const std::string& Value, F Parse) {
    try {
        return Parse(Value);
    } catch (const TBadValue& E) {
        throw TBadArgument(Spelled(Option, Value), E.what());
    }
}

std::vector<std::string> Split(const std::string& Text, char Separator) {
    std::vector<std::string> Parts;
    std::size_t Start = 0;
    while (true) {
        const auto At = Text.find(Separator, Start);
        Parts.push_back(Text.substr(Start, At == std::string::npos ? std::string::npos : At - Start));
        if (At == std::string::npos) break;
        Start = At + 1;
    }
    return Parts;
}

std::array<std::uint8_t, 5> ParseGlyphBytes(const std::string& Text) {
    const auto Parts = Split(Text, ',');
    if (Parts.size() != 5) {
        throw TBadValue("expected five bytes B0,B1,B2,B3,B4, got " + std::to_string(Parts.size()));
    }
    std::array<std::uint8_t, 5> Glyph{};
    for (std::size_t i = 0; i < 5; ++i) Glyph[i] = ParseHexByte(Parts[i]);
    return Glyph;
}

TAction ParseGlyph(const std::string& Text) {
    const auto Equals = Text.find('=');
    if (Equals == std::string::npos) throw TBadValue("expected CODE=B0,B1,B2,B3,B4");
    TAction Action;
    Action.Kind = TActionKind::Glyph;
    Action.Code = static_cast<std::uint8_t>(ParseCount(Text.substr(0, Equals), 255));
    Action.Glyph = ParseGlyphBytes(Text.substr(Equals + 1));
    return Action;
}

TAction ParseColumn(const std::string& Text) {
    const auto Equals = Text.find('=');
    const auto Comma = Text.find(',');
    if (Equals == std::string::npos || Comma == std::string::npos || Comma > Equals) {
        throw TBadValue("expected CODE,COL=B");
    }
    TAction Action;
    Action.Kind = TActionKind::Column;
    Action.Code = static_cast<std::uint8_t>(ParseCount(Text.substr(0, Comma), 255));
    Action.Column = static_cast<std::uint8_t>(ParseCount(Text.substr(Comma + 1, Equals - Comma - 1), 255));
    Action.ColumnValue = ParseHexByte(Text.substr(Equals + 1));
    return Action;
}

TAction SimpleAction(TActionKind Kind) {
    TAction Action;
    Action.Kind = Kind;
    return Action;
}

}  // namespace

TRenderPlan ParseRenderArguments(const std::vector<std::string>& Args) {
    TRenderPlan Plan;
    TArgCursor Cursor(Args);
    bool SeenSiblings = false;

    // Global options, before the first action.
    while (!Cursor.AtEnd()) {
        const std::string& Option = Cursor.Peek();
        if (Option == "--siblings") {
            Cursor.Next();
            if (SeenSiblings) throw TBadArgument(Option, "given more than once");
            SeenSiblings = true;
            const auto& Value = Cursor.Value(Option, "the number of siblings");
            Plan.Siblings = static_cast<int>(
                Checked(Option, Value, [](const std::string& V) { return ParseCount(V, MaxSiblings); }));
        } else if (Option == "--load-form" || Option == "--save-form") {
            Cursor.Next();
            auto& Slot = Option == "--load-form" ? Plan.LoadForm : Plan.SaveForm;
            if (Slot) throw TBadArgument(Option, "given more than once");
            const auto& Value = Cursor.Value(Option, "the form file");
            if (Value.empty()) throw TBadArgument(Spelled(Option, Value), "empty file name");
            Slot = Value;
        } else {
            break;
        }
    }

    const std::string FirstAction = Cursor.AtEnd() ? std::string() : Cursor.Peek();
    while (!Cursor.AtEnd()) {
        const std::string Option = Cursor.Next();
        if (Option == "--help" || Option == "-h") {
            Plan.Help = true;
        } else if (Option == "--set") {
            const auto& Value = Cursor.Value(Option, "NAME=VALUE");
            TAction Action;
            Action.Kind = TActionKind::Set;
            Action.Assignment = Checked(Option, Value, ParseAssignment);
            Plan.Actions.push_back(std::move(Action));
        } else if (Option == "--key") {
            const auto& Value = Cursor.Value(Option, "a key name or code");
            TAction Action;
            Action.Kind = TActionKind::Key;
            Action.Key = Checked(Option, Value, ParseKey);
            Plan.Actions.push_back(std::move(Action));
        } else if (Option == "--type") {
            const auto& Value = Cursor.Value(Option, "the text to type");
            TAction Action;
            Action.Kind = TActionKind::Type;
            Action.Text = DecodeUtf8To8Bit(Value);
            Plan.Actions.push_back(std::move(Action));
        } else if (Option == "--focus") {
            Plan.Actions.push_back(SimpleAction(TActionKind::Focus));
        } else if (Option == "--blur") {
            Plan.Actions.push_back(SimpleAction(TActionKind::Blur));
        } else if (Option == "--click") {
            Plan.Actions.push_back(SimpleAction(TActionKind::Click));
        } else if (Option == "--paint") {
            Plan.Actions.push_back(SimpleAction(TActionKind::Paint));
        } else if (Option == "--print") {
            Plan.Actions.push_back(SimpleAction(TActionKind::Print));
        } else if (Option == "--state") {
            Plan.Actions.push_back(SimpleAction(TActionKind::State));
        } else if (Option == "--step" || Option == "--blink") {
            TAction Action = SimpleAction(Option == "--step" ? TActionKind::Step : TActionKind::Blink);
            // The count is optional: taken only when the next argument is a decimal number (a
            // negative one is taken to be refused as a count, not as an unknown action).
            if (!Cursor.AtEnd() && (IsDecimalNumber(Cursor.Peek()) || IsNegativeNumber(Cursor.Peek()))) {
                const auto& Value = Cursor.Next();
                Action.Count = Checked(Option, Value, [](const std::string& V) { return ParseCount(V, MaxRepeat); });
            }
            Plan.Actions.push_back(std::move(Action));
        } else if (Option == "--glyph") {
            const auto& Value = Cursor.Value(Option, "CODE=B0,B1,B2,B3,B4");
            Plan.Actions.push_back(Checked(Option, Value, ParseGlyph));
        } else if (Option == "--column") {
            const auto& Value = Cursor.Value(Option, "CODE,COL=B");
            Plan.Actions.push_back(Checked(Option, Value, ParseColumn));
        } else if (Option == "--wait") {
            const auto& Value = Cursor.Value(Option, "milliseconds");
            TAction Action = SimpleAction(TActionKind::Wait);
            Action.Count = Checked(Option, Value, [](const std::string& V) { return ParseCount(V, MaxWaitMs); });
            Plan.Actions.push_back(std::move(Action));
        } else if (Option == "--save") {
            const auto& Value = Cursor.Value(Option, "the image file");
            const auto Format = ImageFormatOf(Value);
            if (!Format) throw TBadArgument(Spelled(Option, Value), "unsupported image type (use .ppm or .png)");
            TAction Action = SimpleAction(TActionKind::Save);
            Action.Path = Value;
            Action.Format = *Format;
            Plan.Actions.push_back(std::move(Action));
        } else if (Option == "--siblings" || Option == "--load-form" || Option == "--save-form" || Option == "--font" ||
                   Option == "--codepage") {
            throw TBadArgument(Option, "a global option goes before the actions, not after '" + FirstAction +
                                           "' (vyrmatrix render [GLOBAL OPTIONS] ACTION...)");
        } else {
            throw TBadArgument(Option, "unknown action");
        }
    }
    return Plan;
}

namespace {

double ParseSeconds(const std::string& Text) {
    // Decimal digits with an optional fraction: "3", "0.5".
    const auto Dot = Text.find('.');
    const std::string Whole = Text.substr(0, Dot);
    const std::string Fraction = Dot == std::string::npos ? std::string() : Text.substr(Dot + 1);
    const bool WholeOk = Whole.empty() ? !Fraction.empty() : IsDecimalNumber(Whole);
    const bool FractionOk = Dot == std::string::npos || (!Fraction.empty() && IsDecimalNumber(Fraction));
    if (!WholeOk || !FractionOk || Whole.size() > 9) {
        throw TBadValue("expected a number of seconds such as 5 or 0.5, got '" + Text + "'");
    }
    const double Value = std::stod("0" + Text);
    if (Value > MaxSeconds) throw TBadValue("'" + Text + "' seconds is too long");
    return Value;
}

}  // namespace

TLiveOptions ParseLiveArguments(const std::vector<std::string>& Args, TLiveSyntax Syntax) {
    TLiveOptions Options;
    TArgCursor Cursor(Args);
    auto TakeText = [&](const std::string& Text) {
        if (Options.Text) throw TBadArgument(Text, "only one TEXT may be given");
        Options.Text = DecodeUtf8To8Bit(Text);
    };
    while (!Cursor.AtEnd()) {
        const std::string Option = Cursor.Next();
        if (Option == "--help" || Option == "-h") {
            Options.Help = true;
        } else if (Option == "--set") {
            const auto& Value = Cursor.Value(Option, "NAME=VALUE");
            Options.Sets.push_back(Checked(Option, Value, ParseAssignment));
        } else if (Syntax.AllowSeconds && Option == "--seconds") {
            const auto& Value = Cursor.Value(Option, "a number of seconds");
            Options.Seconds = Checked(Option, Value, ParseSeconds);
        } else if (Syntax.AllowGif && (Option == "-o" || Option == "--output")) {
            const auto& Value = Cursor.Value(Option, "the GIF file");
            if (Value.empty()) throw TBadArgument(Spelled(Option, Value), "empty file name");
            Options.Output = Value;
        } else if (Syntax.AllowGif && Option == "--frames") {
            const auto& Value = Cursor.Value(Option, "the number of frames");
            const auto Frames = Checked(Option, Value, [](const std::string& V) { return ParseCount(V, MaxFrames); });
            if (Frames < 1) throw TBadArgument(Spelled(Option, Value), "at least one frame");
            Options.Frames = Frames;
        } else if (Option == "--") {
            if (Cursor.AtEnd()) throw TBadArgument(Option, "missing TEXT after --");
            TakeText(Cursor.Next());
        } else if (Option.size() > 1 && Option[0] == '-') {
            throw TBadArgument(Option, "unknown option");
        } else {
            TakeText(Option);
        }
    }
    return Options;
}

}  // namespace vyr::cli
