#include "host/command.hpp"

#include <utility>

#include "core/format.hpp"
#include "core/messages.hpp"
#include "core/value_stream.hpp"
#include "emulator/debug/select_table.hpp"
#include "emulator/debug/watches.hpp"

namespace tarvex {

TBasisVokWinKommando::TBasisVokWinKommando() = default;

TBasisVokWinKommando::TBasisVokWinKommando(std::uint8_t commandCode) {
    code = commandCode;
}

// A long macro must not recurse once per command on the way out.
TBasisVokWinKommando::~TBasisVokWinKommando() {
    DropChain();
}

void TBasisVokWinKommando::DropChain() {
    std::unique_ptr<TBasisVokWinKommando> next = std::move(Nachfolger);
    while (next) next = std::move(next->Nachfolger);
}

std::size_t TBasisVokWinKommando::ChainLength() const {
    std::size_t n = 0;
    for (const TBasisVokWinKommando* c = this; c; c = c->Nachfolger.get()) ++n;
    return n;
}

void TBasisVokWinKommando::SetMakroLevel(std::uint8_t level) {
    for (TBasisVokWinKommando* c = this; c; c = c->Nachfolger.get()) c->makroLevel_ = level;
}

void TBasisVokWinKommando::SetSelectTable(std::unique_ptr<TSelectTabelle> table) {
    selectTable_ = std::move(table);
}

// The copy of the chain is made before anything of this command changes:
// the source may be a member of this command's own chain.
void TBasisVokWinKommando::Assign(const TBasisVokWinKommando& source) {
    std::unique_ptr<TBasisVokWinKommando> chain;
    TBasisVokWinKommando* last = nullptr;
    for (const TBasisVokWinKommando* from = source.Nachfolger.get(); from; from = from->Nachfolger.get()) {
        auto copy = std::make_unique<TVokWinKommando>();
        static_cast<TKommandoStruktur&>(*copy) = static_cast<const TKommandoStruktur&>(*from);
        copy->Anker = from->Anker;
        copy->makroLevel_ = from->makroLevel_;
        TBasisVokWinKommando* at = copy.get();
        if (last)
            last->Nachfolger = std::move(copy);
        else
            chain = std::move(copy);
        last = at;
    }
    static_cast<TKommandoStruktur&>(*this) = static_cast<const TKommandoStruktur&>(source);
    Anker = source.Anker;
    makroLevel_ = 0;
    selectTable_.reset();
    std::swap(Nachfolger, chain);
    // The old chain (now in `chain`) goes without deep recursion.
    while (chain) chain = std::move(chain->Nachfolger);
}

namespace {

// The record holds bytes; the stream holds integers.
std::uint8_t readByte(ValueReader& reader) {
    return static_cast<std::uint8_t>(reader.ReadInteger() & 0xFF);
}

}  // namespace

void TBasisVokWinKommando::ReadFromStream(ValueReader& reader, std::int32_t version, const IBankingInfo* banking) {
    const bool flags = version >= 6;
    Anker = reader.ReadBoolean();
    code = readByte(reader);
    memoryKind = readByte(reader);
    start = ReadBankAdresse(reader, flags, banking);
    end = ReadBankAdresse(reader, flags, banking);
    destination = ReadBankAdresse(reader, flags, banking);
    fileFormat = readByte(reader);
    text1 = reader.ReadString();
    flag = reader.ReadBoolean();
    value = readByte(reader);
    count = reader.ReadInteger();
    text2 = reader.ReadString();
    options = 0;
    const int bits = version >= 4 ? 4 : 3;
    for (int bit = 0; bit < bits; ++bit)
        if (reader.ReadBoolean()) options = static_cast<std::uint8_t>(options | (1u << bit));
    for (std::uint8_t* b : {&selectKind, &startTrigger, &endTrigger, &cycleType, &breakMode, &watchMemoryClass,
                            &watchDisplayFormat, &watchDataType})
        *b = readByte(reader);
}

std::uint32_t TraceFrameIndex(const TBankAdresse& address) {
    const std::uint32_t bank = address.banked && !address.allBanks ? address.bank : 0;
    return (bank << 16) | address.offset;
}

// ---------------------------------------------------------------- texts

CommandLanguage CurrentCommandLanguage() {
    return LoadStr(208) == "english" ? CommandLanguage::English : CommandLanguage::German;
}

std::string_view MemoryKindName(std::uint8_t kind) {
    switch (kind) {
    case memkind::Program:
    case memkind::IntData:
    case memkind::ExtData:
    case memkind::System:
    case memkind::Symbol:
        return LoadStr(53 + kind);
    case memkind::Trace:
        return "Trace";
    case memkind::SysEmul:
        return "SysEmul";
    case memkind::SysEmulHigh:
        return "SysEmulHigh";
    case memkind::SysSelect:
        return "SysSelect";
    default:
        return {};
    }
}

std::string_view FileFormatName(std::uint8_t format) {
    switch (format) {
    case fileformat::Binary:
    case fileformat::IntelHex:
    case fileformat::Object:
    case fileformat::Omf51:
    case fileformat::Ubrof:
    case fileformat::HexDump:
    case fileformat::AssemblerList:
    case fileformat::AssemblerSource:
    case fileformat::AvrObject:
        return LoadStr(215 + format);
    default:
        return {};
    }
}

namespace {

struct Names {
    std::string_view english, german;
};

constexpr Names kCommandNames[] = {
    {"", ""},
    {"Load", "Laden"},
    {"LoadSymbols", "SymboleLaden"},
    {"Save", "Speichern"},
    {"Initialize", "Initialisieren"},
    {"Copy", "Kopieren"},
    {"CopyEprom", "EpromKopieren"},
    {"Map", "Konfigurieren"},
    {"Map", "Konfigurieren"},
    {"Run", "Start"},
    {"Single step", "Einzelschritt"},
    {"Jump over call", "Gesamte Routine"},
    {"Reset all", "Gesamt-Reset"},
    {"Reset CPU", "CPU-Reset"},
    {"Break", "Unterbrechen"},
    {"Break", "Unterbrechen"},
    {"Trace", "Trace"},
    {"Trace", "Trace"},
    {"Clear trace memory", "Tracespeicher Löschen"},
    {"Reset real time counter", "Echtzeitzähler Zurücksetzen"},
    {"Modify", "Ändern"},
    {"Evaluate", "Auswerten"},
    {"Execute macro", "Makro Ausführen"},
    {"LoadOptions", "OptionenLaden"},
    {"SaveTrace", "TraceSpeichern"},
    {"IAP", "IAP"},
    {"LoadSystem", "SystemLaden"},
};
static_assert(std::size(kCommandNames) == cmd::LastCode + 1);

// The keywords of the two languages. The German texts have their own words
// only where the German keyword list of the command texts names one; every
// other piece (the break modes, the trace settings, the watch fields) reads
// the same in both.
struct Keywords {
    std::string_view format, traceFormat, cycle, source, memory, options, clearSymbols, pellunarLines, loadAddress,
        startAddress, endAddress, startIndex, endIndex, data, dest, mapShared, mapSeparate, programMemory,
        extDataMemory, cycleType, addresses, dataList, changeFilter, filterSet, filterClear, counter, breakMode,
        triggerStart, triggerEnd;
};

constexpr Keywords kEnglish = {
    " Format=",       " Format=",      "Cycle",
    "Source",         " Memory=",      " Options=[",
    "Clear symbols",  "Pellunar with line number only",
    " LoadAddress=",  " StartAddress=", " EndAddress=",
    " Start=",        " End=",         " Data=",
    " Dest=",         " MapMode=Gemeinsam addresses",
    " MapMode=Separate addresses",     " ProgramMemory=(",
    " ExtDataMemory=(",                " CycleType=",
    " Addresses=(",   " Data=(",       " ChangeFilter",
    " Set",           " Clear",        " Counter=",
    " BreakMode=",    " Start=",       " End=",
};

constexpr Keywords kGerman = {
    " Format=",       " Darstellung=", "Zyklus",
    "Quelltext",      " Speicher=",    " Optionen=[",
    "Symbole löschen", "Pellunar nur mit Zeilennummer",
    " Ladeadresse=",  " Startadresse=", " Endadresse=",
    " Start-Index=",  " End-Index=",   " Mit=",
    " Nach=",         " Map-Modus=GemeinsamAdressiert",
    " Map-Modus=GetrenntAdressiert",   " Programmspeicher=(",
    " ExtData-Speicher=(",             " Zyklustyp=",
    " Adressen=(",    " Daten=(",      " Filterwechsel",
    " Setzen",        " Löschen",      " Zähler=",
    " Break-Modus=",  " Von=",         " Bis=",
};

constexpr std::string_view kBreakModes[] = {"Standard",        "RepeatTrigger",     "MultiLevel",
                                            "Break1",          "Break2",            "Break1OrBreak2",
                                            "Break1AndBreak2", "Break1AfterBreak2", "Break2AfterBreak1",
                                            "NoBreak",         "LogicProbes",       "TraceOverflow"};
constexpr std::string_view kTimeBases[] = {"100 Nanoseconds", "1 Mikroseconds", "10 Mikroseconds"};
constexpr std::string_view kStartTriggers[] = {"Trigger A", "Trigger B", "Trigger C", "Programmstart"};
constexpr std::string_view kEndTriggers[] = {"Trigger A", "Trigger B", "Trigger C", "Programmende"};

template <std::size_t N>
std::string_view pick(const std::string_view (&names)[N], unsigned index) {
    return index < N ? names[index] : std::string_view{};
}

std::string_view selectKindText(std::uint8_t kind) {
    const SelectKindInfo* row = SelectKindRow(kind);
    return row != nullptr ? row->historyText : std::string_view();
}

bool carriesFileName(std::uint8_t code) {
    switch (code) {
    case cmd::Load:
    case cmd::LoadSymbols:
    case cmd::Save:
    case cmd::ExecuteMacro:
    case cmd::LoadOptions:
    case cmd::SaveTrace:
    case cmd::LoadSystem:
        return true;
    default:
        return false;
    }
}

}  // namespace

std::string CommandName(const TKommandoStruktur& command, CommandLanguage language) {
    if (command.code > cmd::LastCode) return {};
    const Names& n = kCommandNames[command.code];
    return std::string(language == CommandLanguage::English ? n.english : n.german);
}

std::string CommandName(const TKommandoStruktur& command) {
    return CommandName(command, CurrentCommandLanguage());
}

std::string ProtocolText(const TBasisVokWinKommando& c, CommandLanguage language, const IBankingInfo* banking) {
    const Keywords& k = language == CommandLanguage::English ? kEnglish : kGerman;
    const std::uint8_t code = c.code;
    std::string t = CommandName(c, language);
    if (carriesFileName(code)) t += " " + c.text1;
    if (code == cmd::Load || code == cmd::LoadSymbols || code == cmd::Save || code == cmd::LoadSystem) {
        t += k.format;
        t += FileFormatName(c.fileFormat);
    }
    if (code == cmd::SaveTrace && c.fileFormat != fileformat::IntelHex) {
        t += k.traceFormat;
        t += c.fileFormat == 0 ? k.cycle : k.source;
    }
    if ((code == cmd::Load && c.memoryKind != memkind::Program) || code == cmd::Save || code == cmd::Initialize ||
        code == cmd::Copy) {
        t += k.memory;
        t += MemoryKindName(c.memoryKind);
    }
    if (c.options != 0) {
        t += k.options;
        if (c.options & loadflag::Convert1) t += "Convert1";
        if (c.options & loadflag::Convert2) t += "Convert2";
        const auto listed = [&t](std::string_view piece) {
            if (t.back() != '[') t += ",";
            t += piece;
        };
        if (c.options & loadflag::ClearSymbols) listed(k.clearSymbols);
        if (c.options & loadflag::PellunarLinesOnly) listed(k.pellunarLines);
        t += "]";
    }
    if ((code == cmd::Load || code == cmd::LoadSystem) && c.flag)
        t += std::string(k.loadAddress) + BankAdresseToStr(c.start, banking);
    if (code == cmd::Save || code == cmd::Initialize || code == cmd::Copy || code == cmd::CopyEprom)
        t += std::string(k.startAddress) + BankAdresseToStr(c.start, banking) + std::string(k.endAddress) +
             BankAdresseToStr(c.end, banking);
    if (code == cmd::SaveTrace)
        t += Format("%s%u%s%u", std::string(k.startIndex).c_str(), TraceFrameIndex(c.start),
                    std::string(k.endIndex).c_str(), TraceFrameIndex(c.end));
    if (code == cmd::Initialize) t += std::string(k.data) + Format("%.2X", c.value);
    if (code == cmd::Copy) t += std::string(k.dest) + BankAdresseToStr(c.destination, banking);
    if (code == cmd::MapShared) t += c.flag ? k.mapShared : k.mapSeparate;
    if (code == cmd::Map)
        t += std::string(k.programMemory) + c.text2 + ")" + std::string(k.extDataMemory) + c.text1 + ")";
    if (code == cmd::BreakChannel || code == cmd::TraceFilter) {
        t += selectKindText(c.selectKind);
        t += k.cycleType;
        t += SelectModeName(c.cycleType);
        t += std::string(k.addresses) + c.text2 + ")";
        if (code == cmd::BreakChannel) t += std::string(k.dataList) + c.text1 + ")";
    }
    if (code == cmd::TraceSettings) t += std::string(k.changeFilter) + std::string(c.flag ? k.filterSet : k.filterClear);
    if (code == cmd::BreakChannel) t += std::string(k.counter) + std::to_string(c.count);
    if (code == cmd::BreakMode) {
        t += k.breakMode;
        t += pick(kBreakModes, c.breakMode);
        if (c.breakMode == bmLogicProbes) t += " Probes=" + c.text2;
        if (c.breakMode == bmTraceOverflow) t += " TraceCounter=" + c.text2;
        if (c.count != 0) t += " TraceAfterBreakCounter=" + std::to_string(c.count);
    }
    if (code == cmd::TraceSettings) {
        t += " TimeBase=";
        t += pick(kTimeBases, static_cast<unsigned>(c.count));
        t += c.value != 0 ? " TriggerSelection=B+C" : " TriggerSelection=A+B";
        t += k.triggerStart;
        t += pick(kStartTriggers, c.startTrigger);
        t += k.triggerEnd;
        t += pick(kEndTriggers, c.endTrigger);
    }
    if (code == cmd::Modify || code == cmd::Evaluate) {
        if (c.watchMemoryClass != 0) t += " " + TWatchTabelle::MemoryClassName(c.watchMemoryClass);
        t += " Address=" + c.text1;
        if (c.watchDataType != 0) t += " DataType=" + TWatchTabelle::TypeName(c.watchDataType);
        if (c.watchDisplayFormat != 0) t += " Format=" + TWatchTabelle::FormatName(c.watchDisplayFormat);
        if (c.flag) t += " ByteSequence=Backward";
        if (c.count != 1) t += " ElementCount=" + std::to_string(c.count);
        t += (code == cmd::Modify ? " NewValue=" : " Comment=") + c.text2;
    }
    return std::string(2u * c.MakroLevel(), ' ') + t;
}

std::string ProtocolText(const TBasisVokWinKommando& command, const IBankingInfo* banking) {
    return ProtocolText(command, CurrentCommandLanguage(), banking);
}

}  // namespace tarvex
