#include "host/options.hpp"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "core/errors.hpp"
#include "core/format.hpp"
#include "core/message_box.hpp"
#include "core/messages.hpp"
#include "core/value_stream.hpp"
#include "emulator/disassembler.hpp"
#include "emulator/emulator.hpp"
#include "emulator/memory_spaces.hpp"
#include "emulator/sfr_config.hpp"
#include "platform/files.hpp"
#include "platform/process.hpp"
#include "platform/settings.hpp"
#include "platform/stream.hpp"

namespace tarvex {

namespace fs = std::filesystem;

namespace {

constexpr const char* PodNames[PodKennungCount] = {
    "Eprom Adapter", "Tarvex3", "A1", "A2", "A2Bus", "B1", "B2", "B2Bus", "QZ", "QZ P0 Mixed", "A0/A3",
    "DebugConnector", "A0/A3 FK", "A0/A3 FKBus", "A0/A3 QZ", "A0/A3 QZ P0 Mixed", "DebugConnector QZ",
    "DebugConnector QZ P0 Mixed", "QZ P0/P2 Mixed", "DebugConnector QZ P0/P2 Mixed", "A0/A3 QZ P0/P2 Mixed",
    "DebugICEconnector", "DebugICEconnector QZ", "DebugICEconnector QZ P0 Mixed",
    "DebugICEconnector QZ P0/P2 Mixed"};

bool in(int v, std::initializer_list<int> set) { return std::find(set.begin(), set.end(), v) != set.end(); }
bool between(int v, int lo, int hi) { return v >= lo && v <= hi; }

bool isFile(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::vector<std::string> splitList(std::string_view text) {
    std::vector<std::string> parts;
    while (!text.empty()) {
        const std::size_t semi = text.find(';');
        const std::string_view part = text.substr(0, semi);
        if (!part.empty()) parts.emplace_back(part);
        if (semi == std::string_view::npos) break;
        text.remove_prefix(semi + 1);
    }
    return parts;
}

bool endsWithSeparator(const std::string& s) {
    if (s.empty()) return false;
    const char c = s.back();
    return c == '/' || c == static_cast<char>(fs::path::preferred_separator) || c == ':';
}

// Makes the working directory, moving the previous layout's data folder
// there when it exists; false when the root cannot take it.
bool makeWorkDir(const fs::path& work, const fs::path& previous) {
    std::error_code ec;
    if (fs::is_directory(work, ec)) return true;
    if (fs::is_directory(previous, ec)) {
        fs::rename(previous, work, ec);
        if (!ec) return true;
    }
    ec.clear();
    fs::create_directories(work, ec);
    return !ec && fs::is_directory(work, ec);
}

}  // namespace

std::string PodName(int pod) { return between(pod, 0, PodKennungCount - 1) ? PodNames[pod] : "unknown"; }

std::string DirectoryWithSeparator(const std::string& name) {
    std::string dir = fs::path(name).parent_path().string();
    if (dir.empty() || endsWithSeparator(dir)) return dir;
    return dir + static_cast<char>(fs::path::preferred_separator);
}

std::string ChangeFileExt(const std::string& name, std::string_view ext) {
    return fs::path(name).replace_extension(fs::path(std::string(ext))).string();
}

// ---------------------------------------------------------------- TBasisOptionen

TBasisOptionen::TBasisOptionen(platform::SettingsStore& settings, OptionsEnvironment environment)
    : settings_(settings), environment_(std::move(environment)) {
    rootDir_ = environment_.root.empty() ? InstallationRoot() : environment_.root;
    const std::vector<std::string> args =
        environment_.arguments ? *environment_.arguments : platform::processArguments();
    for (std::size_t i = 1; i < args.size(); ++i)
        if (lower(args[i]).starts_with("/id=")) instanceId_ = args[i].substr(4);
}

void TBasisOptionen::log(std::string_view text) const { logLine(text); }

void TBasisOptionen::logLine(std::string_view text) const {
    if (logSink_) logSink_(text);
}

void TBasisOptionen::notify(std::uint8_t code) {
    if (notifier_ != nullptr && !updating_) notifier_->send(code, this);
}

void TBasisOptionen::Notify(std::uint8_t code, const void*) {
    if (code == notify::EmulatorState) CheckTarget();
}

void TBasisOptionen::SetExeName(const std::string& path) {
    if (exeName_.empty()) {
        std::error_code ec;
        startDir_ = fs::current_path(ec).string();
    }
    exeName_ = path;
}

void TBasisOptionen::InitialSettings() {
    const bool wasUpdating = updating_;
    updating_ = true;
    struct Restore {
        bool& flag;
        bool value;
        ~Restore() { flag = value; }
    } restore{updating_, wasUpdating};

    // 1. The registry's root, read once.
    if (!registryRootRead_) {
        registryRootRead_ = true;
        if (environment_.registryRoot) {
            registryRoot_ = *environment_.registryRoot;
        } else if (const char* env = std::getenv("TARVEX_ROOT"); env != nullptr && *env != 0) {
            registryRoot_ = env;
        } else {
            const std::string program = exeName_.empty() ? platform::executablePath() : exeName_;
            registryRoot_ = platform::appPathsValue(fs::path(program).filename().string(), settings_);
        }
    }
    const fs::path root(rootDir_);
    const fs::path regRoot(registryRoot_);
    // 2. The working directory; a root the user may not write falls back to
    // a folder of the user's own, so that the start goes on.
    const fs::path work = root / "VokData";
    if (makeWorkDir(work, root / "Data")) {
        workDir_ = work.string();
    } else {
        const std::string userDir = environment_.userDataDir.empty() ? platform::userDataDir() : environment_.userDataDir;
        const fs::path fallback = fs::path(userDir) / "Tarvex" / "VokData";
        std::error_code ec;
        fs::create_directories(fallback, ec);
        workDir_ = fallback.string();
    }
    // 3. The help file: program subdirectory and "E.hlp" make one name.
    const std::string help = programSubdir_ + std::string(LoadStr(308));
    helpFile_ = (root / help).string();
    if (!isFile(helpFile_) && !registryRoot_.empty()) helpFile_ = (regRoot / help).string();
    // 4. The target description file.
    std::string target = (root / SfrDefinitionFileName).string();
    if (!isFile(target)) {
        target = !registryRoot_.empty() ? (regRoot / SfrDefinitionFileName).string()
                                        : (fs::path(".") / SfrDefinitionFileName).string();
    }
    SetTargetFileName(target);
    // 5. Service mode.
    UpdateSystemMode();
    // 6. The last project.
    firstCall_ = settings_.readBool(SettingsKey, SettingsSection, "FirstCall", true);
    projectName_ = settings_.readString(SettingsKey, SettingsSection, "Project", "Default");
    if (projectName_.empty()) projectName_ = "Default";
    // 7. The watchdog files.
    const auto pick = [&](const char* name) {
        const fs::path first = root / name;
        if (isFile(first) || registryRoot_.empty()) return first.string();
        return (regRoot / name).string();
    };
    SetWatchdogFiles(pick("Watchdog.bin"), pick("WatchdogUser.bin"));
}

void TBasisOptionen::SetDefaults() {
    const fs::path demos = fs::path(registryRoot_.empty() ? rootDir_ : registryRoot_) / "Demos";
    objectDir_ = demos.string();
    SetSourceDirNames(demos.string());
    macroDir_ = workDir_;
    SetHochsprachenTyp(TCompiler::C51_Keil);
    SetSourceExtNames(".c");
    flags_ = DefaultFlags;
    for (int i = 0; i < ListEntries; ++i) {
        SetFirstList(i, "");
        SetSecondList(i, "");
    }
}

void TBasisOptionen::SaveRegistry() {
    settings_.writeBool(SettingsKey, SettingsSection, "FirstCall", firstCall_);
    settings_.writeString(SettingsKey, SettingsSection, "Project", projectName_);
}

void TBasisOptionen::WriteAutoSave() const {
    settings_.writeInteger(ProjectKey, ProjectSection(), "AutoSave", flags_);
}

std::string TBasisOptionen::ProjectSection() const {
    std::string section = projectName_;
    for (char& c : section)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '_';
    return section;
}

void TBasisOptionen::SetOptionBit(int n, bool on) {
    if (n < 0 || n > 15) return;
    const auto bit = static_cast<std::uint16_t>(1u << n);
    flags_ = static_cast<std::uint16_t>(on ? flags_ | bit : flags_ & ~bit);
}

void TBasisOptionen::SetSourceDirNames(const std::string& names) {
    sourceDirs_ = names.starts_with(';') ? names.substr(1) : names;
}

void TBasisOptionen::SetSourceExtNames(const std::string& names) {
    std::string text = names.starts_with(';') || names.starts_with(',') ? names.substr(1) : names;
    std::vector<std::string> exts = splitList(text);
    if (exts.empty()) {
        text = ".c";
        exts = {".c"};
    }
    sourceExtNames_ = text;
    sourceExts_ = std::move(exts);
}

std::string TBasisOptionen::SourceExtNamesStern() const {
    std::string out;
    for (const std::string& ext : sourceExts_) out += (out.empty() ? "*" : ";*") + ext;
    return out;
}

void TBasisOptionen::SetProjectName(const std::string& name) {
    if (name == projectName_) return;
    projectName_ = name;
    notify(28);
}

void TBasisOptionen::SetHochsprachenTyp(TCompiler type) {
    if (type == compiler_) return;
    compiler_ = type;
    notify(30);
}

void TBasisOptionen::SetFirstList(int i, const std::string& text) {
    if (!between(i, 0, ListEntries - 1) || firstList_[static_cast<std::size_t>(i)] == text) return;
    firstList_[static_cast<std::size_t>(i)] = text;
    notify(27);
}

void TBasisOptionen::SetSecondList(int i, const std::string& text) {
    if (!between(i, 0, ListEntries - 1) || secondList_[static_cast<std::size_t>(i)] == text) return;
    secondList_[static_cast<std::size_t>(i)] = text;
    notify(26);
}

void TBasisOptionen::UpdateSystemMode() {
    const fs::path dir = projectDir_.empty() ? fs::path(rootDir_) : fs::path(projectDir_);
    systemMode_ = isFile(dir / "SystemMode.txt");
}

void TBasisOptionen::SetTargetFileName(const std::string& name) {
    targets_.LoadFromFile(name, [this](std::string_view line) { log(line); });
    targetFile_ = name;
}

void TBasisOptionen::SetWatchdogFiles(std::string file, std::string userFile) {
    watchdogFile_ = std::move(file);
    watchdogUserFile_ = std::move(userFile);
}

void TBasisOptionen::SetProjectDir(const std::string& projectFilePath) {
    projectDir_ = DirectoryWithSeparator(projectFilePath);
    UpdateSystemMode();
}

void TBasisOptionen::SetOptionFileName(const std::string& name) {
    if (name.empty()) {
        optionFile_.clear();
        return;
    }
    std::string file = ChangeFileExt(name, ".bopt");
    if (!projectDir_.empty() && DirectoryWithSeparator(file) != projectDir_)
        file = projectDir_ + fs::path(file).filename().string();
    optionFile_ = file;
}

std::string TBasisOptionen::GetOptionFileName() const {
    if (!optionFile_.empty()) return optionFile_;
    if (projectName_.empty()) return {};
    return (fs::path(workDir_) / (fs::path(projectName_).stem().string() + ".bopt")).string();
}

bool TBasisOptionen::CheckFileName(std::string& name) const {
    if (name.empty()) return false;
    const fs::path p(name);
    std::error_code ec;
    if (p.has_parent_path()) {
        const fs::path full = fs::absolute(p, ec);
        if (ec || !isFile(full)) return false;
        name = full.lexically_normal().string();
        return true;
    }
    std::vector<fs::path> dirs{fs::current_path(ec)};
    if (!loadDir_.empty()) dirs.emplace_back(loadDir_);
    const std::vector<std::string> sources = splitList(sourceDirs_);
    if (sources.empty()) dirs.emplace_back(".");
    for (const std::string& dir : sources) dirs.emplace_back(dir);
    for (const fs::path& dir : dirs) {
        const fs::path candidate = dir / p;
        if (isFile(candidate)) {
            name = candidate.string();
            return true;
        }
    }
    return false;
}

bool TBasisOptionen::Usable(const TTargetInfoItem& item) const {
    if (firmware_ == 0) return true;
    if (item.OptionNummer == 17 && between(firmware_, 1, 13)) return false;
    if (in(item.OptionNummer, {10, 11, 15}) && in(firmware_, {11, 13})) return false;
    return true;
}

std::string TBasisOptionen::GetTargetManufacturer() const {
    const TTargetInfoItem* item = targets_.Find(targetName_);
    return item != nullptr ? item->Manufacturer : std::string();
}

std::vector<std::string> TBasisOptionen::GetManufacturerList() const {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < targets_.Count(); ++i) {
        const TTargetInfoItem& item = *targets_.Items(i);
        if (Usable(item) && (out.empty() || out.back() != item.Manufacturer)) out.push_back(item.Manufacturer);
    }
    return out;
}

std::vector<std::string> TBasisOptionen::GetProcessorList(const std::string& manufacturer) const {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < targets_.Count(); ++i) {
        const TTargetInfoItem& item = *targets_.Items(i);
        if (Usable(item) && (manufacturer.empty() || item.Manufacturer == manufacturer)) out.push_back(item.Cpu);
    }
    return out;
}

