#pragma once
// The board's maintenance forms: a direct IAP call, the firmware update of
// flash block 1, the full chip erase and the board's identity. One model
// serves the three forms; which one a board gets follows its firmware code.
#include <exception>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/firmware_image.hpp"
#include "emulator/link/basis_emulator.hpp"
#include "platform/settings.hpp"
#include "ui/model/dialog_model.hpp"

namespace tarvex::ui {

// 0 below firmware code 18, 1 from 18 to 20, 2 from 21.
int IapFormOf(std::uint8_t firmwareCode);
// "TIAPForm", "TIAP50Form", "TIAP60Form".
const char* IapFormClass(int form);

inline constexpr const char* kFlashErasedText = "Flash chip erased: switch the emulator off and on, then start again.";

struct IapUpdateResult {
    std::string message;
    std::uint8_t lastAnswer = 0;
    bool complete = false;
};

// The board work of the forms, against the link alone.
class IapEngine {
public:
    explicit IapEngine(TBasisEmulator& link) : link_(link) {}

    // "Firmware Version: " + version, and for the later forms the device
    // version and the date bytes of flash block 1.
    std::string VersionText(int form);
    std::string HardwareIdText() const;
    std::string SerialText() const;

    // Erases block 1 and writes the pieces; progress lines go to the callback.
    // A transfer the board refuses ends it; nothing after it is sent.
    IapUpdateResult Update(const std::vector<FirmwarePiece>& pieces, bool binary,
                           const std::function<void(const std::string&)>& progress);

    // Boot vector and status byte set and checked, then the chip erase, after
    // which the board falls silent: its time-out is the expected end.
    void EraseChip();
    TBasisEmulator& link() const { return link_; }

private:
    bool transferred(std::uint8_t answer) const;
    TBasisEmulator& link_;
};

class IapFormModel final : public DialogModel {
public:
    IapFormModel(int form, TBasisEmulator& link, platform::SettingsStore& store);
    ~IapFormModel() override;
    IapFormModel(const IapFormModel&) = delete;
    IapFormModel& operator=(const IapFormModel&) = delete;

    int form() const { return form_; }
    // The stored size, when the section holds one.
    bool storedSize(int& width, int& height) const;
    void saveGeometry(FormPosition position, int width, int height) const;

    void setFieldText(const std::string& name, const std::string& text) { edit(name).text = text; }

    // "&Senden": false (and nothing sent) when a field is no number of its
    // range; the field to focus is then invalidField().
    bool sendCall();
    const std::string& invalidField() const { return invalidField_; }
    // "&Durchsuchen".
    bool browse();
    // "&Update": file errors are shown here; link errors propagate.
    void update();
    // "Full Chip Erase": asks first. After the erase the form closes and
    // chipErased() tells the caller to end the start.
    void eraseAll();
    bool chipErased() const { return chipErased_; }
    // "&Emulator starten".
    void start() { closeRequested_ = true; changed(); }
    bool closeRequested() const { return closeRequested_; }

    // The form's events. A link error of a handler ends the form and is kept
    // for its opener to raise, since no exception may pass through the
    // window system.
    forms::FormEvents events(forms::FormWindow window);
    std::exception_ptr failure() const { return failure_; }

private:
    int form_;
    platform::SettingsStore& store_;
    IapEngine engine_;
    std::string invalidField_;
    bool chipErased_ = false;
    bool closeRequested_ = false;
    std::exception_ptr failure_;
};

}  // namespace tarvex::ui
