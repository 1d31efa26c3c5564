// The IDE's attribute and breakpoint requests on the host-interface object,
// board not connected: byte-driven sequences of AG_MemAtt 1/2, AG_BpInfo and
// AG_BreakFunc over a breakpoint list the input builds (rings included), and
// the attribute map's range setter. No crash, no sanitizer report, no cell
// written outside its page, no hang.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "host/agdi_object.hpp"
#include "platform/settings.hpp"
#include "platform/ui.hpp"

namespace {

struct Input {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
    std::uint8_t byte() { return at < size ? data[at++] : 0; }
    std::uint32_t word() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = v << 8 | byte();
        return v;
    }
    bool more() const { return at < size; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvex;
    static platform::MemorySettingsStore settings;
    static platform::ScriptedMessageBoxes boxes;
    static platform::ScopedUi ui(&boxes);
    boxes.clear();
    DriverEnvironment env;
    env.settings = &settings;
    env.root = ".";
    TAgdiObject object(env);
    Input in{data, size};
    // The IDE's breakpoint list: up to 8 records, linked as the input says.
    std::vector<agdi::BpRecord> records(8);
    for (auto& r : records) {
        std::memset(&r, 0, sizeof r);
        r.flags = in.byte();
        r.address = in.word();
        r.passCount = in.byte();
    }
    for (auto& r : records) {
        const std::uint8_t link = in.byte();
        r.next = link < records.size() ? &records[link] : nullptr;
    }
    agdi::BpRecord* head = &records[0];
    object.AG_Init(0x300 + agdi::code::ItemBreakpointList, reinterpret_cast<std::uintptr_t>(&head));
    int steps = 0;
    while (in.more() && ++steps < 64) {
        const std::uint8_t op = in.byte();
        std::uint32_t address = in.word();
        switch (op % 4) {
        case 0: {
            agdi::AttRequest r{};
            r.address = address;
            r.count = in.word() & 0x3FFFF;
            object.AG_MemAtt(1, in.byte(), &r);
            break;
        }
        case 1: {
            agdi::AttRequest r{};
            r.address = address;
            object.AG_MemAtt(2, 0, &r);
            break;
        }
        case 2:
            object.AG_BpInfo(in.byte() % 12, &address);
            break;
        default:
            object.AG_BreakFunc(in.byte() % 6, 0, &address, &records[in.byte() % records.size()]);
            break;
        }
    }
    return 0;
}
