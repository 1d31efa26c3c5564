// Command objects: protocol texts, names, deep copies, the stream form, the
// history with its limits, and the executor's chain walk and reset rule
// over scripted targets.
#include <gtest/gtest.h>

#include <array>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "core/errors.hpp"
#include "core/register_table.hpp"
#include "core/symbol_table.hpp"
#include "core/value_stream.hpp"
#include "emulator/memory_spaces.hpp"
#include "emulator/debug/watches.hpp"
#include "host/command.hpp"
#include "host/command_executor.hpp"
#include "host/command_history.hpp"
#include "platform/stream.hpp"
#include "tests/support/fake_targets.hpp"

namespace tarvex {
namespace {

std::unique_ptr<TVokWinKommando> make(std::uint8_t code, const std::function<void(TVokWinKommando&)>& set = {}) {
    auto c = std::make_unique<TVokWinKommando>(code);
    if (set) set(*c);
    return c;
}

TEST(Command, ProtocolTextsInEnglish) {
    const struct {
        std::function<void(TVokWinKommando&)> set;
        std::uint8_t code;
        const char* text;
    } rows[] = {
        {[](TVokWinKommando& c) {
             c.text1 = "a.hex", c.fileFormat = 1, c.options = 5, c.flag = true, c.start = UnbankedAdresse(0x1000);
         },
         cmd::Load, "Load a.hex Format=Intel hex Options=[Convert1,Clear symbols] LoadAddress=1000"},
        {[](TVokWinKommando& c) { c.text1 = "a.hex", c.fileFormat = 1, c.options = 3; }, cmd::Load,
         "Load a.hex Format=Intel hex Options=[Convert1Convert2]"},
        {[](TVokWinKommando& c) { c.text1 = "a.hex", c.fileFormat = 1, c.options = 8; }, cmd::Load,
         "Load a.hex Format=Intel hex Options=[Pellunar with line number only]"},
        {[](TVokWinKommando& c) { c.text1 = "x.omf", c.fileFormat = 3, c.memoryKind = 4, c.options = 4; },
         cmd::LoadSymbols, "LoadSymbols x.omf Format=Omf51 Options=[Clear symbols]"},
        {[](TVokWinKommando& c) { c.text1 = "s.hex", c.fileFormat = 1, c.memoryKind = 1; }, cmd::Load,
         "Load s.hex Format=Intel hex Memory=IntData"},
        {[](TVokWinKommando& c) {
             c.text1 = "out.hex", c.fileFormat = 1, c.end = UnbankedAdresse(0x20);
             c.start = UnbankedAdresse(0);
         },
         cmd::Save, "Save out.hex Format=Intel hex Memory=Program StartAddress=0000 EndAddress=0020"},
        {[](TVokWinKommando& c) {
             c.memoryKind = 1, c.start = UnbankedAdresse(0x30), c.end = UnbankedAdresse(0x7F), c.value = 0xAA;
         },
         cmd::Initialize, "Initialize Memory=IntData StartAddress=0030 EndAddress=007F Data=AA"},
        {[](TVokWinKommando& c) {
             c.memoryKind = 2, c.start = UnbankedAdresse(0x100), c.end = UnbankedAdresse(0x613);
             c.destination = UnbankedAdresse(0x2000);
         },
         cmd::Copy, "Copy Memory=ExtData StartAddress=0100 EndAddress=0613 Dest=2000"},
        {[](TVokWinKommando& c) { c.start = UnbankedAdresse(0), c.end = UnbankedAdresse(0x7FFF); }, cmd::CopyEprom,
         "CopyEprom StartAddress=0000 EndAddress=7FFF"},
        {{}, cmd::MapShared, "Map MapMode=Separate addresses"},
        {[](TVokWinKommando& c) { c.flag = true; }, cmd::MapShared, "Map MapMode=Gemeinsam addresses"},
        {[](TVokWinKommando& c) { c.text2 = "0000-7FFF", c.selectKind = 22; }, cmd::Map,
         "Map ProgramMemory=(0000-7FFF) ExtDataMemory=()"},
        {[](TVokWinKommando& c) { c.selectKind = 10, c.cycleType = 0, c.text2 = "1234", c.count = 1; },
         cmd::BreakChannel, "Break Break1 CycleType=OPCODE Addresses=(1234) Data=() Counter=1"},
        {[](TVokWinKommando& c) { c.selectKind = 21, c.cycleType = 5, c.text1 = "12", c.count = 0; },
         cmd::BreakChannel, "Break Clear2 CycleType=READ+WRITE Addresses=() Data=(12) Counter=0"},
        {[](TVokWinKommando& c) { c.breakMode = 0, c.count = 5; }, cmd::BreakMode,
         "Break BreakMode=Standard TraceAfterBreakCounter=5"},
        {[](TVokWinKommando& c) { c.breakMode = 10, c.text2 = "P1=1"; }, cmd::BreakMode,
         "Break BreakMode=LogicProbes Probes=P1=1"},
        {[](TVokWinKommando& c) { c.breakMode = 11, c.text2 = "300"; }, cmd::BreakMode,
         "Break BreakMode=TraceOverflow TraceCounter=300"},
        {[](TVokWinKommando& c) { c.selectKind = 14, c.cycleType = 3, c.text2 = "0000-00FF"; }, cmd::TraceFilter,
         "Trace Filter1 CycleType=READ Addresses=(0000-00FF)"},
        {[](TVokWinKommando& c) { c.startTrigger = 0, c.endTrigger = 3; }, cmd::TraceSettings,
         "Trace ChangeFilter Clear TimeBase=100 Nanoseconds TriggerSelection=A+B Start=Trigger A End=Programmende"},
        {[](TVokWinKommando& c) { c.flag = true, c.count = 2, c.value = 1, c.startTrigger = 3, c.endTrigger = 2; },
         cmd::TraceSettings,
         "Trace ChangeFilter Set TimeBase=10 Mikroseconds TriggerSelection=B+C Start=Programmstart End=Trigger C"},
        {[](TVokWinKommando& c) {
             c.text1 = "t.txt", c.fileFormat = 0, c.start = BankedAdresse(0, 0), c.end = BankedAdresse(0, 99);
         },
         cmd::SaveTrace, "SaveTrace t.txt Format=Cycle Start=0 End=99"},
        {[](TVokWinKommando& c) {
             c.text1 = "t.txt", c.fileFormat = 1, c.start = BankedAdresse(1, 70000 - 0x10000), c.end = BankedAdresse(1, 0xFFFF);
         },
         cmd::SaveTrace, "SaveTrace t.txt Start=70000 End=131071"},
        {[](TVokWinKommando& c) { c.text1 = "m.mac"; }, cmd::ExecuteMacro, "Execute macro m.mac"},
        {[](TVokWinKommando& c) { c.text1 = "p.bopt"; }, cmd::LoadOptions, "LoadOptions p.bopt"},
        {[](TVokWinKommando& c) { c.text1 = "x", c.text2 = "5", c.count = 1; }, cmd::Modify,
         "Modify Address=x NewValue=5"},
        {[](TVokWinKommando& c) {
             c.text1 = "0x30", c.text2 = "note", c.count = 4, c.flag = true, c.watchDisplayFormat = 1;
         },
         cmd::Evaluate, "Evaluate Address=0x30 Format=Hex ByteSequence=Backward ElementCount=4 Comment=note"},
        {{}, cmd::ResetCpu, "Reset CPU"},
    };
    for (const auto& row : rows) {
        auto c = make(row.code, row.set);
        EXPECT_EQ(ProtocolText(*c, nullptr), row.text);
    }
    auto nested = make(cmd::ResetCpu);
    nested->SetMakroLevel(2);
    EXPECT_EQ(ProtocolText(*nested, nullptr), "    Reset CPU");
}

TEST(Command, GermanTextsUseTheGermanKeywords) {
    auto c = make(cmd::Save, [](TVokWinKommando& k) {
        k.text1 = "o.bin", k.options = 4, k.start = UnbankedAdresse(1), k.end = UnbankedAdresse(2);
    });
    EXPECT_EQ(ProtocolText(*c, CommandLanguage::German, nullptr),
              "Speichern o.bin Format=Binary Speicher=Program Optionen=[Symbole löschen] Startadresse=0001 "
              "Endadresse=0002");
    auto m = make(cmd::MapShared, [](TVokWinKommando& k) { k.flag = true; });
    EXPECT_EQ(ProtocolText(*m, CommandLanguage::German, nullptr), "Konfigurieren Map-Modus=GemeinsamAdressiert");
    EXPECT_EQ(CurrentCommandLanguage(), CommandLanguage::English);
}

TEST(Command, NamesOfAllCodesInBothLanguages) {
    const char* english[] = {"",
                             "Load",
                             "LoadSymbols",
                             "Save",
                             "Initialize",
                             "Copy",
                             "CopyEprom",
                             "Map",
                             "Map",
                             "Run",
                             "Single step",
                             "Jump over call",
                             "Reset all",
                             "Reset CPU",
                             "Break",
                             "Break",
                             "Trace",
                             "Trace",
                             "Clear trace memory",
                             "Reset real time counter",
                             "Modify",
                             "Evaluate",
                             "Execute macro",
                             "LoadOptions",
                             "SaveTrace",
                             "IAP",
                             "LoadSystem"};
    const char* german[] = {"",
                            "Laden",
                            "SymboleLaden",
                            "Speichern",
                            "Initialisieren",
                            "Kopieren",
                            "EpromKopieren",
                            "Konfigurieren",
                            "Konfigurieren",
                            "Start",
                            "Einzelschritt",
                            "Gesamte Routine",
                            "Gesamt-Reset",
                            "CPU-Reset",
                            "Unterbrechen",
                            "Unterbrechen",
                            "Trace",
                            "Trace",
                            "Tracespeicher Löschen",
                            "Echtzeitzähler Zurücksetzen",
                            "Ändern",
                            "Auswerten",
                            "Makro Ausführen",
                            "OptionenLaden",
                            "TraceSpeichern",
                            "IAP",
                            "SystemLaden"};
    for (std::uint8_t code = 0; code <= cmd::LastCode; ++code) {
        TKommandoStruktur c;
        c.code = code;
        EXPECT_EQ(CommandName(c, CommandLanguage::English), english[code]);
        EXPECT_EQ(CommandName(c, CommandLanguage::German), german[code]);
    }
    TKommandoStruktur unknown;
    unknown.code = 27;
    EXPECT_EQ(CommandName(unknown), "");
    EXPECT_EQ(MemoryKindName(8), "SysSelect");
    EXPECT_EQ(MemoryKindName(9), "");
    EXPECT_EQ(FileFormatName(8), "AVR object");
    EXPECT_EQ(FileFormatName(9), "");
}

TEST(Command, AssignCopiesTheChainIndependently) {
    auto source = make(cmd::ExecuteMacro, [](TVokWinKommando& c) { c.Anker = true, c.text1 = "m"; });
    source->Nachfolger = make(cmd::Initialize, [](TVokWinKommando& c) { c.value = 7; });
    source->Nachfolger->Nachfolger = make(cmd::ResetCpu);
    source->SetMakroLevel(3);
    TVokWinKommando copy;
    copy.Nachfolger = make(cmd::Run);  // replaced, not kept
    copy.Assign(*source);
    source.reset();
    ASSERT_EQ(copy.ChainLength(), 3u);
    EXPECT_EQ(copy.MakroLevel(), 0);
    EXPECT_TRUE(copy.Anker);
    EXPECT_EQ(copy.text1, "m");
    EXPECT_EQ(copy.Nachfolger->code, cmd::Initialize);
    EXPECT_EQ(copy.Nachfolger->value, 7);
    EXPECT_EQ(copy.Nachfolger->MakroLevel(), 3);
    EXPECT_EQ(copy.Nachfolger->Nachfolger->code, cmd::ResetCpu);
}

TEST(Command, AssignFromAMemberOfTheOwnChain) {
    auto head = make(cmd::ExecuteMacro, [](TVokWinKommando& c) { c.Anker = true; });
    head->Nachfolger = make(cmd::Copy, [](TVokWinKommando& c) { c.text1 = "a"; });
    head->Nachfolger->Nachfolger = make(cmd::Run);
    head->Assign(*head->Nachfolger);
    ASSERT_EQ(head->ChainLength(), 2u);
    EXPECT_EQ(head->code, cmd::Copy);
    EXPECT_EQ(head->text1, "a");
    EXPECT_EQ(head->Nachfolger->code, cmd::Run);
    head->Assign(*head);
    EXPECT_EQ(head->ChainLength(), 2u);
}

TEST(Command, LongChainsFreeWithoutDeepRecursion) {
    auto head = make(cmd::ExecuteMacro);
    TBasisVokWinKommando* last = head.get();
    for (int i = 0; i < 50000; ++i) {
        last->Nachfolger = make(cmd::Run);
        last = last->Nachfolger.get();
    }
    TVokWinKommando copy;
    copy.Assign(*head);
    EXPECT_EQ(copy.ChainLength(), 50001u);
}

// The record as the select file writes it, for a file version.
std::vector<std::uint8_t> streamed(std::int32_t version) {
    platform::MemoryStream m;
    ValueWriter w(m);
    w.WriteBoolean(true);
    w.WriteInteger(cmd::Copy);
    w.WriteInteger(2);
    for (std::uint16_t offset : {0x0100, 0x0613, 0x2000}) {
        w.WriteInteger(version >= 6 ? 3 : 0xFF);
        w.WriteInteger(offset);
        if (version >= 6) {
            w.WriteBoolean(true);
            w.WriteBoolean(false);
        }
    }
    w.WriteInteger(5);
    w.WriteString("file");
    w.WriteBoolean(true);
    w.WriteInteger(0xAA);
    w.WriteInteger(-3);
    w.WriteString("list");
    for (bool b : {true, false, true}) w.WriteBoolean(b);
    if (version >= 4) w.WriteBoolean(true);
    for (int i = 0; i < 8; ++i) w.WriteInteger(10 + i);
    return m.bytes();
}

TEST(Command, ReadFromStreamByVersion) {
    for (std::int32_t version : {3, 4, 5, 6}) {
        SCOPED_TRACE(version);
        platform::MemoryStream m(streamed(version));
        ValueReader r(m);
        TVokWinKommando c;
        c.ReadFromStream(r, version, nullptr);
        EXPECT_EQ(m.position(), m.size());
        EXPECT_TRUE(c.Anker);
        EXPECT_EQ(c.code, cmd::Copy);
        EXPECT_EQ(c.memoryKind, 2);
        EXPECT_EQ(c.end.offset, 0x0613);
        EXPECT_EQ(c.destination.offset, 0x2000);
        EXPECT_EQ(c.start.banked, version >= 6);
        if (version >= 6) {
            EXPECT_EQ(c.start.bank, 3);
        }
        EXPECT_EQ(c.fileFormat, 5);
        EXPECT_EQ(c.text1, "file");
        EXPECT_TRUE(c.flag);
        EXPECT_EQ(c.value, 0xAA);
        EXPECT_EQ(c.count, -3);
        EXPECT_EQ(c.text2, "list");
        EXPECT_EQ(c.options, version >= 4 ? 0x0D : 0x05);
        EXPECT_EQ(c.selectKind, 10);
        EXPECT_EQ(c.watchDataType, 17);
        // A record cut short raises; it never reads past the data.
        auto bytes = streamed(version);
        bytes.resize(bytes.size() - 1);
        platform::MemoryStream cut(bytes);
        ValueReader rc(cut);
        EXPECT_THROW(c.ReadFromStream(rc, version, nullptr), EReadError);
    }
}

// ---------------------------------------------------------------- history

TEST(CommandHistory, LimitsDuplicatesAndNotifications) {
    test::RecordingNotifier notifier;
    TKommando k(notifier);
    EXPECT_EQ(k.Name(), "Kommando");
    for (int i = 0; i < 50; ++i)
        k.AddToProtokoll(make(cmd::LoadOptions, [i](TVokWinKommando& c) { c.text1 = std::to_string(i); }));
    k.AddToProtokoll(make(cmd::LoadOptions, [](TVokWinKommando& c) { c.text1 = "new"; }));
    ASSERT_EQ(k.Protokoll().Count(), 50u);
    EXPECT_EQ(k.Protokoll()[0].text1, "1");
    EXPECT_EQ(k.Protokoll()[49].text1, "new");
    for (std::int32_t ignored : {0, 101, -1}) {
        k.SetMaximaleProtokollLaenge(ignored);
        EXPECT_EQ(k.MaximaleProtokollLaenge(), 50);
    }
    k.SetMaximaleProtokollLaenge(10);
    ASSERT_EQ(k.Protokoll().Count(), 10u);
    EXPECT_EQ(k.Protokoll()[0].text1, "1");
    EXPECT_EQ(k.Protokoll()[9].text1, "10");

    k.SetNoDuplicates(true);
    k.AddToProtokoll(make(cmd::ResetCpu));
    k.AddToProtokoll(make(cmd::LoadOptions, [](TVokWinKommando& c) { c.text1 = "5"; }));
    k.AddToProtokoll(make(cmd::ResetCpu));
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < k.Protokoll().Count(); ++i) texts.push_back(ProtocolText(k.Protokoll()[i], nullptr));
    EXPECT_EQ(texts, (std::vector<std::string>{"LoadOptions 2", "LoadOptions 3", "LoadOptions 4", "LoadOptions 6", "LoadOptions 7",
                                               "LoadOptions 8", "LoadOptions 9", "LoadOptions 10",
                                               "LoadOptions 5", "Reset CPU"}));
    EXPECT_EQ(notifier.count(TBasisKommando::NotifyHistoryChanged), 54);
    for (const auto& s : notifier.sent) EXPECT_EQ(s.data, &k);
}

TEST(CommandHistory, OfferedCommandsFollowTheTraceBoard) {
    test::RecordingNotifier notifier;
    TKommando k(notifier);
    bool trace = false;
    k.SetTracePresent([&trace] { return trace; });
    const auto codes = [&k] {
        std::vector<int> out;
        for (std::size_t i = 0; i < k.OfferedCommands().Count(); ++i) out.push_back(k.OfferedCommands()[i].code);
        return out;
    };
    EXPECT_TRUE(codes().empty());
    k.Notify(notify::EmulatorState, nullptr);
    EXPECT_EQ(codes(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 12, 13, 15, 20, 21, 22, 23}));
    trace = true;
    k.Notify(notify::TargetHalted, nullptr);
    EXPECT_EQ(codes().size(), 17u);
    k.Notify(notify::EmulatorState, nullptr);
    EXPECT_EQ(codes(),
              (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 12, 13, 15, 17, 18, 19, 20, 21, 22, 23, 24}));
    EXPECT_EQ(ClipboardFormatName, "VokWin KommandoListe");
}

