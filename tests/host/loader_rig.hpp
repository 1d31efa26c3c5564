#pragma once
// The program loader on the real options, tables and target components over
// the started board simulator, with a recording load-status form.
#include <memory>
#include <string>
#include <vector>

#include "core/line_table.hpp"
#include "host/load_command.hpp"
#include "host/load/loader.hpp"
#include "core/format.hpp"
#include "tests/host/host_rig.hpp"

namespace tarvex::test {

struct LoaderRig : HostRig {
    LoaderRig() {
        start();
        loader = std::make_unique<TVokWinLoader>(LoaderTarget{*spaces, *emu, *sfr, *options, symbols, lines,
                                                              banking.get(), nullptr, &registers, &clock});
        board.clearLog();
    }

    static std::string example(const std::string& name) {
        return (sourceDir() / "examples" / "build" / name).string();
    }
    static TKommandoStruktur request(const std::string& file, std::uint8_t kind, std::uint8_t format,
                                     std::uint8_t options = 0, TBankAdresse at = UnbankedAdresse(0)) {
        TKommandoStruktur r;
        r.code = cmd::Load;
        r.memoryKind = kind;
        r.fileFormat = format;
        r.text1 = file;
        r.options = options;
        r.start = at;
        return r;
    }
    // The command's notifications go to their own recorder (the target's
    // components send theirs to `notifier`).
    bool run(const TKommandoStruktur& r) { return ExecuteLoadCommand(*loader, commandNotifier, r); }
    std::vector<std::uint8_t> sent() const {
        std::vector<std::uint8_t> codes;
        for (const auto& s : commandNotifier.sent) codes.push_back(s.code);
        return codes;
    }

    std::vector<std::uint8_t> code(TBankAdresse at, int n) {
        const std::string s = spaces->Space(SpaceKind::Program).ReadBlock(at, n);
        return {s.begin(), s.end()};
    }
    std::vector<std::uint8_t> code(std::uint16_t at, int n) { return code(UnbankedAdresse(at), n); }
    // The commands the board received with that name ("p", "PE").
    std::vector<sim::CommandRecord> commands(const std::string& name) const {
        std::vector<sim::CommandRecord> out;
        for (const auto& c : board.log())
            if (c.name == name) out.push_back(c);
        return out;
    }
    std::string file(const std::string& name, const std::string& text) {
        writeBytes(root.file(name), std::vector<std::uint8_t>(text.begin(), text.end()));
        return root.file(name);
    }
    std::string file(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        writeBytes(root.file(name), bytes);
        return root.file(name);
    }
    // A banked program space: 4 banks of 64 KiB, banked area 0x8000-0xFFFF.
    void fourBanks() {
        emu->SetGeraet(1);
        banking->SetBankingVersion(1);
        banking->SetBankingMode(3);
    }

    RecordingNotifier commandNotifier;
    TZeilennummertabelle lines{symbols};
    platform::RecordingLoadStatusWindow status;
    platform::ScopedUi statusUi{&boxes, nullptr, nullptr, &status};
    std::unique_ptr<TVokWinLoader> loader;
};

// The data bytes of an Intel HEX text by address (a test's own reading).
inline std::vector<std::pair<std::uint16_t, std::vector<std::uint8_t>>> hexRecords(const std::string& text) {
    std::vector<std::pair<std::uint16_t, std::vector<std::uint8_t>>> out;
    std::size_t at = 0;
    while ((at = text.find(':', at)) != std::string::npos) {
        const auto byte = [&](std::size_t i) {
            return static_cast<std::uint8_t>(std::stoul(text.substr(at + i, 2), nullptr, 16));
        };
        const int n = byte(1);
        if (byte(7) == 0 && n > 0) {
            std::vector<std::uint8_t> data;
            for (int i = 0; i < n; ++i) data.push_back(byte(9 + 2 * static_cast<std::size_t>(i)));
            out.emplace_back(static_cast<std::uint16_t>(byte(3) << 8 | byte(5)), data);
        }
        at += 11;
    }
    return out;
}

}  // namespace tarvex::test
