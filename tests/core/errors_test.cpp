#include <gtest/gtest.h>

#include "core/errors.hpp"
#include "core/message_box.hpp"
#include "core/messages.hpp"

namespace tarvex {
namespace {

template <typename E>
bool caughtByFamily() {
    try {
        throw E("x");
    } catch (const EVokWinError&) {
        return true;
    } catch (const Exception&) {
        return false;
    }
}

TEST(ExceptionFamily, FamilyHandlerCatchesEveryMemberAndNoUnitException) {
    EXPECT_TRUE(caughtByFamily<EVokWinError>());
    EXPECT_TRUE(caughtByFamily<EEmulatorCommError>());
    EXPECT_TRUE(caughtByFamily<EEmulatorStartError>());
    EXPECT_TRUE(caughtByFamily<EEmulatorTimeoutError>());
    EXPECT_TRUE(caughtByFamily<ESymbolError>());
    EXPECT_TRUE(caughtByFamily<EWatchIndexError>());
    EXPECT_TRUE(caughtByFamily<EVokWinConvertError>());
    EXPECT_TRUE(caughtByFamily<EPerformanceError>());
    EXPECT_FALSE(caughtByFamily<EUsbDllError>());
    EXPECT_FALSE(caughtByFamily<EUbrofRecord>());
    EXPECT_FALSE(caughtByFamily<EAvrObjError>());
    EXPECT_FALSE(caughtByFamily<EAgdiError>());
    EXPECT_FALSE(caughtByFamily<EQzCheckError>());
    EXPECT_FALSE(caughtByFamily<EHexFileError>());
}

TEST(ExceptionFamily, CommErrorCodeIsZeroUnlessSet) {
    EEmulatorCommError e("Open error 2 on port COM1");
    EXPECT_EQ(e.errorCode(), 0);
    e.setErrorCode(2);
    EXPECT_EQ(e.errorCode(), 2);
    EXPECT_EQ(EEmulatorStartError("s").value(), 0);
}

TEST(MessageTables, LookupByIdAndMissingIdsAreEmpty) {
    EXPECT_EQ(LoadStr(334), "Unvalid address %s");
    EXPECT_EQ(LoadStr(9999), "");
    EXPECT_EQ(LoadStr(0), "");
    EXPECT_EQ(LoadResStr(rs::Confirm), "Confirm");
    EXPECT_EQ(LoadResStr(65266), "Fatal USB error!\nPlease switch off emulator and start again.");
    EXPECT_EQ(LoadResStr(65268), "");
}

TEST(MessageTables, Message67FormatsBankAndOffset) {
    EXPECT_EQ(FmtLoadStr(67, 3, 0x12ab), "Address 312AB out of address range");
    EXPECT_EQ(FmtLoadStr(66, 0xab), "Address 00AB out of address range");
}

TEST(Format, PlaceholdersWithWidthPrecisionAndArgumentIndex) {
    EXPECT_EQ(Format("%2x", 5), " 5");
    EXPECT_EQ(Format("%x", 0xbeef), "BEEF");
    EXPECT_EQ(Format("%.4x", 0x1f), "001F");
    EXPECT_EQ(Format("%d%.4x", 2, 0xabc), "20ABC");
    EXPECT_EQ(Format("%s is %d", "A", -3), "A is -3");
    EXPECT_EQ(Format("%-4s|", "ab"), "ab  |");
    EXPECT_EQ(Format("%.3d", 7), "007");
    EXPECT_EQ(Format("100%%"), "100%");
    EXPECT_EQ(Format("%x", -1), "FFFFFFFF");
    EXPECT_EQ(Format("%1:s %0:s", "a", "b"), "b a");
}

TEST(Format, MismatchStaysReadable) {
    EXPECT_EQ(Format("Symbol %s not found"), "Symbol %s not found");
    EXPECT_EQ(Format("%d items", "many"), "many items");
    EXPECT_EQ(Format("%s", 12), "12");
    EXPECT_EQ(Format("trailing %"), "trailing %");
    EXPECT_EQ(Format("%q odd", 1), "%q odd");
}

TEST(MessageBoxes, CaptionsComeFromTheResourceStrings) {
    platform::ScriptedMessageBoxes boxes;
    platform::ScriptedErrorDialog dialog;
    platform::ScopedUi ui(&boxes, &dialog);
    boxes.answer(platform::IdNo);
    EXPECT_EQ(ConfirmBox("Create?", platform::mb::YesNo), platform::IdNo);
    EXPECT_EQ(WarningBox("w", platform::mb::Ok), platform::IdOk);
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[0].caption, "Confirm");
    EXPECT_EQ(boxes.shown()[1].caption, "Warning");

    // Retry and Yes pass; every other answer of a dialog is Cancel.
    const std::pair<int, int> cases[] = {{platform::IdRetry, 4}, {platform::IdYes, 6},   {platform::IdNo, 2},
                                         {platform::IdOk, 2},    {platform::IdAbort, 2}, {platform::IdIgnore, 2}};
    for (const auto& [answer, result] : cases) {
        dialog.answer(answer);
        EXPECT_EQ(EmulErrorDialog("m", "f"), result) << answer;
    }
    EXPECT_EQ(EmulErrorDialog("closed by the window's close box", ""), 2);
    // The message goes to the error line, the second argument to the first line.
    ASSERT_EQ(dialog.asked().size(), 7u);
    EXPECT_EQ(dialog.asked()[0], std::pair(std::string("m"), std::string("f")));
}

}  // namespace
}  // namespace tarvex
