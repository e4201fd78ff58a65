#include "app/data_folder.h"
#include "app/folder_lock.h"
#include "tests/support/temp_dir.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace nimbrel {
namespace {

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(AppDataFolder, ProgramFolderWhenWritableElseUserFolderElseDirOption) {
    testing::TempDir program, data;
    EXPECT_EQ(chooseDataFolder(program.path(), std::nullopt), program.path());

    // No file may be created in /proc, whoever runs the test: it stands for an installed program.
    const ScopedEnv xdg("XDG_DATA_HOME", (data / "share").string());
    const std::filesystem::path user = chooseDataFolder("/proc", std::nullopt);
    EXPECT_EQ(user, data / "share" / "nimbrel");
    EXPECT_TRUE(std::filesystem::is_directory(user));

    {
        const ScopedEnv relative("XDG_DATA_HOME", "relative/share");
        const ScopedEnv home("HOME", (data / "home").string());
        EXPECT_EQ(chooseDataFolder("/proc", std::nullopt), data / "home" / ".local" / "share" / "nimbrel");
    }

    const std::filesystem::path chosen = data / "given" / "deeper";
    EXPECT_EQ(chooseDataFolder(program.path(), chosen), chosen);
    EXPECT_TRUE(std::filesystem::is_directory(chosen));

    data.write("plain-file", "x");
    EXPECT_THROW(chooseDataFolder(program.path(), data / "plain-file"), DataFolderError);
    EXPECT_THROW(chooseDataFolder(program.path(), std::filesystem::path("/proc/nimbrel")), DataFolderError);
}

TEST(AppDataFolder, DirOptionParsing) {
    const auto parse = [](std::vector<std::string> args) {
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        return dirOption(static_cast<int>(argv.size()), argv.data());
    };
    EXPECT_EQ(parse({"nimbrel-cli", "sync"}), std::nullopt);
    EXPECT_EQ(parse({"nimbrel-cli", "sync", "--dir", "/tmp/a"}), std::filesystem::path("/tmp/a"));
    EXPECT_EQ(parse({"nimbrel", "--dir=/tmp/b"}), std::filesystem::path("/tmp/b"));
    EXPECT_EQ(parse({"nimbrel", "--directory", "x"}), std::nullopt);
    EXPECT_THROW(parse({"nimbrel", "--dir"}), DataFolderError);
    EXPECT_THROW(parse({"nimbrel", "--dir="}), DataFolderError);
}

TEST(AppDataFolder, ProgramDirectoryHoldsThisTestProgram) {
    EXPECT_TRUE(std::filesystem::exists(programDirectory() / "nimbrel_tests"));
}

TEST(AppFolderLock, OneHolderPerFolder) {
    testing::TempDir dir, other;
    {
        FolderLock first(dir.path());
        ASSERT_TRUE(first.acquired());
        EXPECT_FALSE(FolderLock(dir.path()).acquired());
        EXPECT_TRUE(FolderLock(other.path()).acquired());

        FolderLock moved(std::move(first));
        EXPECT_TRUE(moved.acquired());
        EXPECT_FALSE(FolderLock(dir.path()).acquired());
    }
    EXPECT_TRUE(FolderLock(dir.path()).acquired());
    EXPECT_FALSE(FolderLock(dir / "missing-folder").acquired());
}

} // namespace
} // namespace nimbrel
