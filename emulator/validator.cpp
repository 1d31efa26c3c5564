#include "emulator/validator.hpp"

#include <string>
#include <vector>

#include "core/conversions.hpp"
#include "core/errors.hpp"
#include "core/line_table.hpp"
#include "core/messages.hpp"
#include "core/register_table.hpp"
#include "core/symbol_table.hpp"
#include "emulator/trace_info.hpp"

namespace tarvex {

namespace {

constexpr int kMsgAddressOutOfRange = 66;
constexpr int kMsgBankedAddressOutOfRange = 67;
constexpr int kMsgSyntaxError = 224;
constexpr int kMsgTooComplex = 235;
constexpr int kMsgMixedClasses = 254;
constexpr int kMsgLogicProbe = 323;
constexpr int kMsgInvalidAccess = 338;
constexpr int kMsgOutOfRange = 366;

constexpr std::size_t kMaxOperands = 32;
// Intermediate results stay within this bound, so that no operation on two
// of them can overflow 64 bits; a result beyond it is out of every range.
constexpr std::int64_t kLimit = std::int64_t{1} << 60;

// Line numbers, SFR names and SFR bit names in the symbol-class set.
constexpr int kClassLine = 11;
constexpr std::uint16_t kBitSfr = 1u << 5;
constexpr std::uint16_t kBitSfrBit = 1u << 4;
constexpr std::uint16_t kBitLine = 1u << kClassLine;

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool IsOperandStart(char c) {
    return c == '#' || c == '$' || c == ':' || c == '?' || c == '@' || c == '_' || (c >= '0' && c <= '9') ||
           (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsOperator(char c) { return c == '(' || c == ')' || c == '*' || c == '+' || c == '-' || c == '/'; }

bool EndsOperand(char c) { return c == '\t' || c == '\r' || c == ' ' || IsOperator(c); }

// Position of the first `what` outside parentheses, or npos.
std::size_t FindOutsideParentheses(std::string_view text, std::string_view what) {
    if (what.empty()) return std::string_view::npos;
    int depth = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (depth == 0 && text.substr(i, what.size()) == what) return i;
        if (text[i] == '(') ++depth;
        if (text[i] == ')' && depth > 0) --depth;
    }
    return std::string_view::npos;
}

}  // namespace

// One operand or intermediate result.
struct TVokWinValidator::Value {
    TBankAdresse address{};
    std::int64_t number = 0;
    // Symbol class of the symbols it was made of, -1 for none.
    int klass = -1;
    // Set while the value is a single symbol or line reference.
    TSymbol* symbol = nullptr;
    TZeilennummer* line = nullptr;
};

// Evaluates one part of a field's text.
class TVokWinValidator::Evaluator {
public:
    Evaluator(const TVokWinValidator& v, std::string_view fullText) : v_(v), text_(fullText) {}

    Value Evaluate(std::string_view part) {
        Scan(part);
        int klass = -1;
        for (const Value& operand : values_) {
            if (operand.klass < 0) continue;
            if (klass >= 0 && klass != operand.klass) v_.Fail(kMsgMixedClasses, text_);
            klass = operand.klass;
        }
        // Innermost parentheses first: the first ")" closes the last "("
        // before it.
        for (;;) {
            std::size_t close = 0;
            while (close < tokens_.size() && tokens_[close].op != ')') ++close;
            if (close == tokens_.size()) break;
            std::size_t open = close;
            while (open > 0 && tokens_[open - 1].op != '(') --open;
            if (open == 0) v_.Fail(kMsgSyntaxError, text_);
            --open;
            const int result = Sequence(open + 1, close);
            tokens_.erase(tokens_.begin() + static_cast<std::ptrdiff_t>(open) + 1,
                          tokens_.begin() + static_cast<std::ptrdiff_t>(close) + 1);
            tokens_[open] = Token{0, result};
        }
        for (const Token& t : tokens_) {
            if (t.op == '(') v_.Fail(kMsgSyntaxError, text_);
        }
        Value result = values_[static_cast<std::size_t>(Sequence(0, tokens_.size()))];
        result.klass = klass;
        return result;
    }

private:
    struct Token {
        char op;      // 0 for an operand
        int operand;  // index into values_
    };

