// QHostWindow: one host window control shown in a QWidget; its peer, repaints, input and the
// mirror of the Qt siblings that the control's focus walk runs over.
#include <QtGui/QFocusEvent>
#include <QtGui/QImage>
#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtGui/QPaintEvent>
#include <QtGui/QPainter>
#include <QtGui/QTransform>
#include <QtGui/QWindow>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <utility>

#include "QtProbe.h"
#include "pixels.h"
#include "vyr/qt/QtBackend.h"

namespace vyr::qt {

// The window of an adopted control: everything goes to its QHostWindow (nothing once the widget
// is gone).
class TQtPeer final : public host::TWindowPeer {
public:
    explicit TQtPeer(QHostWindow& Window) : FWindow(&Window) {}

    void SetSize(int Width, int Height) override {
        if (FWindow) FWindow->PeerSetSize(Width, Height);
    }
    void FillRect(const host::TRect& Rect, host::TColor Color) override {
        if (FWindow) FWindow->PeerFillRect(Rect, Color);
    }
    void Draw(int X, int Y, const host::TBitmap& Source) override {
        if (FWindow) FWindow->PeerDraw(X, Y, Source);
    }
    void Invalidate() override {
        if (FWindow) FWindow->PeerInvalidate();
    }
    void FocusChanged(bool Focused) override {
        if (FWindow) FWindow->PeerFocusChanged(Focused);
    }

private:
    QPointer<QHostWindow> FWindow;
};

namespace {

// The window of a sibling's mirror: the host giving it the focus gives the sibling Qt's focus.
class TSiblingPeer final : public host::TWindowPeer {
public:
    explicit TSiblingPeer(QWidget* Sibling) : FSibling(Sibling) {}
    void FocusChanged(bool Focused) override {
        if (Focused && FSibling) FSibling->setFocus(Qt::OtherFocusReason);
    }

private:
    QPointer<QWidget> FSibling;
};

// A focusable Qt sibling as a host window control on the host form.
class TSiblingMirror final : public host::TWinControl {
public:
    TSiblingMirror(TQtWidgetSet& WidgetSet, QWidget* Sibling) : host::TWinControl(nullptr), FWidgetSet(WidgetSet) {
        QPointer<QWidget> Target(Sibling);
        FWidgetSet.SetPeerFactory(*this, [Target] { return std::make_unique<TSiblingPeer>(Target.data()); });
    }
    ~TSiblingMirror() override { FWidgetSet.ClearPeerFactory(*this); }

