// TempDir: a fresh folder for one test, removed with everything in it afterwards.
#pragma once

#include <filesystem>
#include <string>

namespace nimbrel::testing {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    // Writes a file in the folder with exactly these bytes.
    void write(const std::string& name, const std::string& bytes) const;
    // Reads a whole file of the folder as bytes ("" when missing).
    std::string read(const std::string& name) const;

private:
    std::filesystem::path path_;
};

}  // namespace nimbrel::testing
