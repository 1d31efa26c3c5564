#include "host/load/ubrof_reader.hpp"

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

namespace {

TUbrofBody readBody(TUbrofReader& r, std::uint8_t tag) {
    switch (tag) {
#define UBROF_RECORD(code, name, type) \
    case code: return type::read(r, tag);
#include "host/load/ubrof_tags.def"
#undef UBROF_RECORD
    default: return TUbrofSkipped::read(r, tag);
    }
}

}  // namespace

std::unique_ptr<TUbrofRecord> TUbrofReader::NextRecord() {
    auto rec = std::make_unique<TUbrofRecord>();
    rec->tag = ReadByte();
    rec->body = readBody(*this, rec->tag);
    if (rec->tag == ubrof::ProgramEnd) currentModule_ = -1;
    return rec;
}

std::optional<std::uint16_t> TUbrofReader::CurrentModuleNumber() const {
    if (currentModule_ < 0) return std::nullopt;
    return static_cast<std::uint16_t>(currentModule_);
}

std::uint32_t TUbrofReader::NextSerial() {
    serial_ = serial_ == 0xFFFFFFFFu ? 1 : serial_ + 1;
    return serial_;
}

std::string UbrofSourceBaseName(const std::string& name) {
    const auto cut = name.find_last_of("/\\");
    std::string base = cut == std::string::npos ? name : name.substr(cut + 1);
    // A drive prefix ("C:x.c") would still name another folder on Windows.
    if (const auto colon = base.find_last_of(':'); colon != std::string::npos) base = base.substr(colon + 1);
    if (base.empty() || base == "." || base == "..") return {};
    return base;
}

