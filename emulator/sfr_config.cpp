#include "emulator/sfr_config.hpp"

#include <filesystem>
#include <initializer_list>

#include "core/errors.hpp"
#include "core/messages.hpp"
#include "core/conversions.hpp"
#include "core/utilities.hpp"
#include "emulator/monitor_data.hpp"
#include "emulator/target_options.hpp"
#include "platform/exception.hpp"
#include "platform/stream.hpp"

namespace tarvex {

namespace {

bool oneOf(int v, std::initializer_list<int> set) {
    for (int s : set)
        if (s == v) return true;
    return false;
}

// ---- Lines of the SFR definition file

// The lines trimmed, each without its comment; comment-only and empty
// lines come out empty.
std::vector<std::string_view> definitionLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        if (const std::size_t semi = line.find(';'); semi != std::string_view::npos) line = line.substr(0, semi);
        lines.push_back(TrimBlanks(line));
        pos = end + 1;
    }
    return lines;
}

bool isCpu(std::string_view line) { return line.starts_with("CPU="); }
bool isManufacturer(std::string_view line) { return line.starts_with("MANUFACTURER="); }
bool isGroup(std::string_view line) { return line.starts_with("GROUP="); }
bool endsSection(std::string_view line) { return isCpu(line) || isManufacturer(line); }

// The index of the line after the derivative's "CPU=" line; 321 when none.
std::size_t findDerivative(const std::vector<std::string_view>& lines, std::string_view derivative) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!isCpu(lines[i])) continue;
        std::string_view list = lines[i].substr(4);
        if (const std::size_t comma = list.find(','); comma != std::string_view::npos) list = list.substr(0, comma);
        if (TrimBlanks(list) == derivative) return i + 1;
    }
    throw EVokWinFileError(FmtLoadStr(321, derivative));
}

[[noreturn]] void syntaxError(std::string_view line) { throw EVokWinFileError(FmtLoadStr(224, line)); }

// A hex byte, written "90", "$90", "0x90" or "90H"; anything else, or a
// value above 255, raises 229.
std::uint8_t byteConstant(std::string_view word) {
    std::string_view digits = word;
    if (digits.starts_with('$')) digits.remove_prefix(1);
    else if (digits.starts_with("0x") || digits.starts_with("0X")) digits.remove_prefix(2);
    else if (digits.size() > 1 && (digits.ends_with('h') || digits.ends_with('H'))) digits.remove_suffix(1);
    unsigned value = 0;
    bool ok = !digits.empty();
    for (char c : digits) {
        const int d = HexDigitValue(c);
        if (d < 0) ok = false;
        value = value * 16 + static_cast<unsigned>(d < 0 ? 0 : d);
        if (value > 0xFF) ok = false;
        if (!ok) break;
    }
    if (!ok) throw EVokWinFileError(FmtLoadStr(229, word));
    return static_cast<std::uint8_t>(value);
}

std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string fileText(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) throw ETarvexAbort(FmtLoadStr(365, path));
    try {
        const std::vector<std::uint8_t> bytes = platform::readWholeFile(path);
        return std::string(bytes.begin(), bytes.end());
    } catch (const EFOpenError&) {
        throw ETarvexAbort(FmtLoadStr(365, path));
    } catch (const EReadError&) {
        throw ETarvexAbort(FmtLoadStr(365, path));
    }
}

}  // namespace

// ---- Families

bool InFamilySetA(int f) { return oneOf(f, {2, 4, 8, 10, 11, 15, 17, 18}); }
bool InFamilySetB(int f) { return InFamilySetA(f) || f == 12 || f == 13; }
bool IsDallasFamily(int f) { return InFamilySetA(f) && f != 17; }
bool IsDpsFamily(int f) { return InFamilySetA(f); }
int PellunarVariantOf(int f) { return f == 12 ? 1 : f == 17 ? 2 : 0; }
int DallasAddressingModeOf(int f) { return f == 10 ? 1 : (f == 11 || f == 15) ? 2 : 0; }

int AccessCodeVariantOf(int fw, int f) {
    if (fw < 12) return InFamilySetA(f) ? 1 : 0;
    if (fw < 16) return 2;
    return oneOf(f, {10, 11, 15}) ? 3 : 2;
}

int MonitorModeOf(int fw, int f) {
    if (fw == 11) return InFamilySetA(f) ? 1 : 0;
    switch (DallasAddressingModeOf(f)) {
    case 1: return 1;
    case 2: return 2;
    default: return fw >= 14 && InFamilySetB(f) ? 3 : 0;
    }
}

// ---- FPGA image

