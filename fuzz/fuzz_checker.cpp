// A whole checker run on arbitrary bytes, read once as Intel HEX and once as
// an OMF object. Whatever the file holds, the run either completes or ends
// with the checker's own exception; it never reads or writes out of bounds.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "checker/qz_check_main.hpp"
#include "platform/exception.hpp"
#include "platform/ui.hpp"

namespace {

class QuietCheck final : public tarvex::TQzCheck {
public:
    void WriteLine(const std::string&) override {}
};

std::filesystem::path workDir() {
    static const std::filesystem::path dir = [] {
        auto d = std::filesystem::temp_directory_path() / ("tarvex-fuzz-checker-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static tarvex::platform::ScriptedMessageBoxes boxes;  // answers every question with its default
    static tarvex::platform::ScopedUi ui(&boxes);
    boxes.clear();
    for (std::uint8_t format : {tarvex::TQzCheck::FormatHex, tarvex::TQzCheck::FormatOmf51}) {
        const auto input = workDir() / (format == tarvex::TQzCheck::FormatHex ? "in.ihx" : "in.omf");
        {
            // The object is read with its checksums set to "not computed", so
            // that mutated bytes reach the check instead of the checksum test
            // (the reader's own fuzzer covers that test).
            std::vector<char> bytes(data, data + size);
            for (std::size_t p = 0; format != tarvex::TQzCheck::FormatHex && p + 3 <= size;) {
                const std::size_t length = data[p + 1] | static_cast<std::size_t>(data[p + 2]) << 8;
                if (length > 0 && p + 3 + length <= size) bytes[p + 2 + length] = 0;
                p += 3 + length;
            }
            std::ofstream out(input, std::ios::binary | std::ios::trunc);
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        }
        QuietCheck check;
        check.FormatSetting(format);
        check.MessageLevelSetting(2);
        try {
            check.SetInputFile(input.string());
            check.RunCheck();
        } catch (const tarvex::Exception&) {
        }
    }
    return 0;
}
