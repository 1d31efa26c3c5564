#pragma once
// The body of the commands "Load" (1) and "LoadSymbols" (2), and the
// start-up loads: the request to the loader, then the notification that
// tells the windows what changed.
#include <cstdint>

#include "host/command_record.hpp"

namespace tarvex {

class INotifier;
class TVokWinLoader;

// The notification code after a load of that memory kind and (resolved or
// not) format; 0 for none.
std::uint8_t LoadNotification(std::uint8_t memoryKind, std::uint8_t format);

// Loads; answers false for a refused request (its message is in the
// load-status form, nothing was sent) and for a cancelled load (after its
// notification), true after any other load that returned normally and its
// notification. Errors of the file pass on; so does ETarvexAccessError for
// a load entered while one runs.
bool ExecuteLoadCommand(TVokWinLoader& loader, INotifier& notifier, const TKommandoStruktur& command);

}  // namespace tarvex
