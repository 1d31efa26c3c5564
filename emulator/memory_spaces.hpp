#pragma once
// The memory spaces: every memory of the target and of the board that the
// driver reads or writes is one space object that knows its limits, checks
// every access, serves reads from a block cache, fetches missing blocks from
// the board and writes through to it. Notifications empty the caches when
// something may have changed the memory behind them.
//
// TEmulSpaces owns the ten spaces, answers the core's IAddressSpaces, hands
// out a code reader over the program space that never raises, and is the
// banking's way to its bank port (so that a port SFR is read from the SFR
// cache and a port write empties the caches it affects).
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/bank_adressen.hpp"
#include "core/component.hpp"
#include "core/item_lists.hpp"
#include "core/target_interfaces.hpp"
#include "emulator/banking.hpp"
#include "emulator/target_parts.hpp"

namespace tarvex {

class TEmulator;
class TEmulSpaces;
class TRegisterTabelle;
class TSfrConfig;

// One cached run of elements. For the trace space an element is a frame of
// the link's frame size; elsewhere a byte.
struct TSpeicherBlock {
    TBankAdresse start;
    std::string data;
    std::int32_t length = 0;
    // Tells a block apart from a later one at the same place in memory.
    std::uint64_t serial = 0;
};

// The cache of one space, sorted by bank, then offset. A removed block is
// freed at once.
class TBlockList final : public TObjectList<TSpeicherBlock> {
public:
    explicit TBlockList(std::int32_t capacity) : capacity_(capacity) {}
    ~TBlockList() override { Clear(); }
    std::int32_t Capacity() const { return capacity_; }
    // The index of the block with that serial, -1 when it is gone.
    std::int32_t IndexOfSerial(std::uint64_t serial) const;
    void Delete(std::int32_t index) { DeleteObject(index); }

private:
    std::int32_t capacity_;
};

// The limits, checks and the cache of a space, without the board.
class TBasisEmulSpeicher : public TComponent {
public:
    struct Layout {
        const char* component;
        std::uint8_t blockSize;
        std::uint16_t maxTransfer;
        std::int32_t capacity;
    };
    // Kinds 0-6 and 9-11; others get the program space's layout.
    static Layout LayoutOf(std::uint8_t kind);

    explicit TBasisEmulSpeicher(std::uint8_t kind);

    std::string_view Name() const override { return LayoutOf(kind_).component; }
    void Notify(std::uint8_t, const void*) override {}

    std::uint8_t Kind() const { return kind_; }
    std::uint8_t BlockSize() const { return blockSize_; }
    std::uint16_t MaxTransfer() const { return maxTransfer_; }
    const TBlockList& Blocks() const { return cache_; }

    virtual int ElementSize() const { return 1; }
    virtual TBankAdresse GetMaxAdresse() const { return UnbankedAdresse(0xFFFF); }
    virtual TBankAdresse GetMinAdresse() const { return UnbankedAdresse(kind_ == 4 ? 0x80 : 0); }
    virtual std::string GetName() const;
    // Raises EVokWinAddressError 64/65 (and 66, 67, 71 of CheckAdresse).
    virtual void CheckRange(const TBankAdresse& address, std::int32_t count) const;
    virtual std::uint8_t ReadByte(std::uint8_t) { return 0; }
    virtual std::string ReadRegisterBank() { return {}; }
    virtual void InvalidateCache();

    TBankAdresse MakeAdresse(std::uint16_t offset, std::uint8_t bank) const;
    TBankAdresse NormAdresse(const TBankAdresse& address) const;
    void CheckAdresse(const TBankAdresse& address) const;
    // address + count (- count) as one linear number within the maximum
    // (minimum); the result.
    TBankAdresse CheckEndAdresse(const TBankAdresse& address, std::int32_t count) const;
    TBankAdresse CheckStartAdresse(const TBankAdresse& address, std::int32_t count) const;

    std::uint16_t ProgramMaxOffset() const { return programMax_; }
    std::uint16_t XdataMaxOffset() const { return xdataMax_; }

protected:
    // An all-banks address counts in the maximum's bank.
    std::uint32_t linearOf(const TBankAdresse& address) const;
    // Whether counts run on across bank ends in this space (linear
    // arithmetic of the range check).
    virtual bool linearRange(const TBankAdresse&) const { return false; }
    virtual void log(std::string_view) const {}
    void setTransfer(std::uint8_t blockSize, std::uint16_t maxTransfer);

    std::uint16_t xdataMax_ = 0xFFFF;
    std::uint16_t programMax_ = 0xFFFF;
    TBlockList cache_;
    // The link's count of dropped input when the cache was last trusted.
    std::uint64_t discardsSeen_ = 0;
    std::uint16_t maxTransfer_;
    std::uint8_t blockSize_;
    std::uint8_t kind_;
};

// A space on the board.
class TEmulSpeicher final : public TBasisEmulSpeicher {
public:
    TEmulSpeicher(TEmulSpaces& owner, std::uint8_t kind);

    void Notify(std::uint8_t code, const void* data) override;

    int ElementSize() const override;
    TBankAdresse GetMaxAdresse() const override;
    TBankAdresse GetMinAdresse() const override;
    std::uint8_t ReadByte(std::uint8_t address) override;
    std::string ReadRegisterBank() override;

