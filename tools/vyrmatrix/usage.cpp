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
           "  font import FILE [--codepage NAME]  import a bitmap font, report what it filled\n"
           "  font export OUT [--font FILE] [--codepage NAME]   the glyph table as .bdf or .h\n"
           "  font show CODE|CHAR [--font FILE] [--codepage NAME]   one glyph as X/. rows\n"
           "\n"
           "Fonts and code pages (render, scroll, edit and gif, before the actions):\n"
           "  --font FILE       import a BDF, PCF (gzip too) or PSF font into the glyph table\n"
           "  --codepage NAME   the 8-bit code page (iconv name) of the text arguments and of\n"
           "                    the state's Text; default ISO-8859-1\n"
           "\n"
           "  vyrmatrix COMMAND --help   help on one command\n"
           "  vyrmatrix --version        the version\n"
           "\n"
           "Exit status: 0 success; 1 failure (a file that cannot be written, out of memory);\n"
           "2 bad argument; 128 + N when scroll or edit was ended by signal N.\n";
}

std::string CommandUsage(const std::string& Command) {
    if (Command == "render") {
        return "Usage: vyrmatrix render [GLOBAL OPTIONS] ACTION...\n"
               "\n"
               "One TEditMatrix on a shown headless form, painted once by the host, then the\n"
               "actions in order. All arguments are checked first: a bad one ends with exit\n"
               "status 2 and one line on standard error, before anything is built.\n"
               "\n"
               "Global options (before the first action):\n"
               "  --siblings N          N further focusable controls (tab orders 1..N)\n"
               "  --load-form FILE      read the control's properties before the actions\n"
               "  --save-form FILE      write them after the actions\n"
               "  --font FILE           import a bitmap font (BDF, PCF, gzip too, or PSF) into\n"
               "                        the glyph table before the actions\n"
               "  --codepage NAME       the 8-bit code page of the text arguments and of the\n"
               "                        state's Text (default ISO-8859-1)\n"
               "\n"
               "Actions:\n"
               "  --set NAME=VALUE      a published property through its setter (booleans\n"
               "                        true/false; numbers decimal, $hex or 0xhex; LEDShape\n"
               "                        Square, Circle, 0 or 1; Text as UTF-8). Colours: a\n"
               "                        number is the TColor value, red in the low byte\n"
               "                        ($0000FF is red); #RRGGBB is CSS order, red first\n"
               "                        (#FF0000 is red)\n"
               "  --key NAME|CODE       a key-down (Backspace Tab Enter Escape PageUp PageDown End\n"
               "                        Home Left Up Right Down Insert Delete, or a code)\n"
               "  --type TEXT           one key-press per character\n"
               "  --focus, --blur       give the control the focus / take it away\n"
               "  --click               a mouse click on the control\n"
               "  --step [N]            N scroll steps (default 1; N must not be negative)\n"
               "  --blink [N]           N blink toggles (default 1; N must not be negative)\n"
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
               "Escape or Ctrl-C, and after 3 seconds when standard output is not a terminal.\n"
               "A signal that ends a process (TERM, INT, HUP, QUIT, USR1, ALRM, ...) restores the\n"
               "terminal and exits with status 128 + the signal's number; a stop (TSTP) gives\n"
               "the terminal back until the process continues.\n"
               "\n"
               "--font FILE and --codepage NAME as for render: a bitmap font for the glyph\n"
               "table, and the code page of TEXT and --set Text=.\n";
    }
    if (Command == "edit") {
        return "Usage: vyrmatrix edit [TEXT] [--set NAME=VALUE]...\n"
               "\n"
               "Edit the text in the terminal: arrows, Home, End, Page Up/Down, Insert, Delete,\n"
               "Backspace and printable characters go to the control; Tab and Shift-Tab move the\n"
               "focus to a second control and back. Escape or Ctrl-C leaves and prints the text.\n"
               "Without a terminal on standard input the keys are read from it until its end.\n"
               "A signal that ends a process (TERM, INT, HUP, QUIT, USR1, ALRM, ...) restores the\n"
               "terminal, prints the text and exits with status 128 + the signal's number; a\n"
               "stop (TSTP) gives the terminal back until the process continues.\n"
               "\n"
               "--font FILE and --codepage NAME as for render: a bitmap font for the glyph\n"
               "table, and the code page of TEXT, --set Text=, the typed characters and the\n"
               "text printed at the end.\n";
    }
    if (Command == "gif") {
        return "Usage: vyrmatrix gif TEXT -o FILE.gif [--frames N] [--set NAME=VALUE]...\n"
               "\n"
               "Record the marquee as an animated GIF on a simulated clock: a scroll step every\n"
               "Delay ms and a blink toggle every BlinkDelay ms, one frame per repaint, each\n"
               "shown until the next. Without --frames one lap of the text is recorded.\n"
               "\n"
               "--font FILE and --codepage NAME as for render: a bitmap font for the glyph\n"
               "table, and the code page of TEXT and --set Text=.\n";
    }
    if (Command == "font") {
        return "Usage: vyrmatrix font import FILE [--codepage NAME]\n"
               "       vyrmatrix font export OUT [--font FILE] [--codepage NAME]\n"
               "       vyrmatrix font show CODE|CHAR [--font FILE] [--codepage NAME]\n"
               "\n"
               "Bitmap fonts for the control's table of 256 glyphs of 5 x 7 LEDs.\n"
               "  import   import FILE into a fresh control and report the codes filled, the\n"
               "           codes the font lacks (their glyphs stay), the glyphs cut and the\n"
               "           pixels dropped\n"
               "  export   write the glyph table (built-in, or after importing --font FILE) as\n"
               "           BDF (OUT.bdf: 5 x 7 cells, FONT_ASCENT 7, FONT_DESCENT 0, all 256\n"
               "           codes; importing it gives back the same table) or as a C++ array\n"
               "           (OUT.h, OUT.hpp)\n"
               "  show     print a glyph as seven rows of X and . (CODE: two or more decimal\n"
               "           digits, 00 to 255; CHAR: one character, through the code page)\n"
               "\n"
               "Fonts: BDF and PCF (gzip-compressed too) and PSF 1/2 console fonts. LED column k\n"
               "(0-4) is the font's pixel column k from the glyph origin; LED row r (0-6) is the\n"
               "pixel row FONT_ASCENT - 1 - r above the baseline; pixels outside the cell are\n"
               "dropped. A font in a single-byte encoding maps code for code; a Unicode font\n"
               "(ISO10646, or PSF with a Unicode table) maps through the code page. A PSF cell's\n"
               "top row is LED row 0.\n"
               "\n"
               "--codepage NAME: an 8-bit code page as iconv names it: ISO-8859-1 (default),\n"
               "WINDOWS-1252, ISO-8859-2, ISO-8859-5, ISO-8859-7, ISO-8859-15, KOI8-R, CP437, ...\n"
               "A character the code page cannot hold becomes '?'.\n";
    }
    if (Command == "package") {
        return "Usage: vyrmatrix package [PATH]\n"
               "\n"
               "Load the component package and list what it registers. PATH names a file; a\n"
               "bare name is a file in the current folder (the library path is not searched).\n"
               "A package is code that runs in this process: load packages only from places you\n"
               "trust. A truncated or corrupted file is refused before it is loaded.\n";
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
