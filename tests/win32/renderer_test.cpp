// The renderer of the described forms: a form of every kind of control over
// a model, driven through the system's messages, and the PNG of the shots.
#include <gtest/gtest.h>

#include "tests/win32/win32_test_support.hpp"
#include "ui/win32/form_shot.hpp"

namespace tarvex::ui::win32 {
namespace {

namespace f = forms;

class SampleModel final : public FormModel {
public:
    SampleModel() {
        setCaption("Sample");
        setText("Name", "first");
        setItems("Mode", {"&One", "&Two", "T&hree"}, 1);
        setText("Mode", " Mode: ");
        setItems("History", {"alpha", "beta"}, 0);
        setText("History", "alpha");
        setText("Cut", "A caption far too long for its little button");
    }
    using FormModel::edit;
};

const f::Form& sampleForm() {
    static const f::Form form{
        "TFormSample",
        "Sample",
        300,
        200,
        false,
        {
            f::Control{f::Kind::Label, "NameLabel", "&Name:", 8, 12, 50, 16, f::NoFlags, "", 1, "Name"},
            f::Control{f::Kind::Edit, "Name", "", 60, 10, 150, 21},
            f::Control{f::Kind::RadioGroup, "Mode", "", 8, 40, 200, 50, f::NoFlags, "", 3},
            f::Control{f::Kind::CheckBox, "Flag", "&Flag", 8, 96, 100, 20},
            f::Control{f::Kind::ComboEdit, "History", "", 8, 122, 200, 21},
            f::Control{f::Kind::Button, "Cut", "", 8, 160, 60, 25},
            f::Control{f::Kind::Button, "OkButton", "Ok", 220, 10, 72, 25, f::DefaultButton},
            f::Control{f::Kind::Button, "CancelButton", "Cancel", 220, 40, 72, 25, f::CancelButton},
        },
    };
    return form;
}

struct Recorded {
    std::vector<std::string> events;
    FormEvents events_() {
        FormEvents e;
        e.click = [this](const std::string& n) { events.push_back("click " + n); };
        e.text = [this](const std::string& n, const std::string& t) { events.push_back("text " + n + "=" + t); };
        e.choose = [this](const std::string& n, int i) { events.push_back("choose " + n + "=" + std::to_string(i)); };
        e.check = [this](const std::string& n, bool on) { events.push_back("check " + n + (on ? "=1" : "=0")); };
        e.help = [this] { events.push_back("help"); };
        return e;
    }
};

TEST(Win32Form, ShowsTheModelAndReportsWhatTheUserDoes) {
    SampleModel model;
    Recorded r;
    Win32Form form(sampleForm(), model, r.events_());
    form.centre();
    form.show();
    pumpMessages();
    EXPECT_EQ(test::textOf(form.handle()), "Sample");
    EXPECT_EQ(test::textOf(form.control("Name")), "first");
    EXPECT_EQ(test::textOf(form.control("Mode")), " Mode: ");
    EXPECT_EQ(test::textOf(form.item("Mode", 2)), "T&hree");
    EXPECT_EQ(SendMessageA(form.item("Mode", 1), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(test::textOf(form.control("History")), "alpha");
    EXPECT_EQ(test::textOf(form.control("OkButton")), "Ok");  // the description's caption

    // The model changes: the form follows, and reports nothing back.
    model.edit("Mode").itemIndex = 0;
    model.setEnabled("Flag", false);
    model.setText("Name", "second");
    EXPECT_EQ(SendMessageA(form.item("Mode", 0), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageA(form.item("Mode", 1), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_FALSE(IsWindowEnabled(form.control("Flag")));
    EXPECT_TRUE(r.events.empty());
    model.setEnabled("Flag", true);

    test::typeText(form.control("Name"), "!");
    test::click(form.item("Mode", 2));
    test::click(form.control("Flag"));
    test::typeText(form.control("History"), "x");
    test::focus(form.control("Name"));
    test::pressKey(VK_RETURN);
    test::pressKey(VK_ESCAPE);
    test::pressKey(VK_F1);
    const std::vector<std::string> expected{"text Name=!", "choose Mode=2", "check Flag=1", "text History=x",
                                            "click OkButton", "click CancelButton", "help"};
    EXPECT_EQ(r.events, expected);
}

TEST(Win32Form, FindsCaptionsItsControlsCut) {
    SampleModel model;
    Win32Form form(sampleForm(), model, {});
    form.centre();
    form.show();
    pumpMessages();
    const auto clipped = clippedControls(form);
    ASSERT_EQ(clipped.size(), 1u);
    EXPECT_EQ(clipped[0].rfind("Cut: caption", 0), 0u) << clipped[0];
    model.setText("Cut", "Fits");
    EXPECT_TRUE(clippedControls(form).empty());
    // A control beyond its form.
    MoveWindow(form.control("Flag"), 250, 190, 100, 20, TRUE);
    EXPECT_EQ(clippedControls(form), std::vector<std::string>{"Flag: outside the form"});
}

TEST(Win32Form, ShotIsAPngOfTheFormsPixels) {
    const std::vector<std::uint8_t> rgb{255, 0, 0, 0, 255, 0};
    const std::string png = encodePng(2, 1, rgb);
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    // The end chunk with its fixed check value.
    EXPECT_EQ(png.substr(png.size() - 12), std::string("\0\0\0\0IEND\xAE\x42\x60\x82", 12));
    // One stored block holding both rows' bytes behind the filter byte.
    EXPECT_NE(png.find(std::string("\x01\x07\x00\xF8\xFF\x00\xFF\x00\x00\x00\xFF\x00", 12)), std::string::npos);
}

}  // namespace
}  // namespace tarvex::ui::win32