FpgaImageChoice ChooseFpgaImageName(int g, int p, int f, int fw,
                                    const std::function<bool(const std::string&)>& exists) {
    FpgaImageChoice c;
    const char* prefix = g == 0 ? "KORLU" : g == 1 ? "T5" : g == 2 ? "T6" : nullptr;
    // A board not identified yet has no image.
    if (prefix == nullptr) return c;
    const std::string pre = prefix;
    if (f < 1 || f > 18) {
        c.name = pre + "No" + std::to_string(f);
        return c;
    }
    if (g != 0 && f == 14) {
        c.name = pre + "AVR";
        return c;
    }
    if (g == 2) {
        c.name = pre + (f == 2 || f == 17 ? "_MSC" : f == 13 ? "_8252" : "_8051");
        return c;
    }
    if (g == 0) {
        const char* n = nullptr;
        if (oneOf(f, {5, 6, 7}) && p != 3 && p != 4) n = "51";
        else if (oneOf(f, {1, 13, 14, 16})) n = "51";
        else if (oneOf(f, {2, 8, 12, 17, 18})) n = "320";
        else if (f == 3) n = "154";
        else if (f == 4) n = "520";
        else if (oneOf(f, {5, 6, 7})) n = "PH";
        else if (f == 9) n = "LPC";
        else n = "390";  // 10, 11, 15
        c.name = pre + n;
        return c;
    }

    // Generation 1: the name by pod and family; the mode switches are set
    // when the first of two names is taken, or always for the ADuC images.
    const bool inA = InFamilySetA(f);
    std::optional<bool> a1, p0;
    bool switches = false;
    auto single = [&](const char* n, bool always = false) {
        c.name = pre + n;
        switches = always;
    };
    auto pair = [&](const char* first, const char* second) {
        const std::string tried = pre + first;
        switches = exists(tried);
        c.name = switches ? tried : pre + second;
    };
    if (oneOf(p, {0, 5, 10, 11, 21})) {
        a1 = false;
        if (f == 4) single("b1520");
        else if (inA && fw == 13) single("b1320401");
        else if (inA && (fw == 14 || fw == 15)) single("b1320410");
        else if (f == 15) single("b1400");
        else if (f == 10 || f == 11) single("b1390");
        else if (oneOf(f, {2, 8, 17, 18})) pair("ab1320", "b1320");
        else if (f == 16) single("ab1aduc", true);
        else if (f == 12) pair("ab1w77", "b1w77");
        else if (f == 13) pair("ab18252", "b18252");
        else pair("ab1", "b1");
    } else if (p == 1) {
        single("b1");
    } else if (p == 2) {
        a1 = true;
        if (f == 4) single("b1520");
        else if (inA && fw == 13) single("a1320401");
        else if (inA && (fw == 14 || fw == 15)) single("a1320410");
        else if (inA) pair("ab1320", "a1320");
        else if (f == 16) single("ab1aduc", true);
        else if (f == 12) pair("ab1w77", "a1w77");
        else if (f == 13) pair("ab18252", "a18252");
        else pair("ab1", "a1");
    } else if (p == 3 || p == 4) {
        single("a2");
    } else if (p == 6 || p == 12) {
        p0 = false;
        pair("b23", "b2");
    } else if (p == 7 || p == 13) {
        p0 = true;
        pair("b23", "b3");
    } else if (oneOf(p, {8, 14, 16, 22, 9, 15, 17, 18, 19, 20, 23, 24})) {
        const bool pod5 = !oneOf(p, {8, 14, 16, 22});
        p0 = pod5;
        if (pod5) a1 = oneOf(p, {18, 19, 20, 23, 24});
        const char* second = pod5 ? "b5" : "b4";
        if (f == 16) single("b45aduc", true);
        else if (f == 12) pair("b45w77", pod5 ? "b5w77" : "b4w77");
        else if (f == 13) pair("b458252", pod5 ? "b58252" : "b48252");
        else if (inA) pair("b45320", second);
        else pair("b45", second);
    } else {
        return c;  // no image for pods from 25 on
    }
    if (switches) {
        c.busModeA1 = a1;
        c.hookP0 = p0;
    }
    return c;
}

std::string ReduceFpgaName(std::string_view name, std::uint8_t firmwareCode) {
    // Both separators, whichever system wrote the name.
    if (const std::size_t slash = name.find_last_of("/\\"); slash != std::string_view::npos)
        name = name.substr(slash + 1);
    if (const std::size_t dot = name.find_last_of('.'); dot != std::string_view::npos && dot > 0)
        name = name.substr(0, dot);
    std::string out(name);
    if (firmwareCode == 12 && out.starts_with("KORLU")) out[4] = 'J';
    return out;
}

// ---- Groups and the definition file

