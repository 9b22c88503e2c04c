// The Qt 6 Widgets backend. A host window control is shown in a QHostWindow (a QWidget), the GUI
// message loop is Qt's event loop, and the steps that worker threads hand over with
// TThread::Synchronize run on Qt's GUI thread. The component does not know this backend exists.
//
// [X] window surfaces: kept in the backing store's format (QImage::Format_RGB32); a frame the
//     control copies is converted into it once, and only the rectangle of pixels that changed is
//     shown again, with a plain copy (no conversion in paintEvent)
// [X] repaints: the host's own repaint requests (see QHostWindow) call the control's Paint; a
//     frame the control has copied is only shown, never drawn a second time
// [X] GUI message loop: Qt's; every queued synchronised call posts one wake-up event to the
//     widget set, whose handler runs CheckSynchronize (no polling timer); RunFor, ProcessMessages
// [X] keys: named keys reach the host's key-down as virtual-key codes (VirtualKey); the text of
//     keys that type (character keys, Space, and Backspace, Tab, Return and Escape with their
//     control characters) reaches its key-press as 8-bit characters (typedText: Latin-1, or the
//     code page a subclass converts through). The Qt event is
//     accepted when the control took the key; Return, Escape and keys it neither handles nor
//     types reach the control and then go on to the parent widgets (a dialog's buttons)
// [X] WM_GETDLGCODE decides the arrow keys: the control gets them (and Qt's event is accepted)
//     only when its answer has DLGC_WANTARROWS, as a dialog asks
// [X] focus: Qt focus in/out -> the host focus (DoEnter/DoExit); the host's SetFocus -> Qt focus
// [X] mouse: a left-button press -> Click
// [X] the control's Up/Down focus walk runs over the Qt parent's focusable children, in Qt's tab
//     order (QHostWindow)
// [X] sharp pixels at devicePixelRatio > 1: design pixels are logical pixels, scaled up without
//     smoothing
// [X] spy counters per window (copies, fills, host repaints, paint events) and a frame observer
// [ ] a host TForm is not a Qt window: its peer draws nowhere, and a control is seen only when a
//     QHostWindow adopts it (host controls have no position, so a host form's layout means
//     nothing here: Qt's layouts place the QHostWindows)
// [ ] no double clicks, mouse moves, wheel events or key releases reach the host
// [ ] WM_NEXTDLGCTL is never sent and Tab never reaches the control: Tab and Backtab follow
//     Qt's focus chain (focus policy with Qt::TabFocus for a tab stop)
// [ ] no input-method (composed) text
//
// Threads: everything here runs on Qt's GUI thread, which the widget set makes the host's GUI
// thread; only the wake-up hook runs on worker threads.
#pragma once

#include <QtCore/QObject>
#include <QtCore/QPointer>
#include <QtGui/QColor>
#include <QtGui/QImage>
#include <QtWidgets/QWidget>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "vyr/host/Backend.h"
#include "vyr/host/Controls.h"
#include "vyr/host/Graphics.h"
#include "vyr/host/Types.h"
#include "vyr/qt/QtInput.h"

class QEventLoop;
class QWindow;

namespace vyr::qt {

class QHostWindow;

// Conversions (VirtualKey, ShiftState, ToAnsi, FromAnsi, ToTColor, ToQColor) and the key route:
// vyr/qt/QtInput.h, shared with the Qt Quick backend.

// ---- Widget set ------------------------------------------------------------------------------

// The application's widget set. Made on first use, on Qt's GUI thread once the QApplication
// exists, and destroyed with the application object; it makes Qt's GUI thread the host's GUI
// thread and wakes Qt's event loop for every synchronised call a worker thread queues.
class TQtWidgetSet final : public QObject, public host::TWidgetSet {
    Q_OBJECT
public:
    // Throws std::logic_error without a QCoreApplication or off its thread.
    static TQtWidgetSet& Instance();

    // The window of Control: the one its peer factory makes (SetPeerFactory), else a window
    // without a surface, which draws nowhere.
    std::unique_ptr<host::TWindowPeer> CreatePeer(host::TWinControl& Control) override;
    // Runs Qt's event loop for Duration (or until Quit): synchronised calls and paint events are
    // delivered as they come.
    void RunFor(std::chrono::milliseconds Duration) override;
    // Delivers the events and synchronised calls pending now.
    void ProcessMessages() override;
    // Ends a running RunFor (GUI thread).
    void Quit();

    using TPeerFactory = std::function<std::unique_ptr<host::TWindowPeer>()>;
    // The next windows of Control come from Factory, until ClearPeerFactory. Whoever sets one
    // clears it before Control is destroyed.
    void SetPeerFactory(const host::TWinControl& Control, TPeerFactory Factory);
    void ClearPeerFactory(const host::TWinControl& Control);

    // Wake-up events handled so far (each runs the synchronised calls queued).
    [[nodiscard]] long WakeUps() const { return FWakeUps; }

protected:
    // A wake-up: runs the synchronised calls queued.
    void customEvent(QEvent* Event) override;

private:
    explicit TQtWidgetSet(QObject* Parent);
    ~TQtWidgetSet() override;

