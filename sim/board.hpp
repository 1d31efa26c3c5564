#pragma once
// The TARVEX board as the link sees it: a byte stream in, fixed-length
// answers out. The board parses what arrives command by command through its
// command table, however the bytes were split into writes; its state lives
// in the parts it is made of (flash, master memory, monitor variables, the
// target with the emulation memory, the trace memory, the break logic and
// the run model with the 8051 core). Between commands it follows the clock:
// what it does in that time (the running target's machine cycles among it)
// runs in advance(), and bytes it sends on its own are queued at the moment
// they arise. It logs every command with its bytes and
// can be told to misbehave; every answer passes the faults.
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "emulator/monitor_data.hpp"
#include "platform/clock.hpp"
#include "sim/command_log.hpp"
#include "sim/emulation_memory.hpp"
#include "sim/firmware_profile.hpp"
#include "sim/flash.hpp"
#include "sim/fpga.hpp"
#include "sim/break_logic.hpp"
#include "sim/master_memory.hpp"
#include "sim/monitor.hpp"
#include "sim/monitor_variables.hpp"
#include "sim/run_model.hpp"
#include "sim/select_commands.hpp"
#include "sim/target.hpp"
#include "sim/trace_memory.hpp"
#include "sim/trace_recorder.hpp"

namespace tarvex::sim {

struct BoardConfig {
    std::string version = "5.1 ";             // 4 characters, sent before the identification
    std::string identification = "TARVEX51";  // or "TARVEX  " for the oldest boards
    std::vector<std::uint8_t> junkPrefix;     // sent in answer to the first polls
    std::uint16_t serialNumber = 0x1234;
    std::uint8_t hardwareId = 0x04;
    std::uint8_t deviceVersion = 0;
    std::uint8_t iapInfo = 0x11;  // answer of the IAP query; 88 means "no erase"
    // The firmware's date bytes, kept in flash block 1 only (0x3FF9..0x3FFB).
    std::array<std::uint8_t, 3> block1Date = {0x17, 0x03, 0x25};
    // Bytes per trace record; empty: by the trace version (11 on a
    // TARVEX-IV, else 12).
    std::optional<std::uint8_t> frameSize;
    std::uint32_t answerDelayMs = 0;       // see Board::setAnswerDelay
    bool baudResetSelectsBlock0 = true;    // `y 04` also selects flash block 0
    std::size_t logCapacity = CommandLog::DefaultCapacity;
    // The FPGA holds its image at power-on (a board that was started before).
    bool fpgaLoaded = true;
    // What "f" answers instead of the FPGA's state.
    std::optional<std::uint8_t> fpgaQueryAnswer;
    // The image size expected below firmware code 21; 0: by generation.
    std::size_t fpgaImageSize = 0;
    // The monitor's access codes and save cells (the monitor data file);
    // without them no code names an SFR and nothing is saved.
    std::optional<TMonitorData> monitor;
    // From firmware code 21 "Z" answers 0xFE and a status byte before the
    // register string.
    bool specialReset = false;
    // The target's crystal: the CPU runs crystalHz / 12 machine cycles per
    // second of the board's clock.
    std::uint32_t crystalHz = 12'000'000;
    // The trace memory of a version-2 board grows to 131,072 records when
    // 0xA605 is written 1.
    bool largeTrace = true;
    // The target's wiring: with 32 KB code windows (banking modes 5-8) the
    // port pin of its bank line A15; MOVX cycles then find their
    // qualifiers through the windows, as the driver's ranges put them.
    // Unset: at their own address in the executing hardware bank.
    std::optional<WindowLine> windowLine;
};

class Board {
public:
    explicit Board(platform::Clock& clock, BoardConfig config = {});

    // ---- The host side of the wire. lineBaud 0 means the medium carries
    // bytes whatever the rate (a pseudo-terminal, USB, the parallel port).
    // Each of these first brings the board up to the clock's time.
    void receive(const std::uint8_t* data, std::size_t count, std::uint32_t lineBaud = 0);
    std::size_t available();  // answer bytes ready now
    std::size_t read(std::uint8_t* data, std::size_t count);
    // The first ready answer byte, left in place (0 when none).
    std::uint8_t peek();
    // When the first answer byte that is not ready yet will be, or when the
    // board next acts on its own; empty when neither is due.
    std::optional<std::uint64_t> nextReadyAt();
    // Drops the answer bytes already sent (ready); later ones still come.
    void purgeOutput();
    // Puts answer bytes back in front of the queue, ready now.
    void inject(const std::vector<std::uint8_t>& bytes);
    // RTS and DTR going from both off to both on resets the board.
    void setLines(bool rts, bool dtr);
    // The board's power-on state: 9600 baud, flash block 0, parser idle.
    // The FPGA keeps its image.
    void reset();
    // Power off and on: a reset, and the FPGA has lost its image.
    void powerCycle();
    // Runs what the board does until `now` (monotonic ms): whatever fell due
    // happens at its own moment, and what it sends is ready from then.
    void advance(std::uint64_t now);

