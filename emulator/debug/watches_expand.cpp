// The expansion of a watch expression along its type records: indices of
// arrays, members of structures, and the pointer and bit-field classes that
// end the expansion.
#include "emulator/debug/watches.hpp"

#include <string>
#include <vector>

#include "core/errors.hpp"
#include "core/messages.hpp"
#include "core/symbol_table.hpp"
#include "emulator/debug/watch_types.hpp"

#include "emulator/debug/watches_internal.hpp"

namespace tarvex {

using namespace watch_detail;

bool TWatchTabelle::expandType(TWatchItem& item) {
    for (int level = 0;; ++level) {
        if (level >= kMaxDepth) fail(item, MsgBadType, ByteToHex(item.typeRecord != nullptr ? item.typeRecord->klass : 0));
        const bool answer = [&] {
            Depth depth(*this, item);
            return expandOnce(item);
        }();
        if (item.typeCode <= 254) return answer;
        item.typeRecord = symbols_.ElementType(item.typeRecord);
    }
}

std::int64_t TWatchTabelle::pieceValue(TWatchItem& item, const std::string& piece) {
    if (isDecimal(piece)) return std::stoll(piece);
    item.indexByExpression = true;
    return indexValue(item, piece);
}

namespace {
// An index expression that gave no index. It is final in every scope: the
// expressions inside it were already tried without scope themselves, so an
// outer level must not try them all again (each level would double the
// work).
class EWatchIndexExpressionError : public EWatchError {
public:
    using EWatchError::EWatchError;
};
}  // namespace

std::int32_t TWatchTabelle::indexValue(const TWatchItem& item, const std::string& text) {
    Depth depth(*this, item);
    const auto failed = [&text] {
        return EWatchIndexExpressionError(FmtLoadStr(MsgWatchError, text, std::string(LoadStr(MsgBadIndex))));
    };
    auto sub = NewItem();
    sub->expression = text;
    sub->reversed = item.reversed;
    sub->moduleId = item.moduleId;
    sub->functionId = item.functionId;
    try {
        try {
            Resolve(*sub);
        } catch (const EWatchIndexExpressionError&) {
            throw;
        } catch (const EWatchError&) {
            if (item.moduleId == 0 && item.functionId == 0) throw;  // the same again
            sub->expression = text;
            sub->moduleId = sub->functionId = 0;
            Resolve(*sub);
        }
        const std::uint8_t c = sub->typeCode;
        if (!(c == 0 || (c >= 2 && c <= 7))) throw failed();
        if (!item.reading) return 0;
        std::string t = ItemValueText(sub.get());
        if (DisplayFormat(*sub) == display_format::Hex) t = "$" + t;
        return static_cast<std::int32_t>(StrToIntRt(t));
    } catch (const EWatchError&) {
        throw failed();
    } catch (const EConvertError&) {
        throw failed();
    }
}


bool TWatchTabelle::expandArray(TWatchItem& item, TSymbol* rec) {
    auto bounds = [&](const TSymbol& r, std::int64_t& lower, std::int64_t& upper) {
        if (r.klass == symbol_class::Array) {
            lower = nameWord(r, 0);
            upper = nameWord(r, 2);
        } else {
            lower = 0;
            upper = static_cast<std::int64_t>(ArrayCount(r)) - 1;
        }
    };
    auto next = [&](TSymbol* r) -> TSymbol* {
        TSymbol* e = r->type == kTypeOfRecord ? symbols_.ElementType(r) : nullptr;
        return e != nullptr && e->klass == r->klass && e != r ? e : nullptr;
    };
    // An index variable out of range while the item is read is the item's
    // value text, not an error of the watch.
    auto check = [&](std::int64_t v, std::int64_t lower, std::int64_t upper, const std::string& piece) {
        if (v >= lower && v <= upper) return;
        if (item.reading && !piece.empty() && !isDecimal(piece))
            throw EWatchIndexError(FmtLoadStr(MsgWatchError, item.expression, FmtLoadStr(MsgBadIndex, piece)));
        fail(item, MsgBadIndex);
    };
    const std::vector<std::string> parts = pieces(CutIndex(item.rest, false));
    // First pass: bounds and the number of indices, without reading.
    {
        TSymbol* r = rec;
        for (std::size_t i = 0; i < parts.size(); ++i) {
            if (r == nullptr) fail(item, MsgTooManyIndices);
            std::int64_t lower, upper;
            bounds(*r, lower, upper);
            std::int64_t v = lower;
            if (!parts[i].empty()) {
                if (isDecimal(parts[i])) v = std::stoll(parts[i]);
                else {
                    item.indexByExpression = true;
                    if (item.reading) v = indexValue(item, parts[i]);
                }
            }
            check(v, lower, upper, parts[i]);
            r = next(r);
        }
    }
    if (item.indexByExpression && !item.reading) {
        item.elementSize = 0;
        item.typeCode = rec->klass;
        return false;
    }
    CutIndex(item.rest, true);
    std::int64_t offset = 0;
    bool whole = false;
    std::size_t k = 0;
    TSymbol* r = rec;
    std::int64_t n = 1;
    for (int level = 0; r != nullptr && level < kMaxDepth; ++level) {
        std::int64_t lower, upper;
        bounds(*r, lower, upper);
        const std::string piece = k < parts.size() ? parts[k] : std::string();
        ++k;
        std::int64_t v = lower;
        if (piece.empty()) {
            if (item.requestedCount == 1) whole = true;
        } else {
            v = isDecimal(piece) ? std::stoll(piece) : indexValue(item, piece);
        }
        check(v, lower, upper, piece);
        n = static_cast<std::int64_t>(ArrayCount(*r));
        if (n == 0) fail(item, MsgBadIndex);
        if (whole) item.elementCount = static_cast<std::uint32_t>(item.elementCount * n);
        offset += static_cast<std::int64_t>(symbols_.TypeSize(r)) * (v - lower) / n;
        TSymbol* e = next(r);
        if (e == nullptr) break;
        r = e;
    }
    item.elementSize = static_cast<std::int32_t>(symbols_.TypeSize(r) / static_cast<std::uint64_t>(n));
    advance(item, spaceOf(item.memoryClass), offset);
    item.typeRecord = r;
    item.typeCode = r->type;
    return item.typeCode < 255;
}

bool TWatchTabelle::expandCdbArray(TWatchItem& item, TSymbol* rec) {
    // The dimension list of the whole array. SDCC's debug file describes
    // int a[2][3] as an array of 2 whose element is an array of 3, one
    // record per dimension; other tool chains give one record with every
    // dimension. Both read as one list here, so that the indices follow
    // the same rules in either form and the elements are those of the
    // innermost record.
    std::vector<std::int64_t> dims;
    TSymbol* inner = rec;
    int links = 0;
    // A chain of arrays that returns to itself ends as any cyclic type.
    for (TSymbol* r = rec;;) {
        for (int i = 1; i <= r->functionId; ++i) {
            if (dims.size() >= static_cast<std::size_t>(kMaxDepth)) fail(item, MsgBadType, ByteToHex(r->klass));
            dims.push_back(nameWord(*r, static_cast<std::size_t>(2 * i - 2)));
        }
        inner = r;
        TSymbol* e = r->type == kTypeOfRecord ? symbols_.ElementType(r) : nullptr;
        if (e == nullptr || e->klass != symbol_class::CdbArray) break;
        if (++links >= kMaxDepth) fail(item, MsgBadType, ByteToHex(e->klass));
        r = e;
    }
    const std::uint8_t base = inner->type;
    std::string idx = CutIndex(item.rest, false);
    const bool emptyIdx = idx.empty();
    // A member after the index names a part of one element: the array is
    // never taken whole then.
    std::string after = item.rest;
    CutIndex(after, true);
    const bool memberNext = after.starts_with(".") || after.starts_with("->");
    if (emptyIdx && base != 2) idx = "0";
    const std::vector<std::string> parts = pieces(idx);
    std::int64_t product = 1, count = item.elementCount, offset = 0, last = 0, lastDim = 1;
    const std::int64_t size = symbols_.TypeSize(rec);
    const bool whole = emptyIdx && base != 2 && item.requestedCount == 1 && !memberNext;
    const std::size_t n = dims.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (emptyIdx && base == 2 && i + 1 < n)
            throw EWatchError(FmtLoadStr(MsgValueNotValid, LoadStr(MsgWatchName)));
        const std::int64_t dim = dims[i];
        const std::string piece = i < parts.size() ? parts[i] : std::string();
        std::int64_t v = 0;
        bool fromExpression = false;
        if (!piece.empty()) {
            if (isDecimal(piece)) v = std::stoll(piece);
            else {
                item.indexByExpression = fromExpression = true;
                v = indexValue(item, piece);
            }
        }
        if (v < 0 || v >= dim) {
            if (fromExpression && item.reading)
                throw EWatchIndexError(FmtLoadStr(MsgWatchError, item.expression, FmtLoadStr(MsgBadIndex, piece)));
            fail(item, MsgBadIndex);
        }
        product *= dim;
        if (whole) count *= dim;
        offset += size * v / product;
        last = v;
        lastDim = dim;
    }
    if (parts.size() > n) fail(item, MsgTooManyIndices);
    if (item.indexByExpression && !item.reading) {
        item.elementSize = 0;
        item.typeCode = code(WatchType::Array);
        return false;
    }
    item.elementCount = static_cast<std::uint32_t>(count);
    CutIndex(item.rest, true);
    advance(item, spaceOf(item.memoryClass), offset);
    item.typeRecord = inner;
    item.elementSize = product > 0 ? static_cast<std::int32_t>(size / product) : 0;
    if (memberNext) {
        // The element itself is expanded on: its member's offset and type
        // are the item's, as for the arrays whose element is their base.
        if (base != kTypeOfRecord) fail(item, MsgBadMember);
        item.typeCode = kTypeOfRecord;
        return false;
    }
    item.typeCode = code(WatchType::Array);
    if (base == 2 && last == 0 && item.requestedCount == 1) {
        item.elementSize = static_cast<std::int32_t>(item.elementSize * lastDim);
        item.typeCode = code(WatchType::ZeroTerminatedText);
    }
    return true;
}

