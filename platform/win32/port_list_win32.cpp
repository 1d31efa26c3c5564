#include <windows.h>
#include <winspool.h>

#include <vector>

#include "platform/port_list.hpp"

namespace tarvex::platform {

std::vector<std::string> listPorts(SettingsStore&, const std::string&) {
    DWORD needed = 0, count = 0;
    // The first call only learns the size the list needs.
    if (!EnumPortsA(nullptr, 1, nullptr, 0, &needed, &count) && GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        throw PortListError("EnumPorts failed");
    std::vector<BYTE> buffer(needed == 0 ? 1 : needed);
    if (!EnumPortsA(nullptr, 1, buffer.data(), static_cast<DWORD>(buffer.size()), &needed, &count))
        throw PortListError("EnumPorts failed");
    const auto* info = reinterpret_cast<const PORT_INFO_1A*>(buffer.data());
    const std::size_t fit = buffer.size() / sizeof(PORT_INFO_1A);
    std::vector<std::string> ports;
    for (DWORD i = 0; i < count && i < fit; ++i)
        if (info[i].pName) ports.emplace_back(info[i].pName);
    return ports;
}

}  // namespace tarvex::platform