    void Scan(std::string_view part) {
        std::size_t i = 0;
        while (i < part.size()) {
            const char c = part[i];
            if (c == ' ' || c == '\t' || c == '\r') {
                ++i;
            } else if (IsOperator(c)) {
                tokens_.push_back(Token{c, -1});
                ++i;
            } else if (IsOperandStart(c)) {
                std::size_t end = i;
                while (end < part.size() && !EndsOperand(part[end])) ++end;
                if (values_.size() == kMaxOperands) v_.Fail(kMsgTooComplex, text_);
                values_.push_back(Resolve(part.substr(i, end - i)));
                tokens_.push_back(Token{0, static_cast<int>(values_.size() - 1)});
                i = end;
            } else {
                v_.Fail(kMsgSyntaxError, text_);
            }
        }
    }

    Value Resolve(std::string_view name) {
        Value value;
        if ((v_.zugelassen_ & vwzSymbole) != 0 && LookUp(name, value)) return value;
        if (v_.konvertierung_ == TVokWinKonvertierung::vwkString2BankAdresse) {
            value.address = StrToBankAdresse(name, &v_.ctx_.bankingOrDefault());
            value.number = BankAdresseToLinear(value.address);
        } else {
            value.number = ParseNumber(name);
            value.address.offset = static_cast<std::uint16_t>(value.number);
        }
        return value;
    }

    bool LookUp(std::string_view name, Value& value) {
        const std::uint16_t klassen = v_.symbolKlassen_;
        const auto fromSymbol = [&value](TSymbol* s) {
            value.address = s->address;
            value.number = BankAdresseToLinear(s->address);
            value.klass = s->kind;
            value.symbol = s;
            return true;
        };
        if (v_.symbols_ != nullptr) {
            TSymboltabelle& symbols = *v_.symbols_;
            // The Rose tool chain keeps function-local data in lists of
            // their own.
            if (v_.ctx_.optionsOrDefault().toolChain() == 2) {
                if ((klassen & (1u << 2)) != 0) {
                    if (TSymbol* s = symbols.FindByName(name, sspRoseSpI)) return fromSymbol(s);
                }
                if ((klassen & (1u << 3)) != 0) {
                    if (TSymbol* s = symbols.FindByName(name, sspRoseSpX)) return fromSymbol(s);
                }
            }
            for (int kind = 0; kind <= 6; ++kind) {
                if ((klassen & (1u << kind)) == 0) continue;
                if (TSymbol* s = symbols.FindByName(name, kind)) return fromSymbol(s);
            }
            // "@name": the end of a module or function.
            if ((klassen & 1u) != 0 && name.size() > 1 && name.front() == '@') {
                if (TSymbol* s = symbols.FindByName(name.substr(1), sspModuleFunction)) {
                    value.address = s->address;
                    value.address.offset = static_cast<std::uint16_t>(s->size);
                    value.number = BankAdresseToLinear(value.address);
                    value.klass = sspModuleFunction;
                    return true;
                }
            }
        }
        if ((klassen & kBitLine) != 0 && v_.lines_ != nullptr) {
            if (TZeilennummer* line = v_.lines_->FindLineRef(name)) {
                value.address = line->address;
                value.number = BankAdresseToLinear(line->address);
                value.klass = kClassLine;
                value.line = line;
                return true;
            }
        }
        if (v_.registers_ != nullptr) {
            const TRegister* r = nullptr;
            if ((klassen & kBitSfr) != 0) r = v_.registers_->FindByName(0, name);
            if (r == nullptr && (klassen & kBitSfrBit) != 0) r = v_.registers_->FindByName(2, name);
            if (r != nullptr) {
                value.address = TRegisterTabelle::Address(r);
                value.number = BankAdresseToLinear(value.address);
                value.klass = TRegisterTabelle::SymbolKind(r);
                return true;
            }
        }
        return false;
    }

