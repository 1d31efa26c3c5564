#include "host/ubrof_reader.hpp"

#include <cstdio>

#include "core/errors.hpp"
#include "core/format.hpp"
#include "platform/exception.hpp"
#include "platform/files.hpp"
#include "platform/stream.hpp"

namespace tarvex {

namespace {

// Smallest wire size of each repeated item, so that a count is checked
// against the bytes left before anything is reserved.
constexpr std::uint64_t LocationBytes = 13, VariableBytes = 10, SegInfoBytes = 8, SegPartBytes = 8,
                        TagSizeBytes = 2;

TUbrofLocation readLocation(TUbrofReader& r) {
    TUbrofLocation l;
    l.number = r.ReadWord();
    l.address = r.ReadDWord();
    l.kind = r.ReadByte();
    l.segmentType = r.ReadWord();
    l.value = r.ReadDWord();
    return l;
}

std::vector<TUbrofLocation> readLocations(TUbrofReader& r, std::uint32_t count) {
    r.CheckLeft(count * LocationBytes);
    std::vector<TUbrofLocation> out;
    out.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) out.push_back(readLocation(r));
    return out;
}

std::vector<TUbrofVariable> readVariables(TUbrofReader& r, std::uint8_t tag, std::uint32_t count) {
    r.CheckLeft(count * VariableBytes);
    std::vector<TUbrofVariable> out;
    out.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        TUbrofVariable v;
        v.kind = r.ReadByte();
        v.segmentType = r.ReadWord();
        v.value = r.ReadDWord();
        v.name = r.ReadLString();
        v.typeNumber = r.ReadWord();
        if (tag == ubrof::FunctionLive || tag == ubrof::BlockLive) v.locations = readLocations(r, r.ReadWord());
        out.push_back(std::move(v));
    }
    return out;
}

}  // namespace

TUbrofReader::TUbrofReader(std::unique_ptr<platform::Stream> stream) : TBasicReader(std::move(stream)) {
    SetLittleEndian(false);
    firstSize_.fill(-1);
}

void TUbrofReader::SetFileName(const std::string& name) {
    if (name != FileName()) {
        segInfos_.clear();
        tagSizes_.clear();
        firstSize_.fill(-1);
        typeSizes_.clear();
        currentModule_ = -1;
        currentSegment_ = -1;
    }
    TBasicReader::SetFileName(name);
}

void TUbrofReader::CheckLeft(std::uint64_t n) {
    const std::int64_t left = GetSize() - GetPosition();
    if (left < 0 || n > static_cast<std::uint64_t>(left)) throw EReadError("Stream read error");
}

void TUbrofReader::Skip(std::uint64_t n) {
    CheckLeft(n);
    SetPosition(GetPosition() + static_cast<std::int64_t>(n));
}

std::string TUbrofReader::ReadDotted() {
    const unsigned a = ReadByte(), b = ReadByte(), c = ReadByte();
    return std::to_string(a) + "." + std::to_string(b) + "." + std::to_string(c);
}

std::string TUbrofReader::ReadColon() {
    const unsigned a = ReadByte(), b = ReadByte(), c = ReadByte();
    return std::to_string(a) + ":" + std::to_string(b) + ":" + std::to_string(c);
}

void TUbrofReader::AddTagSize(const TUbrofTagSize& size) {
    tagSizes_.push_back(size);
    // The first declaration of a tag holds.
    if (firstSize_[size.tag] < 0) firstSize_[size.tag] = size.sizeCode;
}

std::int32_t TUbrofReader::DeclaredSize(std::uint8_t tag) const {
    return firstSize_[tag];
}

std::unique_ptr<TUbrofRecord> TUbrofReader::NextRecord() {
    auto rec = std::make_unique<TUbrofRecord>(*this);
    switch (rec->tag) {
    case ubrof::TypeSize:
        typeSizes_.push_back({rec->Word1, rec->Size});
        break;
    case ubrof::ProgramEnd:
        currentModule_ = -1;
        break;
    case ubrof::Symbol:
    case ubrof::Comment:
    case ubrof::SymbolLive:
    case ubrof::SymbolValue:
        if (currentModule_ >= 0) {
            rec->Module = static_cast<std::uint16_t>(currentModule_);
            rec->hasModule = true;
        }
        break;
    case ubrof::Extension:
        serial_ = serial_ == 0xFFFFFFFFu ? 1 : serial_ + 1;
        rec->Serial = serial_;
        break;
    default:
        break;
    }
    return rec;
}

