#pragma once
// The protocol file of the link: one time-stamped line per command, answer
// and progress step, flushed line by line so that it survives a crash of the
// host. The file is UTF-8 (some progress lines carry umlauts).
#include <cstdint>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>

#include "platform/clock.hpp"

namespace tarvex {

class ProtocolLog {
public:
    static constexpr const char* DefaultFileName = "VokProt.txt";
    static constexpr std::uint32_t AllClasses = 0xFFFFFFFFu;

    explicit ProtocolLog(platform::Clock& clock);

    // An empty name becomes "VokProt.txt", a name without extension gets
    // ".txt"; takes effect at the next switch-on.
    void setFileName(const std::string& name);
    const std::string& fileName() const { return fileName_; }

    // Switching on creates or truncates the file and writes the "Date: "
    // line; file errors raise EFOpenError / EWriteError.
    void setEnabled(bool on);
    bool enabled() const { return file_.is_open(); }

    void write(std::string_view text, std::string_view data = {}, std::uint32_t mask = AllClasses);

    // How many data lines were formatted; lets tests see that nothing is
    // formatted while the log is off.
    std::uint64_t formattedLines() const { return formatted_; }

    // The line (or two lines, without the final line end) for a stamp text.
    static std::string formatLine(std::string_view stamp, std::string_view text, std::string_view data);

private:
    platform::Clock& clock_;
    std::string fileName_ = DefaultFileName;
    std::ofstream file_;
    std::uint32_t lastTick_ = 0xFFFFFFFFu;
    std::uint32_t classMask_ = AllClasses;
    std::uint64_t formatted_ = 0;
};

}  // namespace tarvex
