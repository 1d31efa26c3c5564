#include "sim/board.hpp"

#include <algorithm>

namespace tarvex::sim {

// A row of the command table. A command is its prefix, then arguments up to
// its length; the length is fixed or the firmware profile's. A command with
// a data phase takes as many further bytes as its data count says (usually
// its count byte), one by one. The prefix is also the command's name in the
// log, the data phase is logged under its own name when it ends.
struct Board::Command {
    std::string_view prefix;
    std::size_t length;  // the whole command; 0: the profile says
    Bytes (Board::*run)(const Bytes&);
    // Whether the board's firmware knows this form (empty: every firmware).
    bool (*known)(const FirmwareProfile&, std::string_view prefix) = nullptr;
    // The number of data bytes that follow the command (empty: none).
    std::size_t (*dataCount)(const std::vector<std::uint8_t>& command) = nullptr;
    Bytes (Board::*data)(std::uint8_t, std::size_t, bool) = nullptr;
    std::string_view dataName = {};
    // The length the profile gives (the forms of "n" and "m"), else `length`.
    std::size_t FirmwareProfile::*profileLength = nullptr;

    std::size_t lengthFor(const FirmwareProfile& p) const { return profileLength ? p.*profileLength : length; }
};

namespace {

bool iapForm(const FirmwareProfile& p, std::string_view prefix) { return prefix == p.iapCommand; }
bool transferForm(const FirmwareProfile& p, std::string_view prefix) { return prefix == p.transferCommand; }
bool hasFlashBlocks(const FirmwareProfile& p, std::string_view) { return p.flashBlocks; }
bool hasTraceCounterCommand(const FirmwareProfile& p, std::string_view) { return p.traceVersion == 2; }
// "T 80" reads the counter; any other byte starts a 3-byte write.
std::size_t counterWriteBytes(const std::vector<std::uint8_t>& command) { return command[1] == 0x80 ? 0 : 2; }

std::uint16_t wordAt(const std::vector<std::uint8_t>& bytes, std::size_t i) {
    return static_cast<std::uint16_t>((bytes[i] << 8) | bytes[i + 1]);
}

template <std::size_t At>
std::size_t countByte(const std::vector<std::uint8_t>& command) {
    return command[At];
}
std::size_t oneByte(const std::vector<std::uint8_t>&) { return 1; }
template <std::size_t N>
std::size_t fixedCount(const std::vector<std::uint8_t>&) {
    return N;
}

// Bits 0-2 of the banking control byte name the hardware bank.
constexpr std::uint16_t BankControlAddress = 0xF400;
// "DN"/"PN" reach system memory while monitor variable 1 is 0 and bit 7 of
// the configuration byte (internal RAM 0x22) is clear; bit 6 then chooses
// the system-high plane.
constexpr std::uint16_t SystemSwitchVariable = 1;
constexpr std::uint8_t ConfigByteAddress = 0x22;
constexpr std::uint8_t ConfigMaster = 0x80, ConfigSystemHigh = 0x40;
// The bank byte of "RM"/"DM"/"WM"/"q".
constexpr std::uint8_t BankByteCode = 0x80, BankByteSystemHigh = 0x40;
constexpr std::uint8_t RoutineKey = 0x55;

using Plane = EmulationMemory::Plane;

Plane planeOfBankByte(std::uint8_t bank) {
    if (bank & BankByteCode) return Plane::Code;
    return (bank & BankByteSystemHigh) ? Plane::SystemHigh : Plane::Code;
}

std::uint16_t plus(std::uint16_t address, std::size_t offset) { return static_cast<std::uint16_t>(address + offset); }

}  // namespace

const std::vector<Board::Command>& Board::commands() {
    static const std::vector<Command> table{
        {"x", 1, &Board::identificationByte},
        {"k", 1, &Board::serialNumber},
        {"z", 1, &Board::flashToggle, hasFlashBlocks},
        {"y", 2, &Board::baudSwitch},
        {"RI", 4, &Board::readMemory},
        {"RN", 4, &Board::readMemory},
        {"RV", 4, &Board::readMemory},
        {"WI", 5, &Board::writeMemory},
        {"WN", 5, &Board::writeMemory},
        {"WV", 5, &Board::writeMemory},
        {"aIaP", 9, &Board::iapCall, iapForm},
        {"aFlC", 9, &Board::iapCall, iapForm},
        {"bIaP", 9, &Board::transferHeader, transferForm, countByte<4>, &Board::transferData, "flash data"},
        {"bFlC", 9, &Board::transferHeader, transferForm, countByte<4>, &Board::transferData, "flash data"},
        {"n", 0, &Board::frameRead, nullptr, nullptr, nullptr, {}, &FirmwareProfile::frameCommandLength},
        {"~", 4, &Board::sendLater},
        {"f", 1, &Board::fpgaQuery, nullptr, oneByte, &Board::fpgaData, "fpga"},
        {"DN", 5, &Board::masterBlockRead},
        {"PN", 5, &Board::masterBlockWrite, nullptr, countByte<2>, &Board::masterBlockData, "master data"},
        {"DS", 5, &Board::sfrRead},
        {"PS", 5, &Board::sfrWrite, nullptr, countByte<2>, &Board::sfrData, "sfr data"},
        {"Z", 1, &Board::resetTarget},
        // Run control and the trace board.
        {"G", 1, &Board::goCommand},
        {"S", 1, &Board::stepCommand},
        {"I", 1, &Board::stopCommand},
        {"i", 1, &Board::stopCommand},
        // Told from the lone "o" by the byte after it.
        {"o$p", 3, &Board::logicProbeStart, nullptr, fixedCount<SelectCommands::LogicProbeBytes>,
         &Board::logicProbeData, "logic probes"},
        {"o", 1, &Board::flyingTraceToggle},
        {"T", 2, &Board::traceCounter, hasTraceCounterCommand, counterWriteBytes, &Board::traceCounterData,
         "counter data"},
        {"m", 0, &Board::frameSearch, nullptr, nullptr, nullptr, {}, &FirmwareProfile::searchCommandLength},
        // The emulation memory. Every firmware takes every form; the driver
        // sends the ones of its firmware.
        {"DP", 5, &Board::codeRead},
        {"Dp", 5, &Board::codeRead},
        {"p", 4, &Board::noAnswer, nullptr, countByte<3>, &Board::downloadData, "code data"},
        {"PP", 5, &Board::handshakeStart, nullptr, countByte<2>, &Board::codeHandshakeData, "code data"},
        {"RM", 5, &Board::memoryByteRead},
        {"DM", 6, &Board::memoryBlockRead},
        {"WM", 6, &Board::memoryByteWrite},
        {"q", 5, &Board::noAnswer, nullptr, countByte<4>, &Board::memoryBlockData, "memory data"},
        {"DE", 5, &Board::xdataRead},
        {"PE", 5, &Board::handshakeStart, nullptr, countByte<2>, &Board::xdataHandshakeData, "xdata"},
        {"B", 7, &Board::selectRange},
        {"K", 2, &Board::noAnswer},
        {"\x9A", 4, &Board::lineStreamStart, nullptr, oneByte, &Board::lineStreamData, "line distances"},
        // A bare "FH": whatever follows is the next command.
        {"FH", 2, &Board::hookStart},
        {"h", 6, &Board::routineRecord},
        // The board's own copies and fills (sim/board_copy.cpp); "FP", "FI"
        // and "FN" are told from the bare "FH" by their second letter.
        {"M", 9, &Board::memoryCopy},
        {"J", 8, &Board::xdataBlock},
        {"FP", 7, &Board::fillCommand},
        {"FI", 7, &Board::fillCommand},
        {"FN", 7, &Board::fillCommand},
        {"H", 4, &Board::hookRecord},
    };
    return table;
}

Board::Board(platform::Clock& clock, BoardConfig config)
    : clock_(clock),
      config_(std::move(config)),
      profile_(FirmwareProfile::of(config_.version, config_.deviceVersion)),
      flash_(config_.serialNumber, config_.hardwareId, config_.deviceVersion, config_.block1Date),
      fpga_(config_.fpgaLoaded),
      trace_(master_, variables_, target_.memory(),
             TraceMemory::Config{profile_.traceVersion, config_.frameSize.value_or(profile_.frameSize),
                                 config_.largeTrace, config_.crystalHz}),
      monitor_(master_, target_, variables_, trace_.recorder(), profile_,
               config_.monitor ? &*config_.monitor : nullptr),
      breaks_(master_, target_.memory()),
      run_(target_, monitor_, breaks_, trace_, config_.crystalHz),
      delay_(config_.answerDelayMs) {
    profile_.frameSize = config_.frameSize.value_or(profile_.frameSize);
    profile_.baudResetSelectsBlock0 = config_.baudResetSelectsBlock0;
    if (config_.fpgaImageSize != 0) profile_.fpgaImageSize = config_.fpgaImageSize;
    log_.setCapacity(config_.logCapacity);
    run_.setWindowLine(config_.windowLine);
    fpga_.setQueryAnswer(config_.fpgaQueryAnswer);
    master_.map(0xF500, nullptr, [this](std::uint8_t v) { target_.setResetHeld(v != 0); });
    master_.mapWindow(0x7A00, target_.idataMemory());
    monitor_.powerOn();
    systemSwitchPowerOn();
}

// ---------------------------------------------------------------- time

void Board::advance(std::uint64_t now) {
    std::lock_guard lock(mutex_);
    advanceLocked(now);
}

void Board::advanceLocked(std::uint64_t now) {
    while (!timers_.empty() && timers_.front().at <= now) {
        Timer t = std::move(timers_.front());
        timers_.erase(timers_.begin());
        now_ = std::max(now_, t.at);
        t.action();
    }
    now_ = std::max(now_, now);
    runTarget();
}

// The target runs only between commands: never while one is partly
// received, nor while an answer waits to be read, so that a halt's stop
// byte never lands inside another answer.
void Board::runTarget() {
    if (!run_.running() || !pending_.empty() || data_ || !out_.empty()) return;
    if (auto answer = run_.catchUp(now_)) send(std::move(*answer), false);
}

void Board::after(std::uint64_t ms, std::function<void()> action) {
    const std::uint64_t at = now_ + ms;
    const auto pos = std::upper_bound(timers_.begin(), timers_.end(), at,
                                      [](std::uint64_t t, const Timer& timer) { return t < timer.at; });
    timers_.insert(pos, Timer{at, std::move(action)});
}

// ---------------------------------------------------------------- wire

void Board::receive(const std::uint8_t* data, std::size_t count, std::uint32_t lineBaud) {
    std::lock_guard lock(mutex_);
    advanceLocked(clock_.monotonicMs());
    received_ += count;
    stats_.bytesIn += count;
    if (!rts_ || (lineBaud != 0 && lineBaud != baud_)) {
        record("ignored", Bytes(data, data + count));
        return;
    }
    for (std::size_t i = 0; i < count; ++i) feed(data[i]);
}

std::size_t Board::available() {
    std::lock_guard lock(mutex_);
    advanceLocked(clock_.monotonicMs());
    std::size_t n = 0;
    while (n < out_.size() && out_[n].readyAt <= now_) ++n;
    return n;
}

std::size_t Board::read(std::uint8_t* data, std::size_t count) {
    std::lock_guard lock(mutex_);
    advanceLocked(clock_.monotonicMs());
    std::size_t n = 0;
    while (n < count && !out_.empty() && out_.front().readyAt <= now_) {
        data[n++] = out_.front().byte;
        out_.pop_front();
    }
    return n;
}

std::uint8_t Board::peek() {
    std::lock_guard lock(mutex_);
    advanceLocked(clock_.monotonicMs());
    if (out_.empty() || out_.front().readyAt > now_) return 0;
    return out_.front().byte;
}

std::optional<std::uint64_t> Board::nextReadyAt() {
    std::lock_guard lock(mutex_);
    advanceLocked(clock_.monotonicMs());
    std::optional<std::uint64_t> next;
    if (!out_.empty()) next = out_.front().readyAt;
    if (!timers_.empty() && (!next || timers_.front().at < *next)) next = timers_.front().at;
    // A running target may halt at any moment.
    if (run_.running() && (!next || now_ + 1 < *next)) next = now_ + 1;
    return next;
}

void Board::armAtCommand(std::string prefix, std::function<void(Board&)> fault) {
    std::lock_guard lock(mutex_);
    armed_.emplace(std::move(prefix), std::move(fault));
}

void Board::sendOnOwn(std::uint32_t ms, std::uint8_t byte) {
    std::lock_guard lock(mutex_);
    advanceLocked(clock_.monotonicMs());
    after(ms, [this, byte] { send({byte}, false); });
}

bool Board::faultArmed() const {
    std::lock_guard lock(mutex_);
    return armed_.has_value();
}

void Board::clearFaults() {
    std::lock_guard lock(mutex_);
    armed_.reset();
    silent_ = false;
    shortNext_.reset();
    garbleNext_.reset();
    delay_ = 0;
    noReaction_ = false;
    transferFailure_.reset();
    transferFault_.reset();
    run_.setStopRefused(false);
    run_.setHardStopRefused(false);
    run_.setNeverHalts(false);
    run_.clearHaltFault();
}

void Board::purgeOutput() {
    std::lock_guard lock(mutex_);
    advanceLocked(clock_.monotonicMs());
    // Only what is on its way to the host: answers the board has not sent
    // yet come afterwards, as they would on a real line.
    while (!out_.empty() && out_.front().readyAt <= now_) out_.pop_front();
}

void Board::inject(const Bytes& bytes) {
    std::lock_guard lock(mutex_);
    advanceLocked(clock_.monotonicMs());
    // They were sent before anything still queued.
    for (auto it = bytes.rbegin(); it != bytes.rend(); ++it) out_.push_front(Pending{*it, now_});
}

void Board::setLines(bool rts, bool dtr) {
    std::lock_guard lock(mutex_);
    if (!rts && !dtr) linesWereOff_ = true;
    if (rts && dtr && linesWereOff_) {
        linesWereOff_ = false;
        powerOn();
    }
    rts_ = rts;
    dtr_ = dtr;
}

void Board::reset() {
    std::lock_guard lock(mutex_);
    powerOn();
}

void Board::powerCycle() {
    std::lock_guard lock(mutex_);
    fpga_.powerCycle();
    monitor_.powerOn();
    systemSwitchPowerOn();
    powerOn();
}

// The monitor comes up with master memory behind "DN"/"PN"; a system
// access switches to the system planes and back.
void Board::systemSwitchPowerOn() {
    variables_.set(SystemSwitchVariable, 1);
    target_.setIdata(ConfigByteAddress, ConfigMaster);
}

void Board::powerOn() {
    // A reset in the middle of a load leaves the FPGA half configured.
    if (fpga_.loading()) fpga_.abortLoad();
    baud_ = 9600;
    flash_.select(0);
    pending_.clear();
    data_.reset();
    out_.clear();
    timers_.clear();
    identIndex_ = 0;
    target_.setResetHeld(false);
    run_.haltQuietly();
    chipErased_ = false;
    record("reset", {});
}

// ---------------------------------------------------------------- faults

void Board::setSilent(bool on) {
    std::lock_guard lock(mutex_);
    silent_ = on;
}

void Board::shortenNextAnswer(std::size_t keep) {
    std::lock_guard lock(mutex_);
    shortNext_ = keep;
}

void Board::garbleNextAnswer(Bytes bytes) {
    std::lock_guard lock(mutex_);
    garbleNext_ = std::move(bytes);
}

void Board::setAnswerDelay(std::uint32_t ms) {
    std::lock_guard lock(mutex_);
    delay_ = ms;
}

void Board::failFlashByteAt(std::size_t index, std::uint8_t value, std::size_t skipTransfers) {
    std::lock_guard lock(mutex_);
    flash_.failByteAt(index, value, skipTransfers);
}

void Board::failFlashTransfer(std::size_t transfer, std::uint8_t value) {
    std::lock_guard lock(mutex_);
    transferFault_ = std::make_pair(transfer, value);
}

bool Board::chipErased() const {
    std::lock_guard lock(mutex_);
    return chipErased_;
}

void Board::failFpgaLoad(std::uint8_t answer) {
    std::lock_guard lock(mutex_);
    fpga_.failNextLoad(answer);
}

void Board::setNoReaction(bool on) {
    std::lock_guard lock(mutex_);
    noReaction_ = on;
}

void Board::failNextHalt() {
    std::lock_guard lock(mutex_);
    run_.failNextHalt();
}

void Board::setStopRefused(bool on) {
    std::lock_guard lock(mutex_);
    run_.setStopRefused(on);
}

void Board::setHardStopRefused(bool on) {
    std::lock_guard lock(mutex_);
    run_.setHardStopRefused(on);
}

void Board::setNeverHalts(bool on) {
    std::lock_guard lock(mutex_);
    run_.setNeverHalts(on);
}

void Board::setPortPins(unsigned port, std::uint8_t value) {
    std::lock_guard lock(mutex_);
    run_.setPortPins(port, value);
}

void Board::setLogicProbes(std::uint8_t probe1, std::uint8_t probe2) {
    std::lock_guard lock(mutex_);
    trace_.setLogicProbes(probe1, probe2);
}

void Board::runCycles(std::uint64_t cycles) {
    std::lock_guard lock(mutex_);
    if (auto answer = run_.runCycles(cycles)) send(std::move(*answer), false);
}

bool Board::targetRunning() const {
    std::lock_guard lock(mutex_);
    return run_.running();
}

bool Board::flyingTrace() const {
    std::lock_guard lock(mutex_);
    return run_.flyingTrace();
}

void Board::withCpu(const std::function<void(const Cpu8051&)>& use) const {
    std::lock_guard lock(mutex_);
    use(run_.cpu());
}

void Board::withTrace(const std::function<void(TraceMemory&)>& use) {
    std::lock_guard lock(mutex_);
    use(trace_);
}

void Board::send(Bytes bytes, bool answer) {
    if (bytes.empty() || silent_ || chipErased_) return;
    if (answer) ++stats_.roundTrips;
    if (garbleNext_) {
        bytes = std::move(*garbleNext_);
        garbleNext_.reset();
    }
    if (shortNext_) {
        bytes.resize(std::min(bytes.size(), *shortNext_));
        shortNext_.reset();
    }
    // Bytes leave in order: none is ready before the one sent ahead of it.
    std::uint64_t readyAt = now_ + delay_;
    if (!out_.empty()) readyAt = std::max(readyAt, out_.back().readyAt);
    for (std::uint8_t b : bytes) out_.push_back(Pending{b, readyAt});
    sent_ += bytes.size();
    stats_.bytesOut += bytes.size();
}

// ---------------------------------------------------------------- inspection

std::vector<CommandRecord> Board::log() const {
    std::lock_guard lock(mutex_);
    return log_.entries();
}

CommandTally Board::tally(std::string_view name) const {
    std::lock_guard lock(mutex_);
    return log_.tally(name);
}

std::uint64_t Board::droppedLogEntries() const {
    std::lock_guard lock(mutex_);
    return log_.dropped();
}

void Board::setLogCapacity(std::size_t entries) {
    std::lock_guard lock(mutex_);
    log_.setCapacity(entries);
}

void Board::printLog(std::ostream& out) const {
    std::lock_guard lock(mutex_);
    log_.print(out);
}

void Board::clearLog() {
    std::lock_guard lock(mutex_);
    log_.clear();
}

std::uint32_t Board::baud() const {
    std::lock_guard lock(mutex_);
    return baud_;
}

std::uint8_t Board::flashBlock() const {
    std::lock_guard lock(mutex_);
    return flash_.block();
}

std::uint8_t Board::master(std::uint16_t address) const {
    std::lock_guard lock(mutex_);
    return master_.peek(address);
}

void Board::setMaster(std::uint16_t address, std::uint8_t value) {
    std::lock_guard lock(mutex_);
    master_.poke(address, value);
}

std::uint8_t Board::internal(std::uint8_t address) const {
    std::lock_guard lock(mutex_);
    return target_.idata(address);
}

std::uint8_t Board::sfr(std::uint8_t address) const {
    std::lock_guard lock(mutex_);
    return target_.sfr(address);
}

std::uint8_t Board::variable(std::uint16_t index) const {
    std::lock_guard lock(mutex_);
    return variables_.get(index);
}

std::uint8_t Board::flash(std::uint8_t block, std::uint16_t address) const {
    std::lock_guard lock(mutex_);
    return flash_.at(block, address);
}

Board::Stats Board::stats() const {
    std::lock_guard lock(mutex_);
    return stats_;
}

void Board::resetStats() {
    std::lock_guard lock(mutex_);
    stats_ = Stats{};
}

bool Board::fpgaLoaded() const {
    std::lock_guard lock(mutex_);
    return fpga_.loaded();
}

std::size_t Board::fpgaImageBytes() const {
    std::lock_guard lock(mutex_);
    return fpga_.imageBytes();
}

std::uint64_t Board::bytesReceived() const {
    std::lock_guard lock(mutex_);
    return received_;
}

std::uint64_t Board::bytesSent() const {
    std::lock_guard lock(mutex_);
    return sent_;
}

void Board::withTarget(const std::function<void(Target&, TraceRecorder&)>& use) {
    std::lock_guard lock(mutex_);
    use(target_, trace_.recorder());
}

std::uint8_t Board::code(std::size_t hw, std::uint16_t address) const {
    std::lock_guard lock(mutex_);
    return target_.memory().code(hw, address);
}

std::uint8_t Board::system(std::size_t hw, bool high, std::uint16_t address) const {
    std::lock_guard lock(mutex_);
    return target_.memory().read(high ? Plane::SystemHigh : Plane::Code, hw, address);
}

std::uint8_t Board::select(std::size_t hw, std::uint16_t address) const {
    std::lock_guard lock(mutex_);
    return target_.memory().read(Plane::Select, hw, address);
}

std::uint8_t Board::xdata(std::uint16_t address) const {
    std::lock_guard lock(mutex_);
    return target_.memory().xdata(address);
}

EmulationMemory::Routine Board::routine(std::size_t hw, std::uint8_t number) const {
    std::lock_guard lock(mutex_);
    return target_.memory().routine(hw, number);
}

EmulationMemory::Hooks Board::hooks(std::size_t hw) const {
    std::lock_guard lock(mutex_);
    return target_.memory().hooks(hw);
}

std::uint8_t Board::hardwareBank() const {
    std::lock_guard lock(mutex_);
    return hardwareBankLocked();
}

void Board::setCode(std::size_t hw, std::uint16_t address, std::uint8_t value) { setCode(hw, address, Bytes{value}); }

void Board::setCode(std::size_t hw, std::uint16_t address, const Bytes& bytes) {
    std::lock_guard lock(mutex_);
    for (std::size_t i = 0; i < bytes.size(); ++i) target_.memory().setCode(hw, plus(address, i), bytes[i]);
}

void Board::setSystem(std::size_t hw, bool high, std::uint16_t address, std::uint8_t value) {
    std::lock_guard lock(mutex_);
    target_.memory().write(high ? Plane::SystemHigh : Plane::Code, hw, address, value);
}

void Board::setSelect(std::size_t hw, std::uint16_t address, std::uint8_t value) {
    std::lock_guard lock(mutex_);
    target_.memory().write(Plane::Select, hw, address, value);
}

void Board::setXdata(std::uint16_t address, std::uint8_t value) { setXdata(address, Bytes{value}); }

void Board::setXdata(std::uint16_t address, const Bytes& bytes) {
    std::lock_guard lock(mutex_);
    for (std::size_t i = 0; i < bytes.size(); ++i) target_.memory().setXdata(plus(address, i), bytes[i]);
}

// ---------------------------------------------------------------- parser

void Board::record(std::string name, const Bytes& bytes) { log_.add(CommandRecord{std::move(name), bytes, baud_}); }

Board::Parse Board::match(const Command*& command, std::size_t& length) const {
    bool partial = false;
    for (const Command& c : commands()) {
        if (c.known && !c.known(profile_, c.prefix)) continue;
        const std::size_t n = std::min(pending_.size(), c.prefix.size());
        if (!std::equal(c.prefix.begin(), c.prefix.begin() + static_cast<std::ptrdiff_t>(n), pending_.begin(),
                        [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; }))
            continue;
        if (n < c.prefix.size()) {
            partial = true;
            continue;
        }
        if (command == nullptr) {
            command = &c;
            length = c.lengthFor(profile_);
        }
    }
    // A longer command that the bytes so far begin ("o$p" against "o")
    // waits for the byte that tells them apart.
    if (partial) return Parse::NeedMore;
    if (command == nullptr) return Parse::Unknown;
    return pending_.size() >= length ? Parse::Complete : Parse::NeedMore;
}

void Board::feed(std::uint8_t byte) {
    if (data_) {
        dataByte(byte);
        return;
    }
    pending_.push_back(byte);
    while (!pending_.empty()) {
        const Command* c = nullptr;
        std::size_t length = 0;
        const Parse p = match(c, length);
        if (p == Parse::NeedMore) return;
        if (p == Parse::Unknown) {
            record("?", {pending_[0]});
            pending_.erase(pending_.begin());
            continue;
        }
        const Bytes command(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(length));
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(length));
        record(std::string(c->prefix), command);
        ++stats_.commands;
        if (armed_ && armed_->first == c->prefix) {
            const auto fault = std::move(armed_->second);
            armed_.reset();
            fault(*this);
        }
        send((this->*c->run)(command));
        const std::size_t count = c->dataCount ? c->dataCount(command) : 0;
        if (count != 0) {
            data_ = DataPhase{c, command, count, 0, {}, true};
            // Bytes that came with the header belong to the data phase.
            const Bytes rest = std::move(pending_);
            pending_.clear();
            for (std::uint8_t b : rest) feed(b);
            return;
        }
    }
}

