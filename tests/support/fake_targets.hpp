#pragma once
// Fakes of the target interfaces the shared core's tables are injected with,
// and of the seams between the emulator object, the target components and
// the SFR configuration. Header-only, so that test programs that do not use
// them need not link the core library.
#include <cstdint>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/target_interfaces.hpp"
#include "emulator/target_parts.hpp"

namespace tarvex::test {

// Records every notification; an optional hook runs inside send, as a
// receiver of the dispatcher would.
class RecordingNotifier final : public INotifier {
public:
    struct Sent {
        std::uint8_t code;
        const void* data;
    };
    void send(std::uint8_t code, const void* data) override {
        sent.push_back({code, data});
        if (onSend) onSend(code, data);
    }
    int count(std::uint8_t code) const {
        int n = 0;
        for (const Sent& s : sent) n += s.code == code ? 1 : 0;
        return n;
    }
    std::vector<Sent> sent;
    std::function<void(std::uint8_t, const void*)> onSend;
};

// Code bytes by 16-bit offset; offsets not set are unavailable. Can be told
// to raise, as a reader that wraps a busy board carelessly would.
class ScriptedCodeReader final : public ICodeReader {
public:
    int read(TBankAdresse at, std::uint8_t* buf, int n) override {
        ++reads;
        if (raise) throw std::runtime_error("board busy");
        int got = 0;
        for (; got < n; ++got) {
            const auto it = bytes.find(static_cast<std::uint16_t>(at.offset + got));
            if (it == bytes.end() || at.offset + got > 0xFFFF) break;
            buf[got] = it->second;
        }
        return got;
    }
    std::map<std::uint16_t, std::uint8_t> bytes;
    bool raise = false;
    int reads = 0;
};

// Options with settable extensions and tool chain; the file search finds
// the names in `files` and answers the mapped path.
class FakeOptionsInfo final : public IOptionsInfo {
public:
    std::vector<std::string> sourceExts() const override { return exts; }
    int toolChain() const override { return chain; }
    bool findFile(std::string& name) const override {
        ++searches;
        const auto it = files.find(name);
        if (it == files.end()) return false;
        name = it->second;
        return true;
    }
    std::vector<std::string> exts{".c"};
    int chain = 0;
    std::map<std::string, std::string> files;
    mutable int searches = 0;
};

// Every target component at once: logs each call in order
// ("RunControl.ResetAll", "TraceBoard.SetBusModeA1 1") and answers from the
// fields. parts() wires all six; clear a pointer of the result for
// "component absent".
class RecordingTargetParts {
public:
    RecordingTargetParts() = default;
    RecordingTargetParts(const RecordingTargetParts&) = delete;
    RecordingTargetParts& operator=(const RecordingTargetParts&) = delete;

    TargetParts parts() {
        return {&runControlPart, &traceBoardPart, &selectTablePart, &bankingPart, &programClearPart, &formsPart};
    }

    std::vector<std::string> log;
    int resetAllAnswer = 0;
    int resetSlaveAnswer = 0;
    bool notYetReset = false;
    bool running = false;
    bool flyingTrace = false;
    std::uint32_t indexMask = 32767;
    bool systemMode = false;
    std::uint8_t okiByte = 0;
    bool programMapped = true;
    int maxBank = 255;
    std::uint8_t generationAnswer = 1;

private:
    void add(std::string line) { log.push_back(std::move(line)); }
    static std::string flag(bool on) { return on ? " 1" : " 0"; }

