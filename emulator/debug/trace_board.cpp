#include "emulator/debug/trace_board.hpp"

#include <algorithm>

#include "core/bank_adressen.hpp"
#include "core/errors.hpp"
#include "core/format.hpp"
#include "core/line_table.hpp"
#include "core/messages.hpp"
#include "core/symbol_table.hpp"
#include "core/target_interfaces.hpp"
#include "emulator/banking.hpp"
#include "emulator/debug/select_kinds.hpp"
#include "emulator/disassembler.hpp"
#include "emulator/emulator.hpp"
#include "emulator/memory_spaces.hpp"
#include "emulator/sfr_config.hpp"
#include "platform/stream.hpp"

namespace tarvex {

namespace {

std::string hex2(std::uint8_t v) { return Format("%.2X", v); }

std::string binary8(std::uint8_t v) {
    std::string s;
    for (int bit = 7; bit >= 0; --bit) s += ((v >> bit) & 1) ? '1' : '0';
    return s;
}

// The status bank bits 1-3 hold the bank with its bit order reversed.
std::uint8_t reverse3(std::uint8_t bits) {
    return static_cast<std::uint8_t>(((bits >> 3) & 1) | ((bits >> 1) & 2) | ((bits << 1) & 4));
}

// Mask and value bits of a pattern's characters, first character = the top
// bit: "0" masks, "1" masks and sets, anything else leaves both clear.
void patternBits(std::string_view chars, std::uint8_t& mask, std::uint8_t& value) {
    mask = value = 0;
    const int n = static_cast<int>(chars.size());
    for (int k = 0; k < n; ++k) {
        const auto bit = static_cast<std::uint8_t>(1u << (n - 1 - k));
        if (chars[static_cast<std::size_t>(k)] == '0') mask |= bit;
        if (chars[static_cast<std::size_t>(k)] == '1') {
            mask |= bit;
            value |= bit;
        }
    }
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

}  // namespace

// ---------------------------------------------------------------- frames

void TTraceFrame::Decode(std::string_view record, std::uint32_t index) {
    Clear();
    const std::size_t e = Extended ? 1 : 0;
    if (record.size() < RecordSize()) return;
    const auto at = [&](std::size_t i) { return static_cast<std::uint8_t>(record[i]); };
    Status = at(0);
    Data = at(1);
    AddressHigh = at(2);
    AddressLow = at(3);
    Port1 = at(4);
    Port2 = e ? at(5) : static_cast<std::uint8_t>(Status & 0x0F);
    TimeStamp = static_cast<std::uint32_t>(at(5 + e)) << 24 | static_cast<std::uint32_t>(at(6 + e)) << 16 |
                static_cast<std::uint32_t>(at(7 + e)) << 8 | at(8 + e);
    Operand1 = at(9 + e);
    Operand2 = at(10 + e);
    Operand3 = 0;
    OperandsValid = CycleKind() != KindOpcode ? 1 : 0;
    Index = index;
}

std::string TTraceFrame::DataText() const { return hex2(Data); }

std::string TTraceFrame::CycleText() const {
    switch (CycleKind()) {
    case KindOpcode: return "OPCODE";
    case KindRead: return " READ ";
    case KindWrite: return " WRITE";
    default: return "";
    }
}

std::string TTraceFrame::LogicProbeText() const {
    switch (Status & 0x90) {
    case 0x10: return "1";
    case 0x80: return "2";
    case 0x00: return "1+2";
    default: return "";
    }
}

std::string TTraceFrame::PortText() const {
    const std::string text = binary8(Port2) + binary8(Port1);
    return Extended ? text : text.substr(4);
}

std::string TTraceFrame::RawText() const {
    std::string s;
    for (std::uint8_t b : {Status, Data, AddressHigh, AddressLow, Port1, Port2}) s += static_cast<char>(b);
    s += Format("%.8X", TimeStamp);
    s += static_cast<char>(Operand1);
    s += static_cast<char>(Operand2);
    s += Format("%.8X", Index);
    return s;
}

TModulItem* TModulList::Find(std::uint8_t module, std::uint16_t file) const {
    for (const auto& item : items_)
        if (item->module == module && item->file == file) return item.get();
    return nullptr;
}

TModulItem* TModulList::Add(std::unique_ptr<TModulItem> item) {
    items_.push_back(std::move(item));
    return items_.back().get();
}

// ---------------------------------------------------------------- base

TBasisTracePlatine::TBasisTracePlatine() : currentFrame_(std::make_unique<TTraceFrame>(0)) {}
TBasisTracePlatine::~TBasisTracePlatine() = default;

std::uint32_t TBasisTracePlatine::HardwareIndex(std::uint32_t logical) const {
    return systemMode_ ? logical : (logical + firstIndex_) & indexMask_;
}

std::uint32_t TBasisTracePlatine::LogicalIndex(std::uint32_t hardware) const {
    return (hardware - firstIndex_) & indexMask_;
}

void TBasisTracePlatine::UpdateCounts(bool overflow) {
    const std::uint32_t capacity = Capacity();
    if (!overflow) {
        // Masked: after an overflow moved the window the counter may lie
        // below the oldest frame without a new overflow.
        frameCount_ = (counter_ - firstIndex_) & indexMask_;
    } else if (breakOnOverflow_) {
        std::uint64_t count = static_cast<std::uint32_t>(overflowCounter_);
        if (stepOverflowArmed_) count += counter_;
        if (count > capacity) {
            frameCount_ = capacity;
            firstIndex_ = counter_;
            countsChanged_ = true;
        } else {
            frameCount_ = static_cast<std::uint32_t>(count);
        }
    } else {
        frameCount_ = capacity;
        firstIndex_ = counter_;
        countsChanged_ = true;
    }
    if (systemMode_) {
        frameCount_ = indexMask_;
        firstIndex_ = counter_;
        countsChanged_ = true;
    }
    if (countsChanged_) {
        countsChanged_ = false;
        notify(notify::TraceChanged);
    }
}

void TBasisTracePlatine::SetOverflowCounter(std::int32_t value) {
    if (value < 1 || static_cast<std::uint32_t>(value) > Capacity())
        throw ETraceError(FmtLoadStr(211, std::string(LoadStr(347))));
    overflowCounter_ = value;
}

TTraceCycles TBasisTracePlatine::Zyklen() const {
    if (!select_) return zyklen_;
    TTraceCycles set = 0;
    for (int kind : SelectKindsOf(SelectRole::Trace)) {
        switch (select_->CycleQualifierMode(kind) & 0x7F) {
        case 0:
        case 1: set |= CycleSet(TC_Opcode); break;
        case 2: set |= CycleSet(TC_Fetch); break;
        case 3: set |= CycleSet(TC_Read); break;
        case 4: set |= CycleSet(TC_Write); break;
        case 5: set |= CycleSet(TC_Read) | CycleSet(TC_Write); break;
        default: break;
        }
    }
    return set;
}

void TBasisTracePlatine::SetZyklen(TTraceCycles cycles) {
    if (cycles == Zyklen() && select_) return;
    const TTraceCycles opcode = CycleSet(TC_Opcode), fetch = CycleSet(TC_Fetch), read = CycleSet(TC_Read),
                       write = CycleSet(TC_Write);
    if (select_ && select_->HighLevelMode() && cycles != opcode) throw ETraceError(std::string(LoadStr(162)));
    static const struct {
        TTraceCycles set;
        std::uint8_t code;
    } codes[] = {{static_cast<TTraceCycles>(opcode | read | write), 0},
                 {static_cast<TTraceCycles>(read | write), 1},
                 {static_cast<TTraceCycles>(fetch | read | write), 2},
                 {opcode, 4},
                 {read, 5},
                 {fetch, 6},
                 {write, 7}};
    for (const auto& c : codes) {
        if (c.set == cycles) {
            cycleCode_ = c.code;
            zyklen_ = cycles;
            return;
        }
    }
    throw ETraceError(std::string(LoadStr(161)));
}

TSplitTime TBasisTracePlatine::SplitTime(std::uint32_t value, int timeBase) {
    static const std::uint64_t unitsPerMinute[4] = {600'000'000, 60'000'000, 6'000'000, 6'000'000};
    const std::uint64_t units = unitsPerMinute[timeBase & 3];
    std::uint64_t minutes = value / units;
    const std::uint64_t rest = value % units;
    const std::uint64_t hours = minutes / 60;
    minutes %= 60;
    std::string s = std::to_string(rest);
    std::string fraction;
    if ((timeBase & 3) == 0) {
        fraction = std::string(",") + s.back();
        s.pop_back();
        if (s.empty()) s = "0";
    } else if ((timeBase & 3) == 2) {
        s += "0";
    }
    TSplitTime out;
    if (minutes > 0 || hours >= 1) {
        std::string m = std::to_string(minutes);
        if (hours > 0) m = (minutes < 10 ? "0" : "") + m;
        out.minutes = (hours > 0 ? std::to_string(hours) + ":" : std::string()) + m + "'";
    }
    if (s.size() <= 3) {
        out.micros = s;
    } else {
        out.micros = s.substr(s.size() - 3);
        std::string t = s.substr(0, s.size() - 3);
        if (t.size() <= 3)
            out.seconds = "0\"" + std::string(3 - t.size(), '0') + t;
        else
            out.seconds = t.substr(0, t.size() - 3) + "\"" + t.substr(t.size() - 3);
        if (!out.minutes.empty() && out.seconds.find('"') == 1) out.seconds = "0" + out.seconds;
    }
    out.micros += fraction;
    return out;
}

std::string TBasisTracePlatine::TimeText(std::uint32_t value, int timeBase) {
    const TSplitTime t = SplitTime(value, timeBase);
    return t.minutes + t.seconds + (t.seconds.empty() ? "" : ".") + t.micros + " \xC2\xB5s";
}

void TBasisTracePlatine::EncodeQualifier(TTraceQualifier& q, TTraceCycles cycles, int probeKind,
                                         std::string_view pattern, int bank) const {
    std::uint8_t mask = 0, value = 0;
    if (cycles != 0) {
        mask |= 0x60;
        if (cycles & CycleSet(TC_Opcode)) {
        } else if (cycles & CycleSet(TC_Fetch)) {
            value |= 0x60;
        } else if (cycles & CycleSet(TC_Read)) {
            value |= 0x20;
        } else if (cycles & CycleSet(TC_Write)) {
            value |= 0x40;
        }
    }
    const int mode = bankingMode();
    if (bank < 255) {
        switch (mode) {
        case 1:
        case 2: mask |= 0x08; break;
        case 3: mask |= 0x0C; break;
        case 4: mask |= 0x0E; break;
        default: break;
        }
        value |= static_cast<std::uint8_t>((bank & 1) << 3 | (bank & 2) << 1 | (bank & 4) >> 1);
    }
    const std::string_view data = pattern.size() >= 8 ? pattern.substr(pattern.size() - 8) : pattern;
    patternBits(data, q[12], q[13]);
    q[14] = q[15] = 0;
    const std::size_t head = pattern.size() >= 8 ? pattern.size() - 8 : 0;
    if (version_ != Trace72Bit) {
        patternBits(pattern.substr(0, std::min<std::size_t>(8, head)), q[14], q[15]);
    } else {
        std::uint8_t m = 0, v = 0;
        patternBits(pattern.substr(0, std::min<std::size_t>(4, head)), m, v);
        const std::uint8_t limit = mode == 1 ? 0x07 : (mode >= 2 && mode <= 4) ? 0x01 : 0x0F;
        mask |= static_cast<std::uint8_t>(m & limit);
        value |= static_cast<std::uint8_t>(v & limit);
    }
    q[4] = mask;
    q[5] = value;
    SetLogicProbeQualifier(q, probeKind);
}

void TBasisTracePlatine::SetLogicProbeQualifier(TTraceQualifier& q, int probeKind) {
    q[4] &= 0x6F;
    q[5] &= 0x6F;
    q[3] = static_cast<std::uint8_t>(probeKind);
    static const std::uint8_t values[4] = {0x90, 0x10, 0x80, 0x00};
    if (probeKind >= 0 && probeKind < 4) {
        q[4] |= 0x90;
        q[5] |= values[probeKind];
    }
}

void TBasisTracePlatine::notify(std::uint8_t code) {
    if (notifier_) notifier_->send(code, this);
}

int TBasisTracePlatine::bankingMode() const {
    const IBankingInfo* banking = bankingInfo_;
    return banking ? banking->bankingMode() : 0;
}

// ---------------------------------------------------------------- board

TTracePlatine::TTracePlatine(TEmulator& emulator, INotifier& notifier) : emulator_(emulator) {
    SetNotifier(&notifier);
}

TTracePlatine::~TTracePlatine() = default;

void TTracePlatine::SetBanking(TBanking* banking) {
    banking_ = banking;
    SetBankingInfo(banking);
}

void TTracePlatine::log(std::string_view text) { emulator_.Protokoll(text); }

void TTracePlatine::writeMode() {
    emulator_.WriteN(RegMode, modeByte_);
    modePending_ = false;
}

void TTracePlatine::SetVersion(int version) {
    auto lock = emulator_.LockLink();
    version_ = static_cast<TTracePlatinenVersion>(std::clamp(version, 0, 2));
    currentFrame_ = std::make_unique<TTraceFrame>(version_ == Trace72Bit ? 0 : 1);
    const bool large = version_ == Trace96Bit3Byte && emulator_.LargeTraceMemory();
    indexMask_ = large ? LargeMask : NormalMask;
    overflowCounter_ = static_cast<std::int32_t>(Capacity());
    if (emulator_.Profile().traceSizeRegister && emulator_.ConnectionState() >= TBasisEmulator::StateIdentified)
        emulator_.WriteN(RegLarge, large ? 1 : 0);
}

void TTracePlatine::presenceTest() {
    if (version_ != Trace72Bit) {
        boardPresent_ = true;
        return;
    }
    TraceCounterSchreiben(0x5AA5);
    boardPresent_ = TraceCounterLesen() == 0x5AA5;
}

void TTracePlatine::InitEmulStart() {
    auto lock = emulator_.LockLink();
    log("TracePlatine.InitEmulStart");
    counter_ = firstIndex_ = frameCount_ = 0;
    overflowCounter_ = static_cast<std::int32_t>(Capacity());
    breakOnOverflow_ = false;
    currentFrame_->Clear();
    stepOverflowArmed_ = false;
    presenceTest();
    zyklen_ = DefaultCycles;
    cycleCode_ = 0;
    if (systemMode_) UpdateCounts(false);
}

void TTracePlatine::TransmitTimeStamp() {
    auto lock = emulator_.LockLink();
    if (!modePending_) return;
    log("Transmit TimeStamp");
    writeMode();
}

void TTracePlatine::ResetTrace() {
    auto lock = emulator_.LockLink();
    log("TracePlatine.ResetTrace");
    currentFrame_->Clear();
    recordedCycles_ = 0;
    stepOverflowArmed_ = false;
    counter_ = breakOnOverflow_ ? Capacity() - static_cast<std::uint32_t>(overflowCounter_) : 0;
    firstIndex_ = counter_;
    frameCount_ = 0;
    if (systemMode_) UpdateCounts(false);
    emulator_.WriteV(VarMode, modeByte_);
    if (version_ == Trace72Bit) {
        TraceCounterSchreiben(indexMask_);
        emulator_.WriteN(RegMarkerData0, 0xA5);
        emulator_.WriteN(RegMarkerStatus0, 0);
        emulator_.WriteN(RegMarkerEnd0, 0);
    } else if (version_ == Trace96Bit) {
        emulator_.WriteN(RegOverflow1, static_cast<std::uint8_t>(emulator_.ReadN(RegOverflow1) & ~4));
    }
    emulator_.WriteV(VarCounterHigh, static_cast<std::uint8_t>(counter_ >> 8));
    emulator_.WriteV(VarCounterLow, static_cast<std::uint8_t>(counter_));
    if (version_ == Trace96Bit3Byte) {
        emulator_.WriteV(VarCounterTop, static_cast<std::uint8_t>(counter_ >> 16));
        TraceCounterSchreiben(counter_ | 0x40000);
    } else {
        TraceCounterSchreiben(counter_);
    }
    notify(notify::TraceChanged);
    if (spaces_) spaces_->Space(SpaceKind::Trace).Notify(notify::TraceChanged, this);
    log("TracePlatine.ResetTrace Ende");
}

void TTracePlatine::SetBusModeA1(bool on) {
    auto lock = emulator_.LockLink();
    modeByte_ = static_cast<std::uint8_t>(on ? modeByte_ | 0x80 : modeByte_ & 0x7F);
    log("BusModeA1 (Bit7): " + hex2(modeByte_));
    if (emulator_.ConnectionState() >= TBasisEmulator::StateStarting)
        writeMode();
    else
        modePending_ = true;
}

void TTracePlatine::SetHookP0Bus(bool on) {
    auto lock = emulator_.LockLink();
    modeByte_ = static_cast<std::uint8_t>(on ? modeByte_ | 0x40 : modeByte_ & 0xBF);
    log("HookP0Bus (Bit6): " + hex2(modeByte_));
    if (emulator_.ConnectionState() >= TBasisEmulator::StateStarting)
        writeMode();
    else
        modePending_ = true;
}

// ---- Frames

const TTraceFrame& TTracePlatine::GetFrame(std::uint32_t i) {
    if (FrameValid(i) && currentFrame_->Index != i) ReadRecord(*currentFrame_, HardwareIndex(i), i, false);
    return *currentFrame_;
}

void TTracePlatine::ReadRecord(TTraceFrame& frame, std::uint32_t h, std::uint32_t i, bool direct) {
    frame.Clear();
    h &= indexMask_;
    const TBankAdresse at = BankedAdresse(static_cast<std::uint8_t>(h >> 16), static_cast<std::uint16_t>(h));
    std::string record;
    {
        auto lock = emulator_.LockLink();
        // Keeps the run control's poll off the link while a frame is read.
        struct Reading {
            TEmulator& e;
            explicit Reading(TEmulator& em) : e(em) { e.SetTraceReading(true); }
            ~Reading() { e.SetTraceReading(false); }
        } reading(emulator_);
        if (direct || !spaces_)
            record = emulator_.FrameLesen(h, 1);
        else
            record = spaces_->Space(SpaceKind::Trace).ReadBlock(at, 1);
    }
    frame.Decode(record, i);
    if (frame.Index == TTraceFrame::NoIndex) return;
    const IBankingInfo* banking = bankingInfo_;
    if (banking && banking->maxCountBefehlsBytes() == 4) frame.OperandsValid = 0;
}

void TTracePlatine::FetchOperands(TTraceFrame& frame, bool fetchRecorded) {
    if (frame.OperandsValid == 0 && !fetchRecorded && spaces_) {
        const IBankingInfo* banking = bankingInfo_;
        const int n = banking ? banking->maxCountBefehlsBytes() : 3;
        TEmulSpeicher& program = spaces_->Space(SpaceKind::Program);
        const TBankAdresse start = GetAddress(frame);
        const std::uint32_t maxOffset = program.GetMaxAdresse().offset;
        const std::uint32_t minOffset = program.GetMinAdresse().offset;
        std::string bytes;
        const std::uint32_t first = std::min<std::uint32_t>(static_cast<std::uint32_t>(n), maxOffset - start.offset + 1);
        bytes = program.ReadBlock(start, static_cast<std::int32_t>(first));
        if (first < static_cast<std::uint32_t>(n)) {
            TBankAdresse wrapped = start;
            wrapped.offset = static_cast<std::uint16_t>(minOffset);
            bytes += program.ReadBlock(wrapped, static_cast<std::int32_t>(static_cast<std::uint32_t>(n) - first));
        }
        const auto at = [&](std::size_t k) { return k < bytes.size() ? static_cast<std::uint8_t>(bytes[k]) : 0; };
        frame.Operand1 = at(1);
        frame.Operand2 = at(2);
        frame.Operand3 = n == 4 ? at(3) : 0;
    }
    frame.OperandsValid = 1;
}

TBankAdresse TTracePlatine::GetAddress(const TTraceFrame& frame) const {
    const int kind = frame.CycleKind();
    const IBankingInfo* banking = bankingInfo_;
    const bool isCode = kind == TTraceFrame::KindOpcode || kind == TTraceFrame::KindFetch;
    const bool banked = banking && (isCode ? banking->bankingMode() != 0 : banking->varBanking());
    if (!banked) return UnbankedAdresse(frame.Offset());
    const int mode = banking->bankingMode();
    const std::uint8_t mask = (mode == 3 || mode == 7 || mode == 11) ? 0x0C : (mode == 4 || mode == 8) ? 0x0E : 0x08;
    int bank = reverse3(static_cast<std::uint8_t>(frame.Status & mask));
    if (sfr_ && sfr_->GetOptionNummer() == 15 && !(frame.Status & 0x10) && banking_)
        bank += banking_->TraceBankOffset();
    const TBankAdresse recorded = BankedAdresse(static_cast<std::uint8_t>(bank), frame.Offset());
    // The board records code where it lies in emulation memory; external
    // data lies where the program addresses it.
    return isCode ? TBanking::TraceAddress(mode, recorded) : recorded;
}

std::string TTracePlatine::AddressText(const TTraceFrame& frame) const {
    return BankAdresseToStr(GetAddress(frame), bankingInfo_);
}

std::uint32_t TTracePlatine::AddressValue(const TTraceFrame& frame) const {
    return BankAdresseToLinear(GetAddress(frame));
}

TBasisTracePlatine::FrameText TTracePlatine::DisassembleFrame(std::uint32_t i, bool lineTextFirst) {
    GetFrame(i);
    TTraceFrame& frame = *currentFrame_;
    FetchOperands(frame, (recordedCycles_ & CycleSet(TC_Fetch)) != 0);
    FrameText out;
    const TBankAdresse address = GetAddress(frame);
    if (frame.CycleKind() == TTraceFrame::KindOpcode && frame.OperandsValid) {
        std::string bytes{static_cast<char>(frame.Data), static_cast<char>(frame.Operand1),
                          static_cast<char>(frame.Operand2), static_cast<char>(frame.Operand3)};
        emulator_.Download().PutBackOwnCode(address, bytes);
        Disassembler disassembler(symbols_, lines_, registers_);
        const DisassembledInstruction d =
            disassembler.Disassemble(address, false, lineTextFirst, static_cast<std::uint8_t>(bytes[0]),
                                     static_cast<std::uint8_t>(bytes[1]), static_cast<std::uint8_t>(bytes[2]),
                                     static_cast<std::uint8_t>(bytes[3]));
        out.instruction = d.instruction;
        out.hex = d.hex;
        out.third = d.label;
        out.length = d.length;
        return out;
    }
    std::string data(1, static_cast<char>(frame.Data));
    if (emulator_.PellunarsOn()) emulator_.Download().PutBackOwnCode(address, data);
    out.length = 1;
    out.hex = hex2(static_cast<std::uint8_t>(data[0]));
    out.third = frame.CycleText();
    return out;
}

std::string TTracePlatine::GetModulText(std::uint32_t i) {
    if (!lines_) return {};
    const TTraceFrame& frame = GetFrame(i);
    if (frame.Index == TTraceFrame::NoIndex) return {};
    const TZeilennummer* line = lines_->FindByAddress(GetAddress(frame), 1);
    if (!line) return {};
    const auto module = static_cast<std::uint8_t>(line->moduleId);
    TModulItem* item = modulList_.Find(module, line->fileNumber);
    if (!item) {
        if (!symbols_ || !options_) return {};
        const std::string name = TraceSourceFile(*symbols_, *options_, *line);
        if (name.empty()) return {};
        std::vector<std::uint8_t> bytes;
        try {
            bytes = platform::readWholeFile(name);
        } catch (const std::exception&) {
            return {};
        }
        auto fresh = std::make_unique<TModulItem>();
        fresh->module = module;
        fresh->file = line->fileNumber;
        fresh->lines = splitLines(std::string(bytes.begin(), bytes.end()));
        item = modulList_.Add(std::move(fresh));
    }
    // Line 0, or a file shorter than the line recorded: no text.
    if (line->line < 1 || static_cast<std::size_t>(line->line) > item->lines.size()) return {};
    return item->lines[static_cast<std::size_t>(line->line - 1)];
}

// ---- Counter and window

std::uint32_t TTracePlatine::TraceCounterLesen() {
    auto lock = emulator_.LockLink();
    std::uint32_t value = 0;
    switch (version_) {
    case Trace72Bit:
    case Trace96Bit: {
        const std::uint16_t base = version_ == Trace72Bit ? RegCounterRead0 : RegCounter1;
        const int step = version_ == Trace72Bit ? 2 : 1;
        for (int nibble = 3; nibble >= 0; --nibble)
            value = value << 4 | (emulator_.ReadN(static_cast<std::uint16_t>(base + nibble * step)) & 0x0F);
        break;
    }
    case Trace96Bit3Byte: {
        emulator_.Schreiben(std::string{'T', static_cast<char>(0x80)});
        const std::string b = emulator_.Lesen(3);
        const auto b0 = static_cast<std::uint8_t>(b[0]);
        overflowFlag_ = (b0 & 4) != 0;
        value = static_cast<std::uint32_t>(b0 & ~4u) << 16 | static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[1])) << 8 |
                static_cast<std::uint8_t>(b[2]);
        log("TraceCounterLesen: " + Format("%.4X", value));
        break;
    }
    }
    return value & indexMask_;
}

