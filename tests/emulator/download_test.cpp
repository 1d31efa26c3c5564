#include "emulator/download.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <map>
#include <set>

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

    // Pellunar mode on a board of generation 1 or 2, family 1.
    void pellunarsOn() {
        const std::uint8_t state = rig.emu->ConnectionState();
        rig.emu->SetConnectionState(TBasisEmulator::StateStarted);
        rig.emu->SetProzessorTyp(1);
        rig.emu->SetPellunars(true);
        rig.emu->SetConnectionState(state);
        rig.wire.clear();
    }
    // The board's command log from entry `from` on, one line a command.
    std::string boardLog(std::size_t from) const {
        std::string out;
        const auto log = rig.board.log();
        for (std::size_t i = from; i < log.size(); ++i) {
            if (log[i].name == "x") continue;
            out += log[i].name;
            if (log[i].bytes.size() > 24) {
                out += Format(" (%d bytes)", log[i].bytes.size());
            } else {
                for (std::uint8_t b : log[i].bytes) out += Format(" %.2X", b);
            }
            out += "\n";
        }
        return out;
    }
    std::size_t logSize() const { return rig.board.log().size(); }
    std::string codePlane(int hw, std::uint16_t at, std::size_t n) const {
        std::string out;
        for (std::size_t i = 0; i < n; ++i)
            out += static_cast<char>(rig.board.code(static_cast<std::size_t>(hw), static_cast<std::uint16_t>(at + i)));
        return out;
    }

    EmuRig rig;
    TBanking banking{*rig.emu, rig.notifier};
};

// The golden file's body (after its comment block) against `text`;
// TARVEX_UPDATE_GOLDEN=1 writes the file instead.
void expectGolden(const std::string& name, const std::string& text) {
    const std::string path = (test::sourceDir() / "tests" / "emulator" / "data" / name).string();
    std::ifstream in(path, std::ios::binary);
    const std::string golden((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t body = golden.find("\n\n");
    if (std::getenv("TARVEX_UPDATE_GOLDEN")) {
        const std::string header = body == std::string::npos ? "" : golden.substr(0, body + 2);
        std::ofstream(path, std::ios::binary) << header << text;
        return;
    }
    ASSERT_NE(body, std::string::npos) << path;
    EXPECT_EQ(golden.substr(body + 2), text) << name;
}

// Contiguous runs of an Intel HEX file's data records, in file order.
std::vector<std::pair<std::uint16_t, std::string>> hexBlocks(const std::string& path) {
    std::vector<std::pair<std::uint16_t, std::string>> blocks;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() < 11 || line[0] != ':' || line.substr(7, 2) != "00") continue;
        const auto byteAt = [&](std::size_t i) { return static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16)); };
        const auto count = static_cast<std::size_t>(static_cast<unsigned char>(byteAt(1)));
        const auto address = static_cast<std::uint16_t>(std::stoi(line.substr(3, 4), nullptr, 16));
        std::string data;
        for (std::size_t i = 0; i < count && 9 + 2 * i + 1 < line.size(); ++i) data += byteAt(9 + 2 * i);
        if (!blocks.empty() && blocks.back().first + blocks.back().second.size() == address)
            blocks.back().second += data;
        else
            blocks.emplace_back(address, data);
    }
    return blocks;
}

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

TEST(Download, ReadBackIsPhysicalAndSplitAt255) {
    // Without banking: "DP" pieces of at most 255 bytes.
    DownloadRig d;
    const std::string code = filled(300, 0x10);
    d.download().ProgLaden(UnbankedAdresse(0x1234), code);
    d.rig.wire.clear();
    EXPECT_EQ(d.download().ProgLesen(UnbankedAdresse(0x1234), 300), code);
    EXPECT_EQ(d.commands(3), (std::vector<std::string>{"D P FF 12 34", "D P 2D 13 33"}));

    // Mode 6: bank 2 at 0x8000 is hardware bank of bank 1 at 0x0000; the
    // read goes there too.
    DownloadRig m;
    m.rig.emu->SetGeraet(1);
    m.banking.SetBankingVersion(3);
    m.banking.SetBankingMode(6);
    const std::string bank2 = filled(16, 0xA0);
    m.download().ProgLaden(BankedAdresse(2, 0x8000), bank2);
    m.download().ProgLaden(BankedAdresse(3, 0x8000), filled(16, 0x30));
    EXPECT_EQ(m.download().ProgLesen(BankedAdresse(2, 0x8000), 16), bank2);
    EXPECT_EQ(m.codePlane(2, 0x0000, 16), bank2);
    // Across the start of the banked area: the common part in bank 0's
    // hardware bank, the rest in bank 2's.
    const std::string across = filled(32, 0x40);
    m.download().ProgLaden(BankedAdresse(2, 0x7FF0), across);
    EXPECT_EQ(m.codePlane(3, 0x7FF0, 16), across.substr(0, 16));
    EXPECT_EQ(m.codePlane(2, 0x0000, 16), across.substr(16));
    EXPECT_EQ(m.download().ProgLesen(BankedAdresse(2, 0x7FF0), 32), across);
}