bool TWatchTabelle::expandMember(TWatchItem& item, TSymbol* rec, bool form3List, std::uint32_t count, TSymbol* first) {
    const std::string member = CutMember(item.rest, true);
    if (member.empty()) {
        item.typeCode = code(WatchType::Structure);
        item.elementSize = static_cast<std::int32_t>(symbols_.TypeSize(rec));
        return true;
    }
    std::vector<TSymbol*> members;
    if (form3List) {
        for (std::uint32_t i = 1; i <= count; ++i) {
            const std::size_t at = 2 * i - 2;
            if (at + 1 >= rec->name.size()) break;
            members.push_back(symbols_.TypeAt(byteAt(rec->name, at) << 8 | byteAt(rec->name, at + 1)));
        }
    } else {
        TSymbol* m = first;
        for (std::uint32_t i = 0; i < count && m != nullptr; ++i) {
            members.push_back(m);
            m = symbols_.CurrentType();
        }
    }
    // The expression went through the table's case rule; type names (SDCC
    // writes members in lower case) are kept as the file wrote them.
    for (TSymbol* m : members) {
        if (m == nullptr || symbols_.Transform(m->name) != member) continue;
        item.typeRecord = m;
        advance(item, spaceOf(item.memoryClass), MemberOffset(*m));
        item.elementSize = static_cast<std::int32_t>(symbols_.TypeSize(m));
        item.typeCode = m->type;
        return item.typeCode < 255;
    }
    fail(item, MsgBadMember);
}

