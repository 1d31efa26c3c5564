// Formats 4 (UBROF), 8 (AVR object) and 9 (CDB): their conversions over the
// program loader's buffer, form and cancel poll.
#include <filesystem>

#include "core/errors.hpp"
#include "core/messages.hpp"
#include "emulator/banking.hpp"
#include "emulator/memory_spaces.hpp"
#include "host/load/loader.hpp"
#include "host/load/loader_avr.hpp"
#include "host/load/loader_cdb.hpp"
#include "host/options.hpp"
#include "host/load/ubrof_load.hpp"
#include "platform/exception.hpp"
#include "platform/stream.hpp"
#include "platform/ui.hpp"

namespace tarvex {

namespace {

void startForm(TVokWinLoader& l, int caption) {
    const std::string text(LoadStr(caption));
    platform::currentUi().loadStatus->setText(platform::LoadField::Caption, text);
    l.ShowProgress(text + ": " + l.FileName());
}

void showCounts(TVokWinLoader& l) {
    platform::LoadStatusWindow& w = *platform::currentUi().loadStatus;
    l.RefreshCounters(true);
    w.setText(platform::LoadField::ZeilenAnzahl, std::to_string(l.Target().lines.Count()));
    w.setText(platform::LoadField::SymbolAnzahl, std::to_string(l.Target().symbols.Count()));
}

// The three counters while the records are read (as often as the code
// count).
void showCountsNow(TVokWinLoader& l) {
    platform::LoadStatusWindow& w = *platform::currentUi().loadStatus;
    if (!l.RefreshCounters()) return;
    w.setText(platform::LoadField::ZeilenAnzahl, std::to_string(l.Target().lines.Count()));
    w.setText(platform::LoadField::SymbolAnzahl, std::to_string(l.Target().symbols.Count()));
}

// These files place code by 16-bit address only; in a banked program space
// it goes to the load address's bank (the program counter's bank, or every
// bank for an all-banks load address).
TBankAdresse inLoadBank(const TVokWinLoader& l, const TBankAdresse& at) {
    if (at.banked || at.allBanks || !l.Space().GetMaxAdresse().banked) return at;
    TBankAdresse placed = l.LoadAddress();
    placed.offset = at.offset;
    return placed;
}

}  // namespace

void LoadUbrof(TVokWinLoader& l) {
    startForm(l, 106);
    const std::vector<std::uint8_t> bytes = platform::readWholeFile(l.FileName());
    // The records read before a cancel keep their code.
    l.SetWriteAfterCancel(true);
    TUbrofLoad load(l.Target().symbols, l.Target().lines, l.UbrofTables());
    load.SetRegisters(l.Target().registers);
    if (!l.SymbolsOnly())
        load.SetCodeSink([&l](const TBankAdresse& at, std::uint8_t byte) {
            const TBankAdresse placed = inLoadBank(l, at);
            l.Space().CheckRange(placed, 1);
            l.AppendCode(placed, &byte, 1);
        });
    const TBankAdresse& from = l.LoadAddress();
    load.SetCurrentBank(from.allBanks ? BankAll : from.bank);
    TBanking* banking = l.Target().banking;
    const std::uint16_t start = banking ? banking->BankedAreaStart() : 0x8000;
    const std::uint16_t end = banking ? banking->BankedAreaEnd() : 0xFFFF;
    load.SetBankedArea(start, end);
    load.SetCancel([&l] {
        showCountsNow(l);
        return l.Cancelled();
    });
    const bool whole = load.Load(bytes, l.FileName());
    l.FlushAll();
    if (!whole) l.SetFailed();
    if (banking && (load.BankedAreaStart() != start || load.BankedAreaEnd() != end)) {
        banking->SetBankedAreaStart(load.BankedAreaStart());
        banking->SetBankedAreaEnd(load.BankedAreaEnd());
    }
    // The conversion alone knows which code is common-area code: the code
    // of a bank goes out at an all-banks address when the file's banked
    // area differs from the banking's.
    l.ForgetCommonArea();
    if (load.HighestCommonOffset() != 0) l.NoteCommonArea(load.HighestCommonOffset());
    showCounts(l);
}

void LoadAvrObject(TVokWinLoader& l) {
    startForm(l, 297);
    TAvrObjReader reader(std::make_unique<platform::MemoryStream>(platform::readWholeFile(l.FileName())));
    l.SetWriteAfterCancel(true);
    TAvrObjectLoad load(l.Target().symbols, l.Target().lines);
    // avra names the sources relative to the object file: the search looks
    // beside it already during this load.
    l.Target().options.SetLoadDirName(std::filesystem::path(l.FileName()).parent_path().string());
    load.SetOffset(l.OffsetFlag() ? l.LoadAddress().offset : 0);
    load.SetFindSource([&l](const std::string& name) {
        std::string found = name;
        return l.Target().options.CheckFileName(found) ? found : std::string();
    });
    // In pellunar mode the hooks are scanned once the lines are in: the
    // code follows the whole file.
    std::vector<std::pair<TBankAdresse, std::uint16_t>> held;
    const bool hold = l.PellunarMode() && l.IsProgram();
    const auto put = [&l](const TBankAdresse& at, std::uint16_t word) {
        const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(word & 0xFF), static_cast<std::uint8_t>(word >> 8)};
        l.AppendCode(at, bytes, 2);
    };
    if (!l.SymbolsOnly())
        load.SetCodeSink([&](std::uint32_t byteAddress, std::uint16_t word) {
            const TBankAdresse at = inLoadBank(l, UnbankedAdresse(static_cast<std::uint16_t>(byteAddress)));
            l.Space().CheckRange(at, 2);
            if (hold)
                held.emplace_back(at, word);
            else
                put(at, word);
        });
    load.SetCancel([&l] { return l.Cancelled(); });
    load.SetRefresh([&l] { showCountsNow(l); });
    const std::string base = std::filesystem::path(l.FileName()).stem().string();
    bool whole = false;
    try {
        whole = load.Load(reader, base);
    } catch (const EReadError&) {
        throw EVokWinFileError(FmtLoadStr(98, l.FileName()));
    }
    for (const auto& [at, word] : held) put(at, word);
    l.FlushAll();
    if (!whole) l.SetFailed();
    if (l.Target().registers) load.ReadAllDefs(reader, *l.Target().registers);
    showCounts(l);
}

void LoadCdb(TVokWinLoader& l) {
    startForm(l, 187);
    const std::vector<std::uint8_t> bytes = platform::readWholeFile(l.FileName());
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    std::vector<std::string> lines;
    for (const auto line : SplitHexLines(text)) lines.emplace_back(line);
    TCdbLoader load(l.Target().symbols, l.Target().lines);
    load.SetOffset(l.OffsetFlag() ? l.LoadAddress().offset : 0);
    load.SetBanking(l.Target().banking);
    load.SetCancel([&l] {
        showCountsNow(l);
        return l.Cancelled();
    });
    const bool whole = load.Load(lines);
    for (const auto& message : load.Messages()) l.AddMessage(message);
    if (!whole) l.SetFailed();
    showCounts(l);
}

}  // namespace tarvex
