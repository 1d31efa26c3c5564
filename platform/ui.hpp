#pragma once
// What the core needs of a user interface: message boxes, the error form
// and the notice window. The console implementation serves the command-line
// programs, the fakes serve the tests, the windows bring their own.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <deque>
#include <exception>
#include <iosfwd>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tarvex::platform {

// Button and icon flags and button ids, with the platform's values.
namespace mb {
constexpr unsigned Ok = 0x0, OkCancel = 0x1, AbortRetryIgnore = 0x2, YesNoCancel = 0x3, YesNo = 0x4,
                   RetryCancel = 0x5;
// The error form's buttons: a set of our own, which the system's boxes do
// not have.
constexpr unsigned YesCancelRetry = 0x7;
constexpr unsigned IconError = 0x10, IconQuestion = 0x20, IconWarning = 0x30, IconInformation = 0x40;
constexpr unsigned DefButton2 = 0x100, DefButton3 = 0x200;
constexpr unsigned ButtonMask = 0xF, IconMask = 0xF0, DefaultMask = 0xF00;
}  // namespace mb
constexpr int IdOk = 1, IdCancel = 2, IdAbort = 3, IdRetry = 4, IdIgnore = 5, IdYes = 6, IdNo = 7;

// The ids of the buttons that a flag set shows, left to right.
std::vector<int> buttonsOf(unsigned flags);
// The id of the default button of a flag set.
int defaultButtonOf(unsigned flags);

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Shows an application-modal box and returns the id of the pressed button.
    virtual int show(const std::string& caption, const std::string& text, unsigned flags) = 0;
    // The short warning sound of a refused input; silent on the console.
    virtual void beep() {}
};

// The error form: message, first line and the question whether to change the
// configuration. Returns IdRetry, IdYes or IdCancel.
class ErrorDialog {
public:
    virtual ~ErrorDialog() = default;
    virtual int ask(const std::string& message, const std::string& firstLine) = 0;
};

// A modeless window that says what a long operation is doing.
class NoticeWindow {
public:
    virtual ~NoticeWindow() = default;
    virtual void show(const std::string& text) = 0;
    virtual void close() = 0;
};

// The form that lists what a load or a transmission reports, line by line,
// while it runs. An error line also beeps and counts as one more error.
//
// The program loader fills its labels through the typed setters and polls
// cancelRequested(); a form without them (the pellunar transmission's
// users) keeps the defaults, which show nothing.
enum class LoadField {
    Caption,
    Fest1,           // "File:"
    Fest2,           // "Lines:"
    Fest3,           // "Symbols:"
    Dateiname,       // the file being loaded
    CodeBytes,       // "Code:" or "Bytes:"
    CodeAnzahl,      // the code-byte count
    ZeilenAnzahl,    // lines
    SymbolAnzahl,    // symbols
    PellunarLabel,
    PellunarAnzahl,
    Warnung,         // the status line
    AbbruchButton,   // the cancel button's caption
};
inline constexpr int LoadFieldCount = static_cast<int>(LoadField::AbbruchButton) + 1;

class LoadStatusWindow {
public:
    virtual ~LoadStatusWindow() = default;
    virtual bool isOpen() const = 0;
    virtual void setStatus(const std::string& text) = 0;
    virtual void addLine(const std::string& text, bool isError) = 0;

    virtual void setText(LoadField field, const std::string& text) {
        if (field == LoadField::Warnung) setStatus(text);
    }
    // The pellunar label and counter together.
    virtual void setPellunarVisible(bool) {}
    // Empties the message list and clears the cancel request.
    virtual void clearLines() {}
    // Visible, in front, repainted. (Not show/close: a window class that
    // implements this has its own.)
    virtual void showForm() {}
    virtual void closeForm() {}
    // Hidden and shown again modally so that the user reads the list; returns
    // when the user dismisses it.
    virtual void showModal() {}
    // Lets pending window events run, then answers whether Cancel was pressed.
    virtual bool cancelRequested() { return false; }
};

