// A symbols-only OMF load of arbitrary bytes into fresh tables, through a
// target that only checks what it is handed. The reader's format error (a
// file error) is the only failure it may report.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "core/errors.hpp"
#include "host/load/loader_omf.hpp"
#include "platform/stream.hpp"

namespace {

class Target final : public tarvex::IObjectLoadTarget {
public:
    void PlaceCode(const tarvex::TBankAdresse&, const std::uint8_t* bytes, std::size_t count, bool store) override {
        if (store || (count != 0 && bytes == nullptr)) std::abort();
    }
    void FlushCode() override {}
    void AddMessage(const std::string&) override {}
    bool CancelRequested() override { return false; }
    void SetBankedArea(std::uint16_t, std::uint16_t) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvex;
    TSymboltabelle symbols;
    TZeilennummertabelle lines(symbols);
    Target target;
    TOmfLoad load(symbols, lines, target);
    TOmfReader reader(std::make_unique<platform::MemoryStream>(std::vector<std::uint8_t>(data, data + size)));
    TOmfLoadParams params;
    params.symbolsOnly = true;
    params.bankCount = 4;
    try {
        load.Load(reader, "fuzz.omf", params);
    } catch (const EVokWinFileError&) {
    }
    return 0;
}
