#pragma once
// The pieces of the Win32 serial port that can be checked without a port.
#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/serial_port.hpp"

namespace tarvex::platform::win32 {

// The link's control block: the given baud rate, binary mode, DTR and RTS
// enabled and under program control, no flow control, no parity check,
// 8 data bits, no parity, one stop bit. Everything else of the block that
// GetCommState returned is kept.
void applyLinkControlBlock(DCB& dcb, std::uint32_t baud);

COMMTIMEOUTS toCommTimeouts(const SerialTimeouts& t);

// The name CreateFileA needs: "COM10" and above open only through the
// device namespace, so every "COMn" gets the "\\.\" prefix.
std::string serialDeviceName(const std::string& portName);

}  // namespace tarvex::platform::win32
