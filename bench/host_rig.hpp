#pragma once
// The started driver of the IDE-level benchmarks: the host-interface object
// on the board simulator in the same process (12-byte frames), on virtual
// time, in an installation root of its own that is removed afterwards.
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>

#include "host/agdi_object.hpp"
#include "platform/clock.hpp"
#include "platform/host_window.hpp"
#include "platform/settings.hpp"
#include "platform/ui.hpp"
#include "sim/board.hpp"
#include "sim/sim_serial_port.hpp"
#include "sim/standin_root.hpp"

namespace tarvex::bench {

class HostRig {
public:
    // `prepareRoot` adds the benchmark's own files to the root before the start.
    explicit HostRig(const std::string& tag,
                     const std::function<void(const std::filesystem::path&)>& prepareRoot = {}) {
        std::random_device rd;
        root_ = std::filesystem::temp_directory_path() / ("tarvex-bench-" + tag + "-" + std::to_string(rd()));
        sim::MakeStandinRoot(root_, std::filesystem::path(TARVEX_SOURCE_DIR) / "data");
        if (prepareRoot) prepareRoot(root_);
        sim::BoardConfig config;
        config.frameSize = 12;
        board_ = std::make_unique<sim::Board>(clock_, config);
        DriverEnvironment env;
        env.clock = &clock_;
        env.settings = &settings_;
        env.serialPortOpener = sim::SimSerialPort::opener(*board_, clock_);
        env.root = root_.string();
        object_ = std::make_unique<TAgdiObject>(env);
        sink_.send = [](void*, std::uint32_t, std::uintptr_t, std::intptr_t) -> std::intptr_t { return 0; };
        sink_.post = [](void*, std::uint32_t, std::uintptr_t, std::intptr_t) {};
        object_->AG_Init(0x300 + agdi::code::ItemHostWindow, reinterpret_cast<std::uintptr_t>(&sink_));
        ok_ = object_->AG_Init(agdi::code::Startup, 0) == 0;
    }
    ~HostRig() {
        object_.reset();
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    HostRig(const HostRig&) = delete;
    HostRig& operator=(const HostRig&) = delete;

    bool ok() const { return ok_; }
    TAgdiObject& object() { return *object_; }
    sim::Board& board() { return *board_; }
    const std::filesystem::path& root() const { return root_; }

private:
    platform::NullNoticeWindow notice_;
    platform::ScriptedMessageBoxes boxes_;
    platform::ScopedUi ui_{&boxes_, nullptr, &notice_};
    std::filesystem::path root_;
    platform::FakeClock clock_;
    platform::MemorySettingsStore settings_;
    std::unique_ptr<sim::Board> board_;
    platform::HostMessageSink sink_{};
    std::unique_ptr<TAgdiObject> object_;
    bool ok_ = false;
};

}  // namespace tarvex::bench