    // ---- Faults. They wrap the command table: every answer passes them.
    void setSilent(bool on);
    // The next answer is cut to keep bytes.
    void shortenNextAnswer(std::size_t keep);
    // The next answer is replaced by these bytes (any number).
    void garbleNextAnswer(std::vector<std::uint8_t> bytes);
    // Answers become ready only this long after their command.
    void setAnswerDelay(std::uint32_t ms);
    // In a flash block transfer, answer with value after data byte index
    // (byte-wise), or at the end of the block (in one write).
    // skipTransfers: the fault waits for that many transfers to pass first.
    void failFlashByteAt(std::size_t index, std::uint8_t value, std::size_t skipTransfers = 0);
    // The transfer-th flash block transfer in one write from now (0: the next)
    // is answered
    // with value at its end, whatever the bytes stored.
    void failFlashTransfer(std::size_t transfer, std::uint8_t value);
    // After the IAP chip erase the board says nothing until its lines reset it.
    bool chipErased() const;
    // The next FPGA load ends with this answer (0x01, 0x02, ...) and leaves
    // the FPGA without an image.
    void failFpgaLoad(std::uint8_t answer);
    // The target does not come out of reset: "Z" answers 0xFF alone.
    void setNoReaction(bool on);
    // The next halt (by itself or by "I") answers 0xFF alone.
    void failNextHalt();
    // "I" is answered 0x01: the target cannot be interrupted and runs on.
    void setStopRefused(bool on);
    // The same for "i".
    void setHardStopRefused(bool on);
    // The target never halts by itself (breaks and overflow do nothing).
    void setNeverHalts(bool on);
    // Runs `fault` on this board when the next command with that prefix
    // ("Z", "I", "RN", ...) has arrived, before it is handled: the fault
    // meets that command's answer. One at a time; a new one replaces it.
    void armAtCommand(std::string prefix, std::function<void(Board&)> fault);
    // The board sends this byte on its own, `ms` from now.
    void sendOnOwn(std::uint32_t ms, std::uint8_t byte);
    // Whether an armed fault still waits for its command.
    bool faultArmed() const;
    // Clears every fault, the armed one with it.
    void clearFaults();

    // ---- The target's inputs and its CPU
    // What drives the pins of port 0-3 (a pin reads high unless driven).
    void setPortPins(unsigned port, std::uint8_t value);
    // The logic probes' lines; 0 is inactive.
    void setLogicProbes(std::uint8_t probe1, std::uint8_t probe2);
    // Runs at least `cycles` machine cycles of the running target now,
    // whatever the clock says; a halt queues its answer as at any time.
    void runCycles(std::uint64_t cycles);
    bool targetRunning() const;
    bool flyingTrace() const;
    // The CPU, under the board's lock.
    void withCpu(const std::function<void(const Cpu8051&)>& use) const;
    // The trace memory (records, counter, registers), under the lock.
    void withTrace(const std::function<void(TraceMemory&)>& use);