    [[nodiscard]] std::string_view ClassName() const override { return "TQtSibling"; }

private:
    TQtWidgetSet& FWidgetSet;
};

// A sibling that cannot take the focus now: a control without a window.
class TUnfocusableMirror final : public host::TControl {
public:
    TUnfocusableMirror() : host::TControl(nullptr) {}
    [[nodiscard]] std::string_view ClassName() const override { return "TQtUnfocusableSibling"; }
};

// Qt's cache key of an image, which changes whenever its pixels may have been written.
std::uint64_t KeyOf(const QImage& Image) { return static_cast<std::uint64_t>(Image.cacheKey()); }

bool CanTakeFocus(const QWidget* W, const QWidget* Parent) {
    return W->isEnabled() && W->isVisibleTo(Parent) && W->focusPolicy() != Qt::NoFocus;
}

// The children of Self's parent that are in Qt's tab chain, Self included, in tab order.
std::vector<QWidget*> TabChainSiblings(QWidget* Self) {
    QWidget* Parent = Self->parentWidget();
    if (Parent == nullptr) return {Self};
    std::vector<QWidget*> List;
    // The focus chain is a ring through every widget of the window; the parent is on it.
    QWidget* W = Parent->nextInFocusChain();
    for (int Guard = 0; W != nullptr && W != Parent && Guard < 100000; ++Guard, W = W->nextInFocusChain()) {
        if (W->parentWidget() != Parent || W->isWindow()) continue;
        if (W == Self || (W->focusPolicy() & Qt::TabFocus) != 0) {
            if (std::find(List.begin(), List.end(), W) == List.end()) List.push_back(W);
        }
    }
    if (std::find(List.begin(), List.end(), Self) == List.end()) List.push_back(Self);
    return List;
}

}  // namespace

// Brackets one call into the host made by a Qt event.
class QHostWindow::THostCall {
public:
    THostCall(QHostWindow& Window, bool InPaint) : FWindow(Window), FInPaint(InPaint) { FWindow.hostCallBegin(); }
    ~THostCall() { FWindow.hostCallEnd(FInPaint); }
    THostCall(const THostCall&) = delete;
    THostCall& operator=(const THostCall&) = delete;

private:
    QHostWindow& FWindow;
    bool FInPaint;
};

QHostWindow::QHostWindow(QWidget* Parent) : QWidget(Parent), FTally(std::make_unique<detail::THostWindowTally>()) {
    FForm = std::make_unique<host::TForm>(nullptr, TQtWidgetSet::Instance());
    FForm->Show();
    // The surface covers the whole widget: Qt never has to clear behind it.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::StrongFocus);
}

QHostWindow::~QHostWindow() {
    ClearFocusSiblings();
    releaseControl();
    FForm.reset();
}

void QHostWindow::adoptControl(host::TWinControl& Control) {
    if (FControl != nullptr) return;
    FControl = &Control;
    TQtWidgetSet::Instance().SetPeerFactory(Control, [this] { return std::make_unique<TQtPeer>(*this); });
    Control.SetParent(FForm.get());  // the form is shown: the control gets its window now
    setFocusPolicy(Control.TabStop() ? Qt::StrongFocus : Qt::ClickFocus);
    updateGeometry();
}

void QHostWindow::releaseControl() {
    if (FControl == nullptr) return;
    host::TWinControl* Control = FControl;
    FControl = nullptr;
    FHeldFrame = nullptr;
    FFramesHeld = false;
    Control->SetParent(nullptr);
    TQtWidgetSet::Instance().ClearPeerFactory(*Control);
}

QSize QHostWindow::sizeHint() const {
    if (FControl == nullptr) return QWidget::sizeHint();
    return ShownSize();
}

QSize QHostWindow::minimumSizeHint() const { return sizeHint(); }

// ---- Peer ------------------------------------------------------------------------------------

// The surface is kept in the format of the window's backing store (32-bit xRGB), so that showing
// it is a plain copy; a pixel is converted once, when the control copies a frame onto it. Pixels
// that remain inside the new size keep their values; new pixels are black, as in a TBitmap.
void QHostWindow::PeerSetSize(int Width, int Height) {
    Width = std::clamp(Width, 0, host::MaxExtent);
    Height = std::clamp(Height, 0, host::MaxExtent);
    if (Width != FSurface.width() || Height != FSurface.height()) {
        QImage Resized(Width, Height, QImage::Format_RGB32);
        Resized.fill(QColor(0, 0, 0));
        const int KeepWidth = std::min(Width, FSurface.width());
        const int KeepHeight = std::min(Height, FSurface.height());
        // An empty image has no rows at all (scanLine is null): nothing to keep then.
        for (int Y = 0; KeepWidth > 0 && Y < KeepHeight; ++Y) {
            std::memcpy(Resized.scanLine(Y), std::as_const(FSurface).scanLine(Y),
                        static_cast<std::size_t>(KeepWidth) * sizeof(QRgb));
        }
        FSurface = std::move(Resized);
    }
    // The control decides its size; Qt's layouts keep it.
    FDeviceChanged = FSurface.rect();
    setFixedSize(ActivePresenter() != nullptr ? ShownSize() : QSize(Width, Height));
}

void QHostWindow::holdFrames() { FFramesHeld = true; }

void QHostWindow::releaseFrames() {
    FFramesHeld = false;
    if (const host::TBitmap* Frame = std::exchange(FHeldFrame, nullptr)) PeerDraw(FHeldX, FHeldY, *Frame);
}

void QHostWindow::PeerFillRect(const host::TRect& Rect, host::TColor Color) {
    if (FFramesHeld && FHeldFrame != nullptr) {
        FFramesHeld = false;
        releaseFrames();
        FFramesHeld = true;
    }
    ++FTally->Fills;
    const QRect Area = QRect(QPoint(Rect.Left, Rect.Top), QPoint(Rect.Right - 1, Rect.Bottom - 1)) & FSurface.rect();
    if (Area.isEmpty()) return;
    const QRgb Value = qRgb(static_cast<int>(Color & 0xFF), static_cast<int>((Color >> 8) & 0xFF),
                            static_cast<int>((Color >> 16) & 0xFF));
    for (int Y = Area.top(); Y <= Area.bottom(); ++Y) {
        QRgb* Row = reinterpret_cast<QRgb*>(FSurface.scanLine(Y));
        std::fill(Row + Area.left(), Row + Area.right() + 1, Value);
    }
    ShowSurface(Area);
}

// Converts the copied frame's 24-bit rows into the surface, noting the smallest rectangle of
// pixels that changed: only that part is shown again. A frame equal to what the surface holds
// needs no paint event; the very frame converted last (same stamp, same place, the surface
// untouched since) is not even compared. When the frame's bitmap carries a note of what changed
// since the frame converted last, and the surface still holds that one at this place, only the
// noted rectangle is converted, and shown, without reading the surface.
void QHostWindow::PeerDraw(int X, int Y, const host::TBitmap& Source) {
    if (FFramesHeld) {
        FHeldFrame = &Source;
        FHeldX = X;
        FHeldY = Y;
        return;
    }
    ++FTally->Copies;
    host::TFrameCopy Frame{.Stamp = Source.Stamp(), .X = X, .Y = Y, .SurfaceKey = KeyOf(FSurface)};
    if (Frame == FConverted) {
        if (FTally->FrameObserver) FTally->FrameObserver();
        return;
    }
    std::optional<host::TRect> Noted;
    if (FConverted.Stamp != 0 && FConverted.X == X && FConverted.Y == Y && FConverted.SurfaceKey == Frame.SurfaceKey) {
        Noted = Source.ChangeSince(FConverted.Stamp);
    }
    // The part of the frame to convert (a note lies inside the frame), clipped to the surface.
    const host::TRect Part = Noted.value_or(host::TRect{0, 0, Source.Width(), Source.Height()});
    const int Left = std::max(X + Part.Left, 0);
    const int Top = std::max(Y + Part.Top, 0);
    const int Right = std::min(X + Part.Right, FSurface.width());
    const int Bottom = std::min(Y + Part.Bottom, FSurface.height());
    int ChangedLeft = Right;
    int ChangedRight = Left - 1;
    int ChangedTop = Bottom;
    int ChangedBottom = Top - 1;
    // The surface's rows are found from its first byte: scanLine() would check for sharing on
    // every row.
    uchar* const Bits = Left < Right && Top < Bottom ? FSurface.bits() : nullptr;
    const auto SurfaceStride = static_cast<std::size_t>(FSurface.bytesPerLine());
    for (int Row = Top; Row < Bottom && Left < Right; ++Row) {
        const std::uint8_t* const From = Source.ScanLine(Row - Y) + 3 * static_cast<std::size_t>(Left - X);
        auto* const To = reinterpret_cast<QRgb*>(Bits + static_cast<std::size_t>(Row) * SurfaceStride) + Left;
        const pixels::TChangedSpan Span =
            Noted ? pixels::ConvertBgrRowWith<false>(pixels::BestKernel(), From, To, Right - Left)
                  : pixels::ConvertBgrRow(From, To, Right - Left);
        if (Span.First > Span.Last) continue;
        ChangedLeft = std::min(ChangedLeft, Left + Span.First);
        ChangedRight = std::max(ChangedRight, Left + Span.Last);
        ChangedTop = std::min(ChangedTop, Row);
        ChangedBottom = Row;
    }
    Frame.SurfaceKey = KeyOf(FSurface);
    FConverted = Frame;
    if (FTally->FrameObserver) FTally->FrameObserver();
    if (ChangedLeft <= ChangedRight)
        ShowSurface(QRect(QPoint(ChangedLeft, ChangedTop), QPoint(ChangedRight, ChangedBottom)));
}

void QHostWindow::PeerInvalidate() {
    FHostPaintPending = true;
    update();
}

void QHostWindow::PeerFocusChanged(bool Focused) {
    if (Focused) {
        if (!hasFocus()) setFocus(Qt::OtherFocusReason);
    } else if (hasFocus() && FForm->ActiveControl() == nullptr) {
        // The host moved the focus to no control; a move to another control gives that one
        // Qt's focus through its own window.
        clearFocus();
    }
}

// A frame or fill has changed Area of the surface: show that part with the next paint event,
// which draws nothing new. Inside a host repaint the paint event in progress shows it.
void QHostWindow::ShowSurface(const QRect& Area) {
    // A presenter's LEDs do not sit at the surface's pixels: it draws what changed, and the
    // widget is shown whole.
    const bool Presented = ActivePresenter() != nullptr;
    if (Presented) FDeviceChanged |= Area;
    const QRect Shown = Presented ? rect() : Area;
    if (FInHostPaint) {
        FHostPaintArea |= Shown;
    } else {
        update(Shown);
    }
}

// ---- Device-pixel presentation ---------------------------------------------------------------

void QHostWindow::setSurfacePresenter(QSurfacePresenter* Presenter) {
    FPresenter = Presenter;
    FDevice = QImage();
    FDeviceChanged = FSurface.rect();
    if (FControl != nullptr && size() != ShownSize()) setFixedSize(ShownSize());
    updateGeometry();
    update();
}

QSurfacePresenter* QHostWindow::ActivePresenter() const {
    return FPresenter != nullptr && devicePixelRatioF() != 1.0 ? FPresenter : nullptr;
}

QSize QHostWindow::ShownSize() const {
    if (const QSurfacePresenter* Presenter = ActivePresenter()) {
        return Presenter->logicalSize(FSurface.size(), devicePixelRatioF());
    }
    if (FControl == nullptr) return FSurface.size();
    return {FControl->Width(), FControl->Height()};
}

// The ratio is known once the widget is on a screen, and changes with the screen: a widget with
// a presenter takes the size that goes with it.
void QHostWindow::FollowShownSize() {
    if (FPresenter == nullptr || FControl == nullptr) return;
    FDeviceChanged = FSurface.rect();
    if (size() != ShownSize()) setFixedSize(ShownSize());
    updateGeometry();
}

// The presenter's drawing covers the whole widget, in device pixels, drawn one to one.
void QHostWindow::PaintPresented(QPainter& Painter) {
    const qreal Ratio = devicePixelRatioF();
    const QSize DeviceSize(static_cast<int>(std::ceil(width() * Ratio)), static_cast<int>(std::ceil(height() * Ratio)));
    bool Full = false;
    if (FDevice.size() != DeviceSize || FDevice.devicePixelRatio() != Ratio) {
        FDevice = QImage(DeviceSize, QImage::Format_BGR888);
        FDevice.setDevicePixelRatio(Ratio);  // what it was drawn for
        FDeviceShown = QImage(DeviceSize, QImage::Format_RGB32);
        Full = true;
    }
    if (Full || !FDeviceChanged.isEmpty()) {
        const QRect Written = FPresenter->present(FSurface, Full ? FSurface.rect() : FDeviceChanged & FSurface.rect(),
                                                  FDevice, Ratio, Full) &
                              FDevice.rect();
        // Converted once, where the presenter wrote: showing it is then a plain copy.
        for (int Y = Written.top(); Y <= Written.bottom(); ++Y) {
            const std::uint8_t* From =
                std::as_const(FDevice).constScanLine(Y) + 3 * static_cast<std::size_t>(Written.left());
            QRgb* To = reinterpret_cast<QRgb*>(FDeviceShown.scanLine(Y));
            for (int X = Written.left(); X <= Written.right(); ++X, From += 3) {
                To[X] = qRgb(From[2], From[1], From[0]);
            }
        }
    }
    FDeviceChanged = QRect();
    // In device pixels: undoing the ratio's scale leaves Qt an unscaled copy, where an image
    // of the ratio drawn at a fractional ratio would take its much slower scaling path.
    Painter.setWorldTransform(QTransform::fromScale(1 / Ratio, 1 / Ratio));
    Painter.drawImage(QPointF(0, 0), FDeviceShown);
}

// ---- Qt events -------------------------------------------------------------------------------

bool QHostWindow::event(QEvent* Event) {
    if (Event->type() == QEvent::ParentChange || Event->type() == QEvent::WinIdChange) WatchWindow();
    if (Event->type() == QEvent::ScreenChangeInternal) FollowShownSize();
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
    if (Event->type() == QEvent::DevicePixelRatioChange) FollowShownSize();
#endif
    return QWidget::event(Event);
}

void QHostWindow::paintEvent(QPaintEvent* Event) {
    ++FTally->PaintEvents;
    if (FHostPaintPending && FControl != nullptr && FControl->HandleAllocated()) {
        FHostPaintPending = false;
        ++FTally->HostPaints;
        FInHostPaint = true;
        {
            THostCall Call(*this, true);
            host::SendPaint(*FControl);
        }
        FInHostPaint = false;
        // What the control changed beyond the part this paint event shows comes with the next.
        const QRect Changed = std::exchange(FHostPaintArea, QRect());
        if (!Event->region().contains(Changed)) update(Changed);
    }
    const bool Presented = ActivePresenter() != nullptr;  // asks the screen its ratio: once
    if (!Presented && CopyToDevice(Event->region())) return;
    QPainter Painter(this);
    if (Presented) {
        PaintPresented(Painter);
        return;
    }
    // Design pixels are logical pixels: at a devicePixelRatio above 1 each one becomes a block of
    // device pixels, never a blend of its neighbours.
    Painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const int W = FSurface.width();
    const int H = FSurface.height();
    // The surface is in the backing store's format: showing the part asked for is a plain copy.
    const QRect Shown = Event->rect() & FSurface.rect();
    if (!Shown.isEmpty()) Painter.drawImage(Shown.topLeft(), FSurface, Shown);
    // Beyond the surface (only while the widget is larger than the control): the control's colour.
    if (width() > W || height() > H) {
        const QColor Fill = FControl != nullptr ? ToQColor(FControl->Color) : palette().window().color();
        if (width() > W) Painter.fillRect(W, 0, width() - W, height(), Fill);
        if (height() > H) Painter.fillRect(0, H, std::min(W, width()), height() - H, Fill);
    }
}

// The plain case of every paint event of a marquee on screen: the surface covers the widget,
// and the device Qt paints this widget into (the window's backing store) is an image of 32-bit
// pixels at one device pixel a pixel. The part asked for is then copied row by row straight into
// it, where a QPainter would do the same copy after setting itself up, which adds about a quarter
// to the cost of copying a marquee's frame. The device and the widget's offset in it are the ones
// QPainter::begin would use (QPaintDevice::redirected); the event's region lies inside the clip
// Qt gives that painter. Anything else (a shared painter, as render() and grab() use, a pixmap,
// another format or ratio, a widget larger than its surface) returns false and is painted with
// QPainter.
bool QHostWindow::CopyToDevice(const QRegion& Region) {
    if (width() > FSurface.width() || height() > FSurface.height() || sharedPainter() != nullptr) return false;
    QPoint Offset;
    QPaintDevice* const Device = redirected(&Offset);
    if (Device == nullptr || Device->devType() != QInternal::Image) return false;
    auto& Image = *static_cast<QImage*>(Device);
    const QImage::Format Format = Image.format();
    // An RGB32 pixel (0xFFRRGGBB) is the same opaque colour in the two ARGB32 formats.
    if ((Format != QImage::Format_RGB32 && Format != QImage::Format_ARGB32 &&
         Format != QImage::Format_ARGB32_Premultiplied) ||
        Image.devicePixelRatio() != 1.0) {
        return false;
    }
    ++FTally->DeviceCopies;
    // Widget pixel (x, y) is device pixel (x, y) - Offset.
    const QRect Reach = FSurface.rect() & Image.rect().translated(Offset);
    uchar* const Bits = Image.bits();
    const auto Stride = static_cast<std::size_t>(Image.bytesPerLine());
    for (const QRect& Part : Region) {
        const QRect From = Part & Reach;
        if (From.isEmpty()) continue;
        const auto Bytes = 4 * static_cast<std::size_t>(From.width());
        for (int Y = From.top(); Y <= From.bottom(); ++Y) {
            std::memcpy(Bits + static_cast<std::size_t>(Y - Offset.y()) * Stride +
                            4 * static_cast<std::size_t>(From.left() - Offset.x()),
                        FSurface.constScanLine(Y) + 4 * static_cast<std::size_t>(From.left()), Bytes);
        }
    }
    return true;
}

void QHostWindow::keyPressEvent(QKeyEvent* Event) {
    if (FControl == nullptr) {
        QWidget::keyPressEvent(Event);
        return;
    }
    const TKeyRoute Route = RouteKey(*FControl, Event->key(), Event->modifiers(), Event->text(),
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

void QHostWindow::focusInEvent(QFocusEvent* Event) {
    QWidget::focusInEvent(Event);
    if (FControl == nullptr || FForm->ActiveControl() == FControl) return;
    THostCall Call(*this, false);
    FForm->FocusControl(FControl);
}

void QHostWindow::focusOutEvent(QFocusEvent* Event) {
    QWidget::focusOutEvent(Event);
    // An inactive window or an open popup leaves the host focus where it is.
    if (Event->reason() == Qt::ActiveWindowFocusReason || Event->reason() == Qt::PopupFocusReason) return;
    if (FControl == nullptr || FForm->ActiveControl() != FControl) return;
    THostCall Call(*this, false);
    FForm->FocusControl(nullptr);
}

void QHostWindow::mousePressEvent(QMouseEvent* Event) {
    if (FControl == nullptr || Event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(Event);
        return;
    }
    Event->accept();
    THostCall Call(*this, false);
    host::SendClick(*FControl);
}

void QHostWindow::showEvent(QShowEvent* Event) {
    QWidget::showEvent(Event);
    WatchWindow();
    FollowShownSize();
    FHostPaintPending = true;
    update();
}

void QHostWindow::resizeEvent(QResizeEvent* Event) {
    QWidget::resizeEvent(Event);
    if (FControl != nullptr && size() != ShownSize()) {
        FHostPaintPending = true;
        update();
    }
}

// The top-level window's exposure is a host repaint request.
bool QHostWindow::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == FWatchedWindow && Event->type() == QEvent::Expose && FWatchedWindow->isExposed()) {
        FHostPaintPending = true;
        update();
    }
    return QWidget::eventFilter(Watched, Event);
}

void QHostWindow::WatchWindow() {
    QWindow* Top = window()->windowHandle();
    if (Top == FWatchedWindow) return;
    if (FWatchedWindow) FWatchedWindow->removeEventFilter(this);
    FWatchedWindow = Top;
    if (FWatchedWindow) FWatchedWindow->installEventFilter(this);
}

// ---- Focus walk ------------------------------------------------------------------------------

void QHostWindow::ClearFocusSiblings() {
    // The mirrors leave the host form as they go; one holding the host focus gives it up
    // without handlers.
    FSiblings.clear();
}

void QHostWindow::MirrorFocusSiblings() {
    ClearFocusSiblings();
    if (FControl == nullptr) return;
    TQtWidgetSet& WidgetSet = TQtWidgetSet::Instance();
    QWidget* Parent = parentWidget();
    int TabOrder = 0;
    int OwnTabOrder = 0;
    for (QWidget* W : TabChainSiblings(this)) {
        if (W == this) {
            OwnTabOrder = TabOrder++;
            continue;
        }
        if (CanTakeFocus(W, Parent)) {
            auto Mirror = std::make_unique<TSiblingMirror>(WidgetSet, W);
            Mirror->SetParent(FForm.get());
            FSiblings.push_back(std::move(Mirror));
            ++TabOrder;
        } else {
            auto Mirror = std::make_unique<TUnfocusableMirror>();
            Mirror->SetParent(FForm.get());
            FSiblings.push_back(std::move(Mirror));
        }
    }
    // The control came first on the form; its tab order is its place in Qt's.
    FControl->SetTabOrder(OwnTabOrder);
}

}  // namespace vyr::qt
