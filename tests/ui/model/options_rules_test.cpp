// The options dialog's derivations: what its choices store, and the way back.
#include <gtest/gtest.h>

#include "ui/model/options_rules.hpp"

namespace tarvex::ui {
namespace {

using enum PodType;
using enum PortMode;
constexpr auto kA0A3 = CableChoice::A0A3;
constexpr auto kA1 = CableChoice::A1;
constexpr auto kA2 = CableChoice::A2;
constexpr auto kPel = PortHooks::Pellunars;
constexpr auto kHooks = PortHooks::HardwareHooks;

TEST(OptionsRules, ProcessorAdapterFollowsTheFirstMatchingRule) {
    struct Case {
        AdapterChoices choices;
        int pod;
    };
    const Case cases[] = {
        {{Cable, kA1, Port, Port, kHooks, false}, 2},        // A1 wins over every port choice
        {{Cable, kA2, Port, Port, kPel, false}, 3},
        {{Cable, kA2, Bus, Port, kPel, false}, 4},
        {{Universal, kA2, Port, Port, kPel, false}, 0},      // sub-choices count with the cable only
        {{Tarvex51III, kA1, Bus, Bus, kPel, false}, 1},
        {{Cable, kA0A3, Bus, Bus, kPel, false}, 10},
        {{Cable, kA0A3, Port, Port, kHooks, false}, 12},
        {{Cable, kA0A3, Port, Port, kPel, false}, 14},
        {{Cable, kA0A3, Mixed, Mixed, kPel, false}, 20},
        {{Cable, kA0A3, Bus, Port, kPel, false}, 15},
        {{Cable, kA0A3, Bus, Port, kHooks, false}, 13},
        {{DirectPlug, kA1, Bus, Bus, kPel, false}, 5},
        {{DirectPlug, kA1, Port, Port, kHooks, false}, 6},
        {{DirectPlug, kA1, Bus, Port, kHooks, false}, 7},
        {{DirectPlug, kA1, Port, Port, kPel, false}, 8},
        {{DirectPlug, kA1, Bus, Port, kPel, false}, 9},
        {{DirectPlug, kA1, Mixed, Mixed, kPel, false}, 18},
        {{DebugConnector, kA1, Bus, Bus, kPel, false}, 11},
        {{DebugConnector, kA1, Port, Port, kHooks, false}, 16},
        {{DebugConnector, kA1, Bus, Port, kPel, false}, 17},
        {{DebugConnector, kA1, Mixed, Mixed, kHooks, false}, 19},  // no hooks on the connector
        {{DebugConnector, kA1, Bus, Bus, kPel, true}, 21},
        {{DebugConnector, kA1, Port, Port, kPel, true}, 22},
        {{DebugConnector, kA1, Bus, Port, kPel, true}, 23},
        {{DebugConnector, kA1, Mixed, Mixed, kPel, true}, 24},
    };
    for (const auto& c : cases) EXPECT_EQ(PodKennungFrom(c.choices), c.pod) << c.pod;
}

TEST(OptionsRules, EveryAdapterSurvivesFillAndDerive) {
    for (int pod = 0; pod < kAdapterCount; ++pod) EXPECT_EQ(PodKennungFrom(ChoicesFrom(pod)), pod) << pod;
    for (const int outside : {-1, 25, 255}) EXPECT_EQ(ChoicesFrom(outside), AdapterChoices{}) << outside;
}

TEST(OptionsRules, BankingVersionModeBanksAndBitPositions) {
    using enum EmulationMemory;
    struct Case {
        EmulationMemory memory;
        int size;
        std::optional<int> mode;
        int banks;
        std::array<bool, 5> bits;  // A14..A18
    };
    const Case cases[] = {
        {M64_64, 1, 0, 2, {false, false, false, false, false}},
        {M128_0, 0, 1, 2, {false, false, true, false, false}},
        {M128_64, 0, 2, 2, {false, false, true, false, false}},
        {M256_64, 1, 7, 8, {false, true, true, true, false}},
        {M512_0, 0, 4, 8, {false, false, true, true, true}},
        {M512_0, 1, 8, 16, {false, true, true, true, true}},
        {M512_0, 2, std::nullopt, 32, {true, true, true, true, true}},
        {M256_64, 2, 11, 16, {true, true, true, true, false}},
    };
    for (const auto& c : cases) {
        const int at = static_cast<int>(c.memory) * 10 + c.size;
        EXPECT_EQ(BankingModeFrom(c.memory, c.size), c.mode) << at;
        EXPECT_EQ(BankCount(c.memory, c.size), c.banks) << at;
        EXPECT_EQ(BitPositionsEnabled(c.memory, c.size), c.bits) << at;
    }
    EXPECT_EQ(BankingVersionFrom(2, true), 5);
    EXPECT_EQ(BankingVersionFrom(0, false), 0);
    EXPECT_EQ(BankingVersionFrom(1, false), 2);
}

TEST(OptionsRules, BitPositionsMustBeDigitsAndDifferWhereEnabled) {
    for (const char* bad : {"8", "", "07", "-1", "x"}) EXPECT_FALSE(BitPositionValid(bad)) << bad;
    for (const char* good : {"0", "7"}) EXPECT_TRUE(BitPositionValid(good)) << good;
    const std::array<bool, 5> from16 = {false, false, true, true, true};
    EXPECT_EQ(FirstEqualBitPosition({"1", "1", "0", "0", "2"}, from16), 2);      // A16 = A17
    EXPECT_EQ(FirstEqualBitPosition({"1", "1", "0", "2", "0"}, from16), 2);      // A16 = A18
    EXPECT_EQ(FirstEqualBitPosition({"1", "1", "0", "2", "3"}, from16), std::nullopt);  // A14 = A15 disabled
    EXPECT_EQ(FirstEqualBitPosition({"3", "1", "0", "2", "3"}, {true, true, true, true, true}), 0);
}

TEST(OptionsRules, ResetTimeoutTakesTenthsUpToTheByte) {
    struct Case {
        const char* text;
        std::optional<int> tenths;
    };
    const Case cases[] = {{"", 0},       {"0", 0},        {"2", 20},       {"25", 250},         {"2,5", 25},
                          {"25.5", 255}, {"25,5", 255},   {"0,1", 1},      {"25,6", std::nullopt}, {"30,0", std::nullopt},
                          {"99,9", std::nullopt}, {"123", std::nullopt}, {"2,", std::nullopt}, {",5", std::nullopt},
                          {"2,55", std::nullopt}, {"a", std::nullopt}, {"2;5", std::nullopt}};
    for (const auto& c : cases) EXPECT_EQ(ResetTimeoutTenths(c.text), c.tenths) << c.text;
    for (const int tenths : {0, 1, 25, 255}) EXPECT_EQ(ResetTimeoutTenths(ResetTimeoutText(tenths)), tenths);
    EXPECT_EQ(ResetTimeoutText(1), "0,1");
}

TEST(OptionsRules, SixteenBitConstantsAndTheBankedArea) {
    struct Case {
        const char* text;
        std::optional<std::uint16_t> value;
    };
    const Case cases[] = {{"0000", 0},     {"FFFF", 0xFFFF}, {"$8000", 0x8000}, {"c000h", 0xC000},
                          {"10000", std::nullopt}, {"0001FFFF", std::nullopt}, {"", std::nullopt}, {"G", std::nullopt}};
    for (const auto& c : cases) EXPECT_EQ(Hex16(c.text), c.value) << c.text;
    EXPECT_FALSE(BankedAreaValid(0xC000, 0x8000));
    EXPECT_TRUE(BankedAreaValid(0x8000, 0x8000));
}

TEST(OptionsRules, ProcessorPageFollowsOptionFirmwareAndPod) {
    const AdapterChoices universal{Universal}, a1{Cable, kA1}, a0a3{Cable, kA0A3}, direct{DirectPlug},
        debug{DebugConnector};
    struct Case {
        int option, firmware, watchdog;
        AdapterChoices pod;
        ProcessorRules rules;  // addressing shown, preset, configure, non-mux, hooks, A2, watchdog
    };
    const Case cases[] = {
        {8, 16, 0, universal, {true, 0, false, true, false, false, false}},
        {10, 18, 1, direct, {true, 1, false, false, false, false, true}},
        {11, 13, 0, universal, {false, -1, false, false, false, false, false}},  // firmware 13: no addressing
        {15, 11, 0, universal, {false, -1, false, false, false, false, false}},
        {11, 16, 0, universal, {true, 2, false, true, false, false, false}},
        {15, 15, 0, universal, {true, 2, false, false, false, false, false}},    // firmware 15: no non-mux yet
        {9, 18, 2, universal, {false, -1, true, false, false, false, true}},
        {6, 18, 0, a0a3, {false, -1, false, false, true, true, false}},
        {6, 18, 0, a1, {false, -1, false, false, false, true, false}},
        {5, 18, 0, direct, {false, -1, false, false, true, false, false}},
        {7, 18, 0, debug, {false, -1, false, false, false, false, false}},
        {4, 18, 0, a0a3, {false, -1, false, false, false, false, false}},
        {18, 16, 0, direct, {false, -1, false, false, false, false, false}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProcessorRulesFor(c.option, c.firmware, c.watchdog, c.pod), c.rules) << c.option << "/" << c.firmware;
}

TEST(OptionsRules, EditChecksGiveTheBoxTexts) {
    using enum OptionsEdit;
    struct Case {
        OptionsEdit kind;
        const char* text;
        const char* error;  // "" for valid input
    };
    const Case cases[] = {
        {Integer, "500", ""},
        {Integer, "$378", ""},
        {Integer, "5x", "'5x' is not a valid integer value"},
        {BitPosition, "7", ""},
        {BitPosition, "8", "Invalid bit position 8; valid: 0..7"},
        {BitPosition, "a", "Invalid bit position a; valid: 0..7"},
        {Hex16, "AAAA", ""},
        {Hex16, "1AAAA", "Invalid 16 bit constant 1AAAA"},
        {ExternBank, "60", ""},
        {ExternBank, "fF", ""},
        {ExternBank, "G", "'G' is not a valid integer value"},
        {ResetTimeout, "25,5", ""},
        {ResetTimeout, "30,0", "Value in Reset timeout not valid"},
    };
    for (const auto& c : cases) {
        const auto error = EditError(c.kind, c.text);
        EXPECT_EQ(error.value_or(""), c.error) << c.text;
    }
    EXPECT_EQ(BankedAreaError("C000", "8000").value_or(""), "Value in Banked area not valid");
    EXPECT_EQ(BankedAreaError("8000", "X").value_or(""), "Invalid 16 bit constant X");
    EXPECT_EQ(BankedAreaError("8000", "FFFF"), std::nullopt);
}

}  // namespace
}  // namespace tarvex::ui
