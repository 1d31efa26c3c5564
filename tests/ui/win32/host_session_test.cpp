// A session of the Windows stand-in IDE (tarvex-host.exe) on the simulated
// board, with the driver's own windows: the script plays the user at them.
// The trace text written through the save-trace dialog is what the Linux
// build writes for the same recording (tests/ui/model/host_trace_export_test
// holds the Linux side to the same file).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "sim/standin_root.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex {
namespace {

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

struct Session {
    std::string output;
    DWORD exitCode = 1;
};

// Runs the host on the script in `work` with the driver and the stand-in
// D2XX library found through PATH, the installation root and the settings
// in `work`; its output goes to work/host.out.
Session runHost(const test::TempDir& work, const std::string& script) {
    const std::string scriptFile = work.file("session.tvs"), outFile = work.file("host.out");
    std::ofstream(scriptFile) << script;
    sim::MakeStandinRoot(work.path() / "root", test::sourceDir() / "data");
    std::filesystem::create_directories(work.path() / "config");
    std::filesystem::create_directories(work.path() / "project");

    // The driver keeps its settings in the registry of the Wine prefix: each
    // session starts as on a fresh installation (the emulator asked for).
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Velmont");

    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE out = CreateFileA(outFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(out, INVALID_HANDLE_VALUE);
    SetEnvironmentVariableA("TARVEX_ROOT", work.file("root").c_str());
    SetEnvironmentVariableA("TARVEX_CONFIG_HOME", work.file("config").c_str());
    SetEnvironmentVariableA("TARVEX_UI", nullptr);
    const std::string path = env("TARVEX_DRIVER_DIR") + ";" + env("TARVEX_STANDIN_DIR") + ";" + env("PATH");
    SetEnvironmentVariableA("PATH", path.c_str());

    std::string command = "\"" + env("TARVEX_HOST") + "\" --var EXAMPLES=" +
                          (test::sourceDir() / "examples" / "build").string() + " --work " +
                          work.file("project") + " " + scriptFile;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = out;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process{};
    Session s;
    if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        // A session that hangs on a window nobody answers ends the test.
        if (WaitForSingleObject(process.hProcess, 120000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 9);
        GetExitCodeProcess(process.hProcess, &s.exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    } else {
        ADD_FAILURE() << "cannot start " << command;
    }
    CloseHandle(out);
    s.output = readText(outFile);
    return s;
}

TEST(TarvexHostWin32, TheTraceTextWrittenThroughTheSaveTraceDialog) {
    if (env("TARVEX_HOST").empty()) GTEST_SKIP() << "TARVEX_HOST not set";
    test::TempDir work;
    const std::string trace = work.file("project\\ports-trace.txt");
    const Session s = runHost(work,
                              "setting Interface Port USB\n"
                              "setting Interface TimeoutReadWrite 1000\n"
                              "sim add-device 12345 \"TARVEX Emulator\"\n"
                              "project ${WORK} ports program ${EXAMPLES}/ports.omf\n"
                              // The start asks which emulator is there: the TARVEX-V.
                              "answer Emulator: {DOWN}{SPACE}{ENTER}\n"
                              // The project has no options file yet: the box says so.
                              "answer Error {ENTER}\n"
                              "start\n"
                              "load ${EXAMPLES}/ports.omf\n"
                              "go until 0x00E1\n"
                              // The window opens over the recording (nothing to type: its showing is enough).
                              "answer \"Trace memory\" \"\"\n"
                              "menu \"Trace memory\"\n"
                              "answer \"Save trace into file\" \"" + trace + "{TAB}{TAB}0{TAB}100{ENTER}\"\n"
                              "menu Save... 2\n"
                              "end\n");
    EXPECT_EQ(s.exitCode, 0u) << s.output;
    EXPECT_EQ(s.output.find("no window"), std::string::npos) << s.output;
    EXPECT_EQ(s.output.find("not available"), std::string::npos) << s.output;
    const std::string written = readText(trace);
    const std::string expected = readText((test::sourceDir() / "tests/e2e/expected/ports_trace.txt").string());
    EXPECT_FALSE(written.empty()) << s.output;
    EXPECT_EQ(written, expected) << s.output;
}

}  // namespace
}  // namespace tarvex
