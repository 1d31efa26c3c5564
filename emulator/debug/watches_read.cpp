// A watch read from the target and shown as text in its display format.
#include "emulator/debug/watches.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <string>
#include <vector>

#include "core/conversions.hpp"
#include "core/errors.hpp"
#include "core/messages.hpp"
#include "core/symbol_table.hpp"
#include "emulator/memory_spaces.hpp"
#include "emulator/debug/watch_types.hpp"

#include "emulator/debug/watches_internal.hpp"

namespace tarvex {

using namespace watch_detail;

// ---------------------------------------------------------------- reading

bool TWatchTabelle::applyLocation(TWatchItem& item, TLocation* registers) {
    if (item.locationCount == 0) return true;
    const TBankAdresse pc = target_.PC();
    // A register location forms no address: the symbol's own address stands
    // for nothing when registers are all the variable ever has.
    std::uint32_t seen = 0, inRegisters = 0;
    for (std::uint32_t i = 0; i < item.locationCount; ++i) {
        const TLocation* loc = symbols_.Locations().Items(item.firstLocation + i);
        if (loc == nullptr) break;
        ++seen;
        if (loc->kind == 12) ++inRegisters;
        if (CompareBankAdresse(loc->start, pc) > 0 || CompareBankAdresse(pc, loc->end) >= 0) continue;
        if (loc->kind >= 1 && loc->kind <= 5) item.memoryClass = loc->kind;
        if (loc->kind == 12) {
            item.memoryClass = 9;
            if (registers != nullptr) *registers = *loc;
        } else if (const TBasisEmulSpeicher* space = spaceOf(item.memoryClass)) {
            item.address = space->MakeAdresse(loc->offset, loc->bank);
        }
        return true;
    }
    return seen == 0 || inRegisters < seen;
}

std::string TWatchTabelle::readItemData(TWatchItem& item) {
    item.reading = true;
    if (item.indexByExpression) expandType(item);
    TLocation regs;
    if (!applyLocation(item, &regs)) return {};
    const int c = item.memoryClass;
    const TBasisEmulSpeicher* space = spaceOf(c);
    if (c == 8) return std::string(1, static_cast<char>(target_.ReadV(item.address.offset)));
    if (c == 9) {
        std::string out;
        for (std::size_t i = 0; i < std::min<std::size_t>(regs.registerCount, regs.registers.size()); ++i) {
            const std::uint8_t n = regs.registers[i];
            std::uint8_t b = 0;
            if (n <= 7) b = byteAt(target_.ReadRegisterBank(), n);
            else if (n <= 11) {
                static constexpr std::uint8_t sfr[] = {0xE0, 0xF0, 0x82, 0x83};
                b = byteAt(target_.ReadBlock(4, UnbankedAdresse(sfr[n - 8]), 1), 0);
            } else if (n == 12) b = byteAt(target_.ReadBlock(3, UnbankedAdresse(0xD7), 1), 0);
            out.insert(out.begin(), static_cast<char>(b));
        }
        return out;
    }
    if (c == 10) return std::string(1, static_cast<char>(byteAt(target_.ReadRegisterBank(), item.address.offset & 0xFF)));
    if (item.elementCount == 1 && item.typeCode == code(WatchType::Text) && space != nullptr) {
        if (target_.ToolChain() == 4) {
            const std::uint8_t length = byteAt(target_.ReadBlock(MemorySpace(c), item.address, 1), 0);
            item.elementSize = length;
            if (length == 0) return {};
            return target_.ReadBlock(MemorySpace(c), space->CheckEndAdresse(item.address, 1), length);
        }
        std::string out;
        TBankAdresse at = item.address;
        const std::uint16_t max = space->GetMaxAdresse().offset;
        for (;;) {
            const std::int32_t left = static_cast<std::int32_t>(max) - at.offset + 1;
            if (left <= 0) break;
            const std::string chunk = target_.ReadBlock(MemorySpace(c), at, std::min(32, left));
            const std::size_t zero = chunk.find('\0');
            out += chunk.substr(0, zero);
            if (zero != std::string::npos || chunk.empty() || at.offset + chunk.size() > max) break;
            at.offset = static_cast<std::uint16_t>(at.offset + chunk.size());
        }
        item.elementSize = static_cast<std::int32_t>(out.size());
        return out;
    }
    if (item.registerSymbol) {
        const TBasisEmulSpeicher* sfr = target_.Limits(4);
        const std::uint16_t lo = sfr != nullptr ? sfr->GetMinAdresse().offset : 0x80;
        const std::uint16_t hi = sfr != nullptr ? sfr->GetMaxAdresse().offset : 0xFF;
        const std::uint16_t o = item.address.offset;
        if (o < lo || o > hi) {
            if (c == 1) {
                const TBankAdresse pc = target_.PC();
                return {static_cast<char>(pc.bank), static_cast<char>(pc.offset >> 8), static_cast<char>(pc.offset)};
            }
            if (c == 2) return std::string(1, static_cast<char>(byteAt(target_.ReadRegisterBank(), o & 0xFF)));
            if (c == 5)
                return {static_cast<char>(target_.ReadSfrByte(static_cast<std::uint8_t>(o >> 8))),
                        static_cast<char>(target_.ReadSfrByte(static_cast<std::uint8_t>(o)))};
            return {};
        }
    }
    if (space == nullptr || item.elementSize <= 0 || item.elementCount == 0) return {};
    const std::int64_t total = static_cast<std::int64_t>(item.elementSize) * item.elementCount;
    if (total > 0x20000) throw EVokWinAddressError(FmtLoadStr(MsgAddressRange, item.address.offset));
    return target_.ReadBlock(MemorySpace(c), item.address, static_cast<std::int32_t>(total));
}

std::string TWatchTabelle::ItemValueText(TWatchItem* item) {
    if (item == nullptr) return {};
    if (!item->expression.empty() && !item->resolved) return item->rest;
    std::string text;
    try {
        TWatchItem copy;
        TWatchItem& work = item->indexByExpression ? (copy = *item) : *item;
        const std::string data = readItemData(work);
        text = formatItem(work, data);
    } catch (const EWatchIndexError& e) {
        text = e.message();
    }
    if (!item->comment.empty()) text += "; " + item->comment;
    return text;
}

// ---------------------------------------------------------------- formatting

std::string TWatchTabelle::formatItem(TWatchItem& item, std::string_view data) {
    Depth depth(*this, item);
    std::string text = item.typeCode == code(WatchType::Array) ? "[" : "";
    const bool ascii =
        item.displayFormat == display_format::Ascii && WatchTypeRow(item.typeCode).klass == WatchClass::ByteInteger;
    const std::size_t size = item.elementSize > 0 ? static_cast<std::size_t>(item.elementSize) : 0;
    // Elements beyond the data would all show empty: one stands for them.
    std::uint64_t count = item.elementCount;
    if (size == 0) count = std::min<std::uint64_t>(count, 1);
    else count = std::min<std::uint64_t>(count, data.size() / size + 1);
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::size_t at = static_cast<std::size_t>(i) * size;
        if (i > 0 && !ascii) text += item.typeCode == code(WatchType::Array) ? ", " : " ";
        if (at + size <= data.size()) text += formatElement(item, data.substr(at, size));
    }
    if (ascii) text = "\"" + text + "\"";
    if (item.typeCode == code(WatchType::Array)) text += "]";
    return text;
}

