#include <iostream>

#include "commands.h"

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
               "the terminal back until the process continues.\n";
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
               "stop (TSTP) gives the terminal back until the process continues.\n";
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
               "Load the component package and list what it registers. PATH names a file; a\n"
               "bare name is a file in the current folder (the library path is not searched).\n"
               "A package is code that runs in this process: load packages only from places you\n"
               "trust. A truncated or corrupted file is refused before it is loaded.\n";
    }
    return MainUsage();
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
