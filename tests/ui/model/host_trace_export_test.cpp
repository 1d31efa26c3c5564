// The save-trace command on the host object over the simulated board: the
// export the driver puts into the object's executor writes the trace text.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/errors.hpp"
#include "emulator/debug/trace_board.hpp"
#include "host/agdi_object.hpp"
#include "host/command.hpp"
#include "platform/clock.hpp"
#include "platform/host_window.hpp"
#include "platform/settings.hpp"
#include "platform/ui.hpp"
#include "sim/board.hpp"
#include "sim/sim_serial_port.hpp"
#include "sim/standin_root.hpp"
#include "tests/support/host/sim_host.hpp"
#include "tests/support/test_support.hpp"
#include "ui/model/host_trace_export.hpp"
#include "ui/model/save_trace_model.hpp"
#include "ui/model/trace_export.hpp"

namespace tarvex::ui {
namespace {

struct SimulatedHost : test::SimHost {
    SimulatedHost() { open(environment()); }
    ~SimulatedHost() {
        exporter.reset();
        object.reset();
    }
    std::string text(const std::string& file) const {
        const auto bytes = test::readBytes(work.file(file));
        return {bytes.begin(), bytes.end()};
    }

    test::TempDir work;
    std::unique_ptr<HostTraceExport> exporter;
};

TEST(HostTraceExport, TheExecutorsSlotWritesWhatTheExportWrites) {
    SimulatedHost h;
    EXPECT_EQ(h.object->Commands().traceExport, nullptr);
    h.exporter = std::make_unique<HostTraceExport>(*h.object);
    EXPECT_EQ(h.object->Commands().traceExport, &h.exporter->target());
    ASSERT_EQ(h.object->AG_Init(0x100, 0), 0u);
    ASSERT_EQ(h.object->AG_GoStep(2, 6, nullptr), 0u);
    TTracePlatine* board = h.object->TracePlatine();
    ASSERT_NE(board, nullptr);
    ASSERT_GE(board->FrameCount(), 6u);
    h.boxes.clear();

    // The save-trace dialog's command in each of its formats, run by the
    // executor as the menu runs it, writes what the export writes directly
    // in the format's display mode; the indices come swapped, as a user may
    // type them.
    const struct {
        int item;
        TTraceDarstellung mode;
    } formats[] = {{0, tdZyklus}, {1, tdDisassembliert}, {2, tdMixedMode}, {3, tdSource}};
    for (const auto& f : formats) {
        SaveTraceModel dialog(h.settings, "");
        dialog.setFileName(h.work.file("command"));
        dialog.setStart("5");
        dialog.setEnd("0");
        dialog.chooseFormat(f.item);
        ASSERT_TRUE(dialog.clickSave());
        TVokWinKommando command(cmd::SaveTrace);
        dialog.writeCommand(command);
        EXPECT_TRUE(Execute(command, h.object->Commands()));
        TracePlatineSource source(*board);
        TraceContext context;
        context.lines = &h.object->Lines();
        context.symbols = &h.object->Symbols();
        TraceExport(&source, context).save(h.work.file("direct.txt"), f.mode, 0, 5);
        const std::string written = h.text("command.txt");
        EXPECT_EQ(written, h.text("direct.txt")) << f.item;
        // Without a program there are no source lines to show.
        if (f.mode != tdSource) {
            EXPECT_NE(written.find("\r\n     5 "), std::string::npos) << written;
        }
    }
    for (const auto& b : h.boxes.shown()) ADD_FAILURE() << b.text;

    // Without the export the command is refused and writes nothing.
    h.exporter.reset();
    EXPECT_EQ(h.object->Commands().traceExport, nullptr);
    TVokWinKommando again(cmd::SaveTrace);
    again.memoryKind = memkind::Trace;
    again.text1 = h.work.file("none.txt");
    EXPECT_THROW(Execute(again, h.object->Commands()), ETraceError);
    EXPECT_FALSE(std::filesystem::exists(again.text1));
}

// The trace text of ports run from its start to 0x00E1, frames 0 to 100 as
// assembled: the Windows stand-in IDE writes the same file through the
// save-trace dialog of its driver (tests/ui/win32/host_session_test.cpp).
TEST(HostTraceExport, PortsToHandshakeAsTheWindowsSessionWritesIt) {
    SimulatedHost h;
    h.exporter = std::make_unique<HostTraceExport>(*h.object);
    ASSERT_EQ(h.object->AG_Init(0x100, 0), 0u);
    ASSERT_NO_FATAL_FAILURE(h.loadObject());
    std::uint32_t until = 0xFF0000E1u;
    ASSERT_EQ(h.object->AG_GoStep(3, 0, &until), 0u);
    SaveTraceModel dialog(h.settings, "");
    dialog.setFileName(h.work.file("ports-trace.txt"));
    dialog.setStart("0");
    dialog.setEnd("100");
    ASSERT_TRUE(dialog.clickSave());
    TVokWinKommando save(cmd::SaveTrace);
    dialog.writeCommand(save);
    EXPECT_TRUE(Execute(save, h.object->Commands()));
    const auto expected = test::readBytes((test::sourceDir() / "tests/e2e/expected/ports_trace.txt").string());
    EXPECT_EQ(h.text("ports-trace.txt"), std::string(expected.begin(), expected.end()));
}

}  // namespace
}  // namespace tarvex::ui
