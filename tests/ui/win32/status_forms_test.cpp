// The platform's forms on Windows: the error form answers with its buttons,
// the progress forms show what they are given and hand Cancel back. Each is
// rendered into ui-shots/.
#include <gtest/gtest.h>

#include "platform/win32/message_boxes_win32.hpp"
#include "tests/ui/win32/win32_test_support.hpp"
#include "ui/win32/form_shot.hpp"
#include "ui/win32/status_forms_win32.hpp"

namespace tarvex::ui::win32 {
namespace {

TEST(Win32ErrorDialog, AnswersWithItsButtons) {
    Win32ErrorDialog dialog;
    struct Case {
        const char* press;
        int answer;
    };
    for (const Case c : {Case{"YesButton", platform::IdYes}, Case{"RetryButton", platform::IdRetry},
                         Case{"CancelButton", platform::IdCancel}, Case{"", platform::IdCancel}}) {
        std::string first, message;
        std::vector<std::string> clipped{"not opened"};
        test::Later answer([&] {
            Win32Form* form = Win32Form::of(GetFocus());
            if (!form) return;
            first = test::textOf(form->control("FirstLabel"));
            message = test::textOf(form->control("ErrorLabel"));
            clipped = clippedControls(*form);
            if (*c.press) {
                test::click(form->control(c.press));
            } else {
                saveShot(*form, "TFormEmulError");
                test::pressKey(VK_ESCAPE);
            }
        });
        EXPECT_EQ(dialog.ask("Emulator does not answer on COM1.", "Connection error"), c.answer) << c.press;
        EXPECT_EQ(first, "Connection error");
        EXPECT_EQ(message, "Emulator does not answer on COM1.");
        EXPECT_EQ(clipped, std::vector<std::string>{});
    }
}

TEST(Win32StatusForms, ShowWhatTheyAreGivenAndHandCancelBack) {
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi ui(&boxes);
    Win32LoadStatusWindow load;
    load.setText(platform::LoadField::Dateiname, "ports.omf");
    load.setText(platform::LoadField::CodeAnzahl, "336");
    load.setPellunarVisible(true);
    load.showForm();
    load.addLine("Pellunar MOV P0,A at 009F", false);
    load.addLine("Code in bank 4: not loaded", true);
    EXPECT_TRUE(load.isOpen());
    EXPECT_EQ(test::textOf(load.form().control("Dateiname")), "ports.omf");
    EXPECT_TRUE(IsWindowVisible(load.form().control("PellunarAnzahl")));
    EXPECT_EQ(test::listItems(load.form().control("MessageBox")).size(), 2u);
    EXPECT_EQ(boxes.beeps(), 1);
    EXPECT_EQ(clippedControls(load.form()), std::vector<std::string>{});
    saveShot(load.form(), "TFormLadeStatus");
    EXPECT_FALSE(load.cancelRequested());
    PostMessageA(load.form().control("AbbruchButton"), BM_CLICK, 0, 0);
    EXPECT_TRUE(load.cancelRequested());
    load.closeForm();
    EXPECT_FALSE(IsWindowVisible(load.form().handle()));

    Win32SaveStatusWindow save;
    save.setCaption("Save memory");
    save.setLabel("Label1", "File:");
    save.setFileName("C:\\work\\image.hex");
    save.setMemoryName("Program");
    save.setRange("0000-7FFF");
    save.setStatus("4096 Bytes");
    save.show();
    EXPECT_EQ(test::textOf(save.form().handle()), "Save memory");
    EXPECT_EQ(test::textOf(save.form().control("DateiLabel")), "File:");
    EXPECT_EQ(clippedControls(save.form()), std::vector<std::string>{});
    saveShot(save.form(), "TFormSaveStatus");
    PostMessageA(save.form().control("CancelButton"), BM_CLICK, 0, 0);
    EXPECT_TRUE(save.cancelRequested());
    save.show();
    EXPECT_FALSE(save.cancelRequested());

    Win32NoticeWindow notice;
    notice.show("Emulator is starting, please wait...");
    ASSERT_NE(notice.form(), nullptr);
    EXPECT_TRUE(IsWindowVisible(notice.form()->handle()));
    EXPECT_EQ(clippedControls(*notice.form()), std::vector<std::string>{});
    saveShot(*notice.form(), "TFormHinweis");
    notice.close();
    EXPECT_FALSE(IsWindowVisible(notice.form()->handle()));
}

}  // namespace
}  // namespace tarvex::ui::win32

namespace tarvex::ui::win32 {
namespace {

// The system's box shows the project's UTF-8 texts through the ANSI code
// page, as every window of the Windows builds does.
TEST(Win32MessageBoxes, ShowTextsThroughTheAnsiCodePage) {
    platform::Win32MessageBoxes boxes;
    std::wstring shown;
    test::Later answer([&] {
        HWND box = GetActiveWindow();
        wchar_t text[256] = {};
        GetDlgItemTextW(box, 0xFFFF, text, 256);
        shown = text;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(boxes.show("Trace", "Time: 12 \xC2\xB5s", platform::mb::Ok), platform::IdOk);
    EXPECT_EQ(shown, L"Time: 12 \u00B5s");
}

}  // namespace
}  // namespace tarvex::ui::win32
