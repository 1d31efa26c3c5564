#include "ui/model/iap_form.hpp"

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/conversions.hpp"
#include "core/errors.hpp"
#include "core/message_box.hpp"
#include "core/messages.hpp"

namespace tarvex::ui {
namespace {

// Open forms per class: a second form of a class keeps its own position.
std::array<int, 3>& openForms() {
    static std::array<int, 3> counts{};
    return counts;
}

int clampForm(int form) { return form < 0 ? 0 : form > 2 ? 2 : form; }

std::string sectionFor(int form) { return "IAP" + std::to_string(++openForms()[static_cast<std::size_t>(clampForm(form))]); }

// The firmware files are small; anything far larger is no firmware.
constexpr std::uintmax_t kMaxFileSize = 1u << 20;

std::string readFile(const std::string& name, bool binary) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(name, ec);
    if (ec) throw EVokWinFileError(Format("LeseFehler: Datei=%s nicht lesbar", name));
    // The binary's own limit is checked before anything is read.
    if (binary && size > FirmwareEnd - FirmwareBase)
        throw EVokWinFileError(Format("LeseFehler: Datei=%s ist zu groß %d", name, size));
    if (size > kMaxFileSize) throw EVokWinFileError(Format("LeseFehler: Datei=%s ist zu groß %d", name, size));
    std::ifstream in(name, std::ios::binary);
    if (!in) throw EVokWinFileError(Format("LeseFehler: Datei=%s nicht lesbar", name));
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

int IapFormOf(std::uint8_t firmwareCode) {
    return LinkProfile::Of(firmwareCode, LinkProfile::GenerationOf(firmwareCode)).iapForm;
}

const char* IapFormClass(int form) {
    static constexpr const char* kNames[] = {"TIAPForm", "TIAP50Form", "TIAP60Form"};
    return kNames[clampForm(form)];
}

// ---------------------------------------------------------------- engine

std::string IapEngine::VersionText(int form) {
    std::string text = "Firmware Version: " + link_.EpromVersion();
    if (form == 0) return text;
    text += " Gerät-Version: " + ByteToHex(link_.DeviceVersion());
    // The date lies in flash block 1 only; the block selected before is
    // selected again afterwards.
    const std::uint8_t before = link_.FlashBlock();
    link_.FlashBlockSwitch(1);
    std::string date;
    for (std::uint16_t a = 0x3FF9; a <= 0x3FFB; ++a) {
        if (!date.empty()) date += '.';
        date += ByteToHex(link_.FlashCommand(0x16, 3, a, 0));
    }
    link_.FlashBlockSwitch(before);
    return text + " Datum Block1: " + date;
}

std::string IapEngine::HardwareIdText() const { return ByteToHex(link_.HardwareId()); }

std::string IapEngine::SerialText() const { return WordToHex(link_.SerialNumber() & 0xFFFF); }

bool IapEngine::transferred(std::uint8_t answer) const {
    // Byte by byte the board answers 0xF0 for a byte that went in as well.
    return answer == 0x00 || (link_.Profile().byteWiseTransfer && answer == 0xF0);
}

IapUpdateResult IapEngine::Update(const std::vector<FirmwarePiece>& pieces, bool binary,
                                  const std::function<void(const std::string&)>& progress) {
    std::size_t size = 0;
    for (const auto& p : pieces) size += p.bytes.size();
    progress("Block wird gelöscht");
    const std::uint8_t erased = link_.IAPBlockErase(1);
    progress("Block gelöscht; Fehler bei Return=FF");
    if (erased != 0) return {"Abbruch: Fehler bei Block löschen", erased, false};
    std::size_t position = 0;
    std::uint8_t answer = erased;
    for (const auto& piece : pieces) {
        try {
            answer = link_.FlashBlockTransfer(piece.address, piece.bytes);
        } catch (const EFlashTransferError& e) {
            // The link is marked broken already; the form reports and stops.
            return {"Abbruch: Fehler bei Block löschen", e.errorByte(), false};
        }
        if (!transferred(answer)) return {"Abbruch: Fehler bei Block löschen", answer, false};
        position += piece.bytes.size();
        progress(binary ? std::to_string(position) + " Bytes von " + std::to_string(size) + " übertragen"
                        : std::to_string(position) + " Bytes übertragen");
    }
    return {std::to_string(position) + " Bytes: Fertig", answer, true};
}

void IapEngine::EraseChip() {
    link_.FlashCommand(0x16, 6, 1, 0xFC);
    if (const auto v = link_.FlashCommand(0x16, 7, 2, 0xFC); v != 0xFC)
        throw EEmulatorError(Format("ERROR BootVector: %x", v));
    link_.FlashCommand(0x16, 6, 2, 0xFF);
    if (const auto v = link_.FlashCommand(0x16, 7, 1, 0xFF); v != 0xFF)
        throw EEmulatorError(Format("ERROR StatusByte: %x", v));
    try {
        link_.FlashCommand(0x16, 8, 0, 0);
    } catch (const EEmulatorTimeoutError&) {
        // The erased board has no monitor left to answer.
    }
}

// ---------------------------------------------------------------- form

IapFormModel::IapFormModel(int form, TBasisEmulator& link, platform::SettingsStore& store)
    : DialogModel(sectionFor(form), 0, store), form_(clampForm(form)), store_(store), engine_(link) {
    setCaption("In Application Programming");
    setText("CallGroup", " IAP Call: ");
    for (const auto& [name, text] : {std::pair{"EditR0", "16"}, {"EditR1", "03"}, {"EditDptr", "2000"},
                                     {"EditAcc", "00"}, {"LabelReturn", "AA"}, {"SendCall", "&Senden"},
                                     {"UpdateGroup", " Firmware Update: "}, {"Suchen", "&Durchsuchen"},
                                     {"SendBlock", "&Update"}, {"EndGroup", " IAP beenden: "},
                                     {"Start", "&Emulator starten"}, {"EraseGroup", " Full Chip Erase: "},
                                     {"EraseNote1", "StatusByte = FF, BootVector = FC, Flash-Speicher löschen"},
                                     {"EraseNote2", "Bewirkt Kommunikationsfehler!"}, {"EraseAll", "Full Chip Erase"},
                                     {"LabelMeldung", ""}, {"Dateiname", ""}})
        setText(name, text);
    setText("LabelVersion", engine_.VersionText(form_));
    const bool identity = form_ == 2;
    setText("LabelHWKennungCaption", "HW-Kennung (0x3FFC):");
    setText("LabelSerieCaption", "Seriennr. (high: 0x3FFD. low: 0x3FFE):");
    setText("LabelHWKennung", identity ? engine_.HardwareIdText() : "");
    setText("LabelSerie", identity ? engine_.SerialText() : "");
    for (const char* name : {"LabelHWKennungCaption", "LabelSerieCaption", "LabelHWKennung", "LabelSerie"})
        setVisible(name, identity);
}

IapFormModel::~IapFormModel() { --openForms()[static_cast<std::size_t>(form_)]; }

bool IapFormModel::storedSize(int& width, int& height) const {
    if (!store_.valueExists(kDriverKey, section(), "Width") || !store_.valueExists(kDriverKey, section(), "Height"))
        return false;
    width = store_.readInteger(kDriverKey, section(), "Width", 0);
    height = store_.readInteger(kDriverKey, section(), "Height", 0);
    return width > 0 && height > 0;
}

void IapFormModel::saveGeometry(FormPosition position, int width, int height) const {
    savePosition(position);
    store_.writeInteger(kDriverKey, section(), "Width", width);
    store_.writeInteger(kDriverKey, section(), "Height", height);
}

bool IapFormModel::sendCall() {
    const struct {
        const char* field;
        const char* label;
        std::int64_t max;
    } kFields[] = {{"EditR0", "R0", 0xFF}, {"EditR1", "R1", 0xFF}, {"EditDptr", "DPTR", 0xFFFF}, {"EditAcc", "A", 0xFF}};
    std::int64_t values[4] = {};
    invalidField_.clear();
    for (std::size_t i = 0; i < 4; ++i) {
        const std::string normal = HexStrNormalize(control(kFields[i].field).text);
        bool ok = !normal.empty();
        if (ok) {
            try {
                values[i] = StrToIntRt(normal);
            } catch (const EConvertError&) {
                ok = false;
            }
        }
        // "106" must not become function 06 by losing its top digit.
        if (!ok || values[i] < 0 || values[i] > kFields[i].max) {
            invalidField_ = kFields[i].field;
            ErrorBox(FmtLoadStr(211, kFields[i].label), platform::mb::Ok | platform::mb::IconError);
            changed();
            return false;
        }
    }
    const auto answer = engine_.link().FlashCommand(static_cast<std::uint8_t>(values[0]), static_cast<std::uint8_t>(values[1]),
                                                    static_cast<std::uint16_t>(values[2]), static_cast<std::uint8_t>(values[3]));
    setText("LabelReturn", ByteToHex(answer));
    return true;
}

bool IapFormModel::browse() {
    auto* files = platform::currentUi().files;
    if (!files) return false;
    platform::FileRequest request;
    request.title = std::string(LoadStr(28));
    request.filter = "Intel HEX files (*.hex)|*.hex|Binary files (*.bin)|*.bin|All files (*.*)|*.*";
    request.fileName = control("Dateiname").text;
    const auto choice = files->chooseFile(request);
    if (!choice) return false;
    setText("Dateiname", choice->path);
    return true;
}

void IapFormModel::update() {
    const std::string name = control("Dateiname").text;
    std::vector<FirmwarePiece> pieces;
    const bool hex = IsHexFirmwareName(name);
    try {
        const std::string content = readFile(name, !hex);
        pieces = hex ? FirmwareFromHex(content, name) : FirmwareFromBinary(content, name);
    } catch (const EVokWinFileError& e) {
        ErrorBox(e.what(), platform::mb::Ok | platform::mb::IconError);
        return;
    }
    const auto result = engine_.Update(pieces, !hex, [this](const std::string& line) { setText("LabelMeldung", line); });
    setText("LabelMeldung", result.message);
    setText("LabelReturn", ByteToHex(result.lastAnswer));
}

void IapFormModel::eraseAll() {
    if (ConfirmBox("Erase the whole flash chip? The emulator must be switched off and on afterwards.",
                   platform::mb::YesNo | platform::mb::IconQuestion | platform::mb::DefButton2) != platform::IdYes)
        return;
    engine_.EraseChip();
    chipErased_ = true;
    InformationBox(kFlashErasedText, platform::mb::Ok | platform::mb::IconInformation);
    closeRequested_ = true;
    changed();
}

forms::FormEvents IapFormModel::events(forms::FormWindow window) {
    auto shown = std::make_shared<forms::FormWindow>(std::move(window));
    const auto run = [this, shown](const std::function<void()>& action) {
        try {
            action();
        } catch (...) {
            failure_ = std::current_exception();
            if (shown->end) shown->end(false);
        }
    };
    forms::FormEvents events;
    events.click = [this, shown, run](const std::string& name) {
        if (name == "SendCall") {
            run([this, shown] {
                if (!sendCall() && shown->focus) shown->focus(invalidField());
            });
        } else if (name == "Suchen") {
            browse();
        } else if (name == "SendBlock") {
            if (shown->keepHistories) shown->keepHistories();
            run([this] { update(); });
        } else if (name == "EraseAll") {
            run([this] { eraseAll(); });
        } else if (name == "Start") {
            start();
        }
        if (closeRequested() && !failure_ && shown->end) shown->end(true);
    };
    events.text = [this](const std::string& name, const std::string& text) { setFieldText(name, text); };
    return events;
}

}  // namespace tarvex::ui
