#include "store/history_store.h"

#include "station/local_stamp.h"
#include "store/history_line.h"
#include "store/replacing_file.h"

#include <cerrno>
#include <cstring>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

namespace nimbrel {

namespace {

constexpr mode_t kNewFileMode = 0644;
// A rewrite writes "Nimbrel.dat.rewrite-XXXXXX" beside the file and renames it over the file.
constexpr std::string_view kRewriteInfix = ".rewrite-";
constexpr std::size_t kRewriteSuffixLength = 6;

} // namespace

HistoryStore::HistoryStore(std::string path, Clock& clock) : path_(std::move(path)), clock_(clock) {}

void HistoryStore::setDebugFlag(bool on) {
    debugFlag_ = on;
}
bool HistoryStore::debugFlag() const {
    return debugFlag_;
}
void HistoryStore::setBusyObserver(std::function<void()> observer) {
    busyObserver_ = std::move(observer);
}

std::unique_lock<std::mutex> HistoryStore::hold() {
    std::unique_lock lock(busy_, std::try_to_lock);
    if (!lock.owns_lock()) {
        if (busyObserver_) busyObserver_();
        lock.lock();
    }
    return lock;
}

bool HistoryStore::open() {
    auto lock = hold();
    removeStaleRewrites();
    FileHandle file(::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, kNewFileMode));
    return file.valid();
}

void HistoryStore::removeStaleRewrites() {
    // A rewrite killed before its rename leaves its temporary file behind; only the program that may
    // write the folder gets here, so any such file is a leftover and never part of the history.
    const std::filesystem::path file(path_);
    const std::filesystem::path folder = file.parent_path().empty() ? "." : file.parent_path();
    const std::string prefix = file.filename().string() + std::string(kRewriteInfix);
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() == prefix.size() + kRewriteSuffixLength &&
            name.compare(0, prefix.size(), prefix) == 0 && it->is_regular_file(ec))
            ::unlink(it->path().c_str());
    }
}

void HistoryStore::forEachRecordLineBackward(int fd, const std::function<bool(std::string_view text)>& visit) {
    const auto stamp = stampOf(fd);
    if (!stamp) return;
    forEachLineBackward(fd, stamp->size, [&](std::string_view line, std::uint64_t) {
        const auto text = recordTextOf(line);
        return !text || visit(*text);
    });
}

std::int64_t HistoryStore::lastStoredIdOf(int fd) {
    std::int64_t id = 0;
    forEachRecordLineBackward(fd, [&](std::string_view text) {
        id = leadingNumber(columnText(text, 1));
        return false;
    });
    return id;
}