TEST(Download, HandshakeWritePiecesOf255) {
    DownloadRig d;
    // No data byte looks like the poll "x" the rig leaves out.
    std::string code;
    for (int i = 0; i < 300; ++i) code += static_cast<char>(0x80 | (i & 0x7F));
    d.download().ProgSchreibenHandshake(UnbankedAdresse(0x1200), code);
    const auto lines = d.commands(3);
    ASSERT_EQ(lines.size(), 1u + 1u + 255u + 1u + 45u);
    EXPECT_EQ(lines[1], "P P FF 12 00");
    EXPECT_EQ(lines[257], "P P 2D 12 FF");
    EXPECT_EQ(d.codePlane(6, 0x1200, 300), code);
}

TEST(Download, OwnCodeOverHooks) {
    // CLR P0.1 at 0x0101 is a hook; the board holds other bytes there.
    DownloadRig d;
    d.rig.emu->SetGeraet(1);
    d.pellunarsOn();
    const std::string code("\x00\xC2\x81\x00\x00", 5);
    d.download().ProgLaden(UnbankedAdresse(0x0100), code);
    ASSERT_EQ(d.download().Pellunars().HookCount(), 1u);
    d.rig.board.setCode(6, 0x0101, std::vector<std::uint8_t>{0x44, 0x00});
    // A read that starts inside the hook gets its own bytes for the part in
    // range.
    EXPECT_EQ(d.download().ProgLesen(UnbankedAdresse(0x0102), 2), std::string("\x81\x00", 2));
    EXPECT_EQ(d.download().ProgLesen(UnbankedAdresse(0x0100), 4), code.substr(0, 4));

    // One new byte over the hook's first byte stays; only the hook byte
    // outside it gets its own code back.
    d.download().ProgSchreibenHandshake(UnbankedAdresse(0x0101), std::string(1, '\x00'));
    EXPECT_EQ(d.download().Pellunars().HookCount(), 0u);
    EXPECT_EQ(d.codePlane(6, 0x0101, 2), std::string("\x00\x81", 2));
}

TEST(Download, CodeReadsByFirmware) {
    DownloadRig old("5.1 ");
    old.rig.board.setCode(3, 0x0200, std::vector<std::uint8_t>{1, 2, 3});
    EXPECT_EQ(old.download().ReadCode(BankedAdresse(3, 0x0200), 3), "\x01\x02\x03");
    EXPECT_EQ(old.commands(3), (std::vector<std::string>{"W N F4 00 03", "D p 03 02 00"}));

    DownloadRig t6("6.0 ");
    t6.rig.board.setCode(2, 0xFFFE, std::vector<std::uint8_t>{7, 8});
    t6.rig.board.setCode(3, 0x0000, std::vector<std::uint8_t>{9});
    t6.rig.board.setCode(5, 0x1000, std::vector<std::uint8_t>{0x66});
    EXPECT_EQ(t6.download().ReadCode(BankedAdresse(2, 0xFFFE), 3), "\x07\x08\x09");
    EXPECT_EQ(t6.download().ReadCode(BankedAdresse(5, 0x1000), 1), "\x66");
    EXPECT_EQ(t6.commands(4), (std::vector<std::string>{"D M 02 FF FE 82", "D M 01 00 00 83", "R M 10 00 85"}));
}

