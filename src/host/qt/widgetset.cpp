// The Qt widget set: peers by factory, Qt's event loop as the GUI message loop, the wake-up of
// that loop for synchronised calls, and the driver of the step clock (stepclock.h).
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

#include "QtProbe.h"
#include "stepclock.h"
#include "vyr/host/Threads.h"
#include "vyr/qt/QtBackend.h"

namespace vyr::qt {

namespace {

QPointer<TQtWidgetSet>& TheWidgetSet() {
    static QPointer<TQtWidgetSet> Set;
    return Set;
}

long WakeUps = 0;  // GUI thread

}  // namespace

long detail::WakeUpsHandled() { return WakeUps; }

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
    // Marquee loops run on the step clock unless the application chose threads.
    host::SetBackendStepMode(host::TStepMode::Clock);
    qtclock::TStepClockDriver::For(*Parent);
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
    ++WakeUps;
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

}  // namespace vyr::qt