namespace {

std::string hexAll(std::string_view b) {
    std::string s;
    for (char c : b) s += ByteToHex(static_cast<std::uint8_t>(c));
    return s;
}

std::string binAll(std::string_view b) {
    std::string s;
    for (char c : b) s += ByteToBin(static_cast<std::uint8_t>(c));
    return s;
}

std::uint32_t valueLsbFirst(std::string_view b) {
    std::uint32_t v = 0;
    for (std::size_t i = b.size(); i-- > 0;) v = v << 8 | static_cast<std::uint8_t>(b[i]);
    return v;
}

}  // namespace

std::string TWatchTabelle::formatElement(TWatchItem& item, std::string_view d) {
    const int f = DisplayFormat(item);
    std::string b(d);
    switch (WatchTypeRow(item.typeCode).klass) {
    case WatchClass::ByteInteger: return formatByte(item, b, f);
    case WatchClass::Bit: return formatBit(item, b);
    case WatchClass::Integer: return formatInteger(item, b, f);
    case WatchClass::Float: return formatFloat(item, b, f);
    case WatchClass::RawBytes: return formatRawBytes(b, f);
    case WatchClass::CodeAddress: return formatCodeAddress(b);
    case WatchClass::BcdFloat: return formatBcdFloat(item, b, f);
    case WatchClass::Text: return b;
    case WatchClass::Structure: return formatStructure(item, b);
    case WatchClass::Pointer: return formatPointer(item, b);
    case WatchClass::Array: return formatArray(item, b);
    case WatchClass::BitField: return formatBitField(item, b, f);
    case WatchClass::ZeroTerminatedText: return formatZeroTerminated(b);
    case WatchClass::Unresolved: return formatUnresolved(item, b);
    case WatchClass::None: break;
    }
    return {};
}