// ---------------------------------------------------------------- executor

struct ScriptedRun final : IRunCommands {
    void Go() override { calls.push_back("go"); }
    void Step() override { calls.push_back("step"); }
    void SingleStep() override { calls.push_back("single"); }
    void StepOver() override { calls.push_back("over"); }
    void StepOverCall() override { calls.push_back("over call"); }
    int ResetAll() override { return answer("reset all"); }
    int ResetSlave() override { return answer("reset"); }
    int answer(const char* what) {
        calls.push_back(what);
        if (answers.empty()) return 0;
        const int a = answers.front();
        answers.pop_front();
        return a;
    }
    std::deque<int> answers;
    std::vector<std::string> calls;
};

struct ScriptedTrace final : ITraceCommands {
    void ResetTrace() override { calls.push_back("reset trace"); }
    void SetTraceModus(int mode) override { calls.push_back("mode " + std::to_string(mode)); }
    std::vector<std::string> calls;
};

struct ExecutorRig {
    ExecutorRig() {
        targets.run = &run;
        targets.trace = &trace;
        targets.history = &history;
        targets.initialize = [this](const TKommandoStruktur& c) { done.push_back("fill " + std::to_string(c.value)); };
        targets.copy = [this](const TKommandoStruktur& c) { done.push_back("copy " + c.text1); };
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (std::size_t i = 0; i < history.Protokoll().Count(); ++i)
            out.push_back(ProtocolText(history.Protokoll()[i], nullptr));
        return out;
    }
    ScriptedRun run;
    ScriptedTrace trace;
    test::RecordingNotifier notifier;
    TKommando history{notifier};
    std::vector<std::string> done;
    CommandTargets targets;
};

