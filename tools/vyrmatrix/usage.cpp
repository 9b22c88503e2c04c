#include <algorithm>
#include <iostream>

#include "commands.h"
#include "values.h"

namespace vyr::cli {

std::string MainUsage() {
    return "Usage: vyrmatrix COMMAND [ARGUMENTS]\n"
           "\n"
           "The TEditMatrix LED display control on a headless host.\n"
           "\n"
           "Commands:\n"
           "  render [GLOBAL OPTIONS] ACTION...   build the control, run actions, save or print it\n"
           "  scroll [TEXT] [--set NAME=VALUE]... [--seconds S]   the marquee live in the terminal\n"
           "  edit [TEXT] [--set NAME=VALUE]...   edit the text from the keyboard\n"
           "  gif TEXT -o FILE.gif [--frames N] [--set NAME=VALUE]...   record the marquee\n"
           "  package [PATH]                      load the component package and list it\n"
           "\n"
           "  vyrmatrix COMMAND --help   help on one command\n"
           "  vyrmatrix --version        the version\n";
}

std::string CommandUsage(const std::string& Command) {
    if (Command == "render") {
        return "Usage: vyrmatrix render [GLOBAL OPTIONS] ACTION...\n"
               "\n"
               "One TEditMatrix on a shown headless form, painted once by the host, then the\n"
               "actions in order. All arguments are checked first: a bad one ends with exit\n"
               "status 2 and one line on standard error, before anything is built.\n"
               "\n"
               "Global options:\n"
               "  --siblings N          N further focusable controls (tab orders 1..N)\n"
               "  --load-form FILE      read the control's properties before the actions\n"
               "  --save-form FILE      write them after the actions\n"
               "\n"
               "Actions:\n"
               "  --set NAME=VALUE      a published property through its setter (booleans\n"
               "                        true/false; numbers decimal, $hex or 0xhex; LEDShape\n"
               "                        Square, Circle, 0 or 1; Text as UTF-8)\n"
               "  --key NAME|CODE       a key-down (Backspace Tab Enter Escape PageUp PageDown End\n"
               "                        Home Left Up Right Down Insert Delete, or a code)\n"
               "  --type TEXT           one key-press per character\n"
               "  --focus, --blur       give the control the focus / take it away\n"
               "  --click               a mouse click on the control\n"
               "  --step [N]            N scroll steps (default 1)\n"
               "  --blink [N]           N blink toggles (default 1)\n"
               "  --paint               a repaint requested by the host\n"
               "  --glyph CODE=B0,B1,B2,B3,B4   replace a glyph (bytes in hex)\n"
               "  --column CODE,COL=B   replace one glyph column (B in hex)\n"
               "  --wait MS             run the message loop for MS milliseconds\n"
               "  --save FILE           write the window's picture (.ppm or .png)\n"
               "  --print               draw the picture in the terminal (24-bit colour)\n"
               "  --state               print the state as one line of JSON\n";
    }
    if (Command == "scroll") {
        return "Usage: vyrmatrix scroll [TEXT] [--set NAME=VALUE]... [--seconds S]\n"
               "\n"
               "The marquee live in the terminal, driven by the control's worker threads.\n"
               "Without TEXT a demo of the control codes runs. Ends after S seconds, on q,\n"
               "Escape or Ctrl-C, and after 3 seconds when standard output is not a terminal.\n";
    }
    if (Command == "edit") {
        return "Usage: vyrmatrix edit [TEXT] [--set NAME=VALUE]...\n"
               "\n"
               "Edit the text in the terminal: arrows, Home, End, Page Up/Down, Insert, Delete,\n"
               "Backspace and printable characters go to the control; Tab and Shift-Tab move the\n"
               "focus to a second control and back. Escape or Ctrl-C leaves and prints the text.\n"
               "Without a terminal on standard input the keys are read from it until its end.\n";
    }
    if (Command == "gif") {
        return "Usage: vyrmatrix gif TEXT -o FILE.gif [--frames N] [--set NAME=VALUE]...\n"
               "\n"
               "Record the marquee as an animated GIF on a simulated clock: a scroll step every\n"
               "Delay ms and a blink toggle every BlinkDelay ms, one frame per repaint, each\n"
               "shown until the next. Without --frames one lap of the text is recorded.\n";
    }
    if (Command == "package") {
        return "Usage: vyrmatrix package [PATH]\n"
               "\n"
               "Load the component package and list what it registers.\n";
    }
    return MainUsage();
}

namespace {

// What --set takes for each kind of property.
std::string ValueOf(const TSettableProperty& Property) {
    switch (Property.Kind) {
        case host::TTypeKind::Boolean:
            return "true or false";
        case host::TTypeKind::Integer:
            return "a 32-bit integer";
        case host::TTypeKind::Byte:
            return "0 to 255";
        case host::TTypeKind::Color:
            return "a colour, 0 to $FFFFFFFF (low byte red)";
        case host::TTypeKind::Enum: {
            std::string Names;
            for (std::size_t I = 0; I < Property.EnumNames.size(); ++I) {
                Names +=
                    std::string(I == 0 ? "" : ", ") + std::string(Property.EnumNames[I]) + " or " + std::to_string(I);
            }
            return Names;
        }
        case host::TTypeKind::String:
            return "text (UTF-8, with @ control codes)";
        default:
            return "a value";
    }
}

}  // namespace

// The whole reference, for --help and the manual page made from it (help2man): the overview,
// every command's own help, the properties, the control codes and the exit statuses.
std::string FullUsage() {
    std::string Text = MainUsage();
    for (const char* Command : {"render", "scroll", "edit", "gif", "package"}) {
        std::string Usage = CommandUsage(Command);
        // "Usage: vyrmatrix render ...", a blank line and the description become the heading
        // "vyrmatrix render ...:" with the description under it.
        const std::string Prefix = "Usage: ";
        if (Usage.rfind(Prefix, 0) == 0) Usage.erase(0, Prefix.size());
        const std::size_t LineEnd = std::min(Usage.find('\n'), Usage.size());
        if (Usage.compare(LineEnd, 2, "\n\n") == 0) Usage.erase(LineEnd, 1);
        Usage.insert(LineEnd, ":");
        // The description indented under its heading, up to the first blank line.
        for (std::size_t At = Usage.find('\n');
             At != std::string::npos && At + 1 < Usage.size() && Usage[At + 1] != '\n'; At = Usage.find('\n', At + 1)) {
            Usage.insert(At + 1, "  ");
        }
        Text += "\n" + Usage;
    }
    Text += "\nProperties (--set NAME=VALUE, in the control's order):\n";
    for (const TSettableProperty& Property : SettableProperties()) {
        std::string Name = "  " + std::string(Property.Name);
        Name.resize(std::max<std::size_t>(Name.size() + 1, 24), ' ');
        Text += Name + ValueOf(Property) + "\n";
    }
    Text +=
        "\n"
        "Numbers and colours are decimal, or hexadecimal as $1A2B3C or 0x1A2B3C; a colour is\n"
        "the TColor integer, its low byte red.\n"
        "\n"
        "Control codes in Text (scroll mode):\n"
        "  A code is \"@\", a code character and six uppercase hexadecimal digits, one 24-bit\n"
        "  value V (as a colour: low byte red, \"0000FF\" is red). \"@@\" shows one \"@\"; a\n"
        "  malformed code is dropped. In edit mode the codes are shown as they are written.\n"
        "\n"
        "Letter codes, for the whole frame in view and after it:\n"
        "  @A      ActiveLED := (V and 255) <> 0\n"
        "  @B      ActiveLEDOffColor and the scroll off colour := V\n"
        "  @C      ActiveLEDOnColor and the scroll on colour := V\n"
        "  @D      Delay := V milliseconds\n"
        "  @E      InactiveLEDOffColor := V\n"
        "  @F      InactiveLEDOnColor := V\n"
        "  @I      LEDDistance := V and 255\n"
        "  @L      LEDSize := V and 255\n"
        "  @S      LEDShape := Circle when V <> 0, else Square\n"
        "\n"
        "Digit codes, for the columns to their right (for good once past the left edge):\n"
        "  @0      blinking on when the high byte of V is not 0, off when it is\n"
        "  @1      the colour of lit LEDs in the dark blink phase := V\n"
        "  @2      the colour of lit LEDs := V\n"
        "  @3      the colour of unlit LEDs := V\n"
        "  @4 to @8   halt the marquee where the code is met (V is ignored)\n"
        "\n"
        "Exit status:\n"
        "  0       success\n"
        "  1       a failure while running (a file that cannot be written, no memory); the\n"
        "          reason on standard error\n"
        "  2       a bad argument: one line on standard error naming it, nothing run\n";
    return Text;
}

void ReportError(const std::string& Command, const std::string& Message) {
    std::string Line = "vyrmatrix: " + (Command.empty() ? std::string() : Command + ": ") + Message;
    // One line, whatever the message holds.
    for (char& Ch : Line) {
        if (Ch == '\n' || Ch == '\r') Ch = ' ';
    }
    std::cerr << Line << '\n' << std::flush;
}

}  // namespace vyr::cli