TSfrGruppe* TSfrGruppenList::Find(std::string_view name) const {
    for (const auto& g : items_)
        if (g->name == name) return g.get();
    return nullptr;
}

void ParseSfrDefinition(std::string_view text, std::string_view derivative, TRegisterTabelle& registers,
                        TSfrGruppenList& groups, SfrCanAddresses& can) {
    const std::vector<std::string_view> lines = definitionLines(text);
    std::size_t i = findDerivative(lines, derivative);
    registers.Clear();
    groups.Clear();
    can = {};

    // 0 before a group, 1 expecting an SFR line, 2 after one; the states of
    // the fields inside a line never outlive it.
    int state = 0;
    std::unique_ptr<TSfrGruppe> group;
    for (; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (line.empty()) continue;
        if (state == 2) {
            if (isGroup(line)) {
                groups.Add(std::move(group));
                state = 0;
            } else if (endsSection(line)) {
                groups.Add(std::move(group));
                return;
            } else {
                state = 1;
            }
        }
        if (state == 0) {
            if (isGroup(line)) {
                group = std::make_unique<TSfrGruppe>();
                group->name = std::string(TrimBlanks(line.substr(6)));
                state = 1;
                continue;
            }
            if (endsSection(line)) continue;
            syntaxError(line);
        }

        // An SFR line: ["+"] kind name name2 name3 number number.
        std::size_t pos = 0;
        const bool unlisted = line.front() == '+';
        if (unlisted) ++pos;
        if (pos >= line.size() || line[pos] < '0' || line[pos] > '5') syntaxError(line);
        const auto kind = static_cast<std::uint8_t>(line[pos] - '0');
        const std::vector<std::string_view> w = SplitWords(line.substr(pos + 1));
        if (w.size() < 3) syntaxError(line);
        const auto field = [](std::string_view s) { return s == "-" ? std::string_view() : s; };
        const std::string_view name = field(w[0]);
        if (name.empty()) syntaxError(line);
        if (w.size() < 4) syntaxError(line);
        const std::uint8_t first = byteConstant(w[3]);
        if (w.size() < 5) syntaxError(line);
        const std::uint8_t second = byteConstant(w[4]);
        if (w.size() > 5) syntaxError(line);
        const std::uint8_t mask = kind == 2 ? static_cast<std::uint8_t>(1u << (first & 7)) : 0;
        TRegister* entry = registers.AddRegister(name, field(w[1]), kind, mask, second, first, field(w[2]));
        const std::string upperName = upper(name);
        if (upperName == "CANDAT") can.canDat = first;
        if (upperName == "CANADR") can.canAdr = first;
        if (!unlisted) {
            group->registers.push_back(entry);
            ++group->count;
        }
        state = 2;
    }
    if (state == 2) groups.Add(std::move(group));
}

bool SfrDefinitionGroupContains(std::string_view text, std::string_view derivative, std::string_view needle) {
    const std::vector<std::string_view> lines = definitionLines(text);
    std::size_t i = findDerivative(lines, derivative);
    while (i < lines.size() && !isGroup(lines[i])) ++i;
    for (; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (line.empty() || isGroup(line)) continue;
        if (endsSection(line)) return false;
        if (line.find(needle) != std::string_view::npos) return true;
    }
    return false;
}

// ---- The component

TSfrConfig::TSfrConfig(TRegisterTabelle& registers, ISfrEmulator& emulator, ITargetOptions& options)
    : registers_(registers), emulator_(emulator), options_(options) {
    constructing_ = true;
    SetOptionNummer(1);
    constructing_ = false;
}

void TSfrConfig::SetOptionNummer(int value) {
    if (!constructing_) emulator_.ProcessorChangeStarts();
    optionNummer_ = value;
    emulator_.Log("ConfigSfr.OptionNummer setzen: " + std::to_string(value));

    const int f = GetOptionNummer();
    const LinkProfile& firmware = emulator_.Profile();
    codeVariant_ = static_cast<std::uint8_t>(AccessCodeVariantOf(firmware.code, f));
    // Until the monitor data are read no board has been reached; the codes
    // stay zero.
    if (const TMonitorData* data = emulator_.MonitorData()) accessCodes_ = data->AccessCodes(codeVariant_);
    else accessCodes_.fill(0);
    if (oneOf(f, {8, 10, 11, 15})) {
        accessCodes_[0x80 - 0x80] = 0x64;
        accessCodes_[0x90 - 0x80] = 0x69;
        accessCodes_[0xA0 - 0x80] = 0x6E;
        accessCodes_[0xB0 - 0x80] = 0x73;
    }
    if (firmware.dpsAccessCode && (InFamilySetA(f) || f == 12)) accessCodes_[0x86 - 0x80] = 0x0C;
    if (f == 17) accessCodes_[0xD8 - 0x80] = 0x80;
    trailerBytes_ = {0x00, 0x4F, 0x50, 0x7A, 0xF5};

    if (!constructing_) {
        emulator_.SetProzessorTyp(static_cast<std::uint8_t>(f));
        if (IBankingPart* banking = emulator_.Parts().banking) banking->SetDallasAddressingMode(DallasAddressingModeOf(f));
        ChooseFpgaImage();
        emulator_.SetMonitorMode(static_cast<std::uint8_t>(MonitorModeOf(firmware.code, f)));
        SetFamilyFlags();
        family7Flag_ = f == 7;
    }
    emulator_.Log("ConfigSfr.OptionNummer setzen Ende");
}

