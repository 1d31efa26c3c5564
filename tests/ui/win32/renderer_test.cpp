// The renderer of the described forms: a form of every kind of control over
// a model, driven through the system's messages, and the PNG of the shots.
#include <gtest/gtest.h>

#include "tests/ui/win32/win32_test_support.hpp"

#include <commctrl.h>

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

const f::Form& rowsForm() {
    static const f::Form form{
        "TFormRows",
        "Rows",
        420,
        260,
        false,
        {
            f::Control{f::Kind::GroupBox, "Box", "Box", 8, 6, 404, 100},
            f::rowLabel("FirstLabel", "Lines", 0, 10, 60, "Box"),
            f::rowLabel("ThirdLabel", "Lines", 2, 10, 60, "Box"),
            f::Control{f::Kind::ListBox, "Lines", "", 76, 18, 300, 76, f::FixedPitch, "Box"},
            f::reportList("Report", "Range\nShare\nComment", {120, 80, 120}, 8, 112, 404, 100),
            f::Control{f::Kind::Edit, "Field", "", 8, 220, 150, 21},
            f::Control{f::Kind::Button, "OkButton", "Ok", 250, 220, 72, 25, f::DefaultButton},
            f::Control{f::Kind::Button, "Other", "Other", 330, 220, 72, 25},
        },
    };
    return form;
}

RECT inForm(HWND form, HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

TEST(Win32Form, LabelsBesideRowsReportListsAndTheDefaultButton) {
    SampleModel model;
    model.setText("FirstLabel", "First:");
    model.setText("ThirdLabel", "Third:");
    model.setItems("Lines", {"one", "two", "three", "four"}, 0);
    model.setItems("Report", {"0100 0180\t25\tfirst", "0200 0280\t75\tsecond"}, 0);
    Recorded r;
    FormEvents events = r.events_();
    std::vector<std::string> painted;
    events.paintCell = [&painted](const std::string& name, int row, int column, HDC, const RECT& cell) {
        if (column != 1) return false;
        painted.push_back(name + " " + std::to_string(row) + " " + std::to_string(cell.right - cell.left));
        return true;
    };
    events.focus = [&r](const std::string& name) { r.events.push_back("focus " + name); };
    Win32Form form(rowsForm(), model, std::move(events));
    form.centre();
    form.show();
    pumpMessages();
    r.events.clear();
    // Each label's middle is its row's middle.
    for (const auto& [label, row] : {std::pair{"FirstLabel", 0}, std::pair{"ThirdLabel", 2}}) {
        RECT item{};
        SendMessageA(form.control("Lines"), LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        MapWindowPoints(form.control("Lines"), form.handle(), reinterpret_cast<POINT*>(&item), 2);
        const RECT place = inForm(form.handle(), form.control(label));
        EXPECT_EQ(place.top + place.bottom, item.top + item.bottom) << label;
    }
    EXPECT_EQ(clippedControls(form), std::vector<std::string>{});
    HWND report = form.control("Report");
    ASSERT_EQ(SendMessageA(report, LVM_GETITEMCOUNT, 0, 0), 2);
    char cell[32] = {};
    LVITEMA item{};
    item.iSubItem = 2;
    item.pszText = cell;
    item.cchTextMax = sizeof(cell);
    SendMessageA(report, LVM_GETITEMTEXTA, 1, reinterpret_cast<LPARAM>(&item));
    EXPECT_STREQ(cell, "second");
    painted.clear();
    RedrawWindow(report, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(painted, (std::vector<std::string>{"Report 0 80", "Report 1 80"}));
    // The model's selection shows; the user's reaches the events.
    model.edit("Report").itemIndex = 1;
    model.setEnabled("Field", true);
    EXPECT_EQ(SendMessageA(report, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 1);
    LVITEMA select{};
    select.stateMask = LVIS_SELECTED;
    select.state = LVIS_SELECTED;
    SendMessageA(report, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&select));
    test::focus(report);
    SendMessageA(form.control("FirstLabel"), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageA(form.control("FirstLabel"), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    pumpMessages();
    // A box switched off takes what it holds with it.
    model.setEnabled("Box", false);
    EXPECT_FALSE(IsWindowEnabled(form.control("Lines")));
    model.setEnabled("Box", true);
    EXPECT_TRUE(IsWindowEnabled(form.control("Lines")));
    // Enter presses the button made the default.
    form.setDefaultButton("Other");
    test::focus(form.control("Field"));
    test::pressKey(VK_RETURN);
    const std::vector<std::string> expected{"choose Report=0", "focus Report", "click FirstLabel", "focus Field",
                                            "click Other"};
    EXPECT_EQ(r.events, expected);
    saveShot(form, "TFormRows");
    // The checks find a label off its row and a cell its column cuts.
    const RECT label = inForm(form.handle(), form.control("FirstLabel"));
    MoveWindow(form.control("FirstLabel"), label.left, label.top + 10, label.right - label.left,
               label.bottom - label.top, TRUE);
    SendMessageA(report, LVM_SETCOLUMNWIDTH, 2, 20);
    const std::vector<std::string> faults{"FirstLabel: centre 10 px off row 0 of Lines",
                                          "Report: cell cut: \"first\" in column 2",
                                          "Report: cell cut: \"second\" in column 2"};
    EXPECT_EQ(clippedControls(form), faults);
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
