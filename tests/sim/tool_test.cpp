// tools/tarvex-sim as a person runs it: its options, and the command log it
// prints when stopped, against what the link sent it over the terminal.
#if !defined(_WIN32) && defined(TARVEX_SIM_TOOL)
#include <gtest/gtest.h>

#include <sstream>

#include "emulator/link/basis_emulator.hpp"
#include "platform/settings.hpp"
#include "platform/ui.hpp"
#include "sim/posix/child_process.hpp"
#include "sim/standin_root.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex {
namespace {

// Keeps every write of the link.
class RecordingPort final : public platform::SerialPort {
public:
    RecordingPort(std::unique_ptr<platform::SerialPort> port, std::vector<std::string>& writes)
        : port_(std::move(port)), writes_(writes) {}
    void configure(std::uint32_t baud) override { port_->configure(baud); }
    void setTimeouts(const platform::SerialTimeouts& t) override { port_->setTimeouts(t); }
    void setRts(bool on) override { port_->setRts(on); }
    void setDtr(bool on) override { port_->setDtr(on); }
    std::size_t read(std::uint8_t* b, std::size_t n) override { return port_->read(b, n); }
    std::size_t write(const std::uint8_t* b, std::size_t n) override {
        writes_.emplace_back(reinterpret_cast<const char*>(b), n);
        return port_->write(b, n);
    }
    std::size_t inputQueued() override { return port_->inputQueued(); }
    void purgeInput() override { port_->purgeInput(); }

private:
    std::unique_ptr<platform::SerialPort> port_;
    std::vector<std::string>& writes_;
};

TEST(TarvexSimTool, HelpListsTheProfileOptions) {
    sim::ChildProcess tool(TARVEX_SIM_TOOL, {"--help"});
    ASSERT_TRUE(tool.started());
    const std::string help = tool.readAll(10000);
    EXPECT_EQ(tool.terminate(), 0);
    for (const char* option : {"--version", "--device-version", "--iap-answer", "--frame-size", "--answer-delay",
                               "--junk", "--keep-flash-block", "--log", "--log-size", "--no-fpga-image",
                               "--special-reset", "--root", "--make-root"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
}

TEST(TarvexSimTool, TheLogPrintedOnExitIsWhatTheLinkSent) {
    sim::ChildProcess tool(TARVEX_SIM_TOOL, {"--version", "4.1", "--frame-size", "12", "--iap-answer", "0x58", "--log"});
    ASSERT_TRUE(tool.started());
    std::string path = tool.readLine(10000);
    ASSERT_FALSE(path.empty());
    path.pop_back();

    platform::FakeClock clock;
    platform::MemorySettingsStore settings;
    settings.writeString(TBasisEmulator::RegistryKey, "Ports", "COM5", path);
    platform::ScriptedMessageBoxes boxes;
    platform::NullNoticeWindow notice;
    platform::ScopedUi ui(&boxes, nullptr, &notice);
    std::vector<std::string> writes;
    TBasisEmulator link(clock, settings);
    link.setSerialPortOpener([&writes](const std::string& device) -> std::unique_ptr<platform::SerialPort> {
        return std::make_unique<RecordingPort>(platform::openSystemSerialPort(device), writes);
    });
    link.SetPortName("COM5");
    link.SetTraceFrameSize(12);
    // Before the handshake the link uses the oldest forms, which a 4.1 board
    // (code 14) knows.
    link.WriteN(0x7F00, 0x5A);
    EXPECT_EQ(link.ReadN(0x7F00), 0x5A);
    link.WriteV(0x0021, 0x07);
    EXPECT_EQ(link.ReadV(0x0021), 0x07);
    EXPECT_EQ(link.FlashCommand(0x16, 0, 0, 0), 0x58);
    EXPECT_EQ(link.FrameLesen(0x0100, 2).size(), 24u);
    EXPECT_FALSE(link.TimeoutFlag());
    link.DestroyEmulHandle();
    EXPECT_EQ(tool.terminate(), 0);
    const std::string log = tool.readAll(10000);

    std::istringstream lines(log);
    std::string line, sent, logged;
    std::vector<std::string> names;
    std::getline(lines, line);
    EXPECT_EQ(line, "command log: 7 entries kept, 0 dropped");
    for (const auto& w : writes) sent += w;
    while (std::getline(lines, line) && line.rfind("total ", 0) != 0) {
        ASSERT_GE(line.size(), 17u) << line;
        EXPECT_EQ(line.substr(0, 6), "  9600");
        const std::string name = line.substr(7, 10);
        names.push_back(name.substr(0, name.find_last_not_of(' ') + 1));
        std::istringstream hex(line.substr(17));
        unsigned b = 0;
        while (hex >> std::hex >> b) logged += static_cast<char>(b);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"WN", "RN", "WV", "RV", "aIaP", "n", "n"}));
    EXPECT_EQ(logged, sent);
    EXPECT_NE(log.find("total n: 2 commands, 6 bytes\n"), std::string::npos) << log;
}

TEST(TarvexSimTool, MakeRootWritesTheDataFilesAndAnImageForEveryName) {
    test::TempDir dir;
    const auto root = dir.path() / "new" / "root";
    sim::ChildProcess tool(TARVEX_SIM_TOOL, {"--make-root", root.string()});
    ASSERT_TRUE(tool.started());
    EXPECT_EQ(tool.readAll(60000), "");
    EXPECT_EQ(tool.terminate(), 0);
    for (const char* file : {"VokRegs.txt", "VokMonitor.txt"})
        EXPECT_EQ(test::readBytes((root / file).string()), test::readBytes((test::sourceDir() / "data" / file).string()));
    const auto names = sim::StandinFpgaImageNames();
    std::size_t images = 0;
    for (const auto& entry : std::filesystem::directory_iterator(root))
        if (entry.path().extension() == ".bin") {
            ++images;
            EXPECT_TRUE(names.contains(entry.path().stem().string())) << entry.path();
        }
    EXPECT_EQ(images, names.size());
    const struct {
        const char* name;
        std::size_t size;
    } expected[] = {{"T5b1", 32768},    {"KORLU51", 14751}, {"KORLJ51", 14751}, {"KORLU390nm", 14751},
                    {"T5ab1320", 32768}, {"T5b45aduc", 32768}, {"T6_8051", 49152}, {"T6AVRnm", 49152}};
    for (const auto& e : expected) {
        SCOPED_TRACE(e.name);
        const auto image = test::readBytes((root / (std::string(e.name) + ".bin")).string());
        ASSERT_EQ(image.size(), e.size);
        EXPECT_EQ(image, sim::StandinFpgaImage(e.size));
        EXPECT_EQ(image[1], 0x61);
    }
}

}  // namespace
}  // namespace tarvex
#endif