// The save-status form of a memory save: what is written where, how much
// so far, and a Cancel button. Controls are named as on the form
// ("GroupBox1", "Label1" ... "Label4", "CancelButton").
class SaveStatusWindow {
public:
    virtual ~SaveStatusWindow() = default;
    virtual void setCaption(const std::string& text) = 0;
    virtual void setLabel(const std::string& control, const std::string& text) = 0;
    virtual void setFileName(const std::string& text) = 0;
    virtual void setMemoryName(const std::string& text) = 0;
    virtual void setRange(const std::string& text) = 0;
    // "<n> Bytes".
    virtual void setStatus(const std::string& text) = 0;
    // Shows it with its cancel flag cleared.
    virtual void show() = 0;
    virtual void close() = 0;
    // Whether Cancel was pressed since show(); lets the window handle what
    // is pending first.
    virtual bool cancelRequested() = 0;
};

// Console: boxes go to the error stream; a question is asked on the terminal
// when there is one, else it takes the default button and says so.
class ConsoleMessageBoxes final : public MessageBoxes {
public:
    ConsoleMessageBoxes(std::istream& in, std::ostream& err, bool interactive);
    int show(const std::string& caption, const std::string& text, unsigned flags) override;

private:
    std::istream& in_;
    std::ostream& err_;
    bool interactive_;
};

class ConsoleErrorDialog final : public ErrorDialog {
public:
    ConsoleErrorDialog(MessageBoxes& boxes) : boxes_(boxes) {}
    int ask(const std::string& message, const std::string& firstLine) override;

private:
    MessageBoxes& boxes_;
};

class NullNoticeWindow final : public NoticeWindow {
public:
    void show(const std::string&) override {}
    void close() override {}
};

// The console has no such form: callers fall back to message boxes while it
// runs. It keeps the list so that showModal() puts it into one error box.
class ConsoleLoadStatusWindow final : public LoadStatusWindow {
public:
    bool isOpen() const override { return false; }
    void setStatus(const std::string&) override {}
    void addLine(const std::string& text, bool) override { lines_.push_back(text); }
    void setText(LoadField field, const std::string& text) override {
        if (field == LoadField::Caption) caption_ = text;
    }
    void clearLines() override { lines_.clear(); }
    void showModal() override;

private:
    std::string caption_;
    std::vector<std::string> lines_;
};
using NullLoadStatusWindow = ConsoleLoadStatusWindow;

// The console shows no save form and is never cancelled.
class NullSaveStatusWindow final : public SaveStatusWindow {
public:
    void setCaption(const std::string&) override {}
    void setLabel(const std::string&, const std::string&) override {}
    void setFileName(const std::string&) override {}
    void setMemoryName(const std::string&) override {}
    void setRange(const std::string&) override {}
    void setStatus(const std::string&) override {}
    void show() override {}
    void close() override {}
    bool cancelRequested() override { return false; }
};

// Whether standard input is a terminal.
bool stdinIsTerminal();

// The message boxes currentUi() starts with: the console ones; on Windows the
// system's boxes when someone sits at the console.
MessageBoxes& defaultMessageBoxes();

// Test fakes: record what was shown and answer from a script.
struct ShownBox {
    std::string caption;
    std::string text;
    unsigned flags;
};

class ScriptedMessageBoxes final : public MessageBoxes {
public:
    int show(const std::string& caption, const std::string& text, unsigned flags) override;
    // The next boxes answer these ids in order; afterwards the default button.
    void answer(int id) { answers_.push_back(id); }
    const std::vector<ShownBox>& shown() const { return shown_; }
    void clear() {
        shown_.clear();
        beeps_ = 0;
    }
    void beep() override { ++beeps_; }
    int beeps() const { return beeps_; }

private:
    std::deque<int> answers_;
    std::vector<ShownBox> shown_;
    int beeps_ = 0;
};