void TUbrofReader::WriteSource(const std::string& name, const std::vector<std::string>& lines) {
    const std::string base = UbrofSourceBaseName(name);
    if (base.empty()) return;
    std::string dir = sourceDir_;
    if (dir.empty()) {
        const auto cut = FileName().find_last_of("/\\");
        dir = cut == std::string::npos ? std::string(".") : FileName().substr(0, cut);
    }
    const std::string target = dir + "/" + base;
    if (platform::fileKind(target) != platform::FileKind::Missing) return;
    std::string text;
    for (const auto& line : lines) text += line + "\r\n";
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

// ---------------------------------------------------------------- records

TUbrofModuleHeader TUbrofModuleHeader::read(TUbrofReader& r, std::uint8_t) {
    TUbrofModuleHeader h;
    for (auto& b : h.unknown) b = r.ReadByte();
    h.version = r.ReadDotted();
    h.name = r.ReadLString();
    return h;
}

TUbrofCode TUbrofCode::read(TUbrofReader& r, std::uint8_t) { return {r.ReadLString()}; }

TUbrofModuleEnd TUbrofModuleEnd::read(TUbrofReader& r, std::uint8_t) {
    TUbrofModuleEnd e;
    e.unknown1 = r.ReadWord();
    e.unknown2 = r.ReadDWord();
    r.ReadWord();
    return e;
}

TUbrofProgramEnd TUbrofProgramEnd::read(TUbrofReader& r, std::uint8_t) {
    r.ReadWord();
    return {};
}

TUbrofSourceFile TUbrofSourceFile::read(TUbrofReader& r, std::uint8_t) {
    TUbrofSourceFile f;
    f.lineCount = r.ReadWord();
    f.name = r.ReadLString();
    r.CheckLeft(std::uint64_t{2} * f.lineCount);
    const bool keep = r.WriteSources();
    std::vector<std::string> lines;
    for (std::uint32_t i = 0; i < f.lineCount; ++i) {
        std::string line = r.ReadWString();
        if (keep) lines.push_back(std::move(line));
    }
    if (keep) r.WriteSource(f.name, lines);
    return f;
}

TUbrofLine TUbrofLine::read(TUbrofReader& r, std::uint8_t) {
    TUbrofLine l;
    l.line = r.ReadWord();
    for (auto& w : l.unknownWords) w = r.ReadWord();
    l.unknownByte = r.ReadByte();
    return l;
}

TUbrofBlock TUbrofBlock::read(TUbrofReader& r, std::uint8_t tag) {
    const std::uint16_t count = r.ReadWord();
    return {readVariables(r, tag, count)};
}

TUbrofBlockEnd TUbrofBlockEnd::read(TUbrofReader&, std::uint8_t) { return {}; }

TUbrofEmpty TUbrofEmpty::read(TUbrofReader&, std::uint8_t) { return {}; }

TUbrofSymbol TUbrofSymbol::read(TUbrofReader& r, std::uint8_t tag) {
    TUbrofSymbol s;
    TUbrofVariable& v = s.variable;
    v.kind = r.ReadByte();
    v.segmentType = r.ReadWord();
    v.value = r.ReadDWord();
    v.name = r.ReadLString();
    v.typeNumber = r.ReadWord();
    if (tag != ubrof::Symbol) v.locations = readLocations(r, r.ReadWord());
    s.text = r.ReadLString();
    s.module = r.CurrentModuleNumber();
    return s;
}

TUbrofVersion TUbrofVersion::read(TUbrofReader& r, std::uint8_t) { return {r.ReadDotted()}; }

TUbrofComment TUbrofComment::read(TUbrofReader& r, std::uint8_t) {
    TUbrofComment c;
    c.name = r.ReadLString();
    c.text = r.ReadWString();
    c.module = r.CurrentModuleNumber();
    return c;
}

TUbrofTypeSize TUbrofTypeSize::read(TUbrofReader& r, std::uint8_t) {
    TUbrofTypeSize t;
    t.kind = r.ReadByte();
    t.size = r.ReadByte();
    r.AddTypeSize(t);
    return t;
}

TUbrofFunction TUbrofFunction::read(TUbrofReader& r, std::uint8_t tag) {
    TUbrofFunction f;
    f.name = r.ReadLString();
    for (auto& w : f.unknownWords) w = r.ReadWord();
    const std::uint16_t count = r.ReadWord();
    f.variables = readVariables(r, tag, count);
    return f;
}

TUbrofCodePosition TUbrofCodePosition::read(TUbrofReader& r, std::uint8_t) {
    TUbrofCodePosition p;
    p.segmentType = r.ReadByte();
    p.value = r.ReadDWord();
    return p;
}

TUbrofByte TUbrofByte::read(TUbrofReader& r, std::uint8_t) { return {r.ReadByte()}; }

TUbrofBanking TUbrofBanking::read(TUbrofReader& r, std::uint8_t) { return {r.ReadWord()}; }

TUbrofWord54 TUbrofWord54::read(TUbrofReader& r, std::uint8_t) {
    TUbrofWord54 w;
    w.unknown = r.ReadWord();
    w.text = r.ReadLString();
    return w;
}

TUbrofRecord7A TUbrofRecord7A::read(TUbrofReader& r, std::uint8_t) {
    TUbrofRecord7A x;
    x.unknown1 = r.ReadByte();
    x.unknown2 = r.ReadWord();
    x.unknown3 = r.ReadByte();
    return x;
}

TUbrofTimeStamp TUbrofTimeStamp::read(TUbrofReader& r, std::uint8_t) {
    TUbrofTimeStamp t;
    t.time = r.ReadColon();
    t.date = r.ReadDotted();
    return t;
}

TUbrofIndexedSource TUbrofIndexedSource::read(TUbrofReader& r, std::uint8_t) {
    TUbrofIndexedSource s;
    s.index = r.ReadWord();
    s.name = r.ReadWString();
    s.time = r.ReadColon();
    s.date = r.ReadDotted();
    return s;
}

TUbrofSourceIndex TUbrofSourceIndex::read(TUbrofReader& r, std::uint8_t) { return {r.ReadWord()}; }

TUbrofTagSizes TUbrofTagSizes::read(TUbrofReader& r, std::uint8_t) {
    TUbrofTagSizes t;
    t.version = r.ReadDotted();
    const std::uint8_t count = r.ReadByte();
    r.CheckLeft(count * TagSizeBytes);
    for (unsigned i = 0; i < count; ++i) {
        TUbrofTagSize size;
        size.tag = r.ReadByte();
        size.sizeCode = r.ReadByte();
        r.AddTagSize(size);
    }
    return t;
}

TUbrofModuleNumber TUbrofModuleNumber::read(TUbrofReader& r, std::uint8_t) {
    TUbrofModuleNumber m;
    m.size = r.ReadDWord();
    m.module = r.ReadWord();
    r.SetCurrentModule(m.module);
    return m;
}

TUbrofSegmentNumber TUbrofSegmentNumber::read(TUbrofReader& r, std::uint8_t) {
    TUbrofSegmentNumber s;
    s.segment = r.ReadWord();
    r.SetCurrentSegment(s.segment);
    return s;
}

TUbrofSegments TUbrofSegments::read(TUbrofReader& r, std::uint8_t) {
    TUbrofSegments segments;
    segments.size = r.ReadDWord();
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
        r.AddSegment(std::move(s));
    }
    return segments;
}