TEST(Download, SystemMemoryBracket) {
    // Below firmware 21: the bank, the bracket of variable 1 and the
    // configuration byte (read once per start), the transfer, the byte back.
    DownloadRig d;
    d.rig.board.setSystem(4, false, 0x0010, 0x5A);
    d.rig.board.setSystem(4, true, 0x0010, 0xA5);
    EXPECT_EQ(d.download().ReadSystem(BankedAdresse(4, 0x0010), 1, false), "\x5A");
    EXPECT_EQ(d.commands(5),
              (std::vector<std::string>{"W N F4 00 04", "W V 00 01 00", "R I 00 22", "W I 00 22 00", "W N F0 FF 00",
                                        "D N 01 00 10", "W I 00 22 80", "W N F0 FF 80", "W V 00 01 01"}));
    d.rig.wire.clear();
    EXPECT_EQ(d.download().ReadSystem(BankedAdresse(4, 0x0010), 1, true), "\xA5");
    EXPECT_EQ(d.commands(5), (std::vector<std::string>{"W V 00 01 00", "W I 00 22 40", "W N F0 FF 40", "D N 01 00 10",
                                                       "W I 00 22 80", "W N F0 FF 80", "W V 00 01 01"}));
    d.download().WriteSystem(BankedAdresse(4, 0x0020), "\x11\x22", true);
    EXPECT_EQ(d.rig.board.system(4, true, 0x0021), 0x22);
    // Master memory is reached again after the bracket.
    EXPECT_EQ(d.rig.emu->ReadMasterBlock(0x0020, 1).size(), 1u);

    DownloadRig t6("6.0 ");
    t6.rig.board.setSystem(1, false, 0x0300, 0x33);
    t6.rig.board.setSystem(1, true, 0x0300, 0x44);
    EXPECT_EQ(t6.download().ReadSystem(BankedAdresse(1, 0x0300), 2, false)[0], '\x33');
    EXPECT_EQ(t6.download().ReadSystem(BankedAdresse(1, 0x0300), 2, true)[0], '\x44');
    t6.download().WriteSystem(BankedAdresse(1, 0x0400), "\x01\x02", true);
    EXPECT_EQ(t6.commands(4), (std::vector<std::string>{"D M 02 03 00 01", "D M 02 03 00 41", "q 04 00 41 02"}));
}

TEST(Download, SelectRunsFillAndExternalData) {
    DownloadRig d;
    d.rig.emu->SetTimeoutReadWrite(500);
    d.download().WriteSelect(BankedAdresse(2, 0x0100), std::string("\x00\x00\x00\x55", 4));
    EXPECT_EQ(d.commands(6), (std::vector<std::string>{"W N F4 00 02", "B 01 00 01 02 00 02", "B 01 03 01 03 55 02"}));
    EXPECT_EQ(d.rig.board.select(2, 0x0103), 0x55);

    // The fill waits at least 1.5 s for its answer, and the time-out is back
    // afterwards, also when no answer comes.
    d.rig.board.setAnswerDelay(1000);
    EXPECT_EQ(d.download().Fill(BankedAdresse(2, 0), BankedAdresse(2, 0x0F), 0x07), 0x00);
    EXPECT_EQ(d.rig.emu->TimeoutReadWrite(), 500u);
    d.rig.board.setSilent(true);
    const auto before = d.rig.clock.monotonicMs();
    EXPECT_THROW(d.download().Fill(BankedAdresse(2, 0), BankedAdresse(2, 0x0F), 0x07), EEmulatorTimeoutError);
    EXPECT_GE(d.rig.clock.monotonicMs() - before, 1500u);
    EXPECT_EQ(d.rig.emu->TimeoutReadWrite(), 500u);

    DownloadRig x;
    x.download().WriteXdata(UnbankedAdresse(0x4000), "\x12\x34");
    EXPECT_EQ(x.download().ReadXdata(UnbankedAdresse(0x4000), 2), "\x12\x34");
    EXPECT_EQ(x.commands(3), (std::vector<std::string>{"P E 02 40 00", "12", "34", "D E 02 40 00"}));
}

