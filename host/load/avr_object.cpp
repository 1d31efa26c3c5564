#include "host/load/avr_object.hpp"

#include "core/errors.hpp"
#include "core/format.hpp"
#include "platform/exception.hpp"

namespace tarvex {

namespace {
[[noreturn]] void formatError() { throw EReadError("Stream read error"); }
}  // namespace

TAvrObjReader::TAvrObjReader(std::unique_ptr<platform::Stream> stream) : TBasicReader(std::move(stream)) {
    SetLittleEndian(false);
}

void TAvrObjReader::ReadHeader() {
    SetPosition(0);
    nameTable_ = static_cast<std::int32_t>(ReadDWord());
    firstRecord_ = static_cast<std::int32_t>(ReadDWord());
    recordLength_ = ReadByte();
    if (recordLength_ != RecordSize)
        throw EAvrObjError(Format("Falsche AVR-Objekt-Record-Länge: %d", static_cast<std::int32_t>(recordLength_)));
    nameCount_ = ReadByte();
    const std::string id = ReadZString();
    if (id != Identification) throw EAvrObjError(Format("Falscher AOF String: %s", id));
    // The records lie between the header and the name table, which lies in
    // the file; a partial record at the end of the area is a broken file.
    const std::int64_t size = GetSize();
    const std::int64_t headerEnd = GetPosition();
    if (nameTable_ < 0 || nameTable_ > size || firstRecord_ < headerEnd || firstRecord_ > nameTable_ ||
        (nameTable_ - firstRecord_) % RecordSize != 0)
        formatError();
}

void TAvrObjReader::ReadFileNames() {
    names_.clear();
    SetPosition(nameTable_);
    for (std::uint16_t i = 0; i < nameCount_; ++i) {
        if (Eof()) formatError();
        std::string name = ReadZString();
        if (name.empty()) throw EAvrObjError(Format("Fehler: Dateiname %d ist leer!", i + 1));
        names_.push_back(std::move(name));
    }
    SetPosition(firstRecord_);
}

TAvrObjRecord TAvrObjReader::NextRecord() {
    const std::int64_t pos = GetPosition();
    if (pos < firstRecord_ || pos + RecordSize > nameTable_) SetPosition(firstRecord_);
    if (GetPosition() + RecordSize > nameTable_) formatError();
    TAvrObjRecord r;
    const std::uint32_t hi = ReadByte();
    r.address = hi << 16 | ReadWord();
    r.opcode = ReadWord();
    r.fileIndex = ReadByte();
    r.line = ReadWord();
    r.macro = ReadByte();
    return r;
}

bool TAvrObjReader::AtEnd() { return GetPosition() >= nameTable_; }

std::string TAvrObjReader::FileName(std::int32_t index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= names_.size()) return {};
    return names_[static_cast<std::size_t>(index)];
}

TAvrDef ParseAvrDefLine(std::string_view line) {
    if (const auto semi = line.find(';'); semi != std::string_view::npos) line = line.substr(0, semi);
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r' || line[i] == '\n')) ++i;
        const std::size_t from = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' && line[i] != '\n') ++i;
        if (i > from) words.push_back(line.substr(from, i - from));
    }
    if (words.size() < 2) return {};
    std::string first(words[0]);
    for (auto& c : first) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    if (first != ".def") return {};
    TAvrDef def;
    std::size_t next = 2;
    if (const auto eq = words[1].find('='); eq != std::string_view::npos) {
        def.name = std::string(words[1].substr(0, eq));
        def.value = std::string(words[1].substr(eq + 1));
        // "name= r16": the value stands apart.
        if (def.value.empty() && next < words.size()) def.value = std::string(words[next]);
    } else {
        def.name = std::string(words[1]);
        if (next < words.size() && words[next].size() >= 2 && words[next][0] == '=')
            def.value = std::string(words[next].substr(1));
        else if (next < words.size() && words[next] == "=" && next + 1 < words.size())
            def.value = std::string(words[next + 1]);
    }
    if (def.name.empty() || def.value.empty()) return {};
    return def;
}

}  // namespace tarvex
