#include <gtest/gtest.h>

#include <fstream>

#include "core/logger.hpp"
#include "core/notice.hpp"
#include "platform/exception.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex {
namespace {

TEST(Notice, LifeCycleOnTheCurrentWindow) {
    platform::RecordingNoticeWindow window;
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi ui(&boxes, nullptr, &window);

    auto notice = HinweisErzeugen("Initializing communication");
    EXPECT_FALSE(window.open());  // created, not shown
    HinweisAnzeigen(notice.get());
    EXPECT_TRUE(window.open());
    EXPECT_EQ(window.shown(), (std::vector<std::string>{"Initializing communication"}));
    HinweisSchliessen(notice);
    EXPECT_FALSE(window.open());
    EXPECT_EQ(notice, nullptr);
    HinweisSchliessen(notice);  // no notice: nothing
    HinweisAnzeigen(nullptr);

    {
        auto shown = HinweisZeigen("Loading");
        EXPECT_TRUE(window.open());
    }  // an operation that ends by an exception still closes its notice
    EXPECT_FALSE(window.open());
    EXPECT_STREQ(TFormHinweis::Caption, "VokWin");
}

TEST(DebugLog, OffByDefaultThenStampedLinesFilteredByTheMask) {
    platform::FakeClock clock(3723004);
    std::vector<std::string> lines;
    DebugLog log(clock);
    log.SetSink([&](const std::string& l) { lines.push_back(l); });
    log.Write("never", 1);
    EXPECT_TRUE(lines.empty());

    log.SetEnabled(true);
    log.SetLevelMask(0x6);
    log.Write("first", 0x2);
    log.Write("same millisecond", 0x4);
    log.Write("masked out", 0x1);
    clock.advance(1);
    log.Write("later", 0x6);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], " 1h02\"03'004  first");
    EXPECT_EQ(lines[1], std::string(12, ' ') + "  same millisecond");
    EXPECT_EQ(lines[2], " 1h02\"03'005  later");
}

TEST(DebugLog, AppendsToAFile) {
    test::TempDir dir;
    platform::FakeClock clock(5003);
    DebugLog log(clock);
    log.OpenFile(dir.file("debug.log"));
    log.SetEnabled(true);
    log.Write("a", 1);
    log.Write("b", 1);
    std::ifstream in(dir.file("debug.log"));
    std::string l1, l2;
    std::getline(in, l1);
    std::getline(in, l2);
    EXPECT_EQ(l1, "    0\"05'003  a");
    EXPECT_EQ(l2, std::string(14, ' ') + "b");
    EXPECT_THROW(log.OpenFile(dir.file("no/such/dir/x.log")), EFOpenError);
}

}  // namespace
}  // namespace tarvex
