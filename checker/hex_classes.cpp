#include "checker/hex_classes.hpp"

#include <string_view>

#include "core/conversions.hpp"
#include "core/errors.hpp"
#include "core/format.hpp"
#include "platform/stream.hpp"

namespace tarvex {

namespace {

int digitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Every line holds at least the colon, length, address, type and checksum.
constexpr std::size_t kMinLine = 11;

}  // namespace

THexRecord THexRecord::CreateData(std::uint8_t length, std::uint16_t address, std::string data) {
    THexRecord record;
    record.address = address;
    record.type = Data;
    record.length = length;
    record.SetData(std::move(data));
    // The data decide the length: a line whose count disagrees with its
    // bytes would be unreadable.
    (void)length;
    return record;
}

void THexRecord::SetData(std::string bytes) {
    data = std::move(bytes);
    length = static_cast<std::uint8_t>(data.size());
    UpdateChecksum();
}

void THexRecord::UpdateChecksum() {
    // The type belongs to the sum like every other byte of the line; leaving
    // it out would give records of other types a wrong checksum.
    std::uint32_t sum = length + (address >> 8) + (address & 0xFF) + type;
    for (char c : data) sum += static_cast<std::uint8_t>(c);
    checksum = static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
}

bool THexRecord::ContainsAddress(std::uint32_t a) const {
    return a >= address && a < static_cast<std::uint32_t>(address) + length;
}

bool THexRecord::HasByteAt(std::uint8_t value, std::uint32_t a) const {
    if (!ContainsAddress(a)) return false;
    const std::uint32_t index = a - address;
    return index < data.size() && static_cast<std::uint8_t>(data[index]) == value;
}

void THexReader::SetFileName(const std::string& name) {
    if (name == fileName_) return;
    endSeen_ = false;
    cursor_ = 0;
    lines_.clear();
    if (!name.empty()) {
        const auto bytes = platform::readWholeFile(name);
        SetText(std::string(bytes.begin(), bytes.end()));
    }
    fileName_ = name;
}

void THexReader::SetText(const std::string& text) {
    lines_.clear();
    cursor_ = 0;
    endSeen_ = false;
    // Lines end with LF, CR LF or a lone CR; trailing blanks are dropped.
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        std::size_t last = end;
        while (last > start && (text[last - 1] == ' ' || text[last - 1] == '\t')) --last;
        lines_.emplace_back(text, start, last - start);
        start = end + 1;
        if (end < text.size() && text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
    }
}

bool THexReader::Eof() { return endSeen_ || cursor_ >= static_cast<std::int32_t>(lines_.size()); }

void THexReader::FormatError() const {
    throw EHexFileError(Format("Format error in line: %d of file: %s", cursor_ + 1, fileName_));
}

std::uint32_t THexReader::HexValue(std::string_view digits) const {
    if (digits.empty()) FormatError();
    std::uint32_t value = 0;
    for (char c : digits) {
        const int d = digitValue(c);
        if (d < 0) FormatError();
        value = value * 16 + static_cast<std::uint32_t>(d);
    }
    return value;
}

THexRecord THexReader::ReadRecord() {
    if (cursor_ < 0 || cursor_ >= static_cast<std::int32_t>(lines_.size())) FormatError();
    const std::string_view line = lines_[static_cast<std::size_t>(cursor_)];
    // A blank line, a line without the colon or one too short for its fields
    // is no record; reading on would take characters that are not there.
    if (line.size() < kMinLine || line[0] != ':') FormatError();

    THexRecord record;
    record.length = static_cast<std::uint8_t>(HexValue(line.substr(1, 2)));
    record.address = static_cast<std::uint16_t>(HexValue(line.substr(3, 4)));
    record.type = static_cast<std::uint8_t>(HexValue(line.substr(7, 2)));
    record.line = cursor_ + 1;
    // Types 06 and above are no Intel HEX: whatever wrote them, their bytes
    // would be neither checked nor placed.
    if (record.type > THexRecord::StartLinear)
        throw EHexFileError(
            Format("Unknown record type %.2x in line: %d of file: %s", record.type, cursor_ + 1, fileName_));
    const std::size_t need = kMinLine + 2u * record.length;
    // Characters after the checksum would be a second record run into this
    // line (a lost line end): refuse rather than drop it. The end record
    // carries no data.
    if (line.size() != need || (record.type == THexRecord::EndOfFile && record.length != 0)) FormatError();
    std::uint32_t sum = record.length + (record.address >> 8) + (record.address & 0xFF) + record.type;
    record.data.reserve(record.length);
    for (std::size_t i = 0; i < record.length; ++i) {
        const auto byte = static_cast<std::uint8_t>(HexValue(line.substr(9 + 2 * i, 2)));
        record.data += static_cast<char>(byte);
        sum += byte;
    }
    record.checksum = static_cast<std::uint8_t>(HexValue(line.substr(9 + 2u * record.length, 2)));
    sum += record.checksum;
    // Every record is tested, the end record and empty ones included: a
    // damaged type or address moves or hides code as surely as a damaged
    // data byte changes it.
    if ((sum & 0xFF) != 0)
        throw EHexFileError(Format("Checksum error in line: %d of file: %s", cursor_ + 1, fileName_));
    if (record.type == THexRecord::Data && static_cast<std::uint32_t>(record.address) + record.length > 0x10000)
        throw EHexFileError(Format("Record beyond 0xFFFF in line: %d of file: %s", cursor_ + 1, fileName_));
    // Only the end record ends the file; an empty data record is just empty.
    if (record.type == THexRecord::EndOfFile) endSeen_ = true;
    ++cursor_;
    return record;
}

void THexReader::SetPosition(std::int32_t n) {
    if (n < 0 || n > static_cast<std::int32_t>(lines_.size()))
        throw EHexFileError(Format("Position %d out of range", n));
    cursor_ = n;
    endSeen_ = false;
}

void THexReader::Clear() {
    lines_.clear();
    cursor_ = 0;
}

void THexReader::SaveToFile(const std::string& name) const {
    std::string text;
    for (const auto& line : lines_) {
        text += line;
        text += "\r\n";
    }
    platform::writeFileAtomically(name, text.data(), text.size());
}

void THexReader::InsertLine(std::string line) {
    if (cursor_ < 0 || cursor_ > static_cast<std::int32_t>(lines_.size()))
        cursor_ = static_cast<std::int32_t>(lines_.size());
    lines_.insert(lines_.begin() + cursor_, std::move(line));
    ++cursor_;
}

void THexWriter::WriteRecord(const THexRecord& record) {
    std::string line = ":";
    AppendHex(line, record.length, 2);
    AppendHex(line, record.address, 4);
    AppendHex(line, record.type, 2);
    for (char c : record.data) AppendHex(line, static_cast<std::uint8_t>(c), 2);
    AppendHex(line, record.checksum, 2);
    InsertLine(std::move(line));
}

void THexWriter::WriteEndRecord() { InsertLine(":00000001FF"); }

}  // namespace tarvex
