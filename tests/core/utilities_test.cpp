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

}  // namespace
}  // namespace tarvex
