#pragma once
// Small helpers shared by the test programs.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tarvex::test {

// A fresh folder that is removed with everything in it at the end of scope.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// The project's source folder (for the bundled examples and expected files).
std::filesystem::path sourceDir();

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> readBytes(const std::string& path);

}  // namespace tarvex::test
