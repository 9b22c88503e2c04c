// The step clock's driver on Qt's event loop, one for the application, shared by the Qt Widgets
// and the Qt Quick widget sets: one single-shot precise timer for every clock-mode loop, armed for the
// earliest loop due (NextStepDue), whose timeout runs one pass of the clock (RunDueSteps). The
// host calls the wake hook when a loop comes due sooner (resumed, terminated) and after every
// pass, so the timer always waits for the next due loop and an idle program has no timer at all.
// A loop due now (a delay of 0) arms the timer at 0 ms: the loop then steps once per turn of the
// event loop, which still delivers every other event in between.
//
// Private to the backends (not installed); tests include it to count the passes.
#pragma once

#include <QtCore/QObject>
#include <QtCore/QTimer>
#include <algorithm>
#include <chrono>
#include <climits>

#include "vyr/host/Threads.h"

namespace vyr::qtclock {

class TStepClockDriver final : public QObject {
public:
    static constexpr const char* Name = "vyrStepClock";

    explicit TStepClockDriver(QObject* Parent) : QObject(Parent) {
        setObjectName(QString::fromLatin1(Name));
        FTimer.setTimerType(Qt::PreciseTimer);
        FTimer.setSingleShot(true);
        QObject::connect(&FTimer, &QTimer::timeout, this, [this] {
            ++FPasses;
            if (!host::RunDueSteps()) Arm();  // a pass that ran a loop re-arms through the hook
        });
        host::SetStepClockWake([this] { Arm(); });
    }
    ~TStepClockDriver() override { host::SetStepClockWake(nullptr); }
    TStepClockDriver(const TStepClockDriver&) = delete;
    TStepClockDriver& operator=(const TStepClockDriver&) = delete;

    // Timeouts of the clock's timer so far (each one pass, or nothing due yet).
    [[nodiscard]] long Passes() const { return FPasses; }

    // The application's driver (a child of App), or null.
    static TStepClockDriver* Of(const QObject& App) {
        return static_cast<TStepClockDriver*>(
            App.findChild<QObject*>(QString::fromLatin1(Name), Qt::FindDirectChildrenOnly));
    }
    // The application's driver, made on first use (GUI thread).
    static TStepClockDriver& For(QObject& App) {
        TStepClockDriver* Driver = Of(App);
        return Driver != nullptr ? *Driver : *new TStepClockDriver(&App);
    }

private:
    void Arm() {
        const auto Next = host::NextStepDue();
        if (!Next) {
            FTimer.stop();
            return;
        }
        // Rounded up: a timer that fired before the loop's time would find nothing due.
        const auto Wait = std::chrono::ceil<std::chrono::milliseconds>(*Next - std::chrono::steady_clock::now());
        const int Ms = static_cast<int>(std::clamp<long long>(Wait.count(), 0, INT_MAX));
        if (FTimer.isActive() && FTimer.remainingTime() <= Ms) return;
        FTimer.start(Ms);
    }

    QTimer FTimer;
    long FPasses = 0;
};

}  // namespace vyr::qtclock