std::string UbrofSourceBaseName(const std::string& name) {
    const auto cut = name.find_last_of("/\\");
    std::string base = cut == std::string::npos ? name : name.substr(cut + 1);
    // A drive prefix ("C:x.c") would still name another folder on Windows.
    if (const auto colon = base.find_last_of(':'); colon != std::string::npos) base = base.substr(colon + 1);
    if (base.empty() || base == "." || base == "..") return {};
    return base;
}

void TUbrofReader::writeSource(const TUbrofRecord& rec) {
    const std::string base = UbrofSourceBaseName(rec.Name);
    if (base.empty()) return;
    std::string dir = sourceDir_;
    if (dir.empty()) {
        const auto cut = FileName().find_last_of("/\\");
        dir = cut == std::string::npos ? std::string(".") : FileName().substr(0, cut);
    }
    const std::string target = dir + "/" + base;
    if (platform::fileKind(target) != platform::FileKind::Missing) return;
    std::string text;
    for (const auto& line : rec.lines) text += line + "\r\n";
    // The whole file appears at once or not at all; a file that appeared in
    // the meantime is kept.
    const std::string temp = target + ".ubrof-tmp";
    if (!platform::createNewFile(temp, text.data(), text.size())) return;
    if (platform::fileKind(target) != platform::FileKind::Missing) {
        std::remove(temp.c_str());
        return;
    }
    platform::replaceFile(temp, target);
}

