// RecordFeed: the stored records an output has not had yet, read from the history file from where the
// output stands, and that place kept in a small file so a restart goes on from it.
#pragma once

#include "outputs/output_reading.h"
#include "store/history_store.h"

#include <chrono>
#include <cstddef>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace nimbrel {

// Where an output stands in the history: the sample time ("YYYY-MM-DD HH:MM:SS", local) and station
// address of the last record it got, not its ID, which changes when records are deleted. Without an
// address it is a moment: every record sampled until then counts as had.
struct RecordPosition {
    std::string sampleTime;
    std::string hexAdd;

    bool operator==(const RecordPosition&) const = default;
};

// "sample time<TAB>address" on one line, and back; nothing for a damaged text.
std::string positionText(const RecordPosition& position);
std::optional<RecordPosition> positionFromText(const std::string& text);

struct StoredRecord {
    RecordPosition position;
    std::string id; // the record's ID as stored, so a consumer can drop a duplicate
    // Timed by its sample time, with the rain since local midnight as of that time when the history
    // holds the day up to it.
    OutputReading reading;
};

class RecordFeed {
public:
    // `positionFile` empty: nothing is kept and every start begins at "now". `say` hears once that the
    // file cannot be written.
    // `clock` is the program's: the one the records' times were stamped by.
    RecordFeed(std::string historyFile, std::string positionFile, int catchupDays, Clock& clock,
               std::function<void(const std::string&)> say = {});

    // The kept position, or when there is none (or a damaged one) "now": the newest record stored at
    // this moment, or this moment itself before the first record, which is kept at once. Never the
    // beginning of the history: a first download's ring is older than "now" and is not sent.
    void begin();
    const RecordPosition& position() const { return position_; }

    // The records stored after `from` (the file's order is the order they were stored in), oldest first,
    // at most `most`, none sampled more than catchupDays before now. A `from` that is no longer in the
    // file (deleted) is taken as the moment of its sample time.
    std::vector<StoredRecord> after(const RecordPosition& from, std::size_t most);
    // The position of the newest stored record; nothing for an empty history.
    std::optional<RecordPosition> newest();

    // The output has had everything up to `position`: kept in the file at once.
    void keep(const RecordPosition& position);

private:
    void write();

    HistoryStore store_;
    std::string positionFile_;
    int catchupDays_;
    Clock& clock_;
    RecordPosition position_;
    std::function<void(const std::string&)> say_;
    bool keepFailed_ = false; // said, until a write succeeds
};

} // namespace nimbrel
