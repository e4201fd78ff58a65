// AlertCommand: runs a program of the user's for every alert (`[alerts] command=` in Nimbrel.ini), with
// the alert in its environment, and says in the status line how the program ended.
#pragma once

#include "outputs/alert_sink.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace nimbrel {

// The first line a command wrote to its standard error as the status line shows it: at most
// kCommandLineLimit bytes (never half a UTF-8 character), every control character a '?', no line end.
inline constexpr std::size_t kCommandLineLimit = 200;
std::string commandFirstLine(const std::string& bytes);

class AlertCommand final : public AlertSink {
public:
    // `program`: a path (taken as it is when it holds a '/') or a name looked up in PATH. It is run
    // without a shell and without arguments. `status` receives one text per run, from the command's own
    // threads; it must not wait for the thread that destroys this object. A run still going after
    // `timeLimit` is ended: SIGTERM to its process group, SIGKILL a second later.
    AlertCommand(std::string program, std::function<void(const std::string&)> status,
                 std::chrono::milliseconds timeLimit = std::chrono::seconds(30));
    ~AlertCommand() override;
    AlertCommand(const AlertCommand&) = delete;
    AlertCommand& operator=(const AlertCommand&) = delete;

    // Queues a run and returns. Runs of one alert id follow each other in order, never overlapping (an
    // "off" never overtakes its "on"); runs of different ids go side by side. The state known at start
    // (`initial`) runs nothing.
    void alert(const Alert& alert) override;

    // Drops the runs not yet begun, ends the ones under way at once (SIGTERM, SIGKILL a second later),
    // says nothing more in the status line, and joins every thread. Alerts after it are ignored.
    void stop();

private:
    // One alert id's queue and the thread that works through it, made on the id's first alert.
    struct Lane {
        std::deque<Alert> queue;
        std::condition_variable wake;
        std::thread thread;
    };

    void serve(Lane& lane);
    std::string run(const Alert& alert);

    const std::string program_;
    const std::function<void(const std::string&)> status_;
    const std::chrono::milliseconds timeLimit_;

    std::mutex mutex_; // guards lanes_ and every lane's queue
    std::map<std::string, std::unique_ptr<Lane>> lanes_;
    std::atomic<bool> stopping_{false}; // set under mutex_, so a lane waiting for work sees it
};

} // namespace nimbrel