TUbrofRecord::TUbrofRecord(TUbrofReader& r) {
    tag = r.ReadByte();
    switch (tag) {
    case ubrof::ModuleHeader0:
    case ubrof::ModuleHeader1:
        Byte1 = r.ReadByte();
        Byte2 = r.ReadByte();
        Byte3 = r.ReadByte();
        Text = r.ReadDotted();
        Name = r.ReadLString();
        break;
    case ubrof::CodeBytes:
        Text = r.ReadLString();
        Size = static_cast<std::uint32_t>(Text.size());
        break;
    case ubrof::ModuleEnd:
        Num1 = r.ReadWord();
        Val1 = r.ReadDWord();
        r.ReadWord();
        break;
    case ubrof::ProgramEnd:
        r.ReadWord();
        break;
    case ubrof::SourceFile: {
        Num1 = r.ReadWord();
        Name = r.ReadLString();
        r.CheckLeft(std::uint64_t{2} * Num1);
        const bool keep = r.WriteSources();
        for (std::uint32_t i = 0; i < Num1; ++i) {
            std::string line = r.ReadWString();
            if (keep) lines.push_back(std::move(line));
        }
        if (keep) r.writeSource(*this);
        lines.clear();
        break;
    }
    case ubrof::LineRecord:
        Num1 = r.ReadWord();
        Num2 = r.ReadWord();
        Num3 = r.ReadWord();
        Num4 = r.ReadWord();
        Byte1 = r.ReadByte();
        break;
    case ubrof::BlockBegin:
    case ubrof::BlockLive:
        Num1 = r.ReadWord();
        variables = readVariables(r, tag, Num1);
        break;
    case ubrof::BlockEnd:
    case ubrof::RecordFF:
        break;
    case ubrof::TypeRecord:
        readTypeRecord(r);
        break;
    case ubrof::Symbol:
    case ubrof::SymbolLive:
    case ubrof::SymbolValue:
        Byte1 = r.ReadByte();
        Word2 = r.ReadWord();
        (tag == ubrof::SymbolValue ? Val3 : Val1) = r.ReadDWord();
        Name = r.ReadLString();
        Word1 = r.ReadWord();
        if (tag != ubrof::Symbol) {
            Num1 = r.ReadWord();
            locations = readLocations(r, Num1);
        }
        Text = r.ReadLString();
        break;
    case ubrof::Version:
        Text = r.ReadDotted();
        break;
    case ubrof::Comment:
        Name = r.ReadLString();
        Text = r.ReadWString();
        break;
    case ubrof::TypeSize:
        Word1 = r.ReadByte();
        Size = r.ReadByte();
        break;
    case ubrof::Function:
    case ubrof::FunctionLive: {
        Name = r.ReadLString();
        Num1 = r.ReadWord();
        Num2 = r.ReadWord();
        Num3 = r.ReadWord();
        Num4 = r.ReadWord();
        const std::uint16_t count = r.ReadWord();
        variables = readVariables(r, tag, count);
        break;
    }
    case ubrof::CodePosition:
        Word2 = r.ReadByte();
        Val1 = r.ReadDWord();
        break;
    case ubrof::Byte52:
        Byte1 = r.ReadByte();
        break;
    case ubrof::Banking:
        Word2 = r.ReadWord();
        break;
    case ubrof::Word54:
        Word2 = r.ReadWord();
        Text = r.ReadLString();
        break;
    case ubrof::Record7A:
        Byte1 = r.ReadByte();
        Word1 = r.ReadWord();
        Byte2 = r.ReadByte();
        break;
    case ubrof::Record7B:
        Byte1 = r.ReadByte();
        break;
    case ubrof::TimeStamp:
        Text2 = r.ReadColon();
        Text = r.ReadDotted();
        break;
    case ubrof::IndexedSource:
        Index = r.ReadWord();
        Name = r.ReadWString();
        Text2 = r.ReadColon();
        Text = r.ReadDotted();
        break;
    case ubrof::SourceIndex:
        Index = r.ReadWord();
        break;
    case ubrof::TagSizes: {
        Text = r.ReadDotted();
        const std::uint8_t count = r.ReadByte();
        r.CheckLeft(count * TagSizeBytes);
        for (unsigned i = 0; i < count; ++i) {
            TUbrofTagSize t;
            t.tag = r.ReadByte();
            t.sizeCode = r.ReadByte();
            r.AddTagSize(t);
        }
        break;
    }
    case ubrof::ModuleNumber:
        Size = r.ReadDWord();
        Module = r.ReadWord();
        r.currentModule_ = Module;
        break;
    case ubrof::SegmentNumber:
        Module = r.ReadWord();
        r.currentSegment_ = Module;
        break;
    case ubrof::Segments: {
        Size = r.ReadDWord();
        const std::uint16_t count = r.ReadWord();
        r.CheckLeft(count * SegInfoBytes);
        for (unsigned i = 0; i < count; ++i) {
            TUbrofSegInfo s;
            s.kind = r.ReadByte();
            s.value = r.ReadDWord();
            s.name = r.ReadLString();
            const std::uint16_t parts = r.ReadWord();
            r.CheckLeft(parts * SegPartBytes);
            s.parts.reserve(parts);
            for (unsigned p = 0; p < parts; ++p) {
                TUbrofSegPart part;
                part.start = r.ReadDWord();
                part.size = r.ReadDWord();
                s.parts.push_back(part);
            }
            r.segInfos_.push_back(std::move(s));
        }
        break;
    }
    case ubrof::RecordC1:
        Byte1 = r.ReadByte();
        Byte2 = r.ReadByte();
        Byte3 = r.ReadByte();
        Byte4 = r.ReadByte();
        Byte5 = r.ReadByte();
        break;
    case ubrof::RecordC3:
        Size = r.ReadWord();
        Val2 = r.ReadDWord();
        Text = r.ReadLString();
        break;
    case ubrof::RecordC6:
        Size = r.ReadWord();
        Byte1 = r.ReadByte();
        Byte2 = r.ReadByte();
        Word1 = r.ReadByte();
        Val2 = r.ReadDWord();
        Name = r.ReadLString();
        break;
    case ubrof::RecordC9:
        Size = r.ReadDWord();
        Text = r.ReadDString();
        Text2 = r.ReadDString();
        break;
    case ubrof::Extension: {
        Size = r.ReadDWord();
        // The length covers the kind byte and what follows it.
        if (Size < 1) throw EReadError("Stream read error");
        r.CheckLeft(Size);
        kind = r.ReadByte();
        switch (kind) {
        case 1:
            Name = r.ReadDString();
            Val3 = r.ReadDWord();
            break;
        case 2:
            Val3 = r.ReadDWord();
            Word1 = r.ReadWord();
            break;
        case 3:
            Val3 = r.ReadDWord();
            Num2 = r.ReadDWord();
            break;
        default:
            r.Skip(Size - 1);
            break;
        }
        break;
    }
    case ubrof::RecordCF:
        Index = r.ReadWord();
        Num1 = r.ReadDWord();
        Num2 = r.ReadWord();
        Num3 = r.ReadDWord();
        Num4 = r.ReadWord();
        break;
    case ubrof::RecordD0:
        Val3 = r.ReadDWord();
        break;
    default: {
        const std::int32_t code = r.DeclaredSize(tag);
        if (code < 0) throw EUbrofRecord(Format("Unbekanntes Tag: %2x", static_cast<std::int32_t>(tag)));
        if (code == 253)
            Size = r.ReadByte();
        else if (code == 254)
            Size = r.ReadWord();
        else if (code == 255)
            Size = r.ReadDWord();
        else
            Size = static_cast<std::uint32_t>(code);
        r.Skip(Size);
        break;
    }
    }
}

