// QzChecker: the console checker for batch builds. It takes the input file
// and options from its command line, runs one check and writes the report
// to standard output.
//
// Exit code: 0 when the check ran (its findings are in the report), 1 when
// the checker could not do its job (bad option, input missing, unreadable or
// malformed, the corrected HEX file refused for banked code or a read-only
// file, any other failure).
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>

#include "checker/qz_check_main.hpp"
#include "core/errors.hpp"
#include "platform/files.hpp"

namespace {

using tarvex::TQzCheck;

constexpr const char* kUsage[] = {
    "Command: QzChecker <FileIn> [<Format>] [<Target>] [<MsgLvl>] [<Compiler>] [<RegBank>]",
    "",
    " FileIn:   name of input file with pellunars",
    " Format:   optional input file format:",
    "           OMF51  (default)",
    "           HEX    ",
    " Target:   optional type of target CPU:",
    "           8051   (default)",
    "           W77X   Winbond 77x CPU",
    "           TIMSC  TI MSC1210/1211",
    " MsgLvl:   optional message output level:",
    "           LVL0:  display errors only (default)",
    "           LVL1:  display LVL0 + warnings (ignored pellunars)",
    "           LVL2:  display LVL1 + all pellunars found",
    " Compiler: optional compiler type:",
    "           KEIL   (default)",
    "           TASKING ",
    " RegBank:  optional register bank for functions Read/WritePxRegBank:",
    "           REGBANK0 use register bank 0",
    "           REGBANK1 use register bank 1 (default)",
    "           REGBANK2 use register bank 2",
    "           REGBANK3 use register bank 3",
    "",
};

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

// One keyword; false for anything else.
bool applyOption(TQzCheck& engine, const std::string& arg) {
    const std::string key = upper(arg);
    if (key == "OMF51") engine.FormatSetting(TQzCheck::FormatOmf51);
    else if (key == "HEX") engine.FormatSetting(TQzCheck::FormatHex);
    else if (key == "8051") engine.CpuSetting(0);
    else if (key == "W77X") engine.CpuSetting(1);
    else if (key == "TIMSC") engine.CpuSetting(2);
    else if (key == "LINE") engine.LineNumbersSetting(true);
    else if (key == "LVL0") engine.MessageLevelSetting(0);
    else if (key == "LVL1") engine.MessageLevelSetting(1);
    else if (key == "LVL2") engine.MessageLevelSetting(2);
    else if (key == "LVL") engine.MessageLevelSetting(255);
    else if (key == "KEIL") engine.CompilerSetting(0);
    else if (key == "TASKING") engine.CompilerSetting(1);
    else if (key.size() == 8 && key.starts_with("REGBANK") && key[7] >= '0' && key[7] <= '3')
        engine.RegisterBankSelect(key[7] - '0');
    else
        return false;
    return true;
}

// The folder of the running program. The name it was started by is a poor
// guide: started by bare name through PATH it is no path at all.
std::string programDirectory(const char* argv0) {
    const std::string self = tarvex::platform::executablePath();
    if (!self.empty()) return std::filesystem::path(self).parent_path().string();
    std::error_code ec;
    const auto guess = std::filesystem::absolute(argv0 ? argv0 : "", ec);
    return ec ? std::string() : guess.parent_path().string();
}

// Reads the command line into the engine. Without arguments, or with one that
// is no keyword, the usage text is written and false returned.
bool parseCommandLine(TQzCheck& engine, int argc, char** argv) {
    engine.FormatSetting(TQzCheck::FormatOmf51);
    engine.CpuSetting(0);
    engine.MessageLevelSetting(0);
    engine.CompilerSetting(0);
    engine.SetProgramDirectory(programDirectory(argc > 0 ? argv[0] : nullptr));
    bool valid = argc >= 2;
    for (int i = 2; valid && i < argc; ++i) valid = applyOption(engine, argv[i]);
    if (!valid) {
        for (const char* line : kUsage) engine.WriteLine(line);
        return false;
    }
    engine.SetInputFile(argv[1]);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int exitCode = 0;
    {
        TQzCheck engine;
        engine.WriteLine("Pellunar Checker Version " + engine.GetVersion());
        engine.WriteLine("");
        try {
            if (parseCommandLine(engine, argc, argv)) {
                engine.RunCheck();
                if (engine.OutputRefused()) exitCode = 1;
            } else if (argc >= 2)
                exitCode = 1;  // a bad option: a batch build must notice
        } catch (const std::exception& e) {
            const std::string message = e.what();
            if (!message.empty()) {
                engine.WriteLine(message);
                engine.WriteLine("");
            }
            exitCode = 1;
        }
    }
    std::cout.flush();
    return exitCode;
}