// Answers with the scripted ids as they are, also ones the form cannot give,
// so that a test sees what its caller makes of them; Cancel when the script
// is used up.
class ScriptedErrorDialog final : public ErrorDialog {
public:
    int ask(const std::string& message, const std::string& firstLine) override;
    void answer(int id) { answers_.push_back(id); }
    const std::vector<std::pair<std::string, std::string>>& asked() const { return asked_; }

private:
    std::deque<int> answers_;
    std::vector<std::pair<std::string, std::string>> asked_;
};

class RecordingNoticeWindow final : public NoticeWindow {
public:
    void show(const std::string& text) override {
        shown_.push_back(text);
        open_ = true;
    }
    void close() override { open_ = false; }
    const std::vector<std::string>& shown() const { return shown_; }
    bool open() const { return open_; }

private:
    std::vector<std::string> shown_;
    bool open_ = false;
};

// An open form that keeps what it was given. Its fields read as the loader
// left them; it can be told to answer Cancel from the Nth query on.
class RecordingLoadStatusWindow final : public LoadStatusWindow {
public:
    bool isOpen() const override { return open_; }
    void setStatus(const std::string& text) override {
        statuses_.push_back(text);
        fields_[static_cast<std::size_t>(LoadField::Warnung)] = text;
    }
    void addLine(const std::string& text, bool isError) override {
        lines_.push_back(text);
        list_.push_back(text);
        if (isError) ++errors_;
    }
    void setText(LoadField field, const std::string& text) override {
        if (field == LoadField::Warnung) return setStatus(text);
        fields_[static_cast<std::size_t>(field)] = text;
        ++updates_[static_cast<std::size_t>(field)];
    }
    void setPellunarVisible(bool on) override { pellunarVisible_ = on; }
    void clearLines() override { list_.clear(); }
    void showForm() override {
        open_ = true;
        ++shows_;
    }
    void closeForm() override {
        open_ = false;
        ++closes_;
    }
    void showModal() override {
        ++modals_;
        open_ = false;
    }
    bool cancelRequested() override {
        ++queries_;
        if (onQuery_) onQuery_();
        return cancelAfter_ > 0 && queries_ >= cancelAfter_;
    }

    // Cancel is answered from query n on (0: never).
    void cancelAfter(int n) { cancelAfter_ = n; }
    // Runs at every query (a test's clock moving on).
    void onQuery(std::function<void()> fn) { onQuery_ = std::move(fn); }
    void setOpen(bool open) { open_ = open; }
    const std::vector<std::string>& statuses() const { return statuses_; }
    // Every line ever added; list(): the lines since the last clearLines().
    const std::vector<std::string>& lines() const { return lines_; }
    const std::vector<std::string>& list() const { return list_; }
    const std::string& text(LoadField field) const { return fields_[static_cast<std::size_t>(field)]; }
    int updates(LoadField field) const { return updates_[static_cast<std::size_t>(field)]; }
    bool pellunarVisible() const { return pellunarVisible_; }
    int errors() const { return errors_; }
    int shows() const { return shows_; }
    int closes() const { return closes_; }
    int modals() const { return modals_; }
    int queries() const { return queries_; }

private:
    bool open_ = true;
    std::vector<std::string> statuses_;
    std::vector<std::string> lines_;
    std::vector<std::string> list_;
    std::array<std::string, LoadFieldCount> fields_{};
    std::array<int, LoadFieldCount> updates_{};
    bool pellunarVisible_ = false;
    int errors_ = 0;
    int shows_ = 0, closes_ = 0, modals_ = 0, queries_ = 0, cancelAfter_ = 0;
    std::function<void()> onQuery_;
};

// Keeps what the form was given; answers Cancel from the n-th query on
// (never when n is 0).
class RecordingSaveStatusWindow final : public SaveStatusWindow {
public:
    void setCaption(const std::string& text) override { caption = text; }
    void setLabel(const std::string& control, const std::string& text) override {
        labels.emplace_back(control, text);
    }
    void setFileName(const std::string& text) override { fileName = text; }
    void setMemoryName(const std::string& text) override { memoryName = text; }
    void setRange(const std::string& text) override { range = text; }
    void setStatus(const std::string& text) override { statuses.push_back(text); }
    void show() override {
        ++shows;
        open = true;
    }
    void close() override { open = false; }
    bool cancelRequested() override { return ++queries, cancelAfter != 0 && queries >= cancelAfter; }

