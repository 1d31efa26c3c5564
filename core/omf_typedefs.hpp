#pragma once
// Type definitions of OMF object files: several OMF-51 definitions per
// record 0x20, one OMF2 definition per record 0x98.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/basic_filer.hpp"
#include "core/omf_cursor.hpp"

namespace tarvex {

class TOmfElement;

// Writes a type index in its file form: width 3 as 0x1F, high byte, low
// byte; width 1 as the single byte.
void WriteTypeIndex(TBasicFiler& out, std::uint32_t value, std::uint8_t width);

class TOmfTypedef {
public:
    virtual ~TOmfTypedef();
    TOmfTypedef(const TOmfTypedef&) = delete;
    TOmfTypedef& operator=(const TOmfTypedef&) = delete;

    // One-line description for diagnostics.
    virtual std::string GetText() const = 0;
    // Writes the definition in its file form into the filer's write buffer
    // (OMF2 definitions write nothing).
    virtual void WriteTo(TBasicFiler& out) const = 0;

    std::int32_t position = 0;  // file position of the kind byte
    std::uint8_t kind = 0;
    std::int32_t count = 0;  // members, dimensions or list entries
    std::vector<std::unique_ptr<TOmfElement>> members;
    std::uint32_t value = 0;
    std::string name;
    OmfTypeIndex typeIndex;
    OmfTypeIndex secondTypeIndex;  // list type of functions and structures, name type of structures

protected:
    TOmfTypedef() = default;
};

// OMF-51 kinds 0x20 list, 0x21 pointer, 0x22 array, 0x23 function, 0x24 named
// type, 0x25 structure, 0x26 bit field, 0x27 spaced pointer, 0x28 generic
// pointer. Another kind reads nothing after its kind byte.
class TOmf51Typedef final : public TOmfTypedef {
public:
    explicit TOmf51Typedef(OmfCursor& in);
    std::string GetText() const override;
    void WriteTo(TBasicFiler& out) const override;

    bool IsKnownKind() const { return kind >= 0x20 && kind <= 0x28; }

    std::uint16_t byteCount = 0;  // bytes it occupied in the file, kind byte included
    std::vector<std::uint16_t> dimensions;  // array
    // Bit field: base type, bit offset, bit width. Spaced pointer: size,
    // memory. Generic pointer: attribute, size, memory, pointer kind.
    std::uint8_t attribute = 0;
    std::uint8_t size = 0;
    std::uint8_t memory = 0;
    std::uint8_t pointerKind = 0;
    std::uint8_t bitOffset = 0;
    std::uint8_t bitWidth = 0;
    std::uint8_t extraByte = 0;    // generic pointer, kept for the write-back
    std::uint16_t extraWord = 0;  // generic pointer, kept for the write-back
};

// OMF2 kinds 0x20 COMPONENT, 0x21 COMPONENT-LIST, 0x22 POINTER, 0x23 ARRAY,
// 0x24 FUNCTION, 0x25 aggregate, 0x26 BITFIELD, 0x27 TYPETAG-ID. Type
// indexes are plain 16-bit words here.
class TOmf2Typedef final : public TOmfTypedef {
public:
    explicit TOmf2Typedef(OmfCursor& in);
    std::string GetText() const override;
    void WriteTo(TBasicFiler& out) const override;

    // The i-th entry of the index list, 0 outside it.
    std::uint16_t IndexItem(std::int32_t i) const;
    std::string KindName() const;

    // The second byte of the aggregate and tag kinds (1 STRUCT/Struct, 2
    // UNION/Union, 3 ENUM/Enum, 4 BITSTRUCT/Typedef).
    std::uint8_t kindValue = 0;
    // COMPONENT-LIST entries and ARRAY dimension sizes.
    std::vector<std::uint16_t> indexList;
    std::uint16_t memClassIndex = 0;
    OmfAddress first;   // COMPONENT offset, FUNCTION frame size
    OmfAddress second;  // FUNCTION local size
    std::uint8_t vendorId = 0;
    std::uint32_t attribute = 0;  // POINTER, ARRAY, FUNCTION
    std::uint32_t pushMask = 0;   // FUNCTION
    std::uint8_t bitOffset = 0;   // BITFIELD
    std::uint8_t bitWidth = 0;    // BITFIELD
};

}  // namespace tarvex
