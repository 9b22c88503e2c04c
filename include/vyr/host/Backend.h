/// @file
/// The boundary between the host core and a window system ("widget set"). A backend implements
/// two classes: TWidgetSet makes one TWindowPeer for each window control that gets a window, and
/// runs the GUI message loop. Every peer method has a do-nothing default, so a backend can start
/// partial and grow. The component never sees a backend; it draws through TCanvas.
#pragma once

#include <chrono>
#include <memory>

#include "vyr/host/Graphics.h"
#include "vyr/host/Types.h"

namespace vyr::host {

class TWinControl;

/// The window of one window control. As a canvas target it is the window's surface.
class TWindowPeer : public TCanvasTarget {
public:
    ~TWindowPeer() override = default;

    /// The control's size changed; the surface follows (contents inside the old size kept).
    virtual void SetSize(int /*Width*/, int /*Height*/) {}
    void FillRect(const TRect& /*Rect*/, TColor /*Color*/) override {}
    void Draw(int /*X*/, int /*Y*/, const TBitmap& /*Source*/) override {}
    /// Asks for a repaint later, from the message loop.
    virtual void Invalidate() {}
    /// The control gained (true) or lost the keyboard focus.
    virtual void FocusChanged(bool /*Focused*/) {}
};

/// A window system as the host sees it: it makes the window (peer) of each window control and runs
/// the GUI message loop. One widget set serves a form and every control on it; it outlives them.
class TWidgetSet {
public:
    virtual ~TWidgetSet() = default;

    /// The window of Control, made when the control gets a window.
    virtual std::unique_ptr<TWindowPeer> CreatePeer(TWinControl& Control) = 0;

    /// Runs the GUI message loop on the calling (GUI) thread for Duration: synchronised calls
    /// from worker threads run and invalidated windows are repainted as they come.
    virtual void RunFor(std::chrono::milliseconds Duration) = 0;
    /// Delivers what is pending now and returns.
    virtual void ProcessMessages() = 0;
};

}  // namespace vyr::host
