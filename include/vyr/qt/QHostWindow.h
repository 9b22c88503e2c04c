/// @file
/// The Qt 6 Widgets backend's window: a QWidget that shows one host window control and carries
/// Qt's keys, focus, mouse and repaints to it. The backend as a whole: vyr/qt/QtBackend.h.
///
/// Threads: GUI thread only.
#pragma once

#include <QtCore/QPointer>
#include <QtGui/QImage>
#include <QtWidgets/QWidget>
#include <memory>
#include <vector>

#include "vyr/host/Controls.h"
#include "vyr/host/Graphics.h"
#include "vyr/host/Types.h"
#include "vyr/qt/QtInput.h"

class QPainter;
class QWindow;

namespace vyr::qt {

namespace detail {
/// What the project's own checks read of a window; not part of the window's interface.
struct THostWindowTally;
class THostWindowProbe;
}  // namespace detail

/// Draws a window's surface at device resolution, for a widget that knows what its design pixels
/// show. Used only at a devicePixelRatio other than 1; at 1 the window shows the surface itself.
class QSurfacePresenter {
public:
    virtual ~QSurfacePresenter() = default;
    /// The window's logical size for a surface of Surface design pixels at Ratio.
    [[nodiscard]] virtual QSize logicalSize(QSize Surface, qreal Ratio) const = 0;
    /// Brings Device (the window's logical size times Ratio, in device pixels, in
    /// QImage::Format_BGR888) up to date with the part Changed of Surface (design pixels). Full:
    /// Device was just made or resized, and every pixel of it is to be drawn. Returns the
    /// rectangle of Device it wrote.
    virtual QRect present(const QImage& Surface, const QRect& Changed, QImage& Device, qreal Ratio, bool Full) = 0;
};

/// A QWidget that shows one host window control: its surface is the control's window. A subclass
/// makes the control and adopts it (adoptControl); the window then keeps a private, never shown
/// host form as the control's parent and keeper of its host focus.
///
/// Repaints. These are the host's own repaint requests; each calls the control's Paint once, as
/// WM_ERASEBKGND + WM_PAINT, from the next paintEvent:
///   - the first paint after the widget is shown (every show);
///   - its top-level window becoming exposed (mapped, restored, uncovered);
///   - the host's Invalidate of the control;
///   - a resize that the control did not ask for.
/// Every other paintEvent only shows the surface: the update() the window asks for after the
/// control copied a frame or filled its surface (so a frame is drawn once and shown once), an
/// application's update() or repaint(), and grab() or render(). Calling hostControl()->Invalidate()
/// asks for a host repaint.
///
/// Size: the widget's size is the control's (a fixed size, which layouts keep); sizeHint is it.
/// With a presenter at a devicePixelRatio other than 1, the presenter's logical size instead.
///
/// Keys, focus and mouse: see the backend's checklist in vyr/qt/QtBackend.h. Up and Down: the
/// control's focus walk runs over the parent widget's children that are in Qt's tab chain (focus
/// policy with Qt::TabFocus), this window included, in Qt's tab order; before each Up or Down key
/// the window mirrors them in its host form as the control's siblings with tab orders 0..n-1. A
/// child in the tab chain that cannot take the focus now (disabled or hidden) is mirrored as a plain
/// host control, so the walk's checked conversion fails on it as the host reports one (EInvalidCast,
/// through TApplication) and the focus stays. Window activation and popups do not count as focus
/// changes for the host (a control keeps the host focus while its window is inactive).
class QHostWindow : public QWidget {
    Q_OBJECT
public:
    /// Makes the window with its private host form and no control (adoptControl shows one); needs
    /// the QApplication, GUI thread.
    explicit QHostWindow(QWidget* Parent = nullptr);
    /// Releases the control if a subclass has not done so; the subclass destroys it.
    ~QHostWindow() override;

    /// The control shown, or null before adoptControl.
    [[nodiscard]] host::TWinControl* hostControl() const { return FControl; }
    /// The private host form (the control's parent).
    [[nodiscard]] host::TForm& hostForm() const { return *FForm; }
    /// What the window shows: the last frame copied and fills, exactly the control's size, in the
    /// backing store's format (QImage::Format_RGB32).
    [[nodiscard]] const QImage& surface() const { return FSurface; }

