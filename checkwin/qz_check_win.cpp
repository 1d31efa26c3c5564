#include "checkwin/qz_check_win.hpp"

#include <exception>
#include <filesystem>

#include "core/format.hpp"
#include "core/message_box.hpp"
#include "ui/model/help_viewer.hpp"

namespace tarvex::checkwin {

void TWinQzCheck::WriteLine(const std::string& text) { form_.appendReport(text); }

std::string CheckerHelpViewer::file() const {
    return directory_.empty() ? std::string(kHelpFile) : (std::filesystem::path(directory_) / kHelpFile).string();
}

bool CheckerHelpViewer::show(unsigned command, unsigned context) {
    return ui::HelpFileViewer([this] { return file(); }, owner_).show(command, context);
}

QzAboutModel::QzAboutModel() {
    setCaption("About");
    setText("ProductLabel", "Pellunar Checker ");
    setText("VersionCaption", "Version:");
    setText("VersionLabel", "");
    setText("OkButton", "Ok");
}

QzCheckMainModel::QzCheckMainModel(platform::SettingsStore& store, platform::BusyCursor* cursor)
    : DialogModel("", kMainHelpContext, store, kCheckWinKey), store_(store), cursor_(cursor) {
    setCaption(kCaption);
    setText("FileGroup", " &File name: ");
    setText("Browse", "&Browse");
    setText("FormatGroup", " Format: ");
    setItems("FormatGroup", {"&Omf51", "Intel &HEX"}, 0);
    setText("CpuGroup", " CPU: ");
    setItems("CpuGroup", {"&Standard (8051)", "&Winbond 77x", "TI &MSC121x"}, 0);
    setText("MsgLvlGroup", " Messages: ");
    setItems("MsgLvlGroup", {"&Errors only", "Errors and &warnings", "&All pellunars found"}, 0);
    setText("CompilerGroup", " Compiler: ");
    setItems("CompilerGroup", {"&Keil C51", "&Tasking cc51"}, 0);
    setText("RegBankGroup", " Register bank Read/WritePxRegBank: ");
    // Bank 1 matches the engine's own default (R7 at address 15).
    setItems("RegBankGroup", {"0", "1", "2", "3"}, 1);
    setText("GoButton", "Go");
    setText("ClearButton", "&Clear");
    setText("ExitButton", "E&xit");
    setItems("MsgListBox", {}, -1);
    history_.Load(store_, kCheckWinKey, kHistorySection);
    setItems("FileName", history_.Items(), history_.Count() > 0 ? 0 : -1);
    setText("FileName", history_.Count() > 0 ? history_.Items().front() : std::string());
}

void QzCheckMainModel::choose(const std::string& group, int index) {
    auto& c = edit(group);
    if (index < 0 || index >= static_cast<int>(c.items.size()) || c.itemIndex == index) return;
    c.itemIndex = index;
    changed();
}

void QzCheckMainModel::setFileName(const std::string& name) {
    if (fileName() != name) setText("FileName", name);
}

bool QzCheckMainModel::browse() {
    auto* files = platform::currentUi().files;
    if (!files) return false;
    platform::FileRequest request;
    request.title = "Select file";
    request.filter = kFileFilter;
    request.filterIndex = chosen("FormatGroup") == 1 ? 2 : 1;
    const auto choice = files->chooseFile(request);
    if (!choice) return false;
    setText("FileName", choice->path);
    std::string ext = std::filesystem::path(choice->path).extension().string();
    for (char& ch : ext)
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
    choose("FormatGroup", ext == ".HEX" ? 1 : 0);
    return true;
}

bool QzCheckMainModel::go() {
    try {
        engine_.CompilerSetting(chosen("CompilerGroup") == 1 ? 1 : 0);
        engine_.FormatSetting(chosen("FormatGroup") == 1 ? TQzCheck::FormatHex : TQzCheck::FormatOmf51);
        engine_.SetInputFile(fileName());
        engine_.LineNumbersSetting(false);
        engine_.MessageLevelSetting(chosen("MsgLvlGroup") < 0 ? 0 : chosen("MsgLvlGroup"));
        engine_.CpuSetting(static_cast<std::uint8_t>(chosen("CpuGroup") < 0 ? 0 : chosen("CpuGroup")));
        engine_.RegisterBankSelect(chosen("RegBankGroup") < 0 ? 1 : chosen("RegBankGroup"));
        {
            platform::BusyCursorScope busy(cursor_);
            engine_.RunCheck();
        }
        // The name as typed: the history offers what the user entered.
        const std::string name = fileName();
        history_.AddHistory(name);
        history_.Save(store_, kCheckWinKey, kHistorySection);
        setItems("FileName", history_.Items(), 0);
        setText("FileName", name);
        return true;
    } catch (const std::exception& e) {
        platform::currentUi().boxes->show(kCaption, e.what(), platform::mb::Ok | platform::mb::IconError);
        return false;
    }
}

void QzCheckMainModel::clear() { setItems("MsgListBox", {}, -1); }

bool QzCheckMainModel::content() const {
    auto* viewer = platform::currentUi().help;
    return viewer && viewer->show(1, kContentHelpContext);
}

void QzCheckMainModel::appendReport(const std::string& line) {
    edit("MsgListBox").items.push_back(line);
    changed();
}

ui::forms::FormEvents QzAboutModel::events(ui::forms::FormWindow window) {
    ui::forms::FormEvents events;
    events.click = [end = std::move(window.end)](const std::string& name) {
        if (name == "OkButton" && end) end(true);
    };
    return events;
}

ui::forms::FormEvents QzCheckMainModel::events(ui::forms::FormWindow window) {
    ui::forms::FormEvents events;
    events.click = [this, end = std::move(window.end)](const std::string& name) {
        if (name == "Browse") {
            browse();
        } else if (name == "GoButton") {
            go();
        } else if (name == "ClearButton") {
            clear();
        } else if (name == "ExitButton") {
            if (end) end(false);
        }
    };
    events.text = [this](const std::string& name, const std::string& text) {
        if (name == "FileName") setFileName(text);
    };
    events.choose = [this](const std::string& name, int index) { choose(name, index); };
    return events;
}

}  // namespace tarvex::checkwin