bool TWatchTabelle::expandOnce(TWatchItem& item) {
    TSymbol* rec = item.typeRecord;
    if (rec == nullptr) fail(item, MsgBadSymbol);
    item.elementSize = static_cast<std::int32_t>(symbols_.TypeSize(rec));
    auto pointerParts = [&] {
        item.pointerKind = static_cast<std::uint8_t>(rec->moduleId & 0xFF);
        item.pointerIndexed = item.rest.starts_with("[");
    };
    switch (rec->klass) {
    case symbol_class::Array:
    case symbol_class::UbrofArray: return expandArray(item, rec);
    case symbol_class::CdbArray: return expandCdbArray(item, rec);
    case symbol_class::Structure:
    case symbol_class::UbrofStructure:
    case symbol_class::UbrofUnion: {
        const std::uint32_t count = MemberCount(*rec);
        return expandMember(item, rec, false, count, symbols_.ElementType(rec));
    }
    case symbol_class::Enumeration: item.typeCode = code(WatchType::Word16); return true;
    case symbol_class::Set: item.typeCode = code(WatchType::Byte); return true;
    case symbol_class::BitField:
    case symbol_class::CdbBitField: item.typeCode = code(WatchType::BitField); return true;
    case symbol_class::Pointer:
        pointerParts();
        item.typeCode = code(WatchType::Pointer);
        return true;
    case symbol_class::CdbGenericPointer:
    case symbol_class::CdbPointer:
    case symbol_class::SizedPointer:
        pointerParts();
        item.typeCode = rec->klass;
        item.memberFollows = item.rest.find('.') != std::string::npos || item.rest.find("->") != std::string::npos;
        return true;
    case symbol_class::Attribute:
        item.typeCode = rec->type;
        if (item.typeCode < 255 && (rec->functionId & 0x40) != 0) item.typeCode = code(WatchType::Bit);
        return item.typeCode < 255;
    case symbol_class::Member: {
        if (rec->form != 2 || (rec->address.bank != 0 && rec->address.bank != BankNone)) {
            item.typeCode = rec->type;
            return item.typeCode < 255;
        }
        const std::string member = CutMember(item.rest, true);
        if (member.empty()) {
            item.typeCode = code(WatchType::Structure);
            item.elementSize = static_cast<std::int32_t>(symbols_.TypeSize(rec));
            return true;
        }
        const std::uint32_t count = ArrayCount(*rec);
        for (std::uint32_t i = 1; i <= count && 2 * i - 1 < rec->name.size(); ++i) {
            TSymbol* m = symbols_.TypeAt(nameWord(*rec, 2 * i - 2) + rec->address.offset);
            if (m == nullptr || symbols_.Transform(m->name) != member) continue;
            item.typeRecord = m;
            advance(item, spaceOf(item.memoryClass), MemberOffset(*m));
            item.elementSize = static_cast<std::int32_t>(symbols_.TypeSize(m));
            item.typeCode = m->type;
            return item.typeCode < 255;
        }
        fail(item, MsgBadMember);
    }
    case symbol_class::NamedType:
        item.typeCode = rec->type;
        return item.typeCode < 255;
    case symbol_class::CdbStructure: {
        if (target_.ToolChain() == 2) {
            item.elementCount = symbols_.TypeSize(rec);
            item.elementSize = 1;
            item.typeCode = code(WatchType::UnsignedChar);
            return false;
        }
        symbols_.InheritArraySize(rec);
        TSymbol* base = symbols_.ElementType(rec);
        if (base == nullptr) fail(item, MsgBadType, ByteToHex(rec->klass));
        item.typeRecord = base;
        if (!item.rest.starts_with(".") && !item.rest.starts_with("->")) {
            item.elementSize = static_cast<std::int32_t>(symbols_.TypeSize(base));
            item.typeCode = base->klass;
            return item.typeCode < 255;
        }
        const std::uint32_t count = ArrayCount(*base);
        return expandMember(item, base, base->form == 3, count, symbols_.ElementType(base));
    }
    default: fail(item, MsgBadType, ByteToHex(rec->klass));
    }
}

}  // namespace tarvex
