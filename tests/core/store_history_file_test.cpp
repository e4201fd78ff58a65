// The history file's line readers where their blocks meet, over part of a file, and over a file that
// another program cut shorter than the reader was told.
#include "store/history_file.h"
#include "tests/support/temp_dir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace nimbrel {
namespace {

// Each line handed out with its offset; a long line by its length only.
using Seen = std::vector<std::pair<std::string, std::uint64_t>>;

struct OpenFile {
    testing::TempDir dir;
    FileHandle file;
    explicit OpenFile(const std::string& bytes) {
        dir.write("Nimbrel.dat", bytes);
        file = FileHandle(::open((dir / "Nimbrel.dat").c_str(), O_RDONLY | O_CLOEXEC));
    }
    Seen forward(std::uint64_t begin, std::uint64_t end) {
        Seen seen;
        ReadBuffer buffer;
        forEachLineForward(file.get(), begin, end, buffer, [&](std::string_view line, std::uint64_t offset) {
            seen.emplace_back(line.size() > 100 ? std::to_string(line.size()) : std::string(line), offset);
            return true;
        });
        return seen;
    }
};

// The forward reader takes a megabyte at a time: a line cut by that block is read whole however
// many of its bytes the first block holds (none, one, two, all but its LF).
TEST(StoreHistoryFile, ForwardReaderJoinsALineCutByItsBlock) {
    constexpr std::uint64_t kBlock = 1 << 20;
    for (const std::uint64_t held : {0, 1, 2, 9}) {
        const std::uint64_t start = kBlock - held; // where "1234, cut\n" begins
        OpenFile f(std::string(start - 1, 'x') + "\n" + "1234, cut\n" + "tail");
        ASSERT_TRUE(f.file.valid());
        EXPECT_EQ(f.forward(0, start + 14),
                  (Seen{{std::to_string(start), 0}, {"1234, cut\n", start}, {"tail", start + 10}}))
            << held;
    }
}

// Over part of the file only the lines of that part are handed out, the last one cut at its end;
// a file shorter than the reader was told gives what it holds.
TEST(StoreHistoryFile, ForwardReaderStaysInsideItsRange) {
    OpenFile f("a\nbc\nde\nf");
    EXPECT_EQ(f.forward(2, 7), (Seen{{"bc\n", 2}, {"de", 5}}));
    EXPECT_EQ(f.forward(5, 6), (Seen{{"d", 5}}));
    EXPECT_EQ(f.forward(5, 5), Seen{});
    EXPECT_EQ(f.forward(5, 400), (Seen{{"de\n", 5}, {"f", 8}}));
}

// A file cut shorter than the end the backward reader was given: it hands out nothing and says so,
// where the file's first line is an ordinary end.
TEST(StoreHistoryFile, BackwardReaderStopsWhenTheFileShrank) {
    OpenFile f("a\nbc\n");
    BackwardLines shrunk(f.file.get(), 400);
    std::string_view line;
    std::uint64_t offset = 0;
    EXPECT_FALSE(shrunk.next(line, offset));
    EXPECT_TRUE(shrunk.failed());

    BackwardLines whole(f.file.get(), 5);
    Seen seen;
    while (whole.next(line, offset)) seen.emplace_back(std::string(line), offset);
    EXPECT_EQ(seen, (Seen{{"bc\n", 2}, {"a\n", 0}}));
    EXPECT_FALSE(whole.failed());
}

} // namespace
} // namespace nimbrel