void TBasisOptionen::SetTargetName(const std::string& name) { applyTarget(name, true); }

void TBasisOptionen::applyTarget(std::string name, bool fallback) {
    log("VokWinOptionen.TargetName setzen: " + name);
    const TTargetInfoItem* entry = targets_.Find(name);
    if (entry == nullptr) {
        if (fallback) ErrorBox(FmtResStr(65289, name), platform::mb::Ok | platform::mb::IconError);
        name = "80C51";
        entry = targets_.Find(name);
    }
    bool builtIn = false;
    if (entry == nullptr) {
        entry = &BuiltInTargetInfo();
        name = entry->Cpu;
        builtIn = true;
    }
    targetName_ = name;
    if (!Usable(*entry)) {
        if (fallback) {
            ErrorBox(FmtResStr(65289, name) + ".\n" + std::string(LoadResStr(65288)) + "!",
                     platform::mb::Ok | platform::mb::IconError);
            // The replacement applies itself; nothing of the refused entry is
            // applied here.
            applyTarget(in(entry->OptionNummer, {10, 11, 15}) ? "80C390_standard" : "80C51", false);
            return;
        }
        entry = &BuiltInTargetInfo();
        targetName_ = entry->Cpu;
        builtIn = true;
    }
    applyEntry(*entry, builtIn);
    log("VokWinOptionen.TargetName setzen Ende");
}