std::string TWatchTabelle::formatByte(const TWatchItem& item, const std::string& b, int f) const {
    if (b.empty()) return {};
    const std::uint8_t v = static_cast<std::uint8_t>(b[0]);
    switch (f) {
    case display_format::Hex: return ByteToHex(v);
    case display_format::Decimal:
        return item.typeCode == code(WatchType::SignedChar) ? std::to_string(static_cast<std::int8_t>(v))
                                                            : std::to_string(v);
    case display_format::Ascii: return v == 0 ? std::string("#0") : std::string(1, static_cast<char>(v));
    case display_format::Binary: return ByteToBin(v);
    default: return {};
    }
}

std::string TWatchTabelle::formatBit(const TWatchItem& item, const std::string& b) const {
    if (b.empty()) return {};
    return (static_cast<std::uint8_t>(b[0]) & (1u << (item.address.offset & 7))) != 0 ? "1" : "0";
}

std::string TWatchTabelle::formatInteger(const TWatchItem& item, std::string b, int f) const {
    const bool le = littleEndian();
    if (b.size() < static_cast<std::size_t>(WatchTypeRow(item.typeCode).size)) return {};
    bool turn = (le && (f == display_format::Hex || f == display_format::Binary)) ||
                (!le && (f == display_format::Default || f == display_format::Decimal));
    if (item.reversed) turn = !turn;
    if (turn) std::reverse(b.begin(), b.end());
    switch (f) {
    case display_format::Default:
    case display_format::Decimal: {
        const std::uint32_t v = valueLsbFirst(b);
        if (item.typeCode == code(WatchType::Int16)) return std::to_string(static_cast<std::int16_t>(v));
        if (item.typeCode == code(WatchType::Int32)) return std::to_string(static_cast<std::int32_t>(v));
        return std::to_string(v);
    }
    case display_format::Hex: return hexAll(b);
    case display_format::Ascii: return "\"" + b + "\"";
    case display_format::Binary: return binAll(b);
    default: return {};
    }
}

std::string TWatchTabelle::formatFloat(const TWatchItem& item, std::string b, int f) const {
    if (b.size() < 4) return {};
    if (item.typeCode == code(WatchType::FloatHighFirst) && f != display_format::Hex) std::reverse(b.begin(), b.end());
    if (item.reversed) std::reverse(b.begin(), b.end());
    if (f == display_format::Hex) return hexAll(b);
    const std::uint32_t bits = valueLsbFirst(b);
    float v;
    static_assert(sizeof v == 4);
    std::memcpy(&v, &bits, 4);
    std::string t = FixedText(v, 4);
    if (t.size() > 9) t = ScientificText(v);
    return t;
}

std::string TWatchTabelle::formatRawBytes(const std::string& b, int f) {
    std::string s;
    for (char c : b) {
        const std::uint8_t v = static_cast<std::uint8_t>(c);
        if (f < display_format::Ascii) s += ByteToHex(v);
        else if (f == display_format::Ascii) s += c;
        else if (f == display_format::Binary) s += ByteToBin(v);
    }
    return s;
}

std::string TWatchTabelle::formatCodeAddress(const std::string& b) const {
    if (b.size() < 3) return {};
    // The bank byte means something only where code is banked.
    const IBankingInfo* banking = symbols_.context().banking;
    const auto offset =
        static_cast<std::uint16_t>(static_cast<std::uint8_t>(b[1]) << 8 | static_cast<std::uint8_t>(b[2]));
    const bool banked = banking != nullptr && banking->bankingMode() != 0;
    return BankAdresseToStr(
        banked ? BankedAdresse(static_cast<std::uint8_t>(b[0]), offset) : UnbankedAdresse(offset), banking);
}

std::string TWatchTabelle::formatBcdFloat(const TWatchItem& item, std::string b, int f) {
    const auto n = static_cast<std::size_t>(WatchTypeRow(item.typeCode).size);
    if (b.size() < n) return {};
    if (item.reversed) std::reverse(b.begin(), b.end());
    if (f == display_format::Hex) return hexAll(b);
    std::string digits = "0.";
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const std::uint8_t v = static_cast<std::uint8_t>(b[i]);
        digits += static_cast<char>('0' + (v >> 4) % 10);
        digits += static_cast<char>('0' + (v & 15) % 10);
    }
    const std::uint8_t last = static_cast<std::uint8_t>(b[n - 1]);
    digits += "e" + std::to_string(static_cast<int>(last & 0x7F) - 64);
    double v = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), v);
    if (last & 0x80) v = -v;
    return GeneralText(v);
}

