#include "app/configuration.h"
#include "app/data_folder.h"
#include "app/folder_access.h"
#include "app/folder_lock.h"
#include "app/language_table.h"
#include "tests/support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <unistd.h>

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

TEST(AppDataFolder, AnInstalledProgramNeverWritesBesideItselfAndLoadsItsLibraryFromItsPrivateFolder) {
    testing::TempDir prefix, data;
    const std::filesystem::path bin = prefix / "bin";
    std::filesystem::create_directories(bin);
    const ScopedEnv xdg("XDG_DATA_HOME", (data / "share").string());

    // Without the private library folder beside it, bin is a build folder: its own data and library folder.
    EXPECT_FALSE(isInstalledProgram(bin));
    EXPECT_EQ(usbLibraryFolder(bin), bin);
    EXPECT_EQ(chooseDataFolder(bin, std::nullopt), bin);

    // With it, the program is installed: bin stays untouched although it may be written (root).
    const std::filesystem::path privateFolder = (bin / NIMBREL_LIBRARY_FROM_PROGRAM).lexically_normal();
    ASSERT_TRUE(privateFolder.string().starts_with((prefix / "lib").string())) << privateFolder;
    std::filesystem::create_directories(privateFolder);
    EXPECT_TRUE(isInstalledProgram(bin));
    EXPECT_EQ(usbLibraryFolder(bin), privateFolder);
    EXPECT_EQ(chooseDataFolder(bin, std::nullopt), data / "share" / "nimbrel");
    EXPECT_TRUE(std::filesystem::is_empty(bin));
}

