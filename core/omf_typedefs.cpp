#include "core/omf_typedefs.hpp"

#include "core/omf_reader.hpp"

namespace tarvex {

namespace {

std::string hex(std::uint32_t v, int digits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string s;
    for (int shift = 28; shift >= 0; shift -= 4) {
        const auto d = static_cast<unsigned>((v >> shift) & 0xF);
        if (!s.empty() || d != 0 || shift < digits * 4) s += kDigits[d];
    }
    return s;
}

std::string dec(std::int64_t v) { return std::to_string(v); }

void writeWordLE(TBasicFiler& out, std::uint16_t v) {
    out.WriteByte(static_cast<std::uint8_t>(v & 0xFF));
    out.WriteByte(static_cast<std::uint8_t>(v >> 8));
}

void writeIndex(TBasicFiler& out, const OmfTypeIndex& ti) { WriteTypeIndex(out, ti.value, ti.width); }

}  // namespace

TOmfTypedef::~TOmfTypedef() = default;

// ---------------------------------------------------------------- OMF-51

TOmf51Typedef::TOmf51Typedef(OmfCursor& in) {
    const std::size_t start = in.consumed();
    position = in.filePosition();
    kind = in.Byte();
    switch (kind) {
    case 0x20: {  // list
        count = in.Word();
        for (std::int32_t i = 0; i < count; ++i) {
            auto m = std::make_unique<TOmfElement>();
            m->position = in.filePosition();
            m->recordType = kind;
            m->offset = in.Word();
            const OmfTypeIndex ti = in.TypeIndex();
            m->type = ti.value;
            m->typeWidth = ti.width;
            m->name = in.Name();
            members.push_back(std::move(m));
        }
        break;
    }
    case 0x21:  // pointer
        typeIndex = in.TypeIndex();
        break;
    case 0x22:  // array
        count = in.Byte();
        for (std::int32_t i = 0; i < count; ++i) dimensions.push_back(in.Word());
        typeIndex = in.TypeIndex();
        break;
    case 0x23:  // function
        typeIndex = in.TypeIndex();
        secondTypeIndex = in.TypeIndex();
        break;
    case 0x24:  // named type
        typeIndex = in.TypeIndex();
        name = in.Name();
        break;
    case 0x25:  // structure
        value = in.Word();
        secondTypeIndex = in.TypeIndex();
        typeIndex = in.TypeIndex();
        break;
    case 0x26:  // bit field
        typeIndex = {in.Byte(), 1};
        bitOffset = in.Byte();
        bitWidth = in.Byte();
        break;
    case 0x27:  // spaced pointer
        typeIndex = in.TypeIndex();
        size = in.Byte();
        memory = in.Byte();
        break;
    case 0x28:  // generic pointer
        attribute = in.Byte();
        size = in.Byte();
        memory = in.Byte();
        pointerKind = in.Byte();
        extraByte = in.Byte();
        extraWord = in.Word();
        typeIndex = in.TypeIndex();
        break;
    default:
        break;
    }
    byteCount = static_cast<std::uint16_t>(in.consumed() - start);
}

void TOmf51Typedef::WriteTo(TBasicFiler& out) const {
    out.WriteByte(kind);
    switch (kind) {
    case 0x20:
        writeWordLE(out, static_cast<std::uint16_t>(count));
        for (const auto& m : members) {
            writeWordLE(out, static_cast<std::uint16_t>(m->offset));
            WriteTypeIndex(out, m->type, m->typeWidth);
            out.WriteLString(m->name);
        }
        break;
    case 0x21:
        writeIndex(out, typeIndex);
        break;
    case 0x22:
        out.WriteByte(static_cast<std::uint8_t>(count));
        for (auto d : dimensions) writeWordLE(out, d);
        writeIndex(out, typeIndex);
        break;
    case 0x23:
        writeIndex(out, typeIndex);
        writeIndex(out, secondTypeIndex);
        break;
    case 0x24:
        writeIndex(out, typeIndex);
        out.WriteLString(name);
        break;
    case 0x25:
        writeWordLE(out, static_cast<std::uint16_t>(value));
        writeIndex(out, secondTypeIndex);
        writeIndex(out, typeIndex);
        break;
    case 0x26:
        out.WriteByte(static_cast<std::uint8_t>(typeIndex.value));
        out.WriteByte(bitOffset);
        out.WriteByte(bitWidth);
        break;
    case 0x27:
        writeIndex(out, typeIndex);
        out.WriteByte(size);
        out.WriteByte(memory);
        break;
    case 0x28:
        out.WriteByte(attribute);
        out.WriteByte(size);
        out.WriteByte(memory);
        out.WriteByte(pointerKind);
        out.WriteByte(extraByte);
        writeWordLE(out, extraWord);
        writeIndex(out, typeIndex);
        break;
    default:
        break;
    }
}

std::string TOmf51Typedef::GetText() const {
    std::string t = hex(static_cast<std::uint32_t>(position), 4) + " ";
    const std::string ti = hex(typeIndex.value, 4);
    switch (kind) {
    case 0x20:
        t += "List Anzahl: " + dec(count);
        for (const auto& m : members) {
            t += " Pos.: " + hex(static_cast<std::uint32_t>(m->position), 4) + " Offset: " + hex(m->offset, 4) +
                 " Type: " + hex(m->type, 4) + " " + m->name;
        }
        break;
    case 0x21:
        t += "Pointer $21 Type: " + ti;
        break;
    case 0x22:
        t += "Array Dimensionen: " + dec(count);
        for (auto d : dimensions) t += " " + dec(d);
        t += " Type: " + ti;
        break;
    case 0x23:
        t += "Function Type: " + ti + " ListType: " + hex(secondTypeIndex.value, 4);
        break;
    case 0x24:
        t += "Type Type: " + ti + " " + name;
        break;
    case 0x25:
        t += "Struct Size: " + dec(value) + " NameType: " + ti + " ListType: " + hex(secondTypeIndex.value, 4);
        break;
    case 0x26:
        t += "BitField BaseType: " + ti + " BitOffset: " + dec(bitOffset) + " BitWidth: " + dec(bitWidth);
        break;
    case 0x27:
        t += "SpacedPointer Type: " + ti + " Größe: " + dec(size) + " Speicher: " + dec(memory);
        break;
    case 0x28:
        t += "GenericPointer Type: " + ti + " Größe: " + dec(size) + " Speicher: " + dec(memory) +
             " Attr: " + dec(attribute) + " PtrSpec: " + dec(pointerKind);
        break;
    default:
        t += "RecType: " + hex(kind, 2);
        break;
    }
    return t;
}

// ---------------------------------------------------------------- OMF2

TOmf2Typedef::TOmf2Typedef(OmfCursor& in) {
    position = in.filePosition();
    kind = in.Byte();
    switch (kind) {
    case 0x20:  // COMPONENT
        first = in.Address();
        memClassIndex = in.Word();
        typeIndex = {in.Word(), 2};
        in.Word();
        name = in.Name();
        break;
    case 0x21: {  // COMPONENT-LIST
        std::uint32_t n = in.Word();
        if (n > 32768) n -= 32768;
        count = static_cast<std::int32_t>(n);
        for (std::uint32_t i = 0; i < n; ++i) indexList.push_back(in.Word());
        break;
    }
    case 0x22:  // POINTER; its first byte is the pointer's size in bits
        value = in.Byte();
        vendorId = in.Byte();
        attribute = in.Word();
        memClassIndex = in.Word();
        in.Word();
        typeIndex = {in.Word(), 2};
        break;
    case 0x23:  // ARRAY
        count = in.Byte();
        attribute = in.Byte();
        typeIndex = {in.Word(), 2};
        for (std::int32_t i = 0; i < count; ++i) indexList.push_back(static_cast<std::uint16_t>(in.DWord()));
        break;
    case 0x24:  // FUNCTION
        vendorId = in.Byte();
        attribute = in.DWord();
        first = in.Address();
        second = in.Address();
        pushMask = in.DWord();
        memClassIndex = in.Word();
        typeIndex = {in.Word(), 2};
        secondTypeIndex = {in.Word(), 2};
        break;
    case 0x25:  // STRUCT, UNION, ENUM, BITSTRUCT
        kindValue = in.Byte();
        value = in.DWord();
        secondTypeIndex = {in.Word(), 2};
        name = in.Name();
        break;
    case 0x26:  // BITFIELD
        typeIndex = {in.Word(), 2};
        bitOffset = in.Byte();
        bitWidth = in.Byte();
        break;
    case 0x27:  // TYPETAG-ID
        kindValue = in.Byte();
        typeIndex = {in.Word(), 2};
        value = in.DWord();
        name = in.Name();
        break;
    default:
        break;
    }
}

void TOmf2Typedef::WriteTo(TBasicFiler&) const {}

std::uint16_t TOmf2Typedef::IndexItem(std::int32_t i) const {
    if (i < 0 || static_cast<std::size_t>(i) >= indexList.size()) return 0;
    return indexList[static_cast<std::size_t>(i)];
}

namespace {
std::string aggregateWord(std::uint8_t k) {
    switch (k) {
    case 1: return "STRUCT";
    case 2: return "UNION";
    case 3: return "ENUM";
    case 4: return "BITSTRUCT";
    default: return "Element " + hex(k, 2);
    }
}
std::string tagWord(std::uint8_t k) {
    switch (k) {
    case 1: return "Struct";
    case 2: return "Union";
    case 3: return "Enum";
    case 4: return "Typedef";
    default: return "Element " + hex(k, 2);
    }
}
std::string bitsNote(const OmfAddress& a) { return a.flag ? " (Bits)" : ""; }
}  // namespace

std::string TOmf2Typedef::KindName() const {
    switch (kind) {
    case 0x20: return "COMPONENT";
    case 0x21: return "COMPONENT-LIST";
    case 0x22: return "POINTER(" + dec(value & 0xFF) + ")";
    case 0x23: return "ARRAY";
    case 0x24: return "FUNCTION";
    case 0x25: return aggregateWord(kindValue);
    case 0x26: return "BITFIELD";
    case 0x27: return "TYPETAG-ID";
    default: return "unknown: " + hex(kind, 2);
    }
}

std::string TOmf2Typedef::GetText() const {
    const std::string ti = hex(typeIndex.value, 4);
    switch (kind) {
    case 0x20:
        return "COMPONENT Offset: " + hex(first.value, 8) + bitsNote(first) + " MemClassIdx: " + hex(memClassIndex, 4) +
               " TypeIndex: " + ti + " Name: " + name;
    case 0x21: {
        std::string t = "COMPONENT-LIST Anzahl: " + dec(count) + " TIs:";
        for (std::size_t i = 0; i < indexList.size() && i < 12; ++i) t += " " + hex(indexList[i], 4);
        if (indexList.size() >= 12) t += " ...";
        return t;
    }
    case 0x22:
        return KindName() + " VendorId: " + dec(vendorId) + " Attribute: " + dec(attribute) +
               " MemClassIdx: " + hex(memClassIndex, 4) + " TypeIndex: " + ti;
    case 0x23: {
        std::string t = "ARRAY Dimensionen: " + dec(count) + " Attrib: " + hex(attribute, 2) + " TypeIndex: " + ti;
        for (std::size_t i = 0; i < indexList.size(); ++i)
            t += " DimSize(" + dec(static_cast<std::int64_t>(i) + 1) + "): " + dec(indexList[i]);
        return t;
    }
    case 0x24:
        return "FUNCTION VendorId: " + dec(vendorId) + " Attribute: " + hex(attribute, 8) +
               " FrameSize: " + dec(first.value) + bitsNote(first) + " LocalSize: " + dec(second.value) +
               bitsNote(second) + " PushMask: " + hex(pushMask, 8) + " MemClassIdx: " + hex(memClassIndex, 4) +
               " TypeIndex: " + ti + " TypeIndexList: " + hex(secondTypeIndex.value, 4);
    case 0x25:
        return aggregateWord(kindValue) + " Size: " + dec(value) + " TypeIndexList: " +
               hex(secondTypeIndex.value, 4) + " Name: " + name;
    case 0x26:
        return "BITFIELD BaseScalarType: " + ti + " BitOffset: " + dec(bitOffset) + " BitWidth: " + dec(bitWidth);
    case 0x27:
        return "TYPETAG-ID " + tagWord(kindValue) + " TypeIndex: " + ti + " Name: " + name;
    default:
        return "";
    }
}

}  // namespace tarvex