TEST(CommandExecutor, MacroRecordsEachChainedCommandWithItsLevel) {
    ExecutorRig r;
    auto macro = make(cmd::ExecuteMacro, [](TVokWinKommando& c) { c.Anker = true, c.text1 = "m.mac"; });
    TBasisVokWinKommando* last = macro.get();
    for (int i = 0; i < 3; ++i) {
        last->Nachfolger = make(cmd::ResetCpu);
        last = last->Nachfolger.get();
    }
    macro->Nachfolger->SetMakroLevel(1);
    TCommandExecutor executor(r.targets);
    EXPECT_TRUE(executor.Run(std::move(macro)));
    EXPECT_EQ(r.run.calls, std::vector<std::string>(3, "reset"));
    EXPECT_EQ(r.texts(), (std::vector<std::string>{"  Reset CPU", "  Reset CPU", "  Reset CPU", "Execute macro m.mac"}));
    // The recorded copies carry no chain of their own.
    EXPECT_EQ(r.history.Protokoll()[0].ChainLength(), 1u);
}

TEST(CommandExecutor, NestedMacroRunsItsTailOnce) {
    ExecutorRig r;
    auto macro = make(cmd::ExecuteMacro, [](TVokWinKommando& c) { c.Anker = true; });
    macro->Nachfolger = make(cmd::Initialize, [](TVokWinKommando& c) { c.value = 1; });
    auto& inner = *macro->Nachfolger;
    inner.Nachfolger = make(cmd::ExecuteMacro, [](TVokWinKommando& c) { c.Anker = true; });
    auto& nested = *inner.Nachfolger;
    nested.Nachfolger = make(cmd::Copy, [](TVokWinKommando& c) { c.text1 = "a"; });
    nested.Nachfolger->Nachfolger = make(cmd::Initialize, [](TVokWinKommando& c) { c.value = 2; });
    EXPECT_TRUE(Execute(*macro, r.targets));
    EXPECT_EQ(r.done, (std::vector<std::string>{"fill 1", "copy a", "fill 2"}));
    EXPECT_EQ(r.history.Protokoll().Count(), 4u);
}