void TBasisOptionen::applyEntry(const TTargetInfoItem& entry, bool) {
    xdataMin_ = static_cast<std::uint16_t>(entry.Min);
    xdataMax_ = static_cast<std::uint16_t>(entry.Max);
    progMax_ = static_cast<std::uint16_t>(entry.Prog);
}

void TBasisOptionen::CheckTarget() {
    const TTargetInfoItem* entry = targets_.Find(targetName_);
    if (entry == nullptr) entry = &BuiltInTargetInfo();
    if (Usable(*entry)) return;
    ErrorBox(FmtResStr(65289, targetName_) + ".\n" + std::string(LoadResStr(65288)) + "!",
             platform::mb::Ok | platform::mb::IconError);
    applyTarget(in(entry->OptionNummer, {10, 11, 15}) ? "80C390_standard" : "80C51", false);
}

// ---------------------------------------------------------------- TVokWinOptionen

void TVokWinOptionen::logLine(std::string_view text) const {
    if (emulator_ != nullptr) emulator_->Protokoll(text);
    TBasisOptionen::logLine(text);
}

void TVokWinOptionen::Notify(std::uint8_t code, const void* data) {
    TBasisOptionen::Notify(code, data);
    if (code != notify::EmulatorState) return;
    updateWatchdog();
    applyPod();
}

