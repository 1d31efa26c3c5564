#pragma once
// The one seam through which the host interface opens windows: the options
// dialog, the trace window and the menu's other dialogs. NoDriverWindows is
// the build without windows: the options dialog answers Cancel unseen, every
// other dialog shows that it is not available.
#include <cstdint>
#include <functional>
#include <string>

namespace tarvex {

enum class MenuDialog {
    Fill,
    Copy,
    Map,
    SaveMemory,
    Break,
    BasicBreak,
    TraceSettings,
    SaveTrace,
    PerformanceDefinitions,
    PerformanceAnalysis,
};

class IDriverWindows {
public:
    virtual ~IDriverWindows() = default;
    // Modal; true for OK.
    virtual bool OptionsDialog() = 0;
    // Opens the trace window with that dialog id; its handle (never null).
    // `activeWindowVar` is the IDE's variable for the active modeless window
    // (may be null).
    virtual void* OpenTraceWindow(std::uint32_t dialogId, void* activeWindowVar) = 0;
    // Closes it; the window sends the dialog-closed notification itself.
    virtual void CloseTraceWindow() = 0;
    virtual void UpdateTraceWindow() = 0;
    virtual void NotifyTraceWindow(std::uint32_t id, std::uint32_t code, const void* data) = 0;
    // The host's query message; the answer (the window for the query with
    // parameter 4, else 0).
    virtual std::intptr_t SendTraceWindow(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
    virtual bool TraceWindowExists() const = 0;
    // Frees a trace window that still exists.
    virtual void FreeTraceWindow() = 0;
    // The caption is the entry's own.
    virtual void RunMenuDialog(MenuDialog which, const std::string& caption) = 0;
};

class NoDriverWindows final : public IDriverWindows {
public:
    explicit NoDriverWindows(std::function<void(std::string_view)> log = {}) : log_(std::move(log)) {}
    bool OptionsDialog() override;
    void* OpenTraceWindow(std::uint32_t dialogId, void* activeWindowVar) override;
    void CloseTraceWindow() override {}
    void UpdateTraceWindow() override {}
    void NotifyTraceWindow(std::uint32_t, std::uint32_t, const void*) override {}
    std::intptr_t SendTraceWindow(std::uint32_t, std::uintptr_t, std::intptr_t) override { return 0; }
    bool TraceWindowExists() const override { return false; }
    void FreeTraceWindow() override {}
    void RunMenuDialog(MenuDialog which, const std::string& caption) override;

private:
    std::function<void(std::string_view)> log_;
};

}  // namespace tarvex
