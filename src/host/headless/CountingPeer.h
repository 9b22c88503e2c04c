// A headless window that counts what is done to it: copies of a bitmap onto it, fills, and
// invalidations, since it was made or since ResetCounters. The project's tests check repaint and
// copy counts with it, and the command-line tool shows a frame only when a new copy arrived.
// Not installed: the headless backend itself keeps no counters.
#pragma once

#include <memory>

#include "vyr/headless/Headless.h"

namespace vyr::headless {

class TCountingPeer : public THeadlessPeer {
public:
    using THeadlessPeer::THeadlessPeer;

    void FillRect(const host::TRect& Rect, host::TColor Color) override {
        ++FFillCount;
        THeadlessPeer::FillRect(Rect, Color);
    }
    void Draw(int X, int Y, const host::TBitmap& Source) override {
        ++FCopyCount;
        THeadlessPeer::Draw(X, Y, Source);
    }
    void Invalidate() override {
        ++FInvalidateCount;
        THeadlessPeer::Invalidate();
    }

    [[nodiscard]] int CopyCount() const { return FCopyCount; }  // Draw calls
    [[nodiscard]] int FillCount() const { return FFillCount; }  // FillRect calls
    [[nodiscard]] int InvalidateCount() const { return FInvalidateCount; }
    void ResetCounters() {
        FCopyCount = 0;
        FFillCount = 0;
        FInvalidateCount = 0;
    }

    // The counting window of Control, or null when it has none (or one of another kind).
    [[nodiscard]] static TCountingPeer* Of(const host::TWinControl& Control) {
        return dynamic_cast<TCountingPeer*>(THeadlessWidgetSet::PeerOf(Control));
    }

private:
    int FCopyCount = 0;
    int FFillCount = 0;
    int FInvalidateCount = 0;
};

// A headless widget set whose windows count (TCountingPeer).
class TCountingWidgetSet : public THeadlessWidgetSet {
public:
    std::unique_ptr<host::TWindowPeer> CreatePeer(host::TWinControl& Control) override {
        return std::make_unique<TCountingPeer>(*this, Control);
    }
};

}  // namespace vyr::headless
