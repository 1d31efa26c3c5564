#include <gtest/gtest.h>

#include "core/value_stream.hpp"
#include "platform/exception.hpp"

namespace tarvex {
namespace {

TEST(ValueStream, IntegersTakeTheSmallestFormAndReadBack) {
    platform::MemoryStream m;
    ValueWriter w(m);
    const std::int32_t values[] = {0, -128, 127, 128, -129, 32767, -32768, 32768, INT32_MIN, INT32_MAX};
    for (auto v : values) w.WriteInteger(v);
    const std::vector<std::uint8_t> head = {2, 0, 2, 0x80, 2, 0x7F, 3, 0x80, 0};
    EXPECT_TRUE(std::equal(head.begin(), head.end(), m.bytes().begin()));
    m.seek(0);
    ValueReader r(m);
    for (auto v : values) EXPECT_EQ(r.ReadInteger(), v);
    EXPECT_TRUE(r.EndOfStream());
}

TEST(ValueStream, BooleansAndTexts) {
    platform::MemoryStream m;
    ValueWriter w(m);
    w.WriteBoolean(true);
    w.WriteBoolean(false);
    w.WriteString("VokWin Select");
    w.WriteString(std::string(300, 'x'));
    EXPECT_EQ(m.bytes()[0], 9);
    EXPECT_EQ(m.bytes()[1], 8);
    EXPECT_EQ(m.bytes()[2], 6);
    EXPECT_EQ(m.bytes()[3], 13);
    m.seek(0);
    ValueReader r(m);
    EXPECT_EQ(r.NextValue(), value_type::True);
    EXPECT_TRUE(r.ReadBoolean());
    EXPECT_FALSE(r.ReadBoolean());
    EXPECT_EQ(r.ReadString(), "VokWin Select");
    EXPECT_EQ(r.ReadString(), std::string(300, 'x'));
}

TEST(ValueStream, DamagedStreamsRaiseTheReadError) {
    {
        platform::MemoryStream m(std::vector<std::uint8_t>{6, 13, 'a'});  // text cut short
        ValueReader r(m);
        EXPECT_THROW(r.ReadString(), EReadError);
    }
    {
        platform::MemoryStream m(std::vector<std::uint8_t>{12, 0xFF, 0xFF, 0xFF, 0x7F});  // huge length
        ValueReader r(m);
        EXPECT_THROW(r.ReadString(), EReadError);
    }
    {
        platform::MemoryStream m(std::vector<std::uint8_t>{6, 0});  // a text where an integer belongs
        ValueReader r(m);
        EXPECT_THROW(r.ReadInteger(), EReadError);
    }
    {
        platform::MemoryStream m(std::vector<std::uint8_t>{4, 1, 2});
        ValueReader r(m);
        EXPECT_THROW(r.ReadInteger(), EReadError);
    }
    {
        platform::MemoryStream m(std::vector<std::uint8_t>{2, 5});  // not 9: false
        ValueReader r(m);
        EXPECT_FALSE(r.ReadBoolean());
    }
}

}  // namespace
}  // namespace tarvex
