#include <gtest/gtest.h>

#include "core/errors.hpp"
#include "tests/host/host_rig.hpp"

namespace tarvex {
namespace {

using test::HostRig;
using Bytes = std::vector<std::uint8_t>;

const std::string LoadError = "Error while loading options.\nPlease check option settings";

// A stream cut into its values, each with its type byte.
std::vector<Bytes> values(const Bytes& bytes) {
    platform::MemoryStream m(bytes);
    ValueReader r(m);
    std::vector<Bytes> out;
    while (!r.EndOfStream()) {
        const auto from = static_cast<std::size_t>(m.position());
        r.SkipValue();
        out.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.begin() + m.position());
    }
    return out;
}

Bytes join(const std::vector<Bytes>& parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes integer(std::int32_t v) {
    platform::MemoryStream m;
    ValueWriter(m).WriteInteger(v);
    return m.bytes();
}

// The sections of a file the driver wrote, as value lists.
struct Sections {
    std::vector<Bytes> head, options, symbols, debug, emulator, banking;
};

Sections split(const Bytes& file) {
    std::vector<Bytes> v = values(file);
    Sections s;
    const auto take = [&](std::vector<Bytes>& to, std::size_t n) {
        to.assign(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(n));
        v.erase(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(n));
    };
    take(s.head, 2);
    take(s.options, 32);
    take(s.symbols, 2);
    take(s.debug, 1);
    // The banking's section of this version has 17 values; the emulator's
    // take the rest.
    s.emulator.assign(v.begin(), v.end() - 17);
    s.banking.assign(v.end() - 17, v.end());
    return s;
}

// The file of an older version: each section cut to what that version holds.
Bytes olderFile(const Sections& s, std::int32_t version, std::vector<Bytes> options) {
    const auto& e = s.emulator;
    std::vector<Bytes> emulator{e[0], e[1]};
    if (version == 2 || version == 3) emulator.push_back({9});
    const auto from = [&](std::vector<Bytes>& to, const std::vector<Bytes>& src, std::size_t a, std::size_t b) {
        to.insert(to.end(), src.begin() + static_cast<std::ptrdiff_t>(a), src.begin() + static_cast<std::ptrdiff_t>(b));
    };
    const struct {
        std::int32_t since;
        std::size_t a, b;
    } parts[] = {{5, 2, 3}, {6, 3, 10}, {7, 10, 11}, {8, 11, 13}, {9, 13, 14}, {11, 14, 15},
                 {13, 15, 16}, {14, 16, 17}, {15, 17, 18}, {19, 18, 19}};
    for (const auto& p : parts)
        if (version >= p.since) from(emulator, e, p.a, p.b);
    const auto& k = s.banking;
    std::vector<Bytes> banking;
    from(banking, k, 0, 11);
    if (version < 3) banking.push_back(integer(0));
    banking.push_back(k[11]);
    if (version >= 5) banking.push_back(k[12]);
    if (version >= 12) from(banking, k, 13, 17);
    else banking.push_back(integer(0x3FFF));
    std::vector<Bytes> all{s.head[0], integer(version)};
    for (const std::vector<Bytes>* part :
         std::initializer_list<const std::vector<Bytes>*>{&options, &s.symbols, &s.debug, &emulator, &banking})
        all.insert(all.end(), part->begin(), part->end());
    return join(all);
}

struct FileRig : HostRig {
    FileRig() {
        options->SetOptionFileName(root.file("proj.bopt"));
        // Path texts fixed, so that the golden file holds on every machine.
        options->SetMacroDirName("M");
        options->SetObjectDirName("O");
        options->SetSourceDirNames("S");
    }
    std::string file() const { return options->GetOptionFileName(); }
    Bytes save() {
        files->SaveProjectOptions();
        return test::readBytes(file());
    }
    void change() {
        options->SetPodKennung(TPodKennung::pkA2);
        options->SetTargetName("80C51_32K");
        options->SetWatchdogSupport(true);
        options->SetLpcConfig(0x12, 0xFE);
        options->SetMacroDirName("macros");
        options->SetObjectDirName(std::string(300, 'o'));
        options->SetSourceDirNames("a;b");
        options->SetHochsprachenTyp(TCompiler::C51_SDCC);
        options->SetSourceExtNames(".c;.a51");
        options->SetFirstList(0, "first");
        options->SetSecondList(8, "second");
        options->SetBootLoader("boot.hex", 0xF000);
        options->SetOptionBit(TBasisOptionen::MapSaveBit, true);
        options->SetFurtherText("more");
        symbols.SetRelativePath(true);
        symbols.SetTransformCase(TTransformCase::tcLower);
        runControl.values = {8};
        emu->SetExternalClock(true);
        emu->SetWaitTimeReset(7);
        emu->SetPortName("COM7");
        emu->SetBaudRate(4);
        emu->SetSysProtokollieren(true);
        emu->SetAlwaysReload(true);
        emu->SetInternalClock(3);
        banking->SetBankingMode(1);
        banking->SetBankedAreaStart(0x8000);
    }
};

TEST(ProjectFiles, DefaultFileMatchesTheGoldenBytes) {
    FileRig rig;
    const Bytes file = rig.save();
    const Bytes golden = test::readBytes((test::sourceDir() / "tests" / "host" / "data" / "default.bopt").string());
    EXPECT_EQ(file, golden);
    const Bytes head = {0x06, 0x0D, 'V', 'o', 'k', 'W', 'i', 'n', ' ', 'O', 'p', 't', 'i', 'o', 'n', 0x02, 0x13,
                        0x02, 0x02, 0x06, 0x05, '8', '0', 'C', '5', '1'};
    ASSERT_GE(file.size(), head.size());
    EXPECT_EQ(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(head.size())), head);
    EXPECT_EQ(rig.settings.readInteger(TBasisOptionen::ProjectKey, "Default", "AutoSave", -1), 1);
    EXPECT_TRUE(rig.settings.valueExists(TBasisOptionen::SettingsKey, "7.3", "FirstCall"));
    EXPECT_EQ(rig.settings.readString(TBasisOptionen::SettingsKey, "7.3", "Project", ""), "Default");
}

TEST(ProjectFiles, EverySettingComesBack) {
    FileRig rig;
    const Bytes defaults = rig.save();
    rig.change();
    const Bytes first = rig.save();
    EXPECT_NE(first, defaults);
    rig.files->SetProjectDefaults();
    test::writeBytes(rig.file(), first);
    EXPECT_TRUE(rig.files->LoadProjectOptions());
    EXPECT_EQ(rig.files->OptionFileState(), FileLoadState::Loaded);
    EXPECT_EQ(rig.options->TargetName(), "80C51_32K");
    EXPECT_EQ(rig.xdataMax(), 0x1FFF);
    EXPECT_EQ(rig.emu->PortName(), "COM7");
    EXPECT_EQ(rig.banking->BankedAreaStart(), 0x8000);
    EXPECT_EQ(rig.runControl.values, std::vector<std::int32_t>{8});
    EXPECT_EQ(rig.save(), first);
    EXPECT_TRUE(rig.boxes.shown().empty());
}

TEST(ProjectFiles, OlderVersionsReadWhatTheyHold) {
    FileRig rig;
    rig.change();
    const Sections s = split(rig.save());
    const struct {
        std::int32_t version;
        std::size_t optionValues;
        bool boot, flags, further;
    } cases[] = {{15, 28, false, false, false}, {16, 30, true, false, false}, {17, 31, true, true, false},
                 {18, 32, true, true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        FileRig r;
        const std::uint8_t clock = r.emu->InternalClock();
        r.settings.writeInteger(TBasisOptionen::ProjectKey, "Default", "AutoSave", 0x41);
        std::vector<Bytes> options(s.options.begin(), s.options.begin() + static_cast<std::ptrdiff_t>(c.optionValues));
        test::writeBytes(r.file(), olderFile(s, c.version, options));
        EXPECT_TRUE(r.files->LoadProjectOptions());
        EXPECT_TRUE(r.boxes.shown().empty());
        EXPECT_EQ(r.options->TargetName(), "80C51_32K");
        EXPECT_EQ(r.options->SecondList(8), "second");
        EXPECT_EQ(r.options->BootLoaderFile(), c.boot ? "boot.hex" : "");
        EXPECT_EQ(r.options->BootLoaderAddress(), c.boot ? 0xF000 : 0);
        EXPECT_EQ(r.options->OptionFlags(), c.flags ? 0x09 : 0x41);
        EXPECT_EQ(r.options->FurtherText(), c.further ? "more" : "");
        EXPECT_EQ(r.emu->InternalClock(), clock);
        EXPECT_EQ(r.emu->PortName(), "COM7");
    }
    const struct {
        std::int32_t version, stored, expected;
    } compilers[] = {{9, 7, 8}, {10, 7, 7}, {9, 12, 8}, {10, 12, 0}, {19, 9, 0}, {19, -1, 0}};
    for (const auto& c : compilers) {
        SCOPED_TRACE(std::to_string(c.version) + ": " + std::to_string(c.stored));
        FileRig r;
        std::vector<Bytes> options(s.options.begin(), s.options.begin() + (c.version < 16 ? 28 : 32));
        options[8] = integer(c.stored);
        options[0] = integer(99);  // no such pod: the default
        test::writeBytes(r.file(), c.version < 19 ? olderFile(s, c.version, options) : [&] {
            Sections t = s;
            t.options = options;
            std::vector<Bytes> all = t.head;
            for (const std::vector<Bytes>* part : {&t.options, &t.symbols, &t.debug, &t.emulator, &t.banking})
                all.insert(all.end(), part->begin(), part->end());
            return join(all);
        }());
        EXPECT_TRUE(r.files->LoadProjectOptions());
        EXPECT_EQ(static_cast<int>(r.options->HochsprachenTyp()), c.expected);
        EXPECT_EQ(r.options->PodKennung(), TPodKennung::pkA1);
        if (c.version < 12) {
            EXPECT_EQ(r.banking->BankedAreaStart(), 0x4000);
            EXPECT_EQ(r.banking->BankedAreaEnd(), 0xFFFF);
        }
    }
}

TEST(ProjectFiles, OlderEmulatorAndBankingSections) {
    FileRig rig;
    rig.change();
    const Sections s = split(rig.save());
    for (std::int32_t version : {2, 3, 4, 6, 11, 12}) {
        SCOPED_TRACE(version);
        FileRig r;
        const std::uint8_t clock = r.emu->InternalClock();
        const std::string port = r.emu->PortName();
        std::vector<Bytes> options(s.options.begin(), s.options.begin() + 28);
        test::writeBytes(r.file(), olderFile(s, version, options));
        EXPECT_TRUE(r.files->LoadProjectOptions());
        EXPECT_TRUE(r.boxes.shown().empty());
        EXPECT_TRUE(r.emu->ExternalClock());
        EXPECT_EQ(r.emu->PortName(), version >= 6 ? "COM7" : port);
        EXPECT_EQ(r.emu->WaitTimeReset(), version >= 5 ? 7 : 0);
        EXPECT_EQ(r.emu->InternalClock(), clock);
        EXPECT_EQ(r.banking->BankedAreaStart(), version >= 12 ? 0x8000 : 0x4000);
        EXPECT_EQ(r.banking->BankedAreaEnd(), 0xFFFF);
    }
}

TEST(ProjectFiles, RefusedFilesGiveDefaultsAndSurviveTheTearDown) {
    FileRig good;
    good.change();
    const Bytes file = good.save();
    Bytes foreign = file;
    foreign[13] = '0';
    Bytes newer = file;
    newer[16] = 20;
    Bytes cut(file.begin(), file.end() - 30);
    Bytes badBool = file;
    // The watchdog support Boolean (after pod and processor name) made a text.
    const std::size_t at = 17 + 2 + 2 + std::string("80C51_32K").size();
    ASSERT_EQ(badBool[at], 9);
    badBool[at] = 6;
    badBool.insert(badBool.begin() + static_cast<std::ptrdiff_t>(at) + 1, 0);
    const struct {
        const char* what;
        Bytes bytes;
        std::string box;
        bool result;
    } cases[] = {
        {"foreign", foreign, " is not a valid option file", true},
        {"newer", newer, "", true},
        {"cut", cut, LoadError, false},
        {"bool", badBool, LoadError, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FileRig r;
        const bool relativeDefault = r.symbols.RelativePath();
        test::writeBytes(r.file(), c.bytes);
        EXPECT_EQ(r.files->LoadProjectOptions(), c.result);
        const std::string box = c.box.empty() ? "Invalid version 20 of option file " + r.file()
                                : c.box == LoadError     ? LoadError
                                                         : r.file() + c.box;
        EXPECT_EQ(r.boxTexts(), std::vector<std::string>{box});
        EXPECT_EQ(r.files->OptionFileState(), FileLoadState::Failed);
        EXPECT_EQ(r.options->TargetName(), "80C51");
        EXPECT_EQ(r.options->PodKennung(), TPodKennung::pkA1);
        EXPECT_FALSE(r.options->WatchdogSupport());
        EXPECT_FALSE(r.emu->ExternalClock());
        EXPECT_EQ(r.symbols.RelativePath(), relativeDefault);
        r.files->SaveAtTearDown();
        EXPECT_EQ(test::readBytes(r.file()), c.bytes);
        EXPECT_FALSE(r.settings.valueExists(TBasisOptionen::ProjectKey, "Default", "AutoSave"));
        EXPECT_TRUE(r.settings.valueExists(TBasisOptionen::SettingsKey, "7.3", "Project"));
        r.files->ConfirmProjectOptions();
        r.files->SaveAtTearDown();
        EXPECT_NE(test::readBytes(r.file()), c.bytes);
    }
    FileRig r;
    EXPECT_TRUE(r.files->LoadProjectOptions());
    EXPECT_EQ(r.boxTexts(), std::vector<std::string>{"Option file " + r.file() + " not found"});
    EXPECT_EQ(r.files->OptionFileState(), FileLoadState::Missing);
    r.files->SaveAtTearDown();
    EXPECT_TRUE(std::filesystem::exists(r.file()));
}

TEST(ProjectFiles, FallbackNameAndRegistry) {
#ifdef _WIN32
    GTEST_SKIP() << "a control character cannot be part of a Windows file name";
#endif
    FileRig r;
    r.options->SetOptionFileName("");
    r.options->SetProjectName(std::string("a]b\\c\x01"));
    const std::string bopt = r.options->GetOptionFileName();
    EXPECT_EQ(std::filesystem::path(bopt).extension(), ".bopt");
    r.change();
    r.files->SaveProjectOptions();
    std::filesystem::rename(bopt, ChangeFileExt(bopt, ".opt"));
    r.files->SetProjectDefaults();
    EXPECT_TRUE(r.files->LoadProjectOptions());
    EXPECT_EQ(r.options->TargetName(), "80C51_32K");
    r.files->SaveAtTearDown();
    EXPECT_TRUE(std::filesystem::exists(bopt));
    EXPECT_EQ(r.settings.readInteger(TBasisOptionen::ProjectKey, "a]b\\c_", "AutoSave", -1), 0x09);

    // The registry values go out even when the file cannot be written.
    FileRig w;
    w.options->SetProjectName("p");
    EXPECT_THROW(w.files->SaveProjectOptions(w.root.file("none/x.bopt")), Exception);
    EXPECT_EQ(w.settings.readString(TBasisOptionen::SettingsKey, "7.3", "Project", ""), "p");
    EXPECT_EQ(w.settings.readInteger(TBasisOptionen::ProjectKey, "p", "AutoSave", -1), 1);
}

// ---- Select file

struct SelectRig : FileRig {
    std::string name() const { return files->SelectFileName(); }
    Bytes select(std::int32_t version, std::vector<Bytes> trailer, const std::string& header = "VokWin Select") {
        platform::MemoryStream m;
        ValueWriter w(m);
        w.WriteString(header);
        w.WriteInteger(version);
        selectTable.WriteProperties(w);
        Bytes out = m.bytes();
        for (const Bytes& b : trailer) out.insert(out.end(), b.begin(), b.end());
        return out;
    }
};

Bytes boolean(bool v) { return {static_cast<std::uint8_t>(v ? 9 : 8)}; }

Bytes commandRecord(std::int32_t version) {
    platform::MemoryStream m;
    ValueWriter w(m);
    w.WriteBoolean(false);
    w.WriteInteger(3);
    w.WriteInteger(0);
    for (int i = 0; i < 3; ++i) {
        w.WriteInteger(0xFF);
        w.WriteInteger(0x1234 + i);
        if (version >= 6) {
            w.WriteBoolean(false);
            w.WriteBoolean(false);
        }
    }
    w.WriteInteger(1);
    w.WriteString("file.hex");
    w.WriteBoolean(true);
    w.WriteInteger(-1);
    w.WriteInteger(100000);
    w.WriteString("");
    for (int i = 0; i < (version >= 4 ? 4 : 3); ++i) w.WriteBoolean(i == 1);
    for (int i = 0; i < 8; ++i) w.WriteInteger(i * 1000);
    return m.bytes();
}

TEST(SelectFile, WrittenAndReadByTheSaveBits) {
    SelectRig r;
    r.selectTable.values = {1, 2, 3};
    r.files->SaveSelectFile(r.name());
    EXPECT_FALSE(std::filesystem::exists(r.name()));
    test::writeBytes(r.name(), {1, 2, 3});
    r.files->LoadSelectFile(r.name(), true);
    r.files->SaveSelectFile(r.name());
    EXPECT_EQ(test::readBytes(r.name()), (Bytes{1, 2, 3}));

    r.options->SetOptionBit(TBasisOptionen::BreakTraceSaveBit, true);
    r.files->SaveSelectFile(r.name());
    Bytes bytes = test::readBytes(r.name());
    const Bytes head = {0x06, 0x0D, 'V', 'o', 'k', 'W', 'i', 'n', ' ', 'S', 'e', 'l', 'e', 'c', 't', 0x02, 0x06};
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 17), head);
    EXPECT_EQ(Bytes(bytes.end() - 3, bytes.end()), (Bytes{9, 8, 8}));
    r.selectTable.values = {0, 0, 0};
    r.files->LoadSelectFile(r.name(), false);
    EXPECT_EQ(r.selectTable.values, (std::vector<std::int32_t>{1, 2, 3}));
    EXPECT_EQ(r.selectTable.lastVersion, 6);

    r.options->SetOptionBit(TBasisOptionen::BreakTraceSaveBit, false);
    r.options->SetOptionBit(TBasisOptionen::MapSaveBit, true);
    r.files->SaveSelectFile(r.name());
    bytes = test::readBytes(r.name());
    EXPECT_EQ(bytes.back(), 8);
    EXPECT_EQ(bytes.size(), 17u + 6u + 1u);
}

TEST(SelectFile, LiveSelectTableRoundTrip) {
    FileRig r;
    TProjectFiles files(ProjectComponents{r.options.get(), &r.symbols, &r.runControl, {}, r.emu.get(),
                                          r.banking.get(), r.select.get()});
    r.options->SetOptionBit(TBasisOptionen::BreakTraceSaveBit, true);
    r.options->SetOptionBit(TBasisOptionen::MapSaveBit, true);
    const std::string name = files.SelectFileName();
    files.SaveSelectFile(name);
    const Bytes first = test::readBytes(name);
    files.LoadSelectFile(name, true);
    EXPECT_EQ(files.SelectFileState(), FileLoadState::Loaded);
    files.SaveAtTearDown();
    EXPECT_EQ(test::readBytes(name), first);
    EXPECT_EQ(Bytes(first.end() - 3, first.end()), (Bytes{9, 8, 8}));
}

// A select file found damaged half-way through is refused and leaves the
// live table as it was, whatever of it was read before the damage.
TEST(SelectFile, ADamagedFileLeavesTheLiveTableAsItWas) {
    Bytes full;
    {
        FileRig w;
        TProjectFiles files(ProjectComponents{
            w.options.get(), &w.symbols, &w.runControl, {}, w.emu.get(), w.banking.get(), w.select.get()});
        w.options->SetOptionBit(TBasisOptionen::BreakTraceSaveBit, true);
        w.options->SetOptionBit(TBasisOptionen::MapSaveBit, true);
        w.select->SetBreakMode(bmBreak2);
        w.select->SetTimeBase(2);
        w.select->SetRange("0100-0200", 10);
        w.select->SetItemText(22, "0000-7FFF");
        files.SaveSelectFile(files.SelectFileName());
        full = test::readBytes(files.SelectFileName());
    }
    for (const std::size_t cut : {std::size_t{30}, full.size() / 2, full.size() - 1}) {
        SCOPED_TRACE(cut);
        FileRig r;
        TProjectFiles files(ProjectComponents{
            r.options.get(), &r.symbols, &r.runControl, {}, r.emu.get(), r.banking.get(), r.select.get()});
        r.options->SetOptionBit(TBasisOptionen::BreakTraceSaveBit, true);
        r.options->SetOptionBit(TBasisOptionen::MapSaveBit, true);
        r.select->SetRange("3000-30FF", 12);
        platform::MemoryStream m;
        {
            ValueWriter w(m);
            r.select->WriteToStream(w);
        }
        const Bytes before = m.bytes();
        const auto mode = r.select->BreakMode();
        test::writeBytes(files.SelectFileName(), Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut)));
        EXPECT_THROW(files.LoadSelectFile(files.SelectFileName(), true), EVokWinFileError);
        EXPECT_EQ(r.select->BreakMode(), mode);
        EXPECT_EQ(r.select->GetItemText(10), "");
        EXPECT_EQ(r.select->GetItemText(12), "3000 - 30FF");
        platform::MemoryStream after;
        {
            ValueWriter w(after);
            r.select->WriteToStream(w);
        }
        EXPECT_EQ(after.bytes(), before);
    }
}

