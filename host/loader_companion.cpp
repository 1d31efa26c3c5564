#include "host/loader_companion.hpp"

#include <fstream>
#include <iterator>
#include <string>

#include "core/errors.hpp"
#include "core/messages.hpp"
#include "emulator/banking.hpp"
#include "emulator/memory_spaces.hpp"
#include "emulator/run_control.hpp"
#include "host/loader.hpp"
#include "platform/ui.hpp"

namespace tarvex {

TCompanionCodeBuffer::TCompanionCodeBuffer(TEmulSpeicher& program, int maxInstructionBytes)
    : program_(program), rewriter_(0, maxInstructionBytes) {
    bytes_.reserve(Size);
}

void TCompanionCodeBuffer::Append(const TBankAdresse& at, std::uint8_t byte, std::uint8_t rewriteMode) {
    const bool continues = !bytes_.empty() && at.banked == start_.banked && at.bank == start_.bank &&
                           at.allBanks == start_.allBanks && start_.offset + bytes_.size() <= 0xFFFF &&
                           at.offset == start_.offset + bytes_.size();
    if (!bytes_.empty() && (!continues || bytes_.size() == Size)) WriteOut();
    if (bytes_.empty()) start_ = at;
    rewriter_.SetMode(rewriteMode);
    bytes_.push_back(byte);
    if (at.offset == 0xFFFF) WriteOut();
}

void TCompanionCodeBuffer::WriteOut() {
    if (bytes_.empty()) return;
    // The operand state carries over only into the bytes that follow.
    if (!haveEnd_ || !BankAdresseEqual(end_, start_) || end_.banked != start_.banked) rewriter_.Reset();
    rewriter_.Rewrite(bytes_.data(), bytes_.size(), true);
    program_.WriteProgram(start_, std::string_view(reinterpret_cast<const char*>(bytes_.data()), bytes_.size()));
    codeBytes_ += static_cast<std::uint32_t>(bytes_.size());
    haveEnd_ = start_.offset + bytes_.size() <= 0xFFFF;
    end_ = start_;
    end_.offset = static_cast<std::uint16_t>(start_.offset + bytes_.size());
    bytes_.clear();
}

void TCompanionCodeBuffer::Reset() {
    bytes_.clear();
    rewriter_.Reset();
    haveEnd_ = false;
}

namespace {

std::string readWhole(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    if (!in) throw EVokWinFileError(FmtLoadStr(331, name));
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

std::uint32_t LoadHexBinFile(const LoaderTarget& target, const TKommandoStruktur& r) {
    using platform::LoadField;
    static constexpr SpaceKind spaceOfKind[] = {SpaceKind::Program, SpaceKind::IntData, SpaceKind::ExtData,
                                                SpaceKind::System};
    if (r.memoryKind > memkind::System) return 0;
    TEmulSpeicher& space = target.spaces.Space(spaceOfKind[r.memoryKind]);
    const bool program = r.memoryKind == memkind::Program;
    const bool hex = r.fileFormat == fileformat::IntelHex;
    const std::uint8_t mode = (r.options & loadflag::Convert1) ? 1 : (r.options & loadflag::Convert2) ? 2 : 0;
    const int maxBytes = target.banking ? target.banking->MaxCountBefehlsBytes() : 3;
    platform::LoadStatusWindow& w = *platform::currentUi().loadStatus;
    w.setText(LoadField::Caption, std::string(LoadStr(hex ? 101 : 100)));
    w.setText(LoadField::Warnung, "");
    w.showForm();

    TBankAdresse load = r.start;
    int banks = 1;
    const TBankAdresse max = space.GetMaxAdresse();
    if (load.allBanks) {
        if (max.banked) {
            banks = max.bank + 1;
            load = BankedAdresse(0, load.offset);
        } else {
            load = UnbankedAdresse(load.offset);
        }
    } else if (program && !load.banked && max.banked) {
        std::uint8_t bank = target.banking ? target.banking->CurrentCodeBank() : 0;
        if (target.banking && bank > target.banking->MaxBank())
            bank = static_cast<std::uint8_t>(target.banking->ResetBankNummer());
        if (target.runControl && target.runControl->PC().banked) bank = target.runControl->PC().bank;
        load = BankedAdresse(bank, load.offset);
    }

    TCompanionCodeBuffer buffer(target.spaces.Space(SpaceKind::Program), maxBytes);
    std::uint32_t dataBytes = 0;
    bool cancelled = false;
    const auto count = [&] { return program ? buffer.CodeBytes() : dataBytes; };
    const auto put = [&](TBankAdresse at, const std::uint8_t* data, std::size_t n) {
        space.CheckRange(at, static_cast<std::int32_t>(n));
        if (program) {
            for (std::size_t i = 0; i < n; ++i) {
                buffer.Append(at, data[i], mode);
                at.offset = static_cast<std::uint16_t>(at.offset + 1);
            }
        } else {
            space.WriteRange(at, std::string_view(reinterpret_cast<const char*>(data), n));
            dataBytes += static_cast<std::uint32_t>(n);
        }
    };
    try {
        const std::string text = readWhole(r.text1);
        if (!hex && !text.empty() && BankAdresseToLinear(load) + text.size() - 1 > BankAdresseToLinear(max) &&
            !(banks > 1 && load.offset + text.size() - 1 <= max.offset))
            throw EVokWinFileError(FmtLoadStr(97, r.text1, static_cast<int>(text.size())));
        const std::vector<std::string_view> lines = hex ? SplitHexLines(text) : std::vector<std::string_view>{};
        const HexSurvey survey = SurveyHexLines(lines);
        const std::uint16_t offset =
            hex && r.flag && survey.hasData ? static_cast<std::uint16_t>(load.offset - survey.firstDataAddress) : 0;
        for (int pass = 0; pass < banks && !cancelled; ++pass) {
            TBankAdresse base = load;
            if (base.banked) base = BankedAdresse(static_cast<std::uint8_t>(load.bank + pass), load.offset);
            buffer.Reset();
            if (!hex) {
                for (std::size_t at = 0; at < text.size() && !cancelled; at += TCompanionCodeBuffer::Size) {
                    const std::size_t n = std::min(text.size() - at, TCompanionCodeBuffer::Size);
                    TBankAdresse where = base;
                    where.offset = static_cast<std::uint16_t>(base.offset + at);
                    put(where, reinterpret_cast<const std::uint8_t*>(text.data()) + at, n);
                    w.setText(LoadField::CodeAnzahl, std::to_string(count()));
                    cancelled = w.cancelRequested();
                }
            } else {
                HexRecord rec;
                for (std::size_t i = 0; i < lines.size() && !cancelled; ++i) {
                    if (DecodeHexLine(lines[i], rec, true) != HexLineStatus::Ok)
                        throw EVokWinFileError(FmtLoadStr(98, r.text1));
                    if (rec.type == 1 || rec.count == 0) break;
                    if (rec.type != 0) continue;
                    if (rec.sum != 0) throw EVokWinFileError(FmtLoadStr(99, r.text1));
                    TBankAdresse where = base;
                    where.offset = static_cast<std::uint16_t>(rec.address + offset);
                    // Beyond the space's end is the range error, not the end of the file.
                    put(where, rec.data.data(), rec.count);
                    w.setText(LoadField::CodeAnzahl, std::to_string(count()));
                    cancelled = w.cancelRequested();
                }
            }
            if (!cancelled) buffer.WriteOut();
        }
    } catch (...) {
        if (program) space.ClearProgramCache();
        w.setText(LoadField::Warnung, std::string(LoadStr(103)));
        w.closeForm();
        throw;
    }
    w.setText(LoadField::CodeAnzahl, std::to_string(count()));
    if (program) space.ClearProgramCache();
    if (cancelled) w.setText(LoadField::Warnung, std::string(LoadStr(103)));
    else w.setText(LoadField::Warnung, std::string(LoadStr(104)));
    w.closeForm();
    return count();
}

}  // namespace tarvex
