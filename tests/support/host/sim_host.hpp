#pragma once
// The host object as the IDE holds it, over the simulated board: a stand-in
// installation root in a temporary folder, the board behind the serial port,
// and a window for the IDE's messages that swallows them.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "emulator/debug/performance.hpp"
#include "emulator/debug/select_table.hpp"
#include "host/agdi_object.hpp"
#include "host/agdi_records.hpp"
#include "host/command_executor.hpp"
#include "host/command_history.hpp"
#include "platform/host_window.hpp"
#include "sim/sim_serial_port.hpp"
#include "sim/standin_root.hpp"
#include "tests/support/target/sim_bench.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex::test {

struct SimHost : SimBench {
    explicit SimHost(sim::BoardConfig config = {}) : SimBench(std::move(config)) {
        sim::MakeStandinRoot(root.path(), sourceDir() / "data");
    }
    // Derived benches reset `object` first when they hold what it points at.
    ~SimHost() { object.reset(); }

    // What the IDE's process gives the driver; a bench adds its windows.
    DriverEnvironment environment() {
        DriverEnvironment env;
        env.clock = &clock;
        env.settings = &settings;
        env.serialPortOpener = sim::SimSerialPort::opener(board, clock);
        env.root = root.path().string();
        return env;
    }
    // Creates the host object and names the message window, as the IDE's
    // first call does.
    void open(const DriverEnvironment& env) {
        object = std::make_unique<TAgdiObject>(env);
        object->AG_Init(0x300 + 10, reinterpret_cast<std::uintptr_t>(&sink));
    }
    // The command history as its English lines.
    std::vector<std::string> history() const {
        std::vector<std::string> out;
        const auto& list = object->Kommando().Protokoll();
        for (std::size_t i = 0; i < list.Count(); ++i)
            out.push_back(ProtocolText(list[i], CommandLanguage::English, nullptr));
        return out;
    }
    // Whether a line the history gained since it was `before` holds `text`.
    bool historyGained(const std::vector<std::string>& before, const std::string& text) const {
        const auto now = history();
        for (std::size_t i = before.size(); i < now.size(); ++i)
            if (now[i].find(text) != std::string::npos) return true;
        return false;
    }
    // Loads an object file through the load command, as the IDE's load
    // dialog does, clearing the symbols first; by default the ports example.
    void loadObject(const std::string& file = (sourceDir() / "examples" / "build" / "ports.omf").string()) {
        TVokWinKommando load(cmd::Load);
        load.memoryKind = memkind::Program;
        load.fileFormat = fileformat::Object;
        load.options = loadflag::ClearSymbols;
        load.text1 = file;
        ASSERT_TRUE(Execute(load, object->Commands()));
    }
    // The n-th entry of the driver's menu with that caption ("Save..." is
    // there twice); none where the menu has no such entry.
    agdi::MenuEntry* entry(const char* caption, int n = 0) {
        for (agdi::MenuEntry* e = object->MenuTable(); e->kind != agdi::MenuEnd; ++e)
            if (e->caption && std::string(e->caption) == caption && n-- == 0) return e;
        return nullptr;
    }
    // Selects that entry, as the IDE's menu does.
    void pick(const char* caption, int n = 0) {
        agdi::MenuEntry* e = entry(caption, n);
        if (!e) {
            ADD_FAILURE() << "no menu entry " << caption;
            return;
        }
        object->MenuSelected(e);
    }
    // The menu's performance analysis before any measurement: none to show,
    // said in one box. `perf`: the session's measurement.
    void expectNoAnalysisYet(TPerformance*& perf) {
        perf = object->Performance();
        ASSERT_NE(perf, nullptr);
        pick("Performance analysis...");
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].text, "No performance analysis available");
    }
    // The definitions form's OK with one range "start", trace mode 1 and
    // the measurement on: the measurement holds them and took over the
    // select table (break on trace overflow); a halt leaves a result.
    void expectMeasuringTheStartRange(TPerformance& perf) {
        ASSERT_EQ(perf.Definitionen().Items.size(), 1u);
        EXPECT_EQ(perf.Definitionen().Items[0]->Name, "start");
        EXPECT_EQ(perf.TraceModus(), 1);
        EXPECT_TRUE(perf.Active());
        EXPECT_EQ(object->SelectTable().BreakMode(), bmTraceOverflow);
        ASSERT_EQ(object->AG_GoStep(2, 3, nullptr), 0u);
        ASSERT_TRUE(perf.HasErgebnis());
    }
    // What the board heard, the entries its log dropped included.
    std::uint64_t boardCommands() const { return board.log().size() + board.droppedLogEntries(); }

    TempDir root;
    platform::HostMessageSink sink{nullptr, [](void*, std::uint32_t, std::uintptr_t, std::intptr_t) -> std::intptr_t {
                                       return 0;
                                   },
                                   [](void*, std::uint32_t, std::uintptr_t, std::intptr_t) {}};
    std::unique_ptr<TAgdiObject> object;
};

}  // namespace tarvex::test