void TTracePlatine::TraceCounterSchreiben(std::uint32_t value) {
    auto lock = emulator_.LockLink();
    log("TraceCounterSchreiben: " + Format("%.4X", value));
    switch (version_) {
    case Trace72Bit:
    case Trace96Bit: {
        const std::uint16_t base = version_ == Trace72Bit ? RegCounterWrite0 : RegCounter1;
        const int step = version_ == Trace72Bit ? 2 : 1;
        for (int nibble = 3; nibble >= 0; --nibble)
            emulator_.WriteN(static_cast<std::uint16_t>(base + nibble * step),
                             static_cast<std::uint8_t>((value >> (nibble * 4)) & 0x0F));
        break;
    }
    case Trace96Bit3Byte:
        emulator_.Schreiben(std::string{'T', static_cast<char>(value >> 16), static_cast<char>(value >> 8),
                                        static_cast<char>(value)});
        break;
    }
}

void TTracePlatine::UpdateTraceBuffer(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2) {
    log("TracePlatine.UpdateTraceBuffer CounterAlt: " + Format("%.8X", counter_));
    const TTraceCycles cycles = Zyklen();
    if (((cycles ^ recordedCycles_) & CycleSet(TC_Fetch)) != 0) notify(22);
    recordedCycles_ = cycles;
    counter_ = (static_cast<std::uint32_t>(b0) << 8 | b1 | static_cast<std::uint32_t>(b2 & 3) << 16) & indexMask_;
    const bool overflow = (b2 & 4) != 0;
    log("  CounterNeu: " + Format("%.8X", counter_) + " Überlauf: " + std::to_string(overflow ? 1 : 0));
    UpdateCounts(overflow);
}