TEST(CommandExecutor, ResetRetryRule) {
    const struct {
        std::deque<int> answers;
        int calls;
        bool raises;
    } rows[] = {{{-1}, 1, true}, {{1, 0}, 2, false}, {{1, -1}, 2, true}, {{1, 1}, 2, false}, {{0}, 1, false}};
    for (std::uint8_t code : {cmd::ResetCpu, cmd::ResetAll}) {
        for (const auto& row : rows) {
            ExecutorRig r;
            r.run.answers = row.answers;
            auto c = make(code);
            if (row.raises) {
                try {
                    Execute(*c, r.targets);
                    ADD_FAILURE() << "no error";
                } catch (const ETarvexResetError& e) {
                    EXPECT_EQ(e.message(), "No reaction of target processor");
                }
            } else {
                EXPECT_TRUE(Execute(*c, r.targets));
            }
            EXPECT_EQ(r.run.calls.size(), static_cast<std::size_t>(row.calls));
        }
    }
}

TEST(CommandExecutor, DispatchOfRunTraceAndRefusals) {
    ExecutorRig r;
    const struct {
        std::uint8_t code;
        bool flag;
        const char* call;
    } runs[] = {{cmd::Run, false, "go"},
                {cmd::SingleStep, false, "step"},
                {cmd::SingleStep, true, "single"},
                {cmd::StepOver, false, "over"},
                {cmd::StepOver, true, "over call"}};
    for (const auto& row : runs) {
        auto c = make(row.code, [&row](TVokWinKommando& k) { k.flag = row.flag; });
        EXPECT_TRUE(Execute(*c, r.targets));
        EXPECT_EQ(r.run.calls.back(), row.call);
    }
    for (std::uint8_t code : {cmd::ClearTrace, cmd::ResetTimeCounter}) EXPECT_TRUE(Execute(*make(code), r.targets));
    EXPECT_EQ(r.trace.calls, (std::vector<std::string>{"reset trace", "mode 0"}));
    for (std::uint8_t code : {cmd::None, cmd::ExecuteMacro, cmd::Iap}) EXPECT_TRUE(Execute(*make(code), r.targets));
    EXPECT_FALSE(Execute(*make(cmd::MapShared), r.targets));
    // No loader: the load answers false and is not recorded.
    TCommandExecutor executor(r.targets);
    EXPECT_FALSE(executor.Run(make(cmd::Load)));
    EXPECT_EQ(r.history.Protokoll().Count(), 0u);
    r.targets.load = [](const TKommandoStruktur& c) { return !c.text1.empty(); };
    EXPECT_FALSE(Execute(*make(cmd::LoadSymbols), r.targets));
    EXPECT_TRUE(Execute(*make(cmd::LoadSystem, [](TVokWinKommando& k) { k.text1 = "f"; }), r.targets));

    const auto message = [&r](std::uint8_t code) -> std::string {
        try {
            Execute(*make(code), r.targets);
        } catch (const EVokWinError& e) {
            return e.message();
        }
        return "none";
    };
    EXPECT_THROW(Execute(*make(cmd::Modify), r.targets), EWatchError);
    EXPECT_EQ(message(cmd::Evaluate), "Evaluate: not available in this build");
    EXPECT_THROW(Execute(*make(cmd::SaveTrace), r.targets), ETraceError);
    EXPECT_EQ(message(cmd::SaveTrace), "SaveTrace: not available in this build");
    EXPECT_EQ(message(cmd::Save), "Save: not available in this build");
    EXPECT_EQ(message(cmd::BreakMode), "Break: not available in this build");
}

}  // namespace
}  // namespace tarvex