// The look whether a folder may be written leaves nothing behind: no file, no open descriptor.
TEST(AppDataFolder, TheWriteProbeLeavesNothingBehind) {
    testing::TempDir dir;
    const auto openDescriptors = [] {
        const auto fds = std::filesystem::directory_iterator("/proc/self/fd");
        return std::distance(fds, std::filesystem::directory_iterator());
    };
    const auto before = openDescriptors();
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(canWriteIn(dir.path()));
    EXPECT_EQ(openDescriptors(), before);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
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

// The user's locale for one test: LC_ALL, LC_MESSAGES and LANG as given ("" counts as not set).
struct ScopedLocale {
    ScopedLocale(const std::string& all, const std::string& messages, const std::string& lang)
        : all_("LC_ALL", all), messages_("LC_MESSAGES", messages), lang_("LANG", lang) {}
    ScopedEnv all_, messages_, lang_;
};

bool startsWith(const std::string& text, const std::string& start) {
    return text.compare(0, start.size(), start) == 0;
}

TEST(AppStartupMessages, FolderFailuresSpeakTheConfiguredLanguageElseTheLocales) {
    testing::TempDir program, data;
    const ScopedLocale germanLocale("", "", "de_DE.UTF-8");

    // No configuration to read: the locale's language. The reason after the colon is the system's.
    try {
        chooseDataFolder(program.path(), std::filesystem::path("/proc/nimbrel"));
        ADD_FAILURE() << "/proc/nimbrel was accepted";
    } catch (const DataFolderError& error) {
        EXPECT_EQ(error.folder(), "/proc/nimbrel");
        const std::string shown = error.text(LanguageTable(startupLanguageIndex(error.folder())));
        EXPECT_TRUE(startsWith(shown, "Der Datenordner /proc/nimbrel kann nicht angelegt werden: ")) << shown;
        EXPECT_GT(shown.size(),
                  std::string("Der Datenordner /proc/nimbrel kann nicht angelegt werden: ").size());
        EXPECT_TRUE(startsWith(error.what(), "Cannot create the data folder /proc/nimbrel: "))
            << error.what();
    }
    try {
        const char* argv[] = {"nimbrel", "--dir"};
        dirOption(2, const_cast<char**>(argv));
        ADD_FAILURE() << "--dir without its folder was accepted";
    } catch (const DataFolderError& error) {
        EXPECT_TRUE(error.folder().empty());
        EXPECT_EQ(error.text(LanguageTable(startupLanguageIndex(error.folder()))),
                  "Nach --dir fehlt der Ordner.");
    }

    // A readable Nimbrel.ini in the folder says the language, whatever the locale; one without a
    // language key means English, as the window would speak.
    data.write("Nimbrel.ini", "[config]\nlanguage=French\n");
    EXPECT_EQ(startupLanguageIndex(data.path()), french);
    data.write("Nimbrel.ini", "[communication]\nTestFlag=1\n");
    EXPECT_EQ(startupLanguageIndex(data.path()), english);
    EXPECT_EQ(startupLanguageIndex(data / "missing"), german);
    EXPECT_EQ(startupLanguageIndex({}), german);
    EXPECT_FALSE(std::filesystem::exists(data / "missing"));

    // A folder name that holds a placeholder of its own is shown as it is.
    const std::filesystem::path odd = "/tmp/a%2b%1";
    EXPECT_EQ(DataFolderError("app.folder_not_a_folder", odd).text(LanguageTable(german)),
              "Der Datenordner /tmp/a%2b%1 ist kein Ordner.");
    EXPECT_EQ(LanguageTable(german).text("app.folder_busy", {odd.string()}),
              "Ein anderes Nimbrel-Programm verwendet den Datenordner /tmp/a%2b%1 bereits.");
    EXPECT_EQ(DataFolderError("app.folder_not_writable", "/srv/w", "Read-only file system")
                  .text(LanguageTable(dutch)),
              "Er kan niet in de gegevensmap /srv/w worden geschreven: Read-only file system");
}

TEST(AppStartupMessages, LocaleNamesAndTheirOrder) {
    EXPECT_EQ(languageIndexForLocale("de_DE.UTF-8"), german);
    EXPECT_EQ(languageIndexForLocale("de_AT@euro"), german);
    EXPECT_EQ(languageIndexForLocale("da_DK.utf8"), danish);
    EXPECT_EQ(languageIndexForLocale("nl_BE"), dutch);
    EXPECT_EQ(languageIndexForLocale("fr"), french);
    EXPECT_EQ(languageIndexForLocale("en_DK.UTF-8"), english); // English words, Danish formats
    EXPECT_EQ(languageIndexForLocale("C.UTF-8"), english);
    EXPECT_EQ(languageIndexForLocale("french"), english);
    EXPECT_EQ(languageIndexForLocale("d"), english);
    EXPECT_EQ(languageIndexForLocale(""), english);

    // LC_ALL wins over LC_MESSAGES, which wins over LANG; an empty one is passed over.
    {
        const ScopedLocale set("nl_NL.UTF-8", "da_DK.UTF-8", "de_DE.UTF-8");
        EXPECT_EQ(userLocaleLanguageIndex(), dutch);
    }
    {
        const ScopedLocale set("", "da_DK.UTF-8", "de_DE.UTF-8");
        EXPECT_EQ(userLocaleLanguageIndex(), danish);
    }
    {
        const ScopedLocale set("", "", "fr_FR.UTF-8");
        EXPECT_EQ(userLocaleLanguageIndex(), french);
    }
    {
        const ScopedLocale set("", "", "");
        EXPECT_EQ(userLocaleLanguageIndex(), english);
    }
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

// A folder whose lock another program holds is read; once the lock is free the program writes it.
TEST(AppFolderAccess, TheLockDecidesBetweenWriterAndReader) {
    testing::TempDir dir;
    {
        FolderLock logger(dir.path());
        ASSERT_TRUE(logger.acquired());
        const auto changed = std::filesystem::last_write_time(dir.path());
        const FolderClaim claim = claimDataFolder(dir.path());
        EXPECT_EQ(claim.access, FolderAccess::readerLocked);
        EXPECT_FALSE(claim.lock.has_value());
        // Not even a probe's file came and went.
        EXPECT_EQ(std::filesystem::last_write_time(dir.path()), changed);
    }
    const FolderClaim claim = claimDataFolder(dir.path());
    EXPECT_EQ(claim.access, FolderAccess::writer);
    ASSERT_TRUE(claim.lock.has_value());
    EXPECT_FALSE(FolderLock(dir.path()).acquired()); // the writer holds it for its life
}

// A folder the user may read but not write is chosen and read, and never gets a lock file; one the user
// may not even read is refused.
TEST(AppFolderAccess, AFolderThisUserMayOnlyReadIsRead) {
    // No one writes /proc, root included.
    EXPECT_EQ(chooseDataFolder({}, std::filesystem::path("/proc")), "/proc");
    EXPECT_EQ(claimDataFolder("/proc").access, FolderAccess::readerNotWritable);
    if (::geteuid() == 0) GTEST_SKIP() << "root writes and reads a folder whatever its permission bits say";

    testing::TempDir dir;
    namespace fs = std::filesystem;
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(chooseDataFolder({}, dir.path()), dir.path());
    const FolderClaim claim = claimDataFolder(dir.path());
    EXPECT_EQ(claim.access, FolderAccess::readerNotWritable);
    EXPECT_FALSE(claim.lock.has_value());
    EXPECT_FALSE(fs::exists(dir / FolderLock::kFileName));
    fs::permissions(dir.path(), fs::perms::owner_write);
    EXPECT_THROW(chooseDataFolder({}, dir.path()), DataFolderError);
    fs::permissions(dir.path(), fs::perms::owner_all);
}

} // namespace
} // namespace nimbrel
