#include "app/alert_command.h"

#include "station/local_stamp.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string_view>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace nimbrel {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// How long a command has between SIGTERM and SIGKILL.
constexpr auto kTermGrace = 1s;
// How often a running command is looked at for its end: its standard error wakes us at once when it
// ends, but a child of it may hold that pipe open longer.
constexpr auto kLookSlice = 20ms;

constexpr std::array<std::string_view, 6> kAlertVariables = {
    "NIMBREL_ALERT", "NIMBREL_STATE", "NIMBREL_VALUE", "NIMBREL_THRESHOLD", "NIMBREL_UNIT", "NIMBREL_TIME"};

// The program's own environment with the alert's variables put in (any of ours inherited replaced).
std::vector<std::string> commandEnvironment(const Alert& alert) {
    std::vector<std::string> env;
    for (char** entry = environ; entry && *entry; ++entry) {
        const std::string_view text(*entry);
        bool ours = false;
        for (std::string_view name : kAlertVariables)
            ours = ours || (text.size() > name.size() && text.starts_with(name) && text[name.size()] == '=');
        if (!ours) env.emplace_back(text);
    }
    const std::array<std::string, 6> values = {alert.id,    alert.on ? "on" : "off",
                                               alert.value, alert.threshold,
                                               alert.unit,  localStampText(alert.time)};
    for (std::size_t i = 0; i < kAlertVariables.size(); ++i)
        env.push_back(std::string(kAlertVariables[i]) + '=' + values[i]);
    return env;
}

std::string limitText(std::chrono::milliseconds limit) {
    if (limit.count() % 1000 == 0) return std::to_string(limit.count() / 1000) + " s";
    return std::to_string(limit.count()) + " ms";
}

// The command's standard error: only the first line is kept, the rest is read and dropped so the
// command never blocks on a full pipe.
class ErrorPipe {
public:
    explicit ErrorPipe(int fd) : fd_(fd) {}
    ~ErrorPipe() { close(); }
    ErrorPipe(const ErrorPipe&) = delete;
    ErrorPipe& operator=(const ErrorPipe&) = delete;

    // Waits up to `slice` for bytes and reads what is there.
    void await(Clock::duration slice) {
        pollfd pfd{fd_, POLLIN, 0};
        const auto ms = std::chrono::ceil<std::chrono::milliseconds>(slice).count();
        if (::poll(&pfd, 1, static_cast<int>(std::max<decltype(ms)>(ms, 0))) > 0) drain();
    }

    void drain() {
        char buffer[4096];
        while (fd_ >= 0) {
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return; // EAGAIN: nothing more for now
            if (n == 0) {
                close();
                return;
            }
            if (!lineDone_) {
                const std::string_view got(buffer, static_cast<std::size_t>(n));
                const auto end = got.find('\n');
                line_.append(got.substr(0, end));
                lineDone_ = end != std::string_view::npos || line_.size() > 4 * kCommandLineLimit;
            }
        }
    }

    std::string firstLine() const { return commandFirstLine(line_); }

private:
    void close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

    int fd_;
    std::string line_;
    bool lineDone_ = false;
};

// Whether the child has ended, without reaping it: while it is not reaped its pid, and so its process
// group's id, cannot be given to anyone else, so signalling the group stays safe.
// A child that cannot be waited for (SIGCHLD ignored elsewhere in the program) counts as ended.
bool hasEnded(pid_t pid) {
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
        return errno != EINTR;
    return info.si_pid != 0;
}

struct Spawned {
    pid_t pid = -1;
    int error = 0;
    int errorFd = -1;
};

Spawned spawnCommand(const std::string& program, const Alert& alert) {
    Spawned result;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        result.error = errno;
        return result;
    }
    std::vector<std::string> env = commandEnvironment(alert);
    std::vector<char*> envp;
    for (std::string& entry : env) envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::string argv0 = program;
    char* argv[] = {argv0.data(), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || __GLIBC_MINOR__ >= 34)
    // Our own descriptors are close-on-exec; this also keeps out any that a library of the program
    // left inheritable (a broker's socket, the station's device).
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
#endif
    // Its own process group, so the time limit reaches what a script started; signals as a fresh
    // program has them, whatever this program blocks or ignores.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    const bool lookUp = program.find('/') == std::string::npos;
    result.error = lookUp ? ::posix_spawnp(&result.pid, program.c_str(), &actions, &attr, argv, envp.data())
                          : ::posix_spawn(&result.pid, program.c_str(), &actions, &attr, argv, envp.data());
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (result.error != 0) {
        ::close(fds[0]);
        return result;
    }
    ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
    result.errorFd = fds[0];
    return result;
}

} // namespace