// The hook list of examples/build/hooks.hex sent to the board.
TEST(Pellunars, GoldenHookTables) {
    DownloadRig d;
    d.rig.emu->SetGeraet(1);
    d.pellunarsOn();
    const std::size_t from = d.logSize();
    for (const auto& [address, data] : hexBlocks((test::sourceDir() / "examples" / "build" / "hooks.hex").string()))
        d.download().ProgLaden(UnbankedAdresse(address), data);
    const std::size_t sent = d.rig.notifier.count(notify::SystemChanged);
    d.download().UpdatePellunars();
    expectGolden("pellunar_hooks.txt", d.boardLog(from));
    EXPECT_EQ(d.rig.notifier.count(notify::SystemChanged), static_cast<int>(sent) + 1);

    // The board's tables hold exactly the analyser's hooks, each under the
    // routine of its class.
    TEmulPellunarComp& comp = d.download().Pellunars();
    const auto hooks = d.rig.board.hooks(6);
    ASSERT_EQ(hooks.size(), comp.HookCount());
    std::map<std::uint32_t, std::uint8_t> numberOfClass;
    std::set<int> groups;
    for (std::size_t i = 0; i < comp.HookCount(); ++i) {
        const TPellunarItem* item = comp.Hooks().Items(i);
        groups.insert(item->TransmitGroup());
        ASSERT_TRUE(hooks.contains(item->address.offset));
        const std::uint8_t number = hooks.at(item->address.offset);
        const auto [it, fresh] = numberOfClass.emplace(item->HookClass(), number);
        EXPECT_EQ(it->second, number) << "one routine per class";
        if (!fresh) continue;
        const auto routine = d.rig.board.routine(6, number);
        const PellunarBytes text = item->RoutineText();
        for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(routine[k], k < text.size() ? text[k] : 0) << number;
    }
    // Classes in ascending order take 0x0A, 0x0C, ... .
    std::uint8_t expected = 0x0A;
    for (const auto& [cls, number] : numberOfClass) {
        EXPECT_EQ(number, expected) << cls;
        expected = static_cast<std::uint8_t>(expected + 2);
    }
    EXPECT_EQ(groups, (std::set<int>{0, 1, 2}));

    // Nothing changed: nothing goes out again.
    const std::size_t again = d.logSize();
    d.download().UpdatePellunars();
    EXPECT_EQ(d.logSize(), again);
}

// Hooks of every routine shape: the second pass for four-byte routines
// ending in 0x00, the read, write and routine passes, groups 3 and 4.
TEST(Pellunars, GoldenGroups) {
    DownloadRig d;
    d.rig.emu->SetGeraet(1);
    d.pellunarsOn();
    TEmulPellunarComp& comp = d.download().Pellunars();
    d.download().ProgLaden(UnbankedAdresse(0x0200), std::string(64, '\x00'));
    struct Hook {
        std::uint16_t classCode;
        std::uint8_t extra;
        std::uint16_t offset;
    };
    const Hook hooks[] = {{0x265, 0x00, 0x0200}, {0x960, 0x00, 0x0204}, {0x118, 0x00, 0x020A}, {0x101, 0x00, 0x020C},
                          {0x261, 0x00, 0x0210}, {0x060, 0x00, 0x0214}, {0x261, 0x00, 0x0218}, {0x222, 0xF0, 0x021C},
                          {0x265, 0x00, 0x0220}, {0x8E5, 0x12, 0x0224}, {0x161, 0x30, 0x0228}, {0x130, 0x00, 0x022C},
                          {0x360, 0x00, 0x0230}, {0x440, 0x00, 0x0234}};
    for (const Hook& h : hooks)
        comp.AddHook(std::make_unique<TPellunarItem>(&comp, h.extra, h.classCode, UnbankedAdresse(h.offset)));
    std::set<int> groups;
    for (std::size_t i = 0; i < comp.HookCount(); ++i) groups.insert(comp.Hooks().Items(i)->TransmitGroup());
    EXPECT_TRUE(groups.contains(3) && groups.contains(4));
    const std::size_t from = d.logSize();
    d.download().UpdatePellunars();
    expectGolden("pellunar_groups.txt", d.boardLog(from));
    // A three-byte routine goes out padded: 0x55 in the fourth place.
    const std::string log = d.boardLog(from);
    EXPECT_NE(log.find(" 11 55 55 55\n"), std::string::npos) << log;
}

