// The windowed checker's models, without a window.
#include <gtest/gtest.h>

#include <filesystem>

#include "checkwin/qz_check_win.hpp"
#include "tests/checkwin/support.hpp"

namespace tarvex::checkwin {
namespace {

namespace fs = std::filesystem;

struct Headless {
    platform::MemorySettingsStore store;
    platform::ScriptedMessageBoxes boxes;
    platform::ScriptedFileDialog files;
    platform::CountingBusyCursor cursor;
    CheckerHelpViewer help;
    platform::ScopedUi scope{&boxes};
    platform::Ui saved = platform::currentUi();
    Headless() {
        platform::currentUi().files = &files;
        platform::currentUi().help = &help;
    }
    ~Headless() { platform::currentUi() = saved; }
};

TEST(QzCheckMainModel, OpensAsBuiltWithTheNewestHistoryEntry) {
    Headless h;
    h.store.writeString(kCheckWinKey, kHistorySection, "History0", "last.omf");
    h.store.writeString(kCheckWinKey, kHistorySection, "History1", "older.hex");
    QzCheckMainModel model(h.store, &h.cursor);
    EXPECT_EQ(model.caption(), "Pellunar Checker");
    EXPECT_EQ(model.fileName(), "last.omf");
    EXPECT_EQ(model.control("FileName").items, (std::vector<std::string>{"last.omf", "older.hex"}));
    const struct {
        const char* group;
        std::vector<std::string> items;
        int index;
    } kGroups[] = {
        {"FormatGroup", {"&Omf51", "Intel &HEX"}, 0},
        {"CpuGroup", {"&Standard (8051)", "&Winbond 77x", "TI &MSC121x"}, 0},
        {"MsgLvlGroup", {"&Errors only", "Errors and &warnings", "&All pellunars found"}, 0},
        {"CompilerGroup", {"&Keil C51", "&Tasking cc51"}, 0},
        {"RegBankGroup", {"0", "1", "2", "3"}, 1},
    };
    for (const auto& g : kGroups) {
        EXPECT_EQ(model.control(g.group).items, g.items) << g.group;
        EXPECT_EQ(model.chosen(g.group), g.index) << g.group;
    }
    model.choose("CpuGroup", 3);  // no such item
    model.choose("CpuGroup", -1);
    EXPECT_EQ(model.chosen("CpuGroup"), 0);
}

TEST(QzCheckMainModel, BrowseOpensWithTheFormatsFilterAndFollowsTheExtension) {
    Headless h;
    QzCheckMainModel model(h.store, &h.cursor);
    const struct {
        const char* path;  // nullptr: the dialog is cancelled
        int filterIndexAsked;
        int formatAfter;
    } kCases[] = {
        {"/tmp/PROG.hex", 1, 1}, {"/tmp/prog.HEX", 2, 1}, {nullptr, 2, 1},
        {"/tmp/PROG.abs", 2, 0}, {"/tmp/prog.hex.bak", 1, 0}, {"/tmp/noext", 1, 0},
    };
    std::string lastName;
    for (const auto& c : kCases) {
        if (c.path) {
            h.files.answer(platform::FileChoice{c.path, 3});
            lastName = c.path;
        } else {
            h.files.answer(std::nullopt);
        }
        EXPECT_EQ(model.browse(), c.path != nullptr);
        const auto& request = h.files.requests().back();
        EXPECT_EQ(request.title, "Select file");
        EXPECT_EQ(request.filter, "Omf51 files (*.omf)|*.omf|Intel HEX files (*.hex)|*.hex|All files (*.*)|*.*");
        EXPECT_EQ(request.filterIndex, c.filterIndexAsked) << (c.path ? c.path : "cancel");
        EXPECT_EQ(model.chosen("FormatGroup"), c.formatAfter) << (c.path ? c.path : "cancel");
        EXPECT_EQ(model.fileName(), lastName);
    }
}

TEST(QzCheckMainModel, GoOnTheExampleFillsTheReportAndTheHistory) {
    Headless h;
    test::WorkingFolder work;
    if (!work.copyExample("ports.omf")) GTEST_SKIP() << "examples not built";
    QzCheckMainModel model(h.store, &h.cursor);
    // A setting the windowed program has no control for never reaches a run.
    model.engine().LineNumbersSetting(true);
    model.setFileName("ports.omf");
    model.choose("MsgLvlGroup", 2);
    h.boxes.answer(platform::IdNo);
    ASSERT_TRUE(model.go());
    EXPECT_EQ(model.report(), test::expectedReport("ports_omf.out"));
    EXPECT_NE(model.report().front().find(" REGBANK1"), std::string::npos);
    EXPECT_EQ(model.report().front().find("LINE"), std::string::npos);
    ASSERT_EQ(h.boxes.shown().size(), 1u);
    EXPECT_NE(h.boxes.shown()[0].text.find("Create Intel hex file?"), std::string::npos);
    EXPECT_FALSE(fs::exists(work.file("ports.hex")));
    EXPECT_EQ(h.store.readString(kCheckWinKey, kHistorySection, "History0", ""), "ports.omf");
    EXPECT_EQ(model.control("FileName").items, (std::vector<std::string>{"ports.omf"}));
    EXPECT_EQ(h.cursor.begins(), 1);
    EXPECT_EQ(h.cursor.depth(), 0);

    // A second run appends below the first; "&Clear" empties the list.
    h.boxes.answer(platform::IdNo);
    ASSERT_TRUE(model.go());
    EXPECT_EQ(model.report().size(), 2 * test::expectedReport("ports_omf.out").size());
    model.clear();
    EXPECT_TRUE(model.report().empty());
}

TEST(QzCheckMainModel, AFailedRunIsShownAndKeptOutOfTheHistory) {
    Headless h;
    test::WorkingFolder work;
    h.store.writeString(kCheckWinKey, kHistorySection, "History0", "kept.hex");
    QzCheckMainModel model(h.store, &h.cursor);
    model.choose("FormatGroup", 1);

    model.setFileName("missing.hex");
    EXPECT_FALSE(model.go());
    ASSERT_EQ(h.boxes.shown().size(), 1u);
    EXPECT_EQ(h.boxes.shown()[0].caption, "Pellunar Checker");
    EXPECT_EQ(h.boxes.shown()[0].text.rfind("File not found: ", 0), 0u) << h.boxes.shown()[0].text;
    EXPECT_EQ(h.boxes.shown()[0].flags & platform::mb::IconMask, platform::mb::IconError);

    // A malformed file, then the corrected one under the same name: the second
    // run reads the new file from its first line.
    work.write("prog.hex", ":03000000000000FE\n:00000001FF\n");
    model.setFileName("prog.hex");
    EXPECT_FALSE(model.go());
    EXPECT_EQ(h.boxes.shown().size(), 2u);
    EXPECT_EQ(h.cursor.begins(), 1);
    EXPECT_EQ(h.cursor.depth(), 0);
    EXPECT_EQ(model.history().Items(), (std::vector<std::string>{"kept.hex"}));
    EXPECT_EQ(h.store.readString(kCheckWinKey, kHistorySection, "History0", ""), "kept.hex");

    work.write("prog.hex", ":03000000000000FD\n:00000001FF\n");
    const auto before = model.report().size();
    EXPECT_TRUE(model.go());
    EXPECT_EQ(h.boxes.shown().size(), 2u);
    EXPECT_EQ(model.engine().ErrorCount(), 0);
    ASSERT_GT(model.report().size(), before);
    EXPECT_NE(model.report()[before].find("prog.hex HEX"), std::string::npos) << model.report()[before];
    EXPECT_EQ(model.history().Items(), (std::vector<std::string>{"prog.hex", "kept.hex"}));
}

TEST(QzCheckMainModel, HelpAboutAndContent) {
    Headless h;
    QzCheckMainModel model(h.store, nullptr);
    EXPECT_FALSE(model.help());
    EXPECT_FALSE(model.content());
    ASSERT_EQ(h.boxes.shown().size(), 2u);
    EXPECT_EQ(h.boxes.shown()[0].text, "No help viewer for QzCheckHelp.hlp (topic 100).");
    EXPECT_EQ(h.boxes.shown()[1].text, "No help viewer for QzCheckHelp.hlp (topic 1000).");
    EXPECT_EQ(h.boxes.shown()[1].flags & platform::mb::IconMask, platform::mb::IconInformation);

    QzAboutModel about;
    EXPECT_EQ(about.caption(), "About");
    EXPECT_EQ(about.control("ProductLabel").text, "Pellunar Checker ");
    model.about(about);
    EXPECT_EQ(about.control("VersionLabel").text, "1.13.10");
}

}  // namespace
}  // namespace tarvex::checkwin
