#include "emulator/link/transport.hpp"

#include "core/errors.hpp"
#include "core/messages.hpp"

namespace tarvex {

[[noreturn]] void throwCommError(const TransportHost& host, int resourceId, int systemCode) {
    throw EEmulatorCommError(FmtResStr(resourceId, systemCode, host.portName()));
}

}  // namespace tarvex