TUbrofRecordC1 TUbrofRecordC1::read(TUbrofReader& r, std::uint8_t) {
    TUbrofRecordC1 x;
    for (auto& b : x.unknown) b = r.ReadByte();
    return x;
}

TUbrofRecordC3 TUbrofRecordC3::read(TUbrofReader& r, std::uint8_t) {
    TUbrofRecordC3 x;
    x.size = r.ReadWord();
    x.unknown = r.ReadDWord();
    x.text = r.ReadLString();
    return x;
}

TUbrofRecordC6 TUbrofRecordC6::read(TUbrofReader& r, std::uint8_t) {
    TUbrofRecordC6 x;
    x.size = r.ReadWord();
    for (auto& b : x.unknownBytes) b = r.ReadByte();
    x.unknown = r.ReadDWord();
    x.name = r.ReadLString();
    return x;
}

TUbrofRecordC9 TUbrofRecordC9::read(TUbrofReader& r, std::uint8_t) {
    TUbrofRecordC9 x;
    x.size = r.ReadDWord();
    x.text1 = r.ReadDString();
    x.text2 = r.ReadDString();
    return x;
}

TUbrofExtension TUbrofExtension::read(TUbrofReader& r, std::uint8_t) {
    TUbrofExtension e;
    e.size = r.ReadDWord();
    // The length covers the kind byte and what follows it.
    if (e.size < 1) throw EReadError("Stream read error");
    r.CheckLeft(e.size);
    e.kind = r.ReadByte();
    switch (e.kind) {
    case 1:
        e.name = r.ReadDString();
        e.value = r.ReadDWord();
        break;
    case 2:
        e.value = r.ReadDWord();
        e.unknownWord = r.ReadWord();
        break;
    case 3:
        e.value = r.ReadDWord();
        e.unknown = r.ReadDWord();
        break;
    default:
        r.Skip(e.size - 1);
        break;
    }
    e.serial = r.NextSerial();
    return e;
}

TUbrofRecordCF TUbrofRecordCF::read(TUbrofReader& r, std::uint8_t) {
    TUbrofRecordCF x;
    x.index = r.ReadWord();
    x.unknown1 = r.ReadDWord();
    x.unknown2 = r.ReadWord();
    x.unknown3 = r.ReadDWord();
    x.unknown4 = r.ReadWord();
    return x;
}

TUbrofRecordD0 TUbrofRecordD0::read(TUbrofReader& r, std::uint8_t) { return {r.ReadDWord()}; }

TUbrofSkipped TUbrofSkipped::read(TUbrofReader& r, std::uint8_t tag) {
    const std::int32_t code = r.DeclaredSize(tag);
    if (code < 0) throw EUbrofRecord(Format("Unbekanntes Tag: %2x", static_cast<std::int32_t>(tag)));
    TUbrofSkipped s;
    if (code == 253)
        s.size = r.ReadByte();
    else if (code == 254)
        s.size = r.ReadWord();
    else if (code == 255)
        s.size = r.ReadDWord();
    else
        s.size = static_cast<std::uint32_t>(code);
    r.Skip(s.size);
    return s;
}

// ---------------------------------------------------------------- type records

