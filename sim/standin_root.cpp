#include "sim/standin_root.hpp"

#include "emulator/monitor_data.hpp"
#include "emulator/fpga_image.hpp"
#include "platform/stream.hpp"

namespace tarvex::sim {

std::vector<std::uint8_t> StandinFpgaImage(std::size_t size) {
    std::vector<std::uint8_t> image(size);
    for (std::size_t i = 0; i < size; ++i) image[i] = static_cast<std::uint8_t>(i * 7 + 0x5A);
    return image;
}

std::size_t StandinFpgaImageSize(std::string_view name) {
    if (name.starts_with("T6")) return 49152;
    if (name.starts_with("T5")) return 32768;
    return 14751;
}

std::set<std::string> StandinFpgaImageNames() {
    std::set<std::string> names;
    for (int generation = 0; generation <= 2; ++generation)
        for (int pod = 0; pod <= 24; ++pod)
            for (int family = 1; family <= 18; ++family)
                for (int firmware : {12, 13, 14, 16, 21})
                    // Once as the first name of a pair, once as the second.
                    for (bool present : {true, false}) {
                        const auto choice = ChooseFpgaImageName(generation, pod, family, firmware,
                                                                [present](const std::string&) { return present; });
                        if (choice.name.empty()) continue;
                        const std::string name = ReduceFpgaName(choice.name, static_cast<std::uint8_t>(firmware));
                        names.insert(name);
                        names.insert(name + "nm");
                    }
    return names;
}

void MakeStandinRoot(const std::filesystem::path& root, const std::filesystem::path& dataDir) {
    std::filesystem::create_directories(root);
    for (const char* file : {"VokRegs.txt", MonitorDataFileName}) {
        const auto bytes = platform::readWholeFile((dataDir / file).string());
        platform::writeFileAtomically((root / file).string(), bytes.data(), bytes.size());
    }
    for (const std::string& name : StandinFpgaImageNames()) {
        const auto image = StandinFpgaImage(StandinFpgaImageSize(name));
        platform::writeFileAtomically((root / (name + ".bin")).string(), image.data(), image.size());
    }
}

}  // namespace tarvex::sim