void TSfrConfig::SetTargetName(const std::string& name) {
    if (name == targetName_) return;
    if (const IRunControlPart* run = emulator_.Parts().runControl; run != nullptr && run->IsRunning())
        throw ETarvexAccessError(std::string(LoadStr(72)));
    emulator_.Log("ConfigSfr.TargetName setzen: " + name);
    LoadDerivative(name);
    targetName_ = name;
    // Pending until a table reached the board, also when the sending fails.
    tablePending_ = true;
    if (emulator_.ConnectionState() >= 4) TransmitSfrTabelle();
}

std::string TSfrConfig::readDefinitionFile() const { return fileText(options_.targetFileName()); }

void TSfrConfig::LoadDerivative(const std::string& name) { LoadDerivativeText(readDefinitionFile(), name); }

void TSfrConfig::LoadDerivativeText(std::string_view text, const std::string& name) {
    // Read aside and taken over whole: a half-read derivative would file the
    // board's SFR bytes under the wrong SFRs.
    TRegisterTabelle registers;
    TSfrGruppenList groups;
    SfrCanAddresses can;
    ParseSfrDefinition(text, name, registers, groups, can);
    if (registers.SfrCount() > MaxSfrEntries) throw EVokWinFileError(FmtLoadStr(211, "number of SFRs"));
    registers_.Assign(std::move(registers));
    groups_.Swap(groups);
    canAdr_ = can.canAdr;
    canDat_ = can.canDat;
}

void TSfrConfig::TransmitSfrTabelle() {
    emulator_.Log("TransmitSfrTabelle Start");
    const int n = registers_.SfrCount();
    const auto count = static_cast<std::uint8_t>(n + 11);
    emulator_.Log("TransmitSfrTabelle SfrCount: " + std::to_string(count));
    std::string table;
    table.reserve(static_cast<std::size_t>(n) + 12);
    for (int i = 0; i < n; ++i) table += static_cast<char>(accessCodes_[registers_.SfrAddress(i) & 0x7Fu]);
    table += static_cast<char>(trailerBytes_[1]);
    table += static_cast<char>(trailerBytes_[2]);
    for (int r = 0; r < 8; ++r) table += static_cast<char>(trailerBytes_[4] + r);
    table += static_cast<char>(trailerBytes_[3]);
    table += '\xFF';
    emulator_.WriteMasterBlock(0x7B00, table);
    // Only a table that reached the board changes the register string.
    sfrCount_ = count;
    tablePending_ = false;
    emulator_.Log("TransmitSfrTabelle Ende");
}

bool TSfrConfig::GroupContains(const std::string& derivative, std::string_view text) const {
    return SfrDefinitionGroupContains(readDefinitionFile(), derivative, text);
}

void TSfrConfig::ChooseFpgaImage() {
    const FpgaImageChoice choice =
        ChooseFpgaImageName(emulator_.Profile().generation, options_.podKennung(), GetOptionNummer(), emulator_.Profile().code,
                            [this](const std::string& name) { return emulator_.FpgaFileExists(name); });
    // The switches first: loading the image makes the trace board read its
    // configuration.
    if (ITraceBoardPart* trace = emulator_.Parts().traceBoard) {
        if (choice.busModeA1) trace->SetBusModeA1(*choice.busModeA1);
        if (choice.hookP0) trace->SetHookP0Bus(*choice.hookP0);
    }
    std::string name = choice.name;
    if (!name.empty() && emulator_.FpgaVariantFlag()) name += "nm";
    emulator_.SetFpgaName(name);
}

void TSfrConfig::SetFamilyFlags() {
    const int f = GetOptionNummer();
    runPodFlag_ = oneOf(f, {5, 6, 7}) && oneOf(options_.podKennung(), {3, 4, 6, 7, 12, 13});
    emulator_.SetPodBit5Flag(runPodFlag_ && f == 5);
}

}  // namespace tarvex
