/// @file
/// Controls: TControl (a rectangle on a parent), TWinControl (a control with a window: children,
/// tab order, keyboard focus, key events and window messages), TCustomControl (a window control
/// with its own canvas and a virtual Paint), TForm (a top-level window that keeps the focus), and
/// TApplication (reports exceptions raised by event handlers).
///
/// Windows: a TWinControl has a window (HandleAllocated) exactly while its chain of parents ends
/// in a form that has been shown. Its window is a peer made by the form's widget set (Backend.h).
/// Without a window a control's canvas draws nothing.
///
/// Threads: all of this runs on the GUI thread.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <vector>

#include "vyr/host/Component.h"
#include "vyr/host/Graphics.h"
#include "vyr/host/Types.h"

namespace vyr::host {

class TWinControl;
class TForm;
class TWindowPeer;
class TWidgetSet;

/** @{ */
/// Control style flags.
using TControlStyle = std::uint32_t;
inline constexpr TControlStyle csAcceptsControls = 1U << 0;  ///< other controls may be placed on it
inline constexpr TControlStyle csCaptureMouse = 1U << 1;
inline constexpr TControlStyle csClickEvents = 1U << 2;   ///< receives clicks
inline constexpr TControlStyle csFramed = 1U << 3;        ///< takes a frame in the 3-D look
inline constexpr TControlStyle csSetCaption = 1U << 4;    ///< designer sets caption to the name
inline constexpr TControlStyle csOpaque = 1U << 5;        ///< paints its whole area itself
inline constexpr TControlStyle csDoubleClicks = 1U << 6;  ///< receives double clicks
inline constexpr TControlStyle csFixedWidth = 1U << 7;
inline constexpr TControlStyle csFixedHeight = 1U << 8;  ///< height kept when scaling
/** @} */

/// A control without a window of its own (the host's graphic controls derive from it).
class TControl : public TComponent {
public:
    /// Makes a control owned by AOwner (null: owned by no component), with no parent and size 0 x
    /// 0.
    explicit TControl(TComponent* AOwner);
    ~TControl() override;  ///< leaves its parent first

    [[nodiscard]] std::string_view ClassName() const override { return "TControl"; }

    /// The window control that shows this one, or null.
    [[nodiscard]] TWinControl* Parent() const { return FParent; }
    /// Appends the control to AParent's children (and its tab order, for window controls);
    /// null removes it. A window control gets or loses its window accordingly.
    virtual void SetParent(TWinControl* AParent);

    /// Width in pixels, 0..MaxExtent.
    [[nodiscard]] int Width() const { return FWidth; }
    /// Height in pixels, 0..MaxExtent.
    [[nodiscard]] int Height() const { return FHeight; }
    /** @{ */
    /// Clamped to 0..MaxExtent; Width()/Height() tell what was taken.
    void SetWidth(int AWidth);
    void SetHeight(int AHeight);
    /** @} */

    /** @{ */
    /// The control's style flags (cs... above). Default: csCaptureMouse, csClickEvents and
    /// csDoubleClicks.
    [[nodiscard]] TControlStyle ControlStyle() const { return FControlStyle; }
    void SetControlStyle(TControlStyle AStyle) { FControlStyle = AStyle; }
    /** @} */

    /// Event run by Click (a mouse click on the control); may be empty.
    std::function<void(TControl&)> OnClick;

    /// Dynamic handler for a mouse click; the host's handling runs OnClick.
    virtual void Click();

protected:
    /// The size has changed (window controls resize their window).
    virtual void Resized() {}

private:
    friend class TWinControl;
    TWinControl* FParent = nullptr;
    int FWidth = 0;
    int FHeight = 0;
    TControlStyle FControlStyle = csCaptureMouse | csClickEvents | csDoubleClicks;
};

/// A control with a window of its own (from the widget set) while it sits on a shown form: it takes
/// the keyboard focus, has a tab order and receives window messages through WndProc.
class TWinControl : public TControl {
public:
    /// Makes a window control owned by AOwner, with no parent, no window and TabStop false.
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;  ///< children are left without a parent (their owner frees them)

