// `vyrmatrix gif`: the marquee recorded on a simulated clock. The worker threads are not used:
// the steps they would hand to the GUI thread are called directly, in the order of simulated
// time, so the file is the same on every run.
//
// Clock: like the threads, which step first and sleep afterwards, the first scroll step and the
// first blink toggle happen at time 0, each following one Delay (or BlinkDelay) milliseconds
// after the previous, with the delay read right after the step (so a "D" code takes effect at
// once). At the same instant the scroll step goes first. A delay below 1 ms counts as 1 ms,
// since a step always takes some time.
//
// Frames: the picture is taken after every step that repainted the window. GIF delays are in
// hundredths of a second, so frame times are rounded to them; a picture replaced within the
// same hundredth is never seen and is dropped. Each frame lasts until the next one.
// Without --frames the recording covers one lap: it ends when the scroll step that would show
// the first frame's position again is due (at most MaxLapFrames frames).
#include <algorithm>
#include <iostream>

#include "arguments.h"
#include "commands.h"
#include "font_options.h"
#include "gif_encoder.h"
#include "session.h"

namespace vyr::cli {

namespace {

constexpr std::int64_t MaxLapFrames = 2000;
// Pictures kept in memory before they are written.
constexpr std::size_t MaxPictureBytes = std::size_t{768} << 20;

struct TShot {
    std::int64_t Cs = 0;
    TRgbImage Image;
    host::TColor Background = 0;
};

std::int64_t DelayOf(std::int32_t Ms) { return std::max<std::int64_t>(Ms, 1); }

std::vector<TGifFrame> Record(TSession& Session, std::optional<std::int64_t> FrameCount) {
    TEditMatrix& Matrix = Session.Matrix();
    const headless::TCountingPeer& Peer = Session.Peer();
    const std::int64_t Wanted = FrameCount.value_or(MaxLapFrames);
    const std::int64_t LapSteps = std::max<std::int64_t>(Matrix.Diagnostics().LEDColumns, 1);

    std::vector<TShot> Shots;
    std::size_t Bytes = 0;
    int CopiesSeen = Peer.CopyCount();
    auto Capture = [&](std::int64_t Ms) {
        TShot Shot{(Ms + 5) / 10, ImageFromBitmap(Peer.Surface()), Matrix.BackgroundColor()};
        if (!Shots.empty() && Shots.back().Cs == Shot.Cs) {
            Bytes -= Shots.back().Image.Pixels.size();
            Shots.back() = std::move(Shot);
        } else {
            Shots.push_back(std::move(Shot));
        }
        Bytes += Shots.back().Image.Pixels.size();
        if (Bytes > MaxPictureBytes) {
            throw TRunError("the animation is too large to record (" + std::to_string(Shots.size()) +
                            " frames so far); ask for fewer --frames or smaller LEDs");
        }
    };
    Capture(0);  // the picture of the switch to scroll mode

    std::int64_t NextScroll = 0;
    std::int64_t NextBlink = 0;
    std::int64_t ScrollSteps = 0;
    std::int64_t EndCs = -1;
    while (true) {
        const bool ScrollFirst = NextScroll <= NextBlink;
        const std::int64_t Now = ScrollFirst ? NextScroll : NextBlink;
        if (!FrameCount && ScrollFirst && ScrollSteps == LapSteps) {
            EndCs = (Now + 5) / 10;  // the lap is complete
            break;
        }
        if (static_cast<std::int64_t>(Shots.size()) > Wanted) {
            // The frame after the last one wanted: its time is final, and it ends the last.
            EndCs = Shots.back().Cs;
            Shots.pop_back();
            break;
        }
        if (ScrollFirst) {
            Matrix.TryToScrollOnce();
            ++ScrollSteps;
            NextScroll = Now + DelayOf(Matrix.Delay());
        } else {
            Matrix.TryToBlink();
            NextBlink = Now + DelayOf(Matrix.BlinkDelay());
        }
        if (Peer.CopyCount() != CopiesSeen) {
            CopiesSeen = Peer.CopyCount();
            Capture(Now);
        }
    }
    // A picture taken in the hundredth in which the recording ends is never seen.
    while (Shots.size() > 1 && Shots.back().Cs >= EndCs) Shots.pop_back();

    // Frames are filled up to the largest one only when written, so what the budget above
    // counted is what is held.
    std::vector<TGifFrame> Frames;
    Frames.reserve(Shots.size());
    for (std::size_t i = 0; i < Shots.size(); ++i) {
        const std::int64_t Until = i + 1 < Shots.size() ? Shots[i + 1].Cs : EndCs;
        const auto Delay = std::clamp<std::int64_t>(Until - Shots[i].Cs, 1, 65535);
        Frames.push_back(TGifFrame{std::move(Shots[i].Image), static_cast<int>(Delay), Shots[i].Background});
    }
    return Frames;
}

}  // namespace

int RunGifCommand(const std::vector<std::string>& Args) {
    TLiveOptions Options;
    TFontOptions Fonts;
    try {
        std::vector<std::string> Rest = Args;
        Fonts = TakeFontOptions(Rest, TArgumentStyle::Live);
        Options = ParseLiveArguments(Rest, TLiveSyntax{false, true});
        if (Options.Help) {
            std::cout << CommandUsage("gif");
            return ExitOk;
        }
        if (!Options.Text) throw TBadArgument("TEXT", "missing: the text of the marquee");
        if (!Options.Output) throw TBadArgument("-o", "missing: the GIF file to write (-o FILE.gif)");
    } catch (const TBadArgument& E) {
        ReportError("gif", E.what());
        return ExitBadArgument;
    }

    try {
        TSession Session(0);
        ApplyFontOptions(Fonts, Session.Matrix());
        Session.PaintOnce();
        Session.Matrix().FSetText(*Options.Text);
        for (const auto& Set : Options.Sets) Session.Apply(Set);
        TEditMatrix& Matrix = Session.Matrix();
        if (!Matrix.Scroll()) Matrix.FSetScroll(true);
        // The threads that the switch resumed are not needed: the clock here is simulated.
        Matrix.StopScroll();
        const auto Frames = Record(Session, Options.Frames);
        WriteGif(*Options.Output, Frames);
    } catch (const TImageError& E) {
        ReportError("gif", E.what());
        return ExitFailure;
    } catch (const TRunError& E) {
        ReportError("gif", E.what());
        return ExitFailure;
    }
    return ExitOk;
}

}  // namespace vyr::cli
