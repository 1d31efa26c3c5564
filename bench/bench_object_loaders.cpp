// Symbols-only loads of the other tool chains' debug files into fresh
// tables: SDCC's types.cdb-like records at scale (a generated CDB file of
// 10,000 lines: 500 functions, 2,000 symbols, 100 structures; goal under
// 200 ms) and a generated UBROF file of about 1 MB (2,000 modules with code,
// lines, variables and types; goal under 500 ms).
//
// The *PerByte benchmarks load inputs of one shape at two sizes (argument 1
// and 8): their "time_per_byte" must stay about the same, or a reader has a
// cost that grows faster than its input; the run at 8 shows
// "ratio_8x_1x", its CPU time per byte over that of the run at 1 (goal at
// most 1.5). CDB: many modules of many functions with a C and an A line per
// 3 bytes; CDB types: SDCC's output for modules that all include one header
// of 40 structures, which SDCC describes again in every module; UBROF: many
// declared tags, then many records of the tag declared last; AVR: many
// records.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/load/avr_object.hpp"
#include "host/load/loader_avr.hpp"
#include "host/load/loader_cdb.hpp"
#include "host/load/ubrof_load.hpp"
#include "platform/stream.hpp"

namespace {

using namespace tarvex;

std::vector<std::string> generatedCdb() {
    std::vector<std::string> lines;
    std::vector<std::string> links;
    for (int m = 0; m < 20; ++m) {
        const std::string mod = "mod" + std::to_string(m);
        lines.push_back("M:" + mod);
        for (int f = 0; f < 25; ++f) {
            const std::string fn = "f" + std::to_string(f);
            lines.push_back("F:F" + mod + "$" + fn + "$0_0$0({2}DF,SV:S),C,0,0,0,0,0");
            const int base = 0x100 + (m * 25 + f) * 0x40;
            char a[16], e[16];
            std::snprintf(a, sizeof a, "%X", base);
            std::snprintf(e, sizeof e, "%X", base + 0x3F);
            links.push_back("L:F" + mod + "$" + fn + "$0$0:" + a);
            links.push_back("L:XF" + mod + "$" + fn + "$0$0:" + e);
            for (int l = 0; l < 8; ++l) {
                char at[16];
                std::snprintf(at, sizeof at, "%X", base + l * 8);
                links.push_back("L:C$" + mod + ".c$" + std::to_string(f * 10 + l + 2) + "$1_0$1:" + at);
            }
        }
        for (int s = 0; s < 5; ++s)
            lines.push_back("T:F" + mod + "$st" + std::to_string(s) +
                            "[({0}S:S$x$0_0$0({2}SI:S),Z,0,0)({2}S:S$y$0_0$0({1}SC:U),Z,0,0)({3}S:S$p$0_0$0({2}DX,SC:U),Z,0,0)]");
        for (int v = 0; v < 100; ++v) {
            const std::string name = "v" + std::to_string(v);
            const char* chains[] = {"({2}SI:U),E", "({6}DA3d,SI:S),F", "({2}DC,SC:U),E", "({5}STst1:S),F"};
            lines.push_back("S:F" + mod + "$" + name + "$0_0$0" + chains[v % 4] + ",0,0");
            links.push_back("L:F" + mod + "$" + name + "$0_0$0:" + std::to_string(v + 0x10));
        }
    }
    lines.insert(lines.end(), links.begin(), links.end());
    while (lines.size() < 10000) lines.push_back("L:A$mod0$" + std::to_string(lines.size()) + ":100");
    return lines;
}

void BM_CdbSymbolsOnly(benchmark::State& state) {
    const auto lines = generatedCdb();
    for (auto _ : state) {
        TSymboltabelle symbols;
        TZeilennummertabelle table(symbols);
        TCdbLoader loader(symbols, table);
        loader.Load(lines);
        benchmark::DoNotOptimize(symbols.Count());
    }
    state.counters["lines"] = static_cast<double>(lines.size());
}
BENCHMARK(BM_CdbSymbolsOnly)->Unit(benchmark::kMillisecond);

struct Bytes {
    std::vector<std::uint8_t> b;
    Bytes& u8(std::uint32_t v) { return b.push_back(static_cast<std::uint8_t>(v)), *this; }
    Bytes& u16(std::uint32_t v) { return u8(v >> 8).u8(v); }
    Bytes& u32(std::uint32_t v) { return u16(v >> 16).u16(v); }
    Bytes& l(const std::string& s) {
        u8(static_cast<std::uint32_t>(s.size()));
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
};

std::vector<std::uint8_t> generatedUbrof() {
    Bytes f;
    f.u8(0x4F).u8(3).u8(2);
    for (int m = 0; m < 2000; ++m) {
        f.u8(0x00).u8(0).u8(0).u8(0).u8(0).u8(0).u8(0).l("M" + std::to_string(m));
        f.u8(0xB9).u16(1).u16(6).b.insert(f.b.end(), {'m', '.', 'c', 0, 0, 0, 0, 0, 0, 0, 0, 0});
        f.u8(0x50).l("F" + std::to_string(m)).u16(0).u16(0).u16(0).u16(0).u16(0);
        f.u8(0x51).u8(1).u32(static_cast<std::uint32_t>(m * 16) & 0xFFFF);
        for (int l = 0; l < 16; ++l) {
            f.u8(0x47).u16(static_cast<std::uint32_t>(l + 1)).u16(0).u16(0).u16(0).u8(0);
            f.u8(0x39).u8(16);
            for (int i = 0; i < 16; ++i) f.u8(static_cast<std::uint32_t>(i));
        }
        f.u8(0x4A).u16(100).u8(15).u16(3);
        f.u8(0x4C).u8(2).u16(2).u32(0x30).l("V" + std::to_string(m)).u16(100).l("");
        f.u8(0x49);
        f.u8(0x3D).u16(0).u32(0).u16(0);
    }
    return f.b;
}

void BM_UbrofSymbolsOnly(benchmark::State& state) {
    const auto bytes = generatedUbrof();
    for (auto _ : state) {
        TSymboltabelle symbols;
        TZeilennummertabelle lines(symbols);
        TUbrofTables tables;
        TUbrofLoad load(symbols, lines, tables);
        load.Load(bytes, "bench");
        benchmark::DoNotOptimize(symbols.Count());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_UbrofSymbolsOnly)->Unit(benchmark::kMillisecond);

// CPU time per input byte, and at argument 8 its ratio to the last run of
// the same benchmark at argument 1.
class PerByte {
public:
    PerByte(benchmark::State& state, const char* name, std::size_t bytes)
        : state_(state), name_(name), bytes_(bytes), start_(std::clock()) {}
    ~PerByte() {
        const double seconds = static_cast<double>(std::clock() - start_) / CLOCKS_PER_SEC;
        const double iterations = static_cast<double>(state_.iterations());
        state_.counters["time_per_byte"] = benchmark::Counter(
            static_cast<double>(bytes_), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
        state_.counters["bytes"] = static_cast<double>(bytes_);
        if (iterations == 0 || bytes_ == 0) return;
        const double perByte = seconds / iterations / static_cast<double>(bytes_);
        auto& at1 = atOne()[name_];
        if (state_.range(0) == 1) at1 = perByte;
        if (state_.range(0) == 8 && at1 > 0) state_.counters["ratio_8x_1x"] = perByte / at1;
    }
    PerByte(const PerByte&) = delete;
    PerByte& operator=(const PerByte&) = delete;

private:
    static std::map<std::string, double>& atOne() {
        static std::map<std::string, double> values;
        return values;
    }
    benchmark::State& state_;
    std::string name_;
    std::size_t bytes_;
    std::clock_t start_;
};

std::size_t textBytes(const std::vector<std::string>& lines) {
    std::size_t bytes = 0;
    for (const auto& l : lines) bytes += l.size() + 1;
    return bytes;
}

// Shaped like SDCC's output: 25 x scale modules of 10 functions with 20 C
// lines each, an A line beside every C line, 3 bytes apart.
std::vector<std::string> sdccShapedCdb(int scale) {
    std::vector<std::string> lines, links;
    int address = 0x100;
    for (int m = 0; m < 25 * scale; ++m) {
        const std::string mod = "m" + std::to_string(m);
        lines.push_back("M:" + mod);
        for (int f = 0; f < 10; ++f) {
            const std::string fn = "f" + std::to_string(f);
            lines.push_back("F:G$" + mod + fn + "$0_0$0({2}DF,SV:S),C,0,0,0,0,0");
            char a[16], e[16];
            std::snprintf(a, sizeof a, "%X", address);
            std::snprintf(e, sizeof e, "%X", address + 20 * 3 - 1);
            links.push_back("L:G$" + mod + fn + "$0$0:" + a);
            links.push_back("L:XG$" + mod + fn + "$0$0:" + e);
            for (int l = 0; l < 20; ++l, address += 3) {
                char at[16];
                std::snprintf(at, sizeof at, "%X", address);
                links.push_back("L:C$" + mod + ".c$" + std::to_string(f * 30 + l + 2) + "$1_0$1:" + at);
                links.push_back("L:A$" + mod + "$" + std::to_string(f * 60 + l + 100) + ":" + at);
            }
        }
    }
    lines.insert(lines.end(), links.begin(), links.end());
    return lines;
}

void BM_CdbPerByte(benchmark::State& state) {
    const auto lines = sdccShapedCdb(static_cast<int>(state.range(0)));
    PerByte measure(state, "cdb", textBytes(lines));
    for (auto _ : state) {
        TSymboltabelle symbols;
        TZeilennummertabelle table(symbols);
        TCdbLoader loader(symbols, table);
        loader.Load(lines);
        benchmark::DoNotOptimize(table.Count());
    }
}
BENCHMARK(BM_CdbPerByte)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond);

// What SDCC 4.2 writes for 15 x scale modules that include one header of 40
// structures: in every module a structure record for each (members of
// base types, arrays, a float, a pointer to its own kind, another structure
// in it), global variables of these types, two functions with their lines.
std::vector<std::string> sdccTypeHeavyCdb(int scale) {
    constexpr int Structures = 40;
    std::vector<std::string> lines, links;
    int address = 0x100, data = 0x30;
    auto hex = [](int v) {
        char t[16];
        std::snprintf(t, sizeof t, "%X", v);
        return std::string(t);
    };
    for (int m = 0; m < 15 * scale; ++m) {
        const std::string mod = "m" + std::to_string(m);
        lines.push_back("M:" + mod);
        for (int f = 0; f < 2; ++f) {
            const std::string fn = mod + "_f" + std::to_string(f);
            lines.push_back("F:G$" + fn + "$0_0$0({2}DF,SV:S),C,0,0,0,0,0");
            links.push_back("L:G$" + fn + "$0$0:" + hex(address));
            links.push_back("L:XG$" + fn + "$0$0:" + hex(address + 10 * 3 - 1));
            for (int l = 0; l < 10; ++l, address += 3) {
                links.push_back("L:C$" + mod + ".c$" + std::to_string(f * 20 + l + 2) + "$1_0$1:" + hex(address));
                links.push_back("L:A$" + mod + "$" + std::to_string(f * 40 + l + 100) + ":" + hex(address));
            }
        }
        for (int s = 0; s < Structures; ++s) {
            const std::string self = "s" + std::to_string(s);
            std::string rec = "T:F" + mod + "$" + self + "[({0}S:S$a$0_0$0({2}SI:S),Z,0,0)"
                              "({2}S:S$b$0_0$0({1}SC:U),Z,0,0)"
                              "({3}S:S$next$0_0$0({3}DG,ST" + self + ":S),Z,0,0)"
                              "({6}S:S$c$0_0$0({12}DA3d,SL:S),Z,0,0)"
                              "({18}S:S$f$0_0$0({4}SF:S),Z,0,0)"
                              "({22}S:S$name$0_0$0({8}DA8d,SC:U),Z,0,0)";
            if (s > 0) rec += "({30}S:S$inner$0_0$0({30}STs" + std::to_string(s - 1) + ":S),Z,0,0)";
            lines.push_back(rec + "]");
        }
        for (int v = 0; v < 8; ++v) {
            const std::string name = mod + "_g" + std::to_string(v), st = "STs" + std::to_string((m + v * 5) % Structures);
            const std::string chains[] = {"({60}" + st + ":S),F", "({3}DG," + st + ":S),E", "({120}DA2d," + st + ":S),F",
                                          "({2}DX," + st + ":S),E"};
            lines.push_back("S:G$" + name + "$0_0$0" + chains[v % 4] + ",0,0");
            links.push_back("L:G$" + name + "$0_0$0:" + hex(data++ & 0xFF));
        }
    }
    lines.insert(lines.end(), links.begin(), links.end());
    return lines;
}

void BM_CdbTypesPerByte(benchmark::State& state) {
    const auto lines = sdccTypeHeavyCdb(static_cast<int>(state.range(0)));
    PerByte measure(state, "cdb types", textBytes(lines));
    for (auto _ : state) {
        TSymboltabelle symbols;
        TZeilennummertabelle table(symbols);
        TCdbLoader loader(symbols, table);
        loader.Load(lines);
        benchmark::DoNotOptimize(symbols.KindList(sspTypedef)->Count());
    }
}
BENCHMARK(BM_CdbTypesPerByte)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond);

// 20 x scale tag declarations of 255 pairs each (the tag 0x60), then one of
// the tag 0x61 and 100,000 x scale one-byte records of it: every record asks
// for the size of the tag declared last.
std::vector<std::uint8_t> manyDeclaredTags(int scale) {
    Bytes f;
    f.u8(0x00).u8(0).u8(0).u8(0).u8(0).u8(0).u8(0).l("TAGS");
    for (int d = 0; d < 20 * scale; ++d) {
        f.u8(0xBD).u8(0).u8(0).u8(0).u8(255);
        for (int i = 0; i < 255; ++i) f.u8(0x60).u8(1);
    }
    f.u8(0xBD).u8(0).u8(0).u8(0).u8(1).u8(0x61).u8(1);
    for (int r = 0; r < 100000 * scale; ++r) f.u8(0x61).u8(0);
    f.u8(0x3D).u16(0).u32(0).u16(0);
    return f.b;
}

void BM_UbrofPerByte(benchmark::State& state) {
    const auto bytes = manyDeclaredTags(static_cast<int>(state.range(0)));
    PerByte measure(state, "ubrof", bytes.size());
    for (auto _ : state) {
        TSymboltabelle symbols;
        TZeilennummertabelle lines(symbols);
        TUbrofTables tables;
        TUbrofLoad load(symbols, lines, tables);
        load.Load(bytes, "bench");
        benchmark::DoNotOptimize(tables.tagSizes.size());
    }
}
BENCHMARK(BM_UbrofPerByte)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond);

// 30,000 x scale code words with their lines in one source file.
std::vector<std::uint8_t> avrObject(int scale) {
    const int records = 30000 * scale;
    Bytes f;
    const std::uint32_t first = 0x1A;
    f.u32(first + static_cast<std::uint32_t>(records) * 9).u32(first).u8(9).u8(1);
    const std::string id = "AVR Object File";
    f.b.insert(f.b.end(), id.begin(), id.end());
    f.u8(0);
    for (int r = 0; r < records; ++r)
        f.u8(0).u16(static_cast<std::uint32_t>(r % 0x8000)).u16(0x0000).u8(0).u16(static_cast<std::uint32_t>(r + 1)).u8(0);
    const std::string name = "big.asm";
    f.b.insert(f.b.end(), name.begin(), name.end());
    f.u8(0);
    return f.b;
}

void BM_AvrPerByte(benchmark::State& state) {
    const auto bytes = avrObject(static_cast<int>(state.range(0)));
    PerByte measure(state, "avr", bytes.size());
    for (auto _ : state) {
        TSymboltabelle symbols;
        TZeilennummertabelle lines(symbols);
        TAvrObjectLoad load(symbols, lines);
        TAvrObjReader reader(std::make_unique<platform::MemoryStream>(bytes));
        load.Load(reader, "big");
        benchmark::DoNotOptimize(lines.Count());
    }
}
BENCHMARK(BM_AvrPerByte)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond);

}  // namespace
