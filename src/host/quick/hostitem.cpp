// QQuickHostItem: one host window control shown in a QQuickItem; its peer, repaints, the texture
// node, input and the mirror of the focus chain that the control's focus walk runs over.
#include <QtGui/QFocusEvent>
#include <QtGui/QImage>
#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtQuick/QQuickWindow>
#include <QtQuick/QSGImageNode>
#include <QtQuick/QSGTexture>
#include <algorithm>
#include <utility>

#include "QuickProbe.h"
#include "vyr/quick/QuickBackend.h"

namespace vyr::quick {

// The window of an adopted control: everything goes to its QQuickHostItem (nothing once the item
// is gone).
class TQuickPeer final : public host::TWindowPeer {
public:
    explicit TQuickPeer(QQuickHostItem& Item) : FItem(&Item) {}

    void SetSize(int Width, int Height) override {
        if (FItem) FItem->PeerSetSize(Width, Height);
    }
    void FillRect(const host::TRect& Rect, host::TColor Color) override {
        if (FItem) FItem->PeerFillRect(Rect, Color);
    }
    void Draw(int X, int Y, const host::TBitmap& Source) override {
        if (FItem) FItem->PeerDraw(X, Y, Source);
    }
    void Invalidate() override {
        if (FItem) FItem->PeerInvalidate();
    }
    void FocusChanged(bool Focused) override {
        if (FItem) FItem->PeerFocusChanged(Focused);
    }

private:
    QPointer<QQuickHostItem> FItem;
};

namespace {

// The window of a focus-chain item's mirror: the host giving it the focus gives the item Qt
// Quick's active focus.
class TSiblingPeer final : public host::TWindowPeer {
public:
    explicit TSiblingPeer(QQuickItem* Sibling) : FSibling(Sibling) {}
    void FocusChanged(bool Focused) override {
        if (Focused && FSibling) FSibling->forceActiveFocus(Qt::OtherFocusReason);
    }

private:
    QPointer<QQuickItem> FSibling;
};

// An item of the focus chain as a host window control on the host form.
class TSiblingMirror final : public host::TWinControl {
public:
    TSiblingMirror(TQuickWidgetSet& WidgetSet, QQuickItem* Sibling)
        : host::TWinControl(nullptr), FWidgetSet(WidgetSet) {
        QPointer<QQuickItem> Target(Sibling);
        FWidgetSet.SetPeerFactory(*this, [Target] { return std::make_unique<TSiblingPeer>(Target.data()); });
    }
    ~TSiblingMirror() override { FWidgetSet.ClearPeerFactory(*this); }