    [[nodiscard]] std::string_view ClassName() const override { return "TWinControl"; }
    [[nodiscard]] const TPropList& Properties() const override;  ///< the inherited ones, then TabOrder and TabStop

    void SetParent(TWinControl* AParent) override;

    /** @{ */
    /// Children in the order they were inserted.
    [[nodiscard]] int ControlCount() const { return static_cast<int>(FControls.size()); }
    [[nodiscard]] TControl* Controls(int Index) const { return FControls.at(static_cast<std::size_t>(Index)); }
    /** @} */

    /** @{ */
    /// Position among the parent's window-control children, 0..n-1; -1 without a parent.
    /// Setting it moves the control there (clamped) and renumbers the siblings 0..n-1 in order.
    [[nodiscard]] int TabOrder() const;
    void SetTabOrder(int ATabOrder);
    /** @} */
    /** @{ */
    /// Reachable with Tab. Default false.
    [[nodiscard]] bool TabStop() const { return FTabStop; }
    void SetTabStop(bool ATabStop) { FTabStop = ATabStop; }
    /** @} */

    /// True while the control has its window (a peer).
    [[nodiscard]] bool HandleAllocated() const { return FPeer != nullptr; }
    /// The control's window, or null while it has none.
    [[nodiscard]] TWindowPeer* Peer() const { return FPeer.get(); }
    /// The form at the top of the parent chain (this, if it is a form), or null.
    [[nodiscard]] TForm* ParentForm() const;

    /// True when the control has the keyboard focus of its form.
    [[nodiscard]] bool Focused() const;
    /// True when the control has a window (focus needs one).
    [[nodiscard]] virtual bool CanFocus() const;
    /// Gives this control the keyboard focus of its form; the form calls DoExit on the control
    /// that loses it, then DoEnter on this one. Nothing happens without a window.
    void SetFocus();

    /// Asks the window system to repaint the control later (the message loop delivers it).
    void Invalidate();

    /// Sends a message to the control now (WndProc).
    void Perform(TMessage& Message) { WndProc(Message); }

    /// Event run by KeyDown with the virtual-key code (which it may change, 0 to swallow the key)
    /// and the shift state.
    std::function<void(TWinControl&, Word& Key, TShiftState Shift)> OnKeyDown;
    /// Event run by KeyPress with the typed 8-bit character (which it may change, '\0' to swallow
    /// it).
    std::function<void(TWinControl&, char& Key)> OnKeyPress;
    /// Event run by DoEnter, when the control gains the keyboard focus.
    std::function<void(TWinControl&)> OnEnter;
    /// Event run by DoExit, when the control loses the keyboard focus.
    std::function<void(TWinControl&)> OnExit;

    /** @{ */
    /// Dynamic handlers; the host's handling runs the matching event.
    virtual void KeyDown(Word& Key, TShiftState Shift);
    virtual void KeyPress(char& Key);
    virtual void DoEnter();
    virtual void DoExit();
    /** @} */

    /// The message table: overrides handle what they know and pass the rest on.
    virtual void WndProc(TMessage& Message);
    /// The host's default handling: WM_GETDLGCODE answers 0; WM_ERASEBKGND fills the window with
    /// the brush colour of the control and answers 1; WM_NEXTDLGCTL moves the focus to the next
    /// (WParam 0) or previous (WParam non-zero) tab stop of the form; WM_PAINT calls PaintWindow.
    virtual void DefaultHandler(TMessage& Message);

    /// Colour the default erase-background handling fills with.
    TColor Color = 0xF0F0F0;

protected:
    void Resized() override;
    /** @{ */
    /// The window has just been made (or is about to be destroyed).
    virtual void CreateWnd() {}
    virtual void DestroyWnd() {}
    /** @} */
    /// Draws the control into its window (WM_PAINT). Nothing by default.
    virtual void PaintWindow() {}

private:
    friend class TControl;
    friend class TForm;
    void InsertControl(TControl* AControl);
    void RemoveControl(TControl* AControl);
    void CreateHandleTree(TWidgetSet& WidgetSet);
    void DestroyHandleTree();

