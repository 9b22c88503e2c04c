// What the project's own tests and benchmarks read of the Qt Widgets backend: per window, the
// frames copied to its surface, the fills of the surface, the host repaints it caused and its
// paint events, and a hook called after every frame copied (before it is shown); for the widget
// set, the wake-up events it handled. Not installed: a program built against the package has none
// of this. GUI thread only.
#pragma once

#include <functional>

#include "vyr/qt/QHostWindow.h"

namespace vyr::qt::detail {

// One window's counts since it was made or since THostWindowProbe::ResetCounts.
struct THostWindowTally {
    int Copies = 0;        // frames copied to the surface
    int Fills = 0;         // fills of the surface
    int HostPaints = 0;    // Paint calls the window caused
    int PaintEvents = 0;   // paint events
    int DeviceCopies = 0;  // paint events that copied the surface straight into the device
    std::function<void()> FrameObserver;
};

class THostWindowProbe {
public:
    [[nodiscard]] static THostWindowTally& Tally(QHostWindow& Window) { return *Window.FTally; }
    [[nodiscard]] static const THostWindowTally& Tally(const QHostWindow& Window) { return *Window.FTally; }
    // Sets the counts to 0; the hook stays.
    static void ResetCounts(QHostWindow& Window) {
        THostWindowTally& T = *Window.FTally;
        T.Copies = T.Fills = T.HostPaints = T.PaintEvents = T.DeviceCopies = 0;
    }
    // Called after every frame copied to Window's surface, before it is shown; null for none.
    static void SetFrameObserver(QHostWindow& Window, std::function<void()> Observer) {
        Window.FTally->FrameObserver = std::move(Observer);
    }
};

// Wake-up events TQtWidgetSet has handled in this process (each runs the synchronised calls
// queued).
[[nodiscard]] long WakeUpsHandled();

}  // namespace vyr::qt::detail
