// HistoryStore: the PC history file, one line per weather record fetched from the station.
#pragma once

#include "station/clock.h"
#include "station/weather_sample.h"
#include "store/history_index.h"
#include "store/history_row_view.h"
#include "store/rain_facts_cache.h"
#include "store/record_range.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace nimbrel {

// Every operation opens the file, works and closes it again, so the file on disk is always
// the whole truth. The store is shared by the acquisition thread and the windows; one lock
// keeps them apart, and an operation that finds the store busy waits for it rather than
// giving up (a fetched record is never dropped because a window was reading).
//
// The file grows by a line every few minutes for years. Nothing here reads the whole file
// per cycle: the last line and the rain walk read from the end backwards (and the rain walk's
// facts are kept between cycles, see RainFactsCache), and range queries read only the blocks of
// lines whose save times can match (see HistoryIndex).
class HistoryStore {
public:
    using RecordVisitor = std::function<bool(const WeatherSample&)>;

    explicit HistoryStore(std::string path, Clock& clock = systemClock());
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    const std::string& path() const { return path_; }

    // With DebugFlag on, lines carry the raw bytes and the history pointer, and a new file
    // starts with a header comment naming the columns.
    void setDebugFlag(bool on);
    bool debugFlag() const;

    // Creates the file when it is missing; false when it can be neither opened nor created. Also
    // removes the temporary files that an interrupted delete left beside it: only the program that
    // holds the data folder's lock opens the store this way.
    bool open();

    // Number in the first column of the last record line; 0 when there is none.
    std::int64_t lastStoredId();
    // The last record line into `record` (the stored columns; other positions keep what they
    // held); clears the record and returns false when there is none.
    bool readLastRecord(WeatherSample& record);

    // Writes a newest-first list as new lines, oldest first. Each record gets the next ID
    // ("%4d") and the current local time as saveTime (a record whose saveTime is the text
    // "saveTime" keeps it). Before writing, a torn last line left by a crash is cut off and
    // a complete one that lost its line end gets it back. False when nothing could be written.
    bool appendRecords(SampleList& records);

    // Removes every line whose ID equals the ID of a record in the list; other IDs are kept as
    // they are, gaps and all. The kept lines go to a new file beside the old one, which
    // replaces it only once it is safely on disk, so a crash leaves the old file or the new. False
    // when the rewrite failed (a full disk): the old file is then kept as it was.
    bool deleteRecords(const SampleList& records);

    // Empties the file; the next append starts again at ID 1.
    bool clearAllRecords();

    // The range loaders select records by saveTime compared as text, from <= saveTime <= to,
    // and keep file order. The target is emptied first when the file holds any record.
    int listRecordsInRange(HistoryRowView& view, const std::string& from, const std::string& to);
    void loadRecordsInRange(SampleList& list, const std::string& from, const std::string& to);
    void loadAllRecords(SampleList& list);

    // Streamed forms: the visitor sees each record in turn (returning false stops the walk) and
    // no list of records is ever built. They return the number of records visited. The visitor
    // runs while the store is held: it must not call the store.
    std::size_t forEachRecordInRange(const std::string& from, const std::string& to,
                                     const RecordVisitor& visit);
    std::size_t forEachRecord(const RecordVisitor& visit);
    // The stored records from the newest line to the oldest, reading the file backwards in
    // blocks from its end: a walk that stops early costs only what it read.
    void readBackward(const RecordVisitor& visit);
    // The rain walk's facts of the stored records, newest first, for `use` while the store is held.
    // They are kept from one call to the next, extended by appendRecords, and read afresh from the
    // file's end when anything else changed it. `use` must not call the store.
    void useRainFacts(const std::function<void(RainFacts&)>& use);
    // How many of those facts are kept: about as many as the last walk used, however long the history.
    std::size_t keptRainFacts();
    // A range as line positions, each row read on demand (for a grid that shows rows lazily). A file
    // that cannot be read gives no rows and says why (RecordRange::failure).
    RecordRange findRecordsInRange(const std::string& from, const std::string& to);

    // Called when an operation finds the store busy, just before it waits for it. Set it
    // before the store is shared between threads.
    void setBusyObserver(std::function<void()> observer);

private:
    std::unique_lock<std::mutex> hold();
    void removeStaleRewrites();
    // Opens the file for reading and brings the index up to date with it.
    FileHandle openIndexed(FileStamp& stamp);
    // Walks the records of [from, to] in file order; `visit` gets the line's position too.
    // `visit` gets the record line without its line end, and where the whole line lies in the file.
    using PlacedVisitor =
        std::function<bool(std::string_view text, std::uint64_t offset, std::size_t length)>;
    // `expected`, when given, is set before the first visit to the number of record lines in the blocks
    // that the walk reads (at least the matches, but for a last line beyond the index).
    std::size_t walkRange(int fd, const FileStamp& stamp, std::string_view from, std::string_view to,
                          bool everything, const PlacedVisitor& visit, std::uint64_t* expected = nullptr);
    // walkRange's visitor for readers of whole records.
    static PlacedVisitor parsedFor(const RecordVisitor& visit);
    bool hasAnyRecord(int fd, const FileStamp& stamp) const;
    std::int64_t lastStoredIdOf(int fd);
    std::int64_t lastStoredIdOfFile();
    // The record lines of the file open as `fd`, line ends removed, from the newest to the oldest.
    static void forEachRecordLineBackward(int fd, const std::function<bool(std::string_view text)>& visit);

    std::string path_;
    Clock& clock_;
    std::atomic<bool> debugFlag_{false};
    std::function<void()> busyObserver_;
    std::mutex busy_; // held by every operation on the file (the store's busy flag)
    HistoryIndex index_;
    ReadBuffer readBuffer_;
    RainFactsCache rainFacts_;
};

} // namespace nimbrel
