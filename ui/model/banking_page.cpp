#include "ui/model/banking_page.hpp"

#include <tuple>

#include "core/conversions.hpp"
#include "core/message_box.hpp"

namespace tarvex::ui {

const std::array<const char*, 5> kMemoryButtons = {"Memory64_64", "Memory128_0", "Memory128_64", "Memory256_64",
                                                   "Memory512_0"};
const std::array<const char*, 5> kBitEdits = {"EditA14", "EditA15", "EditA16", "EditA17", "EditA18"};

namespace {
const char* const kMemoryTexts[] = {"  64k / 64k", "128k /   0k", "128k / 64k", "256k / 64k", "512k /   0k"};
constexpr unsigned kExclamation = 0x30;
}  // namespace

BankingPage::BankingPage(BankingContext context) : context_(context) {
    for (std::size_t i = 0; i < kMemoryButtons.size(); ++i) setText(kMemoryButtons[i], kMemoryTexts[i]);
    setText("Size128", "128k");
    setText("Size512", "512k");
    setItems("BankSizeGroup", {"64k", "32k", "16k"}, 0);
    setText("BankStart", "0000");
    setText("BankEnd", "FFFF");
    setText("CodeBanking", "Code banking");
    setText("VariableBanking", "Variable banking");
    setText("ExternBankNumber", "60");
    setItems("SwitchViaGroup", {"SFR Port", "Xdata Port"}, 0);
    setText("SfrPort", "AA");
    setText("XdataPort", "AAAA");
    fill(false, 0, EmulationMemory::M64_64, 0, 0xFFFF);
}

void BankingPage::fill(bool memory512, int sizeIndex, EmulationMemory memory, std::uint16_t start,
                       std::uint16_t end, bool dallasCode, bool variable) {
    filling_ = true;
    memory512_ = memory512;
    size_ = sizeIndex < 0 || sizeIndex > 2 ? 0 : sizeIndex;
    memory_ = memory;
    start_ = start;
    end_ = end;
    edit("BankSizeGroup").itemIndex = size_;
    mRule();
    memoryRule(memory_, false);
    // Code banking is what the memory choice says; its kind and variable
    // banking are what the banking holds.
    edit("CodeBanking").checked = memory_ != EmulationMemory::M64_64;
    edit("CodeDallas").checked = dallasCode;
    edit("CodeClassic").checked = !dallasCode;
    edit("VariableBanking").checked = variable;
    edit("VariableDallas").checked = dallasCode;
    edit("VariableClassic").checked = !dallasCode;
    bankingKinds();
    accept_ = changedBanking_ = false;
    filling_ = false;
    changed();
}

void BankingPage::setContext(BankingContext context) {
    context_ = context;
    // Dallas addressing fixes the bank size and hides the switching groups.
    edit("BankSizeGroup").enabled = !context_.dallas;
    if (context_.dallas && size_ != 0) chooseSize(0);
    for (const char* group : {"BankSwitchingGroup", "PortAddressGroup", "BitPositionGroup"})
        edit(group).visible = !context_.dallas;
    resetBankList();
    bankingKinds();
    changed();
}

bool BankingPage::memoryEnabled(EmulationMemory memory) const { return control(kMemoryButtons[static_cast<int>(memory)]).enabled; }

void BankingPage::mRule() {
    using enum EmulationMemory;
    auto set = [this](EmulationMemory m, bool visible, bool enabled) {
        auto& c = edit(kMemoryButtons[static_cast<int>(m)]);
        c.visible = visible;
        c.enabled = enabled;
    };
    set(M64_64, true, true);
    set(M128_0, !memory512_, !memory512_);
    set(M128_64, memory512_, memory512_);
    set(M256_64, true, memory512_);
    set(M512_0, true, memory512_ && size_ != 2);
    edit("Size128").checked = !memory512_;
    edit("Size512").checked = memory512_;
    if (!memoryEnabled(memory_)) memoryRule(M64_64, false);
}

void BankingPage::chooseM(bool memory512) {
    memory512_ = memory512;
    accept_ = true;
    mRule();
    changedBanking_ = true;
    changed();
}

void BankingPage::chooseSize(int sizeIndex) {
    if (sizeIndex < 0 || sizeIndex > 2) return;
    size_ = sizeIndex;
    edit("BankSizeGroup").itemIndex = size_;
    if (memory_ == EmulationMemory::M512_0 && !(memory512_ && size_ != 2)) {
        edit(kMemoryButtons[4]).enabled = false;
        memoryRule(EmulationMemory::M256_64, true);
    } else {
        mRule();
    }
    resetBankList();
    bitPositions();
    bankedArea();
    changedBanking_ = true;
    changed();
}

void BankingPage::chooseMemory(EmulationMemory memory) {
    if (!memoryEnabled(memory)) return;
    memoryRule(memory, true);
    changed();
}

void BankingPage::memoryRule(EmulationMemory memory, bool asked) {
    using enum EmulationMemory;
    if (asked && context_.p2Port && context_.generation == 0 && memory != M64_64) {
        WarningBox("No banking with P2 portmode", kExclamation);
        Beep();
        memory = M64_64;
    } else if (asked && context_.p2Port && context_.generation == 1 && memory == M512_0) {
        WarningBox("512k Program memory with P2 in port mode not allowed", kExclamation);
        Beep();
        memory = M256_64;
    } else if (asked) {
        accept_ = true;
    }
    memory_ = memory;
    for (std::size_t i = 0; i < kMemoryButtons.size(); ++i)
        edit(kMemoryButtons[i]).checked = static_cast<int>(i) == static_cast<int>(memory);
    const bool banked = memory != M64_64;
    if (!filling_) {
        setCodeBanking(banked);
        if (!banked && !context_.dallas) setVariableBanking(false);
    }
    edit("SwitchViaGroup").enabled = banked;
    resetBankList();
    bitPositions();
    portAddresses();
    bankedArea();
    changedBanking_ = true;
}

void BankingPage::resetBankList() {
    auto& c = edit("ResetBank");
    const bool fixed = context_.dallas && !context_.option15;
    c.items.clear();
    if (fixed) {
        c.items = {"0"};
        c.itemIndex = 0;
    } else {
        const int banks = BankCount(memory_, size_);
        for (int i = 0; i < banks; ++i) c.items.push_back(std::to_string(i));
        c.itemIndex = banks - 1;
    }
    c.enabled = !fixed;
    edit("ResetBankGroup").enabled = !fixed;
}

void BankingPage::bitPositions() {
    const auto enabled = BitPositionsEnabled(memory_, size_);
    edit("BitPositionGroup").enabled = enabled[2];
    for (std::size_t i = 0; i < kBitEdits.size(); ++i) edit(kBitEdits[i]).enabled = enabled[i];
}

void BankingPage::portAddresses() {
    const bool banked = memory_ != EmulationMemory::M64_64;
    edit("PortAddressGroup").enabled = banked;
    edit("SfrPort").enabled = banked;
    edit("XdataPort").enabled = banked && control("SwitchViaGroup").itemIndex == 1;
}

void BankingPage::bankedArea() {
    const bool banked = memory_ != EmulationMemory::M64_64;
    for (const char* e : {"BankStart", "BankEnd"}) {
        edit(e).enabled = banked;
        edit(e).readOnly = false;
    }
    if (size_ == 0) {
        edit("BankStart").text = WordToHex(start_);
        edit("BankEnd").text = WordToHex(end_);
        return;
    }
    edit("BankStart").text = size_ == 1 ? "8000" : "4000";
    edit("BankEnd").text = "FFFF";
    edit("BankStart").readOnly = edit("BankEnd").readOnly = true;
}

void BankingPage::bankingKinds() {
    for (const auto& [box, classic, dallas] : {std::tuple{"CodeBanking", "CodeClassic", "CodeDallas"},
                                                {"VariableBanking", "VariableClassic", "VariableDallas"}}) {
        const bool on = control(box).checked;
        edit(classic).enabled = on && !context_.dallas;
        edit(dallas).enabled = on && context_.dallas;
    }
    edit("ExternBankNumber").enabled = control("CodeDallas").enabled && control("CodeDallas").checked;
}

void BankingPage::setCodeBanking(bool on) {
    if (control("CodeBanking").checked == on) return;
    edit("CodeBanking").checked = on;
    if (on) {
        edit("CodeDallas").checked = context_.dallas;
        edit("CodeClassic").checked = !context_.dallas;
    }
    bankingKinds();
    changedBanking_ = true;
    if (on && memory_ == EmulationMemory::M64_64)
        memoryRule(memoryEnabled(EmulationMemory::M128_0) ? EmulationMemory::M128_0 : EmulationMemory::M128_64, false);
    else if (!on && memory_ != EmulationMemory::M64_64 && !(control("VariableBanking").checked && !context_.dallas))
        memoryRule(EmulationMemory::M64_64, false);
    changed();
}

void BankingPage::setVariableBanking(bool on) {
    if (control("VariableBanking").checked == on) return;
    edit("VariableBanking").checked = on;
    if (on) {
        edit("VariableDallas").checked = context_.dallas;
        edit("VariableClassic").checked = !context_.dallas;
    }
    bankingKinds();
    changedBanking_ = true;
    if (on && !context_.dallas && memory_ == EmulationMemory::M64_64)
        memoryRule(memoryEnabled(EmulationMemory::M128_0) ? EmulationMemory::M128_0 : EmulationMemory::M128_64, false);
    else if (!on && !control("CodeBanking").checked && memory_ != EmulationMemory::M64_64)
        memoryRule(EmulationMemory::M64_64, false);
    changed();
}

void BankingPage::chooseCodeDallas(bool dallas) {
    edit("CodeDallas").checked = dallas;
    edit("CodeClassic").checked = !dallas;
    bankingKinds();
    changedBanking_ = true;
    changed();
}

void BankingPage::chooseSwitchVia(int index) {
    if (index < 0 || index > 1) return;
    edit("SwitchViaGroup").itemIndex = index;
    portAddresses();
    changedBanking_ = true;
    changed();
}

}  // namespace tarvex::ui
