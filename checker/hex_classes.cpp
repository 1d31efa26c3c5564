#include "checker/hex_classes.hpp"

#include <string_view>

#include "core/errors.hpp"
#include "core/format.hpp"
#include "platform/stream.hpp"

namespace tarvex {

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
    checksum = HexChecksum(type, address, data);
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
    for (std::string_view line : SplitHexLines(text)) lines_.emplace_back(TrimHexLine(line));
}

bool THexReader::Eof() { return endSeen_ || cursor_ >= static_cast<std::int32_t>(lines_.size()); }

void THexReader::FormatError() const {
    throw EHexFileError(Format("Format error in line: %d of file: %s", cursor_ + 1, fileName_));
}

THexRecord THexReader::ReadRecord() {
    if (cursor_ < 0 || cursor_ >= static_cast<std::int32_t>(lines_.size())) FormatError();
    const std::string_view line = lines_[static_cast<std::size_t>(cursor_)];
    // A blank line, a line without the colon or one too short for its fields
    // is no record; reading on would take characters that are not there.
    if (line.size() < HexLineLength(0) || line[0] != ':') FormatError();

    HexRecord fields;
    if (DecodeHexLine(line, fields, false) != HexLineStatus::Ok) FormatError();
    THexRecord record;
    record.length = fields.count;
    record.address = fields.address;
    record.type = fields.type;
    record.line = cursor_ + 1;
    // Types 06 and above are no Intel HEX: whatever wrote them, their bytes
    // would be neither checked nor placed.
    if (record.type > THexRecord::StartLinear)
        throw EHexFileError(
            Format("Unknown record type %.2x in line: %d of file: %s", record.type, cursor_ + 1, fileName_));
    // Characters after the checksum would be a second record run into this
    // line (a lost line end): refuse rather than drop it. The end record
    // carries no data.
    if (line.size() != HexLineLength(record.length) || (record.type == THexRecord::EndOfFile && record.length != 0))
        FormatError();
    if (DecodeHexLine(line, fields, true) != HexLineStatus::Ok) FormatError();
    // Every record is tested, the end record and empty ones included: a
    // damaged type or address moves or hides code as surely as a damaged
    // data byte changes it.
    if (fields.sum != 0)
        throw EHexFileError(Format("Checksum error in line: %d of file: %s", cursor_ + 1, fileName_));
    record.data.assign(fields.data.begin(), fields.data.begin() + record.length);
    record.checksum = HexChecksum(record.type, record.address, record.data);
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
    InsertLine(FormatHexLine(record.type, record.address, record.data));
}

void THexWriter::WriteEndRecord() { InsertLine(FormatHexLine(THexRecord::EndOfFile, 0, {})); }

}  // namespace tarvex
