// The link's serial settings as the Win32 structures carry them.
#ifdef _WIN32
#include "platform/win32/serial_port_win32.hpp"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

namespace tarvex::platform::win32 {
namespace {

// The flag bits of the control block follow its baud rate as one word.
DWORD flagWord(const DCB& dcb) {
    DWORD w = 0;
    std::memcpy(&w, reinterpret_cast<const unsigned char*>(&dcb) + offsetof(DCB, BaudRate) + sizeof(DWORD), sizeof w);
    return w;
}

TEST(Win32Serial, ControlBlockIsBinaryWithDtrAndRtsEnabledAndNothingElse) {
    DCB dcb;
    std::memset(&dcb, 0xFF, sizeof dcb);  // whatever the port had before
    applyLinkControlBlock(dcb, 115200);
    EXPECT_EQ(flagWord(dcb), 0x1011u);
    EXPECT_EQ(dcb.DCBlength, sizeof(DCB));
    EXPECT_EQ(dcb.BaudRate, 115200u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, NOPARITY);
    EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
    // Characters the port had configured stay as they were.
    EXPECT_EQ(static_cast<unsigned char>(dcb.XonChar), 0xFF);
}

TEST(Win32Serial, TimeoutsMapFieldForField) {
    const COMMTIMEOUTS c = toCommTimeouts({2000, 1, 2000, 1, 2000});
    EXPECT_EQ(c.ReadIntervalTimeout, 2000u);
    EXPECT_EQ(c.ReadTotalTimeoutMultiplier, 1u);
    EXPECT_EQ(c.ReadTotalTimeoutConstant, 2000u);
    EXPECT_EQ(c.WriteTotalTimeoutMultiplier, 1u);
    EXPECT_EQ(c.WriteTotalTimeoutConstant, 2000u);
}

TEST(Win32Serial, ComPortsOpenThroughTheDeviceNamespace) {
    EXPECT_EQ(serialDeviceName("COM1"), "\\\\.\\COM1");
    EXPECT_EQ(serialDeviceName("COM12"), "\\\\.\\COM12");
    EXPECT_EQ(serialDeviceName("com3"), "\\\\.\\com3");
    EXPECT_EQ(serialDeviceName("\\\\.\\COM4"), "\\\\.\\COM4");
    EXPECT_EQ(serialDeviceName("LPT1"), "LPT1");
    EXPECT_EQ(serialDeviceName("COMX"), "COMX");
    EXPECT_EQ(serialDeviceName("COM"), "COM");
}

TEST(Win32Serial, AMissingPortFailsWhileOpeningWithTheSystemCode) {
    try {
        openSystemSerialPort("COM199");
        FAIL() << "opened a port that does not exist";
    } catch (const SerialError& e) {
        EXPECT_TRUE(e.duringOpen());
        EXPECT_NE(e.code(), 0);
    }
}

}  // namespace
}  // namespace tarvex::platform::win32
#endif