TEST(Pellunars, MoreGroupsThanRoutineNumbers) {
    DownloadRig d;
    d.rig.emu->SetGeraet(1);
    d.pellunarsOn();
    platform::RecordingLoadStatusWindow status;
    platform::ScopedUi ui{&d.rig.boxes, &d.rig.errorDialog, &d.rig.notice, &status};
    TEmulPellunarComp& comp = d.download().Pellunars();
    // MOV dH,P0 with 110 different d: 110 classes.
    for (int i = 0; i < 110; ++i)
        comp.AddHook(std::make_unique<TPellunarItem>(&comp, static_cast<std::uint8_t>(i), 0x161,
                                                     UnbankedAdresse(static_cast<std::uint16_t>(0x1000 + 4 * i))));
    d.download().UpdatePellunars();
    const auto hooks = d.rig.board.hooks(6);
    EXPECT_EQ(hooks.size(), 106u);
    std::set<std::uint8_t> numbers;
    for (const auto& [address, number] : hooks) numbers.insert(number);
    EXPECT_EQ(numbers.size(), 106u);
    EXPECT_EQ(*numbers.begin(), 0x0A);
    EXPECT_EQ(*numbers.rbegin(), 0xFA);
    EXPECT_FALSE(numbers.contains(0x60) || numbers.contains(0x68) || numbers.contains(0x88) || numbers.contains(0xE8));
    EXPECT_EQ(status.lines(), (std::vector<std::string>{"ERROR:   Too many pellunar routines in bank 0"}));
    EXPECT_EQ(status.errors(), 1);
    EXPECT_EQ(status.statuses(), (std::vector<std::string>{"Transmitting pellunars"}));
}

TEST(Pellunars, BankedTablesPerHardwareBank) {
    // Mode 6: banks 2 and 3 share a hardware bank (2), the common area lies
    // in that of bank 0 (3). Bank 3's pass must not clear bank 2's hooks.
    DownloadRig d;
    d.rig.emu->SetGeraet(1);
    d.banking.SetBankingVersion(3);
    d.banking.SetBankingMode(6);
    d.pellunarsOn();
    TEmulPellunarComp& comp = d.download().Pellunars();
    comp.AddHook(std::make_unique<TPellunarItem>(&comp, 0, 0x101, BankedAdresse(2, 0x8100)));
    comp.AddHook(std::make_unique<TPellunarItem>(&comp, 0, 0x101, BankedAdresse(3, 0x8200)));
    comp.AddHook(std::make_unique<TPellunarItem>(&comp, 0, 0x118, AllBanksAdresse(0x0100)));
    d.download().UpdatePellunars();
    EXPECT_EQ(d.rig.board.hooks(2), (sim::EmulationMemory::Hooks{{0x0100, 0x0A}, {0x8200, 0x0A}}));
    EXPECT_EQ(d.rig.board.hooks(3), (sim::EmulationMemory::Hooks{{0x0100, 0x0A}}));
}

TEST(Pellunars, SwitchingOffClearsTheTablesFirst) {
    DownloadRig d("6.0 ");
    d.rig.emu->SetGeraet(2);
    d.pellunarsOn();
    d.download().ProgLaden(UnbankedAdresse(0x0100), std::string("\x00\xC2\x81\x00", 4));
    d.download().UpdatePellunars();
    ASSERT_EQ(d.rig.board.hooks(6).size(), 1u);
    d.rig.board.setCode(6, 0x0101, std::vector<std::uint8_t>{0x44, 0x00});
    d.rig.wire.clear();
    d.rig.parts.log.clear();
    d.rig.emu->SetPellunars(false);
    // Own code back, the tables cleared, then the option byte and the trace.
    EXPECT_EQ(d.commands(3), (std::vector<std::string>{"p 01 01 02", "F H", "W N F6 00 00"}));
    EXPECT_EQ(d.rig.parts.log, (std::vector<std::string>{"TraceBoard.ResetTrace"}));
    EXPECT_TRUE(d.rig.board.hooks(6).empty());
    EXPECT_EQ(d.codePlane(6, 0x0101, 2), std::string("\xC2\x81", 2));
    EXPECT_FALSE(d.rig.emu->PellunarsOn());

    // The TARVEX-IV has no pellunar port.
    DownloadRig g0("3.05");
    g0.rig.emu->SetGeraet(0);
    g0.rig.emu->SetPellunars(true);
    EXPECT_FALSE(g0.rig.emu->PellunarsOn());
}

