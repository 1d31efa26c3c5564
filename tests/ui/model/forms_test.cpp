// The dialog base's help and placement, and the status forms' models.
#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/scoped_help.hpp"
#include "tests/support/test_support.hpp"
#include "ui/model/dialog_model.hpp"
#include "ui/model/help_viewer.hpp"
#include "ui/model/status_forms.hpp"

namespace tarvex::ui {
namespace {

TEST(DialogModel, HelpAsksForTheFormsContext) {
    platform::MemorySettingsStore store;
    platform::RecordingHelpViewer viewer;
    {
        test::ScopedHelpViewer help(viewer);
        DialogModel model("SprungForm", 505, store);
        EXPECT_TRUE(model.help());
    }
    ASSERT_EQ(viewer.calls().size(), 1u);
    EXPECT_EQ(viewer.calls()[0], std::make_pair(1u, 505u));
}

// The topic in the system's engine, for the file and owner of the moment;
// a missing file is named in one box; with no engine one notice per request
// names the help file and the topic.
TEST(HelpFileViewer, OpensTheTopicOrSaysOnceThatItCannot) {
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi ui{&boxes};
    tarvex::test::TempDir dir;
    const std::string file = dir.file("E.hlp");
    std::ofstream(file) << "help";
    std::uintptr_t owner = 0x1234;
    std::string current = file;
    HelpFileViewer viewer([&] { return current; }, [&] { return owner; });

    platform::RecordingHelpEngine engine;
    platform::currentUi().helpEngine = &engine;
    EXPECT_TRUE(viewer.show(1, 220));
    owner = 0x5678;
    EXPECT_TRUE(viewer.show(1, 905));
    EXPECT_EQ(engine.requests(),
              (std::vector<platform::HelpFileRequest>{{0x1234, file, 1, 220}, {0x5678, file, 1, 905}}));
    EXPECT_TRUE(boxes.shown().empty());
    current = dir.file("gone.hlp");
    EXPECT_FALSE(viewer.show(1, 310));
    EXPECT_EQ(engine.requests().size(), 2u);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "Help file " + current + " not found.");
    boxes.clear();

    platform::currentUi().helpEngine = nullptr;
    current = "/opt/tarvex/E.hlp";
    EXPECT_FALSE(viewer.show(1, 620));
    EXPECT_FALSE(viewer.show(1, 0));
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[0].text, "No help viewer for E.hlp (topic 620).");
    EXPECT_EQ(boxes.shown()[1].text, "No help viewer for E.hlp (topic 0).");
}

TEST(DialogModel, AStoredPositionOffEveryScreenIsIgnored) {
    platform::MemorySettingsStore store;
    DialogModel model("SprungForm", 0, store);
    const std::vector<ScreenRect> screens{{0, 0, 1024, 768}, {1024, 0, 800, 600}};
    EXPECT_FALSE(model.storedPosition(screens));
    model.savePosition({1100, 20});
    EXPECT_EQ(store.readInteger(kDriverKey, "SprungForm", "Left", 0), 1100);
    ASSERT_TRUE(model.storedPosition(screens));
    EXPECT_EQ(model.storedPosition(screens)->top, 20);
    model.savePosition({5000, 5000});
    EXPECT_FALSE(model.storedPosition(screens));
    DialogModel unplaced("", 0, store);
    unplaced.savePosition({1, 1});
    EXPECT_FALSE(unplaced.storedPosition(screens));
}

TEST(StatusForms, StartAsBuiltAndCountErrors) {
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi scope(&boxes);
    LoadStatusModel load;
    EXPECT_EQ(load.caption(), "Lade-Status");
    EXPECT_EQ(load.control("AbbruchButton").text, "Abbrechen");
    EXPECT_FALSE(load.control("PellunarAnzahl").visible);
    int changes = 0;
    load.onChanged([&] { ++changes; });
    load.setOpen(true);
    load.addLine("Reading", false);
    load.addLine("Bad record", true);
    load.setStatus("2 errors");
    EXPECT_EQ(load.control("MessageBox").items, (std::vector<std::string>{"Reading", "Bad record"}));
    EXPECT_EQ(load.control("Warnung").text, "2 errors");
    EXPECT_EQ(load.errors(), 1);
    EXPECT_EQ(boxes.beeps(), 1);
    EXPECT_EQ(changes, 4);
    EXPECT_FALSE(load.cancelRequested());
    load.clickCancel();
    EXPECT_TRUE(load.cancelRequested());
    load.setOpen(true);  // a new load starts uncancelled
    EXPECT_FALSE(load.cancelRequested());

    SaveStatusModel save;
    EXPECT_EQ(save.caption(), "FormSaveStatus");
    EXPECT_EQ(save.control("SpeichernGroup").text, " Speichern: ");
    EXPECT_EQ(save.control("GesichertLabel").text, "gesichert:");

    StopErrorModel stop;
    stop.show();
    EXPECT_TRUE(stop.visible());
    stop.clickYes();
    EXPECT_TRUE(stop.answeredYes());
    stop.close();
    EXPECT_FALSE(stop.visible() || stop.answeredYes());
}

}  // namespace
}  // namespace tarvex::ui