void TTracePlatine::FlyingTraceStarted() {
    auto lock = emulator_.LockLink();
    counter_ = TraceCounterLesen();
    bool overflow = false;
    switch (version_) {
    case Trace72Bit: {
        emulator_.WriteN(RegControl0, static_cast<std::uint8_t>(modeByte_ & 0xFB));
        emulator_.WriteN(RegControl0, static_cast<std::uint8_t>(modeByte_ | 8));
        TTraceFrame marker(0);
        ReadRecord(marker, indexMask_, indexMask_, true);
        overflow = !(marker.Status == 0 && marker.Data == 0xA5);
        marker.Clear();
        break;
    }
    case Trace96Bit: overflow = (emulator_.ReadN(RegOverflow1) & 4) != 0; break;
    case Trace96Bit3Byte: overflow = overflowFlag_; break;
    }
    // Unconditionally: frames read while the target ran are stale now.
    countsChanged_ = true;
    UpdateCounts(overflow);
}

void TTracePlatine::FlyingTraceStopping() {
    auto lock = emulator_.LockLink();
    if (version_ != Trace72Bit) return;
    emulator_.WriteN(RegControl0, static_cast<std::uint8_t>(modeByte_ & 0xFC));
    emulator_.WriteN(RegControl0, static_cast<std::uint8_t>(modeByte_ & 0xF7));
}

