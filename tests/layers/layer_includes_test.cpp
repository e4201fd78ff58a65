// The layers' include direction: a file includes headers of its own layer and of the layers below it only.
#include "tests/support/temp_dir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace nimbrel {
namespace {

namespace fs = std::filesystem;

// From the bottom up; the command-line tools sit on top of everything.
const std::map<std::string, int> kLayerRank = {
    {"station", 1}, {"presentation", 2}, {"store", 3}, {"outputs", 4}, {"acquisition", 5},
    {"app", 6},     {"chart", 7},        {"notify", 7}, {"ui", 8}, {"tools", 9},
};

// "file: #include line" for every include of a layer above the file's own.
std::vector<std::string> upwardIncludes(const fs::path& root) {
    static const std::regex include(R"re(^\s*#\s*include\s*"([a-z_]+)/)re");
    std::vector<std::string> found;
    for (const auto& [layer, rank] : kLayerRank) {
        if (!fs::is_directory(root / layer)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(root / layer)) {
            const std::string ext = entry.path().extension().string();
            if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp")) continue;
            std::ifstream in(entry.path());
            std::smatch match;
            for (std::string line; std::getline(in, line);) {
                if (!std::regex_search(line, match, include)) continue;
                const auto target = kLayerRank.find(match[1].str());
                if (target != kLayerRank.end() && target->second > rank)
                    found.push_back(fs::relative(entry.path(), root).string() + ": " + line);
            }
        }
    }
    return found;
}

TEST(Layers, NoFileIncludesAHeaderOfALayerAboveItsOwn) {
    EXPECT_EQ(upwardIncludes(NIMBREL_SOURCE_DIR), std::vector<std::string>{});

    // The walk itself: an acquisition file that reaches up to app/ is found; one that reaches down is not.
    testing::TempDir dir;
    fs::create_directories(dir.path() / "acquisition");
    std::ofstream(dir.path() / "acquisition" / "a.cpp") << "#include \"station/clock.h\"\n"
                                                           "  #include \"app/configuration.h\"\n";
    EXPECT_EQ(upwardIncludes(dir.path()),
              std::vector<std::string>{"acquisition/a.cpp:   #include \"app/configuration.h\""});
}

} // namespace
} // namespace nimbrel
