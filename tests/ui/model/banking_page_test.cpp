// The options dialog's Banking page: the rules between memory, bank size,
// banking kind and the board's port modes.
#include <gtest/gtest.h>

#include <functional>

#include "platform/ui.hpp"
#include "ui/model/banking_page.hpp"

namespace tarvex::ui {
namespace {

using enum EmulationMemory;

std::vector<std::string> numbers(int count) {
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) out.push_back(std::to_string(i));
    return out;
}

TEST(BankingPage, ChoicesKeepMemorySizeAndListsConsistent) {
    struct Case {
        const char* what;
        BankingContext context;
        bool memory512;
        int size;
        EmulationMemory filled;
        std::function<void(BankingPage&)> act;
        EmulationMemory memory;
        const char* warning;  // "" for none
        int banks;            // 0: the list is fixed at "0"
        std::array<bool, 5> bits;
    };
    const BankingContext v{}, ivPort{0, true}, vPort{1, true};
    const Case cases[] = {
        {"256k/64k with 32k", v, true, 1, M256_64, [](BankingPage&) {}, M256_64, "", 8,
         {false, true, true, true, false}},
        {"16k drops 512k/0k", v, true, 0, M512_0, [](BankingPage& p) { p.chooseSize(2); }, M256_64, "", 16,
         {true, true, true, true, false}},
        {"IV with P2 port", ivPort, true, 0, M64_64, [](BankingPage& p) { p.chooseMemory(M256_64); }, M64_64,
         "No banking with P2 portmode", 1, {}},
        {"V with P2 port", vPort, true, 0, M64_64, [](BankingPage& p) { p.chooseMemory(M512_0); }, M256_64,
         "512k Program memory with P2 in port mode not allowed", 4, {false, false, true, true, false}},
        {"128k drops 256k/64k", v, true, 0, M256_64, [](BankingPage& p) { p.chooseM(false); }, M64_64, "", 1, {}},
        {"code banking at 128k", v, false, 0, M64_64, [](BankingPage& p) { p.setCodeBanking(true); }, M128_0, "", 2,
         {false, false, true, false, false}},
        {"code banking at 512k", v, true, 2, M64_64, [](BankingPage& p) { p.setCodeBanking(true); }, M128_64, "", 8,
         {true, true, true, false, false}},
        {"disabled item refused", v, false, 0, M64_64, [](BankingPage& p) { p.chooseMemory(M512_0); }, M64_64, "", 1,
         {}},
        {"Dallas fixes the reset bank", {1, false, true, false}, true, 0, M256_64, [](BankingPage&) {}, M256_64, "", 0,
         {false, false, true, true, false}},
        {"unless option 15", {1, false, true, true}, true, 0, M256_64, [](BankingPage&) {}, M256_64, "", 4,
         {false, false, true, true, false}},
    };
    for (const auto& c : cases) {
        platform::ScriptedMessageBoxes boxes;
        platform::ScopedUi scope(&boxes);
        BankingPage page;
        page.fill(c.memory512, c.size, c.filled, 0x8000, 0xFFFF);
        page.setContext(c.context);
        c.act(page);
        EXPECT_EQ(page.memory(), c.memory) << c.what;
        for (std::size_t i = 0; i < kMemoryButtons.size(); ++i)
            EXPECT_EQ(page.control(kMemoryButtons[i]).checked, static_cast<int>(i) == static_cast<int>(c.memory))
                << c.what << i;
        ASSERT_EQ(boxes.shown().size(), *c.warning ? 1u : 0u) << c.what;
        if (*c.warning) {
            EXPECT_EQ(boxes.shown()[0].text, c.warning);
            EXPECT_EQ(boxes.beeps(), 1);
        }
        const auto& reset = page.control("ResetBank");
        EXPECT_EQ(reset.items, c.banks ? numbers(c.banks) : numbers(1)) << c.what;
        EXPECT_EQ(reset.itemIndex, c.banks ? c.banks - 1 : 0) << c.what;
        EXPECT_EQ(reset.enabled, c.banks != 0) << c.what;
        for (std::size_t i = 0; i < kBitEdits.size(); ++i)
            EXPECT_EQ(page.control(kBitEdits[i]).enabled, c.bits[i]) << c.what << " A1" << 4 + i;
        EXPECT_EQ(page.control("CodeBanking").checked, c.memory != M64_64) << c.what;
    }
}

TEST(BankingPage, EnablingFollowsMemorySizeAndDallas) {
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi scope(&boxes);
    BankingPage page;
    page.fill(true, 0, M256_64, 0x8000, 0xEFFF);
    EXPECT_FALSE(page.accept());
    EXPECT_EQ(page.control("BankStart").text, "8000");
    EXPECT_EQ(page.control("BankEnd").text, "EFFF");
    EXPECT_FALSE(page.readOnly("BankStart"));
    for (const auto& [size, start] : {std::pair{1, "8000"}, {2, "4000"}}) {
        page.chooseSize(size);
        EXPECT_EQ(page.control("BankStart").text, start);
        EXPECT_EQ(page.control("BankEnd").text, "FFFF");
        EXPECT_TRUE(page.readOnly("BankStart") && page.readOnly("BankEnd"));
    }
    EXPECT_FALSE(page.control("Memory512_0").enabled);
    page.chooseM(false);
    EXPECT_TRUE(page.accept());
    EXPECT_FALSE(page.control("Memory128_64").visible);
    EXPECT_TRUE(page.control("Memory128_0").visible && page.control("Memory128_0").enabled);
    EXPECT_FALSE(page.control("Memory256_64").enabled);
    for (const char* off : {"BankStart", "SfrPort", "XdataPort", "SwitchViaGroup", "PortAddressGroup"})
        EXPECT_FALSE(page.control(off).enabled) << off;
    page.chooseMemory(M128_0);
    EXPECT_TRUE(page.control("SfrPort").enabled);
    EXPECT_FALSE(page.control("XdataPort").enabled);  // switching via the SFR port
    EXPECT_TRUE(page.control("CodeClassic").enabled && page.control("CodeClassic").checked);
    EXPECT_FALSE(page.control("ExternBankNumber").enabled);
    // Variable banking keeps the memory when code banking goes, without Dallas.
    page.setVariableBanking(true);
    page.setCodeBanking(false);
    EXPECT_EQ(page.memory(), M128_0);
    page.setVariableBanking(false);
    EXPECT_EQ(page.memory(), M64_64);

    page.setContext({1, false, true, false});
    EXPECT_FALSE(page.control("BankSizeGroup").enabled);
    EXPECT_EQ(page.sizeIndex(), 0);
    for (const char* hidden : {"BankSwitchingGroup", "PortAddressGroup", "BitPositionGroup"})
        EXPECT_FALSE(page.control(hidden).visible) << hidden;
    page.setCodeBanking(true);
    EXPECT_TRUE(page.control("CodeDallas").checked && page.control("CodeDallas").enabled);
    EXPECT_TRUE(page.control("ExternBankNumber").enabled);
    page.chooseCodeDallas(false);
    EXPECT_FALSE(page.control("ExternBankNumber").enabled);
    EXPECT_TRUE(boxes.shown().empty());
}

}  // namespace
}  // namespace tarvex::ui
