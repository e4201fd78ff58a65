#include "acquisition/connection_watch.h"

#include "station/station_access.h"

namespace nimbrel {

ConnectionWatch::ConnectionWatch(StationAccess& station, bool searchData)
    : station_(station), searchData_(searchData) {}

ConnectionWatch::TickResult ConnectionWatch::tick() {
    TickResult result;
    if (!station_.isSynchronised()) {
        result.connected = station_.isConnected();
        return result;
    }
    station_.pollConnection();
    result.polled = true;
    // A poll that finds the station clears `synchronised`; nothing else does.
    result.newlyFound = !station_.isSynchronised();
    // A new connection: the acquisition thread may read the station again. Every download reads
    // where the stored history ends itself, so the watch (on the window's thread) never touches
    // the store.
    if (searchData_ && result.newlyFound) station_.markSynchronised();
    result.connectionChanged = station_.hasConnectionChanged();
    result.connected = station_.isConnected();
    result.accessDenied = !result.connected && station_.lastFindWasRefused();
    return result;
}

} // namespace nimbrel
