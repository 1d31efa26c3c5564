#include "checker/qz_check_main.hpp"

#include <algorithm>
#include <filesystem>
#include <iostream>

#include "checker/pellunar_checker.hpp"
#include "core/errors.hpp"
#include "core/format.hpp"
#include "core/line_table.hpp"
#include "core/message_box.hpp"
#include "core/omf_reader.hpp"
#include "core/pellunar.hpp"
#include "core/symbol_table.hpp"
#include "platform/files.hpp"
#include "platform/stream.hpp"

namespace tarvex {

namespace fs = std::filesystem;

// ---------------------------------------------------------------- code buffer

TCodeBuffer::TCodeBuffer() : bytes_(0x10000) {}

bool TCodeBuffer::Fits(std::uint32_t address, std::uint32_t length) {
    return address <= 0x10000 && length <= 0x10000 - address;
}

bool TCodeBuffer::Continues(std::uint32_t address, std::uint32_t length) const {
    if (!Fits(address, length)) return false;
    if (count_ == 0) return true;
    return static_cast<std::uint32_t>(start_) + count_ == address;
}

std::vector<std::uint8_t> TCodeBuffer::Take() const {
    return {bytes_.begin() + start_, bytes_.begin() + start_ + count_};
}

std::vector<std::uint8_t> TCodeBuffer::TakeAndClear() {
    auto taken = Take();
    count_ = 0;
    return taken;
}

bool TCodeBuffer::Append(std::uint32_t address, const std::uint8_t* bytes, std::size_t n) {
    if (n >= 0x10000 || !Fits(address, static_cast<std::uint32_t>(n))) return false;
    if (!Continues(address, static_cast<std::uint32_t>(n))) count_ = 0;
    if (count_ == 0) start_ = static_cast<std::uint16_t>(address);
    std::copy(bytes, bytes + n, bytes_.begin() + start_ + count_);
    count_ += static_cast<std::uint32_t>(n);
    return true;
}

// ------------------------------------------------------------------ analyser

// The analyser hands its findings to the engine's reporter.
class TQzCheck::CheckerAnalyser final : public TPellunarComp {
public:
    explicit CheckerAnalyser(TQzCheck& engine) : engine_(engine) {}
    void MessageOutput(int level, const std::string& message, const std::string& location) override {
        engine_.ReportMessage(level, message, location);
    }

private:
    TQzCheck& engine_;
};

// ------------------------------------------------------------------- engine

namespace {

constexpr std::string_view kName = "QzChecker";

// Base type codes of the symbol table for the type indexes below 32 of the
// debug items: the compiler's predefined types use the same numbering.
std::uint8_t BaseTypeOfIndex(std::uint32_t index) { return index < 32 ? static_cast<std::uint8_t>(index) : 0; }

// Type-class codes of the symbol table for the OMF-51 type definition kinds.
std::uint8_t TypeClassOfKind(std::uint8_t kind) {
    switch (kind) {
        case 0x20: return symbol_class::Member;  // the list of a structure's members
        case 0x22: return symbol_class::Array;
        case 0x23: return symbol_class::Function;
        case 0x24: return symbol_class::NamedType;
        case 0x25: return symbol_class::Structure;
        case 0x26: return symbol_class::BitField;
        default: return symbol_class::Pointer;  // the pointers
    }
}

// A range of code addresses that grows as content and lines are seen.
struct CodeRange {
    bool set = false;
    TBankAdresse start{};
    TBankAdresse end{};

    void Reset() { set = false; }
    void Include(const TBankAdresse& first, const TBankAdresse& last) {
        if (!set || CompareBankAdresse(first, start) < 0) start = first;
        if (!set || CompareBankAdresse(last, end) > 0) end = last;
        set = true;
    }
};

}  // namespace

struct TQzCheck::RangeTracker {
    std::uint16_t moduleCount = 0;
    std::uint16_t functionCount = 0;
    bool inFunction = false;
    std::string moduleName;
    std::string functionName;
    CodeRange module;
    CodeRange function;

