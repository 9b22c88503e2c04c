// What the project's own tests and benchmarks read of the Qt Quick backend: per item, the frames
// copied to its surface, the fills of the surface, the host repaints it caused and the textures
// made of the surface, and a hook called after every frame copied; for the widget set, the
// wake-up events it handled. Not installed: a program built against the package has none of
// this. GUI thread only, but for the texture count, which the scene graph's render thread adds to.
#pragma once

#include <atomic>
#include <functional>

#include "vyr/quick/QuickBackend.h"

namespace vyr::quick::detail {

// One item's counts since it was made or since THostItemProbe::ResetCounts.
struct THostItemTally {
    int Copies = 0;                // frames copied to the surface
    int Fills = 0;                 // fills of the surface
    int HostPaints = 0;            // Paint calls the item caused
    std::atomic<int> Textures{0};  // textures made of the surface (render thread)
    std::function<void()> FrameObserver;
};

class THostItemProbe {
public:
    [[nodiscard]] static THostItemTally& Tally(QQuickHostItem& Item) { return *Item.FTally; }
    [[nodiscard]] static int Textures(const QQuickHostItem& Item) {
        return Item.FTally->Textures.load(std::memory_order_relaxed);
    }
    // Sets the counts to 0; the hook stays.
    static void ResetCounts(QQuickHostItem& Item) {
        THostItemTally& T = *Item.FTally;
        T.Copies = T.Fills = T.HostPaints = 0;
        T.Textures.store(0, std::memory_order_relaxed);
    }
    // Called after every frame copied to Item's surface; null for none.
    static void SetFrameObserver(QQuickHostItem& Item, std::function<void()> Observer) {
        Item.FTally->FrameObserver = std::move(Observer);
    }
};

// Wake-up events TQuickWidgetSet has handled in this process.
[[nodiscard]] long WakeUpsHandled();

}  // namespace vyr::quick::detail
