// The history file's line readers where their blocks meet, over part of a file, over a file that
// another program cut shorter than the reader was told and past lines too long to hold a record; and
// what the file's tail is.
#include "store/history_file.h"
#include "tests/support/temp_dir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace nimbrel {
namespace {

// Each line handed out with its offset; a long line by its length and its first and last characters.
using Seen = std::vector<std::pair<std::string, std::uint64_t>>;

std::string shown(std::string_view line) {
    if (line.size() <= 100) return std::string(line);
    return std::to_string(line.size()) + ":" + line.front() + "..." + line.back();
}

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
            seen.emplace_back(shown(line), offset);
            return true;
        });
        return seen;
    }
    Seen backward(std::uint64_t end) {
        Seen seen;
        BackwardLines lines(file.get(), end);
        std::string_view line;
        std::uint64_t offset = 0;
        while (lines.next(line, offset)) seen.emplace_back(shown(line), offset);
        EXPECT_FALSE(lines.failed());
        return seen;
    }
};

// The forward reader takes a megabyte at a time: a line cut by that block is read whole however
// many of its bytes the first block holds (none, one, two, all but its LF), also when the next
// block is a whole megabyte.
TEST(StoreHistoryFile, ForwardReaderJoinsALineCutByItsBlock) {
    constexpr std::uint64_t kBlock = 1 << 20;
    for (const std::uint64_t held : {0, 1, 2, 9}) {
        for (const std::uint64_t after : {std::uint64_t{4}, 2 * kBlock}) {
            const std::uint64_t start = kBlock - held; // where "1234, cut\n" begins
            const std::string last(after, 'z');
            OpenFile f(std::string(start - 1, 'x') + "\n" + "1234, cut\n" + last);
            ASSERT_TRUE(f.file.valid());
            EXPECT_EQ(f.forward(0, start + 10 + after), (Seen{{std::to_string(start) + ":x...\n", 0},
                                                              {"1234, cut\n", start},
                                                              {shown(last), start + 10}}))
                << held << " " << after;
        }
    }
    // A line longer than a block, after a first line that is only its LF.
    OpenFile f("\n" + std::string(kBlock + 5, 'y') + "\nend");
    EXPECT_EQ(f.forward(0, kBlock + 10),
              (Seen{{"\n", 0}, {std::to_string(kBlock + 6) + ":y...\n", 1}, {"end", kBlock + 7}}));
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

// The backward reader takes 64 KiB from the end first: a line cut by that block is read whole however
// many of its bytes the block holds (none, its LF only, two, all but its first, all).
TEST(StoreHistoryFile, BackwardReaderJoinsALineCutByItsBlock) {
    constexpr std::uint64_t kBlock = 1 << 16;
    for (const std::uint64_t held : {0, 1, 2, 9, 10}) {
        const std::string last(kBlock - held, 'z'); // after "1234, cut\n", without a line end
        OpenFile f(std::string(99, 'a') + "\n" + "1234, cut\n" + last);
        EXPECT_EQ(f.backward(110 + last.size()),
                  (Seen{{shown(last), 110}, {"1234, cut\n", 100}, {std::string(99, 'a') + "\n", 0}}))
            << held;
    }
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
    EXPECT_FALSE(shrunk.next(line, offset)); // and stays stopped

    EXPECT_EQ(f.backward(5), (Seen{{"bc\n", 2}, {"a\n", 0}}));
}

// A line far past the longest a record can be (a megabyte) holds no record: the backward reader
// hands it out empty at its offset, the file's first line too, and goes on to the lines before it.
TEST(StoreHistoryFile, BackwardReaderHandsOutAnOverlongLineEmpty) {
    const std::string junk(4 * BackwardLines::kLongestLine, 'j');
    OpenFile f(junk + "\nab\n" + junk + "\ncd");
    const std::uint64_t second = junk.size() + 4;
    EXPECT_EQ(f.backward(second + junk.size() + 3),
              (Seen{{"cd", second + junk.size() + 1}, {"", second}, {"ab\n", junk.size() + 1}, {"", 0}}));
}

// Where the last line ends (after its LF) and what follows it without one.
TEST(StoreHistoryFile, TailIsWhatFollowsTheLastLineEnd) {
    const struct {
        std::string bytes;
        std::uint64_t linesEnd;
        std::string fragment;
    } cases[] = {
        {"", 0, ""},     {"x", 0, "x"},       {"\n", 1, ""},
        {"ab\n", 3, ""}, {"ab\ncd", 3, "cd"}, {"ab\r\ncd\r", 4, "cd\r"},
    };
    for (const auto& c : cases) {
        OpenFile f(c.bytes);
        const FileTail tail = readTail(f.file.get(), c.bytes.size());
        EXPECT_EQ(tail.linesEnd, c.linesEnd) << c.bytes;
        EXPECT_EQ(tail.fragment, c.fragment) << c.bytes;
        EXPECT_FALSE(tail.overlong);
    }
}

} // namespace
} // namespace nimbrel
