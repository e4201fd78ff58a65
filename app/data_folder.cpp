#include "app/data_folder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <string>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace nimbrel {

DataFolderError::DataFolderError(std::string key, std::filesystem::path folder, std::string reason)
    : std::runtime_error(LanguageTable(english).text(key, {folder.string(), reason})), key_(std::move(key)),
      folder_(std::move(folder)), reason_(std::move(reason)) {}

std::string DataFolderError::text(const LanguageTable& texts) const {
    return texts.text(key_, {folder_.string(), reason_});
}

// Permission bits alone do not tell (root, read-only mounts), so try to create a file there.
bool canWriteIn(const std::filesystem::path& folder) {
    const std::string probe = (folder / ".nimbrel-write-probe-XXXXXX").string();
    std::string name = probe;
    const int fd = ::mkstemp(name.data());
    if (fd == -1) return false;
    ::close(fd);
    ::unlink(name.c_str());
    return true;
}

namespace {

std::filesystem::path userDataFolder() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    // Relative values are to be ignored, as the base-directory rules say.
    if (xdg != nullptr && xdg[0] == '/') {
        return std::filesystem::path(xdg) / "nimbrel";
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') {
        const passwd* user = ::getpwuid(::getuid());
        home = user != nullptr ? user->pw_dir : nullptr;
    }
    if (home == nullptr || home[0] == '\0') {
        throw DataFolderError("app.folder_no_home");
    }
    return std::filesystem::path(home) / ".local" / "share" / "nimbrel";
}

std::filesystem::path makeUsable(const std::filesystem::path& wanted) {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::absolute(wanted, error);
    if (error) {
        throw DataFolderError("app.folder_unusable", wanted, error.message());
    }
    std::filesystem::create_directories(folder, error);
    if (error) {
        throw DataFolderError("app.folder_cannot_create", folder, error.message());
    }
    if (!std::filesystem::is_directory(folder, error)) {
        throw DataFolderError("app.folder_not_a_folder", folder);
    }
    // A folder the user may only read is used too: the program then runs as a reader of it.
    if (::access(folder.c_str(), R_OK | X_OK) != 0) {
        throw DataFolderError("app.folder_unusable", folder, std::strerror(errno));
    }
    return folder.lexically_normal();
}

} // namespace

std::filesystem::path programDirectory() {
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::current_path() : exe.parent_path();
}

// Set by the build: the private library folder as seen from the folder of the installed programs.
#ifndef NIMBREL_LIBRARY_FROM_PROGRAM
#define NIMBREL_LIBRARY_FROM_PROGRAM "../lib/nimbrel"
#endif

bool isInstalledProgram(const std::filesystem::path& programDir) {
    std::error_code error;
    return !programDir.empty() && std::filesystem::is_directory(programDir / NIMBREL_LIBRARY_FROM_PROGRAM, error);
}

std::filesystem::path usbLibraryFolder(const std::filesystem::path& programDir) {
    return isInstalledProgram(programDir) ? (programDir / NIMBREL_LIBRARY_FROM_PROGRAM).lexically_normal()
                                          : programDir;
}

std::filesystem::path usbLibraryPath(const std::string& fileName) {
    return usbLibraryFolder(programDirectory()) / fileName;
}

std::filesystem::path chooseDataFolder(const std::filesystem::path& programDir,
                                       const std::optional<std::filesystem::path>& dirOption) {
    if (dirOption) {
        if (dirOption->empty()) {
            throw DataFolderError("app.dir_without_folder");
        }
        return makeUsable(*dirOption);
    }
    std::error_code error;
    if (!programDir.empty() && !isInstalledProgram(programDir) && std::filesystem::is_directory(programDir, error) &&
        canWriteIn(programDir)) {
        return std::filesystem::absolute(programDir, error).lexically_normal();
    }
    return makeUsable(userDataFolder());
}

std::optional<std::filesystem::path> dirOption(int argc, char** argv) {
    std::optional<std::filesystem::path> folder;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--dir") {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') {
                throw DataFolderError("app.dir_without_folder");
            }
            folder = argv[++i];
        } else if (arg.starts_with("--dir=")) {
            if (arg.size() == 6) {
                throw DataFolderError("app.dir_without_folder");
            }
            folder = std::string(arg.substr(6));
        }
    }
    return folder;
}

} // namespace nimbrel
