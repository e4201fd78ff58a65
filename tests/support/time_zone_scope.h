// TimeZoneScope: puts the process into a time zone for one test and restores the previous one.
#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace nimbrel::testing {

class TimeZoneScope {
public:
    explicit TimeZoneScope(const char* zone) {
        if (const char* old = std::getenv("TZ")) saved_ = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~TimeZoneScope() {
        if (saved_)
            setenv("TZ", saved_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    TimeZoneScope(const TimeZoneScope&) = delete;
    TimeZoneScope& operator=(const TimeZoneScope&) = delete;

private:
    std::optional<std::string> saved_;
};

}  // namespace nimbrel::testing
