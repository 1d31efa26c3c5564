#include "emulator/download.hpp"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>

#include "core/errors.hpp"
#include "emulator/banking.hpp"
#include "tests/emulator/emulator_fixture.hpp"

namespace tarvex {
namespace {

using test::EmuRig;

// A board of the version given, identified and at the state given, with
// the banking wired to the download.
struct DownloadRig {
    explicit DownloadRig(const std::string& version = "5.1 ", std::uint8_t state = TBasisEmulator::StateStarting)
        : rig(config(version)) {
        rig.identify();
        rig.emu->SetConnectionState(state);
        rig.emu->Download().SetBanking(&banking);
        rig.wire.clear();
    }
    static sim::BoardConfig config(const std::string& version) {
        sim::BoardConfig c;
        c.version = version;
        return c;
    }
    TEmulDownload& download() { return rig.emu->Download(); }
    // The commands with their letters in front and the first `bytes`
    // bytes after them in hex ("p 12 34 FA", "W N F4 00 06").
    std::vector<std::string> commands(std::size_t bytes = 4) const {
        std::vector<std::string> out;
        for (const std::string& line : rig.commands()) out.push_back(render(line, bytes));
        return out;
    }
    static std::string render(const std::string& line, std::size_t bytes) {
        // Lines without known letters come in hex; give them letters again.
        std::string raw;
        bool hex = true;
        for (std::size_t i = 0; i + 1 < line.size() + 1; i += 3) {
            if (i + 2 > line.size() || !std::isxdigit(static_cast<unsigned char>(line[i])) ||
                !std::isxdigit(static_cast<unsigned char>(line[i + 1]))) {
                hex = false;
                break;
            }
            raw += static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16));
        }
        if (!hex || raw.empty()) return line;
        std::size_t letters = 0;
        for (const char* p : {"DP", "Dp", "PP", "DM", "RM", "WM", "DE", "PE", "FH", "B", "h", "H", "p", "q"}) {
            if (raw.compare(0, std::strlen(p), p) == 0) {
                letters = std::strlen(p);
                break;
            }
        }
        if (letters == 0) return line;
        std::string out;
        for (std::size_t i = 0; i < letters; ++i) out += std::string(i ? " " : "") + raw[i];
        for (std::size_t i = letters; i < raw.size() && i < letters + bytes; ++i)
            out += Format(" %.2X", static_cast<unsigned char>(raw[i]));
        return out;
    }

    EmuRig rig;
    TBanking banking{*rig.emu, rig.notifier};
};

std::string filled(std::size_t n, std::uint8_t first = 0) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += static_cast<char>(static_cast<std::uint8_t>(first + i));
    return s;
}

TEST(Download, BlocksOf250AndTheHookAreaCopy) {
    DownloadRig d;
    d.download().ProgLaden(UnbankedAdresse(0x1000), std::string(600, '\x00'));
    EXPECT_EQ(d.commands(3), (std::vector<std::string>{"W N F4 00 06", "p 10 00 FA", "p 10 FA FA", "p 11 F4 64"}));

    // Pellunars on: every block once more to the hook area (hardware bank 7
    // without banking); the program is scanned once.
    DownloadRig p;
    p.rig.emu->SetGeraet(1);
    p.rig.emu->SetConnectionState(TBasisEmulator::StateStarted);
    p.rig.emu->SetPellunars(true);
    p.rig.emu->SetConnectionState(TBasisEmulator::StateStarting);
    p.rig.wire.clear();
    p.download().ProgLaden(UnbankedAdresse(0x1000), std::string(600, '\x00'));
    EXPECT_EQ(p.commands(3), (std::vector<std::string>{"W N F4 00 06", "p 10 00 FA", "W N F4 00 07", "p 10 00 FA",
                                                       "W N F4 00 06", "p 10 FA FA", "W N F4 00 07", "p 10 FA FA",
                                                       "W N F4 00 06", "p 11 F4 64", "W N F4 00 07", "p 11 F4 64"}));
}

TEST(Download, CodeByFirmwareCommand) {
    // Below firmware 21 the bank is put directly and "p" carries the bytes.
    DownloadRig old("5.1 ");
    old.download().WriteCode(BankedAdresse(3, 0x0100), filled(300));
    EXPECT_EQ(old.commands(3), (std::vector<std::string>{"W N F4 00 03", "p 01 00 FA", "p 01 FA 32"}));

    // From 21: the bank byte carries the code flag, one byte goes as "WM",
    // and a block stops at 0xFFFF to go on in the next bank.
    DownloadRig t6("6.0 ");
    t6.download().WriteCode(BankedAdresse(6, 0x4000), std::string(1, '\x5A'));
    t6.download().WriteCode(BankedAdresse(2, 0xFFF0), filled(20));
    EXPECT_EQ(t6.commands(4), (std::vector<std::string>{"W M 40 00 86 5A", "q FF F0 82 10", "q 00 00 83 04"}));
}

TEST(Download, SystemWriteTooLongAndSelectRead) {
    DownloadRig d;
    try {
        d.download().WriteSystem(BankedAdresse(1, 0), std::string(300, 'x'), true);
        FAIL();
    } catch (const EVokWinValueError& e) {
        EXPECT_STREQ(e.what(), "SysEmulHigh: String zu lang: 300");
    }
    EXPECT_THROW(d.download().ReadSelect(BankedAdresse(1, 0), 4), ETarvexAccessError);
    EXPECT_TRUE(d.commands().empty());
}

}  // namespace
}  // namespace tarvex
