#include <gtest/gtest.h>

#include <filesystem>

#include "core/utilities.hpp"
#include "platform/exception.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex {
namespace {

TEST(Utilities, FindWord) {
    EXPECT_EQ(FindWord("R1", "MOV R1,A", true), 5);
    EXPECT_EQ(FindWord("R1", "MOV AR1,A", true), 0);
    EXPECT_EQ(FindWord("R1", "MOV AR1,A", false), 6);
    EXPECT_EQ(FindWord("R1", "MOV AR1,R1", true), 9);  // a later whole word counts
    EXPECT_EQ(FindWord("R1", "R1", true), 1);
    EXPECT_EQ(FindWord("R1", "$R1 R1_ @R1", true), 0);
    EXPECT_EQ(FindWord("", "abc", false), 0);
    EXPECT_EQ(FindWord("abcd", "abc", false), 0);
}

TEST(Utilities, FindComment) {
    auto span = [](std::string_view line) {
        const auto c = FindComment(line);
        return std::pair(c.start, c.end);
    };
    EXPECT_EQ(span("         */ x"), std::pair(1, 11));      // closes a comment begun earlier
    EXPECT_EQ(span("mov a,b // note"), std::pair(9, 0));
    EXPECT_EQ(span("a /* b */ c"), std::pair(3, 9));
    EXPECT_EQ(span("a /* b"), std::pair(3, 0));             // runs past the line's end
    EXPECT_EQ(span("x */ y /* z"), std::pair(1, 4));
    EXPECT_EQ(span("a /* b */ // c"), std::pair(3, 9));
    EXPECT_EQ(span("a */ b /* c */ // d"), std::pair(1, 4));  // the first "*/" decides
    EXPECT_EQ(span("a */ b // c"), std::pair(1, 4));
    EXPECT_EQ(span("a /* b // c */"), std::pair(8, 0));     // "//" wins when "*/" follows it
    EXPECT_EQ(span("plain"), std::pair(0, 0));
}

TEST(Utilities, SmallHelpers) {
    EXPECT_EQ(Max(-3, 2), 2);
    EXPECT_EQ(Min(-3, 2), -3);
    std::string t = "\ta\tb";
    EXPECT_EQ(TabsToBlanks(t), 2);
    EXPECT_EQ(t, " a b");
    std::uint8_t a = 1, b = 2;
    SwapBytes(a, b);
    EXPECT_EQ(a, 2);
    EXPECT_EQ(b, 1);
}

TEST(Utilities, SplitText) {
    auto split = [](std::string_view text, std::string_view sep) {
        const auto r = SplitText(text, sep);
        return std::pair(r.head, r.rest);
    };
    EXPECT_EQ(split("  abc  ", ","), std::pair(std::string("abc"), std::string()));
    EXPECT_EQ(split(" a , b , c ", ","), std::pair(std::string(" a"), std::string("b , c ")));
    EXPECT_EQ(split("a,", ","), std::pair(std::string("a"), std::string()));
    EXPECT_EQ(split("a..b", ".."), std::pair(std::string("a"), std::string("b")));
}

TEST(Utilities, SplitOutsideBrackets) {
    auto split = [](std::string_view text) {
        const auto r = SplitOutsideBrackets(text, ",");
        return std::pair(r.head, r.rest);
    };
    using P = std::pair<std::string, std::string>;
    EXPECT_EQ(split("f(a,b),c"), P("f(a,b)", "c"));
    EXPECT_EQ(split("f(a,b)(c,d),e"), P("f(a,b)(c,d)", "e"));
    EXPECT_EQ(split("(a),b(c,d)"), P("(a)", "b(c,d)"));
    EXPECT_EQ(split("a,b(c,d)"), P("a", "b(c,d)"));
    EXPECT_EQ(split("f(a,b)"), P("f(a,b)", ""));  // no separator outside
    EXPECT_EQ(split("g((a,b),c),d"), P("g((a,b),c)", "d"));
    EXPECT_EQ(split("a)(,b"), P("a)(", "b"));     // unpaired brackets do not hide it
    EXPECT_EQ(split(" x "), P("x", ""));
}

TEST(Utilities, FileDateCompare) {
    test::TempDir dir;
    const auto file = dir.file("f.txt");
    test::writeBytes(file, {1});
    platform::FakeClock clock;
    const auto now = std::chrono::time_point_cast<std::chrono::seconds>(clock.wallNow());
    std::filesystem::last_write_time(file, std::chrono::file_clock::from_sys(now + std::chrono::minutes(5)));
    EXPECT_EQ(FileDateCompare(file, 0, clock), 1);   // now is earlier than the file
    EXPECT_EQ(FileDateCompare(file, 5, clock), 0);
    EXPECT_EQ(FileDateCompare(file, 6, clock), -1);  // now + 6 minutes is later
    clock.advance(1000);                             // within the same two-second step
    EXPECT_EQ(FileDateCompare(file, 5, clock), now.time_since_epoch().count() % 2 == 0 ? 0 : -1);
    EXPECT_THROW(FileDateCompare(dir.file("missing"), 0, clock), EFOpenError);
}

}  // namespace
}  // namespace tarvex
