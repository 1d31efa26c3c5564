#pragma once
// Run control with the trace board on the simulator target, the simulator's
// CPU running the downloaded program; breakpoints put on the board as the
// select tables put them (the kind-12 channel for the temporary breakpoint,
// kind 10 for a lasting one).
#include <atomic>
#include <fstream>
#include <map>
#include <sstream>

#include "core/conversions.hpp"
#include "emulator/download.hpp"
#include "emulator/monitor_data.hpp"
#include "emulator/debug/run_control.hpp"
#include "tests/emulator/trace_rig.hpp"

namespace tarvex::test {

struct CountingIndicator final : IRunIndicator {
    void SetRunning(bool on) override { (on ? ons : offs)++; }
    std::atomic<int> ons{0}, offs{0};
};

class BoardBreaks final : public IRunSelectTable {
public:
    static constexpr std::uint8_t Lasting = 0x01, Temporary = 0x02, TraceBit = 0x10, LineBit = 0x80;

    explicit BoardBreaks(TEmulator& emulator) : emulator_(emulator) {}

    // Kinds 10 and 12 on OPCODE cycles with a count of 1, break mode
    // "either", every data value.
    void arm() {
        const std::uint8_t block[11] = {5, 5, 0, 0, 2, 0, 0, 0, 0, 0xFF, 0xFF};
        for (std::uint16_t i = 0; i < 11; ++i) emulator_.WriteN(static_cast<std::uint16_t>(0x7BF0 + i), block[i]);
        for (std::uint16_t at = 0; at < 256; at += 128)
            emulator_.WriteMasterBlock(static_cast<std::uint16_t>(0xF200 + at), std::string(128, '\x13'));
    }
    // Trace kind 14 on every address of the program, OPCODE frames only.
    void traceOpcodes() {
        base_ = TraceBit;
        emulator_.WriteN(0x7BFC, 1);
        for (std::uint8_t bank = 0; bank < 8; ++bank)
            emulator_.Download().Fill(BankedAdresse(bank, 0), BankedAdresse(bank, 0x3FF), base_);
        qualifiers_.clear();
    }
    void mark(std::uint16_t address, std::uint8_t bits, bool on) {
        std::uint8_t& q = qualifiers_.try_emplace(address, base_).first->second;
        q = static_cast<std::uint8_t>(on ? q | bits : q & ~bits);
        for (std::uint8_t bank = 0; bank < 8; ++bank)
            emulator_.Download().WriteSelect(BankedAdresse(bank, address), std::string(1, static_cast<char>(q)));
    }
    std::uint8_t qualifier(std::uint16_t address) { return qualifiers_.try_emplace(address, base_).first->second; }

    void TransmitBreakTraceRegister() override { ++transmits; }
    void SetTemporaryBreakpoint(const TBankAdresse& address, bool) override {
        temporary_ = address.offset;
        mark(address.offset, Temporary, true);
        ++sets;
    }
    void RemoveTemporaryBreakpoint() override {
        mark(temporary_, Temporary, false);
        ++removes;
    }
    void SaveBreakMode() override { saved_ = mode_; }
    void SetLineStepBreakMode() override {
        mode_ = 6;
        emulator_.WriteN(0x7BF4, mode_);
    }
    void RestoreBreakMode() override { mode_ = saved_; }
    void TargetResetDone() override { ++resets; }

    std::atomic<int> transmits{0}, sets{0}, removes{0}, resets{0};

private:
    TEmulator& emulator_;
    std::map<std::uint16_t, std::uint8_t> qualifiers_;
    std::uint16_t temporary_ = 0;
    std::uint8_t mode_ = 2, saved_ = 2;
    std::uint8_t base_ = 0;
};

struct RunRig : TraceRig {
    // calls.hex
    static constexpr std::uint16_t Main = 0x0100, Loop = 0x0106, Done = 0x010B, F = 0x0200, G = 0x0280;