void Board::dataByte(std::uint8_t byte) {
    DataPhase& d = *data_;
    if (d.keep) d.bytes.push_back(byte);
    const std::size_t index = d.index++;
    const bool last = --d.remaining == 0;
    Bytes answer = (this->*d.command->data)(byte, index, last);
    // The handler may have lengthened the phase.
    if (d.remaining == 0) {
        record(std::string(d.command->dataName), d.bytes);
        data_.reset();
    }
    send(std::move(answer));
}

// ---------------------------------------------------------------- commands

Board::Bytes Board::identificationByte(const Bytes&) {
    if (junkIndex_ < config_.junkPrefix.size()) return {config_.junkPrefix[junkIndex_++]};
    const std::string text = config_.version + config_.identification;
    if (text.empty()) return {};
    const auto byte = static_cast<std::uint8_t>(text[identIndex_++ % text.size()]);
    if (identIndex_ % text.size() == 0) ++stats_.handshakes;
    return {byte};
}

Board::Bytes Board::serialNumber(const Bytes&) {
    return {static_cast<std::uint8_t>(config_.serialNumber >> 8), static_cast<std::uint8_t>(config_.serialNumber),
            config_.hardwareId};
}

Board::Bytes Board::flashToggle(const Bytes&) {
    flash_.toggle();
    return {};
}

