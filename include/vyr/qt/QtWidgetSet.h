/// @file
/// The Qt 6 Widgets backend's widget set: Qt's event loop as the host's GUI message loop, the
/// windows (peers) of host window controls, and the wake-up of that loop for the steps that
/// worker threads hand over with TThread::Synchronize. The backend as a whole: vyr/qt/QtBackend.h.
///
/// Threads: everything here runs on Qt's GUI thread, which the widget set makes the host's GUI
/// thread; only the wake-up hook runs on worker threads.
#pragma once

#include <QtCore/QObject>
#include <QtCore/QPointer>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <unordered_map>

#include "vyr/host/Backend.h"
#include "vyr/host/Controls.h"

class QEventLoop;

namespace vyr::qt {

/// The application's widget set. Made on first use, on Qt's GUI thread once the QApplication
/// exists, and destroyed with the application object; it makes Qt's GUI thread the host's GUI
/// thread and wakes Qt's event loop for every synchronised call a worker thread queues.
class TQtWidgetSet final : public QObject, public host::TWidgetSet {
    Q_OBJECT
public:
    /// Throws std::logic_error without a QCoreApplication or off its thread.
    static TQtWidgetSet& Instance();

    /// The window of Control: the one its peer factory makes (SetPeerFactory), else a window
    /// without a surface, which draws nowhere.
    std::unique_ptr<host::TWindowPeer> CreatePeer(host::TWinControl& Control) override;
    /// Runs Qt's event loop for Duration (or until Quit): synchronised calls and paint events are
    /// delivered as they come.
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
    explicit TQtWidgetSet(QObject* Parent);
    ~TQtWidgetSet() override;

    const int FWakeType;
    std::atomic<bool> FWakePosted{false};
    std::unordered_map<const host::TWinControl*, TPeerFactory> FFactories;
    QPointer<QEventLoop> FLoop;
};

}  // namespace vyr::qt