    explicit RunRig(sim::BoardConfig config = {})
        : TraceRig(std::move(config)), debug(*emu, *sfr, registers, notifier), breaks(*emu) {
        parts.runControl = &debug;
        emu->SetParts(parts);
        debug.SetBanking(banking.get());
        debug.SetSpaces(spaces.get());
        debug.SetTracePlatine(&trace);
        debug.SetSelectTable(&breaks);
        debug.SetStopErrorForm(&form);
        debug.SetBusyCursor(&cursor);
        debug.SetRunIndicator(&indicator);
    }

    // The start, calls.hex downloaded, the breakpoint registers armed.
    void startWithProgram() {
        start();
        std::ifstream in(sourceDir() / "examples" / "build" / "calls.hex", std::ios::binary);
        std::string line;
        while (std::getline(in, line)) {
            if (line.size() < 11 || line[0] != ':' || line.substr(7, 2) != "00") continue;
            const auto byteAt = [&](std::size_t i) { return static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16)); };
            const auto count = static_cast<std::size_t>(std::stoi(line.substr(1, 2), nullptr, 16));
            const auto address = static_cast<std::uint16_t>(std::stoi(line.substr(3, 4), nullptr, 16));
            std::string bytes;
            for (std::size_t i = 0; i < count; ++i) bytes += byteAt(9 + 2 * i);
            emu->Download().ProgLaden(UnbankedAdresse(address), bytes);
        }
        breaks.arm();
        fresh();
    }

    // Started with calls.hex in the processor family (0: the 80C51) and
    // banking switched on in the mode of the board's generation.
    void startBankedInFamily(int family) {
        startWithProgram();
        if (family) {
            // The Winbond kind loads its own image.
            writeBytes(root.file("T5b1w77.bin"), std::vector<std::uint8_t>(32768, 0));
            sfr->SetOptionNummer(family);
        }
        const int version = emu->Generation() == 1 ? 1 : 0;
        banking->SetBankingVersion(version);
        banking->SetBankingMode(version == 1 ? 2 : 1);
    }

    // The register string against the simulator's CPU.
    void expectRegistersOfCpu() {
        const std::string& r = debug.RegisterString();
        ASSERT_EQ(r.size(), static_cast<std::size_t>(sfr->RegisterStringLength()));
        board.withCpu([&](const sim::Cpu8051& cpu) {
            const auto at = [&](int i) { return static_cast<std::uint8_t>(r[static_cast<std::size_t>(i)]); };
            EXPECT_EQ(at(sfr->PcIndex()) << 8 | at(sfr->PcIndex() + 1), cpu.pc());
            for (int n = 0; n < 8; ++n) EXPECT_EQ(at(sfr->RegisterIndex(n)), cpu.reg(static_cast<unsigned>(n))) << n;
            for (std::uint8_t s : {0xE0, 0xF0, 0xD0, 0x81, 0x82, 0x83}) {
                const int i = registers.IndexOfSfr(s);
                if (i >= 0) {
                    EXPECT_EQ(at(i), cpu.sfr(s)) << int(s);
                }
            }
        });
    }
    std::uint64_t commands(std::string_view name) const { return board.tally(name).commands; }
    // A step at the self-jump stays there and adds its frame.
    void expectStepAtTheSelfJumpAddsAFrame() {
        debug.SetPC(UnbankedAdresse(Done));
        const std::uint32_t frames = trace.FrameCount();
        debug.SingleStep();
        EXPECT_EQ(debug.PC().offset, Done);
        ASSERT_EQ(trace.FrameCount(), frames + 1);
        EXPECT_EQ(trace.GetFrame(frames).Offset(), Done);
    }

    TDebug debug;
    BoardBreaks breaks;
    platform::ScriptedStopErrorForm form;
    platform::CountingBusyCursor cursor;
    CountingIndicator indicator;
};

}  // namespace tarvex::test