TEST(SelectFile, VersionsAndTrailingRecord) {
    for (std::int32_t version : {3, 5, 6}) {
        SCOPED_TRACE(version);
        SelectRig r;
        r.options->SetOptionBit(TBasisOptionen::BreakTraceSaveBit, true);
        test::writeBytes(r.name(), r.select(version, {boolean(true), boolean(true), boolean(false),
                                                      commandRecord(version), boolean(true)}));
        EXPECT_NO_THROW(r.files->LoadSelectFile(r.name(), true));
        EXPECT_EQ(r.files->SelectFileState(), FileLoadState::Loaded);
    }
    SelectRig r;
    r.options->SetOptionBit(TBasisOptionen::MapSaveBit, true);
    const auto refused = [&](const Bytes& bytes, const std::string& message, bool complain = false) {
        if (!bytes.empty()) test::writeBytes(r.name(), bytes);
        try {
            r.files->LoadSelectFile(r.name(), complain);
            ADD_FAILURE() << message;
        } catch (const EVokWinFileError& e) {
            EXPECT_EQ(e.message(), message);
        }
    };
    refused(r.select(7, {boolean(false)}), "Invalid version 7 of option file " + r.name());
    refused(r.select(6, {boolean(false)}, "VokWin Selectx"), r.name() + " is not a valid option file");
    refused(r.select(6, {{6, 0}}), r.name() + " is not a valid option file");
    refused(r.select(6, {}), r.name() + " is not a valid option file");
    Bytes huge = r.select(6, {});
    huge.resize(17);
    huge.insert(huge.end(), {12, 0xFF, 0xFF, 0xFF, 0x7F});
    refused(huge, r.name() + " is not a valid option file");
    // A file that failed is not overwritten at tear-down.
    r.files->SaveAtTearDown();
    EXPECT_EQ(test::readBytes(r.name()), huge);
    std::filesystem::remove(r.name());
    EXPECT_NO_THROW(r.files->LoadSelectFile(r.name(), false));
    refused({}, "Option file " + r.name() + " not found", true);
    // A deferred load keeps the file as it is.
    test::writeBytes(r.name(), {4, 5});
    r.files->DeferSelectFile(r.name());
    r.files->SaveAtTearDown();
    EXPECT_EQ(test::readBytes(r.name()), (Bytes{4, 5}));
}

}  // namespace
}  // namespace tarvex
