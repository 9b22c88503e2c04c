// `vyrmatrix edit`: the matrix edited from the keyboard. Keys go, as a window system would send
// them, to the control that has the focus: the matrix, or a second plain control on the form
// that Tab, Shift-Tab (and the matrix's own Up and Down) move the focus to. Escape or Ctrl-C
// leaves and prints the final text.
//
// With a terminal on standard input it is put in raw mode; otherwise the keys are read from
// standard input as they come (a pipe or a file) and the editor ends at its end. The picture is
// drawn only when standard output is a terminal.
#include <iostream>

#include "arguments.h"
#include "commands.h"
#include "font_options.h"
#include "key_decoder.h"
#include "live_view.h"
#include "session.h"
#include "terminal.h"
#include "utf8.h"

namespace vyr::cli {

namespace {

// How long a lone Escape waits for the rest of a sequence.
constexpr int EscapeTimeoutMs = 50;
// How often the message loop runs while no key comes (worker threads in scroll mode).
constexpr int IdleSliceMs = 20;

std::string Status(const TSession& Session) {
    const TEditMatrix& Matrix = Session.Matrix();
    std::string Focus = Matrix.Focused()                 ? "matrix focused"
                        : Session.Form().ActiveControl() ? "other control focused"
                                                         : "nothing focused";
    return "\x1b[0m" + Focus + " | cursor " + std::to_string(Matrix.CursorPos()) + "/" +
           std::to_string(Matrix.TextLength()) + (Matrix.Overwrite() ? " | overwrite" : " | insert") +
           " | Tab: focus  Esc: quit";
}

// Delivers one decoded key; returns false when the editor should end.
bool Deliver(TSession& Session, const TKeyEvent& Event) {
    host::TWinControl* Target = Session.Form().ActiveControl();
    switch (Event.Kind) {
        case TKeyEvent::TKind::Quit:
            return false;
        case TKeyEvent::TKind::FocusNext:
        case TKeyEvent::TKind::FocusPrevious:
            Session.Form().SelectNext(Event.Kind == TKeyEvent::TKind::FocusNext);
            return true;
        case TKeyEvent::TKind::KeyDown:
            if (Target) host::SendKeyDown(*Target, Event.Key, Event.Shift);
            return true;
        case TKeyEvent::TKind::KeyPress:
            if (Target) host::SendKeyPress(*Target, Event.Char);
            return true;
    }
    return true;
}

}  // namespace

int RunEditCommand(const std::vector<std::string>& Args) {
    TLiveOptions Options;
    TFontOptions Fonts;
    try {
        std::vector<std::string> Rest = Args;
        Fonts = TakeFontOptions(Rest, TArgumentStyle::Live);
        Options = ParseLiveArguments(Rest, TLiveSyntax{});
        if (Options.Help) {
            std::cout << CommandUsage("edit");
            return ExitOk;
        }
    } catch (const TBadArgument& E) {
        ReportError("edit", E.what());
        return ExitBadArgument;
    }

    std::string FinalText;
    try {
        TSession Session(1);
        ApplyFontOptions(Fonts, Session.Matrix());
        Session.PaintOnce();
        if (Options.Text) Session.Matrix().FSetText(*Options.Text);
        for (const auto& Set : Options.Sets) Session.Apply(Set);
        host::Application().Dispatch([&] { Session.Matrix().SetFocus(); });

        const bool Show = StdoutIsTerminal();
        TTerminalSession Terminal(true, Show);
        TLiveView View;
        TKeyDecoder Decoder(KeyCodes(Fonts));
        int CopiesSeen = -1;
        const host::TWinControl* FocusSeen = nullptr;
        std::uint8_t Buffer[256];
        bool Running = true;
        while (Running && !TTerminalSession::StopRequested()) {
            if (TTerminalSession::TakeResumed()) {
                // Back from a stop: the picture is drawn whole again below what the shell wrote.
                View.Finish();
                CopiesSeen = -1;
            }
            const int Copies = Session.Peer().CopyCount();
            if (Show && (Copies != CopiesSeen || Session.Form().ActiveControl() != FocusSeen)) {
                CopiesSeen = Copies;
                FocusSeen = Session.Form().ActiveControl();
                View.Draw(ImageFromBitmap(Session.Peer().Surface()), Status(Session));
            }
            std::vector<TKeyEvent> Events;
            const long Got = ReadInput(Buffer, sizeof Buffer, Decoder.Pending() ? EscapeTimeoutMs : IdleSliceMs);
            if (Got < 0) {
                Decoder.Timeout(Events);  // end of input: conclude what is pending, then leave
                Running = false;
            } else if (Got == 0) {
                if (Decoder.Pending()) Decoder.Timeout(Events);
            } else {
                for (long i = 0; i < Got; ++i) Decoder.Feed(Buffer[i], Events);
            }
            for (const auto& Event : Events) {
                if (!Deliver(Session, Event)) {
                    Running = false;
                    break;
                }
            }
            Session.WidgetSet().ProcessMessages();
        }
        if (Show) View.Draw(ImageFromBitmap(Session.Peer().Surface()), Status(Session));
        Terminal.Restore();
        FinalText = TextOut(Fonts, Session.Matrix().Text());
    } catch (const TRunError& E) {
        TTerminalSession::Restore();
        ReportError("edit", E.what());
        return ExitFailure;
    }
    std::cout << FinalText << '\n' << std::flush;
    // Ended by a signal: the text so far is printed all the same, and the exit status is 128 +
    // the signal's number, as a shell reports a process it ended.
    if (const int Signal = TTerminalSession::StopSignal(); Signal != 0) return 128 + Signal;
    return ExitOk;
}

}  // namespace vyr::cli
