#include <gtest/gtest.h>

#include <sstream>

#include "platform/clock.hpp"
#include "platform/ui.hpp"

namespace tarvex::platform {
namespace {

TEST(FakeClock, SleepingAdvancesVirtualTime) {
    FakeClock clock(1000);
    const auto wall = clock.wallNow();
    clock.sleepMs(250);
    clock.sleepMs(0);
    EXPECT_EQ(clock.monotonicMs(), 1250u);
    EXPECT_EQ(clock.tickMs(), 1250u);
    EXPECT_EQ(clock.totalSlept(), 250u);
    EXPECT_EQ(clock.sleepCount(), 2u);
    EXPECT_EQ(clock.wallNow() - wall, std::chrono::milliseconds(250));
    clock.advance(50);
    EXPECT_EQ(clock.totalSlept(), 250u);  // advancing is not sleeping
}

TEST(FakeClock, TickWrapsLikeTheSystemTickButDeadlinesDoNot) {
    FakeClock clock(0xFFFFFFFFull - 4);
    Deadline d(clock, 10);
    clock.advance(8);
    EXPECT_LT(clock.tickMs(), 10u);  // the 32-bit tick wrapped
    EXPECT_FALSE(d.expired());
    EXPECT_EQ(d.remainingMs(), 2u);
    clock.sleepMs(2);
    EXPECT_TRUE(d.expired());
    EXPECT_EQ(d.remainingMs(), 0u);
    clock.advance(1000);
    EXPECT_EQ(d.remainingMs(), 0u);
    EXPECT_EQ(&d.clock(), &clock);
}

TEST(FakeClock, WaitLoopOnADeadlineEndsWithoutRealTime) {
    FakeClock clock;
    Deadline d(clock, 1500);
    int polls = 0;
    while (!d.expired()) {
        clock.sleepMs(10);
        ++polls;
    }
    EXPECT_EQ(polls, 150);
    EXPECT_TRUE(Deadline(clock, 0).expired());
}

TEST(MessageBoxButtons, ButtonsAndDefaults) {
    EXPECT_EQ(buttonsOf(mb::Ok), (std::vector<int>{IdOk}));
    EXPECT_EQ(buttonsOf(mb::OkCancel | mb::IconQuestion), (std::vector<int>{IdOk, IdCancel}));
    EXPECT_EQ(buttonsOf(mb::AbortRetryIgnore), (std::vector<int>{IdAbort, IdRetry, IdIgnore}));
    EXPECT_EQ(buttonsOf(mb::YesNoCancel), (std::vector<int>{IdYes, IdNo, IdCancel}));
    EXPECT_EQ(buttonsOf(mb::YesNo), (std::vector<int>{IdYes, IdNo}));
    EXPECT_EQ(buttonsOf(mb::RetryCancel), (std::vector<int>{IdRetry, IdCancel}));
    EXPECT_EQ(defaultButtonOf(mb::YesNo), IdYes);
    EXPECT_EQ(defaultButtonOf(mb::YesNo | mb::DefButton2 | mb::IconWarning), IdNo);
    EXPECT_EQ(defaultButtonOf(mb::YesNoCancel | mb::DefButton3), IdCancel);
    EXPECT_EQ(defaultButtonOf(mb::YesNo | mb::DefButton3), IdYes);  // no third button: the first
    EXPECT_EQ(defaultButtonOf(mb::Ok | mb::DefButton2), IdOk);
}

TEST(ConsoleMessageBoxes, WithoutATerminalTheDefaultAnswersAndSaysSo) {
    std::istringstream in("y\n");
    std::ostringstream err;
    ConsoleMessageBoxes boxes(in, err, false);
    EXPECT_EQ(boxes.show("Confirm", "Overwrite file?", mb::YesNo | mb::DefButton2), IdNo);
    EXPECT_EQ(err.str(), "Confirm: Overwrite file?\n(no terminal: answered No)\n");
    std::string rest;
    std::getline(in, rest);
    EXPECT_EQ(rest, "y");  // the input was not touched
    err.str("");
    EXPECT_EQ(boxes.show("Error", "Bad", mb::Ok | mb::IconError), IdOk);
    EXPECT_EQ(err.str(), "Error: Bad\n");
}

TEST(ConsoleMessageBoxes, OnATerminalTheAnswerIsRead) {
    std::istringstream in("maybe\n  n\n\nr\n");
    std::ostringstream err;
    ConsoleMessageBoxes boxes(in, err, true);
    EXPECT_EQ(boxes.show("Confirm", "Go on?", mb::YesNo), IdNo);  // unknown answer asked again
    EXPECT_NE(err.str().find("[Yes/No] "), std::string::npos);
    EXPECT_EQ(boxes.show("Confirm", "Go on?", mb::YesNoCancel | mb::DefButton3), IdCancel);  // empty line
    EXPECT_EQ(boxes.show("Error", "Again?", mb::RetryCancel), IdRetry);
    EXPECT_EQ(boxes.show("Error", "End of input", mb::OkCancel | mb::DefButton2), IdCancel);
}

TEST(ConsoleErrorDialog, OffersYesCancelRetryAndPassesRetryOn) {
    ScriptedMessageBoxes boxes;
    ConsoleErrorDialog dialog(boxes);
    for (int id : {IdYes, IdRetry, IdCancel, IdNo}) boxes.answer(id);
    EXPECT_EQ(dialog.ask("Timeout", "Emulator error"), IdYes);
    EXPECT_EQ(dialog.ask("Timeout", ""), IdRetry);
    EXPECT_EQ(dialog.ask("Timeout", ""), IdCancel);
    EXPECT_EQ(dialog.ask("Timeout", ""), IdCancel);  // a box that answers otherwise
    ASSERT_EQ(boxes.shown().size(), 4u);
    EXPECT_EQ(boxes.shown()[0].text, "Emulator error\nTimeout\nChange configuration?");
    EXPECT_EQ(buttonsOf(boxes.shown()[0].flags), (std::vector<int>{IdYes, IdCancel, IdRetry}));
    EXPECT_EQ(defaultButtonOf(boxes.shown()[0].flags), IdYes);

    // On a terminal each of the three is one letter away.
    std::istringstream in("r\nc\ny\n");
    std::ostringstream err;
    ConsoleMessageBoxes console(in, err, true);
    ConsoleErrorDialog onTerminal(console);
    EXPECT_EQ(onTerminal.ask("m", ""), IdRetry);
    EXPECT_EQ(onTerminal.ask("m", ""), IdCancel);
    EXPECT_EQ(onTerminal.ask("m", ""), IdYes);
    EXPECT_NE(err.str().find("[Yes/Cancel/Retry] "), std::string::npos);
}

TEST(ScriptedUi, RecordsAndAnswersFromTheScriptThenTheDefault) {
    ScriptedMessageBoxes boxes;
    boxes.answer(IdCancel);
    EXPECT_EQ(boxes.show("c", "t1", mb::OkCancel), IdCancel);
    EXPECT_EQ(boxes.show("c", "t2", mb::OkCancel | mb::DefButton2), IdCancel);
    EXPECT_EQ(boxes.show("c", "t3", mb::OkCancel), IdOk);
    ASSERT_EQ(boxes.shown().size(), 3u);
    EXPECT_EQ(boxes.shown()[1].text, "t2");

    ScriptedErrorDialog dialog;
    dialog.answer(IdOk);  // not an answer of the form, passed on for its caller to judge
    dialog.answer(IdRetry);
    EXPECT_EQ(dialog.ask("m", "f"), IdOk);
    EXPECT_EQ(dialog.ask("m", "f"), IdRetry);
    EXPECT_EQ(dialog.ask("m", "f"), IdCancel);
}

TEST(ScopedUi, SwapsAndRestoresTheImplementations) {
    const Ui before = currentUi();
    {
        ScriptedMessageBoxes boxes;
        RecordingNoticeWindow notice;
        RecordingLoadStatusWindow loadStatus;
        ScopedUi scoped(&boxes, nullptr, &notice, &loadStatus);
        EXPECT_EQ(currentUi().boxes, &boxes);
        EXPECT_EQ(currentUi().errorDialog, before.errorDialog);  // null keeps the current one
        EXPECT_EQ(currentUi().notice, &notice);
        EXPECT_EQ(currentUi().loadStatus, &loadStatus);
    }
    EXPECT_EQ(currentUi().boxes, before.boxes);
    EXPECT_EQ(currentUi().notice, before.notice);
    EXPECT_EQ(currentUi().loadStatus, before.loadStatus);
    EXPECT_FALSE(before.loadStatus->isOpen());  // the console has no load-status form
}

}  // namespace
}  // namespace tarvex::platform