std::uint32_t TTracePlatine::CurrentTimeStamp() {
    if (!boardPresent_) return 0;
    auto lock = emulator_.LockLink();
    log("Aktueller TimeStamp");
    if (version_ == Trace72Bit) {
        emulator_.WriteN(RegControl0, static_cast<std::uint8_t>(modeByte_ & 0xF7));
        std::uint32_t value = 0;
        for (int k = 3; k >= 0; --k)
            value = value << 8 | emulator_.ReadN(static_cast<std::uint16_t>(RegTime0 + 2 * k));
        emulator_.WriteN(RegControl0, static_cast<std::uint8_t>(modeByte_ | 8));
        return value;
    }
    const std::string b = emulator_.ReadMasterBlock(RegTimeStamp, 7);
    if (b.size() < 7) return 0;
    const auto at = [&](std::size_t k) { return static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[k])); };
    return at(6) << 24 | at(4) << 16 | at(2) << 8 | at(0);
}

// ---- Mode

void TTracePlatine::SetTraceModus(int mode) {
    auto lock = emulator_.LockLink();
    if (version_ != Trace72Bit) {
        emulator_.WriteN(RegMode, static_cast<std::uint8_t>(modeByte_ | 0x20));
        modePending_ = false;
    } else {
        emulator_.WriteN(RegStop0, 0);
    }
    notify(notify::TimeCounterReset);
    if (mode <= 0 || mode > 3) return;
    modeByte_ = static_cast<std::uint8_t>((modeByte_ & 0xFC) | (mode - 1));
    emulator_.WriteV(VarMode, modeByte_);
    if (version_ != Trace72Bit) writeMode();
    ResetTrace();
}

