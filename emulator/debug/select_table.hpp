#pragma once
// The select tables: the board's hardware tables that decide where the
// target breaks, which bus cycles the trace records and which memory the
// board emulates. Four break channels (kinds 10-13), three trace qualifiers
// (14-16), the line-number qualifier (17), the data-bus conditions of the
// break channels (18-21) and the program and external-data maps (22, 23) are
// select lists of address ranges; the register block, the trigger counter,
// the break-data image, the map image and the logic-probe image are kept
// beside them and follow every change.
//
// TSelectTabelle is the live table; TKdoSelectTabelle (kdo_select_table.hpp)
// is the dialogs' offline copy, which overrides the virtual operations below
// so that nothing reaches the board or the notifier.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/bank_adressen.hpp"
#include "core/component.hpp"
#include "core/target_interfaces.hpp"
#include "emulator/debug/select_kinds.hpp"
#include "emulator/debug/select_list.hpp"
#include "emulator/target_parts.hpp"
#include "emulator/validator.hpp"

namespace tarvex {

class Disassembler;
class TBanking;
class TEmulator;
class TEmulSpaces;
class ITargetOptions;
class ITraceControl;
class TSymboltabelle;
class TZeilennummertabelle;
class TRegisterTabelle;
class ValueReader;
class ValueWriter;

// The settings of the performance measurement that travel in the select
// file's section. The measurement implements it.
class IPerformanceSettings {
public:
    virtual ~IPerformanceSettings() = default;
    virtual void deactivate() = 0;
    virtual void writeSettings(ValueWriter& writer) const = 0;
    virtual void readSettings(ValueReader& reader, int version, bool apply) = 0;
};

enum TBreakMode : std::uint8_t {
    bmStandard = 0,
    bmRepeatTrigger = 1,
    bmMultiLevel = 2,
    bmBreak1 = 3,
    bmBreak2 = 4,
    bmBreak1orBreak2 = 5,
    bmBreak1andBreak2 = 6,
    bmBreak1nachBreak2 = 7,
    bmBreak2nachBreak1 = 8,
    bmKeinBreak = 9,
    bmLogicProbes = 10,
    bmTraceOverflow = 11,
    bmHllSingleStep = 12,
};

// The logic probes and the trace overflow take break channel 1 (and trigger
// A) for themselves.
inline bool BreakModeTakesChannel1(int mode) { return mode == bmLogicProbes || mode == bmTraceOverflow; }

// Cycle kinds of a channel. 0-2 are code modes (ranges in the program
// space), 3-5 data modes (external data).
namespace select_mode {
constexpr int Opcode = 0, LineNumber = 1, Program = 2, Read = 3, Write = 4, ReadWrite = 5;
// Channel 1 serves the logic probes or the trace overflow.
constexpr int Channel1Taken = 6;
// A channel not in use; never stored.
constexpr int Unused = 7;
}  // namespace select_mode

// "OPCODE", "LINE NUMBER", ...; empty for any other value.
std::string_view SelectModeName(int mode);

// Everything the table works with; nothing is owned. The symbol, line and
// register tables and the trace board may be null (none loaded, none
// fitted); the options info may stay default. The limits come from
// `spaces`; with `memory` given (the driver's memory spaces, usually the
// same object as `spaces`) addresses are checked by its spaces, else
// against the limits alone.
struct TSelectWiring {
    TEmulator& emulator;
    TBanking& banking;
    const IAddressSpaces& spaces;
    const ITargetOptions& options;
    INotifier& notifier;
    ITraceControl* trace = nullptr;
    TSymboltabelle* symbols = nullptr;
    TZeilennummertabelle* lines = nullptr;
    const TRegisterTabelle* registers = nullptr;
    const IOptionsInfo* optionsInfo = nullptr;
    const TEmulSpaces* memory = nullptr;
    // The temporary breakpoint steps over the instruction at the program
    // counter; both may stay empty (no step-over then).
    const Disassembler* disassembler = nullptr;
    std::function<TBankAdresse()> programCounter = {};
};

class TSelectTabelle : public TComponent, public ISelectTablePart {
public:
    static constexpr int FirstKind = 10, LastKind = 23;
    static constexpr std::int32_t SectionVersion = 6;

    explicit TSelectTabelle(const TSelectWiring& wiring);
    ~TSelectTabelle() override;

    // ---- Component
    std::string_view Name() const override { return "SelectTabelle"; }
    void Notify(std::uint8_t code, const void* data) override;
    void WriteProperties(ValueWriter& writer) const override { WriteToStream(writer); }
    void ReadProperties(ValueReader& reader, std::int32_t version) override { ReadFromStream(reader, version); }