std::string TWatchTabelle::formatStructure(TWatchItem& item, const std::string& b) {
    TSymbol* rec = item.typeRecord;
    if (rec == nullptr) return {};
    Depth depth(*this, item);
    const std::uint32_t count = MemberCount(*rec);
    std::vector<TSymbol*> members;
    if (rec->form == 3) {
        for (std::uint32_t i = 1; i <= count && 2 * i - 1 < rec->name.size(); ++i)
            members.push_back(symbols_.TypeAt(byteAt(rec->name, 2 * i - 2) << 8 | byteAt(rec->name, 2 * i - 1)));
    } else {
        TSymbol* m = symbols_.ElementType(rec);
        for (std::uint32_t i = 0; i < count && m != nullptr; ++i) {
            members.push_back(m);
            m = symbols_.CurrentType();
        }
    }
    std::string s = "(";
    bool firstMember = true;
    for (TSymbol* m : members) {
        if (m == nullptr) break;
        const std::size_t off = MemberOffset(*m);
        if (b.size() < off) break;
        TWatchItem member = item;
        member.requestedCount = member.elementCount = 1;
        advance(member, spaceOf(member.memoryClass), static_cast<std::int64_t>(off));
        member.indexByExpression = member.memberFollows = false;
        member.typeCode = rec->type;
        member.typeRecord = m;
        if (member.displayFormat == display_format::Record) member.displayFormat = display_format::Default;
        const std::size_t size = symbols_.TypeSize(m);
        if (!firstMember) s += ", ";
        firstMember = false;
        if (item.displayFormat == display_format::Record) s += m->name + ":";
        s += formatElement(member, std::string_view(b).substr(off, std::min(size, b.size() - off)));
    }
    return s + ")";
}

std::string TWatchTabelle::formatArray(TWatchItem& item, const std::string& b) {
    TSymbol* rec = item.typeRecord;
    if (rec == nullptr) return {};
    Depth depth(*this, item);
    TWatchItem element = item;
    element.typeCode = rec->type;
    if (rec->type == kTypeOfRecord) element.typeRecord = symbols_.ElementType(rec);
    return formatElement(element, b);
}

std::string TWatchTabelle::formatBitField(const TWatchItem& item, const std::string& b, int f) {
    TSymbol* rec = item.typeRecord;
    if (rec == nullptr || b.empty()) return {};
    const BitFieldPlace place = BitFieldOf(*rec);
    const int pos = place.position;
    const int width = std::min(place.width, 16);
    std::uint32_t v = static_cast<std::uint8_t>(b[0]);
    if (item.elementSize == 2 && b.size() >= 2) v = v * 256 + static_cast<std::uint8_t>(b[1]);
    const std::uint32_t mask = width >= 32 ? 0xFFFFFFFFu : (1u << width) - 1;
    v = (v & (mask << pos)) >> pos;
    switch (f) {
    case display_format::Hex: return width <= 8 ? ByteToHex(v) : WordToHex(v);
    case display_format::Decimal: return std::to_string(v);
    case display_format::Ascii: {
        std::string s;
        if (width >= 9) s += static_cast<char>(v >> 8);
        return s + static_cast<char>(v & 0xFF);
    }
    case display_format::Default:
    case display_format::Binary: {
        std::string s = width > 8 ? ByteToBin(static_cast<std::uint8_t>(v >> 8)) : "";
        s += ByteToBin(static_cast<std::uint8_t>(v));
        return width > 0 && static_cast<std::size_t>(width) < s.size() ? s.substr(s.size() - static_cast<std::size_t>(width)) : s;
    }
    default: return {};
    }
}

std::string TWatchTabelle::formatZeroTerminated(const std::string& b) {
    const std::size_t zero = b.find('\0');
    if (zero == std::string::npos) return b;
    return "\"" + b.substr(0, zero) + "\"";
}

std::string TWatchTabelle::formatUnresolved(TWatchItem& item, const std::string& b) {
    Depth depth(*this, item);
    TWatchItem copy = item;
    copy.requestedCount = copy.elementCount = 1;
    copy.indexByExpression = copy.memberFollows = false;
    if (expandType(copy) && copy.requestedType != 0) {
        copy.typeCode = TypeCodeOf(copy.requestedType);
        copy.elementSize = BaseSize(copy.typeCode);
    }
    return formatItem(copy, b);
}