namespace tarvex {
namespace {

// Internal data and SFRs of their own behind the watch table.
struct WatchMemory final : IWatchTarget {
    WatchMemory() {
        for (int k = 0; k < 6; ++k) limits.push_back(std::make_unique<TBasisEmulSpeicher>(static_cast<std::uint8_t>(k)));
        for (auto& m : mem) m.assign(0x10000, 0);
    }
    const TBasisEmulSpeicher* Limits(int k) const override { return k >= 0 && k < 6 ? limits[k].get() : nullptr; }
    std::string ReadBlock(int k, const TBankAdresse& a, std::int32_t n) override {
        std::string s;
        for (std::int32_t i = 0; i < n; ++i) s += static_cast<char>(mem[k][(a.offset + i) & 0xFFFF]);
        return s;
    }
    void WriteBlock(int k, const TBankAdresse& a, std::string_view d) override {
        for (std::size_t i = 0; i < d.size(); ++i) mem[k][(a.offset + i) & 0xFFFF] = static_cast<std::uint8_t>(d[i]);
    }
    std::uint8_t ReadSfrByte(std::uint8_t a) override { return mem[4][a]; }
    void WriteSfr(std::uint8_t a, std::uint8_t v) override { mem[4][a] = v; }
    std::string ReadRegisterBank() override { return std::string(8, '\0'); }
    void WriteRegister(int, std::uint8_t) override {}
    std::uint8_t ReadV(std::uint16_t) override { return 0; }
    void WriteV(std::uint16_t, std::uint8_t) override {}
    TBankAdresse PC() const override { return {}; }
    void SetPC(const TBankAdresse&) override {}
    void UpdatePellunars() override {}
    int ToolChain() const override { return 0; }
    std::vector<std::unique_ptr<TBasisEmulSpeicher>> limits;
    std::array<std::vector<std::uint8_t>, 6> mem;
};

TEST(CommandExecutor, WatchCommandsWriteOnceAndLeaveNothingBehind) {
    TSymboltabelle symbols;
    TRegisterTabelle registers;
    WatchMemory memory;
    test::RecordingNotifier notifier;
    TWatchTabelle table(symbols, registers, memory, notifier);
    symbols.AddSymbol(sspIntData, "ticks", 0, 0, 3, 1, 0, UnbankedAdresse(0x10));
    TWatchTableCommands watches(table);
    ExecutorRig r;
    r.targets.watches = &watches;
    auto modify = make(cmd::Modify, [](TVokWinKommando& c) {
        c.text1 = "ticks", c.text2 = "5A", c.watchMemoryClass = 2, c.count = -1;
    });
    EXPECT_TRUE(Execute(*modify, r.targets));
    EXPECT_EQ(memory.mem[1][0x10], 0x5A);
    auto evaluate = make(cmd::Evaluate, [](TVokWinKommando& c) { c.text1 = "ticks", c.text2 = "seen"; });
    EXPECT_TRUE(Execute(*evaluate, r.targets));
    EXPECT_EQ(memory.mem[1][0x10], 0x5A);
    for (int list = 1; list <= 4; ++list) EXPECT_EQ(table.List(list).Count(), 0u);
    // An unknown name is the table's own error.
    modify->text1 = "nothing";
    EXPECT_THROW(Execute(*modify, r.targets), EWatchError);
}

}  // namespace
}  // namespace tarvex