    // ---- ISelectTablePart
    void InitEmulStart() override;
    std::uint8_t OkiByte() const override { return registers_[3]; }
    bool ProgramMapped(TBankAdresse start, TBankAdresse end) const override;

    void SetPerformance(IPerformanceSettings* performance) { performance_ = performance; }

    // A new debug session in a driver that stayed loaded: every setting as
    // a fresh table holds it, nothing sent (the emulator start puts it on
    // the board, the project's select file follows).
    void ResetForNewSession();

    // ---- Lists and items (kinds outside 10-23 raise ESelectError 272)
    TSelectList& GetList(int kind);
    const TSelectList& GetList(int kind) const;
    void GetItems(int kind, std::vector<std::string>& lines) const;
    // The text of a range: names where it was entered by name, else the
    // addresses (data values as two hex digits), joined by Trennung.
    std::string ItemText(const TSelectItem& item, int kind) const;
    // All items of the kind joined by ";"; Plain without the characters of
    // code 0 that mark a whole object.
    std::string GetItemText(int kind) const;
    std::string GetItemTextPlain(int kind) const;
    std::unique_ptr<TSelectItem> TextToItem(std::string_view text, int kind);
    void SetRange(std::string_view text, int kind);
    void ClearRange(std::string_view text, int kind);
    // Replaces every item of the kind from a ";"-separated text; a piece
    // that is refused leaves list and board as they were. Whether anything
    // changed.
    bool SetItemText(int kind, std::string_view text);
    void DeleteItem(int kind, std::int32_t index);
    // One code address as a break on the channel that holds it (else kind
    // 12 in bmBreak2 and bmBreak2nachBreak1, kind 10 otherwise). The IDE's
    // breakpoint modes map onto `set`: 1 (set) is true, 2 (disable) and 3
    // (kill) are both false.
    void AddAddress(const TBankAdresse& address, bool set);

    // ---- Modes, counters, triggers
    int GetSelectMode(int kind) const;
    virtual void SetSelectMode(int kind, int mode);
    TBreakMode BreakMode() const { return breakMode_; }
    virtual void SetBreakMode(int mode);
    // The break counter of kinds 10-12; 1 for kind 13.
    std::int32_t GetSelectValue(int kind) const;
    virtual void SetCounter(int kind, std::int32_t value);
    std::int32_t CounterLimit(int kind) const;
    void SetTriggerCounter(std::uint32_t count);
    std::uint32_t GetTriggerCounter() const;
    // which: 0 end trigger, 1 start trigger. Sources: 0 channel kind 10,
    // 1 kind 11, 2 kind 13, 3 off.
    void SetTrigger(int which, int source);
    int GetTrigger(int which) const { return which == 0 ? endTrigger_ : startTrigger_; }
    virtual bool GetTriggerBit() const;
    virtual void SetTriggerBit(bool on);
    bool FilterSwitch() const { return filterSwitch_; }
    void SetFilterSwitch(bool on);
    const std::string& Trennung() const { return trennung_; }
    void SetTrennung(std::string separator);
    virtual int GetTimeBase() const;
    virtual void SetTimeBase(int timeBase);
    bool TimeBaseChanged() const { return timeBaseChanged_; }
    virtual std::string GetOverflowText() const;
    virtual void SetOverflowText(std::string_view text);
    void SetLogicProbeText(std::string_view text);
    std::string GetLogicProbeText() const;
    void SaveBreakMode();
    void RestoreBreakMode();
    void SetBreakOnReturn(bool on);
    void AddTracePair(const TBankAdresse& entry, const TBankAdresse& exit);
    // 1: one item of a code-mode trace kind holds both ends; 2: the ends
    // lie in different items (or one in none); 0: no such kind holds either.
    int TraceRangeState(std::int32_t linearStart, std::int32_t linearEnd) const;
    // 1 (kind 10) or 2 (kind 12) when that channel breaks on code and holds
    // the address, else 0.
    int BreakChannelAt(const TBankAdresse& address) const;

    // What the trace board reads: the cycle modes of kinds 14-16 and
    // whether the trace shows source lines.
    int TraceSelectMode(int kind) const { return GetSelectMode(kind); }
    bool HighLevelMode() const;
    // The trace board's system mode changed: the trace code bits follow it.
    void RefreshTraceCodeMode();

    // ---- Defaults and maps
    void SetDefaults();
    void SetMapDefaults();
    void ResetExtDataMap();
    void CheckExtDataMapping() const;
    // The default content of a list, without transmission.
    void ResetList(int kind);
    void ResetLists();