    /// The control's size; QWidget's hint before adoptControl.
    [[nodiscard]] QSize sizeHint() const override;
    /// The same as sizeHint: the control decides its size.
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    /// Presenter draws the surface at device resolution from now on (null: the window shows the
    /// surface itself again). Not owned; whoever sets one clears it before it is destroyed.
    void setSurfacePresenter(QSurfacePresenter* Presenter);
    /// Shows Control here: it becomes the child of the host form and gets its window, whose
    /// peer is this widget. Once; the caller keeps ownership of Control.
    void adoptControl(host::TWinControl& Control);
    /// Takes the control off (before it is destroyed): it loses its window and its parent.
    void releaseControl();
    /** @{ */
    /// Between holdFrames and releaseFrames the frames the control copies are kept back, and
    /// release copies the last one to the surface: for a call of the subclass that runs several
    /// steps of the control, each drawing a frame (a cursor moved across many characters), so
    /// the surface is written and shown once. Every frame is the control's whole back buffer, so
    /// the surface ends as the steps one by one would leave it; a fill of the surface while
    /// frames are held first copies the frame kept back. Calls do not nest.
    void holdFrames();
    void releaseFrames();
    /** @} */

    /** @{ */
    /// Around every call into the host that a Qt event makes (keys, focus, mouse, host
    /// repaints): hostCallBegin before, hostCallEnd after; InPaint tells that the call came from
    /// a paintEvent. Calls nest; the default does nothing.
    virtual void hostCallBegin() {}
    virtual void hostCallEnd(bool InPaint) { (void)InPaint; }
    /// The 8-bit codes a typed text reaches the control as; the default is Latin-1 (characters
    /// outside it become '?').
    [[nodiscard]] virtual host::AnsiString typedText(const QString& Text) const { return qt::ToAnsi(Text); }
    /** @} */

    /** @{ */
    /// Qt's event handlers: they carry keys, focus, the mouse, showing, resizing and paint events
    /// to the control as the class description says, and watch the top-level window for exposure
    /// (eventFilter). A subclass that overrides one calls this class's handler.
    bool event(QEvent* Event) override;
    void paintEvent(QPaintEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;
    void focusInEvent(QFocusEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void showEvent(QShowEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    /** @} */

private:
    friend class TQtPeer;
    friend class detail::THostWindowProbe;
    class THostCall;

    // What the control's window does to this widget.
    void PeerSetSize(int Width, int Height);
    void PeerFillRect(const host::TRect& Rect, host::TColor Color);
    void PeerDraw(int X, int Y, const host::TBitmap& Source);
    void PeerInvalidate();
    void PeerFocusChanged(bool Focused);

    void ShowSurface(const QRect& Area);
    // The presenter when it draws now (one is set and the ratio is not 1), else null.
    [[nodiscard]] QSurfacePresenter* ActivePresenter() const;
    // The size the window takes for the surface: the surface's, or the active presenter's.
    [[nodiscard]] QSize ShownSize() const;
    void FollowShownSize();
    void PaintPresented(QPainter& Painter);
    // Copies Region of the surface straight into the device Qt paints this widget into, when
    // that is an image of the surface's kind; false (nothing done) otherwise.
    bool CopyToDevice(const QRegion& Region);
    void WatchWindow();
    void MirrorFocusSiblings();
    void ClearFocusSiblings();

    std::unique_ptr<host::TForm> FForm;
    host::TWinControl* FControl = nullptr;
    QImage FSurface;
    QRect FHostPaintArea;                                    // what the control changed during a host repaint
    std::vector<std::unique_ptr<host::TControl>> FSiblings;  // focus-walk mirrors
    QPointer<QWindow> FWatchedWindow;
    QSurfacePresenter* FPresenter = nullptr;
    QImage FDevice;                             // the presenter's drawing, device pixels
    QImage FDeviceShown;                        // the same in the backing store's format
    QRect FDeviceChanged;                       // surface pixels changed since the presenter last drew
    host::TFrameCopy FConverted;                // the frame converted last, the surface's cache key after it
    const host::TBitmap* FHeldFrame = nullptr;  // the frame kept back while frames are held
    int FHeldX = 0;
    int FHeldY = 0;
    bool FFramesHeld = false;
    bool FHostPaintPending = true;
    bool FInHostPaint = false;
    std::unique_ptr<detail::THostWindowTally> FTally;
};

}  // namespace vyr::qt
