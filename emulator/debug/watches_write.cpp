// A text typed for a watch parsed in its display format and written to the
// target.
#include "emulator/debug/watches.hpp"

#include <algorithm>
#include <cstring>
#include <string>

#include "core/conversions.hpp"
#include "core/errors.hpp"
#include "core/messages.hpp"
#include "core/symbol_table.hpp"
#include "emulator/memory_spaces.hpp"
#include "emulator/validator.hpp"
#include "emulator/debug/watch_types.hpp"

#include "emulator/debug/watches_internal.hpp"

namespace tarvex {

using namespace watch_detail;

void TWatchTabelle::writeItemValues(TWatchItem& item, std::string_view text) {
    std::string rest(text);
    const TBankAdresse start = item.address;
    // The item walks its elements; whatever ends the walk, a listed watch
    // keeps its own address.
    try {
        for (std::uint32_t i = 0; i < item.elementCount; ++i) {
            std::string piece;
            if (const std::size_t comma = rest.find(','); comma != std::string::npos) {
                piece = rest.substr(0, comma);
                rest.erase(0, comma + 1);
            } else {
                piece = std::move(rest);
                rest.clear();
            }
            modifyElement(item, piece);
            // Only to a next element: the last one may end at the top of
            // its memory.
            if (i + 1 < item.elementCount) advance(item, spaceOf(item.memoryClass), item.elementSize);
        }
    } catch (const EConvertError& e) {
        item.address = start;
        throw EWatchError(e.message());
    } catch (...) {
        item.address = start;
        throw;
    }
    item.address = start;
}

// Integer values outside the width are refused rather than truncated.
std::string TWatchTabelle::integerBytes(const TWatchItem& item, int f, const std::string& t, std::int64_t value) const {
    auto check = [&](std::int64_t lo, std::int64_t hi, int message) {
        if (value < lo || value > hi) throw EWatchError(FmtResStr(message, t));
    };
    switch (static_cast<WatchType>(item.typeCode)) {
    case WatchType::SignedChar:
        if (f == display_format::Decimal) check(-127, 127, rs::Unvalid8BitConstant);
        else check(-128, 255, rs::Unvalid8BitConstant);
        break;
    case WatchType::Int16:
        if (f == display_format::Decimal) check(-32767, 32767, rs::Invalid16BitConstant);
        else check(-32768, 65535, rs::Invalid16BitConstant);
        break;
    case WatchType::Word16: check(-32768, 65535, rs::Invalid16BitConstant); break;
    case WatchType::Int32:
    case WatchType::Word32:
        if (f == display_format::Ascii && t.size() != 4) throw EWatchError(FmtResStr(rs::Invalid32BitConstant, t));
        check(-2147483648LL, 4294967295LL, rs::Invalid32BitConstant);
        break;
    default: check(-128, 255, rs::Unvalid8BitConstant); break;
    }
    const auto width = static_cast<std::size_t>(WatchTypeRow(item.typeCode).size);
    std::string bytes;
    const std::uint32_t v = static_cast<std::uint32_t>(value);
    for (int i = 3; i >= 0; --i) bytes += static_cast<char>(v >> (8 * i));
    bytes.erase(0, 4 - width);
    if (littleEndian()) std::reverse(bytes.begin(), bytes.end());
    if (item.reversed) std::reverse(bytes.begin(), bytes.end());
    return bytes;
}

std::string TWatchTabelle::bitBytes(int f, const std::string& t, std::int64_t& value) {
    if (f == display_format::Ascii) value = BinStrToInt(t);
    if (value > 1 || value < 0) throw EWatchError(FmtLoadStr(MsgBadBit, t));
    return std::string(1, static_cast<char>(value));
}

std::string TWatchTabelle::floatBytes(const TWatchItem& item, int f, const std::string& t, std::int64_t value) {
    float single = 0;
    if (f == display_format::Hex) {
        const std::uint32_t bits = static_cast<std::uint32_t>(value);
        std::memcpy(&single, &bits, 4);
    } else if (!TextToSingle(t, single)) {
        throw EWatchError(FmtLoadStr(MsgBadFloat, t));
    }
    std::uint32_t bits;
    std::memcpy(&bits, &single, 4);
    std::string bytes;
    for (int i = 0; i < 4; ++i) bytes += static_cast<char>(bits >> (8 * i));
    if (item.typeCode == code(WatchType::FloatHighFirst)) std::reverse(bytes.begin(), bytes.end());
    if (item.reversed) std::reverse(bytes.begin(), bytes.end());
    return bytes;
}

void TWatchTabelle::modifyElement(TWatchItem& original, std::string_view text) {
    if (WatchTypeRow(original.typeCode).klass == WatchClass::Array) {
        TWatchItem element = original;
        TSymbol* rec = original.typeRecord;
        element.typeCode = rec != nullptr ? rec->type : 0;
        if (element.typeCode == kTypeOfRecord) {
            element.typeRecord = symbols_.ElementType(rec);
            expandType(element);
        }
        modifyElement(element, text);
        return;
    }
    const WatchClass klass = WatchTypeRow(original.typeCode).klass;
    if (!WatchClassWritable(klass)) throw EWatchError(FmtLoadStr(MsgNoChange));
    const bool textType = klass == WatchClass::Text || klass == WatchClass::ZeroTerminatedText;
    TWatchItem item = original;
    TLocation regs;
    if (!applyLocation(item, &regs))
        throw EWatchError(FmtLoadStr(MsgWatchError, item.expression, LoadStr(MsgInvalidAccess)));
    const int c = item.memoryClass;
    const TBasisEmulSpeicher* space = spaceOf(c);
    if (space == nullptr && c != 8 && c != 9) return;
    const int f = DisplayFormat(item);
    const std::string t(text);
    std::int64_t value = 0;
    TBankAdresse addressValue{};
    switch (f) {
    case display_format::Hex: value = StrToIntRt(HexStrNormalize(t)); break;
    case display_format::Decimal: value = StrToIntRt(t); break;
    case display_format::Ascii:
        if (t.empty() && !textType) value = StrToIntRt(t);
        for (std::size_t i = 0; i < t.size() && i < 4; ++i) value = value * 256 + static_cast<std::uint8_t>(t[i]);
        break;
    case display_format::Binary: value = static_cast<std::uint32_t>(BinStrToInt(t)); break;
    case display_format::Record: throw EWatchError(FmtLoadStr(MsgValueNotValid, LoadStr(MsgFormat)));
    case display_format::Address:
        addressValue = StrToBankAdresse(t, symbols_.context().banking);
        value = addressValue.offset;
        break;
    default: break;
    }
    std::string bytes;
    switch (klass) {
    case WatchClass::ByteInteger:
    case WatchClass::Integer: bytes = integerBytes(item, f, t, value); break;
    case WatchClass::Bit: bytes = bitBytes(f, t, value); break;
    case WatchClass::Float: bytes = floatBytes(item, f, t, value); break;
    case WatchClass::CodeAddress:
        if (space != nullptr) space->CheckAdresse(addressValue);
        break;
    case WatchClass::Text: bytes = t; break;
    case WatchClass::ZeroTerminatedText: bytes = t + std::string(1, '\0'); break;
    default: break;
    }
    const std::uint16_t o = item.address.offset;
    if (item.registerSymbol) {
        const TBasisEmulSpeicher* sfr = target_.Limits(4);
        const std::uint16_t lo = sfr != nullptr ? sfr->GetMinAdresse().offset : 0x80;
        const std::uint16_t hi = sfr != nullptr ? sfr->GetMaxAdresse().offset : 0xFF;
        if (o < lo || o > hi) {
            if (c == 1) target_.SetPC(addressValue);
            else if (c == 2) target_.WriteRegister(o & 0xFF, static_cast<std::uint8_t>(value));
            else if (c == 5) {
                target_.WriteSfr(static_cast<std::uint8_t>(o >> 8), byteAt(bytes, 0));
                target_.WriteSfr(static_cast<std::uint8_t>(o), byteAt(bytes, 1));
            }
            return;
        }
    }
    if (c == 9) {
        for (std::size_t i = 0; i < std::min<std::size_t>(regs.registerCount, regs.registers.size()); ++i) {
            const std::uint8_t n = regs.registers[i];
            if (bytes.empty()) break;
            const char b = bytes.back();
            bytes.pop_back();
            if (n <= 7) target_.WriteRegister(n, static_cast<std::uint8_t>(b));
            else if (n <= 11) {
                static constexpr std::uint8_t sfrAt[] = {0xE0, 0xF0, 0x82, 0x83};
                target_.WriteBlock(4, UnbankedAdresse(sfrAt[n - 8]), std::string(1, b));
            } else if (n == 12) {
                target_.WriteBlock(3, UnbankedAdresse(0xD7), std::string(1, b));
            }
        }
        return;
    }
    if (c == 10) {
        target_.WriteRegister(o & 0xFF, static_cast<std::uint8_t>(value));
        return;
    }
    if (c == 8) {
        target_.WriteV(o, byteAt(bytes, 0));
        return;
    }
    if (bytes.empty()) return;
    // An element that does not fit below the top of its memory is refused
    // before anything of it is written.
    if (space != nullptr) space->CheckRange(item.address, static_cast<std::int32_t>(bytes.size()));
    target_.WriteBlock(MemorySpace(c), item.address, bytes);
    if (MemorySpace(c) == 0) target_.UpdatePellunars();
}

}  // namespace tarvex
