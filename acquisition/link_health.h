// LinkHealth: whether the station answers, for the session, the window and the logger alike.
#pragma once

#include <atomic>
#include <cstdint>

namespace nimbrel {

// The "station problem": on while the station is locked up (still attached, but no answer for two
// cycles in a row) or unplugged; off as soon as it answers again. A stopped station is tried again once
// a cycle with one short exchange. Each call says whether the problem began or ended with it, so the
// caller tells the user once per change. Thread-safe for the readers of the report.
class LinkHealth {
public:
    // Cycles in a row without an answer before the station counts as locked up.
    static constexpr int kSilentCycles = 2;

    enum class Change { none, began, ended };

    Change answered();
    Change unanswered();
    Change unplugged();

    bool problem() const { return problem_; }
    // Whether the last cycle found it attached but silent: the next one only tries one short exchange.
    bool silent() const { return silentCycles_ > 0; }
    bool lockedUp() const { return problem_ && silentCycles_ >= kSilentCycles; }
    std::uint64_t lockupsSuspected() const { return lockups_; }

private:
    Change set(bool on);

    std::atomic<bool> problem_{false};
    std::atomic<int> silentCycles_{0};
    std::atomic<std::uint64_t> lockups_{0};
};

} // namespace nimbrel