namespace {

// 15, 23..34, 37..40, 53: the base type alone.
void readBaseOnly(TUbrofReader& r, TUbrofType& t) { t.baseType = r.ReadWord(); }

void readArray(TUbrofReader& r, TUbrofType& t) {
    t.baseType = r.ReadWord();
    t.size = r.ReadDWord();
    t.count = t.kind == 16 ? r.ReadWord() : r.ReadDWord();
}

void readStructOrUnion(TUbrofReader& r, TUbrofType& t) {
    t.name = r.ReadLString();
    t.size = r.ReadDWord();
    t.count = r.ReadWord();
    const bool structure = t.kind == 17;
    r.CheckLeft(std::uint64_t{t.count} * (structure ? 7u : 3u));
    t.elements.reserve(t.count);
    for (std::uint32_t i = 0; i < t.count; ++i) {
        TUbrofStructUnionElement e;
        if (structure) e.offset = r.ReadDWord();
        e.name = r.ReadLString();
        e.typeNumber = r.ReadWord();
        t.elements.push_back(std::move(e));
    }
}

void readKind52(TUbrofReader& r, TUbrofType& t) {
    t.unknown = r.ReadDWord();
    t.unknown2 = r.ReadDWord();
    t.size = r.ReadDWord();
    t.count = r.ReadDWord();
    r.CheckLeft(std::uint64_t{t.count} * 14u);
    t.elements.reserve(t.count);
    for (std::uint32_t i = 0; i < t.count; ++i) {
        TUbrofStructUnionElement e;
        e.value1 = r.ReadDWord();
        e.value2 = r.ReadDWord();
        e.typeNumber = r.ReadWord();
        e.offset = r.ReadDWord();
        t.elements.push_back(std::move(e));
    }
}

void readKind19(TUbrofReader& r, TUbrofType& t) {
    t.first = r.ReadByte();
    t.second = r.ReadByte();
    t.baseType = r.ReadWord();
}

void readFunctionType(TUbrofReader& r, TUbrofType& t) {
    t.baseType = r.ReadWord();
    t.first = r.ReadByte();
    if (t.kind == 35) t.value = r.ReadDWord();
    t.count = r.ReadByte();
    r.CheckLeft(std::uint64_t{2} * t.count);
    // The conversion names a function type by its parameters' types.
    t.parameters.reserve(t.count);
    for (std::uint32_t i = 0; i < t.count; ++i) t.parameters.push_back(r.ReadWord());
}

void readValued(TUbrofReader& r, TUbrofType& t) {
    t.value = t.kind == 21 ? r.ReadByte() : r.ReadDWord();
    t.baseType = r.ReadWord();
}

void readKind42(TUbrofReader& r, TUbrofType& t) {
    t.first = r.ReadByte();
    t.baseType = r.ReadWord();
    t.unknown2 = r.ReadDWord();
    t.text = r.ReadLString();
}

void readEnumeration(TUbrofReader& r, TUbrofType& t) {
    const bool named = t.kind == 44;
    t.baseType = r.ReadWord();
    if (named)
        t.name = r.ReadLString();
    else
        t.unknown = r.ReadDWord();
    t.count = r.ReadDWord();
    r.CheckLeft(std::uint64_t{t.count} * (named ? 5u : 8u));
    t.constants.reserve(t.count);
    for (std::uint32_t i = 0; i < t.count; ++i) {
        TUbrofEnumConst c;
        if (named) {
            c.name = r.ReadLString();
            c.value = r.ReadDWord();
        } else {
            c.value = r.ReadDWord();
            c.value2 = r.ReadDWord();
        }
        t.constants.push_back(std::move(c));
    }
}

void readKind49(TUbrofReader& r, TUbrofType& t) {
    t.baseType = r.ReadWord();
    t.unknown = r.ReadDWord();
}

void readKind50(TUbrofReader& r, TUbrofType& t) {
    t.baseType = r.ReadWord();
    for (auto& w : t.unknownWords) w = r.ReadWord();
}

}  // namespace

TUbrofType TUbrofType::read(TUbrofReader& r, std::uint8_t) {
    TUbrofType t;
    t.typeNumber = r.ReadWord();
    t.kind = r.ReadByte();
    switch (t.kind) {
    case 15:
    case 23: case 24: case 25: case 26: case 27: case 28: case 29: case 30: case 31: case 32: case 33: case 34:
    case 37: case 38: case 39: case 40:
    case 53: readBaseOnly(r, t); break;
    case 16: case 41: readArray(r, t); break;
    case 17: case 18: readStructOrUnion(r, t); break;
    case 52: readKind52(r, t); break;
    case 19: readKind19(r, t); break;
    case 20: case 35: readFunctionType(r, t); break;
    case 21: case 36: readValued(r, t); break;
    case 42: case 43: readKind42(r, t); break;
    case 44: case 51: readEnumeration(r, t); break;
    case 49: readKind49(r, t); break;
    case 50: readKind50(r, t); break;
    default: break;
    }
    return t;
}

}  // namespace tarvex