Board::Bytes Board::baudSwitch(const Bytes& cmd) {
    // Unknown codes leave the rate alone.
    if (cmd[1] == 0x04) {
        baud_ = 9600;
        if (profile_.baudResetSelectsBlock0) flash_.select(0);
    } else if (cmd[1] == 0x02) {
        baud_ = 38400;
    } else if (cmd[1] == 0x00) {
        baud_ = 115200;
    }
    return {};
}

Board::Bytes Board::readMemory(const Bytes& cmd) {
    switch (cmd[1]) {
        case 'I': return {target_.idata(cmd[3])};
        case 'N': return {masterRead(wordAt(cmd, 2))};
        default: return {variables_.get(wordAt(cmd, 2))};
    }
}

Board::Bytes Board::writeMemory(const Bytes& cmd) {
    switch (cmd[1]) {
        case 'I': target_.setIdata(cmd[3], cmd[4]); break;
        case 'N': masterWrite(wordAt(cmd, 2), cmd[4]); break;
        default: variables_.set(wordAt(cmd, 2), cmd[4]); break;
    }
    return {};
}

Board::Bytes Board::iapCall(const Bytes& cmd) {
    const std::uint8_t answer = flash_.iap(cmd[5], wordAt(cmd, 6), cmd[8], config_.iapInfo);
    // The chip erase takes the monitor with it: no answer, nothing after it.
    if (cmd[5] == 8) {
        chipErased_ = true;
        return {};
    }
    return {answer};
}

