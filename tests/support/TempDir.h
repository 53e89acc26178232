#pragma once
// A private scratch folder for one test, removed with everything in it.
#include <filesystem>
#include <string>

namespace e3test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    // Writes bytes to a file below the folder (parents created) and returns its path.
    std::string write(const std::string& relative, const std::string& bytes) const;

private:
    std::filesystem::path path_;
};

std::string ReadWholeFile(const std::string& path);

} // namespace e3test
