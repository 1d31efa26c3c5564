#include "tests/layering/include_graph.hpp"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

namespace tarvex::layering {

namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> lines(std::string_view text) {
    std::vector<std::string_view> out;
    while (!text.empty()) {
        const auto nl = text.find('\n');
        auto line = text.substr(0, nl);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        out.push_back(line);
        if (nl == std::string_view::npos) break;
        text.remove_prefix(nl + 1);
    }
    return out;
}

// The cells of a table line "| a | b | c |".
std::vector<std::string_view> cells(std::string_view line) {
    line = trim(line);
    if (!line.empty() && line.front() == '|') line.remove_prefix(1);
    if (!line.empty() && line.back() == '|') line.remove_suffix(1);
    std::vector<std::string_view> out;
    for (;;) {
        const auto bar = line.find('|');
        out.push_back(trim(line.substr(0, bar)));
        if (bar == std::string_view::npos) return out;
        line.remove_prefix(bar + 1);
    }
}

// The `quoted` names of a cell.
std::vector<std::string> codeSpans(std::string_view cell) {
    std::vector<std::string> out;
    for (;;) {
        const auto open = cell.find('`');
        if (open == std::string_view::npos) return out;
        const auto close = cell.find('`', open + 1);
        if (close == std::string_view::npos) return out;
        out.emplace_back(cell.substr(open + 1, close - open - 1));
        cell.remove_prefix(close + 1);
    }
}

bool isFolder(std::string_view entry) { return !entry.empty() && entry.back() == '/'; }

std::string lower(std::string_view s) {
    std::string out(s);
    for (auto& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Folds "a/./b" and "a/x/../b" into "a/b"; a name that climbs above the
// root keeps its ".." so that it matches no folder.
std::string normalise(std::string_view path) {
    std::vector<std::string_view> parts;
    while (!path.empty()) {
        const auto slash = path.find('/');
        const auto part = path.substr(0, slash);
        if (part == "..") {
            if (!parts.empty() && parts.back() != "..") {
                parts.pop_back();
            } else {
                parts.push_back(part);
            }
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        if (slash == std::string_view::npos) break;
        path.remove_prefix(slash + 1);
    }
    std::string out;
    for (const auto& p : parts) {
        if (!out.empty()) out += '/';
        out += p;
    }
    return out;
}

struct Include {
    int line;
    bool angled;
    std::string name;
};

std::vector<Include> includesOf(std::string_view text) {
    std::vector<Include> out;
    int number = 0;
    for (auto line : lines(text)) {
        ++number;
        line = trim(line);
        if (line.empty() || line.front() != '#') continue;
        line = trim(line.substr(1));
        if (line.substr(0, 7) != "include") continue;
        line = trim(line.substr(7));
        if (line.empty() || (line.front() != '"' && line.front() != '<')) continue;
        const char close = line.front() == '"' ? '"' : '>';
        const auto end = line.find(close, 1);
        if (end == std::string_view::npos) continue;
        out.push_back({number, close == '>', std::string(line.substr(1, end - 1))});
    }
    return out;
}

// <QWidget>, <QtCore/QObject>, <QtWidgets>: Qt's headers have no extension
// and start with Q and a capital letter.
bool isQtHeader(std::string_view name) {
    const auto first = name.substr(0, name.find('/'));
    if (first.size() < 2 || first.front() != 'Q') return false;
    if (first.find('.') != std::string_view::npos) return false;
    return std::isupper(static_cast<unsigned char>(first[1])) || first.substr(0, 2) == "Qt";
}

}  // namespace

const Row* IncludeGraph::rowOf(std::string_view path) const {
    const Row* best = nullptr;
    for (const auto& row : rows)
        if (path.substr(0, row.folder.size()) == row.folder && (!best || row.folder.size() > best->folder.size()))
            best = &row;
    return best;
}

std::set<std::string> IncludeGraph::reach(const Row& row) const {
    std::set<std::string> seen;
    std::vector<const Row*> todo{&row};
    while (!todo.empty()) {
        const Row* r = todo.back();
        todo.pop_back();
        for (const auto& entry : r->buildsOn) {
            if (!seen.insert(entry).second || !isFolder(entry)) continue;
            const auto it = std::find_if(rows.begin(), rows.end(), [&](const Row& x) { return x.folder == entry; });
            if (it != rows.end()) todo.push_back(&*it);
        }
    }
    return seen;
}

IncludeGraph parseIncludeGraph(std::string_view markdown) {
    IncludeGraph graph;
    const auto all = lines(markdown);
    auto it = std::find_if(all.begin(), all.end(), [](std::string_view l) {
        const auto c = cells(l);
        return c.size() == 3 && lower(c[0]) == "folder" && lower(c[1]) == "builds on" && lower(c[2]) == "qt";
    });
    if (it == all.end()) {
        graph.errors.push_back("no table with the header | folder | builds on | Qt |");
        return graph;
    }
    it += 2;  // the header and the separator line
    for (; it != all.end() && !trim(*it).empty() && trim(*it).front() == '|'; ++it) {
        const auto c = cells(*it);
        const auto folder = c.empty() ? std::vector<std::string>{} : codeSpans(c[0]);
        if (c.size() != 3 || folder.size() != 1 || !isFolder(folder[0])) {
            graph.errors.push_back("unreadable row: " + std::string(*it));
            continue;
        }
        const auto qt = lower(c[2]);
        if (qt != "yes" && qt != "no") graph.errors.push_back(folder[0] + ": Qt must be yes or no");
        if (graph.rowOf(folder[0]) && graph.rowOf(folder[0])->folder == folder[0])
            graph.errors.push_back(folder[0] + " has two rows");
        graph.rows.push_back({folder[0], codeSpans(c[1]), qt == "yes"});
    }
    if (graph.rows.empty()) graph.errors.push_back("the include table has no rows");

    for (const auto& row : graph.rows)
        for (const auto& entry : row.buildsOn)
            if (isFolder(entry) && !std::any_of(graph.rows.begin(), graph.rows.end(),
                                                [&](const Row& r) { return r.folder == entry; }))
                graph.errors.push_back(row.folder + " builds on " + entry + ", which has no row");

    // A cycle would let two layers include each other.
    for (const auto& row : graph.rows)
        if (graph.reach(row).count(row.folder)) graph.errors.push_back(row.folder + " builds on itself (a cycle)");
    return graph;
}

namespace {

// The project file an include names ("" for a system header): a quoted name
// beside the including file first, then from the project root.
std::string targetOf(const Include& inc, const std::string& dir, const std::set<std::string>& known,
                     const IncludeGraph& graph) {
    if (!inc.angled) {
        const auto beside = normalise(dir + inc.name);
        return known.count(beside) ? beside : normalise(inc.name);
    }
    // A system header, unless it names one of the project's folders.
    const std::string target = normalise(inc.name);
    if (!graph.rowOf(target) || target.find('/') == std::string::npos) return {};
    return target;
}

std::string folderOf(const std::string& path) { return path.substr(0, path.rfind('/') + 1); }

}  // namespace

std::vector<Violation> checkIncludes(const IncludeGraph& graph, const std::vector<SourceFile>& files) {
    std::set<std::string> known;
    for (const auto& f : files) known.insert(f.path);
    std::vector<Violation> out;
    std::map<std::string, std::set<std::string>> reachOf;
    for (const auto& file : files) {
        const Row* from = graph.rowOf(file.path);
        if (!from) {
            out.push_back({file.path, 0, "", "its folder has no row in the include table"});
            continue;
        }
        auto [slot, fresh] = reachOf.try_emplace(from->folder);
        if (fresh) slot->second = graph.reach(*from);
        const auto& allowed = slot->second;
        for (const auto& inc : includesOf(file.text)) {
            if (isQtHeader(inc.name)) {
                if (!from->qt) out.push_back({file.path, inc.line, inc.name, "Qt header outside the Qt folders"});
                continue;
            }
            const std::string target = targetOf(inc, folderOf(file.path), known, graph);
            if (target.empty()) continue;
            const Row* to = graph.rowOf(target);
            if (!to) {
                out.push_back({file.path, inc.line, inc.name, "names no folder of the include table"});
            } else if (to != from && !allowed.count(to->folder) && !allowed.count(target)) {
                out.push_back({file.path, inc.line, inc.name, from->folder + " does not build on " + to->folder});
            }
        }
    }
    // A single file a row may include is shared as it is: whatever it
    // includes, the row includes too, so that must lie within the row's reach
    // (standard headers aside).
    std::set<std::string> reported;
    for (const auto& row : graph.rows) {
        const auto allowed = graph.reach(row);
        for (const auto& entry : allowed) {
            if (isFolder(entry)) continue;
            const auto shared = std::find_if(files.begin(), files.end(), [&](const SourceFile& f) { return f.path == entry; });
            if (shared == files.end()) continue;
            for (const auto& inc : includesOf(shared->text)) {
                std::string why;
                if (isQtHeader(inc.name)) {
                    if (!row.qt) why = "a Qt header";
                } else {
                    const std::string target = targetOf(inc, folderOf(entry), known, graph);
                    const Row* to = target.empty() ? nullptr : graph.rowOf(target);
                    if (to && to->folder != row.folder && !allowed.count(to->folder) && !allowed.count(target))
                        why = to->folder;
                }
                if (why.empty() || !reported.insert(entry + "\n" + inc.name).second) continue;
                out.push_back({entry, inc.line, inc.name,
                               "shared with " + row.folder + " as a single file, but takes it to " + why});
            }
        }
    }
    return out;
}

std::vector<SourceFile> readSourceTree(const std::filesystem::path& root) {
    namespace fs = std::filesystem;
    static const std::set<std::string> extensions{".c", ".cc", ".cpp", ".cxx", ".h", ".hh", ".hpp", ".inl"};
    std::vector<SourceFile> out;
    auto it = fs::recursive_directory_iterator(root);
    for (; it != fs::recursive_directory_iterator(); ++it) {
        const auto rel = it->path().lexically_relative(root).generic_string();
        const auto name = it->path().filename().string();
        if (it->is_directory()) {
            // Build outputs (build/, build-*/), hidden folders (.git), and the
            // compiled examples, whose listings are no part of the code.
            const bool topLevel = rel.find('/') == std::string::npos;
            if (name.front() == '.' || (topLevel && name.rfind("build", 0) == 0) || rel == "examples/build")
                it.disable_recursion_pending();
            continue;
        }
        if (!it->is_regular_file() || !extensions.count(it->path().extension().string())) continue;
        std::ifstream in(it->path(), std::ios::binary);
        out.push_back({rel, std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>())});
    }
    std::sort(out.begin(), out.end(), [](const SourceFile& a, const SourceFile& b) { return a.path < b.path; });
    return out;
}

std::string describe(const Violation& v) {
    std::ostringstream s;
    s << v.file;
    if (v.line) s << ':' << v.line;
    if (!v.include.empty()) s << ": #include " << v.include;
    s << ": " << v.why;
    return s.str();
}

}  // namespace tarvex::layering
