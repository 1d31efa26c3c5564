// The two plain formats: binary and Intel HEX.
#include <algorithm>
#include <fstream>
#include <iterator>

#include "core/conversions.hpp"
#include "core/errors.hpp"
#include "core/messages.hpp"
#include "emulator/memory_spaces.hpp"
#include "host/load/loader.hpp"
#include "platform/ui.hpp"

namespace tarvex {

namespace {

std::string readWhole(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    if (!in) throw EVokWinFileError(FmtLoadStr(331, name));
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

using hexrecord::Data, hexrecord::EndOfFile, hexrecord::ExtendedSegment, hexrecord::ExtendedLinear;

}  // namespace

std::uint32_t ParseHex(std::string_view text, const std::string& fileName) {
    if (text.empty() || text.size() > 8) throw EVokWinFileError(FmtLoadStr(98, fileName));
    std::uint32_t value = 0;
    for (char c : text) {
        const int d = HexDigitValue(c);
        if (d < 0) throw EVokWinFileError(FmtLoadStr(98, fileName));
        value = value << 4 | static_cast<std::uint32_t>(d);
    }
    return value;
}

HexSurvey SurveyHexLines(const std::vector<std::string_view>& lines) {
    HexSurvey s;
    HexRecord r;
    for (std::string_view line : lines) {
        if (DecodeHexLine(line, r, false) != HexLineStatus::Ok) continue;
        if (r.type == EndOfFile || r.count == 0) break;
        if (r.type == Data && !s.hasData) {
            s.hasData = true;
            s.firstDataAddress = r.address;
        }
        if ((r.type == ExtendedLinear || r.type == ExtendedSegment) && r.count == 2 &&
            DecodeHexLine(line, r, true) == HexLineStatus::Ok && (r.data[0] != 0 || r.data[1] != 0))
            s.upperNonZero = true;
    }
    return s;
}

// ---------------------------------------------------------------- binary

void LoadBinary(TVokWinLoader& l) {
    using platform::LoadField;
    platform::LoadStatusWindow& w = *platform::currentUi().loadStatus;
    const std::string caption(LoadStr(100));
    w.setText(LoadField::Caption, caption);
    l.ShowProgress(caption + ": " + l.FileName());

    std::ifstream in(l.FileName(), std::ios::binary);
    if (!in) throw EVokWinFileError(FmtLoadStr(331, l.FileName()));
    in.seekg(0, std::ios::end);
    const auto size = static_cast<std::uint64_t>(std::max<std::streamoff>(in.tellg(), 0));
    TEmulSpeicher& space = l.Space();
    const TBankAdresse load = l.LoadAddress();
    const TBankAdresse max = space.GetMaxAdresse();
    const std::uint64_t perUnit = static_cast<std::uint64_t>(l.ElementSize());
    const std::uint64_t units = size / perUnit;
    if (units > 0 && BankAdresseToLinear(load) + units - 1 > BankAdresseToLinear(max)) {
        // A load into several banks fills the same 16-bit range in each.
        const bool fitsEachBank = l.BankCount() > 1 && load.offset + units - 1 <= max.offset;
        if (!fitsEachBank) {
            const std::string text = FmtLoadStr(97, l.FileName(), static_cast<int>(size)) + " Load Address: " +
                                     BankAdresseToStr(load, l.Target().banking);
            l.AddMessage(text);
            throw EVokWinFileError(text);
        }
    }

    const std::size_t length = l.BufferLength();
    std::vector<std::uint8_t> piece(length);
    bool complete = true;
    for (int pass = 0; pass < l.BankCount() && complete; ++pass) {
        TBankAdresse at = load;
        if (at.banked) at = BankedAdresse(static_cast<std::uint8_t>(load.bank + pass), load.offset);
        in.clear();
        in.seekg(0);
        std::uint64_t remaining = size;
        bool first = true;
        while (remaining > 0) {
            if (l.Cancelled()) {
                complete = false;
                break;
            }
            const std::size_t want =
                static_cast<std::size_t>(std::min<std::uint64_t>(remaining, length - l.BufferFill()));
            in.read(reinterpret_cast<char*>(piece.data()), static_cast<std::streamsize>(want));
            const auto got = static_cast<std::size_t>(in.gcount());
            if (got == 0) {
                complete = false;
                break;
            }
            const TBankAdresse next =
                first ? at
                      : TBankAdresse{l.WriteAddress().bank,
                                     static_cast<std::uint16_t>(l.WriteAddress().offset + l.BufferFill() / perUnit),
                                     l.WriteAddress().banked, l.WriteAddress().allBanks};
            first = false;
            l.AppendCode(next, piece.data(), got);
            remaining -= got;
            l.FlushBuffer();
            l.RefreshCounters();
        }
        if (!l.Cancelled()) l.FlushAll();
        l.RefreshCounters(true);
    }
    if (l.Cancelled() || !complete || l.CodeBytes() != units * static_cast<std::uint64_t>(l.BankCount()))
        l.SetFailed();
}

// ---------------------------------------------------------------- Intel HEX

void LoadIntelHex(TVokWinLoader& l) {
    using platform::LoadField;
    platform::LoadStatusWindow& w = *platform::currentUi().loadStatus;
    const std::string caption(LoadStr(101));
    w.setText(LoadField::Caption, caption);
    l.ShowProgress(caption + ": " + l.FileName());

    const std::string text = readWhole(l.FileName());
    const std::vector<std::string_view> lines = SplitHexLines(text);
    const HexSurvey survey = SurveyHexLines(lines);
    TEmulSpeicher& space = l.Space();
    const int es = l.ElementSize();
    const auto formatError = [&](std::size_t line) {
        const std::string message = FmtLoadStr(98, l.FileName());
        l.AddMessage(message + ", line " + std::to_string(line + 1));
        throw EVokWinFileError(message);
    };
    // Extended addresses that leave the first 64 KiB place each record in
    // its own bank, in one pass; they cannot go into an unbanked space.
    const bool exact = survey.upperNonZero;
    if (exact && !space.GetMaxAdresse().banked) {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            HexRecord r;
            if (DecodeHexLine(lines[i], r, true) == HexLineStatus::Ok &&
                (r.type == ExtendedLinear || r.type == ExtendedSegment) && r.count == 2 && (r.data[0] || r.data[1]))
                formatError(i);
        }
    }
    const TBankAdresse load = l.LoadAddress();
    // The offset comes from the first data record, not from the first line
    // (tools lead with an extended-address record).
    const std::uint16_t offset =
        l.OffsetFlag() && survey.hasData
            ? static_cast<std::uint16_t>(load.offset - survey.firstDataAddress / static_cast<std::uint16_t>(es))
            : 0;
    const int passes = exact ? 1 : l.BankCount();
    HexRecord r;
    for (int pass = 0; pass < passes; ++pass) {
        TBankAdresse base = load;
        if (base.banked) base = BankedAdresse(static_cast<std::uint8_t>(load.bank + pass), load.offset);
        std::uint32_t upper = 0;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (DecodeHexLine(lines[i], r, false) != HexLineStatus::Ok) formatError(i);
            if (r.type == EndOfFile || r.count == 0) break;
            if (r.type == Data) {
                TBankAdresse at = base;
                if (exact) {
                    const std::uint32_t linear = upper + r.address;
                    at = BankedAdresse(static_cast<std::uint8_t>(linear >> 16),
                                       static_cast<std::uint16_t>(linear / static_cast<std::uint32_t>(es) + offset));
                } else {
                    at.offset = static_cast<std::uint16_t>(r.address / es + offset);
                }
                l.BreakAt(at);
                if (DecodeHexLine(lines[i], r, true) != HexLineStatus::Ok) formatError(i);
                if (r.sum != 0) {
                    l.AddMessage(FmtLoadStr(99, l.FileName()) + ", line " + std::to_string(i + 1));
                    throw EVokWinFileError(FmtLoadStr(99, l.FileName()));
                }
                space.CheckRange(at, r.count / es);
                l.AppendCode(at, r.data.data(), r.count);
            } else if (exact && (r.type == ExtendedLinear || r.type == ExtendedSegment)) {
                if (DecodeHexLine(lines[i], r, true) != HexLineStatus::Ok || r.count != 2) formatError(i);
                if (r.sum != 0) {
                    l.AddMessage(FmtLoadStr(99, l.FileName()) + ", line " + std::to_string(i + 1));
                    throw EVokWinFileError(FmtLoadStr(99, l.FileName()));
                }
                const std::uint32_t value = static_cast<std::uint32_t>(r.data[0]) << 8 | r.data[1];
                upper = r.type == ExtendedLinear ? value << 16 : value << 4;
            }
            l.RefreshCounters();
            if (l.Cancelled()) break;
        }
        l.RefreshCounters(true);
        if (l.Cancelled()) {
            l.SetFailed();
            return;
        }
        l.FlushAll();
        l.RefreshCounters(true);
    }
}

}  // namespace tarvex
