#include "checker/pellunar_checker.hpp"

#include <gtest/gtest.h>

#include "core/pellunar.hpp"
#include "tests/support/pellunar_recorder.hpp"

namespace tarvex {
namespace {

using Message = test::PellunarMessage;
using RecordingAnalyser = test::RecordingPellunar;

// An accepted read-routine call (class 0x61, substituted) at the address,
// standing in the image in its substitute form 75 07 00.
TPellunarItem* addReadCall(RecordingAnalyser& analyser, std::uint16_t offset, bool inTypedData) {
    auto item = std::make_unique<TPellunarItem>(&analyser, 0, 0x61, UnbankedAdresse(offset));
    item->scannedBytes = PellunarBytes{0x12, 0xFF, 0xF9};
    item->inTypedData = inTypedData;
    analyser.StoreCode(UnbankedAdresse(offset), item->InstructionBytes().span());
    return analyser.AddHook(std::move(item));
}

TEST(CheckerSteps, VersionOfTheAnalyser) { EXPECT_EQ(PellunarVersion(), "1.13"); }

TEST(CheckerSteps, WithoutSubstitutedHooksTheImageIsTheOutput) {
    RecordingAnalyser analyser;
    const std::uint8_t code[] = {0xC2, 0x83, 0x00, 0x22};
    analyser.StoreCode(UnbankedAdresse(0x100), code);
    EXPECT_EQ(OutputBytes(analyser, UnbankedAdresse(0x100), 4), std::vector<std::uint8_t>(code, code + 4));
    EXPECT_TRUE(analyser.messages.empty());
}

TEST(CheckerSteps, HookInTypedDataStraddlingTwoRecordsIsRestoredInBoth) {
    RecordingAnalyser analyser;
    addReadCall(analyser, 0x0E, true);
    const auto first = OutputBytes(analyser, UnbankedAdresse(0x00), 16);
    const auto second = OutputBytes(analyser, UnbankedAdresse(0x10), 16);
    EXPECT_EQ(first[0x0E], 0x12);
    EXPECT_EQ(first[0x0F], 0xFF);
    EXPECT_EQ(second[0x00], 0xF9);
    EXPECT_EQ(second[0x01], 0x00);
    const Message warning{1, "LCALL code not substituted: 12FFF9", "000E"};
    EXPECT_EQ(analyser.messages, (std::vector<Message>{warning, warning}));
    // The image itself keeps the substitute.
    EXPECT_EQ(analyser.ImageBytes(UnbankedAdresse(0x0E), 3), (std::vector<std::uint8_t>{0x75, 0x07, 0x00}));
}

TEST(CheckerSteps, HookOutsideDataKeepsItsSubstituteSilently) {
    RecordingAnalyser analyser;
    addReadCall(analyser, 0x20, false);
    addReadCall(analyser, 0x40, true);
    EXPECT_EQ(OutputBytes(analyser, UnbankedAdresse(0x20), 3), (std::vector<std::uint8_t>{0x75, 0x07, 0x00}));
    EXPECT_TRUE(analyser.messages.empty()) << "the typed hook lies outside the block";
    EXPECT_EQ(OutputBytes(analyser, UnbankedAdresse(0x3F), 2), (std::vector<std::uint8_t>{0x00, 0x12}));
    EXPECT_EQ(analyser.messages.size(), 1u);
}

TEST(CheckerSteps, CursorVisitsSubstitutedItemsInAddressOrder) {
    RecordingAnalyser analyser;
    addReadCall(analyser, 0x50, false);
    analyser.AddHook(std::make_unique<TPellunarItem>(&analyser, 0, 0x261, UnbankedAdresse(0x30)));  // not substituted
    addReadCall(analyser, 0x10, false);
    TSubstitutedCursor cursor;
    TPellunarItem* item = cursor.FirstSubstituted(analyser.Hooks());
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->address.offset, 0x10);
    item = cursor.NextSubstituted();
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->address.offset, 0x50);
    EXPECT_EQ(cursor.NextSubstituted(), nullptr);
    EXPECT_EQ(cursor.NextSubstituted(), nullptr);
    TSubstitutedCursor fresh;
    EXPECT_EQ(fresh.NextSubstituted(), nullptr);
}

}  // namespace
}  // namespace tarvex
