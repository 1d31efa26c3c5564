#include "host/load_command.hpp"

#include "core/target_interfaces.hpp"
#include "host/load/loader.hpp"
#include "host/options.hpp"

namespace tarvex {

std::uint8_t LoadNotification(std::uint8_t memoryKind, std::uint8_t format) {
    switch (memoryKind) {
    case memkind::Program:
        return format == fileformat::Binary || format == fileformat::IntelHex || format > fileformat::Last ||
                       (format >= fileformat::HexDump && format <= fileformat::AssemblerSource)
                   ? 1
                   : 8;
    case memkind::IntData:
        return 2;
    case memkind::ExtData:
        return 3;
    case memkind::System:
        return 7;
    case memkind::Symbol:
        return 4;
    default:
        return 0;
    }
}

bool ExecuteLoadCommand(TVokWinLoader& loader, INotifier& notifier, const TKommandoStruktur& command) {
    TKommandoStruktur r = command;
    if (r.fileFormat == fileformat::Object) {
        const TCompiler compiler = loader.Target().options.HochsprachenTyp();
        r.fileFormat = compiler == TCompiler::C51_IAR    ? fileformat::Ubrof
                       : compiler == TCompiler::C51_SDCC ? fileformat::Cdb
                                                         : fileformat::Omf51;
    }
    // Every format goes through the loader, whose validation shows a refusal
    // in its form; UBROF too, so that "LoadSystem" converts it alike.
    loader.Load(r);
    if (loader.Refused()) return false;
    // A cancelled load may have written part of the file: the windows are
    // told, but the command failed.
    if (const std::uint8_t code = LoadNotification(r.memoryKind, r.fileFormat)) notifier.send(code, nullptr);
    return !loader.WasCancelled();
}

}  // namespace tarvex
