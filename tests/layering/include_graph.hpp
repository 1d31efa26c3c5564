#pragma once
// The allowed include graph of the project and the check of every include
// against it. The graph is the table "folder | builds on | Qt" in
// docs/architecture.md; every library has the project root on its include
// path, so only this check keeps a lower layer from including a higher one.
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex::layering {

struct Row {
    std::string folder;                 // "core/", "tests/emulator/"
    std::vector<std::string> buildsOn;  // folders ("platform/") or single files ("emulator/board_identity.hpp")
    bool qt = false;                    // may include Qt headers
};

struct IncludeGraph {
    std::vector<Row> rows;
    std::vector<std::string> errors;  // faults of the table itself

    // The row of the most specific folder that holds path, or nullptr.
    const Row* rowOf(std::string_view path) const;
    // What files of a row may include besides their own folder: every folder
    // it builds on, directly or through others, and the single files named
    // on the way.
    std::set<std::string> reach(const Row& row) const;
};

// Reads the first table whose header is "| folder | builds on | Qt |".
IncludeGraph parseIncludeGraph(std::string_view markdown);

struct SourceFile {
    std::string path;  // relative to the project root, "/" separators
    std::string text;
};

struct Violation {
    std::string file;
    int line = 0;
    std::string include;
    std::string why;
};

// Every #include of every file, checked against the graph. A quoted name is
// looked for beside the including file first (among the files given), then
// from the project root, as the compiler does with the root on the path.
std::vector<Violation> checkIncludes(const IncludeGraph& graph, const std::vector<SourceFile>& files);

// The C and C++ sources and headers below root, without build outputs,
// hidden folders and the compiled examples.
std::vector<SourceFile> readSourceTree(const std::filesystem::path& root);

std::string describe(const Violation& v);

}  // namespace tarvex::layering