std::string commandFirstLine(const std::string& bytes) {
    std::string line = bytes.substr(0, bytes.find('\n'));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > kCommandLineLimit) {
        line.resize(kCommandLineLimit);
        // Back to the start of the last character, then drop it when it does not fit whole.
        std::size_t start = line.size();
        while (start > 0 && (static_cast<unsigned char>(line[start - 1]) & 0xC0) == 0x80) --start;
        if (start > 0) {
            const auto lead = static_cast<unsigned char>(line[start - 1]);
            const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
            if (line.size() - (start - 1) < length) line.resize(start - 1);
        }
    }
    for (char& c : line)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return line;
}

AlertCommand::AlertCommand(std::string program, std::function<void(const std::string&)> status,
                           std::chrono::milliseconds timeLimit)
    : program_(std::move(program)), status_(std::move(status)), timeLimit_(timeLimit) {}

AlertCommand::~AlertCommand() {
    stop();
}

void AlertCommand::alert(const Alert& alert) {
    if (alert.initial) return;
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    std::unique_ptr<Lane>& lane = lanes_[alert.id];
    if (!lane) {
        lane = std::make_unique<Lane>();
        lane->thread = std::thread(&AlertCommand::serve, this, std::ref(*lane));
    }
    lane->queue.push_back(alert);
    lane->wake.notify_one();
}

void AlertCommand::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        for (auto& [id, lane] : lanes_) {
            lane->queue.clear();
            lane->wake.notify_one();
        }
    }
    // No lane is added once stopping_ is set, so the map holds still while the threads are joined.
    for (auto& [id, lane] : lanes_)
        if (lane->thread.joinable()) lane->thread.join();
}

void AlertCommand::serve(Lane& lane) {
    std::unique_lock lock(mutex_);
    for (;;) {
        lane.wake.wait(lock, [&] { return stopping_ || !lane.queue.empty(); });
        if (stopping_) return;
        const Alert alert = std::move(lane.queue.front());
        lane.queue.pop_front();
        lock.unlock();
        const std::string text = run(alert);
        if (!stopping_ && status_) status_(text);
        lock.lock();
    }
}

std::string AlertCommand::run(const Alert& alert) {
    const std::string head =
        "Alert command " + program_ + " (" + alert.id + ' ' + (alert.on ? "on" : "off") + "): ";
    const Spawned child = spawnCommand(program_, alert);
    if (child.error != 0) return head + "cannot be run: " + std::generic_category().message(child.error);

    ErrorPipe errors(child.errorFd);
    const auto deadline = Clock::now() + timeLimit_;
    bool overTime = false;
    while (!hasEnded(child.pid)) {
        const auto now = Clock::now();
        if (stopping_ || now >= deadline) {
            overTime = !stopping_;
            // Ended by the limit or by the program closing: SIGTERM to the group, a second to go, then
            // SIGKILL to whatever of the group is left (a script's child that ignores SIGTERM).
            ::kill(-child.pid, SIGTERM);
            const auto grace = Clock::now() + kTermGrace;
            while (!hasEnded(child.pid) && Clock::now() < grace) errors.await(kLookSlice);
            ::kill(-child.pid, SIGKILL);
            break;
        }
        errors.await(std::min<Clock::duration>(kLookSlice, deadline - now));
    }
    errors.drain();
    int status = 0;
    pid_t reaped;
    while ((reaped = ::waitpid(child.pid, &status, 0)) < 0 && errno == EINTR) {
    }

    std::string text;
    if (overTime)
        text = "did not end within " + limitText(timeLimit_) + " and was stopped";
    else if (reaped < 0)
        text = "ended, its exit status unknown";
    else if (WIFSIGNALED(status))
        text = "ended by signal " + std::to_string(WTERMSIG(status));
    else
        text = "exit status " + std::to_string(WEXITSTATUS(status));
    const std::string line = errors.firstLine();
    return head + text + (line.empty() ? "" : ": " + line);
}

} // namespace nimbrel