    std::string caption, fileName, memoryName, range;
    std::vector<std::pair<std::string, std::string>> labels;
    std::vector<std::string> statuses;
    int shows = 0;
    bool open = false;
    int queries = 0;
    int cancelAfter = 0;
};

// The non-modal form that offers a hard interrupt after a stop the target
// did not obey. The driver shows and closes it; the user answers it on the
// UI thread while the driver polls from another, so its state is atomic.
class StopErrorForm {
public:
    virtual ~StopErrorForm() = default;
    virtual void show() = 0;
    virtual bool visible() const = 0;
    virtual bool answeredYes() const = 0;
    virtual void close() = 0;
};

// A form a test answers, from any thread.
class ScriptedStopErrorForm final : public StopErrorForm {
public:
    void show() override {
        answered_ = false;
        visible_ = true;
        ++shows_;
    }
    bool visible() const override { return visible_.load(); }
    bool answeredYes() const override { return answered_.load(); }
    void close() override {
        visible_ = false;
        answered_ = false;
    }
    void answerYes() { answered_ = true; }
    int shows() const { return shows_.load(); }

private:
    std::atomic<bool> visible_{false};
    std::atomic<bool> answered_{false};
    std::atomic<int> shows_{0};
};

// The question without a window: put to the current message boxes as Yes or
// No with Yes the default (the console says it and takes Yes). Yes is kept
// until the run control closes the form; No leaves the question up, so the
// target is still taken as running and a stop answers that it is not
// stopped.
class BoxStopErrorForm final : public StopErrorForm {
public:
    BoxStopErrorForm(std::string caption, std::string text) : caption_(std::move(caption)), text_(std::move(text)) {}
    void show() override;
    bool visible() const override { return visible_.load(); }
    bool answeredYes() const override { return answered_.load(); }
    void close() override {
        visible_ = false;
        answered_ = false;
    }

private:
    std::string caption_;
    std::string text_;
    std::atomic<bool> visible_{false};
    std::atomic<bool> answered_{false};
};

// The hourglass over a wait the user cannot cut short.
class BusyCursor {
public:
    virtual ~BusyCursor() = default;
    virtual void begin() = 0;
    virtual void end() = 0;
};

// The console shows none.
class NullBusyCursor final : public BusyCursor {
public:
    void begin() override {}
    void end() override {}
};

class CountingBusyCursor final : public BusyCursor {
public:
    void begin() override {
        ++depth_;
        ++begins_;
    }
    void end() override { --depth_; }
    int depth() const { return depth_; }
    int begins() const { return begins_; }

private:
    int depth_ = 0;
    int begins_ = 0;
};

// Shows the cursor for its lifetime, also when an exception ends it; a null
// cursor shows nothing.
class BusyCursorScope {
public:
    explicit BusyCursorScope(BusyCursor* cursor) : cursor_(cursor) {
        if (cursor_) cursor_->begin();
    }
    ~BusyCursorScope() {
        if (cursor_) cursor_->end();
    }
    BusyCursorScope(const BusyCursorScope&) = delete;
    BusyCursorScope& operator=(const BusyCursorScope&) = delete;

private:
    BusyCursor* cursor_;
};

// Help on a topic: command 1 shows the help context given. Answers whether
// help was shown. The console shows none.
class HelpViewer {
public:
    virtual ~HelpViewer() = default;
    virtual bool show(unsigned command, unsigned context) = 0;
};

class NullHelpViewer final : public HelpViewer {
public:
    bool show(unsigned, unsigned) override { return false; }
};

