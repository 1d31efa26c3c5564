#include "host/target_info.hpp"

#include <gtest/gtest.h>

#include "core/errors.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex {
namespace {

struct Parsed {
    TTargetInfoList list;
    std::vector<std::string> log;
};

void parse(Parsed& p, const std::string& text) {
    p.list.Parse(text, "t.txt", [&](std::string_view line) { p.log.emplace_back(line); });
}

TEST(TargetInfo, CpuLineGivesOneEntryWithItsManufacturer) {
    Parsed p;
    parse(p, "MANUFACTURER=Acme\r\n  CPU=80C51,OPTION=0,WATCHDOG=0,XDATA=0 FFFF,PROG=FFFF  \r\nGROUP=x\n");
    ASSERT_EQ(p.list.Count(), 1u);
    const TTargetInfoItem& e = *p.list.Items(0);
    EXPECT_EQ(e.Manufacturer, "Acme");
    EXPECT_EQ(e.Cpu, "80C51");
    EXPECT_EQ(e.Min, 0);
    EXPECT_EQ(e.Max, 0xFFFF);
    EXPECT_EQ(e.Prog, 0xFFFF);
    EXPECT_EQ(e.OptionNummer, 0);
    EXPECT_EQ(e.Watchdog, 0);
    EXPECT_TRUE(p.log.empty());
}

TEST(TargetInfo, FieldForms) {
    struct Case {
        const char* line;
        int min, max, prog, option, watchdog;
        std::size_t logLines;
    };
    const Case cases[] = {
        {"CPU=a,OPTION=10,WATCHDOG=-2,XDATA=$100 0X7FFF", 0x100, 0x7FFF, 0xFFFF, 10, -2, 0},
        {"CPU=a,OPTION=10,WATCHDOG=-2,XDATA=100H 7FFFH", 0x100, 0x7FFF, 0xFFFF, 10, -2, 0},
        {"CPU=a,OPTION=3,FOO=1,WATCHDOG=4,XDATA=0 1FFF,PROG=7FFF", 0, 0x1FFF, 0x7FFF, 3, 4, 0},
        // Fields in their order only: PROG only directly after XDATA,
        // nothing after those two.
        {"CPU=a,PROG=3FFF,XDATA=0 FF", 0, 0xFF, 0xFFFF, 0, 0, 0},
        {"CPU=a,XDATA=0 FF,OPTION=5,PROG=3FFF", 0, 0xFF, 0xFFFF, 0, 0, 0},
        {"CPU=a,WATCHDOG=4,OPTION=5,XDATA=0 FF", 0, 0xFF, 0xFFFF, 0, 4, 0},
        {"CPU=a,XDATA=0 FF,PROG=3FFF,OPTION=5,PROG=1FFF", 0, 0xFF, 0x3FFF, 0, 0, 0},
        {"CPU=a,XDATA=0 FFFF,PROG=10000", 0, 0xFFFF, 0xFFFF, 0, 0, 1},
        {"CPU=a,XDATA=0 FFFF,PROG=123456789ABCDEF", 0, 0xFFFF, 0xFFFF, 0, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Parsed p;
        parse(p, c.line);
        ASSERT_EQ(p.list.Count(), 1u);
        const TTargetInfoItem& e = *p.list.Items(0);
        EXPECT_EQ(e.Min, c.min);
        EXPECT_EQ(e.Max, c.max);
        EXPECT_EQ(e.Prog, c.prog);
        EXPECT_EQ(e.OptionNummer, c.option);
        EXPECT_EQ(e.Watchdog, c.watchdog);
        ASSERT_EQ(p.log.size(), c.logLines);
        if (c.logLines) {
            EXPECT_NE(p.log[0].find(c.line), std::string::npos);
        }
    }
    Parsed named;
    parse(named, "CPU=A,XDATA=0 FFFF,PROG=FFFF,CPU=B");
    ASSERT_EQ(named.list.Count(), 1u);
    EXPECT_EQ(named.list.Items(0)->Cpu, "A");
}

TEST(TargetInfo, BadNumbersRaiseNamingTheLine) {
    for (const char* line : {"CPU=a,XDATA=0 10000", "CPU=a,XDATA=ZZ 1", "CPU=a,XDATA=0", "CPU=a,OPTION=x,XDATA=0 1",
                             "CPU=a,WATCHDOG=,XDATA=0 1", "CPU=a,XDATA=0 1,PROG=G"}) {
        SCOPED_TRACE(line);
        Parsed p;
        try {
            parse(p, std::string("CPU=ok,XDATA=0 1\n") + line);
            ADD_FAILURE() << "no error";
        } catch (const EVokWinFileError& e) {
            EXPECT_EQ(e.message(), std::string("Unvalid 16 bit constant ") + line);
        }
        EXPECT_EQ(p.list.Count(), 0u);
    }
}

TEST(TargetInfo, EmptyMissingAndSorted) {
    Parsed p;
    EXPECT_THROW(parse(p, "MANUFACTURER=x\nCPU=no_xdata,OPTION=1\n; CPU=a,XDATA=0 1\n"), ETarvexAbort);
    try {
        p.list.LoadFromFile("/nonexistent/VokRegs.txt");
        ADD_FAILURE();
    } catch (const ETarvexAbort& e) {
        EXPECT_EQ(e.message(), "Can't open file /nonexistent/VokRegs.txt");
    }
    parse(p, "MANUFACTURER=b\nCPU=z,XDATA=0 1\nCPU=a,XDATA=0 1\nMANUFACTURER=a\nCPU=y,XDATA=0 1\n");
    ASSERT_EQ(p.list.Count(), 3u);
    EXPECT_EQ(p.list.Items(0)->Cpu, "y");
    EXPECT_EQ(p.list.Items(1)->Cpu, "a");
    EXPECT_EQ(p.list.Items(2)->Cpu, "z");
    EXPECT_EQ(p.list.Find("a")->Manufacturer, "b");
    EXPECT_EQ(p.list.Find("A"), nullptr);
}

TEST(TargetInfo, ShippedFileOffersWhatTheOptionsNeed) {
    TTargetInfoList list;
    list.LoadFromFile((test::sourceDir() / "data" / "VokRegs.txt").string());
    for (const char* cpu : {"80C51", "80C52", "80C390_standard", "DS80C390"}) EXPECT_NE(list.Find(cpu), nullptr) << cpu;
    EXPECT_EQ(list.Find("80C390_standard")->OptionNummer, 2);
    EXPECT_EQ(list.Find("DS80C390")->OptionNummer, 10);
    bool options[18] = {}, watchdog = false, small = false;
    for (std::size_t i = 0; i < list.Count(); ++i) {
        const TTargetInfoItem& e = *list.Items(i);
        if (e.OptionNummer >= 0 && e.OptionNummer < 18) options[e.OptionNummer] = true;
        watchdog |= e.Watchdog != 0;
        small |= e.Prog < 0xFFFF && e.Max < 0xFFFF;
    }
    EXPECT_TRUE(options[11] && options[15] && options[17] && watchdog && small);
}

}  // namespace
}  // namespace tarvex