Board::Bytes Board::transferHeader(const Bytes& cmd) {
    const std::uint8_t count = cmd[4];
    const std::uint16_t address = wordAt(cmd, 7);
    // Byte-wise the header names the last byte's address, else the first's;
    // the data come last byte first.
    flash_.beginTransfer(profile_.byteWiseTransfer ? address : static_cast<std::uint16_t>(address + count - 1));
    transferFailure_.reset();
    if (count == 0) return {0x00};
    return {};
}

Board::Bytes Board::transferData(std::uint8_t byte, std::size_t index, bool last) {
    const std::uint8_t answer = flash_.transferByte(byte, index);
    if (profile_.byteWiseTransfer) return {answer};
    if (answer != 0 && !transferFailure_) transferFailure_ = answer;
    if (last) {
        if (transferFault_) {
            if (transferFault_->first == 0) {
                transferFailure_ = transferFault_->second;
                transferFault_.reset();
            } else {
                --transferFault_->first;
            }
        }
        return {transferFailure_.value_or(0x00)};
    }
    return {};
}

Board::Bytes Board::frameRead(const Bytes& cmd) {
    std::uint32_t counter = wordAt(cmd, 1);
    std::uint8_t count = 1;
    if (profile_.frameCommandLength >= 5) {
        counter = (static_cast<std::uint32_t>(cmd[1]) << 16) | wordAt(cmd, 2);
        count = cmd[4];
    } else if (profile_.frameCommandLength == 4) {
        count = cmd[3];
    }
    return trace_.recorder().frames(counter, profile_.framesAnswered(count));
}

