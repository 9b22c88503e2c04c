/// @file
/// The Qt Quick backend. A host window control is shown in a QQuickHostItem (a QQuickItem), the
/// GUI message loop is Qt's event loop, and the steps that worker threads hand over with
/// TThread::Synchronize run on Qt's GUI thread. The component does not know this backend exists.
///
/// [X] window surfaces: 24 bits a pixel in TBitmap's layout; a frame reaches the scene graph as
///     one texture (QSGImageNode from QQuickWindow::createImageNode) with nearest filtering, so
///     LEDs stay sharp at any device pixel ratio; the texture is made again only after the
///     control copied a frame or filled its surface
/// [X] repaints: the host's own repaint requests (see QQuickHostItem) call the control's Paint on
///     the GUI thread, before the scene graph is synchronised; a frame the control has copied is
///     only shown, never drawn a second time
/// [X] GUI message loop: Qt's; every queued synchronised call posts one wake-up event to the
///     widget set, whose handler runs CheckSynchronize (no polling timer); RunFor, ProcessMessages
/// [X] keys: the Widgets backend's mapping (vyr/qt/QtInput.h): named keys as virtual-key codes,
///     typed text as 8-bit key-presses (typedText: Latin-1, or the subclass's code page; '!' is a
///     key-press, never Page Up), the arrows only when the control's WM_GETDLGCODE answer has
///     DLGC_WANTARROWS
/// [X] focus: activeFocus in/out -> the host focus (DoEnter/DoExit); the host's SetFocus ->
///     forceActiveFocus
/// [X] mouse: a left-button press -> Click
/// [X] the control's Up/Down focus walk runs over the items of the item's focus chain
///     (nextItemInFocusChain), this item first
/// [ ] no double clicks, mouse moves, wheel or touch events or key releases reach the host
/// [ ] Tab and Backtab follow Qt Quick's focus chain (activeFocusOnTab), WM_NEXTDLGCTL is never
///     sent
/// [ ] no input-method (composed) text
/// [ ] the item is drawn at the control's size from its top-left corner; an item made larger than
///     its implicit size shows nothing beyond the surface
/// [ ] one wake-up hook per process: a program holding both the Widgets and the Quick widget set
///     has its synchronised calls woken by the one made last (both run the same host queue on the
///     same GUI thread, so either serves both)
///
/// Threads: everything here runs on Qt's GUI thread, which the widget set makes the host's GUI
/// thread; only the wake-up hook runs on worker threads. The scene graph's render thread only
/// reads the texture node the GUI thread built while it was blocked (updatePaintNode).
#pragma once

#include <QtCore/QObject>
#include <QtCore/QPointer>
#include <QtQuick/QQuickItem>
#include <atomic>
#include <chrono>
#include <cstdint>
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

namespace vyr::quick {

class QQuickHostItem;

namespace detail {
/// What the project's own checks read of an item; not part of the item's interface.
struct THostItemTally;
class THostItemProbe;
}  // namespace detail

// ---- Widget set ------------------------------------------------------------------------------

/// The application's Qt Quick widget set. Made on first use, on Qt's GUI thread once the
/// application object exists, and destroyed with it; it makes Qt's GUI thread the host's GUI
/// thread and wakes Qt's event loop for every synchronised call a worker thread queues.
class TQuickWidgetSet final : public QObject, public host::TWidgetSet {
    Q_OBJECT
public:
    /// Throws std::logic_error without a QCoreApplication or off its thread.
    static TQuickWidgetSet& Instance();

    /// The window of Control: the one its peer factory makes, else a window that draws nowhere.
    std::unique_ptr<host::TWindowPeer> CreatePeer(host::TWinControl& Control) override;
    /// Runs Qt's event loop for Duration (or until Quit).
    void RunFor(std::chrono::milliseconds Duration) override;
    /// Delivers the events and synchronised calls pending now.
    void ProcessMessages() override;
    /// Ends a running RunFor (GUI thread).
    void Quit();

    /// Makes the window (peer) of one control.
    using TPeerFactory = std::function<std::unique_ptr<host::TWindowPeer>()>;
    /** @{ */
    /// The next windows of Control come from Factory, until ClearPeerFactory. Whoever sets one
    /// clears it before Control is destroyed.
    void SetPeerFactory(const host::TWinControl& Control, TPeerFactory Factory);
    void ClearPeerFactory(const host::TWinControl& Control);
    /** @} */

protected:
    /// A wake-up: runs the synchronised calls queued.
    void customEvent(QEvent* Event) override;

private:
    explicit TQuickWidgetSet(QObject* Parent);
    ~TQuickWidgetSet() override;

