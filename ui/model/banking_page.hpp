#pragma once
// The options dialog's "Banking" page: the choices of emulation memory, bank
// size and banking kind, and the rules that keep them consistent with each
// other and with the board's port modes.
#include <array>
#include <string>

#include "ui/model/form_model.hpp"
#include "ui/model/options_rules.hpp"

namespace tarvex::ui {

// What the page needs to know of the rest of the dialog.
struct BankingContext {
    // 0 TARVEX-IV, 1 TARVEX-V, 2 TARVEX-6: the generation the Hardware page holds.
    int generation = 1;
    bool p2Port = false;
    // The Dallas addressing of the Processor page, and option number 15.
    bool dallas = false;
    bool option15 = false;
};

class BankingPage final : public FormModel {
public:
    explicit BankingPage(BankingContext context = {});

    // The components' values; runs every rule once without asking anything.
    void fill(bool memory512, int sizeIndex, EmulationMemory memory, std::uint16_t start, std::uint16_t end,
              bool dallasCode = false, bool variable = false);
    void setContext(BankingContext context);

    void chooseM(bool memory512);
    void chooseSize(int sizeIndex);
    void chooseMemory(EmulationMemory memory);
    void setCodeBanking(bool on);
    void setVariableBanking(bool on);
    void chooseCodeDallas(bool dallas);
    // " Bank &switching via: ": 0 "SFR Port", 1 "Xdata Port".
    void chooseSwitchVia(int index);

    EmulationMemory memory() const { return memory_; }
    bool memory512() const { return memory512_; }
    int sizeIndex() const { return size_; }
    bool readOnly(const std::string& edit) const { return control(edit).readOnly; }
    // A choice the user made turns "Ok" into "Accept".
    bool accept() const { return accept_; }
    bool changedBanking() const { return changedBanking_; }

private:
    void mRule();
    void memoryRule(EmulationMemory memory, bool asked);
    void resetBankList();
    void bitPositions();
    void portAddresses();
    void bankedArea();
    void bankingKinds();
    bool memoryEnabled(EmulationMemory memory) const;

    BankingContext context_;
    bool memory512_ = false;
    int size_ = 0;
    EmulationMemory memory_ = EmulationMemory::M64_64;
    std::uint16_t start_ = 0, end_ = 0xFFFF;
    bool accept_ = false;
    bool changedBanking_ = false;
    bool filling_ = false;
};

// The radio buttons of " Program/ExtData: " in the order of EmulationMemory.
extern const std::array<const char*, 5> kMemoryButtons;
extern const std::array<const char*, 5> kBitEdits;  // "A14:".."A18:"

}  // namespace tarvex::ui