    std::vector<TControl*> FControls;
    std::vector<TWinControl*> FTabList;
    bool FTabStop = false;
    std::unique_ptr<TWindowPeer> FPeer;
};

/// A window control with its own canvas (drawing onto its window) and a virtual Paint.
class TCustomControl : public TWinControl {
public:
    /// Makes a custom control owned by AOwner; its canvas draws nowhere until it has a window.
    explicit TCustomControl(TComponent* AOwner);
    ~TCustomControl() override;

    [[nodiscard]] std::string_view ClassName() const override { return "TCustomControl"; }

    /// Draws onto the window; does nothing while the control has no window.
    [[nodiscard]] TCanvas& Canvas() { return FCanvas; }

    /// Renders the control. The host calls it for WM_PAINT; the default fills with Color.
    virtual void Paint();

protected:
    void CreateWnd() override;
    void DestroyWnd() override;
    void PaintWindow() override { Paint(); }

private:
    TCanvas FCanvas;
};

/// A top-level window. Its window exists from Show() on; it keeps the keyboard focus of the
/// controls on it (ActiveControl).
class TForm : public TWinControl {
public:
    /// Makes a form owned by AOwner whose windows come from WidgetSet, which must outlive it. Not
    /// shown yet.
    TForm(TComponent* AOwner, TWidgetSet& WidgetSet);
    ~TForm() override;

    [[nodiscard]] std::string_view ClassName() const override { return "TForm"; }

    /// Makes the windows of the form and of every window control on it.
    void Show();
    /// True once Show has made the form's window.
    [[nodiscard]] bool Showing() const { return HandleAllocated(); }
    /// The widget set the form's windows come from.
    [[nodiscard]] TWidgetSet& WidgetSet() const { return FWidgetSet; }

    /// The control that has the keyboard focus, or null.
    [[nodiscard]] TWinControl* ActiveControl() const { return FActiveControl; }
    /// Moves the focus to Control (null: to no control). When the focus actually changes, DoExit
    /// runs on the control that had it, then DoEnter on Control; exceptions from either go to
    /// Application().HandleException.
    void FocusControl(TWinControl* Control);
    /// Moves the focus to the next (or previous) tab stop after the focused control, wrapping.
    void SelectNext(bool GoForward);

    /// Repaints every window control on the form now (WM_PAINT to each, parents first).
    void PaintAll();

private:
    friend class TWinControl;
    void ControlRemoved(TWinControl* Control);

    TWidgetSet& FWidgetSet;
    TWinControl* FActiveControl = nullptr;
};

/// The checked conversion to a window control: the same object, or EInvalidCast.
TWinControl& AsWinControl(TControl* Control);

/// The application object: reports exceptions that escape event handlers.
class TApplication {
public:
    /// Called with every exception that an event handler raised during dispatch. When not set,
    /// the message goes to standard error as "Exception: <message>".
    std::function<void(const std::exception&)> OnException;

    /// Reports E: remembers its message (LastExceptionMessage) and calls OnException, or writes
    /// "Exception: <message>" to standard error when it is not set.
    void HandleException(const std::exception& E);
    /** @{ */
    /// The message of the last exception reported (empty if none); for tools and tests.
    [[nodiscard]] const std::string& LastExceptionMessage() const { return FLastMessage; }
    void ClearLastException() { FLastMessage.clear(); }
    /** @} */

    /// Runs Handler as message dispatch does: an exception is reported, not propagated.
    void Dispatch(const std::function<void()>& Handler);

private:
    std::string FLastMessage;
};

/// The process's application object (GUI thread).
TApplication& Application();

/** @{ */
/// Input as the window system delivers it. Each runs the control's handler through
/// Application().Dispatch.
void SendKeyDown(TWinControl& Target, Word Key, TShiftState Shift = 0);
void SendKeyPress(TWinControl& Target, char Key);
void SendClick(TControl& Target);
void SendPaint(TWinControl& Target);
/** @} */

}  // namespace vyr::host
