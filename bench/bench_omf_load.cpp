// OMF loads of a generated OMF-51 file of about 0.9 MB, as SDCC writes them
// (module and procedure scopes, content, public and local symbols, lines):
// 200 modules of 25 functions, each with 64 code bytes, 8 lines and 4
// locals (65,000 table entries). A symbols-only load into fresh tables (goal
// under 500 ms; a debug build takes about 200 ms of CPU) and a full load into
// a target that only counts the code.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "host/load/loader_omf.hpp"
#include "platform/stream.hpp"

namespace {

using namespace tarvex;

class Writer {
public:
    void record(std::uint8_t type, const std::vector<std::uint8_t>& body) {
        const auto length = static_cast<std::uint16_t>(body.size() + 1);
        const std::size_t start = bytes_.size();
        bytes_.push_back(type);
        bytes_.push_back(static_cast<std::uint8_t>(length & 0xFF));
        bytes_.push_back(static_cast<std::uint8_t>(length >> 8));
        bytes_.insert(bytes_.end(), body.begin(), body.end());
        std::uint8_t sum = 0;
        for (std::size_t i = start; i < bytes_.size(); ++i) sum = static_cast<std::uint8_t>(sum + bytes_[i]);
        bytes_.push_back(static_cast<std::uint8_t>(0x100 - sum));
    }
    std::vector<std::uint8_t>& bytes() { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

void put16(std::vector<std::uint8_t>& b, unsigned v) {
    b.push_back(static_cast<std::uint8_t>(v & 0xFF));
    b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
void putName(std::vector<std::uint8_t>& b, const std::string& s) {
    b.push_back(static_cast<std::uint8_t>(s.size()));
    b.insert(b.end(), s.begin(), s.end());
}

std::vector<std::uint8_t> generatedOmf() {
    Writer w;
    std::vector<std::uint8_t> b;
    putName(b, "BIG");
    b.push_back(0);
    b.push_back(0);
    w.record(omf::ModuleHeader, b);
    unsigned address = 0;
    for (int m = 0; m < 200; ++m) {
        const std::string module = "mod" + std::to_string(m);
        b = {omf::ModuleBegin};
        putName(b, module);
        w.record(omf::ScopeDefinition, b);
        for (int f = 0; f < 25; ++f, address = (address + 64) & 0xFFFF) {
            const std::string fn = "f" + std::to_string(f);
            b = {omf::ProcedureBegin};
            putName(b, fn);
            w.record(omf::ScopeDefinition, b);
            b = {0};
            put16(b, address);
            for (int i = 0; i < 64; ++i) b.push_back(static_cast<std::uint8_t>(i));
            w.record(omf::Content, b);
            b = {omf::LocalSymbols};
            for (int s = 0; s < 4; ++s) {
                b.push_back(0);
                b.push_back(0x42);
                put16(b, 0x20 + s);
                b.push_back(0);
                putName(b, "local" + std::to_string(s));
            }
            w.record(omf::DebugItems, b);
            b = {omf::LineNumberItems};
            for (int l = 0; l < 8; ++l) {
                b.push_back(0);
                put16(b, address + l * 8);
                put16(b, f * 10 + l + 2);
            }
            w.record(omf::DebugItems, b);
            b = {omf::ProcedureEnd};
            putName(b, fn);
            w.record(omf::ScopeDefinition, b);
        }
        b = {omf::ModuleEndBlock};
        putName(b, module);
        w.record(omf::ScopeDefinition, b);
    }
    b.clear();
    putName(b, "BIG");
    w.record(omf::ModuleEnd, b);
    return w.bytes();
}

class Counter final : public IObjectLoadTarget {
public:
    void PlaceCode(const TBankAdresse&, const std::uint8_t*, std::size_t count, bool store) override {
        if (store) bytes += count;
    }
    void FlushCode() override {}
    void AddMessage(const std::string&) override {}
    bool CancelRequested() override { return false; }
    void SetBankedArea(std::uint16_t, std::uint16_t) override {}
    std::size_t bytes = 0;
};

void run(benchmark::State& state, bool symbolsOnly) {
    const auto file = generatedOmf();
    for (auto _ : state) {
        TSymboltabelle symbols;
        TZeilennummertabelle lines(symbols);
        Counter target;
        TOmfLoad load(symbols, lines, target);
        TOmfReader reader(std::make_unique<platform::MemoryStream>(file));
        TOmfLoadParams params;
        params.symbolsOnly = symbolsOnly;
        load.Load(reader, "big.omf", params);
        benchmark::DoNotOptimize(symbols.Count());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(file.size()));
}

void BM_OmfSymbolsOnly(benchmark::State& state) { run(state, true); }
void BM_OmfFullLoad(benchmark::State& state) { run(state, false); }

}  // namespace

BENCHMARK(BM_OmfSymbolsOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OmfFullLoad)->Unit(benchmark::kMillisecond);