void TVokWinOptionen::SetDefaults() {
    TBasisOptionen::SetDefaults();
    SetPodKennung(DefaultPod);
    SetTargetName("80C51");
    SetWatchdogSupport(false);
}

void TVokWinOptionen::firmwareKnown(std::uint8_t code) {
    log("OptionNummer abh. von EpromTyp");
    firmware_ = code;
    CheckTarget();
}

void TVokWinOptionen::applyEntry(const TTargetInfoItem& entry, bool builtIn) {
    if (sfr_ != nullptr) {
        // The option number first, so that the table goes out with the new
        // family's access codes.
        sfr_->SetOptionNummer(entry.OptionNummer);
        try {
            sfr_->SetTargetName(targetName_);
        } catch (const EVokWinFileError&) {
            // The built-in processor need not be in the file's SFR sections.
            if (!builtIn) throw;
        }
    }
    TBasisOptionen::applyEntry(entry, builtIn);
    if (spaces_ != nullptr) spaces_->Space(SpaceKind::Program).SetProgramMaxAdresse(progMax_);
    setExtDataMax();
    if (entry.Watchdog != watchdog_) {
        watchdog_ = entry.Watchdog;
        updateWatchdog();
    }
    if (emulator_ != nullptr && emulator_->ConnectionState() != 0) notify(notify::ProcessorChanged);
}

