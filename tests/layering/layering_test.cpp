// The include graph: the project's own tree follows the table in
// docs/architecture.md, and the check catches what would break the layering.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/layering/include_graph.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex::layering {
namespace {

const char* const kSmallTable =
    "Some text before.\n"
    "\n"
    "| folder | builds on | Qt |\n"
    "| --- | --- | --- |\n"
    "| `platform/` | | no |\n"
    "| `core/` | `platform/` | no |\n"
    "| `emulator/` | `core/` | no |\n"
    "| `ui/` | `emulator/` | yes |\n"
    "| `sim/` | `platform/`, `emulator/board_identity.hpp` | no |\n"
    "| `sim/posix/` | `sim/` | no |\n"
    "| `tests/support/` | | no |\n"
    "| `tests/core/` | `core/`, `tests/support/` | no |\n"
    "\n"
    "| folder | builds on | Qt |\n"
    "| --- | --- | --- |\n"
    "| `later/` | `table/` | no |\n";

struct Case {
    const char* file;
    const char* text;
    const char* fault;  // part of the expected complaint; empty: none
};

// Headers that exist in the small tree, so that names resolve as in a real one.
const std::vector<std::string> kHeaders{"platform/clock.hpp", "core/a.hpp",     "emulator/link.hpp",
                                        "emulator/board_identity.hpp", "sim/board.hpp", "sim/posix/pty.hpp",
                                        "tests/support/s.hpp"};

TEST(IncludeGraph, EachIncludeIsCheckedAgainstTheTable) {
    const Case cases[] = {
        {"core/a.cpp", "#include \"core/a.hpp\"\n#include \"platform/clock.hpp\"\n", ""},
        {"emulator/x.cpp", "#include \"platform/clock.hpp\"\n", ""},  // through core/
        {"core/planted.cpp", "#include \"core/a.hpp\"\n#include \"emulator/link.hpp\"\n",
         "core/ does not build on emulator/"},
        {"core/b.cpp", "  #  include <emulator/link.hpp>\n", "core/ does not build on emulator/"},
        {"core/c.cpp", "#include \"../emulator/link.hpp\"\n", "core/ does not build on emulator/"},
        {"core/d.cpp", "#include \"a.hpp\"\n", ""},  // beside the file
        {"core/e.cpp", "const char* s = \"#include \\\"emulator/link.hpp\\\"\";\n// #include \"emulator/link.hpp\"\n",
         ""},
        {"core/f.cpp", "#include \"nowhere.h\"\n", "names no folder"},
        {"sim/board.cpp", "#include \"emulator/board_identity.hpp\"\n#include <vector>\n", ""},
        {"sim/board.cpp", "#include \"emulator/link.hpp\"\n", "sim/ does not build on emulator/"},
        {"sim/board.cpp", "#include \"sim/posix/pty.hpp\"\n", "sim/ does not build on sim/posix/"},
        {"sim/posix/pty.cpp", "#include \"sim/board.hpp\"\n#include \"emulator/board_identity.hpp\"\n", ""},
        {"core/g.cpp", "#include <QString>\n", "Qt header"},
        {"tests/core/t.cpp", "#include <QtCore/QObject>\n", "Qt header"},
        {"ui/w.cpp", "#include <QtWidgets/QWidget>\n#include <QDialog>\n#include \"emulator/link.hpp\"\n", ""},
        {"tests/core/t.cpp", "#include \"tests/support/s.hpp\"\n#include \"core/a.hpp\"\n", ""},
        {"tests/core/t.cpp", "#include \"emulator/link.hpp\"\n", "tests/core/ does not build on emulator/"},
        {"tools/x.cpp", "int main() {}\n", "its folder has no row"},
        // A single file shared with sim/ may take it no further than sim/ goes.
        {"emulator/board_identity.hpp", "#include <string>\n#include \"platform/clock.hpp\"\n", ""},
        {"emulator/board_identity.hpp", "#include \"link.hpp\"\n",
         "shared with sim/ as a single file, but takes it to emulator/"},
    };
    const auto graph = parseIncludeGraph(kSmallTable);
    ASSERT_TRUE(graph.errors.empty()) << graph.errors.front();
    ASSERT_EQ(graph.rows.size(), 8u) << "only the first table counts";
    for (const auto& c : cases) {
        std::vector<SourceFile> files{{c.file, c.text}};
        for (const auto& h : kHeaders) files.push_back({h, ""});
        const auto found = checkIncludes(graph, files);
        const std::string fault = c.fault;
        if (fault.empty()) {
            EXPECT_TRUE(found.empty()) << c.file << ": " << describe(found.front());
        } else {
            ASSERT_EQ(found.size(), 1u) << c.file << " " << c.text;
            EXPECT_NE(found[0].why.find(fault), std::string::npos) << describe(found[0]);
            EXPECT_EQ(found[0].file, c.file);
        }
    }
}

TEST(IncludeGraph, FaultsOfTheTableItselfAreReported) {
    const struct {
        const char* table;
        const char* fault;
    } cases[] = {
        {"no table here\n", "no table"},
        {"| folder | builds on | Qt |\n|---|---|---|\n| `a/` | `b/` | no |\n| `b/` | `a/` | no |\n", "a cycle"},
        {"| folder | builds on | Qt |\n|---|---|---|\n| `a/` | `missing/` | no |\n", "which has no row"},
        {"| folder | builds on | Qt |\n|---|---|---|\n| `a/` | | maybe |\n", "yes or no"},
        {"| folder | builds on | Qt |\n|---|---|---|\n| `a/` | | no |\n| `a/` | | no |\n", "two rows"},
        {"| folder | builds on | Qt |\n|---|---|---|\n| a | | no |\n", "unreadable row"},
    };
    for (const auto& c : cases) {
        const auto graph = parseIncludeGraph(c.table);
        ASSERT_FALSE(graph.errors.empty()) << c.table;
        EXPECT_NE(graph.errors.front().find(c.fault), std::string::npos) << graph.errors.front();
    }
}

struct RealTree {
    IncludeGraph graph;
    std::vector<SourceFile> files;
};

const RealTree& realTree() {
    static const RealTree tree = [] {
        const auto root = test::sourceDir();
        std::ifstream doc(root / "docs" / "architecture.md", std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(doc), std::istreambuf_iterator<char>()};
        return RealTree{parseIncludeGraph(text), readSourceTree(root)};
    }();
    return tree;
}

TEST(Layering, TheProjectFollowsTheTableInTheArchitectureNotes) {
    const auto& tree = realTree();
    for (const auto& e : tree.graph.errors) ADD_FAILURE() << "docs/architecture.md: " << e;
    ASSERT_GT(tree.files.size(), 100u) << "the source tree was not found";
    for (const auto& v : checkIncludes(tree.graph, tree.files)) ADD_FAILURE() << describe(v);
}

TEST(Layering, AnIncludeThatClimbsALayerFails) {
    const struct {
        const char* file;
        const char* text;
    } plants[] = {
        {"core/planted.cpp", "#include \"core/errors.hpp\"\n#include \"emulator/basis_emulator.hpp\"\n"},
        {"checker/planted.cpp", "#include \"core/errors.hpp\"\n#include \"emulator/disassembler.hpp\"\n"},
        {"platform/planted.hpp", "#pragma once\n#include \"core/errors.hpp\"\n"},
        {"emulator/planted.cpp", "#include \"emulator/link/basis_emulator.hpp\"\n#include <QObject>\n"},
        // The link knows nothing of the target model it carries.
        {"emulator/link/planted.cpp", "#include \"core/errors.hpp\"\n#include \"emulator/memory_spaces.hpp\"\n"},
        {"host/load/planted.cpp", "#include \"host/options.hpp\"\n#include \"host/agdi_object.hpp\"\n"},
    };
    for (const auto& p : plants) {
        auto files = realTree().files;
        files.push_back({p.file, p.text});
        const auto found = checkIncludes(realTree().graph, files);
        ASSERT_EQ(found.size(), 1u) << p.file;
        EXPECT_EQ(found[0].file, p.file);
        EXPECT_EQ(found[0].line, 2);
    }
}

}  // namespace
}  // namespace tarvex::layering
