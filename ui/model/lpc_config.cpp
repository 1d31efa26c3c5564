#include "ui/model/lpc_config.hpp"

namespace tarvex::ui {
namespace {
// Radio groups of the UCFG1 page after the frequency, one bit each from bit 3.
const char* const kUcfgBitGroups[] = {"ClockRateGroup", "BrownOutGroup", "PortResetGroup"};
const char* const kUcfgBitChecks[] = {"ResetPinCheck", "WatchDogCheck"};  // bits 6, 7
const char* const kPartChecks[] = {"ComparatorsCheck", "DacCheck", "AdcCheck"};  // bits 2..4
constexpr int kExternalClock = 4;
}  // namespace

LpcConfigModel::LpcConfigModel(platform::SettingsStore& store) : DialogModel("", 0, store) {
    setCaption("Configure LPC cpu");
    setText("PageUcfg1", "User Configuration Register 1");
    setText("PagePartConfig", "Part Configuration Register 1");
    setText("FrequencyGroup", " &Frequency: ");
    setItems("FrequencyGroup",
             {"&High frequency crystal", "&Med frequency crystal", "&Low frequency crystal", "&Internal RC clock",
              "&External clock"},
             kExternalClock);
    setText("ClockRateGroup", "&Clock Rate select: ");
    setItems("ClockRateGroup", {"&12 clocks per machine cycle", "&6 clocks per machine cycle"}, 1);
    setText("BrownOutGroup", " &BrOwn out: ");
    setItems("BrownOutGroup", {"Enable brown out at &3.8V", "Enable brown out at &2.5V"}, 1);
    setText("PortResetGroup", " &Port Reset: ");
    setItems("PortResetGroup", {"Enable ports to reset l&ow", "Enable ports to reset hi&gh"}, 1);
    setText("ResetPinCheck", "&Reset pin function disabled");
    setText("WatchDogCheck", "&WatchDog Timer enabled");
    setText("MemoryGroup", " &Memory select: ");
    setItems("MemoryGroup",
             {"&1K EPROM /   64 Byte RAM", "&2K EPROM /   64 Byte RAM", "2K EPROM / 12&8 Byte RAM",
              "&4K EPROM / 128 Byte RAM"},
             3);
    setText("ComparatorsCheck", "&Comparators enabled");
    setText("DacCheck", "&Digital to analog converter 1 enabled");
    setText("AdcCheck", "&Analog to digital converter enabled");
    for (const char* box : {"ResetPinCheck", "WatchDogCheck", "ComparatorsCheck", "DacCheck", "AdcCheck"})
        setChecked(box, true);
    keptFrequency_ = 7;
    setText("OkButton", "Ok");
    setText("CancelButton", "Cancel");
}

void LpcConfigModel::LoadUcfg1(std::uint8_t value) {
    const int frequency = value & 7;
    keptFrequency_ = static_cast<std::uint8_t>(frequency);
    // 7 is the external clock's own code; 5 and 6 name no item at all.
    edit("FrequencyGroup").itemIndex = frequency == 7 ? kExternalClock : frequency <= kExternalClock ? frequency : -1;
    for (int i = 0; i < 3; ++i) edit(kUcfgBitGroups[i]).itemIndex = (value >> (3 + i)) & 1;
    for (int i = 0; i < 2; ++i) edit(kUcfgBitChecks[i]).checked = ((value >> (6 + i)) & 1) != 0;
    changed();
}

void LpcConfigModel::LoadPartConfig(std::uint8_t value) {
    edit("MemoryGroup").itemIndex = value & 3;
    for (int i = 0; i < 3; ++i) edit(kPartChecks[i]).checked = ((value >> (2 + i)) & 1) != 0;
    changed();
}

std::uint8_t LpcConfigModel::BuildUcfg1() const {
    const int frequency = control("FrequencyGroup").itemIndex;
    int value = frequency < 0 ? keptFrequency_ : frequency == kExternalClock ? 7 : frequency;
    for (int i = 0; i < 3; ++i) value |= (control(kUcfgBitGroups[i]).itemIndex == 1 ? 1 : 0) << (3 + i);
    for (int i = 0; i < 2; ++i) value |= (control(kUcfgBitChecks[i]).checked ? 1 : 0) << (6 + i);
    return static_cast<std::uint8_t>(value);
}

std::uint8_t LpcConfigModel::BuildPartConfig() const {
    int value = 0xE0 | (control("MemoryGroup").itemIndex & 3);
    for (int i = 0; i < 3; ++i) value |= (control(kPartChecks[i]).checked ? 1 : 0) << (2 + i);
    return static_cast<std::uint8_t>(value);
}

void LpcConfigModel::choose(const std::string& group, int index) {
    auto& c = edit(group);
    if (index < 0 || index >= static_cast<int>(c.items.size())) return;
    c.itemIndex = index;
    changed();
}

void LpcConfigModel::check(const std::string& box, bool checked) {
    edit(box).checked = checked;
    changed();
}

forms::FormEvents LpcConfigModel::events(forms::FormWindow window) {
    forms::FormEvents events;
    events.click = [end = std::move(window.end)](const std::string& name) {
        if (name == "OkButton" && end) end(true);
        if (name == "CancelButton" && end) end(false);
    };
    // The tabs are no group of the model's.
    events.choose = [this](const std::string& group, int index) {
        if (controls().count(group)) choose(group, index);
    };
    events.check = [this](const std::string& box, bool on) { check(box, on); };
    return events;
}

}  // namespace tarvex::ui
