// The Qt widget set: peers by factory, Qt's event loop as the GUI message loop, and the wake-up
// of that loop for synchronised calls.
//
// Wake-up: the host calls the hook on the worker thread for every call it queues. The hook posts
// one event to the widget set unless one is already on its way (FWakePosted); the event's handler
// clears the flag first and then runs every call queued, so a call queued while the handler runs
// posts a fresh event. The event is a plain QEvent made by Qt, so the worker hands nothing of its
// own to the GUI thread but through the host's queue, whose mutex orders both sides.
#include <QtCore/QCoreApplication>
#include <QtCore/QEvent>
#include <QtCore/QEventLoop>
#include <QtCore/QThread>
#include <QtCore/QTimer>
#include <stdexcept>

#include "vyr/host/Threads.h"
#include "vyr/qt/QtBackend.h"

namespace vyr::qt {

namespace {

QPointer<TQtWidgetSet>& TheWidgetSet() {
    static QPointer<TQtWidgetSet> Set;
    return Set;
}

}  // namespace

TQtWidgetSet& TQtWidgetSet::Instance() {
    QCoreApplication* App = QCoreApplication::instance();
    if (App == nullptr) {
        throw std::logic_error("vyr::qt: the QApplication must exist before the Qt widget set is used");
    }
    if (QThread::currentThread() != App->thread()) {
        throw std::logic_error("vyr::qt: the Qt widget set is used on the GUI thread only");
    }
    QPointer<TQtWidgetSet>& Set = TheWidgetSet();
    if (Set.isNull()) {
        Set = new TQtWidgetSet(App);
    }
    return *Set;
}

TQtWidgetSet::TQtWidgetSet(QObject* Parent) : QObject(Parent), FWakeType(QEvent::registerEventType()) {
    host::SetGuiThread();
    host::SetWakeMainThread([this] {
        if (!FWakePosted.exchange(true, std::memory_order_acq_rel)) {
            QCoreApplication::postEvent(this, new QEvent(static_cast<QEvent::Type>(FWakeType)));
        }
    });
}

TQtWidgetSet::~TQtWidgetSet() {
    // Waits for a hook call in progress; after this no worker posts to this object.
    host::SetWakeMainThread(nullptr);
}

// Only the wake-up events are custom events of this object, so the handler needs not look at
// the event: the first thing it touches of the workers' state is the queue, under its mutex.
// (The event was made on a worker thread and reached here through Qt's own locking, which a
// thread sanitizer does not see; reading it here would look like a race to one.)
void TQtWidgetSet::customEvent(QEvent* /*Event*/) {
    FWakePosted.store(false, std::memory_order_release);
    ++FWakeUps;
    host::CheckSynchronize();
}

std::unique_ptr<host::TWindowPeer> TQtWidgetSet::CreatePeer(host::TWinControl& Control) {
    const auto It = FFactories.find(&Control);
    if (It != FFactories.end()) {
        return It->second();
    }
    return std::make_unique<host::TWindowPeer>();
}

void TQtWidgetSet::SetPeerFactory(const host::TWinControl& Control, TPeerFactory Factory) {
    FFactories[&Control] = std::move(Factory);
}

void TQtWidgetSet::ClearPeerFactory(const host::TWinControl& Control) { FFactories.erase(&Control); }

void TQtWidgetSet::RunFor(std::chrono::milliseconds Duration) {
    QEventLoop Loop;
    FLoop = &Loop;
    QTimer::singleShot(Duration, &Loop, &QEventLoop::quit);
    Loop.exec();
    FLoop = nullptr;
}

void TQtWidgetSet::Quit() {
    if (!FLoop.isNull()) FLoop->quit();
}

void TQtWidgetSet::ProcessMessages() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    host::CheckSynchronize();
}

// ---- Conversions -----------------------------------------------------------------------------

host::Word VirtualKey(int QtKey) {
    namespace vk = host::vk;
    switch (QtKey) {
        case Qt::Key_Backspace:
            return vk::Back;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return vk::Tab;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return vk::Return;
        case Qt::Key_Escape:
            return vk::Escape;
        case Qt::Key_Space:
            return 32;
        case Qt::Key_PageUp:
            return vk::Prior;
        case Qt::Key_PageDown:
            return vk::Next;
        case Qt::Key_End:
            return vk::End;
        case Qt::Key_Home:
            return vk::Home;
        case Qt::Key_Left:
            return vk::Left;
        case Qt::Key_Up:
            return vk::Up;
        case Qt::Key_Right:
            return vk::Right;
        case Qt::Key_Down:
            return vk::Down;
        case Qt::Key_Insert:
            return vk::Insert;
        case Qt::Key_Delete:
            return vk::Delete;
        default:
            break;
    }
    // F1..F24 are 112..135.
    if (QtKey >= Qt::Key_F1 && QtKey <= Qt::Key_F24) {
        return static_cast<host::Word>(112 + (QtKey - Qt::Key_F1));
    }
    return 0;
}

host::TShiftState ShiftState(Qt::KeyboardModifiers Modifiers) {
    host::TShiftState Shift = 0;
    if (Modifiers.testFlag(Qt::ShiftModifier)) Shift |= host::ssShift;
    if (Modifiers.testFlag(Qt::ControlModifier)) Shift |= host::ssCtrl;
    if (Modifiers.testFlag(Qt::AltModifier)) Shift |= host::ssAlt;
    return Shift;
}

host::AnsiString ToAnsi(const QString& Text) {
    const QByteArray Latin1 = Text.toLatin1();  // '?' for what Latin-1 lacks
    return host::AnsiString(Latin1.constData(), static_cast<std::size_t>(Latin1.size()));
}

QString FromAnsi(const host::AnsiString& Text) {
    return QString::fromLatin1(Text.data(), static_cast<qsizetype>(Text.size()));
}

host::TColor ToTColor(const QColor& Color) {
    if (!Color.isValid()) return 0;
    const QRgb Rgb = Color.rgb();
    return static_cast<host::TColor>(qRed(Rgb)) | (static_cast<host::TColor>(qGreen(Rgb)) << 8) |
           (static_cast<host::TColor>(qBlue(Rgb)) << 16);
}

QColor ToQColor(host::TColor Color) {
    return QColor(static_cast<int>(Color & 0xFF), static_cast<int>((Color >> 8) & 0xFF),
                  static_cast<int>((Color >> 16) & 0xFF));
}

}  // namespace vyr::qt
