// `vyrmatrix scroll`: the marquee live in the terminal, driven by the control's own worker
// threads; this thread runs the host's message loop in short slices, so the steps they hand
// over run here, and draws the picture again whenever the window was repainted.
//
// It ends after --seconds S, on q, Escape or Ctrl-C (keys are read when standard input is a
// terminal), or on a signal that ends the process (then with exit status 128 + the signal's
// number, restoring the terminal; see terminal.h). When standard output is not a terminal and no
// --seconds is given it ends by itself after DefaultSecondsOffTerminal and prints only the last
// picture.
#include <chrono>
#include <iostream>

#include "arguments.h"
#include "commands.h"
#include "font_options.h"
#include "key_decoder.h"
#include "live_view.h"
#include "session.h"
#include "term_print.h"
#include "terminal.h"
#include "utf8.h"

namespace vyr::cli {

namespace {

constexpr double DefaultSecondsOffTerminal = 3.0;
constexpr int SliceMs = 20;
constexpr int EscapeTimeoutMs = 50;

// Shows what the control codes do: colour ("2" sets the lit colour), blinking ("0"), the
// blink-off colour ("1"), round LEDs ("S", with "L" restoring the size afterwards).
const char* const DemoText =
    "@20000FF@1000000VyrMatrix   @200FF00green  @2FF8000blue  @200C0FFamber  @20000FF"
    "@0010000blinking@0000000  @2FFFFFF@S000001round LEDs for a while@S000000@L000002"
    "  @20000FFand square again   ";

bool WantsQuit(const TKeyEvent& Event) {
    return Event.Kind == TKeyEvent::TKind::Quit ||
           (Event.Kind == TKeyEvent::TKind::KeyPress && (Event.Char == 'q' || Event.Char == 'Q'));
}

}  // namespace

int RunScrollCommand(const std::vector<std::string>& Args) {
    TLiveOptions Options;
    TFontOptions Fonts;
    try {
        std::vector<std::string> Rest = Args;
        Fonts = TakeFontOptions(Rest, TArgumentStyle::Live);
        Options = ParseLiveArguments(Rest, TLiveSyntax{true, false});
        if (Options.Help) {
            std::cout << CommandUsage("scroll");
            return ExitOk;
        }
    } catch (const TBadArgument& E) {
        ReportError("scroll", E.what());
        return ExitBadArgument;
    }

    try {
        TSession Session(0);
        ApplyFontOptions(Fonts, Session.Matrix());
        Session.PaintOnce();
        TEditMatrix& Matrix = Session.Matrix();
        Matrix.FSetText(Options.Text ? *Options.Text : std::string(DemoText));
        for (const auto& Set : Options.Sets) Session.Apply(Set);

        const bool Show = StdoutIsTerminal();
        const bool Keys = StdinIsTerminal();
        std::optional<double> Seconds = Options.Seconds;
        if (!Seconds && !Show) Seconds = DefaultSecondsOffTerminal;

        TTerminalSession Terminal(Keys, Show);
        TLiveView View;
        TKeyDecoder Decoder(KeyCodes(Fonts));
        const auto Start = std::chrono::steady_clock::now();
        const auto Deadline = Seconds ? Start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                                    std::chrono::duration<double>(*Seconds))
                                      : std::chrono::steady_clock::time_point::max();
        // Starting the marquee resumes the worker threads.
        if (!Matrix.Scroll()) Matrix.FSetScroll(true);

        int CopiesSeen = -1;
        bool Running = true;
        while (Running && !TTerminalSession::StopRequested()) {
            const auto Now = std::chrono::steady_clock::now();
            if (Now >= Deadline) break;
            const auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - Now).count() + 1;
            Session.WidgetSet().RunFor(std::chrono::milliseconds(std::min<long long>(SliceMs, Left)));
            if (TTerminalSession::TakeResumed()) {
                // Back from a stop: the picture is drawn whole again below what the shell wrote.
                View.Finish();
                CopiesSeen = -1;
            }
            if (Show && Session.Peer().CopyCount() != CopiesSeen) {
                CopiesSeen = Session.Peer().CopyCount();
                View.Draw(ImageFromBitmap(Session.Peer().Surface()),
                          Keys ? "\x1b[0mq or Esc: quit" : "\x1b[0mCtrl-C: quit");
            }
            if (Keys) {
                std::uint8_t Buffer[64];
                std::vector<TKeyEvent> Events;
                const long Got = ReadInput(Buffer, sizeof Buffer, Decoder.Pending() ? EscapeTimeoutMs : 0);
                if (Got > 0) {
                    for (long i = 0; i < Got; ++i) Decoder.Feed(Buffer[i], Events);
                } else if (Decoder.Pending()) {
                    Decoder.Timeout(Events);
                }
                for (const auto& Event : Events) {
                    if (WantsQuit(Event)) Running = false;
                }
            }
        }
        Terminal.Restore();
        // Ended by a signal: exit 128 + its number, as a shell reports a process it ended.
        if (const int Signal = TTerminalSession::StopSignal(); Signal != 0) return 128 + Signal;
        if (!Show) std::cout << HalfBlockPicture(ImageFromBitmap(Session.Peer().Surface())) << std::flush;
    } catch (const TRunError& E) {
        TTerminalSession::Restore();
        ReportError("scroll", E.what());
        return ExitFailure;
    }
    return ExitOk;
}

}  // namespace vyr::cli
