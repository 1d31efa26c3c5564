// Format 3: the OMF conversion over the program loader's buffer, form and
// cancel poll.
#include "core/messages.hpp"
#include "emulator/banking.hpp"
#include "emulator/memory_spaces.hpp"
#include "host/load/loader.hpp"
#include "host/load/loader_omf.hpp"
#include "platform/ui.hpp"

namespace tarvex {

namespace {

class LoaderTargetAdapter final : public IObjectLoadTarget {
public:
    explicit LoaderTargetAdapter(TVokWinLoader& loader) : loader_(loader) {}

    void PlaceCode(const TBankAdresse& address, const std::uint8_t* bytes, std::size_t count, bool store) override {
        if (count == 0) return;
        loader_.Space().CheckRange(address, static_cast<std::int32_t>(count / loader_.ElementSize()));
        if (store) return loader_.AppendCode(address, bytes, count);
        // Not stored (symbols only, the first pass of pellunar mode): only
        // the write address moves.
        loader_.BreakAt(address);
        TBankAdresse next = address;
        next.offset = static_cast<std::uint16_t>(address.offset + count / loader_.ElementSize());
        loader_.SetWriteAddress(next);
    }
    void FlushCode() override { loader_.FlushAll(); }
    void AddMessage(const std::string& text) override { loader_.AddMessage(text); }
    bool CancelRequested() override {
        loader_.RefreshCounters();
        return loader_.Cancelled();
    }
    void SetBankedArea(std::uint16_t start, std::uint16_t end) override {
        TBanking* banking = loader_.Target().banking;
        if (!banking) return;
        banking->SetBankedAreaStart(start);
        banking->SetBankedAreaEnd(end);
    }

private:
    TVokWinLoader& loader_;
};

}  // namespace

void LoadOmf(TVokWinLoader& l) {
    using platform::LoadField;
    platform::LoadStatusWindow& w = *platform::currentUi().loadStatus;
    const std::string caption(LoadStr(105));
    w.setText(LoadField::Caption, caption);
    l.ShowProgress(caption + ": " + l.FileName());

    TOmfReader reader;
    reader.SetFileName(l.FileName());
    LoaderTargetAdapter target(l);
    TOmfLoad load(l.Target().symbols, l.Target().lines, target);
    load.SetRegisters(l.Target().registers);
    TOmfLoadParams params;
    params.loadAddress = l.LoadAddress();
    params.bankCount = l.BankCount();
    params.offsetFlag = l.OffsetFlag();
    params.ignoreBanking = l.IgnoreBanking();
    params.bankSelector = l.BankSelector();
    params.symbolsOnly = l.SymbolsOnly();
    params.pellunarMode = l.PellunarMode() && l.IsProgram() && !l.SymbolsOnly();
    params.dialect = l.SymbolDialect();
    params.defaultStart = l.RangeStart();
    if (!load.Load(reader, l.FileName(), params)) l.SetFailed();
    // A file that declares its banked area has set it already.
    if (load.BankedAreaDeclared()) l.ForgetCommonArea();
    l.RefreshCounters(true);
    w.setText(LoadField::ZeilenAnzahl, std::to_string(l.Target().lines.Count()));
    w.setText(LoadField::SymbolAnzahl, std::to_string(l.Target().symbols.Count()));
}

}  // namespace tarvex
