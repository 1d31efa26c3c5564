// The trace's text export and the save-trace dialog's model.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/errors.hpp"
#include "platform/atomic_file.hpp"
#include "platform/exception.hpp"
#include "tests/support/test_support.hpp"
#include "tests/ui/model/trace_test_support.hpp"
#include "ui/model/save_trace_model.hpp"
#include "ui/model/trace_export.hpp"

namespace tarvex::ui {
namespace {

std::string readText(const std::string& path) {
    const auto bytes = tarvex::test::readBytes(path);
    return {bytes.begin(), bytes.end()};
}

std::vector<std::string> splitCrLf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    for (std::size_t p; (p = text.find("\r\n", at)) != std::string::npos; at = p + 2) lines.push_back(text.substr(at, p - at));
    EXPECT_EQ(at, text.size()) << "every line ends with CR LF";
    return lines;
}

std::size_t tempFiles(const std::filesystem::path& dir) {
    std::size_t n = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        if (e.path().string().ends_with(".tmp~")) ++n;
    return n;
}

// Cancels once the given number of lines is written.
class CancellingStatus final : public TraceExportStatus {
public:
    explicit CancellingStatus(int after) : after_(after) {}
    void show(const std::string& caption, const std::string& file, const std::string& memory,
              const std::string& range) override {
        shown = caption + "|" + file + "|" + memory + "|" + range;
    }
    void setStatus(const std::string& text) override { statuses.push_back(text); }
    bool cancelRequested() override { return after_ > 0 && static_cast<int>(statuses.size()) >= after_; }
    void close() override { closed = true; }
    std::string shown;
    std::vector<std::string> statuses;
    bool closed = false;

private:
    int after_;
};

struct BoxesScope {
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi ui{&boxes};
};

// With a folder for the exported files.
struct ExportScope : BoxesScope {
    tarvex::test::TempDir dir;
};

TEST(TraceExport, SixtyCycleLinesMatchTheGoldenFileWithRepeatedHeaders) {
    ExportScope b;
    auto source = test::loopTrace(200);
    CancellingStatus status(0);
    TraceExport exporter(&source, {}, &status);
    const std::string file = b.dir.file("cycle.txt");
    // Frames 0..51: 52 cycles and a gap before each of the eight later turns.
    EXPECT_EQ(exporter.save(file, tdZyklus, 0, 51), 60u);
    const std::string text = readText(file);
    EXPECT_EQ(text, readText((tarvex::test::sourceDir() / "tests/ui/model/data/trace_export_cycle.txt").string()));
    const auto lines = splitCrLf(text);
    ASSERT_EQ(lines.size(), 1 + 25 + 2 + 25 + 2 + 10u);
    for (std::size_t h : {0u, 27u, 54u}) EXPECT_EQ(lines[h], lines[0]);
    EXPECT_TRUE(lines[26].empty() && lines[53].empty());
    EXPECT_NE(lines[0].find("\xB5s.ns"), std::string::npos);
    EXPECT_EQ(lines[0].find("\xC2"), std::string::npos);
    EXPECT_EQ(status.shown, "Save trace|" + file + "|Trace memory|0 - 51");
    EXPECT_EQ(status.statuses.front(), "Save trace: 0 Frames");
    EXPECT_EQ(status.statuses.size(), 60u);
    EXPECT_TRUE(status.closed);
    EXPECT_TRUE(b.boxes.shown().empty());
    EXPECT_EQ(tempFiles(b.dir.path()), 0u);
}

TEST(TraceExport, IndicesAreCorrectedSwappedAndRefused) {
    ExportScope b;
    auto source = test::loopTrace(150);
    TraceExport exporter(&source);
    // An end equal to the frame count is reported with that index.
    exporter.save(b.dir.file("a.txt"), tdDisassembliert, 140, 150);
    ASSERT_EQ(b.boxes.shown().size(), 1u);
    EXPECT_EQ(b.boxes.shown()[0].text, "Frame index 150 out of range");
    // Frame 149 is an operand fetch: the SJMP of frame 148 is the last line.
    EXPECT_NE(readText(b.dir.file("a.txt")).find("   148 "), std::string::npos);
    // A start above the end exports the same as the range in order.
    exporter.save(b.dir.file("b.txt"), tdMixedMode, 90, 10);
    exporter.save(b.dir.file("c.txt"), tdMixedMode, 10, 90);
    EXPECT_EQ(readText(b.dir.file("b.txt")), readText(b.dir.file("c.txt")));
    // An empty trace raises and makes no file.
    ScriptedTraceSource empty;
    TraceExport none(&empty);
    EXPECT_THROW(none.save(b.dir.file("e.txt"), tdMixedMode, 0, 10), ETraceError);
    EXPECT_FALSE(std::filesystem::exists(b.dir.file("e.txt")));
    // Without a trace board nothing is exported.
    source.isPresent = false;
    try {
        exporter.save(b.dir.file("f.txt"), tdMixedMode, 0, 10);
        ADD_FAILURE();
    } catch (const ETraceError& e) {
        EXPECT_STREQ(e.what(), "Not available: No trace board");
    }
    TraceExport absent(nullptr);
    EXPECT_THROW(absent.save(b.dir.file("f.txt"), tdMixedMode, 0, 10), ETraceError);
    EXPECT_FALSE(std::filesystem::exists(b.dir.file("f.txt")));
    EXPECT_EQ(tempFiles(b.dir.path()), 0u);
}

TEST(TraceExport, CancelKeepsTheLinesWrittenAndAFailedWriteTheOldFile) {
    ExportScope b;
    auto source = test::loopTrace(600);
    const std::string file = b.dir.file("trace.txt");
    tarvex::test::writeBytes(file, {'o', 'l', 'd'});
    CancellingStatus status(30);
    TraceExport exporter(&source, {}, &status);
    EXPECT_EQ(exporter.save(file, tdZyklus, 0, 599), 30u);
    const auto lines = splitCrLf(readText(file));
    EXPECT_EQ(lines.size(), 1 + 25 + 2 + 5u);
    EXPECT_TRUE(status.closed);
    EXPECT_EQ(tempFiles(b.dir.path()), 0u);

    // A writer given up before commit leaves the target as it was.
    {
        platform::AtomicFileWriter w(file);
        w.write("partial");
        EXPECT_TRUE(std::filesystem::exists(w.temporaryPath()));
    }
    EXPECT_EQ(splitCrLf(readText(file)).size(), lines.size());
    EXPECT_EQ(tempFiles(b.dir.path()), 0u);
    // A file that cannot be made is reported; nothing is left behind.
    EXPECT_THROW(TraceExport(&source).save(b.dir.file("missing/x.txt"), tdZyklus, 0, 5), tarvex::Exception);
    EXPECT_EQ(tempFiles(b.dir.path()), 0u);
}

TEST(TraceExport, TheSinkSeesTheSameTextAsTheFile) {
    ExportScope b;
    auto source = test::loopTrace(100);
    TraceExport exporter(&source);
    for (int format : {0, 1, 2, 7}) {
        const TTraceDarstellung mode = TraceExport::modeOfFormat(format);
        exporter.save(b.dir.file("t.txt"), mode, 3, 70);
        std::string text;
        exporter.write(mode, 3, 70, [&](std::string_view line) {
            text.append(line).append("\r\n");
            return true;
        });
        EXPECT_EQ(text, readText(b.dir.file("t.txt"))) << format;
    }
    // The executor's export writes the same bytes; without a board it refuses.
    TraceExportTarget target([&]() -> ITraceSource* { return &source; });
    for (int mode : {0, 1, 2, 3}) {
        exporter.save(b.dir.file("d.txt"), static_cast<TTraceDarstellung>(mode), 5, 40);
        target.ExportFrames(b.dir.file("t.txt"), 5, 40, mode);
        EXPECT_EQ(readText(b.dir.file("t.txt")), readText(b.dir.file("d.txt"))) << mode;
    }
    EXPECT_THROW(TraceExportTarget([]() -> ITraceSource* { return nullptr; }).ExportFrames(b.dir.file("n.txt"), 0, 1, 0),
                 ETraceError);
    EXPECT_FALSE(std::filesystem::exists(b.dir.file("n.txt")));
    EXPECT_EQ(TraceExport::modeOfFormat(0), tdZyklus);
    EXPECT_EQ(TraceExport::modeOfFormat(2), tdSource);
    EXPECT_EQ(TraceExport::modeOfFormat(3), tdMixedMode);
}

TEST(SaveTraceModel, CommandsRoundTripAndInputIsChecked) {
    platform::MemorySettingsStore store;
    BoxesScope b;
    SaveTraceModel m(store, "/obj");
    EXPECT_EQ(m.caption(), "Save trace into file");
    EXPECT_EQ(m.control("FormatGroup").itemIndex, 1);

    EXPECT_FALSE(m.clickSave());
    ASSERT_EQ(b.boxes.shown().size(), 1u);
    EXPECT_EQ(b.boxes.shown()[0].text, "Save: Missing file name");

    m.setFileName("trace");
    m.setStart("-1");
    EXPECT_FALSE(m.clickSave());
    EXPECT_EQ(b.boxes.shown().back().text, "Value Start index out of range: -1");
    m.setStart("16777216");
    EXPECT_FALSE(m.clickSave());
    m.setStart("x1");
    EXPECT_FALSE(m.clickSave());
    m.setStart("70000");
    m.setEnd("");
    m.chooseFormat(2);
    ASSERT_TRUE(m.clickSave());
    TKommandoStruktur c;
    m.writeCommand(c);
    EXPECT_EQ(c.code, cmd::SaveTrace);
    EXPECT_EQ(c.memoryKind, memkind::Trace);
    EXPECT_EQ(c.text1, "trace.txt");
    EXPECT_EQ(c.fileFormat, 7);
    EXPECT_EQ(c.start.bank, 1);
    EXPECT_EQ(c.start.offset, 70000 - 65536);
    EXPECT_EQ(c.end.bank, 0);
    EXPECT_EQ(c.end.offset, 0);

    const std::pair<int, int> formats[] = {{0, 0}, {1, 1}, {7, 2}, {2, 3}, {3, 1}, {9, 1}};
    for (auto [format, item] : formats) {
        c.fileFormat = static_cast<std::uint8_t>(format);
        m.readCommand(c);
        EXPECT_EQ(m.control("FormatGroup").itemIndex, item) << format;
    }
    EXPECT_EQ(m.control("StartAdresse").text, "70000");
    EXPECT_EQ(SaveTraceModel::withDefaultExtension("trace.log"), "trace.log");
    EXPECT_EQ(SaveTraceModel::withDefaultExtension("dir.d/trace"), "dir.d/trace.txt");

    platform::ScriptedFileDialog files;
    auto& ui = platform::currentUi();
    auto* saved = ui.files;
    ui.files = &files;
    files.answer(platform::FileChoice{"/tmp/chosen.txt", 1});
    m.clickBrowse();
    ui.files = saved;
    EXPECT_EQ(m.control("DateiName").text, "/tmp/chosen.txt");
    ASSERT_EQ(files.requests().size(), 1u);
    EXPECT_EQ(files.requests()[0].title, "Open file");
    EXPECT_EQ(files.requests()[0].initialDir, "/obj");
    EXPECT_FALSE(files.requests()[0].mustExist);
}

}  // namespace
}  // namespace tarvex::ui