    // ---- Range upkeep
    // The banked area moved: default trace lists follow it, user ranges at
    // its old edges are adjusted (warning boxes 278 and 279).
    void NormalizeRanges();
    // Named items after the symbol or line-number table was reloaded: moved
    // ranges follow their names, items whose names vanished are removed.
    void ResolveSymbolItems();
    void ResolveLineItems();
    // Every item of the kind onto the board (named ones resolved first).
    void TransmitList(int kind);
    // The run control's breakpoint on channel kind 12 (bmBreak2): the user's
    // channel-12 ranges leave the board, not the list, until it is removed.
    void SetTemporaryBreak(const TBankAdresse& address, bool opcode);
    void RemoveTemporaryBreak();
    bool TemporaryBreakActive() const { return temporary_.active; }

    // ---- Stream: the select file's section
    void WriteToStream(ValueWriter& writer) const;
    void ReadFromStream(ValueReader& reader, std::int32_t version);

    // ---- Images (what the board is sent)
    const std::array<std::uint8_t, 13>& RegisterImage() const { return registers_; }
    const std::array<std::uint8_t, 3>& TriggerCounterImage() const { return triggerCounter_; }
    const std::array<std::uint8_t, 256>& BreakDataImage() const { return breakData_; }
    const std::array<std::uint8_t, 1024>& MapImage() const { return map_; }
    const std::array<std::uint8_t, 512>& LogicProbeImage() const { return logicProbes_; }
    bool RegistersDirty() const { return registersDirty_; }
    bool CounterDirty() const { return counterDirty_; }
    bool BreakDataDirty() const { return breakDataDirty_; }
    bool MapDirty() const { return mapDirty_; }
    bool LogicProbesDirty() const { return logicProbesDirty_; }
    bool Live() const { return live_; }

    // ---- Putting the tables onto the board. The board's side of these
    // follows with the memory spaces; until then they keep the images and
    // flags, so that what is pending stays marked.
    // kinds 10-16 ranges; 18-21 the break-data image; 22-23 the map image.
    virtual void TransmitSelectItem(const TSelectItem& item, int kind, bool set, bool progress);
    virtual void TransmitLineNumbers();
    virtual void TransmitLogicProbes();
    virtual void ComputeControlBytes();
    virtual void PrepareTransmit();
    virtual void ResetTraceSettings();
    virtual void TransmitBreakTraceRegister();
    void TransmitBreakData();
    void TransmitMapData();
    // The qualifier memory with the trace bits over the whole range and no
    // break or line bits; the lists back to their defaults.
    void RebuildImages();
    // Whether the line-number qualifier waits for the next start.
    bool LineNumbersPending() const { return linesPending_; }

    // The channel bit of a kind in the qualifier memory and the break-data
    // image (kinds 18-21 as their channel); 0 for the map kinds.
    static std::uint8_t ChannelBit(int kind);
    // Register index of a break channel (kind 10 -> 0, 12 -> 1, 11 -> 2,
    // 13 -> 3).
    static int ChannelIndex(int kind);
    // The break or trace channel whose mode a kind follows (the data-bus
    // conditions follow their break channel); -1 for a kind without a mode.
    static int modeChannel(int kind);

protected:
    void SetLive(bool live) { live_ = live; }
    // The limits that the three counters' shared hardware leaves; stores
    // the value. Raises 211 "Break counter" for 0 or a value above the
    // kind's limit, 272 for another kind.
    void ApplyCounterLimits(int kind, std::int32_t value);
    void StoreSelectMode(int kind, int mode) {
        modes_[static_cast<std::size_t>(kind - 10)] = static_cast<std::uint8_t>(mode);
    }
    int StoredSelectMode(int kind) const { return modes_[static_cast<std::size_t>(kind - 10)]; }
    void StoreBreakMode(TBreakMode mode) { breakMode_ = mode; }
    void StoreTriggerSources(int endSource, int startSource) {
        endTrigger_ = static_cast<std::uint8_t>(endSource);
        startTrigger_ = static_cast<std::uint8_t>(startSource);
    }
    void StoreFilterSwitch(bool on) { filterSwitch_ = on; }
    // A trigger whose source the trigger bit no longer allows is turned off.
    void DropDisallowedTriggers(bool triggerBit);
    std::uint8_t SavedChannel1Mode() const { return savedChannel1Mode_; }
    ITraceControl* Trace() const { return trace_; }
    // Below connection state 4 (and always for the offline table) nothing
    // is sent; the lists and images keep what the next start sends.
    bool BoardReady() const;
    // Copies lists, counters, limits, modes, break mode, logic-probe text,
    // trigger counter, filter switch and trigger sources.
    void CopySettingsFrom(const TSelectTabelle& source);

private:
    friend class TKdoSelectTabelle;

