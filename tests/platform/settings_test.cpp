#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "platform/settings.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex::platform {
namespace {

const std::string Key = "Software\\Velmont\\VokWin\\7.3";

// Both stores must behave alike; the INI store must also survive a restart.
template <typename Store>
void exerciseStore(Store& s) {
    EXPECT_FALSE(s.readString(Key, "Dlg", "Left"));
    EXPECT_EQ(s.readString(Key, "Dlg", "Left", "dflt"), "dflt");
    s.writeString(Key, "Dlg", "Left", "120");
    s.writeInteger(Key, "Dlg", "Top", -7);
    s.writeBool(Key, "Dlg", "Open", true);
    s.writeString(Key, "Other", "Left", "x");
    EXPECT_EQ(s.readInteger(Key, "Dlg", "Left", 0), 120);
    EXPECT_EQ(s.readInteger(Key, "Dlg", "Top", 0), -7);
    EXPECT_TRUE(s.readBool(Key, "Dlg", "Open", false));
    EXPECT_EQ(s.readString(Key, "Other", "Left"), "x");
    // Malformed typed values give the default.
    EXPECT_EQ(s.readInteger(Key, "Other", "Left", 42), 42);
    EXPECT_TRUE(s.readBool(Key, "Other", "Left", true));
    s.writeString(Key, "Dlg", "Left", "130");  // overwrite in place
    auto names = s.valueNames(Key, "Dlg");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Left", "Open", "Top"}));
    s.remove(Key, "Dlg", "Top");
    s.remove(Key, "Dlg", "NotThere");
    EXPECT_FALSE(s.valueExists(Key, "Dlg", "Top"));
    EXPECT_TRUE(s.valueExists(Key, "Dlg", "Left"));
}

TEST(SettingsStore, MemoryStore) {
    MemorySettingsStore s;
    exerciseStore(s);
}

TEST(SettingsStore, IniStoreKeepsValuesForTheNextProcess) {
    test::TempDir dir;
    const std::string awkward = "C:\\Programs\\a=b [x] ;not a comment\nsecond line\\n  ";
    {
        IniSettingsStore s(dir.path().string());
        exerciseStore(s);
        s.writeString(Key, "Dlg", "History0", awkward);
        s.writeString(Key, "Dlg", "Empty", "");
    }
    // The key path is a folder path below the root.
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "Software" / "Velmont" / "VokWin" / "7.3"));
    IniSettingsStore again(dir.path().string());
    EXPECT_EQ(again.readString(Key, "Dlg", "Left"), "130");
    EXPECT_EQ(again.readString(Key, "Other", "Left"), "x");
    EXPECT_FALSE(again.readString(Key, "Dlg", "Top"));
    EXPECT_EQ(again.readString(Key, "Dlg", "History0"), awkward);
    EXPECT_EQ(again.readString(Key, "Dlg", "Empty"), "");
    // Nothing is left beside the files after the atomic writes.
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path()))
        EXPECT_EQ(e.path().string().find(".tmp"), std::string::npos) << e.path();
}

// Names that would read as a section, a comment or a split point of the
// INI line once silently swallowed the values after them.
TEST(SettingsStore, IniStoreTakesAnyValueName) {
    test::TempDir dir;
    const std::vector<std::string> names = {"[odd", ";semi", "a=b", "back\\slash\\x41", "two\nlines", "plain"};
    {
        IniSettingsStore s(dir.path().string());
        for (const auto& n : names) s.writeString(Key, "Sec", n, "v " + n);
        s.writeString(Key, "Sec", "a=b", "again");
    }
    IniSettingsStore s(dir.path().string());
    for (const auto& n : names) EXPECT_EQ(s.readString(Key, "Sec", n), n == "a=b" ? "again" : "v " + n) << n;
    auto stored = s.valueNames(Key, "Sec");
    EXPECT_EQ(stored, names);
    s.remove(Key, "Sec", "[odd");
    EXPECT_FALSE(s.valueExists(Key, "Sec", "[odd"));
    EXPECT_EQ(s.valueNames(Key, "Sec").size(), names.size() - 1);
}

TEST(SettingsStore, IniStoreTakesAnySectionName) {
    test::TempDir dir;
    const std::vector<std::string> sections = {"a]b\\c", "[odd", ";semi", "two\nlines]", "x]\n[y", "plain"};
    {
        IniSettingsStore s(dir.path().string());
        for (const auto& sec : sections) s.writeInteger(Key, sec, "AutoSave", static_cast<std::int32_t>(sec.size()));
    }
    IniSettingsStore s(dir.path().string());
    for (const auto& sec : sections) {
        EXPECT_EQ(s.readInteger(Key, sec, "AutoSave", -1), static_cast<std::int32_t>(sec.size())) << sec;
        EXPECT_EQ(s.valueNames(Key, sec), std::vector<std::string>{"AutoSave"}) << sec;
    }
    s.remove(Key, "a]b\\c", "AutoSave");
    EXPECT_FALSE(s.valueExists(Key, "a]b\\c", "AutoSave"));
    EXPECT_TRUE(s.valueExists(Key, "x]\n[y", "AutoSave"));
}

TEST(SettingsStore, KeyPathsCannotLeaveTheRoot) {
    test::TempDir dir;
    IniSettingsStore s((dir.path() / "root").string());
    const auto file = s.fileFor("..\\..\\Software/../x");
    EXPECT_EQ(file.rfind((dir.path() / "root").string(), 0), 0u) << file;
    s.writeString("..\\escape", "S", "n", "v");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "escape"));
    EXPECT_EQ(s.readString("..\\escape", "S", "n"), "v");
}

TEST(SettingsStore, TestsRunOnTheirOwnSettingsFolder) {
    const char* t = std::getenv("TARVEX_CONFIG_HOME");
    if (!t || !*t) GTEST_SKIP() << "not run through ctest";
    EXPECT_EQ(defaultSettingsRoot(), t);
}

}  // namespace
}  // namespace tarvex::platform
