// Reading a large object file through the OMF reader: a module stream of a
// few megabytes built by repeating the records of the bundled examples,
// read from memory and from a file in the disk cache.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <system_error>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/omf_reader.hpp"
#include "platform/stream.hpp"

namespace {

namespace fs = std::filesystem;
using namespace tarvex;

std::vector<std::uint8_t> readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The examples' object files, or the fuzzer's seeds (copies of them) when the
// examples are not there.
std::vector<std::vector<std::uint8_t>> exampleModules() {
    std::vector<std::vector<std::uint8_t>> modules;
    for (const char* dir : {"examples/build", "fuzz/seeds/fuzz_omf_reader"}) {
        for (const char* name : {"ports.omf", "hooks.omf", "hooks_old.omf"}) {
            const fs::path file = fs::path(TARVEX_SOURCE_DIR) / dir / name;
            if (fs::is_regular_file(file)) modules.push_back(readFile(file));
        }
        if (!modules.empty()) return modules;
    }
    throw std::runtime_error("no example object files found");
}

const std::vector<std::uint8_t>& largeFile() {
    static const std::vector<std::uint8_t> bytes = [] {
        const auto modules = exampleModules();
        std::vector<std::uint8_t> out;
        while (out.size() < 4u * 1024 * 1024)
            for (const auto& m : modules) out.insert(out.end(), m.begin(), m.end());
        return out;
    }();
    return bytes;
}

std::size_t readAll(TOmfReader& reader) {
    std::size_t records = 0;
    while (!reader.Eof()) {
        auto rec = reader.ReadRecord();
        benchmark::DoNotOptimize(rec.get());
        ++records;
    }
    return records;
}

void BM_ReadRecordsFromMemory(benchmark::State& state) {
    const auto& bytes = largeFile();
    for (auto _ : state) {
        TOmfReader reader(std::make_unique<platform::MemoryStream>(bytes));
        benchmark::DoNotOptimize(readAll(reader));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_ReadRecordsFromMemory)->Unit(benchmark::kMillisecond);

// A folder of its own in the system's temporary folder, so that parallel runs
// never share (or delete) each other's file. create_directory answers false
// when the name is taken, so the first free name is ours alone.
class ScratchFolder {
public:
    ScratchFolder() {
        std::random_device rd;
        for (;;) {
            path_ = fs::temp_directory_path() / ("tarvex-bench-omf-" + std::to_string(rd()));
            if (fs::create_directory(path_)) return;
        }
    }
    ~ScratchFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

void BM_ReadRecordsFromFile(benchmark::State& state) {
    const auto& bytes = largeFile();
    const ScratchFolder folder;
    const fs::path path = folder.path() / "large.omf";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    for (auto _ : state) {
        TOmfReader reader;
        reader.SetFileName(path.string());
        benchmark::DoNotOptimize(readAll(reader));
        reader.SetFileName("");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_ReadRecordsFromFile)->Unit(benchmark::kMillisecond);

void BM_ContentPass(benchmark::State& state) {
    const auto& bytes = largeFile();
    for (auto _ : state) {
        TOmfReader reader(std::make_unique<platform::MemoryStream>(bytes));
        std::size_t n = 0;
        while (!reader.Eof())
            if (auto rec = reader.NextContent()) n += rec->data.size();
        benchmark::DoNotOptimize(n);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_ContentPass)->Unit(benchmark::kMillisecond);

}  // namespace
