// The link's serial settings as the Win32 structures carry them.
#ifdef _WIN32
#include "platform/win32/serial_port_win32.hpp"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

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

// Against a real port only: tests/e2e/win32_serial_pty.py links one to a
// pseudo-terminal that answers in upper case and names it here.
class Win32SerialPty : public ::testing::Test {
protected:
    void SetUp() override {
        const char* name = std::getenv("TARVEX_TEST_COM_PORT");
        if (!name || !*name) GTEST_SKIP() << "no test port named in TARVEX_TEST_COM_PORT";
        port = openSystemSerialPort(name);
        port->configure(115200);
        // Generous bounds: a read returns as soon as its bytes are there.
        port->setTimeouts({2000, 1, 5000, 1, 5000});
    }
    std::string exchange(const std::string& text) {
        const auto* out = reinterpret_cast<const std::uint8_t*>(text.data());
        EXPECT_EQ(port->write(out, text.size()), text.size());
        std::string answer(text.size(), '\0');
        std::size_t got = 0;
        while (got < text.size()) {
            const std::size_t n = port->read(reinterpret_cast<std::uint8_t*>(answer.data()) + got, text.size() - got);
            if (n == 0) break;
            got += n;
        }
        answer.resize(got);
        return answer;
    }
    std::unique_ptr<SerialPort> port;
};

TEST_F(Win32SerialPty, BytesGoOutAndTheAnswerComesBack) {
    EXPECT_EQ(exchange("ping"), "PING");
    // Every byte value passes unchanged: the port is in binary mode.
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    std::string expected = all;
    for (char& c : expected)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    EXPECT_EQ(exchange(all), expected);
    port->purgeInput();
    EXPECT_EQ(port->inputQueued(), 0u);
    port->configure(9600);
    EXPECT_EQ(exchange("x"), "X");
}

}  // namespace
}  // namespace tarvex::platform::win32
#endif