void TTracePlatine::ResetTraceSettings() {
    auto lock = emulator_.LockLink();
    zyklen_ = DefaultCycles;
    cycleCode_ = 0;
    overflowCounter_ = static_cast<std::int32_t>(Capacity());
    breakOnOverflow_ = false;
    if (GetTimeBase() != 0) SetTraceModus(1);
}

void TTracePlatine::DisableRealTimeCounter() {
    auto lock = emulator_.LockLink();
    log("TracePlatine.DisableRealTimeCounter");
    if (systemMode_) {
        log("System-Mode: Counter laufen lassen");
        return;
    }
    if (version_ == Trace72Bit) {
        emulator_.WriteN(RegControl0, 3);
    } else {
        emulator_.WriteN(RegMode, static_cast<std::uint8_t>(modeByte_ | 3));
        modePending_ = false;
    }
}

void TTracePlatine::EnableRealTimeCounter() {
    if (version_ == Trace72Bit) return;
    auto lock = emulator_.LockLink();
    log("TracePlatine.EnableRealTimeCounter");
    writeMode();
}

void TTracePlatine::ArmStepOverflow() {
    if (!breakOnOverflow_) return;
    auto lock = emulator_.LockLink();
    emulator_.WriteV(VarMode, static_cast<std::uint8_t>(modeByte_ & 0xFB));
    stepOverflowArmed_ = true;
}

