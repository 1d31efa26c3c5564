#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

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
        // Any other value where a Boolean belongs would put every later read
        // out of step.
        for (const auto& bytes : {std::vector<std::uint8_t>{2, 5}, {6, 0}, {0}, {1}}) {
            platform::MemoryStream m(bytes);
            ValueReader r(m);
            EXPECT_THROW(r.ReadBoolean(), EReadError);
        }
    }
}

std::vector<std::uint8_t> extended(std::uint64_t sig, std::uint16_t signExp) {
    std::vector<std::uint8_t> b = {value_type::Extended};
    for (int i = 0; i < 8; ++i) b.push_back(static_cast<std::uint8_t>(sig >> (8 * i)));
    b.push_back(static_cast<std::uint8_t>(signExp));
    b.push_back(static_cast<std::uint8_t>(signExp >> 8));
    return b;
}

std::uint64_t bitsOf(double d) {
    std::uint64_t u = 0;
    std::memcpy(&u, &d, sizeof d);
    return u;
}

TEST(ValueStream, ExtendedFloatsHaveTheX87LayoutAndRoundTripEveryDouble) {
    constexpr auto lim = std::numeric_limits<double>{};
    struct Case {
        double value;
        std::uint64_t sig;
        std::uint16_t signExp;
    } const cases[] = {
        {1.0, 0x8000000000000000u, 0x3FFF},
        {-2.5, 0xA000000000000000u, 0xC000},
        {0.0, 0, 0},
        {-0.0, 0, 0x8000},
        {lim.denorm_min(), 0x8000000000000000u, 16383 - 1074},
        {lim.max(), 0xFFFFFFFFFFFFF800u, 0x43FE},
        {lim.infinity(), 0x8000000000000000u, 0x7FFF},
    };
    for (const auto& c : cases) {
        platform::MemoryStream m;
        ValueWriter(m).WriteExtended(c.value);
        EXPECT_EQ(m.bytes(), extended(c.sig, c.signExp)) << c.value;
        m.seek(0);
        EXPECT_EQ(bitsOf(ValueReader(m).ReadExtended()), bitsOf(c.value)) << c.value;
    }
    for (double d : {0.1, 1e-310, lim.min(), -123456.789e200}) {
        platform::MemoryStream m;
        ValueWriter(m).WriteExtended(d);
        m.seek(0);
        EXPECT_EQ(bitsOf(ValueReader(m).ReadExtended()), bitsOf(d)) << d;
    }
    platform::MemoryStream nan;
    ValueWriter(nan).WriteExtended(lim.quiet_NaN());
    nan.seek(0);
    EXPECT_TRUE(std::isnan(ValueReader(nan).ReadExtended()));
}

TEST(ValueStream, ExtendedFloatsBeyondADoubleRoundToNearestEven) {
    struct Case {
        std::uint64_t sig;
        std::uint16_t signExp;
        double expected;
    } const cases[] = {
        {0x8000000000000400u, 0x3FFF, 1.0},                      // half an ulp above 1: tie to even
        {0x8000000000000C00u, 0x3FFF, 1.0 + 0x1p-51},            // tie, odd below: up
        {0x8000000000000401u, 0x3FFF, 1.0 + 0x1p-52},            // above the half
        {0xFFFFFFFFFFFFFFFFu, 0x3FFF, 2.0},                      // carries into the exponent
        {0x8000000000000000u, 0x7FFE, std::numeric_limits<double>::infinity()},
        {0x8000000000000000u, 16383 - 1075, 0.0},                // half the smallest subnormal: tie to 0
        {0xC000000000000000u, 16383 - 1075, 0x1p-1074},          // above the half
        {0x4000000000000000u, 0x3FFF, 0.5},                      // no integer bit: normalised
        {0x8000000000000000u, 0, 0.0},                           // an extended denormal
    };
    for (const auto& c : cases) {
        platform::MemoryStream m(extended(c.sig, c.signExp));
        EXPECT_EQ(ValueReader(m).ReadExtended(), c.expected) << std::hex << c.sig << " " << c.signExp;
    }
}

TEST(ValueStream, ListsAndSkippingOneValue) {
    platform::MemoryStream m;
    ValueWriter w(m);
    w.WriteListBegin();
    w.WriteInteger(300);
    w.WriteListBegin();
    w.WriteString(std::string(300, 'y'));
    w.WriteExtended(1.5);
    w.WriteListEnd();
    w.WriteBoolean(true);
    w.WriteListEnd();
    w.WriteString("after");
    EXPECT_EQ(m.bytes()[0], 1);
    m.seek(0);
    ValueReader r(m);
    r.ReadListBegin();
    EXPECT_FALSE(r.EndOfList());
    EXPECT_EQ(r.ReadInteger(), 300);
    r.SkipValue();  // the inner list whole
    EXPECT_TRUE(r.ReadBoolean());
    EXPECT_TRUE(r.EndOfList());
    r.ReadListEnd();
    EXPECT_EQ(r.ReadString(), "after");
    m.seek(0);
    r.SkipValue();  // the outer list whole
    EXPECT_EQ(r.ReadString(), "after");

    const std::vector<std::vector<std::uint8_t>> bad = {
        {1, 1, 2, 5, 0},      // list left open
        {0},                  // an end with no list
        {7},                  // unknown type
        {12, 0, 0, 0, 0x80},  // text longer than the stream
        {5, 1, 2, 3},         // extended cut short
    };
    for (const auto& b : bad) {
        platform::MemoryStream s(b);
        EXPECT_THROW(ValueReader(s).SkipValue(), EReadError);
    }
    platform::MemoryStream s(std::vector<std::uint8_t>{2, 0});
    EXPECT_THROW(ValueReader(s).ReadListBegin(), EReadError);
}

}  // namespace
}  // namespace tarvex
