#pragma once
// The host object over the simulated board with a toolkit's driver windows
// (Qt's or Win32's) attached, as the driver's IDE entry attaches them.
#include <functional>

#include "emulator/emulator.hpp"
#include "tests/support/host/sim_host.hpp"

namespace tarvex::test {

template <class Windows>
struct WindowedHost : SimHost {
    // With the generation stored the start asks no one for it.
    explicit WindowedHost(bool storedGeneration = true) : windows(settings) {
        if (storedGeneration) settings.writeInteger(TEmulator::VokWinKey, TEmulator::VokWinSection, "Tarvex", 1);
        DriverEnvironment env = environment();
        env.windows = &windows;
        open(env);
        windows.attach(object.get());
    }
    ~WindowedHost() {
        windows.FreeTraceWindow();
        object.reset();
    }

    // The trace entry again closes the open trace window: the dialog-closed
    // notification clears the entry's descriptor, and the next opening
    // takes the same section. No box came up on the way.
    void expectTraceEntryClosesAndReopens(agdi::MenuEntry* traceMemory) {
        object->MenuSelected(traceMemory);
        EXPECT_FALSE(windows.TraceWindowExists());
        EXPECT_EQ(traceMemory->descriptor->window, nullptr);
        object->MenuSelected(traceMemory);
        ASSERT_NE(windows.traceWindow(), nullptr);
        EXPECT_EQ(windows.traceWindow()->model().section(), "Trace1");
        for (const auto& b : boxes.shown()) ADD_FAILURE() << b.text;
    }

    Windows windows;
};

// A row of a toolkit's table of menu forms: the menu entry (the n-th of
// its caption), the title of the form it opens, how the form is filled
// before the OK button named is clicked, and a text of the command that OK
// adds to the history.
template <class Form>
struct MenuFormCase {
    const char* caption;
    int nth;
    const char* title;
    std::function<void(Form&)> fill;
    const char* ok;
    const char* added;
};

}  // namespace tarvex::test