    const int FWakeType;
    std::atomic<bool> FWakePosted{false};
    long FWakeUps = 0;
    std::unordered_map<const host::TWinControl*, TPeerFactory> FFactories;
    QPointer<QEventLoop> FLoop;
};

// ---- Host window -----------------------------------------------------------------------------

// A QWidget that shows one host window control: its surface is the control's window. A subclass
// makes the control and adopts it (adoptControl); the window then keeps a private, never shown
// host form as the control's parent and keeper of its host focus.
//
// Repaints. These are the host's own repaint requests; each calls the control's Paint once, as
// WM_ERASEBKGND + WM_PAINT, from the next paintEvent:
//   - the first paint after the widget is shown (every show);
//   - its top-level window becoming exposed (mapped, restored, uncovered);
//   - the host's Invalidate of the control;
//   - a resize that the control did not ask for.
// Every other paintEvent only shows the surface: the update() the window asks for after the
// control copied a frame or filled its surface (so a frame is drawn once and shown once), an
// application's update() or repaint(), and grab() or render(). Calling hostControl()->Invalidate()
// asks for a host repaint.
//
// Size: the widget's size is the control's (a fixed size, which layouts keep); sizeHint is it.
//
// Keys, focus and mouse: see the backend checklist above. Up and Down: the control's focus walk
// runs over the parent widget's children that are in Qt's tab chain (focus policy with
// Qt::TabFocus), this window included, in Qt's tab order; before each Up or Down key the window
// mirrors them in its host form as the control's siblings with tab orders 0..n-1. A child in the
// tab chain that cannot take the focus now (disabled or hidden) is mirrored as a plain host
// control, so the walk's checked conversion fails on it as the host reports one (EInvalidCast,
// through TApplication) and the focus stays. Window activation and popups do not count as focus
// changes for the host (a control keeps the host focus while its window is inactive).
class QHostWindow : public QWidget {
    Q_OBJECT
public:
    explicit QHostWindow(QWidget* Parent = nullptr);
    // Releases the control if a subclass has not done so; the subclass destroys it.
    ~QHostWindow() override;

    // The control shown, or null before adoptControl.
    [[nodiscard]] host::TWinControl* hostControl() const { return FControl; }
    // The private host form (the control's parent).
    [[nodiscard]] host::TForm& hostForm() const { return *FForm; }
    // What the window shows: the last frame copied and fills, exactly the control's size, in the
    // backing store's format (QImage::Format_RGB32).
    [[nodiscard]] const QImage& surface() const { return FSurface; }

    // Spy counters since the window was made or resetCounters: frames copied to the surface,
    // fills of the surface, host repaints (Paint calls caused by the window) and paint events.
    [[nodiscard]] int copyCount() const { return FCopyCount; }
    [[nodiscard]] int fillCount() const { return FFillCount; }
    [[nodiscard]] int hostPaintCount() const { return FHostPaintCount; }
    [[nodiscard]] int paintEventCount() const { return FPaintEventCount; }
    void resetCounters();
    // Called after every frame copied to the surface, before it is shown (tests, recorders).
    void setFrameObserver(std::function<void()> Observer) { FFrameObserver = std::move(Observer); }

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    // Shows Control here: it becomes the child of the host form and gets its window, whose
    // peer is this widget. Once; the caller keeps ownership of Control.
    void adoptControl(host::TWinControl& Control);
    // Takes the control off (before it is destroyed): it loses its window and its parent.
    void releaseControl();
    // Between holdFrames and releaseFrames the frames the control copies are kept back, and
    // release copies the last one to the surface: for a call of the subclass that runs several
    // steps of the control, each drawing a frame (a cursor moved across many characters), so
    // the surface is written and shown once. Every frame is the control's whole back buffer, so
    // the surface ends as the steps one by one would leave it; a fill of the surface while
    // frames are held first copies the frame kept back. Calls do not nest.
    void holdFrames();
    void releaseFrames();

    // Around every call into the host that a Qt event makes (keys, focus, mouse, host
    // repaints): hostCallBegin before, hostCallEnd after; InPaint tells that the call came from
    // a paintEvent. Calls nest; the default does nothing.
    virtual void hostCallBegin() {}
    virtual void hostCallEnd(bool InPaint) { (void)InPaint; }
    // The 8-bit codes a typed text reaches the control as; the default is Latin-1 (characters
    // outside it become '?').
    [[nodiscard]] virtual host::AnsiString typedText(const QString& Text) const { return qt::ToAnsi(Text); }

    bool event(QEvent* Event) override;
    void paintEvent(QPaintEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;
    void focusInEvent(QFocusEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void showEvent(QShowEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    friend class TQtPeer;
    class THostCall;

    // What the control's window does to this widget.
    void PeerSetSize(int Width, int Height);
    void PeerFillRect(const host::TRect& Rect, host::TColor Color);
    void PeerDraw(int X, int Y, const host::TBitmap& Source);
    void PeerInvalidate();
    void PeerFocusChanged(bool Focused);

    void ShowSurface(const QRect& Area);
    void WatchWindow();
    void MirrorFocusSiblings();
    void ClearFocusSiblings();

    std::unique_ptr<host::TForm> FForm;
    host::TWinControl* FControl = nullptr;
    QImage FSurface;
    QRect FHostPaintArea;                                    // what the control changed during a host repaint
    std::vector<std::unique_ptr<host::TControl>> FSiblings;  // focus-walk mirrors
    QPointer<QWindow> FWatchedWindow;
    std::function<void()> FFrameObserver;
    const host::TBitmap* FHeldFrame = nullptr;  // the frame kept back while frames are held
    int FHeldX = 0;
    int FHeldY = 0;
    bool FFramesHeld = false;
    bool FHostPaintPending = true;
    bool FInHostPaint = false;
    int FCopyCount = 0;
    int FFillCount = 0;
    int FHostPaintCount = 0;
    int FPaintEventCount = 0;
};

}  // namespace vyr::qt
