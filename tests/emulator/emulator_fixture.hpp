#pragma once
// The emulator object wired to the board simulator in the same process, on
// virtual time, with recording target parts, an installation root in a
// temporary folder and a record of every write on the wire.
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "core/format.hpp"
#include "core/target_interfaces.hpp"
#include "emulator/emulator.hpp"
#include "platform/clock.hpp"
#include "platform/settings.hpp"
#include "platform/ui.hpp"
#include "sim/board.hpp"
#include "sim/sim_serial_port.hpp"
#include "tests/support/target/link_fixture.hpp"
#include "tests/support/fake_targets.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex::test {

// One write as a line: the command's letters apart, then its bytes in hex
// ("W N 7C 74 C1"); a write that starts with no command letters (a decision
// byte, image data, a value) in hex only.
inline std::string wireLine(const std::string& bytes) {
    static const char* const prefixes[] = {"aFlC", "aIaP", "bFlC", "bIaP", "RI", "RN", "RV", "WI", "WN",
                                           "WV",   "DN",   "PN",   "DS",   "PS", "x",  "k",  "z",  "y",
                                           "f",    "Z",    "n",    "o"};
    std::string line;
    std::size_t at = 0;
    for (const char* p : prefixes) {
        const std::string prefix(p);
        if (bytes.compare(0, prefix.size(), prefix) == 0) {
            for (char c : prefix) line += std::string(line.empty() ? "" : " ") + c;
            at = prefix.size();
            break;
        }
    }
    for (; at < bytes.size(); ++at)
        line += (line.empty() ? "" : " ") + Format("%.2X", static_cast<unsigned char>(bytes[at]));
    return line;
}

// The simulator's port with a record of every write. A write of one byte
// after "PS" is the value that command takes, shown in hex.
class RecordingPort final : public platform::SerialPort {
public:
    RecordingPort(sim::Board& board, platform::Clock& clock, std::vector<std::string>& wire)
        : port_(board, clock), wire_(wire) {}

    void configure(std::uint32_t baud) override { port_.configure(baud); }
    void setTimeouts(const platform::SerialTimeouts& t) override { port_.setTimeouts(t); }
    void setRts(bool on) override { port_.setRts(on); }
    void setDtr(bool on) override { port_.setDtr(on); }
    std::size_t inputQueued() override { return port_.inputQueued(); }
    void purgeInput() override { port_.purgeInput(); }
    std::size_t read(std::uint8_t* buffer, std::size_t count) override { return port_.read(buffer, count); }
    std::size_t write(const std::uint8_t* buffer, std::size_t count) override {
        const std::string bytes(reinterpret_cast<const char*>(buffer), count);
        const bool value = count == 1 && !wire_.empty() && wire_.back().compare(0, 3, "P S") == 0;
        wire_.push_back(value ? Format("%.2X", buffer[0]) : wireLine(bytes));
        return port_.write(buffer, count);
    }

private:
    sim::SimSerialPort port_;
    std::vector<std::string>& wire_;
};

struct EmuRig : SimBench {
    explicit EmuRig(sim::BoardConfig config = {})
        : SimBench(std::move(config)), options(root.path().string(), "") {
        emu = std::make_unique<TEmulator>(options, clock, settings);
        emu->setSerialPortOpener([this](const std::string&) -> std::unique_ptr<platform::SerialPort> {
            return std::make_unique<RecordingPort>(board, clock, wire);
        });
        emu->SetParts(parts.parts());
        emu->SetNotifier(&notifier);
        copyFile(sourceDir() / "data" / "VokMonitor.txt", root.file("VokMonitor.txt"));
    }

    static void copyFile(const std::filesystem::path& from, const std::string& to) {
        std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
    }
    // An image of `size` bytes in the installation root; returns its path.
    std::string image(const std::string& name, std::size_t size) {
        writeBytes(root.file(name + ".bin"), std::vector<std::uint8_t>(size, 0x00));
        return root.file(name + ".bin");
    }
    // Handshake and version check, as the start does them, then state 3.
    void identify() {
        emu->InitStringEinlesen();
        emu->CheckEpromVersion();
        emu->SetConnectionState(TBasisEmulator::StateStarted);
        wire.clear();
    }
    // The lines after the handshake polls.
    std::vector<std::string> commands() const {
        std::vector<std::string> out;
        for (const auto& line : wire)
            if (line != "x") out.push_back(line);
        return out;
    }
    bool sent(const std::string& line) const {
        for (const auto& l : wire)
            if (l == line) return true;
        return false;
    }

    TempDir root;
    StandaloneTargetOptions options;
    RecordingTargetParts parts;
    RecordingNotifier notifier;
    std::vector<std::string> wire;
    std::unique_ptr<TEmulator> emu;
};

}  // namespace tarvex::test