    std::uint16_t ModuleId() const { return moduleCount; }
    std::uint16_t FunctionId() const { return inFunction ? functionCount : 0; }
    void Include(const TBankAdresse& first, const TBankAdresse& last) {
        module.Include(first, last);
        if (inFunction) function.Include(first, last);
    }
};

TQzCheck::TQzCheck() = default;
const TPellunarComp* TQzCheck::Analyser() const { return analyser_.get(); }
TQzCheck::~TQzCheck() = default;

void TQzCheck::WriteLine(const std::string& text) { std::cout << text << '\n'; }

void TQzCheck::FormatSetting(std::uint8_t format) { format_ = format == FormatHex ? FormatHex : FormatOmf51; }

void TQzCheck::CpuSetting(std::uint8_t cpu) { cpu_ = cpu <= 2 ? cpu : 0; }

void TQzCheck::MessageLevelSetting(int level) {
    if (level >= 0 && level < 253) {
        messageLevel_ = level;
        return;
    }
    ReportMessage(0, tarvex::Format("Ignore unvalid MsgLvl: %d", level));
    ++settingErrors_;
}

void TQzCheck::RegisterBankSelect(int bank) {
    static constexpr std::uint8_t kR7[] = {7, 15, 23, 31};
    r7Address_ = bank >= 0 && bank <= 3 ? kR7[bank] : 7;
}

int TQzCheck::RegisterBankSetting() const {
    switch (r7Address_) {
        case 15: return 1;
        case 23: return 2;
        case 31: return 3;
        default: return 0;
    }
}

void TQzCheck::SetInputFile(const std::string& name) {
    if (name == inputFile_ && !name.empty()) return;
    const fs::path given(name);
    // Only a bare name is looked for in the current folder and the program's
    // folder: a path with a folder part names one file, and a mistyped folder
    // must not lead to a same-named file elsewhere, which would be rewritten.
    std::vector<fs::path> places;
    std::string tried = name;
    if (!name.empty() && !given.has_parent_path()) {
        const fs::path inProgramDir = fs::path(programDir_) / given;
        places = {given, given, inProgramDir};
        tried += "; " + given.string() + "; " + inProgramDir.string();
    } else if (!name.empty()) {
        places = {given};
    }
    for (const auto& place : places) {
        switch (platform::fileKind(place.string())) {
            case platform::FileKind::Missing: continue;
            case platform::FileKind::Regular:
                inputFile_ = place.string();
                outputFile_ = fs::path(place).replace_extension(".hex").string();
                return;
            // Named, not skipped: the user meant this one. Nothing is opened,
            // so a pipe cannot hold the run.
            case platform::FileKind::Directory: throw EQzCheckError("Is a folder, not a file: " + place.string());
            case platform::FileKind::Other:
                throw EQzCheckError("Not a regular file (a pipe or a device): " + place.string());
        }
    }
    throw EQzCheckError("File not found: " + tried);
}

std::string TQzCheck::GetVersion() const { return PellunarVersion() + versionSuffix_; }

std::string TQzCheck::GetSettingsText() const {
    static constexpr const char* kCpu[] = {"8051 ", "W77X ", "TIMSC "};
    std::string text = inputFile_ + " ";
    text += format_ == FormatHex ? "HEX " : "OMF51 ";
    text += kCpu[cpu_ <= 2 ? cpu_ : 0];
    if (line_) text += "LINE ";
    text += "LVL" + std::to_string(messageLevel_) + " ";
    text += tasking_ ? "TASKING" : "KEIL";
    text += " REGBANK" + std::to_string(RegisterBankSetting());
    return text;
}

void TQzCheck::ReportMessage(int level, const std::string& text, std::optional<std::string_view> name) {
    if (level == LevelNone || messageLevel_ >= level) {
        std::string line;
        if (name) {
            line += *name;
            line += ": ";
        }
        switch (level) {
            case 0: line += "ERROR:   "; break;
            case 1: line += "WARNING: "; break;
            case 2: line += "         "; break;
            default: break;
        }
        line += text;
        WriteLine(line);
    }
    if (level == 0) ++errors_;
    if (level == 1) ++warnings_;
}

void TQzCheck::ResetRun() {
    lines_.reset();
    imageReader_.reset();
    analyser_.reset();
    symbols_ = std::make_unique<TSymboltabelle>();
    symbols_->SetRelativePath(false);
    analyser_ = std::make_unique<CheckerAnalyser>(*this);
    imageReader_ = std::make_unique<PellunarImageReader>(*analyser_);
    TargetContext context;
    context.code = imageReader_.get();
    lines_ = std::make_unique<TZeilennummertabelle>(*symbols_, context);
    analyser_->SetTables(symbols_.get(), lines_.get());
    analyser_->SetBanking(nullptr);
    analyser_->SetProcessorVariant(cpu_);
    analyser_->SetLineNumbersRequired(line_);
    analyser_->SetRoutineCallSubstitution(tasking_);
    analyser_->SetHookVariant(r7Address_);

    buffer_.TakeAndClear();
    bufferStart_ = UnbankedAdresse(0);
    codeFound_ = false;
    extendedOmf_ = false;
    bankedCode_ = false;
    outputRefused_ = false;
    hexRecords_.clear();
    omfContent_.clear();
    writer_.Clear();
    // An error of the settings belongs to this run's report.
    errors_ = settingErrors_;
    warnings_ = 0;
    settingErrors_ = 0;
}

void TQzCheck::RunCheck() {
    ReportMessage(LevelNone, "  -  " + GetSettingsText(), kName);
    ResetRun();
    // The readers live for this run only: whatever ends it, the input is
    // closed and nothing a file declared carries over to the next.
    if (format_ == FormatHex) {
        THexReader reader;
        reader.SetFileName(inputFile_);
        CheckHexFile(reader);
    } else {
        TOmfReader reader;
        reader.SetFileName(inputFile_);
        CheckOmfFile(reader);
    }
    if (!codeFound_) ReportMessage(0, "No code!", kName);
    CreateHexFile();
    ReportMessage(LevelNone,
                  tarvex::Format("  -  %d Error(s), %d Warning(s), %d Pellunar(s)", errors_, warnings_,
                                 static_cast<std::int64_t>(analyser_->HookCount())),
                  kName);
}

// ------------------------------------------------------------------- passes

namespace {

bool SameBank(const TBankAdresse& a, const TBankAdresse& b) {
    if (a.banked != b.banked || a.allBanks != b.allBanks) return false;
    return !a.banked || a.allBanks || a.bank == b.bank;
}

}  // namespace

void TQzCheck::Collect(const TBankAdresse& address, const std::uint8_t* bytes, std::size_t n) {
    if (n == 0) return;
    // Every bank is scanned into its own image of the analyser; only the
    // output, with its 16-bit addresses, cannot hold them (CreateHexFile).
    if (address.banked && !address.allBanks) {
        if (address.bank >= TPellunarComp::MaxCodeBanks)
            throw EQzCheckError(tarvex::Format("Banked code beyond bank %d is not supported: %s",
                                               TPellunarComp::MaxCodeBanks - 1, BankAdresseToStrFull(address)));
        bankedCode_ = true;
    }
    if (!TCodeBuffer::Fits(address.offset, static_cast<std::uint32_t>(n)))
        throw EQzCheckError("Code beyond 0xFFFF at " + BankAdresseToStrFull(address));
    if (!buffer_.Continues(address.offset, static_cast<std::uint32_t>(n)) ||
        (!buffer_.Empty() && !SameBank(address, bufferStart_)))
        FlushBlock();
    if (buffer_.Empty()) bufferStart_ = address;
    buffer_.Append(address.offset, bytes, n);
}

void TQzCheck::FlushBlock() {
    if (buffer_.Empty()) return;
    // The block is scanned at its own first address, not at the address of
    // whatever record ended it.
    TBankAdresse start = bufferStart_;
    start.offset = buffer_.Start();
    const auto bytes = buffer_.TakeAndClear();
    analyser_->ScanCode(start, bytes);
}

void TQzCheck::CheckHexFile(THexReader& reader) {
    // The line whose data a byte last came from (0: none yet), so that a byte
    // given twice is told apart from code given once, and the program as the
    // whole file leaves it: a later record overrides an earlier one.
    std::vector<std::int32_t> lineOfByte(0x10000, 0);
    std::vector<std::uint8_t> image(0x10000, 0);
    bool ended = false;
    try {
        while (!reader.Eof()) {
            THexRecord record = reader.ReadRecord();
            // Only the end record ends the program; an empty data record in
            // the middle hides nothing after it.
            if (record.type == THexRecord::EndOfFile) {
                ended = true;
                break;
            }
            if (record.type == THexRecord::ExtendedSegment || record.type == THexRecord::ExtendedLinear) {
                std::uint32_t value = 0;
                for (char c : record.data) value = (value << 8) | static_cast<std::uint8_t>(c);
                if (value != 0)
                    throw EHexFileError(tarvex::Format("Extended address not supported in line: %d of file: %s",
                                                       record.line, reader.FileName()));
            }
            if (record.type == THexRecord::Data && !record.data.empty()) {
                codeFound_ = true;
                ReportOverlap(record, lineOfByte);
                std::copy(record.data.begin(), record.data.end(), image.begin() + record.address);
            }
            hexRecords_.push_back(std::move(record));
        }
    } catch (const EHexFileError& e) {
        throw EHexFileError("Format error in HEX file \"" + inputFile_ + "\": " + e.message());
    }
    // Blocks are formed in the order of the file, as the records come, but
    // every byte is scanned once, as the file finally gives it: bytes given
    // twice would otherwise be reported twice and counted once.
    std::vector<bool> scanned(0x10000, false);
    for (const auto& record : hexRecords_) {
        if (record.type != THexRecord::Data) continue;
        std::uint32_t a = record.address;
        const std::uint32_t end = a + record.length;
        while (a < end) {
            while (a < end && scanned[a]) ++a;
            std::uint32_t b = a;
            while (b < end && !scanned[b]) scanned[b++] = true;
            if (b > a) Collect(UnbankedAdresse(static_cast<std::uint16_t>(a)), image.data() + a, b - a);
            a = b;
        }
    }
    FlushBlock();
    if (!ended) {
        ReportMessage(1, "No end record: the file may be incomplete", kName);
        return;
    }
    // What follows the end record is no part of the program and is not
    // written back: say so rather than drop it unseen. Blank lines and the
    // DOS end-of-file mark (Ctrl-Z) are no content.
    std::int32_t first = 0, count = 0;
    const auto& lines = reader.Lines();
    for (auto i = static_cast<std::size_t>(reader.Position()); i < lines.size(); ++i) {
        if (lines[i].find_first_not_of('\x1A') == std::string::npos) continue;
        if (count++ == 0) first = static_cast<std::int32_t>(i) + 1;
    }
    if (count > 0)
        ReportMessage(0, tarvex::Format("Not read: %d line(s) after the end record, from line: %d", count, first),
                      kName);
}

void TQzCheck::ReportOverlap(const THexRecord& record, std::vector<std::int32_t>& lineOfByte) {
    std::int32_t earlier = 0;
    std::uint32_t at = 0;
    for (std::uint32_t i = 0; i < record.data.size(); ++i) {
        auto& owner = lineOfByte[record.address + i];
        if (owner != 0 && earlier == 0) {
            earlier = owner;
            at = record.address + i;
        }
        owner = record.line;
    }
    if (earlier != 0)
        ReportMessage(1, tarvex::Format("Data of line %d overlaps data of line %d", record.line, earlier),
                      tarvex::Format("%.4x", at));
}

TBankAdresse TQzCheck::OmfAddress(std::uint8_t segment, std::uint16_t offset) const {
    return OmfSegmentAddress(extendedOmf_, segment, offset);
}

void TQzCheck::CheckOmfFile(TOmfReader& reader) {
    try {
        OmfDebugPass(reader);
        OmfContentPass(reader);
    } catch (const EOmfFormatError& e) {
        throw EQzCheckError("Format error in OMF file \"" + inputFile_ + "\": " + e.detail());
    } catch (const EReadError& e) {
        throw EQzCheckError("Format error in OMF file \"" + inputFile_ + "\": " + e.message());
    }
}

void TQzCheck::OmfDebugPass(TOmfReader& reader) {
    RangeTracker scope;
    reader.SetPosition(0);
    while (!reader.Eof()) {
        const auto rec = reader.ReadRecord();
        switch (rec->recordType) {
            case omf::Content: {
                if (rec->data.empty()) break;
                codeFound_ = true;
                const TBankAdresse first = OmfAddress(rec->segmentId, rec->offset);
                TBankAdresse last = first;
                last.offset = static_cast<std::uint16_t>(first.offset + rec->data.size() - 1);
                scope.Include(first, last);
                break;
            }
            case omf::ScopeDefinition:
                switch (rec->blockType) {
                    case omf::ModuleBegin:
                        ++scope.moduleCount;
                        scope.moduleName = rec->name;
                        scope.module.Reset();
                        break;
                    case omf::ProcedureBegin:
                        ++scope.functionCount;
                        scope.functionName = rec->name;
                        scope.inFunction = true;
                        scope.function.Reset();
                        break;
                    case omf::ModuleEndBlock:
                        if (scope.module.set)
                            symbols_->AddModule(scope.moduleName, scope.moduleCount, scope.module.start,
                                                scope.module.end);
                        scope.functionCount = 0;
                        scope.inFunction = false;
                        break;
                    case omf::ProcedureEnd:
                        if (scope.function.set)
                            symbols_->AddFunction(scope.functionName, scope.moduleCount, scope.function.start,
                                                  scope.function.end, scope.functionCount);
                        scope.inFunction = false;
                        break;
                    default: break;
                }
                break;
            case omf::DebugItems:
            case omf::DebugItems2:
                if (rec->kind <= omf::SegmentSymbols) {
                    for (const auto& item : rec->items) {
                        if (item->SegmentType() != 0) continue;  // not in code memory
                        const TBankAdresse at = OmfAddress(item->segmentId, static_cast<std::uint16_t>(item->offset));
                        std::uint8_t type = BaseTypeOfIndex(item->type);
                        std::uint32_t size = 1;
                        if (item->type >= 128) {
                            type = kTypeOfRecord;
                            size = item->type - 128;
                        }
                        symbols_->AddSymbol(sspProgram, item->name, scope.FunctionId(), scope.ModuleId(), type, size,
                                            symbol_class::None, at);
                    }
                } else if (rec->kind == omf::LineNumberItems) {
                    for (const auto& item : rec->items) {
                        if (item->line == 1 && item->offset == 0) continue;
                        const TBankAdresse at = OmfAddress(item->segmentId, static_cast<std::uint16_t>(item->offset));
                        lines_->AddLine(at, static_cast<std::int32_t>(item->line), 0, scope.FunctionId(),
                                        scope.ModuleId());
                        scope.Include(at, at);
                    }
                }
                break;
            case omf::Typedefs51:
                for (const auto& def : rec->typedefs) {
                    TBankAdresse element{};
                    std::uint8_t type = BaseTypeOfIndex(def->typeIndex.value);
                    if (def->typeIndex.value >= 128) {
                        type = kTypeOfRecord;
                        element.offset = static_cast<std::uint16_t>(def->typeIndex.value - 128);
                    }
                    symbols_->AddSymbol(sspTypedef, def->name, 0, scope.ModuleId(), type, 0, TypeClassOfKind(def->kind),
                                        element);
                }
                break;
            case omf::SourceName:
                symbols_->AddFileName(rec->name, scope.moduleCount ? scope.moduleCount : 1, 0);
                break;
            case omf::ExtendedHeader: extendedOmf_ = true; break;
            default: break;
        }
    }
}

void TQzCheck::OmfContentPass(TOmfReader& reader) {
    reader.SetPosition(0);
    while (!reader.Eof()) {
        const auto rec = reader.NextContent();
        if (!rec || rec->recordType != omf::Content || rec->data.empty()) continue;
        const TBankAdresse at = OmfAddress(rec->segmentId, rec->offset);
        Collect(at, rec->data.data(), rec->data.size());
        omfContent_.push_back({at, static_cast<std::uint32_t>(rec->data.size())});
    }
    FlushBlock();
}

// ------------------------------------------------------------------- output

std::vector<std::uint8_t> TQzCheck::OutputBytes(const TBankAdresse& address, std::uint32_t count) {
    return tarvex::OutputBytes(*analyser_, address, count);
}

void TQzCheck::CreateHexFile() {
    if (format_ == FormatHex && !analyser_->HasSubstitutedHooks() && !analyser_->HookAreaUsed()) return;
    // Refusals come before the question: there is nothing to ask about.
    // Banks folded into 16-bit addresses would put code onto other code.
    if (bankedCode_) {
        ReportMessage(LevelNone, "  -  No Intel hex file for banked code (16-bit addresses only): " + outputFile_,
                      kName);
        outputRefused_ = true;
        return;
    }
    // The user marked the file as not to be changed.
    if (platform::isReadOnlyFile(outputFile_)) {
        ReportMessage(LevelNone, "  -  Read-only file not replaced: " + outputFile_, kName);
        outputRefused_ = true;
        return;
    }
    if (errors_ > 0) {
        std::cout.flush();
        const int answer = ConfirmBox(tarvex::Format("  -  %d Error(s)! Create Intel hex file? ", errors_),
                                      platform::mb::YesNo | platform::mb::IconQuestion | platform::mb::DefButton2);
        if (answer != platform::IdYes) {
            // A batch build answers No for itself: its log must say that the
            // HEX file beside the program is not this run's.
            ReportMessage(LevelNone, "  -  No Intel hex file written", kName);
            std::error_code ec;
            const bool isInput = fs::equivalent(inputFile_, outputFile_, ec);
            if (!isInput && platform::fileKind(outputFile_) == platform::FileKind::Regular)
                ReportMessage(LevelNone, "  -  Older Intel hex file left unchanged: " + outputFile_, kName);
            return;
        }
    }
    ReportMessage(LevelNone, "  -  Create Intel hex file: " + outputFile_, kName);
    writer_.Clear();
    if (format_ == FormatHex)
        WriteHexOutput();
    else
        WriteOmfOutput();
    writer_.WriteEndRecord();
    SaveOutput();
}

void TQzCheck::SaveOutput() {
    // A HEX input is replaced by its corrected form: keep the user's program
    // beside it first. Both files are written whole or not at all.
    std::error_code ec;
    if (fs::exists(outputFile_, ec) && fs::equivalent(inputFile_, outputFile_, ec)) KeepOriginal();
    writer_.SaveToFile(outputFile_);
}

void TQzCheck::KeepOriginal() {
    // "<name>.bak" may hold an earlier program (the run before, or the
    // program before the last recompile): never overwrite a backup. A copy
    // of these very bytes is enough; otherwise the first free name of
    // .bak, .bak1, .bak2, ... takes them, created so that it cannot replace
    // anything that appears meanwhile.
    const auto original = platform::readWholeFile(inputFile_);
    const std::string base = outputFile_ + ".bak";
    for (int n = 0; n < 1000; ++n) {
        const std::string name = n == 0 ? base : base + std::to_string(n);
        const auto kind = platform::fileKind(name);
        if (kind == platform::FileKind::Regular && platform::readWholeFile(name) == original) return;
        if (kind != platform::FileKind::Missing) continue;
        if (!platform::createNewFile(name, original.data(), original.size(), inputFile_)) continue;
        if (n > 0) ReportMessage(LevelNone, "  -  Input kept as: " + name, kName);
        return;
    }
    throw EQzCheckError("No free backup name for " + inputFile_ + " (" + base + "1 to 999 exist)");
}

void TQzCheck::WriteOmfOutput() {
    for (const auto& chunk : omfContent_) {
        for (std::uint32_t done = 0; done < chunk.length; done += 16) {
            const std::uint32_t n = std::min<std::uint32_t>(16, chunk.length - done);
            TBankAdresse at = chunk.address;
            at.offset = static_cast<std::uint16_t>(chunk.address.offset + done);
            const auto bytes = OutputBytes(at, n);
            WriteHexRecord(THexRecord::CreateData(static_cast<std::uint8_t>(n), at.offset,
                                                  std::string(bytes.begin(), bytes.end())));
        }
    }
}

void TQzCheck::WriteHexOutput() {
    for (const auto& record : hexRecords_) {
        // Only data records take image bytes; address and start records are
        // copied as they were.
        if (record.type != THexRecord::Data) {
            writer_.WriteRecord(record);
            continue;
        }
        const auto bytes = OutputBytes(UnbankedAdresse(record.address), record.length);
        WriteHexRecord(THexRecord::CreateData(record.length, record.address, std::string(bytes.begin(), bytes.end())));
    }
}

void TQzCheck::WriteHexRecord(const THexRecord& record) {
    std::uint32_t first = 0, last = 0;
    if (HasHookStubs(record, first, last))
        SplitAroundStubs(record, first, last);
    else
        writer_.WriteRecord(record);
}

bool TQzCheck::HasHookStubs(const THexRecord& record, std::uint32_t& first, std::uint32_t& last) const {
    static constexpr std::uint32_t kRanges[][2] = {{0xFFA0, 0xFFB9}, {0xFFC0, 0xFFD9}, {0xFFF8, 0xFFFB},
                                                   {0xFFF4, 0xFFF7}};
    for (const auto& range : kRanges)
        if (FindStubRun(record, range[0], range[1], first, last)) return true;
    return false;
}

bool TQzCheck::FindStubRun(const THexRecord& record, std::uint32_t rangeFirst, std::uint32_t rangeLast,
                           std::uint32_t& first, std::uint32_t& last) {
    constexpr std::uint8_t kRet = 0x22;
    bool found = false;
    for (std::uint32_t a = rangeFirst; a <= rangeLast; ++a) {
        if (!record.HasByteAt(kRet, a)) continue;
        if (!found) first = a;
        last = a;
        found = true;
    }
    if (!found) return false;
    // A run cut short inside the range by other code of the same record is
    // the program's own, not a stub.
    if (first > rangeFirst && record.ContainsAddress(first - 1)) return false;
    if (last < rangeLast && record.ContainsAddress(last + 1)) return false;
    for (std::uint32_t a = first; a <= last; ++a)
        if (!record.HasByteAt(kRet, a)) return false;
    return true;
}

void TQzCheck::SplitAroundStubs(const THexRecord& record, std::uint32_t first, std::uint32_t last) {
    const std::uint32_t begin = record.address;
    const std::uint32_t end = begin + record.length;  // one past the last byte
    if (first > begin)
        WriteHexRecord(THexRecord::CreateData(static_cast<std::uint8_t>(first - begin), record.address,
                                              record.data.substr(0, first - begin)));
    if (last + 1 < end)
        WriteHexRecord(THexRecord::CreateData(static_cast<std::uint8_t>(end - last - 1),
                                              static_cast<std::uint16_t>(last + 1),
                                              record.data.substr(last + 1 - begin)));
}

}  // namespace tarvex
