#include "host/load/loader.hpp"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "core/errors.hpp"
#include "core/format.hpp"
#include "core/line_table.hpp"
#include "core/messages.hpp"
#include "core/symbol_table.hpp"
#include "emulator/banking.hpp"
#include "emulator/download.hpp"
#include "emulator/emulator.hpp"
#include "emulator/memory_spaces.hpp"
#include "emulator/debug/run_control.hpp"
#include "emulator/sfr_config.hpp"
#include "host/options.hpp"
#include "host/load/ubrof_load.hpp"
#include "platform/clock.hpp"
#include "platform/ui.hpp"

namespace tarvex {

namespace fs = std::filesystem;

namespace {

bool isFile(const std::string& name) {
    std::error_code ec;
    return fs::is_regular_file(fs::path(name), ec);
}

// Names from object files made on Windows carry backslashes.
std::string withoutDirectory(const std::string& name) {
    const auto cut = name.find_last_of("\\/");
    return cut == std::string::npos ? name : name.substr(cut + 1);
}

std::string directoryOf(const std::string& name) {
    const auto cut = name.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : name.substr(0, cut);
}

// Families whose program memory the board maps contiguously: the reset
// vector's LJMP must become an AJMP there.
bool contiguousFamily(int family) {
    return family == 11 || family == 15;
}

constexpr int FamilyNoExtData = 9;

}  // namespace

std::string LoadValueNotValid(int what) {
    return std::string(LoadStr(107)) + ": " + FmtLoadStr(211, std::string(LoadStr(what)));
}

FormatLoader FormatLoaderOf(std::uint8_t format) {
    static constexpr std::array<FormatLoader, fileformat::Last + 1> table = {
        &LoadBinary, &LoadIntelHex, nullptr, &LoadOmf, &LoadUbrof, nullptr, nullptr, nullptr, &LoadAvrObject, &LoadCdb};
    return format < table.size() ? table[format] : nullptr;
}

TBasisVokWinLoader::TBasisVokWinLoader(LoaderTarget target) : target_(target) {}

TBasisVokWinLoader::~TBasisVokWinLoader() = default;

TUbrofTables& TBasisVokWinLoader::UbrofTables() {
    if (!ubrofTables_) ubrofTables_ = std::make_unique<TUbrofTables>();
    return *ubrofTables_;
}

platform::Clock& TBasisVokWinLoader::clock() const {
    return target_.clock ? *target_.clock : platform::systemClock();
}

void TBasisVokWinLoader::AddMessage(const std::string& text, bool isError) {
    messages_.push_back(text);
    if (isError) ++errors_;
    if (window_) window_->addLine(text, isError);
}

void TBasisVokWinLoader::ShowProgress(const std::string& text) {
    if (window_) window_->setText(platform::LoadField::Warnung, text);
    AddMessage(text);
}

std::string TBasisVokWinLoader::countText() const {
    return tarvex::Format("%u (0x%.6X)", codeBytes_, codeBytes_);
}

bool TBasisVokWinLoader::Cancelled() {
    if (cancelled_) return true;
    if (!window_) return false;
    const std::uint64_t now = clock().monotonicMs();
    if (polled_ && now - lastPoll_ < PollIntervalMs) return false;
    polled_ = true;
    lastPoll_ = now;
    cancelled_ = window_->cancelRequested();
    return cancelled_;
}

bool TBasisVokWinLoader::RefreshCounters(bool force) {
    if (!window_) return false;
    const std::uint64_t now = clock().monotonicMs();
    if (!force && refreshed_ && now - lastRefresh_ < PollIntervalMs) return false;
    refreshed_ = true;
    lastRefresh_ = now;
    window_->setText(platform::LoadField::CodeAnzahl, countText());
    if (pellunarMode_)
        window_->setText(platform::LoadField::PellunarAnzahl,
                         std::to_string(target_.emulator.Download().Pellunars().HookCount()));
    return true;
}

void TBasisVokWinLoader::NoteCommonArea(std::uint16_t highest) {
    highestCommon_ = std::max(highestCommon_, highest);
}

void TBasisVokWinLoader::refuse(const std::string& text) {
    refused_ = true;
    failed_ = true;
    AddMessage(text, true);
}

// ---------------------------------------------------------------- Load

void TBasisVokWinLoader::prepareForm(const TKommandoStruktur& r) {
    using platform::LoadField;
    window_ = platform::currentUi().loadStatus;
    platform::LoadStatusWindow& w = *window_;
    w.setText(LoadField::Caption, std::string(LoadStr(107)));
    w.setText(LoadField::AbbruchButton, std::string(LoadStr(320)));
    w.setText(LoadField::Fest1, std::string(LoadStr(374)) + ":");
    w.setText(LoadField::Fest2, std::string(LoadStr(375)) + ":");
    w.setText(LoadField::Fest3, std::string(LoadStr(376)) + ":");
    w.setText(LoadField::Dateiname, r.text1);
    w.setText(LoadField::CodeBytes, r.memoryKind != memkind::Program ? "Bytes:" : "Code:");
    w.setText(LoadField::CodeAnzahl, countText());
    w.setText(LoadField::ZeilenAnzahl, "0");
    w.setText(LoadField::SymbolAnzahl, "0");
    w.setText(LoadField::Warnung, "");
    w.clearLines();
    const bool pellunars = target_.emulator.PellunarsOn();
    w.setPellunarVisible(pellunars);
    if (pellunars)
        w.setText(LoadField::PellunarAnzahl, std::to_string(target_.emulator.Download().Pellunars().HookCount()));
    if (r.code != cmd::LoadSystem) w.showForm();
}

void TBasisVokWinLoader::Load(const TKommandoStruktur& request) {
    // The cancel poll lets window events run: a menu command could come
    // back here while the one buffer is in use.
    if (loading_) throw ETarvexAccessError("Loading: another load is running");
    runLoad(request);
}

void TBasisVokWinLoader::runLoad(const TKommandoStruktur& request) {
    TKommandoStruktur r = request;
    request_ = r;
    codeBytes_ = 0;
    highestCommon_ = 0;
    errors_ = 0;
    failed_ = false;
    refused_ = false;
    cancelled_ = false;
    suppressed_ = false;
    writeAfterCancel_ = false;
    polled_ = refreshed_ = false;
    fill_ = written_ = 0;
    rangeStart_ = target_.spaces.minAddress(SpaceKind::Program);
    prepareForm(r);

    loading_ = true;
    bool valid = true;
    try {
        CheckLoadOptions(r);
    } catch (const EVokWinFileError& e) {
        refuse(e.message());
        valid = false;
    }
    request_ = r;
    if (valid) {
        try {
            window_->setText(platform::LoadField::Dateiname, fileName_);
            if (r.options & loadflag::ClearSymbols) {
                target_.symbols.Clear();
                target_.lines.Clear();
            }
            if (r.memoryKind == memkind::Program) target_.emulator.SetPellunarMode(pellunarFlag_);
            buffer_.assign(isProgram_ ? ProgramBufferSize : DataBufferSize, 0);
            fill_ = written_ = 0;
            rewriter_.Reset();
            FormatLoaderOf(format_)(static_cast<TVokWinLoader&>(*this));
            writeAfterCancel_ = false;
            // Whatever the format loader made of it, a cancelled load failed.
            if (cancelled_) failed_ = true;
            if (format_ == fileformat::Cdb && !failed_ && r.code == cmd::Load && r.memoryKind == memkind::Program)
                loadCdbCode();
            afterLoader();
        } catch (...) {
            // The code already downloaded must not hide behind a stale
            // cache, and the form must not stay up over the caller's report.
            failed_ = true;
            loading_ = false;
            try {
                finishTarget();
            } catch (...) {
            }
            ShowProgress(std::string(LoadStr(103)));
            window_->closeForm();
            throw;
        }
    }

    loading_ = false;
    if (valid) {
        finishTarget();
        if (!failed_ && highestCommon_ != 0 && target_.banking)
            target_.banking->SetBankedAreaStart(static_cast<std::uint16_t>(highestCommon_ + 1));
        contiguousFix();
    }
    ShowProgress(std::string(LoadStr(failed_ ? 103 : 104)));
    if (errors_ > 0) {
        AddMessage("ERROR: Check Messages!");
        window_->setText(platform::LoadField::AbbruchButton, "Ok");
        window_->closeForm();
        window_->showModal();
    } else if (r.code != cmd::LoadSystem) {
        window_->closeForm();
    }
}

void TBasisVokWinLoader::loadCdbCode() {
    const fs::path cdb(fileName_);
    std::string code = fs::path(cdb).replace_extension(".ihx").string();
    if (!isFile(code)) code = fs::path(cdb).replace_extension(".hex").string();
    if (!isFile(code)) {
        // Symbols without their code would point into whatever memory holds:
        // the load fails, but ends like any other failed load (the form
        // shown with the counted error).
        AddMessage(std::string(LoadStr(94)) + ": " + code + "/.ihx", true);
        failed_ = true;
        return;
    }
    const std::string shown = fileName_;
    fileName_ = code;
    format_ = fileformat::IntelHex;
    try {
        LoadIntelHex(static_cast<TVokWinLoader&>(*this));
    } catch (...) {
        fileName_ = shown;
        format_ = fileformat::Cdb;
        throw;
    }
    fileName_ = shown;
    format_ = fileformat::Cdb;
}

void TBasisVokWinLoader::afterLoader() {
    using platform::LoadField;
    if (format_ == fileformat::Omf51 || format_ == fileformat::Ubrof || format_ == fileformat::AvrObject ||
        format_ == fileformat::Cdb) {
        target_.options.SetLoadDirName(directoryOf(fileName_));
        // A HiTech object file carries no code: it is in the ".hex" beside it.
        if (target_.options.HochsprachenTyp() == TCompiler::C51_HiTech && request_.memoryKind == memkind::Program &&
            codeBytes_ == 0 && !failed_) {
            const std::string hex = fs::path(fileName_).replace_extension(".hex").string();
            // The HEX file is looked for as any load's file is: as named,
            // then in the object folder (the UBROF path looks beside only).
            std::string code = hex;
            if (!isFile(code) && format_ != fileformat::Ubrof) {
                const std::string& dir = target_.options.ObjectDirName();
                const std::string bare = withoutDirectory(hex);
                const std::string tried = dir.empty() ? bare : (fs::path(dir) / bare).string();
                if (!isFile(tried)) {
                    AddMessage(FmtLoadStr(331, hex + "; " + tried), true);
                    failed_ = true;
                    return;
                }
                code = tried;
            }
            if (isFile(code)) {
                const std::string shown = fileName_;
                const std::uint8_t outer = format_;
                fileName_ = code;
                format_ = fileformat::IntelHex;
                LoadIntelHex(static_cast<TVokWinLoader&>(*this));
                fileName_ = shown;
                // The UBROF path's load continues as an OMF load.
                format_ = outer == fileformat::Ubrof ? fileformat::Omf51 : outer;
                window_->setText(LoadField::Dateiname, shown + ", .hex");
                window_->setText(LoadField::ZeilenAnzahl, std::to_string(target_.lines.Count()));
                window_->setText(LoadField::SymbolAnzahl, std::to_string(target_.symbols.Count()));
                RefreshCounters(true);
            } else if (format_ == fileformat::Ubrof) {
                throw EVokWinFileError(FmtLoadStr(331, hex));
            }
        }
    }
}

void TBasisVokWinLoader::finishTarget() {
    if (request_.memoryKind != memkind::Program) return;
    target_.emulator.Download().UpdatePellunars();
    target_.spaces.Space(SpaceKind::Program).ClearProgramCache();
}

void TBasisVokWinLoader::contiguousFix() {
    if (failed_ || !contiguousFamily(target_.sfr.GetOptionNummer())) return;
    // Only a load that wrote code: a symbols-only load must not touch
    // program memory (before the target's first reset it could not).
    if (request_.memoryKind != memkind::Program) return;
    if (format_ != fileformat::Omf51 && format_ != fileformat::IntelHex) return;
    TEmulSpeicher& program = target_.spaces.Space(SpaceKind::Program);
    TBankAdresse at = program.GetMinAdresse();
    if (program.GetMaxAdresse().banked && target_.banking)
        at = BankedAdresse(static_cast<std::uint8_t>(target_.banking->ResetBankNummer()), at.offset);
    const std::string first = program.ReadBlock(at, 1);
    if (first.size() != 1 || static_cast<std::uint8_t>(first[0]) != 0x02) return;
    program.WriteBlock(at, std::string(1, '\x01'));
    AddMessage("Contiguous mode: LJMP at " + BankAdresseToStr(at, target_.banking) + " changed in AJMP");
}

// ---------------------------------------------------------------- validation

void TBasisVokWinLoader::CheckLoadOptions(TKommandoStruktur& r) {
    failed_ = true;
    if (r.text1.empty()) throw EVokWinFileError(std::string(LoadStr(96)));
    if (!isFile(r.text1)) {
        const std::string bare = withoutDirectory(r.text1);
        const std::string& dir = target_.options.ObjectDirName();
        const std::string tried = dir.empty() ? bare : (fs::path(dir) / bare).string();
        if (!isFile(tried)) throw EVokWinFileError(FmtLoadStr(331, r.text1 + "; " + tried));
        r.text1 = tried;
    }
    // Records come from select files and macros too: anything outside the
    // tables is refused, not loaded into nowhere.
    if (r.memoryKind > memkind::Symbol ||
        (r.memoryKind == memkind::System && !target_.options.SystemMode() && r.code != cmd::LoadSystem))
        throw EVokWinFileError(LoadValueNotValid(214));
    if (r.memoryKind == memkind::ExtData && target_.sfr.GetOptionNummer() == FamilyNoExtData)
        throw EVokWinFileError(FmtLoadStr(111, target_.options.TargetName()));
    if (r.fileFormat > fileformat::Last || r.fileFormat == fileformat::HexDump ||
        r.fileFormat == fileformat::AssemblerList || r.fileFormat == fileformat::AssemblerSource)
        throw EVokWinFileError(LoadValueNotValid(213));
    if ((r.options & loadflag::Convert1) && (r.options & loadflag::Convert2))
        throw EVokWinFileError(LoadValueNotValid(212));
    // The port rewrite knows 8051 operands only: on AVR instruction words
    // it would change code.
    if (r.fileFormat == fileformat::AvrObject && r.memoryKind == memkind::Program &&
        (r.options & (loadflag::Convert1 | loadflag::Convert2)))
        throw EVokWinFileError(LoadValueNotValid(212));
    const bool dataMemory = r.memoryKind >= memkind::IntData && r.memoryKind <= memkind::System;
    if (dataMemory && r.fileFormat >= fileformat::Object) throw EVokWinFileError(LoadValueNotValid(213));
    if (r.memoryKind == memkind::Symbol &&
        !(r.fileFormat == fileformat::Object || r.fileFormat == fileformat::Omf51 ||
          r.fileFormat == fileformat::Ubrof || r.fileFormat == fileformat::AvrObject ||
          r.fileFormat == fileformat::Cdb))
        throw EVokWinFileError(LoadValueNotValid(213));

    const TCompiler compiler = target_.options.HochsprachenTyp();
    std::uint8_t format = r.fileFormat;
    if (format == fileformat::Object)
        format = compiler == TCompiler::C51_IAR    ? fileformat::Ubrof
                 : compiler == TCompiler::C51_SDCC ? fileformat::Cdb
                                                   : fileformat::Omf51;
    if (!FormatLoaderOf(format)) throw EVokWinFileError(LoadValueNotValid(213));

    if (r.memoryKind != memkind::Program)
        r.options = static_cast<std::uint8_t>(r.options & ~(loadflag::Convert1 | loadflag::Convert2 |
                                                            loadflag::PellunarLinesOnly));
    if (format == fileformat::Binary || format == fileformat::IntelHex)
        r.options = static_cast<std::uint8_t>(r.options & ~loadflag::PellunarLinesOnly);

    fileName_ = r.text1;
    format_ = format;
    dialect_ = format == fileformat::Ubrof ? 1
               : format == fileformat::Cdb ? 3
               : (compiler == TCompiler::C51_KSC || compiler == TCompiler::Pascal51_KSC) ? 4
                                                                                           : 0;
    rewriter_.SetMode((r.options & loadflag::Convert1) ? 1 : (r.options & loadflag::Convert2) ? 2 : 0);
    rewriter_.SetMaxBytes(target_.banking ? target_.banking->MaxCountBefehlsBytes() : 3);
    pellunarFlag_ = (r.options & loadflag::PellunarLinesOnly) != 0;
    symbolsOnly_ = r.memoryKind == memkind::Symbol;
    pellunarMode_ = target_.emulator.PellunarsOn();
    static constexpr SpaceKind spaceOfKind[] = {SpaceKind::Program, SpaceKind::IntData, SpaceKind::ExtData,
                                                SpaceKind::System, SpaceKind::Program};
    space_ = &target_.spaces.Space(spaceOfKind[r.memoryKind]);
    isProgram_ = spaceOfKind[r.memoryKind] == SpaceKind::Program;
    ignoreBanking_ = (r.options & loadflag::IgnoreBanking) != 0;
    target_.symbols.SetIgnoreBanking(ignoreBanking_);
    target_.lines.SetIgnoreBanking(ignoreBanking_);
    loadAddress_ = r.start;
    banks_ = 1;
    if (loadAddress_.allBanks) {
        const TBankAdresse max = space_->GetMaxAdresse();
        if (max.banked) {
            banks_ = max.bank + 1;
            const TBankAdresse min = space_->GetMinAdresse();
            loadAddress_.bank = min.banked ? min.bank : 0;
        } else {
            loadAddress_ = UnbankedAdresse(loadAddress_.offset);
            AddMessage(std::string(LoadStr(90)) + ": " + std::string(LoadStr(107)) + ": " +
                       std::string(LoadStr(71)));
        }
    }
    if (r.memoryKind == memkind::Program && !loadAddress_.banked && space_->GetMaxAdresse().banked) {
        // The program counter's bank; before the first stop the banking's
        // selected bank, or its reset bank while none is selected.
        std::uint8_t bank = 0;
        if (target_.banking) {
            bank = target_.banking->CurrentCodeBank();
            if (bank > target_.banking->MaxBank()) bank = static_cast<std::uint8_t>(target_.banking->ResetBankNummer());
        }
        if (target_.runControl && target_.runControl->PC().banked && target_.runControl->PC().bank <= space_->GetMaxAdresse().bank)
            bank = target_.runControl->PC().bank;
        loadAddress_ = BankedAdresse(bank, loadAddress_.offset);
    }
    failed_ = false;
}

// ---------------------------------------------------------------- buffer

std::size_t TBasisVokWinLoader::writeCode(std::size_t count, bool whole) {
    // Each download block ends on an instruction boundary (the pellunar scan
    // reads whole instructions); a cut instruction waits for its rest.
    rewriter_.Reset();
    return rewriter_.Rewrite(buffer_.data() + written_, count, whole);
}

void TBasisVokWinLoader::writeChunk(std::size_t count, bool) {
    const std::string_view bytes(reinterpret_cast<const char*>(buffer_.data() + written_), count);
    const auto put = [&](const TBankAdresse& at) {
        if (isProgram_)
            space_->WriteProgram(at, bytes);
        else
            space_->WriteRange(at, bytes);
    };
    if (writeAddress_.allBanks) {
        const TBankAdresse min = space_->GetMinAdresse(), max = space_->GetMaxAdresse();
        const int first = min.banked ? min.bank : 0, last = max.banked ? max.bank : 0;
        for (int bank = first; bank <= last; ++bank)
            put(BankedAdresse(static_cast<std::uint8_t>(bank), writeAddress_.offset));
    } else {
        put(writeAddress_);
    }
}

void TBasisVokWinLoader::flush(bool whole) {
    if (buffer_.empty()) return;
    const int maxBytes = target_.banking ? target_.banking->MaxCountBefehlsBytes() : 3;
    bool lastRound = false;
    while (fill_ > written_) {
        if (!writeAfterCancel_ && Cancelled()) break;
        std::size_t chunk = fill_ - written_;
        if (!isProgram_) chunk = std::min<std::size_t>(chunk, 250);
        if (isProgram_ && !suppressed_) chunk = writeCode(chunk, whole);
        if (chunk == 0) break;
        if (!suppressed_) {
            writeChunk(chunk, whole);
            codeBytes_ += static_cast<std::uint32_t>(chunk / static_cast<std::size_t>(ElementSize()));
        }
        written_ += chunk;
        writeAddress_.offset = static_cast<std::uint16_t>(writeAddress_.offset + chunk / ElementSize());
        if (writeAddress_.allBanks) NoteCommonArea(static_cast<std::uint16_t>(writeAddress_.offset - 1));
        if (lastRound) break;
        lastRound = static_cast<std::size_t>(maxBytes) > fill_ - written_;
    }
    if (written_ == fill_ || (cancelled_ && !writeAfterCancel_)) {
        fill_ = written_ = 0;
    } else if (written_ > 0) {
        // The rest moves to the front; new bytes follow it.
        std::memmove(buffer_.data(), buffer_.data() + written_, fill_ - written_);
        fill_ -= written_;
        written_ = 0;
    }
}

void TBasisVokWinLoader::FlushBuffer() {
    flush(false);
}

void TBasisVokWinLoader::FlushAll() {
    flush(true);
    fill_ = written_ = 0;
}


void TBasisVokWinLoader::BreakAt(const TBankAdresse& at) {
    const std::size_t pending = fill_ - written_;
    const std::uint32_t end = writeAddress_.offset + static_cast<std::uint32_t>(pending / ElementSize());
    const bool continues = pending > 0 && at.banked == writeAddress_.banked &&
                           at.allBanks == writeAddress_.allBanks && at.bank == writeAddress_.bank && end <= 0xFFFF &&
                           at.offset == end;
    if (!continues) {
        if (pending > 0) FlushAll();
        writeAddress_ = at;
    }
}

void TBasisVokWinLoader::AppendCode(const TBankAdresse& at, const std::uint8_t* data, std::size_t count) {
    if (buffer_.empty() || count == 0) return;
    BreakAt(at);
    while (count > 0) {
        if (fill_ == buffer_.size()) {
            FlushBuffer();
            if (cancelled_ && !writeAfterCancel_) return;
            if (fill_ == buffer_.size()) FlushAll();
        }
        const std::size_t piece = std::min(count, buffer_.size() - fill_);
        std::memcpy(buffer_.data() + fill_, data, piece);
        fill_ += piece;
        data += piece;
        count -= piece;
    }
}

}  // namespace tarvex
