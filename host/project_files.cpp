#include "host/project_files.hpp"

#include <filesystem>

#include "core/bank_adressen.hpp"
#include "core/errors.hpp"
#include "core/message_box.hpp"
#include "core/messages.hpp"
#include "core/symbol_table.hpp"
#include "core/value_stream.hpp"
#include "emulator/banking.hpp"
#include "emulator/emulator.hpp"
#include "host/command.hpp"
#include "host/options.hpp"
#include "platform/stream.hpp"

namespace tarvex {

namespace {

bool isFile(const std::string& name) {
    std::error_code ec;
    return std::filesystem::is_regular_file(name, ec);
}

void errorBox(const std::string& text) { ErrorBox(text, platform::mb::Ok | platform::mb::IconError); }

void writeFile(const std::string& name, const platform::MemoryStream& m) {
    platform::writeFileAtomically(name, m.bytes().data(), m.bytes().size());
}

}  // namespace

TProjectFiles::TProjectFiles(ProjectComponents components) : c_(std::move(components)) {
    TComponent* const sections[] = {c_.options, c_.symbols, c_.runControl, c_.emulator, c_.banking};
    for (TComponent* section : sections)
        if (section) optionSections_.Add(*section);
}

void TProjectFiles::SetProjectDefaults() {
    if (c_.emulator) c_.emulator->SetDefaults();
    if (c_.options) c_.options->SetDefaults();
    if (c_.symbols) c_.symbols->SetDefaults();
    if (c_.clearRunControlOptions) c_.clearRunControlOptions();
    if (c_.banking) c_.banking->SetDefaults();
}

bool TProjectFiles::LoadProjectOptions() {
    optionState_ = FileLoadState::NotLoaded;
    optionLoadedName_.clear();
    confirmed_ = false;
    if (!c_.options) return true;
    const std::string name = c_.options->GetOptionFileName();
    if (name.empty()) {
        SetProjectDefaults();
        return true;
    }
    optionLoadedName_ = name;
    std::string readName = name;
    // Files of the older name are still found while no ".bopt" exists.
    if (!c_.options->HasOptionFileName() && !isFile(name)) {
        const std::string old = ChangeFileExt(name, ".opt");
        if (isFile(old)) readName = old;
    }
    const auto refuse = [&](FileLoadState state, const std::string& message) {
        optionState_ = state;
        try {
            SetProjectDefaults();
        } catch (const std::exception&) {
        }
        errorBox(message);
    };
    if (!isFile(readName)) {
        refuse(FileLoadState::Missing, FmtResStr(65254, name));
        return true;
    }
    const std::string loadError = FmtResStr(65307) + ".\n" + std::string(LoadResStr(65305));
    try {
        platform::MemoryStream m(platform::readWholeFile(readName));
        ValueReader r(m);
        std::string header;
        std::int32_t version = 0;
        try {
            header = r.ReadString();
            if (header == OptionHeader) version = r.ReadInteger();
        } catch (const std::exception&) {
            header.clear();
        }
        if (header != OptionHeader) {
            refuse(FileLoadState::Failed, FmtResStr(65253, name));
            return true;
        }
        if (version > OptionVersion) {
            refuse(FileLoadState::Failed, FmtResStr(65255, version, name));
            return true;
        }
        struct Updating {
            TVokWinOptionen& options;
            const bool was = options.Updating();
            ~Updating() { options.SetUpdating(was); }
        } updating{*c_.options};
        optionSections_.ReadProperties(r, optionSections_.Names(), version);
    } catch (const std::exception&) {
        refuse(FileLoadState::Failed, loadError);
        return false;
    }
    optionState_ = FileLoadState::Loaded;
    return true;
}

void TProjectFiles::SaveProjectOptions(const std::string& fileName, bool tearDown) {
    if (!c_.options || !c_.emulator || !c_.symbols || !c_.runControl || !c_.banking) return;
    const std::string name = fileName.empty() ? c_.options->GetOptionFileName() : fileName;
    if (name.empty()) return;
    const bool keep =
        tearDown && optionState_ == FileLoadState::Failed && !confirmed_ && name == optionLoadedName_;
    c_.options->SaveRegistry();
    c_.emulator->SaveSettings();
    if (keep) return;
    platform::MemoryStream m;
    ValueWriter w(m);
    w.WriteString(OptionHeader);
    w.WriteInteger(OptionVersion);
    optionSections_.WriteProperties(w, optionSections_.Names());
    writeFile(name, m);
}

bool TProjectFiles::saveBits() const { return c_.options && (c_.options->BreakTraceSave() || c_.options->MapSave()); }

void TProjectFiles::selectRefused(std::string message) {
    selectState_ = FileLoadState::Failed;
    throw EVokWinFileError(std::move(message));
}

void TProjectFiles::LoadSelectFile(const std::string& name, bool complain) {
    if (!saveBits() || !c_.selectTable) return;
    selectLoadedName_ = name;
    if (!isFile(name)) {
        selectState_ = FileLoadState::Missing;
        if (complain) throw EVokWinFileError(FmtLoadStr(20, name));
        return;
    }
    std::int32_t version = 0;
    // The table as it is: a file found damaged half-way through leaves the
    // break, trace and map settings (and the board) as they were.
    platform::MemoryStream before;
    {
        ValueWriter w(before);
        c_.selectTable->WriteProperties(w);
    }
    bool reading = false;
    const auto restore = [&] {
        if (!reading) return;
        before.seek(0);
        ValueReader back(before);
        try {
            c_.selectTable->ReadProperties(back, SelectVersion);
        } catch (const std::exception&) {
        }
    };
    try {
        platform::MemoryStream m(platform::readWholeFile(name));
        ValueReader r(m);
        if (r.ReadString() != SelectHeader) selectRefused(FmtLoadStr(21, name));
        version = r.ReadInteger();
        if (version >= 7) selectRefused(FmtLoadStr(22, version, name));
        reading = true;
        c_.selectTable->ReadProperties(r, version);
        if (r.ReadBoolean()) {
            const bool record = r.ReadBoolean();
            r.ReadBoolean();
            if (version >= 2 && record) {
                // The record of the command that made the file; nothing
                // uses it any more, but it must be read past.
                TVokWinKommando dropped;
                dropped.ReadFromStream(r, version, c_.banking);
                r.ReadBoolean();
            }
        }
    } catch (const EVokWinFileError&) {
        restore();
        selectState_ = FileLoadState::Failed;
        throw;
    } catch (const std::exception&) {
        restore();
        selectRefused(FmtLoadStr(21, name));
    }
    selectState_ = FileLoadState::Loaded;
}

void TProjectFiles::SaveSelectFile(const std::string& name, bool tearDown) {
    if (!saveBits() || !c_.selectTable || name.empty()) return;
    if (tearDown && name == selectLoadedName_ &&
        (selectState_ == FileLoadState::Deferred || selectState_ == FileLoadState::Failed))
        return;
    platform::MemoryStream m;
    ValueWriter w(m);
    w.WriteString(SelectHeader);
    w.WriteInteger(SelectVersion);
    c_.selectTable->WriteProperties(w);
    const bool breakTrace = c_.options->BreakTraceSave();
    w.WriteBoolean(breakTrace);
    if (breakTrace) {
        w.WriteBoolean(false);
        w.WriteBoolean(false);
    }
    writeFile(name, m);
}

void TProjectFiles::DeferSelectFile(const std::string& name) {
    selectState_ = FileLoadState::Deferred;
    selectLoadedName_ = name;
}

std::string TProjectFiles::SelectFileName() const {
    if (!c_.options) return {};
    const std::string name = c_.options->GetOptionFileName();
    return name.empty() ? std::string() : ChangeFileExt(name, ".btm");
}

void TProjectFiles::SaveAtTearDown() {
    SaveProjectOptions({}, true);
    SaveSelectFile(SelectFileName(), true);
}

}  // namespace tarvex
