// The target description reader on arbitrary text: only its own refusals
// may leave it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/errors.hpp"
#include "host/target_info.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tarvex::TTargetInfoList list;
    try {
        list.Parse(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz", [](std::string_view) {});
    } catch (const tarvex::ETarvexAbort&) {
    } catch (const tarvex::EVokWinFileError&) {
    }
    for (std::size_t i = 0; i < list.Count(); ++i) {
        const auto* e = list.Items(i);
        if (e->Min < 0 || e->Min > 0xFFFF || e->Max < 0 || e->Max > 0xFFFF || e->Prog < 0 || e->Prog > 0xFFFF)
            __builtin_trap();
    }
    return 0;
}