    [[nodiscard]] std::string_view ClassName() const override { return "TQuickSibling"; }

private:
    TQuickWidgetSet& FWidgetSet;
};

// Self and the items after it on its focus chain, each once. The chain is a ring; the window's
// content item, which closes it, is no control.
std::vector<QQuickItem*> FocusChain(QQuickItem* Self) {
    std::vector<QQuickItem*> Chain{Self};
    QQuickItem* Content = Self->window() != nullptr ? Self->window()->contentItem() : nullptr;
    QQuickItem* Item = Self->nextItemInFocusChain(true);
    for (int Guard = 0; Item != nullptr && Item != Self && Guard < 100000; ++Guard) {
        if (std::find(Chain.begin(), Chain.end(), Item) != Chain.end()) break;
        if (Item != Content) Chain.push_back(Item);
        Item = Item->nextItemInFocusChain(true);
    }
    return Chain;
}

}  // namespace

// Brackets one call into the host made by a Qt event.
class QQuickHostItem::THostCall {
public:
    THostCall(QQuickHostItem& Item, bool InPaint) : FItem(Item), FInPaint(InPaint) { FItem.hostCallBegin(); }
    ~THostCall() { FItem.hostCallEnd(FInPaint); }
    THostCall(const THostCall&) = delete;
    THostCall& operator=(const THostCall&) = delete;

private:
    QQuickHostItem& FItem;
    bool FInPaint;
};

QQuickHostItem::QQuickHostItem(QQuickItem* Parent)
    : QQuickItem(Parent), FTally(std::make_unique<detail::THostItemTally>()) {
    FForm = std::make_unique<host::TForm>(nullptr, TQuickWidgetSet::Instance());
    FForm->Show();
    setFlag(ItemHasContents, true);
    setAcceptedMouseButtons(Qt::LeftButton);
    setActiveFocusOnTab(true);
}

QQuickHostItem::~QQuickHostItem() {
    FSiblings.clear();
    releaseControl();
    if (FWatchedWindow) FWatchedWindow->removeEventFilter(this);
    FForm.reset();
}

void QQuickHostItem::adoptControl(host::TWinControl& Control) {
    if (FControl != nullptr) return;
    FControl = &Control;
    TQuickWidgetSet::Instance().SetPeerFactory(Control, [this] { return std::make_unique<TQuickPeer>(*this); });
    Control.SetParent(FForm.get());  // the form is shown: the control gets its window now
    setActiveFocusOnTab(Control.TabStop());
    // An item made with its parent already in a window got its scene change before this class
    // was constructed.
    if (window() != nullptr) {
        WatchWindow(window());
        RequestHostPaint();
    }
}

void QQuickHostItem::releaseControl() {
    if (FControl == nullptr) return;
    host::TWinControl* Control = FControl;
    FControl = nullptr;
    Control->SetParent(nullptr);
    TQuickWidgetSet::Instance().ClearPeerFactory(*Control);
}

// ---- Peer ------------------------------------------------------------------------------------

void QQuickHostItem::PeerSetSize(int Width, int Height) {
    FSurface.SetSize(Width, Height);
    setImplicitSize(Width, Height);
    SurfaceChanged();
}

void QQuickHostItem::PeerFillRect(const host::TRect& Rect, host::TColor Color) {
    ++FTally->Fills;
    FSurface.Canvas().Brush.Color = Color;
    FSurface.Canvas().FillRect(Rect);
    SurfaceChanged();
}

void QQuickHostItem::PeerDraw(int X, int Y, const host::TBitmap& Source) {
    ++FTally->Copies;
    // The very frame copied last, onto a surface unchanged since, makes no new texture.
    host::TFrameCopy Frame{.Stamp = Source.Stamp(), .X = X, .Y = Y, .SurfaceKey = FSurface.Stamp()};
    const bool Same = Frame == FCopied;
    if (!Same) {
        FSurface.Canvas().Draw(X, Y, Source);
        Frame.SurfaceKey = FSurface.Stamp();
        FCopied = Frame;
    }
    if (FTally->FrameObserver) FTally->FrameObserver();
    if (!Same) SurfaceChanged();
}

void QQuickHostItem::PeerInvalidate() { RequestHostPaint(); }

void QQuickHostItem::PeerFocusChanged(bool Focused) {
    if (Focused) {
        if (!hasActiveFocus()) forceActiveFocus(Qt::OtherFocusReason);
    } else if (hasActiveFocus() && FForm->ActiveControl() == nullptr) {
        // The host moved the focus to no control; a move to another control gives that one the
        // focus through its own window.
        setFocus(false, Qt::OtherFocusReason);
    }
}

void QQuickHostItem::RequestHostPaint() {
    FHostPaintPending = true;
    polish();
    update();
}

// The surface changed: the next synchronisation makes a texture of it, once.
void QQuickHostItem::SurfaceChanged() {
    FTextureStale = true;
    update();
}

// ---- Scene graph -----------------------------------------------------------------------------

// GUI thread, before the synchronisation: the host repaint asked for, if any.
void QQuickHostItem::updatePolish() {
    if (!FHostPaintPending || FControl == nullptr || !FControl->HandleAllocated()) return;
    FHostPaintPending = false;
    ++FTally->HostPaints;
    THostCall Call(*this, true);
    host::SendPaint(*FControl);
}

// Render thread (or the GUI thread with the basic loop), with the GUI thread blocked: the surface
// is read here and nowhere else off the GUI thread.
QSGNode* QQuickHostItem::updatePaintNode(QSGNode* OldNode, UpdatePaintNodeData* /*Data*/) {
    auto* Node = static_cast<QSGImageNode*>(OldNode);
    const int W = FSurface.Width();
    const int H = FSurface.Height();
    if (W <= 0 || H <= 0 || window() == nullptr) {
        delete Node;
        return nullptr;
    }
    if (Node == nullptr) {
        Node = window()->createImageNode();
        // Design pixels are logical pixels: at any scale each one becomes a block of device
        // pixels, never a blend of its neighbours.
        Node->setFiltering(QSGTexture::Nearest);
        Node->setOwnsTexture(true);
        FTextureStale = true;
    }
    if (FTextureStale) {
        const QImage Frame(std::as_const(FSurface).ScanLine(0), W, H, static_cast<qsizetype>(FSurface.RowStride()),
                           QImage::Format_BGR888);
        // The texture keeps its own pixels (the conversion copies them): the surface may change
        // as soon as the GUI thread runs again.
        QSGTexture* Texture = window()->createTextureFromImage(Frame.convertToFormat(QImage::Format_RGBX8888));
        Node->setTexture(Texture);  // the node frees the texture it held
        FTextureStale = false;
        FTally->Textures.fetch_add(1, std::memory_order_relaxed);
    }
    Node->setSourceRect(QRectF(0, 0, W, H));
    Node->setRect(QRectF(0, 0, W, H));
    return Node;
}

void QQuickHostItem::itemChange(ItemChange Change, const ItemChangeData& Value) {
    QQuickItem::itemChange(Change, Value);
    if (Change == ItemSceneChange) {
        WatchWindow(Value.window);
        if (Value.window != nullptr) RequestHostPaint();
    } else if (Change == ItemVisibleHasChanged && Value.boolValue) {
        RequestHostPaint();
    }
}

// The window's exposure is a host repaint request.
bool QQuickHostItem::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == FWatchedWindow && Event->type() == QEvent::Expose && FWatchedWindow->isExposed()) {
        RequestHostPaint();
    }
    return QQuickItem::eventFilter(Watched, Event);
}

