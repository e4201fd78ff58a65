// ConnectionWatch: the once-a-second look for the station that keeps the connection flags moving.
#pragma once

namespace nimbrel {

class StationAccess;

// The main window calls tick() from its 1-second timer; the headless logger from its loop.
class ConnectionWatch {
public:
    struct TickResult {
        bool polled = false;            // the station was looked for (or checked) on this tick
        bool newlyFound = false;        // this tick found the station
        bool connectionChanged = false; // found or lost: redraw the connection picture
        bool connected = false;         // what the connection picture shows
        bool accessDenied = false;      // not connected: a station is there that this user may not open
    };

    // With searchData off the watch stops for good once the station is found (no thread polls
    // then, and nothing marks the connection synchronised again).
    ConnectionWatch(StationAccess& station, bool searchData);

    TickResult tick();

private:
    StationAccess& station_;
    bool searchData_;
};

} // namespace nimbrel