void TVokWinOptionen::setExtDataMax() {
    if (spaces_ == nullptr) return;
    const int pod = static_cast<int>(pod_);
    const bool fromTarget = in(pod, {3, 4, 6, 7, 8, 9, 22, 23, 24}) || between(pod, 12, 20);
    spaces_->Space(SpaceKind::ExtData).SetXdataMaxAdresse(fromTarget ? xdataMax_ : 0xFFFF);
}

void TVokWinOptionen::SetPodKennung(TPodKennung pod) {
    if (pod == pod_) return;
    pod_ = pod;
    log("VokWinOptionen.PodKennung setzen: " + PodName());
    applyPod();
}

void TVokWinOptionen::applyPod() {
    const int pod = static_cast<int>(pod_);
    if (sfr_ != nullptr) sfr_->SetOptionNummer(sfr_->OptionNummer());
    if (emulator_ != nullptr) {
        emulator_->SetPodKennung(in(pod, {2, 4, 5, 7, 8, 9, 10}) || between(pod, 13, 20));
        emulator_->SetPellunars(in(pod, {8, 9}) || between(pod, 14, 20) || between(pod, 22, 24));
    }
    if (in(pod, {0, 11, 21}) && resetExtDataMap_) resetExtDataMap_();
    if (emulator_ != nullptr) {
        emulator_->SetOptionBit1(between(pod, 21, 24));
        emulator_->SetOptionBit2(pod == 9 || between(pod, 17, 19));
    }
}

void TVokWinOptionen::SetWatchdogSupport(bool on) {
    if (on == watchdogSupport_) return;
    watchdogSupport_ = on;
    updateWatchdog();
}

void TVokWinOptionen::updateWatchdog() {
    if (emulator_ != nullptr && emulator_->ConnectionState() >= TBasisEmulator::StateStarting)
        emulator_->UpdateWatchdog(watchdog_, false);
}

void TVokWinOptionen::SetLpcConfig(std::uint8_t ucfg1, std::uint8_t part) {
    if (ucfg1 == lpc1_ && part == lpc2_) return;
    lpc1_ = ucfg1;
    lpc2_ = part;
    // A ready board gets the new configuration at once.
    if (emulator_ != nullptr) emulator_->SetLpcConfig();
}

ITargetOptions::WatchdogCommands TVokWinOptionen::GetWatchdogCommands() const {
    WatchdogCommands block{};
    if (watchdog_ == 0) return block;
    const std::string& file = watchdog_ > 0 ? watchdogFile_ : watchdogUserFile_;
    const std::int64_t index = watchdog_ > 0 ? std::int64_t{watchdog_} - 1 : -std::int64_t{watchdog_} - 1;
    std::vector<std::uint8_t> bytes;
    if (isFile(file)) bytes = platform::readWholeFile(file);
    const std::int64_t at = index * static_cast<std::int64_t>(block.size());
    if (static_cast<std::int64_t>(bytes.size()) < at + static_cast<std::int64_t>(block.size()))
        throw EVokWinFileError(FmtResStr(65278, watchdog_, file));
    std::copy_n(bytes.begin() + at, block.size(), block.begin());
    return block;
}