Board::Bytes Board::sendLater(const Bytes& cmd) {
    const std::uint8_t byte = cmd[3];
    after(wordAt(cmd, 1), [this, byte] { send({byte}, false); });
    return {};
}

// ---------------------------------------------------------------- FPGA and master blocks

std::uint8_t Board::masterRead(std::uint16_t address) const { return fpga_.loaded() ? master_.read(address) : 0xFF; }

void Board::masterWrite(std::uint16_t address, std::uint8_t value) {
    if (fpga_.loaded()) master_.write(address, value);
}

Board::Bytes Board::fpgaQuery(const Bytes&) { return {fpga_.queryAnswer()}; }

// Data byte 0 decides: 0xFF loads, anything else keeps the image. From
// firmware code 21 two size bytes (high first) come before the image; below,
// the board knows the size of its generation's image.
Board::Bytes Board::fpgaData(std::uint8_t byte, std::size_t index, bool) {
    DataPhase& d = *data_;
    if (index == 0) {
        if (byte != 0xFF) return {};
        if (profile_.fpgaSizeSent) {
            d.remaining += 2;
            return {};
        }
        return fpgaImage(profile_.fpgaImageSize);
    }
    if (!fpga_.loading()) return index == 2 ? fpgaImage(wordAt(d.bytes, 1)) : Bytes{};
    if (fpga_.take()) return {fpga_.finishLoad()};
    return {};
}