class RecordingHelpViewer final : public HelpViewer {
public:
    bool show(unsigned command, unsigned context) override {
        calls_.emplace_back(command, context);
        return true;
    }
    const std::vector<std::pair<unsigned, unsigned>>& calls() const { return calls_; }

private:
    std::vector<std::pair<unsigned, unsigned>> calls_;
};

// The system's engine for help files (WinHelp on Windows): opens `file` at
// the topic that `command` and `data` name (command 1: the help context
// `data`), as a window owned by `owner` (0: none). Answers whether the
// engine took the request. A system without one has none installed.
struct HelpFileRequest {
    std::uintptr_t owner = 0;
    std::string file;
    unsigned command = 1;
    unsigned data = 0;
    bool operator==(const HelpFileRequest&) const = default;
};

class HelpEngine {
public:
    virtual ~HelpEngine() = default;
    virtual bool open(const HelpFileRequest& request) = 0;
};

class RecordingHelpEngine final : public HelpEngine {
public:
    bool open(const HelpFileRequest& request) override {
        requests_.push_back(request);
        return true;
    }
    const std::vector<HelpFileRequest>& requests() const { return requests_; }

private:
    std::vector<HelpFileRequest> requests_;
};

// The file dialog. The filter text reads "Name (*.a)|*.a|Other (*.b)|*.b";
// the filter index counts from 1, in and out. A file that is to be written
// need not exist.
struct FileRequest {
    std::string title;
    std::string filter;
    std::string initialDir;
    std::string fileName;
    int filterIndex = 1;
    bool mustExist = true;
};

struct FileChoice {
    std::string path;
    int filterIndex = 1;
};

class FileDialog {
public:
    virtual ~FileDialog() = default;
    virtual std::optional<FileChoice> chooseFile(const FileRequest& request) = 0;
};

// The console chooses nothing.
class NullFileDialog final : public FileDialog {
public:
    std::optional<FileChoice> chooseFile(const FileRequest&) override { return std::nullopt; }
};

// Answers from a script (nothing once it is used up) and keeps the requests.
class ScriptedFileDialog final : public FileDialog {
public:
    std::optional<FileChoice> chooseFile(const FileRequest& request) override {
        requests_.push_back(request);
        if (answers_.empty()) return std::nullopt;
        auto answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
    void answer(std::optional<FileChoice> choice) { answers_.push_back(std::move(choice)); }
    const std::vector<FileRequest>& requests() const { return requests_; }

private:
    std::deque<std::optional<FileChoice>> answers_;
    std::vector<FileRequest> requests_;
};

// The implementations in use, process-wide. Components take them from here
// unless they were handed others; tests swap them with ScopedUi.
struct Ui {
    MessageBoxes* boxes;
    ErrorDialog* errorDialog;
    NoticeWindow* notice;
    LoadStatusWindow* loadStatus;
    HelpViewer* help;
    FileDialog* files;
    SaveStatusWindow* saveStatus;
    // Null where the system has no engine for the help files.
    HelpEngine* helpEngine = nullptr;
};
Ui& currentUi();

class ScopedUi {
public:
    explicit ScopedUi(MessageBoxes* boxes, ErrorDialog* errorDialog = nullptr, NoticeWindow* notice = nullptr,
                      LoadStatusWindow* loadStatus = nullptr, SaveStatusWindow* saveStatus = nullptr);
    ~ScopedUi();
    ScopedUi(const ScopedUi&) = delete;
    ScopedUi& operator=(const ScopedUi&) = delete;

private:
    Ui saved_;
};

// The application-wide handler of exceptions raised in a window's events,
// one for the whole library: the driver installs its exception hook there,
// which shows and classifies them as it does for its entry points.
using ApplicationExceptionHandler = std::function<void(std::exception_ptr)>;
// Installs a handler (an empty one removes it); answers the one it replaces.
ApplicationExceptionHandler setApplicationExceptionHandler(ApplicationExceptionHandler handler);
// Passes the exception to the installed handler; false when there is none,
// and the window shows it itself.
bool passToApplicationHandler(std::exception_ptr error);

}  // namespace tarvex::platform