std::int64_t HistoryStore::lastStoredIdOfFile() {
    FileHandle file(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
    return file.valid() ? lastStoredIdOf(file.get()) : 0;
}

std::int64_t HistoryStore::lastStoredId() {
    auto lock = hold();
    return lastStoredIdOfFile();
}

bool HistoryStore::readLastRecord(WeatherSample& record) {
    bool found = false;
    readBackward([&](const WeatherSample& last) {
        for (std::size_t c = 0; c < kReadColumns; ++c)
            record.text(kHistoryColumns[c]) = last.text(kHistoryColumns[c]);
        found = true;
        return false;
    });
    if (!found) record.clear();
    return found;
}

void HistoryStore::readBackward(const RecordVisitor& visit) {
    auto lock = hold();
    FileHandle file(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.valid()) return;
    RecordLineParser parser;
    forEachRecordLineBackward(file.get(), [&](std::string_view text) { return visit(parser.parse(text)); });
}

std::size_t HistoryStore::keptRainFacts() {
    auto lock = hold();
    return rainFacts_.kept();
}

void HistoryStore::useRainFacts(const std::function<void(RainFacts&)>& use) {
    auto lock = hold();
    FileHandle file(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
    const auto stamp = file.valid() ? stampOf(file.get()) : std::nullopt;
    if (!stamp) {
        rainFacts_.drop();
        const SampleList noHistory;
        RainFactsOfList none(noHistory);
        use(none);
        return;
    }
    rainFacts_.follow(*stamp);
    RainFactsCache::Walk facts(rainFacts_, file.get());
    use(facts);
}

bool HistoryStore::appendRecords(SampleList& records) {
    auto lock = hold();
    FileHandle file(::open(path_.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, kNewFileMode));
    if (!file.valid()) return false;
    const int fd = file.get();
    auto stamp = stampOf(fd);
    if (!stamp) return false;
    const bool indexed = index_.matches(*stamp);
    if (!indexed) index_.drop();
    const bool factsKept = rainFacts_.matches(*stamp);
    if (!factsKept) rainFacts_.drop();

    const FileTail tail = readTail(fd, stamp->size);
    if (!repairTail(fd, tail)) {
        index_.drop();
        rainFacts_.drop();
        return false;
    }
    if (indexed && !tail.fragment.empty() && isCompleteFragment(tail.fragment))
        index_.addLine(tail.fragment + (tail.fragment.back() == '\r' ? "\n" : "\r\n"), tail.linesEnd);

    std::int64_t id = lastStoredIdOf(fd);
    stamp = stampOf(fd);
    if (!stamp) return false;
    const bool debug = debugFlag_;
    std::string bytes;
    std::vector<std::size_t> lineEnds;
    if (stamp->size == 0 && debug && !records.empty()) {
        bytes = historyHeaderLine();
        lineEnds.push_back(bytes.size());
    }
    for (auto it = records.rbegin(); it != records.rend(); ++it) {
        char idText[24];
        std::snprintf(idText, sizeof idText, "%4lld", static_cast<long long>(++id));
        it->text(WeatherSample::ID) = idText;
        if (it->text(WeatherSample::saveTime) != "saveTime")
            it->text(WeatherSample::saveTime) = localStampText(clock_.nowSeconds());
        bytes += formatHistoryLine(*it, debug);
        lineEnds.push_back(bytes.size());
    }
    if (bytes.empty()) return true;
    if (!writeAll(fd, bytes)) {
        // A full disk may have taken part of the lines: cut them off again, so the file ends as it did
        // (should that fail too, the next write repairs the torn tail). The records are fetched again.
        if (::ftruncate(fd, static_cast<off_t>(stamp->size)) != 0) index_.drop();
        rainFacts_.drop();
        index_.drop();
        return false;
    }
    const auto after = stampOf(fd);
    if (factsKept && after) {
        rainFacts_.addLines(bytes, stamp->size);
        rainFacts_.setStamp(*after);
    }
    if (indexed) {
        std::size_t begin = 0;
        for (std::size_t end : lineEnds) {
            index_.addLine(std::string_view(bytes).substr(begin, end - begin), stamp->size + begin);
            begin = end;
        }
        if (after)
            index_.setStamp(*after);
        else
            index_.drop();
    }
    return true;
}

bool HistoryStore::deleteRecords(const SampleList& records) {
    auto lock = hold();
    rainFacts_.drop(); // the rain walk reads the rewritten file afresh
    FileHandle source(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
    if (!source.valid()) return false;
    struct stat sourceInfo {};
    if (::fstat(source.get(), &sourceInfo) != 0) return false;

    std::unordered_set<std::string> doomed;
    for (const WeatherSample& record : records) doomed.emplace(trimBlanks(record.text(WeatherSample::ID)));

    // The kept lines replace the file only once they are all safely on disk.
    removeStaleRewrites();
    ReplacingFile target(path_, kRewriteInfix);
    if (!target.open()) return false;

    index_.startEmpty();
    const bool debug = debugFlag_;
    bool ok = true;
    auto emit = [&](std::string_view line) {
        index_.addLine(line, target.bytesWritten());
        ok = target.write(line);
    };
    std::string kept;
    forEachLineForward(source.get(), 0, static_cast<std::uint64_t>(sourceInfo.st_size), readBuffer_,
                       [&](std::string_view line, std::uint64_t) {
                           const auto record = recordTextOf(line);
                           if (!record) return true;
                           const std::string_view text = trimBlanks(*record);
                           if (doomed.count(std::string(columnText(text, 1)))) return true;
                           if (target.bytesWritten() == 0 && debug) emit(historyHeaderLine());
                           kept.assign(text);
                           kept.append("\r\n");
                           emit(kept);
                           return ok;
                       });
    if (!ok || !target.commit()) {
        index_.drop();
        return false;
    }
    if (const auto stamp = stampOf(path_))
        index_.setStamp(*stamp);
    else
        index_.drop();
    return true;
}

bool HistoryStore::clearAllRecords() {
    auto lock = hold();
    rainFacts_.drop(); // the rain walk reads the rewritten file afresh
    FileHandle file(::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, kNewFileMode));
    if (!file.valid() || ::ftruncate(file.get(), 0) != 0) {
        index_.drop();
        return false;
    }
    index_.startEmpty();
    if (const auto stamp = stampOf(file.get()))
        index_.setStamp(*stamp);
    else
        index_.drop();
    return true;
}

FileHandle HistoryStore::openIndexed(FileStamp& stamp) {
    FileHandle file(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.valid()) return file;
    const auto current = stampOf(file.get());
    if (!current) return FileHandle{};
    stamp = *current;
    if (!index_.matches(stamp)) index_.build(file.get(), stamp, readBuffer_);
    return file;
}

std::size_t HistoryStore::walkRange(int fd, const FileStamp& stamp, std::string_view from,
                                    std::string_view to, bool everything, const PlacedVisitor& visit,
                                    std::uint64_t* expected) {
    std::size_t visited = 0;
    bool going = true;
    auto take = [&](std::string_view line, std::uint64_t offset) {
        const auto record = recordTextOf(line);
        if (!record) return true;
        const std::string_view text = *record;
        if (!everything) {
            const std::string_view saveTime = columnText(text, 2);
            if (saveTime < from || saveTime > to) return true;
        }
        ++visited;
        going = visit(text, offset, line.size());
        return going;
    };
    if (everything) {
        forEachLineForward(fd, 0, stamp.size, readBuffer_, take);
        return visited;
    }
    // Whole lines of a run that matches throughout are records in the range: no need to look.
    auto takeMatching = [&](std::string_view line, std::uint64_t offset) {
        ++visited;
        going = visit(stripLineEnd(line), offset, line.size());
        return going;
    };
    const std::vector<ByteRun> runs = index_.runsFor(from, to);
    if (expected) {
        *expected = 0;
        for (const ByteRun& run : runs) *expected += run.records;
    }
    for (const ByteRun& run : runs) {
        if (run.allMatch)
            forEachLineForward(fd, run.begin, run.end, readBuffer_, takeMatching);
        else
            forEachLineForward(fd, run.begin, run.end, readBuffer_, take);
        if (!going) return visited;
    }
    // A last line without its line end lies beyond the index.
    if (stamp.size > index_.linesEnd())
        forEachLineForward(fd, index_.linesEnd(), stamp.size, readBuffer_, take);
    return visited;
}

HistoryStore::PlacedVisitor HistoryStore::parsedFor(const RecordVisitor& visit) {
    return [&visit, parser = RecordLineParser()](std::string_view text, std::uint64_t, std::size_t) mutable {
        return visit(parser.parse(text));
    };
}

bool HistoryStore::hasAnyRecord(int fd, const FileStamp& stamp) const {
    if (index_.recordCount() > 0) return true;
    if (stamp.size <= index_.linesEnd()) return false;
    const std::string fragment = readBytes(fd, index_.linesEnd(), stamp.size - index_.linesEnd());
    return recordTextOf(fragment).has_value();
}

std::size_t HistoryStore::forEachRecordInRange(const std::string& from, const std::string& to,
                                               const RecordVisitor& visit) {
    auto lock = hold();
    FileStamp stamp;
    FileHandle file = openIndexed(stamp);
    if (!file.valid()) return 0;
    return walkRange(file.get(), stamp, from, to, false, parsedFor(visit));
}

std::size_t HistoryStore::forEachRecord(const RecordVisitor& visit) {
    auto lock = hold();
    FileHandle file(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.valid()) return 0;
    const auto stamp = stampOf(file.get());
    if (!stamp) return 0;
    return walkRange(file.get(), *stamp, {}, {}, true, parsedFor(visit));
}

RecordRange HistoryStore::findRecordsInRange(const std::string& from, const std::string& to) {
    auto lock = hold();
    RecordRange range;
    FileStamp stamp;
    FileHandle file = openIndexed(stamp);
    if (!file.valid()) {
        range.setFailure(std::strerror(errno));
        return range;
    }
    // The index tells how many rows there can be: one allocation for ten years of positions.
    std::uint64_t expected = 0;
    walkRange(
        file.get(), stamp, from, to, false,
        [&](std::string_view, std::uint64_t offset, std::size_t length) {
            if (expected) {
                range.reserve(expected + 1);
                expected = 0;
            }
            range.addLine(offset, length);
            return true;
        },
        &expected);
    range.adopt(std::move(file));
    return range;
}

int HistoryStore::listRecordsInRange(HistoryRowView& view, const std::string& from, const std::string& to) {
    auto lock = hold();
    FileStamp stamp;
    FileHandle file = openIndexed(stamp);
    if (!file.valid() || !hasAnyRecord(file.get(), stamp)) return 0;
    view.removeAllRows();
    int row = 0;
    walkRange(file.get(), stamp, from, to, false, parsedFor([&](const WeatherSample& record) {
                  view.addRow(record, row++);
                  return true;
              }));
    return row;
}

void HistoryStore::loadRecordsInRange(SampleList& list, const std::string& from, const std::string& to) {
    auto lock = hold();
    FileStamp stamp;
    FileHandle file = openIndexed(stamp);
    if (!file.valid() || !hasAnyRecord(file.get(), stamp)) return;
    list.clear();
    walkRange(file.get(), stamp, from, to, false, parsedFor([&](const WeatherSample& record) {
                  list.push_back(record);
                  return true;
              }));
}

void HistoryStore::loadAllRecords(SampleList& list) {
    bool cleared = false;
    forEachRecord([&](const WeatherSample& record) {
        if (!cleared) list.clear();
        cleared = true;
        list.push_back(record);
        return true;
    });
}

} // namespace nimbrel