Board::Bytes Board::fpgaImage(std::size_t size) {
    fpga_.beginLoad(size);
    data_->keep = false;
    if (size == 0) return {fpga_.finishLoad()};
    data_->remaining += size;
    return {};
}

// The byte after the count is the address (high first), wrapping at 64 KB.
// The monitor's switch decides between master memory and a system plane.
Board::Bytes Board::masterBlockRead(const Bytes& cmd) {
    Bytes out(cmd[2]);
    const std::uint16_t address = wordAt(cmd, 3);
    const std::optional<Place> place = blockPlace();
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = place ? target_.memory().read(place->plane, place->bank, plus(address, i))
                       : masterRead(plus(address, i));
    return out;
}

Board::Bytes Board::masterBlockWrite(const Bytes&) { return {}; }

Board::Bytes Board::masterBlockData(std::uint8_t byte, std::size_t index, bool) {
    const std::uint16_t address = plus(wordAt(data_->header, 3), index);
    if (const std::optional<Place> place = blockPlace())
        target_.memory().write(place->plane, place->bank, address, byte);
    else
        masterWrite(address, byte);
    return {};
}

std::optional<Board::Place> Board::blockPlace() const {
    const std::uint8_t config = target_.idata(ConfigByteAddress);
    if (variables_.get(SystemSwitchVariable) != 0 || (config & ConfigMaster) != 0) return std::nullopt;
    return Place{(config & ConfigSystemHigh) ? Plane::SystemHigh : Plane::Code, hardwareBankLocked()};
}

