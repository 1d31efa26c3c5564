// The SFR definition file as a damaged or hand-edited one could be: the
// first line names the derivative, the rest is the file. Any input either
// loads, leaving a table that fits one command, or is refused with one of
// the file's own messages (syntax, number, derivative, count) or a register
// table refusal; a refusal leaves the previous derivative whole.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/errors.hpp"
#include "emulator/master_block.hpp"
#include "emulator/sfr_config.hpp"
#include "emulator/target_options.hpp"

namespace {

using namespace tarvex;

class Emulator final : public ISfrEmulator {
public:
    const LinkProfile& Profile() const override { return profile_; }
    std::uint8_t ConnectionState() const override { return 5; }
    bool FpgaVariantFlag() const override { return false; }
    const TargetParts& Parts() const override { return parts_; }
    const TMonitorData* MonitorData() const override { return nullptr; }
    bool FpgaFileExists(const std::string&) const override { return false; }
    void SetFpgaName(const std::string&) override {}
    void SetMonitorMode(std::uint8_t) override {}
    void SetProzessorTyp(std::uint8_t) override {}
    void SetPodBit5Flag(bool) override {}
    void ProcessorChangeStarts() override {}
    void WriteMasterBlock(std::uint16_t address, std::string_view bytes) override {
        // Raises for a block that would not fit one command.
        (void)MasterBlockWriteCommand(address, bytes);
    }
    void Log(std::string_view) override {}

private:
    LinkProfile profile_ = LinkProfile::Of(16, 1);
    TargetParts parts_;
};

bool startsWith(const char* text, std::string_view prefix) { return std::string_view(text).starts_with(prefix); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t newline = input.find('\n');
    const std::string name(input.substr(0, newline == std::string_view::npos ? input.size() : newline));
    const std::string_view file = newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);

    Emulator emulator;
    StandaloneTargetOptions options("", "");
    TRegisterTabelle registers;
    TSfrConfig config(registers, emulator, options);
    config.LoadDerivativeText("CPU=base\nGROUP=G\n0 P0 - - 80 0\n", "base");
    try {
        config.LoadDerivativeText(file, name);
        config.TransmitSfrTabelle();
        if (config.RegisterStringLength() != registers.SfrCount() + 14) std::abort();
    } catch (const EVokWinFileError& e) {
        if (!startsWith(e.what(), "Syntax error in ") && !startsWith(e.what(), "Unvalid 8 bit constant ") &&
            !startsWith(e.what(), "Register definition ") && !startsWith(e.what(), "Value in number of SFRs"))
            std::abort();
        if (registers.SfrCount() != 1 || config.Groups().Count() != 1) std::abort();
    } catch (const ESymbolError&) {
        if (registers.SfrCount() != 1 || config.Groups().Count() != 1) std::abort();
    }
    try {
        (void)SfrDefinitionGroupContains(file, name, "P0");
    } catch (const EVokWinFileError& e) {
        if (!startsWith(e.what(), "Register definition ")) std::abort();
    }
    return 0;
}