    // ---- Inspection
    // The traffic since the board was made or the counters reset: commands
    // understood, answers sent (one per command that answers; one per data
    // byte of a phase that answers each byte), bytes in and out.
    struct Stats {
        std::uint64_t commands = 0;
        std::uint64_t roundTrips = 0;
        std::uint64_t bytesIn = 0;
        std::uint64_t bytesOut = 0;
        // Complete identification texts sent: the handshakes the board
        // answered.
        std::uint64_t handshakes = 0;
    };
    Stats stats() const;
    void resetStats();
    bool fpgaLoaded() const;
    // The image bytes the last FPGA load received.
    std::size_t fpgaImageBytes() const;
    std::vector<CommandRecord> log() const;
    CommandTally tally(std::string_view name) const;
    std::uint64_t droppedLogEntries() const;
    void setLogCapacity(std::size_t entries);
    void printLog(std::ostream& out) const;
    void clearLog();
    std::uint32_t baud() const;
    std::uint8_t flashBlock() const;
    std::uint8_t master(std::uint16_t address) const;
    void setMaster(std::uint16_t address, std::uint8_t value);
    std::uint8_t internal(std::uint8_t address) const;
    std::uint8_t sfr(std::uint8_t address) const;
    std::uint8_t variable(std::uint16_t index) const;
    std::uint8_t flash(std::uint8_t block, std::uint16_t address) const;
    std::uint8_t firmwareCode() const { return profile_.code; }
    const FirmwareProfile& profile() const { return profile_; }
    std::uint64_t bytesReceived() const;
    std::uint64_t bytesSent() const;
    const BoardConfig& config() const { return config_; }
    platform::Clock& clock() const { return clock_; }
    // The target and the trace recorder, under the board's lock.
    void withTarget(const std::function<void(Target&, TraceRecorder&)>& use);
    // The emulation memory. `hw` is a hardware bank (taken modulo 8); the
    // system memory of a bank is its code plane, `high` its system-high
    // plane instead.
    std::uint8_t code(std::size_t hw, std::uint16_t address) const;
    std::uint8_t system(std::size_t hw, bool high, std::uint16_t address) const;
    std::uint8_t select(std::size_t hw, std::uint16_t address) const;
    // The table of the last logic-probe load ("o$p").
    std::array<std::uint8_t, SelectCommands::LogicProbeBytes> logicProbeTable() const;
    std::uint8_t xdata(std::uint16_t address) const;
    EmulationMemory::Routine routine(std::size_t hw, std::uint8_t number) const;
    EmulationMemory::Hooks hooks(std::size_t hw) const;
    // Bits 0-2 of master 0xF400: the bank the code commands address.
    std::uint8_t hardwareBank() const;
    // Byte strings are stored from the address upwards, wrapping at 64 KB.
    void setCode(std::size_t hw, std::uint16_t address, std::uint8_t value);
    void setCode(std::size_t hw, std::uint16_t address, const std::vector<std::uint8_t>& bytes);
    void setSystem(std::size_t hw, bool high, std::uint16_t address, std::uint8_t value);
    void setSelect(std::size_t hw, std::uint16_t address, std::uint8_t value);
    void setXdata(std::uint16_t address, std::uint8_t value);
    void setXdata(std::uint16_t address, const std::vector<std::uint8_t>& bytes);
    // The ROM of the target system behind the pod, which a program copy
    // reads where the map image (master 0xC000) leaves the program to the
    // target; past its end it reads 0xFF. Without one (empty) the board has
    // no target ROM and copies read emulation memory only.
    void setTargetRom(std::vector<std::uint8_t> bytes);

    struct Command;  // a row of the command table

private:
    using Bytes = std::vector<std::uint8_t>;
    struct Pending {
        std::uint8_t byte;
        std::uint64_t readyAt;
    };
    struct Timer {
        std::uint64_t at;
        std::function<void()> action;
    };
    // The data phase of a command whose data bytes follow its header. Its
    // handler may lengthen it (a header inside the data); the bytes are kept
    // for the log until it says otherwise.
    struct DataPhase {
        const Command* command;
        Bytes header;
        std::size_t remaining;
        std::size_t index = 0;
        Bytes bytes;
        bool keep = true;
    };
    enum class Parse { NeedMore, Unknown, Complete };

    void advanceLocked(std::uint64_t now);
    void after(std::uint64_t ms, std::function<void()> action);
    void feed(std::uint8_t byte);
    Parse match(const Command*& command, std::size_t& length) const;
    void dataByte(std::uint8_t byte);
    // The one way out: every byte the board sends passes the faults here.
    // `answer`: an answer to a command (counted as a round trip), not a
    // byte the board sends on its own.
    void send(Bytes bytes, bool answer = true);
    void record(std::string name, const Bytes& bytes);
    void powerOn();

