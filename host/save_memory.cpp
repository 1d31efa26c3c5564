#include "host/save_memory.hpp"

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/bank_adressen.hpp"
#include "core/errors.hpp"
#include "core/format.hpp"
#include "core/intel_hex.hpp"
#include "core/messages.hpp"
#include "emulator/disassembler.hpp"
#include "emulator/emulator.hpp"
#include "emulator/memory_spaces.hpp"
#include "emulator/sfr_config.hpp"
#include "host/command_targets.hpp"
#include "platform/atomic_file.hpp"
#include "platform/clock.hpp"
#include "platform/ui.hpp"

namespace tarvex {

namespace {

constexpr const char* LineEnd = "\r\n";
// The form is updated (and asked for Cancel) at most this often.
constexpr std::uint64_t StatusIntervalMs = 50;
constexpr std::size_t BinaryChunk = 128, HexChunk = 16, ListingReadAhead = 128;
constexpr std::size_t LabelWidth = 24, HexWidth = 6;
constexpr int NoExtDataFamily = 9;

[[noreturn]] void refuse(int what) {
    throw EVokWinFileError(std::string(LoadStr(289)) + ": " + FmtLoadStr(211, LoadStr(what)));
}
constexpr int OptionText = 212, FormatText = 213, MemoryText = 214;

// The space a memory kind is saved from; null for kinds without one here.
TEmulSpeicher* spaceOf(TEmulSpaces& spaces, std::uint8_t kind) {
    switch (kind) {
        case memkind::Program: return spaces.GetEmulSpeicher(0);
        case memkind::IntData: return spaces.GetEmulSpeicher(1);
        case memkind::ExtData: return spaces.GetEmulSpeicher(2);
        case memkind::System: return spaces.GetEmulSpeicher(5);
        case memkind::SysEmul: return spaces.GetEmulSpeicher(9);
        case memkind::SysEmulHigh: return spaces.GetEmulSpeicher(10);
        default: return nullptr;
    }
}

TEmulSpeicher& requiredSpace(TEmulSpaces& spaces, std::uint8_t kind) {
    TEmulSpeicher* space = spaceOf(spaces, kind);
    if (space == nullptr) refuse(MemoryText);
    return *space;
}

platform::SaveStatusWindow& statusOf(const TSaveTargets& t) {
    return t.status ? *t.status : *platform::currentUi().saveStatus;
}

std::uint32_t frameOf(const TBankAdresse& a) {
    const std::uint32_t bank = a.bank == BankNone || a.bank == BankAll ? 0 : a.bank;
    return bank << 16 | a.offset;
}

std::uint32_t countOf(const TBankAdresse& start, const TBankAdresse& end) {
    const std::uint32_t first = BankAdresseToLinear(start), last = BankAdresseToLinear(end);
    return last < first ? 0 : last - first + 1;
}

// The file and the form of one save. The form is shown while the writer
// runs and closed however it ends; the file is put in place only by
// finish(), so a failure leaves the old one untouched.
class SaveRun {
public:
    SaveRun(const TKommandoStruktur& command, const TSaveTargets& targets)
        : status_(statusOf(targets)),
          clock_(targets.clock ? *targets.clock : targets.spaces.Emulator().clock()),
          file_(command.text1) {
        status_.show();
        status_.setStatus("0 Bytes");
    }
    ~SaveRun() { status_.close(); }
    SaveRun(const SaveRun&) = delete;
    SaveRun& operator=(const SaveRun&) = delete;

