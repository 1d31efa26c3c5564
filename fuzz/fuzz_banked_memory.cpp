// The differential check of banked program memory, run long: the first byte
// picks the banking mode, the rest drive random writes, reads, fills and
// copies through the program space, the IDE's memory requests and the copy
// and fill commands of a started host object over the simulated board. Each mode keeps one session and its model from input
// to input (the model holds what that board holds), so the check goes on
// where the last input left it. A byte that differs from the model aborts.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>

#include "host/agdi_object.hpp"
#include "platform/clock.hpp"
#include "platform/host_window.hpp"
#include "platform/settings.hpp"
#include "platform/ui.hpp"
#include "sim/board.hpp"
#include "sim/sim_serial_port.hpp"
#include "sim/standin_root.hpp"
#include "tests/support/host/banked_memory_check.hpp"

namespace {

using namespace tarvex;
namespace fs = std::filesystem;

struct Input {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
    bool more() const { return at < size; }
    std::uint32_t next() {
        std::uint32_t v = 0;
        for (int i = 0; i < 2; ++i) v = v << 8 | (at < size ? data[at++] : 0);
        return v;
    }
};

struct Session {
    explicit Session(int mode) : board(clock, config(mode)) {
        root = fs::temp_directory_path() / ("tarvex_fuzz_banked_" + std::to_string(std::random_device{}()));
        fs::create_directories(root);
        sim::MakeStandinRoot(root, fs::path(TARVEX_SOURCE_DIR) / "data");
        DriverEnvironment env;
        env.clock = &clock;
        env.settings = &settings;
        env.serialPortOpener = sim::SimSerialPort::opener(board, clock);
        env.root = root.string();
        object = std::make_unique<TAgdiObject>(env);
        object->AG_Init(0x300 + 10, reinterpret_cast<std::uintptr_t>(&sink));
        if (object->AG_Init(0x100, 0) != 0) {
            std::fprintf(stderr, "mode %d: the session does not start\n", mode);
            std::abort();
        }
        object->Banking().SetBankingVersion(check::BankingVersionForMode(mode));
        object->Banking().SetBankingMode(mode);
        checker = std::make_unique<check::BankedMemoryCheck>(
            *object, [this] { return input->next(); },
            [this](int hw, std::uint16_t offset) { return board.code(static_cast<std::size_t>(hw), offset); });
    }
    static sim::BoardConfig config(int mode) {
        sim::BoardConfig c;
        c.version = check::BoardVersionForMode(mode);
        return c;
    }

    platform::FakeClock clock;
    platform::MemorySettingsStore settings;
    sim::Board board;
    platform::ScriptedMessageBoxes boxes;
    platform::NullNoticeWindow notice;
    platform::ScopedUi ui{&boxes, nullptr, &notice};
    fs::path root;
    platform::HostMessageSink sink{
        nullptr, [](void*, std::uint32_t, std::uintptr_t, std::intptr_t) -> std::intptr_t { return 0; },
        [](void*, std::uint32_t, std::uintptr_t, std::intptr_t) {}};
    std::unique_ptr<TAgdiObject> object;
    Input* input = nullptr;
    std::unique_ptr<check::BankedMemoryCheck> checker;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static std::array<std::unique_ptr<Session>, 12> sessions;
    if (size < 2) return 0;
    const int mode = data[0] % 12;
    auto& session = sessions[static_cast<std::size_t>(mode)];
    if (!session) session = std::make_unique<Session>(mode);
    Input in{data + 1, size - 1};
    session->input = &in;
    session->object->Spaces().SetNoCache(data[1] % 4 == 0);
    for (int steps = 0; in.more() && steps < 64; ++steps) {
        session->boxes.clear();
        if (!session->checker->Step()) {
            std::fprintf(stderr, "%s\n", session->checker->Failure().c_str());
            std::abort();
        }
    }
    session->input = nullptr;
    return 0;
}
