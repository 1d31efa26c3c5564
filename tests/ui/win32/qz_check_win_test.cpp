// QzCheckWin on Windows: its forms over their models, driven through the
// system's messages, with the same report as the console checker; the
// program itself starts and closes. Each form is rendered into ui-shots/.
#include <gtest/gtest.h>

#include "checkwin/qz_check_layout.hpp"
#include "checkwin/win32/qz_check_win32.hpp"
#include "tests/checkwin/support.hpp"
#include "tests/ui/win32/win32_test_support.hpp"
#include "ui/win32/form_shot.hpp"

namespace tarvex::checkwin {
namespace {

using ui::win32::pumpMessages;
namespace t = ui::win32::test;

struct Windowed {
    platform::MemorySettingsStore store;
    platform::ScriptedMessageBoxes boxes;
    platform::ScriptedFileDialog files;
    platform::RecordingHelpViewer help;
    platform::CountingBusyCursor cursor;
    platform::Ui saved = platform::currentUi();
    Windowed() {
        auto& ui = platform::currentUi();
        ui.boxes = &boxes;
        ui.files = &files;
        ui.help = &help;
    }
    ~Windowed() { platform::currentUi() = saved; }
};

TEST(QzCheckWin32, ARunOnTheExampleListsTheConsolesReport) {
    Windowed w;
    test::WorkingFolder work;
    if (!work.copyExample("ports.omf")) GTEST_SKIP() << "examples not built";
    QzCheckMainModel model(w.store, &w.cursor);
    QzAboutModel about;
    QzCheckMainWin32 view(model, about);
    auto& form = view.form();
    form.show();
    pumpMessages();
    EXPECT_EQ(t::textOf(form.handle()), "Pellunar Checker");
    EXPECT_EQ(t::textOf(form.control("FileGroup")), " &File name: ");
    EXPECT_EQ(t::textOf(form.item("CpuGroup", 2)), "TI &MSC121x");
    EXPECT_EQ(SendMessageA(form.item("RegBankGroup", 1), BM_GETCHECK, 0, 0), BST_CHECKED);

    t::typeText(form.control("FileName"), "ports.omf");
    EXPECT_EQ(model.fileName(), "ports.omf");
    t::click(form.item("MsgLvlGroup", 2));
    EXPECT_EQ(model.chosen("MsgLvlGroup"), 2);
    // Enter in the file name presses Go; the question of the HEX file is answered No.
    t::focus(form.control("FileName"));
    t::pressKey(VK_RETURN);
    ASSERT_EQ(w.boxes.shown().size(), 1u);
    EXPECT_NE(w.boxes.shown()[0].text.find("Create Intel hex file?"), std::string::npos);
    EXPECT_EQ(t::listItems(form.control("MsgListBox")), test::expectedReport("ports_omf.out"));
    EXPECT_EQ(w.store.readString(kCheckWinKey, kHistorySection, "History0", ""), "ports.omf");
    EXPECT_EQ(SendMessageA(form.control("FileName"), CB_GETCOUNT, 0, 0), 1);
    EXPECT_EQ(w.cursor.begins(), 1);
    EXPECT_EQ(w.cursor.depth(), 0);
    EXPECT_EQ(ui::win32::clippedControls(form), std::vector<std::string>{});
    ui::win32::saveShot(form, "TFormQzCheckMain");

    // A missing file: the error box, the history as it was.
    w.boxes.clear();
    t::typeText(form.control("FileName"), "missing.omf");
    t::click(form.control("GoButton"));
    ASSERT_EQ(w.boxes.shown().size(), 1u);
    EXPECT_EQ(w.boxes.shown()[0].caption, "Pellunar Checker");
    EXPECT_EQ(w.boxes.shown()[0].text.rfind("File not found: ", 0), 0u) << w.boxes.shown()[0].text;
    EXPECT_EQ(SendMessageA(form.control("FileName"), CB_GETCOUNT, 0, 0), 1);

    t::click(form.control("ClearButton"));
    EXPECT_EQ(SendMessageA(form.control("MsgListBox"), LB_GETCOUNT, 0, 0), 0);
    // F1 and the menu's content: the help contexts of the form and the menu item.
    t::pressKey(VK_F1);
    SendMessageA(form.handle(), WM_COMMAND, MenuContent, 0);
    const std::vector<std::pair<unsigned, unsigned>> help{{1, kMainHelpContext}, {1, kContentHelpContext}};
    EXPECT_EQ(w.help.calls(), help);
    // Escape is "E&xit".
    t::pressKey(VK_ESCAPE);
    EXPECT_TRUE(form.ended());
}

// The program's help in WinHelp: QzCheckHelp.hlp beside the program at the
// form's and the menu item's contexts, owned by the main form; a missing
// file is named in one box.
TEST(QzCheckWin32, HelpOpensTheHelpFileBesideTheProgram) {
    Windowed w;
    tarvex::test::TempDir dir;
    CheckerHelpViewer viewer(dir.path().string());
    platform::RecordingHelpEngine engine;
    auto& ui = platform::currentUi();
    ui.help = &viewer;
    ui.helpEngine = &engine;
    QzCheckMainModel model(w.store, &w.cursor);
    QzAboutModel about;
    QzCheckMainWin32 view(model, about);
    viewer.setOwner([&view] { return reinterpret_cast<std::uintptr_t>(view.form().handle()); });
    view.form().show();
    pumpMessages();
    const std::string file = dir.file("QzCheckHelp.hlp");
    std::ofstream(file) << "help";
    t::pressKey(VK_F1);
    SendMessageA(view.form().handle(), WM_COMMAND, MenuContent, 0);
    const auto owner = reinterpret_cast<std::uintptr_t>(view.form().handle());
    EXPECT_EQ(engine.requests(), (std::vector<platform::HelpFileRequest>{{owner, file, 1, kMainHelpContext},
                                                                         {owner, file, 1, kContentHelpContext}}));
    EXPECT_TRUE(w.boxes.shown().empty());
    std::filesystem::remove(file);
    SendMessageA(view.form().handle(), WM_COMMAND, MenuContent, 0);
    EXPECT_EQ(engine.requests().size(), 2u);
    ASSERT_EQ(w.boxes.shown().size(), 1u);
    EXPECT_EQ(w.boxes.shown()[0].text, "Help file " + file + " not found.");
}

TEST(QzCheckWin32, BrowseChoosesTheFormatByExtension) {
    Windowed w;
    QzCheckMainModel model(w.store, &w.cursor);
    QzAboutModel about;
    QzCheckMainWin32 view(model, about);
    view.form().show();
    w.files.answer(platform::FileChoice{"C:\\work\\PROG.hex", 1});
    w.files.answer(platform::FileChoice{"C:\\work\\PROG.abs", 2});
    t::click(view.form().control("Browse"));
    EXPECT_EQ(t::textOf(view.form().control("FileName")), "C:\\work\\PROG.hex");
    EXPECT_EQ(SendMessageA(view.form().item("FormatGroup", 1), BM_GETCHECK, 0, 0), BST_CHECKED);
    t::click(view.form().control("Browse"));
    EXPECT_EQ(SendMessageA(view.form().item("FormatGroup", 0), BM_GETCHECK, 0, 0), BST_CHECKED);
    ASSERT_EQ(w.files.requests().size(), 2u);
    EXPECT_EQ(w.files.requests()[0].title, "Select file");
    EXPECT_EQ(w.files.requests()[1].filterIndex, 2);
}

TEST(QzCheckWin32, AboutShowsTheEnginesVersionModally) {
    Windowed w;
    QzCheckMainModel model(w.store, &w.cursor);
    QzAboutModel about;
    QzCheckMainWin32 view(model, about);
    view.form().show();
    std::string version, caption;
    std::vector<std::string> clipped{"not opened"};
    bool ownerDisabled = false;
    t::Later answer([&] {
        auto* form = view.aboutForm();
        if (!form) return;
        caption = t::textOf(form->handle());
        version = t::textOf(form->control("VersionLabel"));
        ownerDisabled = !IsWindowEnabled(view.form().handle());
        clipped = ui::win32::clippedControls(*form);
        ui::win32::saveShot(*form, "TFormAbout");
        t::focus(form->control("OkButton"));
        t::pressKey(VK_RETURN);
    });
    SendMessageA(view.form().handle(), WM_COMMAND, MenuAbout, 0);
    EXPECT_EQ(caption, "About");
    EXPECT_EQ(version, model.engine().GetVersion());
    EXPECT_TRUE(ownerDisabled);
    EXPECT_EQ(clipped, std::vector<std::string>{});
    EXPECT_EQ(view.aboutForm(), nullptr);
    EXPECT_TRUE(IsWindowEnabled(view.form().handle()));
}

// The program as a user starts it: its main form shows, and closes.
TEST(QzCheckWin32, TheProgramShowsItsFormAndEnds) {
    char self[MAX_PATH * 4] = {};
    GetModuleFileNameA(nullptr, self, sizeof(self));
    const std::string program = std::filesystem::path(self).parent_path().parent_path().string() +
                                "\\checkwin\\QzCheckWin.exe";
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    std::string command = "\"" + program + "\"";
    ASSERT_TRUE(CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process))
        << program;
    HWND main = nullptr;
    // Each wait ends when the program has handled its messages so far.
    for (int i = 0; i < 200 && !main; ++i) {
        WaitForInputIdle(process.hProcess, 100);
        main = FindWindowA("TarvexForm", "Pellunar Checker");
    }
    ASSERT_NE(main, nullptr);
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 20000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

}  // namespace
}  // namespace tarvex::checkwin