    struct RunControl final : IRunControlPart {
        explicit RunControl(RecordingTargetParts& o) : o(o) {}
        void InitEmulStart() override { o.add("RunControl.InitEmulStart"); }
        int ResetAll() override {
            o.add("RunControl.ResetAll");
            return o.resetAllAnswer;
        }
        int ResetSlave() override {
            o.add("RunControl.ResetSlave");
            return o.resetSlaveAnswer;
        }
        bool NotYetReset() const override { return o.notYetReset; }
        bool IsRunning() const override { return o.running; }
        bool FlyingTrace() const override { return o.flyingTrace; }
        RecordingTargetParts& o;
    };
    struct TraceBoard final : ITraceBoardPart {
        explicit TraceBoard(RecordingTargetParts& o) : o(o) {}
        void SetVersion(int v) override { o.add("TraceBoard.SetVersion " + std::to_string(v)); }
        void InitEmulStart() override { o.add("TraceBoard.InitEmulStart"); }
        void TransmitTimeStamp() override { o.add("TraceBoard.TransmitTimeStamp"); }
        void ResetTrace() override { o.add("TraceBoard.ResetTrace"); }
        void SetBusModeA1(bool on) override { o.add("TraceBoard.SetBusModeA1" + flag(on)); }
        void SetHookP0Bus(bool on) override { o.add("TraceBoard.SetHookP0Bus" + flag(on)); }
        std::uint32_t IndexMask() const override { return o.indexMask; }
        bool SystemMode() const override { return o.systemMode; }
        RecordingTargetParts& o;
    };
    struct SelectTable final : ISelectTablePart {
        explicit SelectTable(RecordingTargetParts& o) : o(o) {}
        void InitEmulStart() override { o.add("SelectTable.InitEmulStart"); }
        std::uint8_t OkiByte() const override { return o.okiByte; }
        bool ProgramMapped(TBankAdresse, TBankAdresse) const override { return o.programMapped; }
        RecordingTargetParts& o;
    };
    struct Banking final : IBankingPart {
        explicit Banking(RecordingTargetParts& o) : o(o) {}
        void InitEmulStart() override { o.add("Banking.InitEmulStart"); }
        void SetDallasAddressingMode(int m) override { o.add("Banking.SetDallasAddressingMode " + std::to_string(m)); }
        void TransmitDallasAddressingMode() override { o.add("Banking.TransmitDallasAddressingMode"); }
        int MaxBank() const override { return o.maxBank; }
        RecordingTargetParts& o;
    };
    struct ProgramClear final : IProgramClearPart {
        explicit ProgramClear(RecordingTargetParts& o) : o(o) {}
        void ClearProgramMemory() override { o.add("ProgramClear.ClearProgramMemory"); }
        RecordingTargetParts& o;
    };
    struct Forms final : IMaintenanceForms {
        explicit Forms(RecordingTargetParts& o) : o(o) {}
        void ShowIapForm(int form) override { o.add("Forms.ShowIapForm " + std::to_string(form)); }
        std::uint8_t ChooseGeneration() override {
            o.add("Forms.ChooseGeneration");
            return o.generationAnswer;
        }
        RecordingTargetParts& o;
    };

    RunControl runControlPart{*this};
    TraceBoard traceBoardPart{*this};
    SelectTable selectTablePart{*this};
    Banking bankingPart{*this};
    ProgramClear programClearPart{*this};
    Forms formsPart{*this};
};

// The emulator object as the SFR configuration sees it: answers from the
// fields, records what it is told. Image files "exist" when named in
// `images`.
class FakeSfrEmulator final : public ISfrEmulator {
public:
    const LinkProfile& Profile() const override {
        profile_ = LinkProfile::Of(firmwareCode, generation);
        return profile_;
    }
    std::uint8_t ConnectionState() const override { return state; }
    bool FpgaVariantFlag() const override { return variantFlag; }
    const TargetParts& Parts() const override { return targetParts; }
    const TMonitorData* MonitorData() const override { return monitor; }
    bool FpgaFileExists(const std::string& name) const override {
        for (const std::string& image : images)
            if (image == name) return true;
        return false;
    }
    void SetFpgaName(const std::string& name) override { fpgaName = name; }
    void SetMonitorMode(std::uint8_t mode) override { monitorMode = mode; }
    void SetProzessorTyp(std::uint8_t type) override { prozessorTyp = type; }
    void SetPodBit5Flag(bool on) override { podBit5 = on; }
    void ProcessorChangeStarts() override { ++processorChanges; }
    void WriteMasterBlock(std::uint16_t address, std::string_view bytes) override {
        blocks.push_back({address, std::string(bytes)});
    }
    void Log(std::string_view text) override { logLines.emplace_back(text); }

    struct Block {
        std::uint16_t address;
        std::string bytes;
    };
    std::uint8_t firmwareCode = 0;
    std::uint8_t generation = 1;
    std::uint8_t state = 5;
    bool variantFlag = false;
    TargetParts targetParts;
    const TMonitorData* monitor = nullptr;
    std::vector<std::string> images;

    std::string fpgaName;
    std::uint8_t monitorMode = 0xFF;
    std::uint8_t prozessorTyp = 0;
    bool podBit5 = false;
    int processorChanges = 0;
    std::vector<Block> blocks;
    std::vector<std::string> logLines;

private:
    mutable LinkProfile profile_;
};

}  // namespace tarvex::test
