// The driver's Qt windows on the host object over the simulated board: the
// menu's "Trace memory" opens the trace window, a halt refreshes it, the
// entry again closes it and the menu forgets it.
#include <gtest/gtest.h>

#include <QTest>
#include <memory>

#include "emulator/emulator.hpp"
#include "emulator/debug/trace_board.hpp"
#include "host/agdi_object.hpp"
#include "host/agdi_records.hpp"
#include "platform/clock.hpp"
#include "platform/host_window.hpp"
#include "platform/settings.hpp"
#include "platform/ui.hpp"
#include "sim/board.hpp"
#include "sim/sim_serial_port.hpp"
#include "sim/standin_root.hpp"
#include "tests/support/host/windowed_host.hpp"
#include "tests/support/target/sim_bench.hpp"
#include "tests/support/test_support.hpp"
#include "ui/qt/driver/qt_driver_windows.hpp"
#include "ui/qt/driver/trace_window.hpp"

namespace tarvex::ui {
namespace {

using WindowedHost = test::WindowedHost<QtDriverWindows>;

TEST(QtDriverWindows, TheMenuOpensTheTraceWindowAndAHaltRefreshesIt) {
    WindowedHost h;
    ASSERT_EQ(h.object->AG_Init(0x100, 0), 0u);
    ASSERT_EQ(h.object->AG_GoStep(2, 4, nullptr), 0u);
    h.boxes.clear();
    agdi::MenuEntry* traceMemory = h.entry("Trace memory");
    ASSERT_NE(traceMemory, nullptr);
    EXPECT_FALSE(h.windows.TraceWindowExists());

    h.object->MenuSelected(traceMemory);
    TraceWindow* w = h.windows.traceWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(h.windows.TraceWindowExists());
    EXPECT_NE(traceMemory->descriptor->window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    EXPECT_EQ(w->model().section(), "Trace1");
    // The model was made with the window's reading dialog: the reads of its
    // own making could show it.
    EXPECT_NE(w->model().context().reading, nullptr);
    EXPECT_EQ(w->model().context().reading, w->findChild<ReadingTraceDialog*>("ReadingTrace"));
    const int before = w->model().box().scrollMaximum();
    EXPECT_EQ(before, static_cast<int>(h.object->TracePlatine()->FrameCount()) - 1);

    // The halt after more steps reaches the open window: its rows follow
    // the trace without any call of the window's own.
    ASSERT_EQ(h.object->AG_GoStep(2, 5, nullptr), 0u);
    EXPECT_EQ(w->model().box().scrollMaximum(), static_cast<int>(h.object->TracePlatine()->FrameCount()) - 1);
    EXPECT_GT(w->model().box().scrollMaximum(), before);
    EXPECT_EQ(w->boxView().itemCount(), w->model().box().rowCount());
    // The host's query with parameter 4 is answered with the window.
    EXPECT_EQ(h.windows.SendTraceWindow(agdi::code::TraceWindowId, 4, 0), static_cast<std::intptr_t>(w->winId()));
    EXPECT_EQ(h.windows.SendTraceWindow(agdi::code::TraceWindowId, 3, 0), 0);

    h.expectTraceEntryClosesAndReopens(traceMemory);
}

}  // namespace
}  // namespace tarvex::ui