void TTracePlatine::SetBreakOnOverflow(bool on) {
    if (on == breakOnOverflow_) return;
    auto lock = emulator_.LockLink();
    breakOnOverflow_ = on;
    modeByte_ = static_cast<std::uint8_t>(on ? modeByte_ | 4 : modeByte_ & 0xFB);
    log(std::string("TracePlatine.SetBreakOnOverflow: ") + (on ? "1" : "0"));
    emulator_.WriteV(VarMode, modeByte_);
    if (version_ != Trace72Bit) writeMode();
}

void TTracePlatine::SetSystemMode(bool on) {
    if (on == systemMode_) return;
    auto lock = emulator_.LockLink();
    systemMode_ = on;
    if (select_) select_->ReapplyTraceCodeMode();
    if (on) {
        counter_ = 0;
        TraceCounterSchreiben(0);
    }
    UpdateCounts(false);
}

// ---- Search and probes

bool TTracePlatine::SearchFrame(std::uint32_t start, const TTraceQualifier& q, std::uint32_t& found) {
    if (!FrameValid(start)) return false;
    auto lock = emulator_.LockLink();
    const std::uint32_t h = HardwareIndex(start);
    const auto c = [](std::uint32_t v) { return static_cast<char>(v & 0xFF); };
    std::uint32_t hit = 0;
    bool none = false;
    if (version_ == Trace96Bit3Byte) {
        emulator_.Schreiben(std::string{'m', c(h >> 16), c(h >> 8), c(h), c(q[1]), c(q[7]), c(q[6]), c(q[9]),
                                        c(q[8]), c(q[4]), c(q[5]), c(q[14]), c(q[15]), c(q[12]), c(q[13]),
                                        c(q[10]), c(q[11])});
        TEmulator::RaisedTimeout raised(emulator_, SearchTimeoutMs);
        const std::string b = emulator_.Lesen(3);
        hit = static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[0])) << 8 | static_cast<std::uint8_t>(b[1]) |
              static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[2])) << 16;
        none = hit == 0xFFFFFF;
    } else {
        emulator_.Schreiben(std::string{'m', c(h >> 8), c(h), c(q[1]), c(q[7]), c(q[6]), c(q[9]), c(q[8]), c(q[4]),
                                        c(q[5])});
        if (version_ == Trace96Bit) emulator_.Schreiben(std::string{c(q[14]), c(q[15])});
        emulator_.Schreiben(std::string{c(q[12]), c(q[13]), c(q[10]), c(q[11])});
        TEmulator::RaisedTimeout raised(emulator_, SearchTimeoutMs);
        const std::string b = emulator_.Lesen(2);
        hit = static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[0])) << 8 | static_cast<std::uint8_t>(b[1]);
        none = hit == 0xFFFF;
    }
    if (none) return false;
    const std::uint32_t logical = LogicalIndex(hit);
    if (!FrameValid(logical)) return false;
    found = logical;
    return true;
}

