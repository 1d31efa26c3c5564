#pragma once
// What the host interface needs of the options and the project files: the
// names the IDE hands over, the defaults, loading and saving the project
// option file and the select file. StandaloneProjectOptions keeps the
// emulator object's settings in the project option file for hosts without
// the options component.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tarvex {

class TEmulator;

class IProjectOptions {
public:
    virtual ~IProjectOptions() = default;
    virtual void SetExeName(const std::string& path) = 0;
    // The folder ends in the platform's separator.
    virtual void SetProjectDir(const std::string& dir) = 0;
    // From the IDE's option string or the project file's name; the
    // extension becomes ".bopt".
    virtual void SetOptionFileName(const std::string& name) = 0;
    // The name taken over from the IDE, empty when none.
    virtual const std::string& OptionFileName() const = 0;
    // The file used: the name taken over, else the fallback in the project
    // folder.
    virtual std::string OptionFilePath() const = 0;
    virtual void SetDefaults() = 0;
    // Raises when the file exists and cannot be read.
    virtual void LoadProjectOptions() = 0;
    virtual void SaveProjectOptions() = 0;
    // Loads the select file; quiet when it does not exist.
    virtual void LoadSelectFile() = 0;
    virtual void SaveSelectFile() = 0;
    virtual bool SaveSelectWanted() const = 0;
    virtual std::string HelpFileName() const = 0;
    virtual bool BootLoaderLoad() const = 0;
    virtual std::string BootLoaderFile() const = 0;
    virtual std::uint16_t BootLoaderAddress() const = 0;
};

class StandaloneProjectOptions final : public IProjectOptions {
public:
    // The file: the stream's version word, then the emulator's settings.
    StandaloneProjectOptions(TEmulator& emulator, std::function<void(std::string_view)> log)
        : emulator_(emulator), log_(std::move(log)) {}

    void SetExeName(const std::string& path) override { exeName_ = path; }
    void SetProjectDir(const std::string& dir) override { projectDir_ = dir; }
    void SetOptionFileName(const std::string& name) override;
    const std::string& OptionFileName() const override { return optionFile_; }
    std::string OptionFilePath() const override;
    void SetDefaults() override;
    void LoadProjectOptions() override;
    void SaveProjectOptions() override;
    void LoadSelectFile() override {}
    void SaveSelectFile() override {}
    bool SaveSelectWanted() const override { return false; }
    std::string HelpFileName() const override { return "Tarvex.chm"; }
    bool BootLoaderLoad() const override { return false; }
    std::string BootLoaderFile() const override { return {}; }
    std::uint16_t BootLoaderAddress() const override { return 0; }

private:
    TEmulator& emulator_;
    std::function<void(std::string_view)> log_;
    std::string exeName_;
    std::string projectDir_;
    std::string optionFile_;
    // The file was there and could not be read: it is not overwritten.
    bool refused_ = false;
};

}  // namespace tarvex