std::uint8_t Board::hardwareBankLocked() const { return master_.peek(BankControlAddress) & 0x07; }

// ---------------------------------------------------------------- monitor

Board::Bytes Board::sfrRead(const Bytes& cmd) { return monitor_.readSfrs(wordAt(cmd, 3), cmd[2]); }

// The monitor answers before it takes the values.
Board::Bytes Board::sfrWrite(const Bytes&) { return {0x00}; }

Board::Bytes Board::sfrData(std::uint8_t byte, std::size_t index, bool) {
    monitor_.writeSfr(wordAt(data_->header, 3), index, byte);
    return {};
}

Board::Bytes Board::resetTarget(const Bytes&) {
    if (noReaction_) return {0xFF};
    run_.resetCpu();
    Bytes answer = profile_.code >= 21 && config_.specialReset ? Bytes{0xFE, 0x00} : Bytes{0x00};
    const Bytes registers = monitor_.resetTarget();
    answer.insert(answer.end(), registers.begin(), registers.end());
    return answer;
}

// ---------------------------------------------------------------- run control and trace

// The CPU executes from the code plane of the hardware bank in master
// 0xF400 at the time of "G" or "S".
Board::Bytes Board::goCommand(const Bytes&) {
    run_.go(now_, master_.peek(BankControlAddress));
    return {};
}

Board::Bytes Board::stepCommand(const Bytes&) {
    return run_.step(master_.peek(BankControlAddress));
}

// "I" and "i" to a halted target find nothing to answer.
Board::Bytes Board::stopCommand(const Bytes& cmd) { return run_.stop(cmd[0] == 'i').value_or(Bytes{}); }

Board::Bytes Board::flyingTraceToggle(const Bytes&) {
    run_.toggleFlyingTrace();
    return {};
}