    const int FWakeType;
    std::atomic<bool> FWakePosted{false};
    std::unordered_map<const host::TWinControl*, TPeerFactory> FFactories;
    QPointer<QEventLoop> FLoop;
};

// ---- Host item -------------------------------------------------------------------------------

/// A QQuickItem that shows one host window control: its surface is the control's window. A
/// subclass makes the control and adopts it (adoptControl); the item then keeps a private host
/// form as the control's parent and keeper of its host focus.
///
/// Repaints. The host's own repaint requests each call the control's Paint once (WM_ERASEBKGND +
/// WM_PAINT), from the item's next polish on the GUI thread:
///   - the item entering a window, and becoming visible;
///   - its window being exposed;
///   - the host's Invalidate of the control.
/// A frame the control copies or a fill of its surface only marks the texture stale: the next
/// scene-graph synchronisation uploads it once.
///
/// Size: implicitWidth and implicitHeight are the control's size (the LED geometry), which the
/// control decides; the surface is drawn at that size from the top-left corner.
///
/// Focus: the item is a tab stop (activeFocusOnTab) while the control is one. Up and Down: before
/// each Up or Down key the item mirrors the items of its focus chain (nextItemInFocusChain, forward
/// from this item, each once) in its host form as the control's siblings with tab orders 0..n-1,
/// this item 0, so the control's walk moves the focus to the next or previous item of the chain.
class QQuickHostItem : public QQuickItem {
    Q_OBJECT
public:
    /// Makes the item with its private host form and no control (adoptControl shows one); needs the
    /// application object, GUI thread.
    explicit QQuickHostItem(QQuickItem* Parent = nullptr);
    /// Releases the control if a subclass has not done so; the subclass destroys it.
    ~QQuickHostItem() override;

    /// The control shown, or null before adoptControl.
    [[nodiscard]] host::TWinControl* hostControl() const { return FControl; }
    /// The private host form (the control's parent).
    [[nodiscard]] host::TForm& hostForm() const { return *FForm; }
    /// What the item shows: the last frame copied and fills, exactly the control's size.
    [[nodiscard]] const host::TBitmap& surface() const { return FSurface; }

protected:
    /// Shows Control here: it becomes the child of the host form and gets its window, whose peer
    /// is this item. Once; the caller keeps ownership of Control.
    void adoptControl(host::TWinControl& Control);
    /// Takes the control off (before it is destroyed): it loses its window and its parent.
    void releaseControl();

    /** @{ */
    /// Around every call into the host that a Qt event makes (keys, focus, mouse, host repaints):
    /// InPaint tells that the call came from a host repaint. Calls nest; the default does nothing.
    virtual void hostCallBegin() {}
    virtual void hostCallEnd(bool InPaint) { (void)InPaint; }
    /** @} */
    /// The 8-bit codes a typed text reaches the control as; the default is Latin-1 (characters
    /// outside it become '?').
    [[nodiscard]] virtual host::AnsiString typedText(const QString& Text) const { return qt::ToAnsi(Text); }

    /** @{ */
    /// Qt Quick's handlers: the host repaint on polish (GUI thread), the texture node for the
    /// scene graph (updatePaintNode: render thread, GUI thread blocked), the window's arrival and
    /// visibility (itemChange), keys, focus and the mouse carried to the control as the class
    /// description says, and the window's exposure (eventFilter). A subclass that overrides one
    /// calls this class's handler.
    QSGNode* updatePaintNode(QSGNode* OldNode, UpdatePaintNodeData* Data) override;
    void updatePolish() override;
    void itemChange(ItemChange Change, const ItemChangeData& Value) override;
    void keyPressEvent(QKeyEvent* Event) override;
    void focusInEvent(QFocusEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    /** @} */

private:
    friend class TQuickPeer;
    friend class detail::THostItemProbe;
    class THostCall;

    void PeerSetSize(int Width, int Height);
    void PeerFillRect(const host::TRect& Rect, host::TColor Color);
    void PeerDraw(int X, int Y, const host::TBitmap& Source);
    void PeerInvalidate();
    void PeerFocusChanged(bool Focused);

    void RequestHostPaint();
    void SurfaceChanged();
    void WatchWindow(QQuickWindow* Window);
    void MirrorFocusSiblings();

    std::unique_ptr<host::TForm> FForm;
    host::TWinControl* FControl = nullptr;
    host::TBitmap FSurface;
    host::TFrameCopy FCopied;                                // the frame copied last, the surface's stamp after it
    std::vector<std::unique_ptr<host::TControl>> FSiblings;  // focus-walk mirrors
    QPointer<QQuickWindow> FWatchedWindow;
    bool FHostPaintPending = true;
    bool FTextureStale = true;
    std::unique_ptr<detail::THostItemTally> FTally;
};

}  // namespace vyr::quick
