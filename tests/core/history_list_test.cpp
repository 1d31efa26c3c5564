#include <gtest/gtest.h>

#include "core/history_list.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex {
namespace {

const std::string Key = "Software\\Velmont\\VokWin\\7.3";
const std::string Section = "LoadDialog";

TEST(HistoryList, NewestFirstWithoutDuplicates) {
    THistoryList h;
    for (const char* t : {"a", "b", "c", "d"}) h.AddHistory(t);
    EXPECT_EQ(h.Items(), (std::vector<std::string>{"d", "c", "b", "a"}));
    h.AddHistory("b");  // third entry moves to the front
    EXPECT_EQ(h.Items(), (std::vector<std::string>{"b", "d", "c", "a"}));
    h.AddHistory("");
    EXPECT_EQ(h.Count(), 4);
    for (int i = 0; i < 20; ++i) h.AddHistory("x" + std::to_string(i));
    EXPECT_EQ(h.Count(), 10);
    EXPECT_EQ(h.Items().front(), "x19");
    EXPECT_EQ(h.Items().back(), "x10");
}

TEST(HistoryList, ReloadedInANewProcessNewestFirstAndNoStaleValue) {
    test::TempDir dir;
    {
        platform::IniSettingsStore store(dir.path().string());
        // A longer list of an earlier run, with a gap.
        for (int i = 0; i < 12; ++i) store.writeString(Key, Section, "History" + std::to_string(i), "old" + std::to_string(i));
        THistoryList h;
        for (int i = 1; i <= 11; ++i) h.AddHistory("file" + std::to_string(i) + ".hex");
        h.Save(store, Key, Section);
    }
    {
        platform::IniSettingsStore store(dir.path().string());  // as another process sees the files
        auto names = store.valueNames(Key, Section);
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"History0", "History1", "History2", "History3", "History4",
                                                   "History5", "History6", "History7", "History8", "History9"}));
        THistoryList h;
        h.Load(store, Key, Section);
        ASSERT_EQ(h.Count(), 10);
        for (int i = 0; i < 10; ++i) EXPECT_EQ(h.Items()[static_cast<std::size_t>(i)], "file" + std::to_string(11 - i) + ".hex");

        h.AddHistory("file9.hex");  // the third entry
        EXPECT_EQ(h.Items()[0], "file9.hex");
        EXPECT_EQ(h.Count(), 10);
        EXPECT_EQ(std::count(h.Items().begin(), h.Items().end(), "file9.hex"), 1);
    }
}

TEST(HistoryList, ShorterListLeavesNothingBehindAndLoadSkipsGapsAndRepeats) {
    platform::MemorySettingsStore store;
    store.writeString(Key, Section, "History0", "a");
    store.writeString(Key, Section, "History1", "");
    store.writeString(Key, Section, "History2", "b");
    store.writeString(Key, Section, "History3", "a");
    store.writeString(Key, Section, "History9", "z");
    store.writeString(Key, Section, "Left", "100");
    THistoryList h;
    h.Load(store, Key, Section);
    EXPECT_EQ(h.Items(), (std::vector<std::string>{"a", "b", "z"}));
    h.Save(store, Key, Section);
    EXPECT_EQ(store.readString(Key, Section, "History2"), "z");
    EXPECT_FALSE(store.readString(Key, Section, "History3"));
    EXPECT_FALSE(store.readString(Key, Section, "History9"));
    EXPECT_EQ(store.readString(Key, Section, "Left"), "100");  // other values of the dialog stay
}

TEST(HistoryList, MenuCaptionsLeadBackToTheirTexts) {
    THistoryList h;
    h.AddHistory("second file.hex");
    h.AddHistory("first.hex");
    EXPECT_EQ(h.MenuCaptions(), (std::vector<std::string>{"&1 first.hex", "&2 second file.hex"}));
    std::vector<std::string> chosen;
    h.MenuItemChosen("&2 second file.hex");  // no callback yet: nothing happens
    h.SetOnSelect([&](const std::string& t) { chosen.push_back(t); });
    h.MenuItemChosen("&2 second file.hex");
    h.MenuItemChosen("&0 x");
    h.MenuItemChosen("&3 x");
    h.MenuItemChosen("&x y");
    h.MenuItemChosen("&");
    EXPECT_EQ(chosen, (std::vector<std::string>{"second file.hex"}));
}

}  // namespace
}  // namespace tarvex
