// The Qt Quick widget set: peers by factory, Qt's event loop as the GUI message loop, the
// wake-up of that loop for synchronised calls, and the driver of the step clock (stepclock.h).
//
// Wake-up: the host calls the hook on the worker thread for every call it queues. The hook posts
// one event to the widget set unless one is already on its way (FWakePosted); the event's handler
// clears the flag first and then runs every call queued, so a call queued while the handler runs
// posts a fresh event.
#include <QtCore/QCoreApplication>
#include <QtCore/QEvent>
#include <QtCore/QEventLoop>
#include <QtCore/QThread>
#include <QtCore/QTimer>
#include <stdexcept>

#include "../qt/stepclock.h"
#include "QuickProbe.h"
#include "vyr/host/Threads.h"
#include "vyr/quick/QuickBackend.h"

namespace vyr::quick {

namespace {

QPointer<TQuickWidgetSet>& TheWidgetSet() {
    static QPointer<TQuickWidgetSet> Set;
    return Set;
}

long WakeUps = 0;  // GUI thread

}  // namespace

long detail::WakeUpsHandled() { return WakeUps; }

TQuickWidgetSet& TQuickWidgetSet::Instance() {
    QCoreApplication* App = QCoreApplication::instance();
    if (App == nullptr) {
        throw std::logic_error("vyr::quick: the QGuiApplication must exist before the Qt Quick widget set is used");
    }
    if (QThread::currentThread() != App->thread()) {
        throw std::logic_error("vyr::quick: the Qt Quick widget set is used on the GUI thread only");
    }
    QPointer<TQuickWidgetSet>& Set = TheWidgetSet();
    if (Set.isNull()) {
        Set = new TQuickWidgetSet(App);
    }
    return *Set;
}

TQuickWidgetSet::TQuickWidgetSet(QObject* Parent) : QObject(Parent), FWakeType(QEvent::registerEventType()) {
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

TQuickWidgetSet::~TQuickWidgetSet() {
    // Waits for a hook call in progress; after this no worker posts to this object.
    host::SetWakeMainThread(nullptr);
}

// Only the wake-up events are custom events of this object.
void TQuickWidgetSet::customEvent(QEvent* /*Event*/) {
    FWakePosted.store(false, std::memory_order_release);
    ++WakeUps;
    host::CheckSynchronize();
}

std::unique_ptr<host::TWindowPeer> TQuickWidgetSet::CreatePeer(host::TWinControl& Control) {
    const auto It = FFactories.find(&Control);
    if (It != FFactories.end()) {
        return It->second();
    }
    return std::make_unique<host::TWindowPeer>();
}

void TQuickWidgetSet::SetPeerFactory(const host::TWinControl& Control, TPeerFactory Factory) {
    FFactories[&Control] = std::move(Factory);
}

void TQuickWidgetSet::ClearPeerFactory(const host::TWinControl& Control) { FFactories.erase(&Control); }

void TQuickWidgetSet::RunFor(std::chrono::milliseconds Duration) {
    QEventLoop Loop;
    FLoop = &Loop;
    QTimer::singleShot(Duration, &Loop, &QEventLoop::quit);
    Loop.exec();
    FLoop = nullptr;
}

void TQuickWidgetSet::Quit() {
    if (!FLoop.isNull()) FLoop->quit();
}

void TQuickWidgetSet::ProcessMessages() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    host::CheckSynchronize();
}

}  // namespace vyr::quick