    void write(std::string_view bytes) { file_.write(bytes); }
    void line(std::string_view text) {
        file_.write(text);
        file_.write(LineEnd);
    }
    // After each chunk; false when the user cancelled.
    bool progress(std::uint32_t done) {
        const std::uint64_t now = clock_.monotonicMs();
        if (last_ && now - *last_ < StatusIntervalMs) return true;
        last_ = now;
        status_.setStatus(std::to_string(done) + " Bytes");
        return !status_.cancelRequested();
    }
    void finish() { file_.commit(); }

private:
    platform::SaveStatusWindow& status_;
    platform::Clock& clock_;
    platform::AtomicFileWriter file_;
    std::optional<std::uint64_t> last_;
};

// The range in chunks that never cross the end of a 64 KB bank. The space
// is asked for its largest transfer at a time, so that its cache fetches in
// its largest pieces; the chunks are cut from that.
class RangeReader {
public:
    RangeReader(TEmulSpeicher& space, const TBankAdresse& start, std::uint32_t count)
        : space_(space), at_(start), remaining_(count) {}

    bool done() const { return remaining_ == 0; }
    const TBankAdresse& at() const { return at_; }
    std::string next(std::size_t most) {
        if (pos_ == block_.size()) {
            const std::size_t n = std::min<std::size_t>(
                {space_.MaxTransfer(), remaining_, std::size_t{0x10000} - at_.offset});
            block_ = space_.ReadBlock(at_, static_cast<std::int32_t>(n));
            pos_ = 0;
        }
        const std::size_t n = std::min(most, block_.size() - pos_);
        std::string chunk = block_.substr(pos_, n);
        pos_ += n;
        remaining_ -= static_cast<std::uint32_t>(n);
        chunkAt_ = at_;
        if (remaining_ > 0) at_ = space_.CheckEndAdresse(at_, static_cast<std::int32_t>(n));
        return chunk;
    }
    const TBankAdresse& chunkAt() const { return chunkAt_; }

private:
    TEmulSpeicher& space_;
    TBankAdresse at_;
    TBankAdresse chunkAt_;
    std::uint32_t remaining_;
    std::string block_;
    std::size_t pos_ = 0;
};

std::string hex2(unsigned v) { return Format("%.2X", v & 0xFF); }

// A HEX file of a range that spans banks says where each bank begins, so
// that a load puts every byte back into its own bank.
std::string bankRecord(std::uint8_t bank) {
    return FormatHexLine(hexrecord::ExtendedLinear, 0, std::string{'\0', static_cast<char>(bank)});
}

std::string padded(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

void sortedRange(const TKommandoStruktur& command, TBankAdresse& start, TBankAdresse& end) {
    start = command.start;
    end = command.end;
    SortBankAdressen(start, end);
}

}  // namespace

std::string SaveHexRecord(std::uint8_t format, std::uint16_t offset, std::string_view bytes) {
    std::string line;
    if (format == fileformat::HexDump) {
        line = Format("%.4X ", static_cast<unsigned>(offset));
        for (char b : bytes) line += hex2(static_cast<unsigned char>(b)) + " ";
        line += " ";
        for (char b : bytes) line += static_cast<unsigned char>(b) < 0x20 ? '.' : b;
        return line;
    }
    return FormatHexLine(hexrecord::Data, offset, bytes);
}

void SaveBinFile(const TKommandoStruktur& command, const TSaveTargets& targets) {
    TBankAdresse start, end;
    sortedRange(command, start, end);
    const std::uint32_t count = countOf(start, end);
    if (count == 0) return;
    TEmulSpeicher& space = requiredSpace(targets.spaces, command.memoryKind);
    SaveRun run(command, targets);
    RangeReader range(space, start, count);
    std::uint32_t done = 0;
    while (!range.done()) {
        const std::string chunk = range.next(BinaryChunk);
        run.write(chunk);
        done += static_cast<std::uint32_t>(chunk.size());
        if (!range.done() && !run.progress(done)) break;
    }
    run.finish();
}

void SaveHexFile(const TKommandoStruktur& command, const TSaveTargets& targets) {
    TBankAdresse start, end;
    sortedRange(command, start, end);
    const std::uint32_t count = countOf(start, end);
    if (count == 0) return;
    TEmulSpeicher& space = requiredSpace(targets.spaces, command.memoryKind);
    const bool intel = command.fileFormat == fileformat::IntelHex;
    const bool spansBanks = intel && start.banked && end.banked && !start.allBanks && !end.allBanks &&
                            start.bank != end.bank;
    SaveRun run(command, targets);
    RangeReader range(space, start, count);
    std::uint32_t done = 0;
    std::optional<std::uint8_t> bankSaid;
    bool cancelled = false;
    while (!range.done()) {
        const std::string chunk = range.next(HexChunk);
        const TBankAdresse& at = range.chunkAt();
        if (spansBanks && bankSaid != at.bank) {
            run.line(bankRecord(at.bank));
            bankSaid = at.bank;
        }
        run.line(SaveHexRecord(command.fileFormat, at.offset, chunk));
        done += static_cast<std::uint32_t>(chunk.size());
        if (!range.done() && !run.progress(done)) {
            cancelled = true;
            break;
        }
    }
    if (intel && !cancelled) run.line(FormatHexLine(hexrecord::EndOfFile, 0, {}));
    run.finish();
}

void SaveListFile(const TKommandoStruktur& command, const TSaveTargets& targets) {
    TBankAdresse start, end;
    sortedRange(command, start, end);
    if (countOf(start, end) == 0) return;
    TEmulSpaces& spaces = targets.spaces;
    TEmulSpeicher& program = *spaces.GetEmulSpeicher(0);
    std::unique_ptr<Disassembler> own;
    Disassembler* disassembler = targets.disassembler;
    if (disassembler == nullptr) {
        own = std::make_unique<Disassembler>(
            nullptr, nullptr, &spaces.Registers(),
            TargetContext{&spaces, &spaces.CodeReader(), &spaces.Notifier(), nullptr, spaces.Banking()});
        disassembler = own.get();
    }
    const bool source = command.fileFormat == fileformat::AssemblerSource;
    const IBankingInfo* banking = spaces.Banking();

    // One instruction after the other; the count may end below 0, so the
    // last instruction is written whole even where it runs past the range.
    auto walk = [&](const std::function<bool(const TBankAdresse&, const DisassembledInstruction&, std::int32_t)>&
                        step) {
        TBankAdresse at = start;
        std::int32_t count = static_cast<std::int32_t>(countOf(start, end));
        std::int32_t done = 0;
        while (count > 0) {
            if (at.offset % ListingReadAhead == 0) {
                // Fills the cache in one piece; what cannot be read shows
                // in the decoded text instead.
                try {
                    program.ReadBlock(at, static_cast<std::int32_t>(std::min<std::size_t>(
                                              ListingReadAhead, std::size_t{0x10000} - at.offset)));
                } catch (const EVokWinError&) {
                }
            }
            const DisassembledInstruction d = disassembler->DisassembleAt(at, source, false);
            count -= d.length;
            done += d.length;
            if (!step(at, d, done)) return;
            if (count > 0) at = program.CheckEndAdresse(at, d.length);
        }
    };
    // Automatic labels are made while the jumps are decoded: a first pass
    // makes them all, so that a backward jump's target has its label line.
    if (source) walk([](const TBankAdresse&, const DisassembledInstruction&, std::int32_t) { return true; });

    SaveRun run(command, targets);
    walk([&](const TBankAdresse& at, const DisassembledInstruction& d, std::int32_t done) {
        if (source) {
            if (!d.label.empty()) run.line(d.label + ":");
            run.line(std::string(LabelWidth, ' ') + " " + d.instruction);
        } else {
            std::string hex = d.hex;
            while (hex.size() < HexWidth) hex += "  ";
            run.line(BankAdresseToStr(at, banking) + " " + hex + " " + padded(d.label, LabelWidth) + " " +
                     d.instruction);
        }
        return run.progress(static_cast<std::uint32_t>(done));
    });
    run.finish();
}

void SaveTraceFile(const TKommandoStruktur& command, const TSaveTargets& targets) {
    if (targets.traceExport == nullptr)
        throw ETraceError("SaveTrace: saving trace memory is not in this build");
    int mode = 2;
    switch (command.fileFormat) {
        case 0: mode = 0; break;
        case 1: mode = 1; break;
        case 2: mode = 3; break;
        default: break;
    }
    std::uint32_t first = frameOf(command.start), last = frameOf(command.end);
    if (first > last) std::swap(first, last);
    platform::SaveStatusWindow& status = statusOf(targets);
    status.show();
    struct Closer {
        platform::SaveStatusWindow& s;
        ~Closer() { s.close(); }
    } closer{status};
    targets.traceExport->ExportFrames(command.text1, first, last, mode);
}

void ExecuteSaveCommand(const TKommandoStruktur& request, const TSaveTargets& targets) {
    TEmulSpaces& spaces = targets.spaces;
    TKommandoStruktur command = request;
    const std::uint8_t kind = command.memoryKind;
    const std::uint8_t format = command.fileFormat;
    const bool trace = kind == memkind::Trace;
    if (command.text1.empty()) throw EVokWinFileError(std::string(LoadStr(288)));
    // The symbol memory has no bytes, the select memory no read command.
    if ((kind == memkind::System && !spaces.Emulator().Options().systemMode()) || kind == memkind::Symbol ||
        kind == memkind::SysSelect || kind > memkind::Last)
        refuse(MemoryText);
    if (kind == memkind::ExtData && spaces.SfrConfig().GetOptionNummer() == NoExtDataFamily)
        throw EVokWinFileError(FmtLoadStr(111, spaces.SfrConfig().TargetName()));
    // Formats that write nothing are refused rather than reported done;
    // trace memory takes any format (mixed mode for the others).
    if (!trace && (format == fileformat::Object || format == fileformat::Omf51 || format == fileformat::Ubrof ||
                   format >= fileformat::AvrObject))
        refuse(FormatText);
    if (command.options > 2) refuse(OptionText);
    // Listings decode program code; the other memories go as bytes.
    if (!trace && kind != memkind::Program && format != fileformat::Binary && format != fileformat::IntelHex &&
        format != fileformat::HexDump)
        refuse(FormatText);

    for (TBankAdresse* a : {&command.start, &command.end}) {
        if (a->allBanks) {
            a->bank = targets.currentBank;
            a->allBanks = false;
        }
    }
    SortBankAdressen(command.start, command.end);

    platform::SaveStatusWindow& status = statusOf(targets);
    int caption = 290;
    if (format == fileformat::IntelHex) caption = 291;
    if (format == fileformat::HexDump) caption = 292;
    if (format == fileformat::AssemblerList) caption = 293;
    if (format == fileformat::AssemblerSource) caption = 294;
    status.setCaption(trace ? std::string(LoadResStr(rs::SaveTrace)) : std::string(LoadStr(caption)));
    const std::pair<const char*, int> labels[] = {{"GroupBox1", 289}, {"Label1", 374}, {"Label2", MemoryText},
                                                  {"Label3", 382},    {"Label4", 383}, {"CancelButton", 320}};
    for (const auto& [control, id] : labels) status.setLabel(control, std::string(LoadStr(id)) + ":");
    status.setFileName(command.text1);
    status.setMemoryName(trace ? std::string(LoadStr(76)) : requiredSpace(spaces, kind).GetName());
    const IBankingInfo* banking = spaces.Banking();
    status.setRange(trace ? std::to_string(frameOf(command.start)) + " - " + std::to_string(frameOf(command.end))
                          : BankAdresseToStr(command.start, banking) + " - " + BankAdresseToStr(command.end, banking));

    TSaveTargets withStatus = targets;
    withStatus.status = &status;
    if (trace) {
        SaveTraceFile(command, withStatus);
        return;
    }
    switch (format) {
        case fileformat::Binary: SaveBinFile(command, withStatus); break;
        case fileformat::IntelHex:
        case fileformat::HexDump: SaveHexFile(command, withStatus); break;
        default: SaveListFile(command, withStatus); break;
    }
}

}  // namespace tarvex