std::string TWatchTabelle::formatPointer(TWatchItem& item, std::string_view d) {
    const int kind = item.pointerKind;
    const std::size_t need = kind == 0 ? 3 : (kind == 2 || kind == 5) ? 2 : 1;
    if (d.size() < need || kind > 5) return {};
    std::array<std::uint8_t, 3> b{byteAt(d, 0), byteAt(d, 1), byteAt(d, 2)};
    if (target_.ToolChain() == 6 && kind == 0) {
        std::uint8_t tag = b[2];
        // SDCC 3.x and 4.x, whose debug files the loader reads, tag a
        // generic pointer 0x00 external, 0x40 internal, 0x60 paged and 0x80
        // code; the small numbers are the tags of its early versions, of
        // which only 0 (internal) collides: it is external here, as those
        // compilers write it for every pointer into external data.
        switch (tag) {
        case 0x00: tag = 2; break;
        case 0x40: tag = 1; break;
        case 0x60: tag = 3; break;
        case 0x80: tag = 5; break;
        case 1: tag = 2; break;
        case 2: tag = 5; break;
        case 3: tag = 2; break;
        case 5: tag = 1; break;
        default: break;
        }
        b = {tag, b[1], b[0]};
    }
    if (kind == 2 || kind == 5) {
        if (littleEndian()) std::swap(b[0], b[1]);
        if (item.reversed) std::swap(b[0], b[1]);
    }
    std::uint16_t target = 0;
    if (kind == 0) target = static_cast<std::uint16_t>(b[1] << 8 | b[2]);
    else if (kind == 2 || kind == 5) target = static_cast<std::uint16_t>(b[0] << 8 | b[1]);
    else target = b[0];
    if (kind != 0) b[0] = static_cast<std::uint8_t>(kind);
    const std::uint8_t t = b[0];
    int memoryClass = -1;
    const char* prefix = "";
    if (kind == 0 && item.typeCode == code(WatchType::Pointer40)) {
        if (t == 0) memoryClass = 2, prefix = "Int.";
        else if (t == 1 || t == 3 || t == 254) memoryClass = 3, prefix = "Ext.";
        else if (t == 2 || t == 255) memoryClass = 1, prefix = "Prg.";
    } else {
        if (t == 1 || t == 4) memoryClass = 2, prefix = "Int.";
        else if (t == 2 || t == 3) memoryClass = 3, prefix = "Ext.";
        else if (t == 5) memoryClass = 1, prefix = "Prg.";
    }
    if (item.memberFollows || item.pointerIndexed || item.dereferenceCount > 0) {
        Depth depth(*this, item);
        TWatchItem copy = item;
        copy.address = UnbankedAdresse(target);
        if (memoryClass >= 0) copy.memoryClass = static_cast<std::uint8_t>(memoryClass);
        // The target is no variable of the pointer's: where the pointer
        // lives (registers, for one) says nothing about where it points.
        copy.locationCount = 0;
        TSymbol* rec = item.typeRecord;
        copy.typeCode = rec != nullptr ? rec->type : 0;
        const bool record = copy.typeCode == kTypeOfRecord;
        if (record) copy.typeRecord = symbols_.ElementType(rec);
        else if (copy.requestedType != 0) copy.typeCode = TypeCodeOf(copy.requestedType);
        // The index steps over whole elements of the pointed-to type, and is
        // taken before that type is expanded: a member after it ("p[1].y")
        // is then a member of that element.
        if (copy.pointerIndexed) {
            const std::string idx = trim(CutIndex(copy.rest, true));
            const std::int64_t v = isDecimal(idx) ? std::stoll(idx) : indexValue(copy, idx);
            const std::int64_t size = copy.requestedType != 0 ? BaseSize(TypeCodeOf(copy.requestedType))
                                      : record ? static_cast<std::int64_t>(symbols_.TypeSize(copy.typeRecord))
                                               : BaseSize(copy.typeCode);
            advance(copy, spaceOf(copy.memoryClass), static_cast<std::int16_t>(size * v));
            copy.pointerIndexed = false;
        } else if (!copy.memberFollows) {
            --copy.dereferenceCount;
        }
        if (record) {
            if (expandType(copy) && copy.requestedType != 0) {
                copy.typeCode = TypeCodeOf(copy.requestedType);
                copy.elementSize = BaseSize(copy.typeCode);
            }
        } else {
            copy.elementSize = BaseSize(copy.typeCode);
        }
        copy.requestedCount = copy.elementCount = 1;
        copy.memberFollows = copy.indexByExpression = false;
        const std::string data = readItemData(copy);
        return formatItem(copy, data);
    }
    if (memoryClass < 0) {
        return ByteToHex(b[0]) + " " + ByteToHex(b[1]) + " " + ByteToHex(b[2]) + std::string(LoadStr(MsgBadPointer));
    }
    return prefix + WordToHex(target);
}

}  // namespace tarvex