void QQuickHostItem::WatchWindow(QQuickWindow* Window) {
    if (Window == FWatchedWindow) return;
    if (FWatchedWindow) FWatchedWindow->removeEventFilter(this);
    FWatchedWindow = Window;
    if (FWatchedWindow) FWatchedWindow->installEventFilter(this);
}

// ---- Input -----------------------------------------------------------------------------------

void QQuickHostItem::keyPressEvent(QKeyEvent* Event) {
    // Tab and Backtab never reach the control: left unaccepted, they move Qt Quick's focus along
    // its chain, as a QWidget's focus moves before its key handler sees them.
    if (FControl == nullptr || Event->key() == Qt::Key_Tab || Event->key() == Qt::Key_Backtab) {
        QQuickItem::keyPressEvent(Event);
        return;
    }
    const qt::TKeyRoute Route = qt::RouteKey(*FControl, Event->key(), Event->modifiers(), Event->text(),
                                             [this](const QString& Typed) { return typedText(Typed); });
    Event->setAccepted(Route.Taken);
    if (!Route.Delivered) return;
    THostCall Call(*this, false);
    if (Route.Key != 0) {
        if (Route.Key == host::vk::Up || Route.Key == host::vk::Down) MirrorFocusSiblings();
        host::SendKeyDown(*FControl, Route.Key, Route.Shift);
    }
    for (const char Ch : Route.Chars) {
        if (FControl == nullptr) break;
        host::SendKeyPress(*FControl, Ch);
    }
}

void QQuickHostItem::focusInEvent(QFocusEvent* Event) {
    QQuickItem::focusInEvent(Event);
    if (FControl == nullptr || FForm->ActiveControl() == FControl) return;
    THostCall Call(*this, false);
    FForm->FocusControl(FControl);
}

void QQuickHostItem::focusOutEvent(QFocusEvent* Event) {
    QQuickItem::focusOutEvent(Event);
    // An inactive window or an open popup leaves the host focus where it is.
    if (Event->reason() == Qt::ActiveWindowFocusReason || Event->reason() == Qt::PopupFocusReason) return;
    if (FControl == nullptr || FForm->ActiveControl() != FControl) return;
    THostCall Call(*this, false);
    FForm->FocusControl(nullptr);
}

void QQuickHostItem::mousePressEvent(QMouseEvent* Event) {
    if (FControl == nullptr || Event->button() != Qt::LeftButton) {
        QQuickItem::mousePressEvent(Event);
        return;
    }
    Event->accept();
    THostCall Call(*this, false);
    host::SendClick(*FControl);
}

// ---- Focus walk ------------------------------------------------------------------------------

void QQuickHostItem::MirrorFocusSiblings() {
    // The old mirrors leave the host form as they go; one holding the host focus gives it up
    // without handlers.
    FSiblings.clear();
    if (FControl == nullptr) return;
    TQuickWidgetSet& WidgetSet = TQuickWidgetSet::Instance();
    const std::vector<QQuickItem*> Chain = FocusChain(this);
    for (std::size_t i = 1; i < Chain.size(); ++i) {
        auto Mirror = std::make_unique<TSiblingMirror>(WidgetSet, Chain[i]);
        Mirror->SetParent(FForm.get());
        FSiblings.push_back(std::move(Mirror));
    }
    FControl->SetTabOrder(0);
}

}  // namespace vyr::quick