    // Decimal, or hexadecimal after "$".
    std::int64_t ParseNumber(std::string_view name) const {
        const bool hex = !name.empty() && name.front() == '$';
        const std::string_view digits = hex ? name.substr(1) : name;
        if (digits.empty()) v_.Fail(kMsgSyntaxError, text_);
        std::int64_t n = 0;
        for (char c : digits) {
            const int d = hex ? HexDigitValue(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
            if (d < 0) v_.Fail(kMsgSyntaxError, text_);
            const int base = hex ? 16 : 10;
            if (n > (kLimit - d) / base) v_.OutOfRange(std::string(name));
            n = n * base + d;
        }
        return n;
    }

    // tokens_[from, to) must be "operand op operand op ... operand".
    int Sequence(std::size_t from, std::size_t to) {
        if (from >= to || (to - from) % 2 == 0) v_.Fail(kMsgSyntaxError, text_);
        std::vector<int> operands;
        std::vector<char> ops;
        for (std::size_t i = from; i < to; ++i) {
            const Token& t = tokens_[i];
            const bool wantOperand = (i - from) % 2 == 0;
            if (wantOperand != (t.op == 0) || t.op == '(' || t.op == ')') v_.Fail(kMsgSyntaxError, text_);
            if (wantOperand) {
                operands.push_back(t.operand);
            } else {
                ops.push_back(t.op);
            }
        }
        for (const char* group : {"*/", "+-"}) {
            std::size_t i = 0;
            while (i < ops.size()) {
                if (ops[i] != group[0] && ops[i] != group[1]) {
                    ++i;
                    continue;
                }
                Combine(values_[static_cast<std::size_t>(operands[i])], ops[i],
                        values_[static_cast<std::size_t>(operands[i + 1])]);
                ops.erase(ops.begin() + static_cast<std::ptrdiff_t>(i));
                operands.erase(operands.begin() + static_cast<std::ptrdiff_t>(i) + 1);
            }
        }
        return operands.front();
    }

    // The left operand's number and offset take the right operand's value:
    // its offset for addresses, its number for numbers.
    void Combine(Value& left, char op, const Value& right) {
        const bool address = v_.konvertierung_ == TVokWinKonvertierung::vwkString2BankAdresse;
        const std::int64_t rv = address ? right.address.offset : right.number;
        left.number = Apply(left.number, op, rv);
        left.address.offset = static_cast<std::uint16_t>(Apply(left.address.offset, op, rv));
        left.symbol = nullptr;
        left.line = nullptr;
    }

    std::int64_t Apply(std::int64_t a, char op, std::int64_t b) const {
        std::int64_t r = 0;
        switch (op) {
            case '+': r = a + b; break;
            case '-': r = a - b; break;
            case '*':
                if (a != 0 && (b > kLimit / (a < 0 ? -a : a) || b < -kLimit / (a < 0 ? -a : a))) {
                    v_.OutOfRange(std::string(text_));
                }
                r = a * b;
                break;
            default:
                if (b == 0) v_.Fail(kMsgSyntaxError, text_);
                r = a / b;
                break;
        }
        if (r > kLimit || r < -kLimit) v_.OutOfRange(std::string(text_));
        return r;
    }

    const TVokWinValidator& v_;
    std::string_view text_;
    std::vector<Value> values_;
    std::vector<Token> tokens_;
};

TVokWinValidator::TVokWinValidator(TSymboltabelle* symbols, TZeilennummertabelle* lines,
                                   const TRegisterTabelle* registers, const ITraceInfo* trace,
                                   const TargetContext& context)
    : symbols_(symbols), lines_(lines), registers_(registers), trace_(trace), ctx_(context) {}

void TVokWinValidator::SetKonvertierung(TVokWinKonvertierung value) {
    konvertierung_ = value;
    switch (value) {
        case TVokWinKonvertierung::vwkString2Word: maxInt_ = 65535; break;
        case TVokWinKonvertierung::vwkString2Byte: maxInt_ = 255; break;
        default: maxInt_ = 0x7FFFFFFF; break;
    }
    Invalidate();
}

void TVokWinValidator::SetZugelassen(TVokWinZugelassenes value) {
    zugelassen_ = value;
    Invalidate();
}

void TVokWinValidator::SetSymbolKlassen(std::uint16_t value) {
    symbolKlassen_ = value;
    Invalidate();
}

void TVokWinValidator::SetTrennung(std::string value) {
    trennung_ = std::move(value);
    Invalidate();
}

void TVokWinValidator::SetGanzeGroesse(bool value) {
    ganzeGroesse_ = value;
    Invalidate();
}

void TVokWinValidator::SetMaxInt(std::int32_t value) {
    maxInt_ = value;
    Invalidate();
}

std::int32_t TVokWinValidator::MaxInt() const {
    if (konvertierung_ != TVokWinKonvertierung::vwkString2BankAdresse) return maxInt_;
    return static_cast<std::int32_t>(BankAdresseToLinear(ctx_.spacesOrDefault().maxAddress(RangeSpace())));
}

void TVokWinValidator::Invalidate() {
    valid_ = false;
    lastText_.clear();
    ++invalidations_;
}

void TVokWinValidator::Notify(std::uint8_t code) {
    if (code == 4 || code == 8 || code == 9) Invalidate();
}

SpaceKind TVokWinValidator::RangeSpace() const {
    if ((zugelassen_ & vwzSymbole) == 0) return SpaceKind::Program;
    if ((symbolKlassen_ & (1u << 3)) != 0) return SpaceKind::ExtData;
    if ((symbolKlassen_ & (1u << 2)) != 0) return SpaceKind::IntData;
    if ((symbolKlassen_ & kBitSfr) != 0) return SpaceKind::Sfr;
    if ((symbolKlassen_ & kBitSfrBit) != 0) return SpaceKind::Bit;
    return SpaceKind::Program;
}

// Everything outside the text that a result depends on.
std::uint64_t TVokWinValidator::Fingerprint() const {
    std::uint64_t h = 1469598103934665603ull;
    const auto mix = [&h](std::uint64_t v) { h = (h ^ v) * 1099511628211ull; };
    mix(invalidations_);
    if (symbols_ != nullptr) mix(symbols_->Generation());
    if (lines_ != nullptr) mix(lines_->Generation());
    if (registers_ != nullptr) mix(registers_->Generation());
    const IBankingInfo& banking = ctx_.bankingOrDefault();
    mix(static_cast<std::uint64_t>(banking.bankingMode()));
    mix(banking.varBanking() ? 1 : 0);
    mix(trace_ != nullptr ? static_cast<std::uint64_t>(trace_->version()) : 0);
    mix(static_cast<std::uint64_t>(ctx_.optionsOrDefault().toolChain()));
    mix(BankAdresseToLinear(ctx_.spacesOrDefault().maxAddress(RangeSpace())));
    return h;
}

void TVokWinValidator::Fail(int message, std::string_view text) const {
    throw EVokWinConvertError(FmtLoadStr(message, text));
}

void TVokWinValidator::OutOfRange(const std::string& number) const {
    throw EVokWinConvertError(FmtLoadStr(kMsgOutOfRange, number, std::to_string(MaxInt())));
}

void TVokWinValidator::Konvertieren(std::string_view text) {
    if (valid_ && text == lastText_ && Fingerprint() == lastFingerprint_) return;
    valid_ = false;
    lastText_.clear();
    if (konvertierung_ == TVokWinKonvertierung::vwkString2LogicProbe) {
        ConvertLogicProbe(text);
    } else {
        ConvertNumbers(text);
    }
    lastText_ = std::string(text);
    lastFingerprint_ = Fingerprint();
    valid_ = true;
}

void TVokWinValidator::ConvertNumbers(std::string_view text) {
    const std::string_view trimmed = Trim(text);
    if (trimmed.empty()) Fail(kMsgSyntaxError, text);

    std::string_view vonText = trimmed;
    std::string_view bisText;
    bool hasBis = false;
    if ((zugelassen_ & vwzBereich) != 0) {
        std::size_t at = FindOutsideParentheses(trimmed, trennung_);
        std::size_t width = trennung_.size();
        if (at == std::string_view::npos) {
            width = 1;
            at = FindOutsideParentheses(trimmed, "-");
            if (at == std::string_view::npos) at = FindOutsideParentheses(trimmed, " ");
        }
        if (at != std::string_view::npos) {
            vonText = Trim(trimmed.substr(0, at));
            bisText = Trim(trimmed.substr(at + width));
            hasBis = true;
            if (vonText.empty() || bisText.empty()) Fail(kMsgSyntaxError, text);
        }
    }

    const bool address = konvertierung_ == TVokWinKonvertierung::vwkString2BankAdresse;
    Value von = Evaluator(*this, text).Evaluate(vonText);
    Value bis = von;
    if (hasBis) {
        bis = Evaluator(*this, text).Evaluate(bisText);
        if (von.klass >= 0 && bis.klass >= 0 && von.klass != bis.klass) Fail(kMsgMixedClasses, text);
        if (!von.address.banked && von.address.offset == 0 && bis.address.banked) {
            von.address = BankedAdresse(0, 0);
        }
    }

    const TBankAdresse max = ctx_.spacesOrDefault().maxAddress(RangeSpace());
    const auto addressError = [&](const TBankAdresse& a, std::int64_t offset) {
        if (a.banked && !a.allBanks) {
            throw EVokWinConvertError(FmtLoadStr(kMsgBankedAddressOutOfRange, a.bank, offset));
        }
        throw EVokWinConvertError(FmtLoadStr(kMsgAddressOutOfRange, offset));
    };

    // A single symbol stands for the whole object, a line for its code.
    if (ganzeGroesse_ && !hasBis && (von.symbol != nullptr || von.line != nullptr)) {
        std::int64_t end = von.address.offset;
        if (von.line != nullptr && lines_ != nullptr) {
            bis.address = lines_->LineEndAddress(von.line);
            end = bis.address.offset;
        } else if (von.symbol != nullptr) {
            TSymbol* s = von.symbol;
            if (s->kind == sspModuleFunction && s->type == 240) {
                end = s->size;  // the recorded end offset
            } else {
                std::int64_t size = s->type == 240 ? s->size : symbols_->TypeSize(s);
                if (size < 1) size = 1;
                end = von.address.offset + size - 1;
            }
            if (end < von.address.offset || end > 0xFFFF) addressError(von.address, end);
            bis.address = von.address;
            bis.address.offset = static_cast<std::uint16_t>(end);
        }
        bis.number = von.number + (end - von.address.offset);
    }

    if (address) {
        for (const TBankAdresse& a : {von.address, bis.address}) {
            const bool bankDigit = a.banked && !a.allBanks && a.bank != 0;
            // A space without banks has no bank 1: "10000" lies above its
            // highest address, whatever its offset.
            if (bankDigit && !max.banked)
                throw EVokWinConvertError(FmtLoadStr(kMsgAddressOutOfRange, BankAdresseToLinear(a)));
            const bool bankTooHigh = bankDigit && max.banked && a.bank > max.bank;
            if (a.offset > max.offset || bankTooHigh) addressError(a, a.offset);
        }
        von.number = BankAdresseToLinear(von.address);
        bis.number = BankAdresseToLinear(bis.address);
    } else {
        const std::int64_t limit = MaxInt();
        for (std::int64_t n : {von.number, bis.number}) {
            if (n < 0 || n > limit) OutOfRange(std::to_string(n));
        }
    }

    vonAdresse_ = von.address;
    bisAdresse_ = bis.address;
    vonKlasse_ = von.klass;
    bisKlasse_ = hasBis ? bis.klass : -1;
    vonText_ = std::string(vonText);
    bisText_ = hasBis ? std::string(bisText) : std::string();
    von_ = static_cast<std::int32_t>(von.number);
    bis_ = static_cast<std::int32_t>(bis.number);
}

void TVokWinValidator::ConvertLogicProbe(std::string_view text) {
    const int version = trace_ != nullptr ? trace_->version() : 0;
    const std::size_t width = version == 0 ? 12 : 16;
    if (text.empty() || text.size() > width) Fail(kMsgLogicProbe, text);
    std::string pattern(width - text.size(), 'X');
    for (char c : text) {
        if (c == 'x') c = 'X';
        if (c != '0' && c != '1' && c != 'X') Fail(kMsgLogicProbe, text);
        pattern.push_back(c);
    }
    if (version == 0) {
        // The 12-input board shares its top inputs with the bank lines.
        int bankBits = 0;
        switch (ctx_.bankingOrDefault().bankingMode()) {
            case 1: case 2: case 5: case 6: case 9: case 10: bankBits = 1; break;
            case 3: case 7: case 11: bankBits = 2; break;
            case 4: case 8: bankBits = 3; break;
            default: break;
        }
        for (int i = 0; i < bankBits; ++i) pattern[static_cast<std::size_t>(i)] = 'X';
    }
    logicProbe_ = std::move(pattern);
}

void TVokWinValidator::CheckResultAccess(bool logicProbe) const {
    const bool isProbe = konvertierung_ == TVokWinKonvertierung::vwkString2LogicProbe;
    if (!valid_ || logicProbe != isProbe) throw EVokWinConvertError(std::string(LoadStr(kMsgInvalidAccess)));
}

std::int32_t TVokWinValidator::OutVonInt() const {
    CheckResultAccess(false);
    return von_;
}

std::int32_t TVokWinValidator::OutBisInt() const {
    CheckResultAccess(false);
    return bis_;
}

const std::string& TVokWinValidator::OutLogicProbe() const {
    CheckResultAccess(true);
    return logicProbe_;
}

TBankAdresse TVokWinValidator::OutAdresse(int index) const {
    CheckResultAccess(false);
    return index == kVon ? vonAdresse_ : bisAdresse_;
}

int TVokWinValidator::OutKlasse(int index) const {
    CheckResultAccess(false);
    return index == kVon ? vonKlasse_ : bisKlasse_;
}

const std::string& TVokWinValidator::OutText(int index) const {
    CheckResultAccess(false);
    return index == kVon ? vonText_ : bisText_;
}

}  // namespace tarvex
