#pragma once
// The check engine that both checker programs share: it reads a compiled
// 8051 program (an OMF-51 object file with debug records, or an Intel HEX
// file), feeds every contiguous block of code to the pellunar analyser,
// reports the findings at the chosen message level with a summary, and
// writes the corrected Intel HEX file.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "checker/hex_classes.hpp"
#include "core/bank_adressen.hpp"

namespace tarvex {

class TOmfReader;
class TPellunarComp;
class PellunarImageReader;
class TSymboltabelle;
class TZeilennummertabelle;

// A code image of one contiguous block.
class TCodeBuffer {
public:
    TCodeBuffer();

    // address + length <= 65536.
    static bool Fits(std::uint32_t address, std::uint32_t length);
    // Whether bytes at the address extend the held block. Bytes that end
    // exactly where the held block starts do not: they would be stored after
    // it, at the wrong place.
    bool Continues(std::uint32_t address, std::uint32_t length) const;
    std::vector<std::uint8_t> Take() const;
    std::vector<std::uint8_t> TakeAndClear();
    // False (and nothing stored) when the bytes do not fit below 0x10000.
    // Bytes that do not continue the held block replace it.
    bool Append(std::uint32_t address, const std::uint8_t* bytes, std::size_t n);

    // A full 64 KiB image holds 65536 bytes: the count needs 32 bits.
    std::uint32_t Count() const { return count_; }
    std::uint16_t Start() const { return start_; }
    bool Empty() const { return count_ == 0; }

private:
    std::vector<std::uint8_t> bytes_;
    std::uint32_t count_ = 0;
    std::uint16_t start_ = 0;
};

class TQzCheck {
public:
    static constexpr std::uint8_t FormatOmf51 = 0, FormatHex = 1;
    static constexpr int LevelNone = 255;

    TQzCheck();
    virtual ~TQzCheck();
    TQzCheck(const TQzCheck&) = delete;
    TQzCheck& operator=(const TQzCheck&) = delete;

    // One report line. The engine writes it to standard output.
    virtual void WriteLine(const std::string& text);

    // --- settings ---
    void FormatSetting(std::uint8_t format);
    std::uint8_t InputFormat() const { return format_; }
    void CpuSetting(std::uint8_t cpu);
    void LineNumbersSetting(bool on) { line_ = on; }
    // Levels 0..252 are stored; anything else is reported as an error.
    void MessageLevelSetting(int level);
    int MessageLevel() const { return messageLevel_; }
    void CompilerSetting(std::uint8_t compiler) { tasking_ = compiler == 1; }
    void RegisterBankSelect(int bank);
    int RegisterBankSetting() const;
    void SetProgramDirectory(std::string dir) { programDir_ = std::move(dir); }
    // A bare name is looked up in the current directory, then in the program
    // directory; a name with a folder part names the one file tried.
    // EQzCheckError when none exists or the name is no regular file.
    void SetInputFile(const std::string& name);
    const std::string& InputFile() const { return inputFile_; }
    const std::string& OutputFile() const { return outputFile_; }

    std::string GetVersion() const;
    std::string GetSettingsText() const;

    // One whole run. Read and format errors end it with an exception whose
    // message the program shows; the input is closed in every case.
    void RunCheck();

    // Shows the line when the level is 255 or within the message level, and
    // counts errors (level 0) and warnings (level 1) whether shown or not.
    void ReportMessage(int level, const std::string& text, std::optional<std::string_view> name = std::nullopt);

    // The last run could not write the corrected HEX file although it should
    // have (banked code, a read-only file): the report says why, and a batch
    // build must notice.
    bool OutputRefused() const { return outputRefused_; }

    std::int32_t ErrorCount() const { return errors_; }
    std::int32_t WarningCount() const { return warnings_; }
    // The analyser of the last run, for the programs and the tests.
    const TPellunarComp* Analyser() const;

private:
    class CheckerAnalyser;
    struct ContentPiece {
        TBankAdresse address;
        std::uint32_t length;
    };
    struct RangeTracker;

    void ResetRun();
    void CheckHexFile(THexReader& reader);
    // Warns once for a data record that gives bytes an earlier one gave.
    void ReportOverlap(const THexRecord& record, std::vector<std::int32_t>& lineOfByte);
    void CheckOmfFile(TOmfReader& reader);
    void OmfDebugPass(TOmfReader& reader);
    void OmfContentPass(TOmfReader& reader);
    TBankAdresse OmfAddress(std::uint8_t segment, std::uint16_t offset) const;
    void Collect(const TBankAdresse& address, const std::uint8_t* bytes, std::size_t n);
    void FlushBlock();

    void CreateHexFile();
    void WriteOmfOutput();
    void WriteHexOutput();
    void WriteHexRecord(const THexRecord& record);
    bool HasHookStubs(const THexRecord& record, std::uint32_t& first, std::uint32_t& last) const;
    static bool FindStubRun(const THexRecord& record, std::uint32_t rangeFirst, std::uint32_t rangeLast,
                            std::uint32_t& first, std::uint32_t& last);
    void SplitAroundStubs(const THexRecord& record, std::uint32_t first, std::uint32_t last);
    std::vector<std::uint8_t> OutputBytes(const TBankAdresse& address, std::uint32_t count);
    void SaveOutput();
    void KeepOriginal();

    // Settings.
    bool line_ = false;
    std::uint8_t format_ = FormatOmf51;
    std::uint8_t cpu_ = 0;
    int messageLevel_ = 0;
    bool tasking_ = false;
    std::uint8_t r7Address_ = 15;
    std::string inputFile_;
    std::string outputFile_;
    std::string programDir_;
    const std::string versionSuffix_ = ".10";

    // State of one run; made afresh by every run so that nothing of one file
    // changes how the next is read.
    std::unique_ptr<TSymboltabelle> symbols_;
    std::unique_ptr<TZeilennummertabelle> lines_;
    std::unique_ptr<CheckerAnalyser> analyser_;
    // Line ends are decoded from the analyser's own copy of the program.
    std::unique_ptr<PellunarImageReader> imageReader_;
    TCodeBuffer buffer_;
    TBankAdresse bufferStart_{};
    bool codeFound_ = false;
    bool extendedOmf_ = false;
    bool bankedCode_ = false;
    bool outputRefused_ = false;
    std::vector<THexRecord> hexRecords_;
    std::vector<ContentPiece> omfContent_;
    THexWriter writer_;
    std::int32_t errors_ = 0;
    std::int32_t warnings_ = 0;
    // Errors of the settings, reported before the run that they belong to.
    std::int32_t settingErrors_ = 0;
};

}  // namespace tarvex
