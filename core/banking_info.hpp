#pragma once
// What the shared core needs to know of code banking. The driver's banking
// component answers it; the checkers have no banking and use the default.

namespace tarvex {

class IBankingInfo {
public:
    virtual ~IBankingInfo() = default;
    // 0 = code banking off.
    virtual int bankingMode() const = 0;
    virtual bool varBanking() const = 0;
    // Longest instruction in bytes (3, or 4 with 24-bit addressing).
    virtual int maxCountBefehlsBytes() const = 0;
};

// No banking: mode 0, no variable banking, three-byte instructions.
class NoBanking final : public IBankingInfo {
public:
    int bankingMode() const override { return 0; }
    bool varBanking() const override { return false; }
    int maxCountBefehlsBytes() const override { return 3; }
};

// A banking state that tests and simple hosts set by hand.
class FixedBanking final : public IBankingInfo {
public:
    FixedBanking(int mode = 0, bool var = false, int maxBytes = 3) : mode_(mode), var_(var), maxBytes_(maxBytes) {}
    int bankingMode() const override { return mode_; }
    bool varBanking() const override { return var_; }
    int maxCountBefehlsBytes() const override { return maxBytes_; }
    void set(int mode, bool var) {
        mode_ = mode;
        var_ = var;
    }

private:
    int mode_;
    bool var_;
    int maxBytes_;
};

}  // namespace tarvex