std::vector<std::string> TVokWinOptionen::ListWatchdogCommands(const WatchdogCommands& block, int sequence) {
    std::vector<std::string> lines;
    if (!between(sequence, 0, 2)) return lines;
    Disassembler disassembler(nullptr, nullptr, nullptr);
    const std::size_t base = static_cast<std::size_t>(sequence) * 16;
    // Bytes past the block read as 0; the listing stops with the sequence.
    const auto at = [&](std::size_t i) { return i < block.size() ? block[i] : std::uint8_t{0}; };
    std::size_t offset = 0;
    while (offset < 16 && block[base + offset] != 0) {
        const std::size_t i = base + offset;
        const DisassembledInstruction d =
            disassembler.Disassemble(UnbankedAdresse(static_cast<std::uint16_t>(offset)), false, false, at(i),
                                     at(i + 1), at(i + 2), at(i + 3));
        lines.push_back(Format("%.4X", static_cast<unsigned>(offset)) + " " + d.instruction);
        offset += static_cast<std::size_t>(std::max(1, d.length));
    }
    return lines;
}

void TVokWinOptionen::WriteProperties(ValueWriter& w) const {
    WriteAutoSave();
    w.WriteInteger(static_cast<int>(pod_));
    w.WriteString(targetName_);
    w.WriteBoolean(watchdogSupport_);
    w.WriteInteger(lpc1_);
    w.WriteInteger(lpc2_);
    w.WriteString(macroDir_);
    w.WriteString(objectDir_);
    w.WriteString(sourceDirs_);
    w.WriteInteger(static_cast<int>(compiler_));
    w.WriteString(sourceExtNames_);
    for (std::size_t i = 0; i < ListEntries; ++i) {
        w.WriteString(firstList_[i]);
        w.WriteString(secondList_[i]);
    }
    w.WriteString(bootFile_);
    w.WriteInteger(bootAddress_);
    w.WriteInteger(flags_);
    w.WriteString(furtherText_);
}

void TVokWinOptionen::ReadProperties(ValueReader& r, std::int32_t version) {
    flags_ = static_cast<std::uint16_t>(settings_.readInteger(ProjectKey, ProjectSection(), "AutoSave", DefaultFlags));
    // Everything is read before anything is applied, so that a section cut
    // short changes nothing. Values out of range take their defaults.
    const auto ranged = [](std::int32_t v, std::int32_t hi, std::int32_t fallback) {
        return v >= 0 && v <= hi ? v : fallback;
    };
    const int pod = ranged(r.ReadInteger(), PodKennungCount - 1, static_cast<int>(DefaultPod));
    const std::string target = r.ReadString();
    const bool watchdogSupport = r.ReadBoolean();
    const auto lpc1 = static_cast<std::uint8_t>(ranged(r.ReadInteger(), 0xFF, 0));
    const auto lpc2 = static_cast<std::uint8_t>(ranged(r.ReadInteger(), 0xFF, 0));
    const std::string macroDir = r.ReadString();
    const std::string objectDir = r.ReadString();
    const std::string sourceDirs = r.ReadString();
    std::int32_t compiler = r.ReadInteger();
    if (version <= 9 && compiler > 5) compiler = 8;
    compiler = ranged(compiler, CompilerCount - 1, 0);
    const std::string exts = r.ReadString();
    std::array<std::string, ListEntries> first, second;
    for (std::size_t i = 0; i < ListEntries; ++i) {
        first[i] = r.ReadString();
        second[i] = r.ReadString();
    }
    std::string bootFile = bootFile_;
    std::uint16_t bootAddress = bootAddress_;
    if (version > 15) {
        bootFile = r.ReadString();
        bootAddress = static_cast<std::uint16_t>(ranged(r.ReadInteger(), 0xFFFF, 0));
    }
    std::uint16_t flags = flags_;
    if (version > 16) flags = static_cast<std::uint16_t>(r.ReadInteger());
    std::string further = furtherText_;
    if (version > 17) further = r.ReadString();

    SetPodKennung(static_cast<TPodKennung>(pod));
    SetTargetName(target);
    SetWatchdogSupport(watchdogSupport);
    SetLpcConfig(lpc1, lpc2);
    macroDir_ = macroDir;
    objectDir_ = objectDir;
    SetSourceDirNames(sourceDirs);
    SetHochsprachenTyp(static_cast<TCompiler>(compiler));
    SetSourceExtNames(exts);
    for (int i = 0; i < ListEntries; ++i) {
        SetFirstList(i, first[static_cast<std::size_t>(i)]);
        SetSecondList(i, second[static_cast<std::size_t>(i)]);
    }
    bootFile_ = bootFile;
    bootAddress_ = bootAddress;
    flags_ = flags;
    furtherText_ = further;
}

}  // namespace tarvex