void TTracePlatine::SetBreakOnLogicProbe(std::string_view pattern) {
    if (version_ == Trace72Bit) return;
    std::uint8_t mask1 = 0, value1 = 0, mask2 = 0, value2 = 0;
    const std::size_t n = pattern.size();
    for (std::size_t k = 0; k < n && k < 16; ++k) {
        const char ch = pattern[n - 1 - k];
        const auto bit = static_cast<std::uint8_t>(1u << (k % 8));
        std::uint8_t& mask = k < 8 ? mask1 : mask2;
        std::uint8_t& value = k < 8 ? value1 : value2;
        if (ch != 'X' && ch != 'x') mask |= bit;
        if (ch == '1') value |= bit;
    }
    auto lock = emulator_.LockLink();
    log("TracePlatine.SetBreakOnLogicProbe: " + std::string(pattern));
    emulator_.WriteN(0xA080, mask1);
    emulator_.WriteN(0xA040, mask2);
    emulator_.WriteN(0xA020, value1);
    emulator_.WriteN(0xA010, value2);
}

std::string TraceSourceFile(TSymboltabelle& symbols, const IOptionsInfo& options, const TZeilennummer& line) {
    std::string name = symbols.LocationText(&line, false);
    if (!name.empty()) return options.findFile(name) ? name : std::string();
    if (line.moduleId == 0) return {};
    const std::string module = symbols.ModuleName(line.moduleId);
    if (module.empty()) return {};
    for (const std::string& ext : options.sourceExts()) {
        std::string candidate = module + ext;
        if (options.findFile(candidate)) return candidate;
    }
    return {};
}

}  // namespace tarvex
