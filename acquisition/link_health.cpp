#include "acquisition/link_health.h"

namespace nimbrel {

LinkHealth::Change LinkHealth::set(bool on) {
    if (problem_.exchange(on) == on) return Change::none;
    return on ? Change::began : Change::ended;
}

LinkHealth::Change LinkHealth::answered() {
    silentCycles_ = 0;
    return set(false);
}

LinkHealth::Change LinkHealth::unanswered() {
    // A lock-up begins once, at the second silent cycle, even while an unplug has the problem on.
    if (++silentCycles_ != kSilentCycles) return Change::none;
    ++lockups_;
    problem_ = true;
    return Change::began;
}

LinkHealth::Change LinkHealth::unplugged() {
    silentCycles_ = 0;
    return set(true);
}

} // namespace nimbrel