    // The commands.
    Bytes identificationByte(const Bytes&);
    Bytes serialNumber(const Bytes&);
    Bytes flashToggle(const Bytes&);
    Bytes baudSwitch(const Bytes&);
    Bytes readMemory(const Bytes&);
    Bytes writeMemory(const Bytes&);
    Bytes iapCall(const Bytes&);
    Bytes transferHeader(const Bytes&);
    Bytes transferData(std::uint8_t byte, std::size_t index, bool last);
    Bytes frameRead(const Bytes&);
    Bytes sendLater(const Bytes&);
    Bytes fpgaQuery(const Bytes&);
    Bytes fpgaData(std::uint8_t byte, std::size_t index, bool last);
    Bytes fpgaImage(std::size_t size);
    Bytes masterBlockRead(const Bytes&);
    Bytes masterBlockWrite(const Bytes&);
    Bytes masterBlockData(std::uint8_t byte, std::size_t index, bool last);
    Bytes sfrRead(const Bytes&);
    Bytes sfrWrite(const Bytes&);
    Bytes sfrData(std::uint8_t byte, std::size_t index, bool last);
    Bytes resetTarget(const Bytes&);
    Bytes goCommand(const Bytes&);
    Bytes stepCommand(const Bytes&);
    Bytes stopCommand(const Bytes&);
    Bytes flyingTraceToggle(const Bytes&);
    Bytes traceCounter(const Bytes&);
    Bytes traceCounterData(std::uint8_t byte, std::size_t index, bool last);
    Bytes frameSearch(const Bytes&);
    // Runs the target up to the board's time while nothing else is going on.
    void runTarget();
    Bytes noAnswer(const Bytes&);
    Bytes handshakeStart(const Bytes&);
    Bytes codeRead(const Bytes&);
    Bytes downloadData(std::uint8_t byte, std::size_t index, bool last);
    Bytes codeHandshakeData(std::uint8_t byte, std::size_t index, bool last);
    Bytes memoryByteRead(const Bytes&);
    Bytes memoryBlockRead(const Bytes&);
    Bytes memoryByteWrite(const Bytes&);
    Bytes memoryBlockData(std::uint8_t byte, std::size_t index, bool last);
    Bytes xdataRead(const Bytes&);
    Bytes xdataHandshakeData(std::uint8_t byte, std::size_t index, bool last);
    Bytes selectRange(const Bytes&);
    // sim/board_copy.cpp
    Bytes memoryCopy(const Bytes&);
    Bytes xdataBlock(const Bytes&);
    Bytes fillCommand(const Bytes&);
    std::uint8_t programSource(std::uint8_t hw, std::uint16_t address) const;
    std::uint8_t blockRead(std::uint16_t address) const;
    void blockWrite(std::uint16_t address, std::uint8_t value);
    // sim/select_commands.cpp
    Bytes lineStreamStart(const Bytes&);
    Bytes lineStreamData(std::uint8_t byte, std::size_t index, bool last);
    Bytes logicProbeStart(const Bytes&);
    Bytes logicProbeData(std::uint8_t byte, std::size_t index, bool last);
    Bytes hookStart(const Bytes&);
    Bytes routineRecord(const Bytes&);
    Bytes hookRecord(const Bytes&);

    // A plane of one hardware bank.
    struct Place {
        EmulationMemory::Plane plane;
        std::size_t bank;
    };
    std::uint8_t hardwareBankLocked() const;
    // Where "DN"/"PN" go: a system plane while the monitor is switched to
    // system memory, else (empty) master memory.
    std::optional<Place> blockPlace() const;
    // The power-on values of the cells that switch "DN"/"PN".
    void systemSwitchPowerOn();

    // Master memory as the commands reach it: not there without an image.
    std::uint8_t masterRead(std::uint16_t address) const;
    void masterWrite(std::uint16_t address, std::uint8_t value);

    static const std::vector<Command>& commands();

    platform::Clock& clock_;
    BoardConfig config_;
    FirmwareProfile profile_;
    // Recursive: a fault armed at a command calls the fault setters.
    mutable std::recursive_mutex mutex_;

    Flash flash_;
    Fpga fpga_;
    MasterMemory master_;
    MonitorVariables variables_;
    Target target_;
    TraceMemory trace_;
    Monitor monitor_;
    BreakLogic breaks_;
    SelectCommands selectCommands_;
    RunModel run_;
    CommandLog log_;

    std::uint64_t now_ = 0;  // the board's time: how far advance() has run
    std::vector<Timer> timers_;  // in order of time, ties in order of arming
    Bytes pending_;
    std::optional<DataPhase> data_;
    std::deque<Pending> out_;
    std::uint32_t baud_ = 9600;
    bool rts_ = true, dtr_ = true;
    bool linesWereOff_ = false;
    std::size_t identIndex_ = 0;
    std::size_t junkIndex_ = 0;
    std::optional<std::uint8_t> transferFailure_;
    std::optional<std::pair<std::size_t, std::uint8_t>> transferFault_;
    bool chipErased_ = false;
    bool noReaction_ = false;
    std::vector<std::uint8_t> targetRom_;

    std::optional<std::pair<std::string, std::function<void(Board&)>>> armed_;
    bool silent_ = false;
    std::optional<std::size_t> shortNext_;
    std::optional<Bytes> garbleNext_;
    std::uint32_t delay_ = 0;
    std::uint64_t received_ = 0;
    std::uint64_t sent_ = 0;
    Stats stats_;
};

}  // namespace tarvex::sim