    TSelectList& list(int kind);
    static void checkKind(int kind);
    SpaceKind spaceOf(int kind) const;
    void checkSpaceAddress(SpaceKind space, const TBankAdresse& address) const;
    std::unique_ptr<TSelectItem> wholeSpaceItem(SpaceKind space) const;
    void setUpValidator(int kind);
    std::string addressText(const TBankAdresse& a, int kind) const;
    // The set and clear paths; transmit false for the scratch list of
    // SetItemText.
    void applySet(TSelectList& target, std::unique_ptr<TSelectItem> item, bool transmit, bool progress);
    bool applyClear(TSelectList& target, const TSelectItem& item, bool transmit, bool progress);
    void listChanged(int kind);
    void computeCounterRegisters();
    // The item's text converted again; a range that moved leaves its place
    // and comes back through the set path. Whether the item is still named.
    bool resolveItem(TSelectList& target, std::int32_t index, int kind, bool transmit);
    void transmitList(TSelectList& target);
    std::vector<std::unique_ptr<TSelectList>> readListBlock(ValueReader& reader, std::int32_t version);
    void applyReadList(std::unique_ptr<TSelectList> read);
    void writeListBlock(ValueWriter& writer, int first, int last) const;
    void writePerformance(ValueWriter& writer) const;
    void readPerformance(ValueReader& reader, std::int32_t version, bool apply);
    void buildLogicProbeImage();
    bool codeMode(int kind) const;
    // One "B" per bank of the item; access kind 7 (code planes) or 8.
    void transmitRange(const TSelectItem& item, SpaceKind space, std::uint8_t bit, bool set);
    void sendRange(int accessKind, int bank, std::uint16_t start, std::uint16_t end, std::uint8_t mask,
                   std::uint8_t flag);
    bool dataPlaneOwn() const;
    // The kind's bit cleared over the whole space of its mode.
    void clearBoardSpace(int kind);
    // The qualifier memory cleared for a kind, then the list's items sent.
    void putListBack(int kind);
    void checkSelectMode(int kind, int mode) const;
    // The settings of a new table (modes, register image, trigger counter).
    void initialSettings();
    // The mode of a channel (kinds 10-16) without moving its ranges: the
    // temporary breakpoint keeps the user's list while it borrows channel 12.
    void storeSelectMode(int kind, int mode);
    // A channel's ranges off the board (in the space they lie in) and out of
    // its list.
    void dropRanges(int kind);
    void normalizeTraceList(int kind, std::uint16_t s, std::uint16_t e, std::uint16_t ps, std::uint16_t pe);
    bool normalizeBreakList(int kind, std::uint16_t s, std::uint16_t e, std::uint16_t ps, std::uint16_t pe);
    void resolveNamed(bool lineItems);

    TEmulator& emulator_;
    TBanking& banking_;
    const IAddressSpaces& spaces_;
    const TEmulSpaces* memory_;
    const ITargetOptions& options_;
    INotifier& notifier_;
    ITraceControl* trace_;
    TZeilennummertabelle* lines_;
    TSymboltabelle* symbols_;
    const Disassembler* disassembler_;
    std::function<TBankAdresse()> programCounter_;
    IPerformanceSettings* performance_ = nullptr;
    TargetContext context_;
    std::unique_ptr<TVokWinValidator> validator_;

    std::array<std::uint8_t, 512> logicProbes_{};
    std::array<std::unique_ptr<TSelectList>, 14> lists_;
    std::array<std::uint8_t, 7> modes_{};
    std::uint8_t savedChannel1Mode_ = select_mode::Opcode;
    std::uint8_t endTrigger_ = 3;
    std::uint8_t startTrigger_ = 3;
    bool filterSwitch_ = false;
    std::array<std::uint8_t, 13> registers_{};
    std::array<std::uint8_t, 3> triggerCounter_{};
    std::array<std::uint8_t, 256> breakData_{};
    std::array<std::uint8_t, 1024> map_{};
    std::string logicProbeText_;
    bool counterDirty_ = true;
    bool registersDirty_ = true;
    bool breakDataDirty_ = true;
    bool mapDirty_ = true;
    bool logicProbesDirty_ = true;
    std::array<std::int32_t, 4> limits_{0xFFFFFF, 255, 255, 0};
    std::array<std::int32_t, 3> counters_{1, 1, 1};
    TBreakMode breakMode_ = bmBreak1;
    std::uint8_t timeBase_ = 0;
    bool timeBaseChanged_ = false;
    TBreakMode lineStepBreakMode_ = bmBreak1;
    std::string lineStepProbeText_;
    bool live_ = true;
    std::string trennung_ = " - ";
    bool linesPending_ = false;
    struct TemporaryBreak {
        bool active = false;
        TBreakMode breakMode = bmBreak1;
        int mode = select_mode::Opcode;
        std::uint16_t counter = 1;
        std::unique_ptr<TSelectItem> item;
    } temporary_;
};

}  // namespace tarvex