TEST(Pellunars, StartSendsTheTables) {
    // After the watchdog the start sends the (empty) tables of the one bank
    // without banking.
    EmuRig rig(DownloadRig::config("5.1 "));
    rig.image("T5b1", 32768);
    rig.emu->SetGeraet(1);
    rig.emu->SetPellunars(true);
    rig.emu->SetFpgaName("T5b1");
    rig.emu->SetProzessorTyp(12);
    rig.emu->Startup();
    std::vector<std::string> names;
    for (const auto& record : rig.board.log()) names.push_back(record.name);
    const auto fh = std::find(names.begin(), names.end(), "FH");
    ASSERT_NE(fh, names.end());
    EXPECT_EQ(std::count(names.begin(), names.end(), "FH"), 1);
    EXPECT_EQ(rig.notifier.count(notify::SystemChanged), 1);
    EXPECT_EQ(rig.emu->Download().Pellunars().CodeBankCount(), 1);
    EXPECT_EQ(rig.emu->Download().Pellunars().ProcessorVariant(), VariantW77X);
}

TEST(Pellunars, OptionsModeAndEmulatorSteps) {
    DownloadRig d;
    d.rig.emu->SetGeraet(1);
    d.pellunarsOn();
    TEmulPellunarComp& comp = d.download().Pellunars();
    const struct {
        int option;
        std::uint8_t r7;
        int back;
    } options[] = {{1, 15, 1}, {2, 23, 2}, {3, 31, 3}, {0, 7, 0}, {9, 7, 0}};
    for (const auto& o : options) {
        d.rig.emu->SetPellunarOption(o.option);
        EXPECT_EQ(comp.R7Address(), o.r7) << o.option;
        EXPECT_EQ(d.rig.emu->GetPellunarOption(), o.back) << o.option;
    }
    // A changed variant with hooks sends them again.
    d.download().ProgLaden(UnbankedAdresse(0x0100), std::string("\xC2\x81\x00", 3));
    d.download().UpdatePellunars();
    d.rig.wire.clear();
    d.rig.emu->SetPellunarOption(2);
    EXPECT_EQ(d.commands().front(), "F H");
    // So does a processor change to another variant.
    d.rig.emu->SetProzessorTyp(17);
    d.rig.wire.clear();
    d.rig.emu->Notify(notify::ProcessorChanged, nullptr);
    EXPECT_EQ(comp.ProcessorVariant(), VariantTIMSC);
    const auto after = d.commands();
    EXPECT_EQ(std::count(after.begin(), after.end(), "F H"), 1);

    // Banking: the analyser images as many banks as the banking has.
    d.banking.SetBankingVersion(1);
    d.banking.SetBankingMode(3);
    d.rig.emu->Notify(notify::BankingChanged, nullptr);
    EXPECT_EQ(comp.CodeBankCount(), 4);

    // A new program: own code back, list cleared, marked for sending.
    d.rig.emu->SetPellunarMode(true);
    EXPECT_TRUE(comp.LineNumbersRequired());
    EXPECT_EQ(comp.HookCount(), 0u);
    EXPECT_TRUE(comp.Changed());

    d.download().SetRegistryFlag(false);
    EXPECT_FALSE(d.rig.settings.readBool(TEmulator::RegistryKey, TEmulator::InitSection, "Assemble1", true));

    // A master reset switches the pellunars off and forgets the hooks.
    d.download().ProgLaden(UnbankedAdresse(0x0100), std::string("\xC2\x81\x00", 3));
    ASSERT_EQ(comp.HookCount(), 1u);
    // Copied and filled memory takes its hooks along.
    d.download().CopyPellunars(UnbankedAdresse(0x0100), UnbankedAdresse(0x0102), UnbankedAdresse(0x0300));
    EXPECT_EQ(comp.HookCount(), 2u);
    d.download().DeletePellunars(UnbankedAdresse(0x0300), UnbankedAdresse(0x0300));
    EXPECT_EQ(comp.HookCount(), 1u);
    d.rig.emu->ResetMaster();
    EXPECT_FALSE(d.rig.emu->PellunarsOn());
    EXPECT_EQ(comp.HookCount(), 0u);
}

}  // namespace
}  // namespace tarvex