    // count elements; count x ElementSize() bytes.
    std::string ReadBlock(const TBankAdresse& address, std::int32_t count);
    void WriteBlock(const TBankAdresse& address, std::string_view data);
    // The loaders' block write of internal data, external data and system
    // memory.
    void WriteRange(const TBankAdresse& address, std::string_view data);
    // Program space only: the download.
    void WriteProgram(const TBankAdresse& address, std::string_view data);
    void WriteSfr(std::uint8_t address, std::uint8_t value);
    void WriteRegister(int n, std::uint8_t value);
    void WriteRegisterBank(std::string_view values);
    // SFR space only: the SFR values of a halt, one byte per SFR of the
    // register table in its order.
    void SetSfrImage(std::string_view values);
    void ClearProgramCache();
    void SetProgramMaxAdresse(std::uint16_t offset);
    void SetXdataMaxAdresse(std::uint16_t offset);

private:
    struct Found {
        bool found;
        std::int32_t index;
    };
    Found search(const TBankAdresse& address, bool extend) const;
    std::int32_t insertBlock(std::unique_ptr<TSpeicherBlock> block, std::int32_t index);
    void fetchBlock(std::uint64_t serial, std::int32_t target);
    std::string fetchPiece(const TBankAdresse& at, std::int32_t count);
    void sendPiece(const TBankAdresse& at, std::string_view piece);
    void requireState() const;
    void requireRunnable(bool forWrite) const;
    void requireKind(bool ok) const;
    void checkMapped(const TBankAdresse& address, std::int32_t count) const;
    void removeOverlapping(const TBankAdresse& address, std::int32_t count);
    // Program writes: drops what other banks cached of the same bytes.
    void dropCodeAliases(TBankAdresse address, std::int32_t count);
    void rereadCanDat(std::uint8_t written);
    void changed();
    void updateTraceTransfer();
    bool linearRange(const TBankAdresse& address) const override;
    void log(std::string_view text) const override;
    std::string addressText(const TBankAdresse& address) const;

    TEmulSpaces& owner_;
    std::uint64_t nextSerial_ = 1;
    // Which notifications a bit write owes.
    bool dataBitsWritten_ = false;
    bool sfrBitsWritten_ = false;
};

class TEmulSpaces final : public IAddressSpaces, public IBankPortAccess {
public:
    TEmulSpaces(TEmulator& emulator, TSfrConfig& sfr, TRegisterTabelle& registers, INotifier& notifier,
                const TargetParts& parts);
    ~TEmulSpaces() override;
    TEmulSpaces(const TEmulSpaces&) = delete;
    TEmulSpaces& operator=(const TEmulSpaces&) = delete;

    // Connects the banking both ways: the spaces select banks through it,
    // it reaches its bank port through the spaces. Null disconnects; so does
    // the destructor, so the banking must outlive the spaces.
    void SetBanking(TBanking* banking);
    TBanking* Banking() const { return banking_; }

    // Kinds 0-6 and 9-11 by the low 7 bits; null for any other.
    TEmulSpeicher* GetEmulSpeicher(int kind) const;
    TEmulSpeicher& Space(SpaceKind kind) const { return *GetEmulSpeicher(static_cast<int>(kind)); }
    // To every space in the order bit, external data, internal data,
    // program, SFR, system, trace, 9, 10, 11.
    void EmulSpeicherNotify(std::uint8_t code, const void* data);

    // Reads bypass and replace cached blocks while set.
    void SetNoCache(bool on) { noCache_ = on; }
    bool NoCache() const { return noCache_; }

    // ---- IAddressSpaces
    TBankAdresse minAddress(SpaceKind space) const override;
    TBankAdresse maxAddress(SpaceKind space) const override;
    TBankAdresse normalize(SpaceKind space, TBankAdresse address) const override;
    // The program space for lookups: 0 instead of an exception.
    ICodeReader& CodeReader() { return *codeReader_; }

    // ---- IBankPortAccess
    std::uint8_t ReadSfr(std::uint8_t address) override;
    void WriteSfr(std::uint8_t address, std::uint8_t value) override;
    std::uint8_t ReadXdataByte(std::uint16_t address) override;
    void WriteXdataByte(std::uint16_t address, std::uint8_t value) override;

    TEmulator& Emulator() const { return emulator_; }
    TSfrConfig& SfrConfig() const { return sfr_; }
    TRegisterTabelle& Registers() const { return registers_; }
    INotifier& Notifier() const { return notifier_; }
    const TargetParts& Parts() const { return parts_; }

private:
    class ProgramCodeReader;

    TEmulator& emulator_;
    TSfrConfig& sfr_;
    TRegisterTabelle& registers_;
    INotifier& notifier_;
    const TargetParts& parts_;
    EmulatorBankPort directPort_;
    TBanking* banking_ = nullptr;
    bool noCache_ = false;
    // In the order of creation: kinds 0-6, 9, 10, 11.
    std::array<std::unique_ptr<TEmulSpeicher>, 10> spaces_;
    std::unique_ptr<ICodeReader> codeReader_;
};

}  // namespace tarvex
