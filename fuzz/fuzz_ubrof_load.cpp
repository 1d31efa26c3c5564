// A symbols-only UBROF conversion of arbitrary bytes into fresh tables and
// fresh UBROF tables. The format error and code past the end of its bank
// are the only failures it may report.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/errors.hpp"
#include "host/load/ubrof_load.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvex;
    TSymboltabelle symbols;
    TZeilennummertabelle lines(symbols);
    TUbrofTables tables;
    TUbrofLoad load(symbols, lines, tables);
    try {
        load.Load(std::vector<std::uint8_t>(data, data + size), "fuzz");
    } catch (const EVokWinFileError&) {
    } catch (const EVokWinAddressError&) {
    }
    return 0;
}
