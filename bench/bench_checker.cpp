// The checker over a full 64 KiB program: reading the HEX lines, collecting
// the blocks, the scan and the output records.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "checker/hex_classes.hpp"
#include "checker/qz_check_main.hpp"
#include "platform/ui.hpp"

namespace {

class QuietCheck final : public tarvex::TQzCheck {
public:
    void WriteLine(const std::string&) override {}
};

// A 64 KiB program of 16-byte records with a port instruction in every record.
std::string fullImage() {
    tarvex::THexWriter writer;
    std::mt19937 random(7);
    for (std::uint32_t a = 0; a < 0x10000; a += 16) {
        std::string bytes(16, '\0');
        for (auto& c : bytes) c = static_cast<char>(random() & 0x7F);
        bytes[0] = static_cast<char>(0xC2);  // CLR P0.x
        bytes[1] = static_cast<char>(0x80 + (a >> 4) % 8);
        writer.WriteRecord(tarvex::THexRecord::CreateData(16, static_cast<std::uint16_t>(a), bytes));
    }
    writer.WriteEndRecord();
    std::string text;
    for (const auto& line : writer.Lines()) text += line + "\r\n";
    return text;
}

void BM_HexReadFullImage(benchmark::State& state) {
    const std::string text = fullImage();
    for (auto _ : state) {
        tarvex::THexReader reader;
        reader.SetText(text);
        std::size_t bytes = 0;
        while (!reader.Eof()) bytes += reader.ReadRecord().data.size();
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_HexReadFullImage)->Unit(benchmark::kMillisecond);

void BM_CheckFullHexImage(benchmark::State& state) {
    const auto dir = std::filesystem::temp_directory_path() / ("tarvex-bench-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir);
    const auto path = (dir / "full.ihx").string();
    const std::string text = fullImage();
    tarvex::platform::ScriptedMessageBoxes boxes;
    tarvex::platform::ScopedUi ui(&boxes);
    for (auto _ : state) {
        state.PauseTiming();
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
        state.ResumeTiming();
        QuietCheck check;
        check.FormatSetting(tarvex::TQzCheck::FormatHex);
        check.SetInputFile(path);
        check.RunCheck();
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_CheckFullHexImage)->Unit(benchmark::kMillisecond);

}  // namespace
