#pragma once
// What the windowed checker's tests share: a working folder of their own and
// the expected report of a bundled example.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/test_support.hpp"

namespace tarvex::checkwin::test {

// Runs the test inside a fresh folder: the checker looks for bare names in
// the working folder.
class WorkingFolder {
public:
    WorkingFolder() : saved_(std::filesystem::current_path()) { std::filesystem::current_path(dir_.path()); }
    ~WorkingFolder() { std::filesystem::current_path(saved_); }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;
    std::string file(const std::string& name) const { return dir_.file(name); }
    // Copies a bundled example in; false when the examples are not built.
    bool copyExample(const std::string& name) const {
        const auto source = tarvex::test::sourceDir() / "examples" / "build" / name;
        if (!std::filesystem::exists(source)) return false;
        std::filesystem::copy_file(source, dir_.path() / name);
        return true;
    }
    void write(const std::string& name, const std::string& text) const { std::ofstream(file(name)) << text; }

private:
    tarvex::test::TempDir dir_;
    std::filesystem::path saved_;
};

// The console checker's expected report without its two banner lines: the
// windowed checker writes no banner.
inline std::vector<std::string> expectedReport(const std::string& name) {
    std::ifstream in(tarvex::test::sourceDir() / "tests" / "e2e" / "expected" / name);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    if (lines.size() >= 2) lines.erase(lines.begin(), lines.begin() + 2);
    return lines;
}

}  // namespace tarvex::checkwin::test