Board::Bytes Board::traceCounter(const Bytes& cmd) {
    if (cmd[1] == 0x80) return trace_.counterRead();
    return {};
}

Board::Bytes Board::traceCounterData(std::uint8_t, std::size_t, bool last) {
    if (!last) return {};
    const Bytes& d = data_->bytes;
    trace_.counterWrite(static_cast<std::uint32_t>(data_->header[1]) << 16 | static_cast<std::uint32_t>(d[0]) << 8 |
                        d[1]);
    return {};
}

Board::Bytes Board::frameSearch(const Bytes& cmd) { return trace_.search(cmd); }

// ---------------------------------------------------------------- emulation memory
// Every address on the wire is physical: the code commands address the code
// plane of the hardware bank in master 0xF400, the others name their bank in
// a bank byte. Addresses wrap within the plane.

Board::Bytes Board::noAnswer(const Bytes&) { return {}; }

// The board answers 0x00 before each data byte of a handshake write: the
// first answer ends the command, the others follow the data bytes but the
// last.
Board::Bytes Board::handshakeStart(const Bytes& cmd) {
    if (cmd[2] == 0) return {};
    return {0x00};
}

Board::Bytes Board::codeRead(const Bytes& cmd) {
    Bytes out(cmd[2]);
    const std::uint16_t address = wordAt(cmd, 3);
    const std::uint8_t hw = hardwareBankLocked();
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = target_.memory().code(hw, plus(address, i));
    return out;
}

Board::Bytes Board::downloadData(std::uint8_t byte, std::size_t index, bool) {
    target_.memory().setCode(hardwareBankLocked(), plus(wordAt(data_->header, 1), index), byte);
    return {};
}

Board::Bytes Board::codeHandshakeData(std::uint8_t byte, std::size_t index, bool last) {
    target_.memory().setCode(hardwareBankLocked(), plus(wordAt(data_->header, 3), index), byte);
    if (last) return {};
    return {0x00};
}

Board::Bytes Board::memoryByteRead(const Bytes& cmd) {
    return {target_.memory().read(planeOfBankByte(cmd[4]), cmd[4], wordAt(cmd, 2))};
}

Board::Bytes Board::memoryBlockRead(const Bytes& cmd) {
    Bytes out(cmd[2]);
    const std::uint16_t address = wordAt(cmd, 3);
    const std::uint8_t bank = cmd[5];
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = target_.memory().read(planeOfBankByte(bank), bank, plus(address, i));
    return out;
}

Board::Bytes Board::memoryByteWrite(const Bytes& cmd) {
    target_.memory().write(planeOfBankByte(cmd[4]), cmd[4], wordAt(cmd, 2), cmd[5]);
    return {};
}

Board::Bytes Board::memoryBlockData(std::uint8_t byte, std::size_t index, bool) {
    const Bytes& cmd = data_->header;
    target_.memory().write(planeOfBankByte(cmd[3]), cmd[3], plus(wordAt(cmd, 1), index), byte);
    return {};
}

Board::Bytes Board::xdataRead(const Bytes& cmd) {
    Bytes out(cmd[2]);
    const std::uint16_t address = wordAt(cmd, 3);
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = target_.memory().xdata(plus(address, i));
    return out;
}

Board::Bytes Board::xdataHandshakeData(std::uint8_t byte, std::size_t index, bool last) {
    target_.memory().setXdata(plus(wordAt(data_->header, 3), index), byte);
    if (last) return {};
    return {0x00};
}

// From the first to the last address, both included; a last address below
// the first changes nothing.
Board::Bytes Board::selectRange(const Bytes& cmd) {
    const std::uint16_t first = wordAt(cmd, 1), last = wordAt(cmd, 3);
    const std::uint8_t mask = cmd[5], flag = cmd[6];
    const std::uint8_t hw = hardwareBankLocked();
    EmulationMemory& memory = target_.memory();
    for (std::uint32_t a = first; a <= last; ++a) {
        const auto address = static_cast<std::uint16_t>(a);
        const std::uint8_t old = memory.read(Plane::Select, hw, address);
        std::uint8_t value = old;
        if (flag == 0x01) value = static_cast<std::uint8_t>(old | mask);
        else if (flag == 0x00) value = static_cast<std::uint8_t>(old & mask);
        else if (flag == 0x02) value = mask;
        memory.write(Plane::Select, hw, address, value);
    }
    return {0x00};
}

Board::Bytes Board::hookStart(const Bytes&) {
    target_.memory().clearHookTables(hardwareBankLocked());
    return {0x00};
}

Board::Bytes Board::routineRecord(const Bytes& cmd) {
    EmulationMemory::Routine routine{};
    for (std::size_t i = 0; i < routine.size(); ++i) routine[i] = static_cast<std::uint8_t>(cmd[2 + i] ^ RoutineKey);
    target_.memory().setRoutine(hardwareBankLocked(), cmd[1], routine);
    return {};
}

Board::Bytes Board::hookRecord(const Bytes& cmd) {
    target_.memory().setHook(hardwareBankLocked(), wordAt(cmd, 1), cmd[3]);
    return {};
}

}  // namespace tarvex::sim