void TUbrofRecord::readTypeRecord(TUbrofReader& r) {
    Serial = r.ReadWord();
    kind = r.ReadByte();
    switch (kind) {
    case 15:
    case 23: case 24: case 25: case 26: case 27: case 28: case 29: case 30: case 31: case 32: case 33: case 34:
    case 37: case 38: case 39: case 40:
    case 53:
        Word1 = r.ReadWord();
        break;
    case 16:
    case 41:
        Word1 = r.ReadWord();
        Size = r.ReadDWord();
        Num1 = kind == 16 ? r.ReadWord() : r.ReadDWord();
        break;
    case 17:
    case 18: {
        Name = r.ReadLString();
        Size = r.ReadDWord();
        Num1 = r.ReadWord();
        r.CheckLeft(std::uint64_t{Num1} * (kind == 17 ? 7u : 3u));
        elements.reserve(Num1);
        for (std::uint32_t i = 0; i < Num1; ++i) {
            TUbrofStructUnionElement e;
            if (kind == 17) e.offset = r.ReadDWord();
            e.name = r.ReadLString();
            e.typeNumber = r.ReadWord();
            elements.push_back(std::move(e));
        }
        break;
    }
    case 52: {
        Val3 = r.ReadDWord();
        Val2 = r.ReadDWord();
        Size = r.ReadDWord();
        Num1 = r.ReadDWord();
        r.CheckLeft(std::uint64_t{Num1} * 14u);
        elements.reserve(Num1);
        for (std::uint32_t i = 0; i < Num1; ++i) {
            TUbrofStructUnionElement e;
            e.value1 = r.ReadDWord();
            e.value2 = r.ReadDWord();
            e.typeNumber = r.ReadWord();
            e.offset = r.ReadDWord();
            elements.push_back(std::move(e));
        }
        break;
    }
    case 19:
        Byte1 = r.ReadByte();
        Byte2 = r.ReadByte();
        Word1 = r.ReadWord();
        break;
    case 20:
    case 35: {
        Word1 = r.ReadWord();
        Byte1 = r.ReadByte();
        if (kind == 35) Val2 = r.ReadDWord();
        Num1 = r.ReadByte();
        r.CheckLeft(std::uint64_t{2} * Num1);
        // The conversion names a function type by its parameters' types.
        parameters.reserve(Num1);
        for (std::uint32_t i = 0; i < Num1; ++i) parameters.push_back(r.ReadWord());
        break;
    }
    case 21:
        Val2 = r.ReadByte();
        Word1 = r.ReadWord();
        break;
    case 36:
        Val2 = r.ReadDWord();
        Word1 = r.ReadWord();
        break;
    case 42:
    case 43:
        Byte1 = r.ReadByte();
        Word1 = r.ReadWord();
        Val2 = r.ReadDWord();
        Text = r.ReadLString();
        break;
    case 44:
    case 51: {
        Word1 = r.ReadWord();
        if (kind == 44)
            Name = r.ReadLString();
        else
            Val3 = r.ReadDWord();
        Num1 = r.ReadDWord();
        r.CheckLeft(std::uint64_t{Num1} * (kind == 44 ? 5u : 8u));
        constants.reserve(Num1);
        for (std::uint32_t i = 0; i < Num1; ++i) {
            TUbrofEnumConst c;
            if (kind == 44) {
                c.name = r.ReadLString();
                c.value = r.ReadDWord();
            } else {
                c.value = r.ReadDWord();
                c.value2 = r.ReadDWord();
            }
            constants.push_back(std::move(c));
        }
        break;
    }
    case 49:
        Word1 = r.ReadWord();
        Val3 = r.ReadDWord();
        break;
    case 50:
        Word1 = r.ReadWord();
        Word2 = r.ReadWord();
        Word3 = r.ReadWord();
        break;
    default:
        break;
    }
}

}  // namespace tarvex
