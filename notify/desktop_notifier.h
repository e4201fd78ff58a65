// DesktopNotifier: alerts shown as desktop notifications by the notification service on the session bus.
#pragma once

#include "outputs/alert_sink.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace nimbrel {

// Each alert id has one notification on the desktop: an episode's "on" pops it up as critical, its
// "back to normal" replaces it, and the next episode replaces that again, so nothing stacks up.
//
// The D-Bus calls run on a thread of the notifier's own: a desktop whose service hangs holds up neither
// the station cycle nor the window. QtDBus is used without a QCoreApplication of ours: its bus
// connections live on a thread that Qt starts for them, and a blocking call from any thread waits on that
// one, so the same notifier serves the window (which has a QApplication) and nimbrel-cli log (which has
// no Qt event loop at all).
class DesktopNotifier final : public AlertSink {
public:
    // How long one call to the notification service may take; the destructor may wait this long for a
    // call under way.
    static constexpr int kCallTimeoutMs = 3000;
    // Alerts waiting while the service is slow; when full, the oldest makes room.
    static constexpr std::size_t kQueueLimit = 64;

    // `status` receives texts for the status line, on the notifier's thread. `appName` is the program's
    // name that the desktop shows with each notification ("Nimbrel").
    DesktopNotifier(std::function<void(const std::string&)> status, std::string appName);
    // Alerts still waiting are dropped; a call under way is waited for (at most kCallTimeoutMs).
    ~DesktopNotifier() override;
    DesktopNotifier(const DesktopNotifier&) = delete;
    DesktopNotifier& operator=(const DesktopNotifier&) = delete;

    // Queues the alert and returns. A state first known at start (`initial`) is not shown: the desktop
    // hears of changes only.
    void alert(const Alert& alert) override;

private:
    void run();

    std::function<void(const std::string&)> status_;
    std::string appName_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Alert> queue_;
    bool stopping_ = false;
    std::thread thread_; // last: it starts once everything above is in place
};

} // namespace nimbrel
