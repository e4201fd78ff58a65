#include "acquisition/connection_watch.h"

#include "station/station_access.h"
#include "store/history_store.h"

namespace nimbrel {

ConnectionWatch::ConnectionWatch(StationAccess& station, HistoryStore& store, bool searchData)
    : station_(station), store_(store), searchData_(searchData) {}

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
    if (searchData_ && result.newlyFound) {
        // The start-up work for a new connection: learn where the stored history ends, so the
        // first download knows its place. Then the acquisition thread may read the station. The
        // watch runs on the window's thread: it does not wait long for a busy store (every
        // download reads the file's end itself anyway).
        store_.lastStoredIdWithin(kStorePatience);
        station_.markSynchronised();
    }
    result.connectionChanged = station_.hasConnectionChanged();
    result.connected = station_.isConnected();
    result.accessDenied = !result.connected && station_.lastFindWasRefused();
    return result;
}

} // namespace nimbrel
