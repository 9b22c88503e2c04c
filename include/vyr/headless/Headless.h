/// @file
/// The headless backend: windows are memory surfaces, and the message loop runs only when it is
/// pumped by hand. Deterministic: it has no timers of its own and never repaints on its own
/// except for windows that were invalidated, when ProcessMessages or RunFor is called.
///
/// [X] window surfaces (24-bit, the same layout as TBitmap), resize keeping the old contents
/// [X] FillRect and bitmap copies onto a surface, clipped
/// [X] invalidation, delivered as WM_ERASEBKGND + WM_PAINT by the message loop
/// [X] GUI message loop: synchronised calls from worker threads
/// [ ] no real screen, no input devices: tools and tests send input with SendKeyDown & co.
#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <string_view>
#include <vector>

#include "vyr/host/Backend.h"
#include "vyr/host/Controls.h"
#include "vyr/host/Graphics.h"

namespace vyr::headless {

class THeadlessWidgetSet;

/// The window of one control on the headless backend: a memory surface, a focus flag and a pending-
/// repaint flag.
class THeadlessPeer : public host::TWindowPeer {
public:
    /// The window of Control, listed with WidgetSet for repaints; its surface is empty until the
    /// host sets its size.
    THeadlessPeer(THeadlessWidgetSet& WidgetSet, host::TWinControl& Control);
    ~THeadlessPeer() override;

    void SetSize(int Width, int Height) override;
    void FillRect(const host::TRect& Rect, host::TColor Color) override;
    void Draw(int X, int Y, const host::TBitmap& Source) override;
    void Invalidate() override;
    void FocusChanged(bool Focused) override;

    /// What the window shows now: exactly the control's size, rows from the top.
    [[nodiscard]] const host::TBitmap& Surface() const { return FSurface; }
    /// The control whose window this is.
    [[nodiscard]] host::TWinControl& Control() const { return FControl; }

    /// True while the control has the keyboard focus (FocusChanged).
    [[nodiscard]] bool HasFocus() const { return FHasFocus; }

    /// True when Invalidate asked for a repaint that the message loop has not delivered yet.
    [[nodiscard]] bool NeedsPaint() const { return FNeedsPaint; }
    /// Forgets the pending repaint (the message loop calls it before it repaints).
    void ClearNeedsPaint() { FNeedsPaint = false; }

private:
    THeadlessWidgetSet& FWidgetSet;
    host::TWinControl& FControl;
    host::TBitmap FSurface;
    bool FNeedsPaint = false;
    bool FHasFocus = false;
};

/// The headless widget set: memory surfaces for windows and a message loop that runs only when
/// pumped (RunFor, ProcessMessages), so that everything is deterministic.
class THeadlessWidgetSet : public host::TWidgetSet {
public:
    THeadlessWidgetSet();
    ~THeadlessWidgetSet() override;

    std::unique_ptr<host::TWindowPeer> CreatePeer(host::TWinControl& Control) override;
    /** @{ */
    /// Until Duration has passed: runs synchronised calls as they arrive and repaints
    /// invalidated windows. Returns at the deadline, or early once Quit() has been called.
    void RunFor(std::chrono::milliseconds Duration) override;
    /** @} */
    void ProcessMessages() override;
    /// Makes a running RunFor return (callable from any thread).
    void Quit();

    /// The headless window of Control, or null when it has none.
    [[nodiscard]] static THeadlessPeer* PeerOf(const host::TWinControl& Control);

private:
    friend class THeadlessPeer;
    void PaintInvalidated();
    std::vector<THeadlessPeer*> FPeers;
    std::atomic<bool> FQuit{false};
};

/** @{ */
/// The stage a headless tool or test sets up. MakeShownForm: a form of WidgetSet, 800 x 600 and
/// shown, so that a window control placed on it has its window at once (free the form before the
/// widget set). PlaceOnForm: a new control owned by Form and placed on it, after the controls it
/// has. AddPlainControls: Count plain focusable 20 x 20 controls placed likewise, so their tab
/// orders follow on; named NamePrefix1, NamePrefix2, ... when NamePrefix is not empty.
std::unique_ptr<host::TForm> MakeShownForm(THeadlessWidgetSet& WidgetSet);
template <class TControlClass>
TControlClass* PlaceOnForm(host::TForm& Form) {
    auto* Control = new TControlClass(&Form);
    Control->SetParent(&Form);
    return Control;
}
std::vector<host::TCustomControl*> AddPlainControls(host::TForm& Form, int Count, std::string_view NamePrefix = {});
/** @} */

}  // namespace vyr::headless
