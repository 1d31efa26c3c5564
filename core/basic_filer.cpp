#include "core/basic_filer.hpp"

#include <algorithm>
#include <cstring>

#include "platform/exception.hpp"

namespace tarvex {

namespace {
[[noreturn]] void readError() { throw EReadError("Stream read error"); }
}  // namespace

TBasicFiler::TBasicFiler(std::unique_ptr<platform::Stream> stream) : stream_(std::move(stream)) {
    SetBufferSize(DefaultBufferSize);
}

TBasicFiler::~TBasicFiler() = default;

TBasicReader::TBasicReader(std::unique_ptr<platform::Stream> stream) : TBasicFiler(std::move(stream)) {
    SetOpenMode(ModeReadDenyWrite);
}

platform::Stream& TBasicFiler::requireStream() {
    if (!stream_) readError();
    return *stream_;
}

void TBasicFiler::SetFileName(const std::string& name) {
    if (name == fileName_) return;
    stream_.reset();
    // Until the new file is open the filer has none; a failed open must not
    // leave the old name behind, or setting it again would be taken as a
    // no-op on a filer without a stream.
    fileName_.clear();
    ResetBuffer();
    if (!name.empty()) {
        const auto mode = (openMode_ & 0x3) == 0 ? platform::OpenMode::ReadOnly : platform::OpenMode::ReadWrite;
        stream_ = platform::openFileStream(name, mode);
    }
    fileName_ = name;
}

bool TBasicFiler::Eof() {
    // Bytes still in the buffer lie before the stream's position, which the
    // stream reached by reading them: not at the end.
    if (index_ < count_) return false;
    if (!stream_) return true;
    return GetPosition() >= GetSize();
}

void TBasicFiler::ResetBuffer() {
    count_ = 0;
    index_ = 0;
}

std::int64_t TBasicFiler::GetPosition() {
    if (index_ >= count_) ResetBuffer();
    const std::int64_t streamPos = stream_ ? stream_->position() : 0;
    return streamPos - count_ + index_;
}

std::int64_t TBasicFiler::GetSize() const { return stream_ ? stream_->size() : 0; }

void TBasicFiler::SetPosition(std::int64_t position) {
    if (position < 0) readError();
    ResetBuffer();
    requireStream().seek(position);
}

void TBasicFiler::SetBufferSize(std::int32_t size) {
    if (size <= 0) return;
    if (index_ >= count_) ResetBuffer();
    if (size < count_) {
        // Shrinking below the bytes held would leave count pointing past the
        // buffer: give the unread bytes back to the stream instead.
        if (stream_) stream_->seek(stream_->position() - count_ + index_);
        ResetBuffer();
    }
    if (size > index_) {
        capacity_ = size;
        buffer_.resize(static_cast<std::size_t>(size));
    }
}

void TBasicFiler::refill() {
    auto& s = requireStream();
    const std::int64_t left = s.size() - s.position();
    const std::int64_t amount = std::min<std::int64_t>(capacity_, std::max<std::int64_t>(left, 0));
    ResetBuffer();
    if (amount <= 0) {
        // Nothing left: ask for one byte anyway so that the stream reports
        // the read past the end.
        std::uint8_t probe = 0;
        if (s.read(&probe, 1) == 0) readError();
        buffer_[0] = probe;
        count_ = 1;
        return;
    }
    const std::size_t got = s.read(buffer_.data(), static_cast<std::size_t>(amount));
    if (got == 0) readError();
    count_ = static_cast<std::int32_t>(got);
}

std::uint8_t TBasicFiler::readByteRefilling() {
    refill();
    return buffer_[static_cast<std::size_t>(index_++)];
}

void TBasicFiler::readExact(std::uint8_t* out, std::size_t n) {
    while (n > 0) {
        if (index_ >= count_) refill();
        const std::size_t chunk = std::min<std::size_t>(n, static_cast<std::size_t>(count_ - index_));
        std::memcpy(out, buffer_.data() + index_, chunk);
        index_ += static_cast<std::int32_t>(chunk);
        out += chunk;
        n -= chunk;
    }
}

void TBasicFiler::ReadBuffer(void* buffer, std::size_t n) { readExact(static_cast<std::uint8_t*>(buffer), n); }

std::uint16_t TBasicFiler::ReadWord() {
    const std::uint16_t first = ReadByte();
    const std::uint16_t second = ReadByte();
    return littleEndian_ ? static_cast<std::uint16_t>(first | (second << 8))
                         : static_cast<std::uint16_t>((first << 8) | second);
}

std::uint32_t TBasicFiler::ReadDWord() {
    const std::uint32_t first = ReadWord();
    const std::uint32_t second = ReadWord();
    return littleEndian_ ? first | (second << 16) : (first << 16) | second;
}

std::string TBasicFiler::ReadZString() {
    std::string s;
    for (std::uint8_t b = ReadByte(); b != 0; b = ReadByte()) s += static_cast<char>(b);
    return s;
}

std::string TBasicFiler::readCounted(std::uint64_t length) {
    if (length == 0) return {};
    // A corrupt length must not make us reserve memory the file cannot fill.
    const std::int64_t remaining = GetSize() - GetPosition();
    if (remaining < 0 || length > static_cast<std::uint64_t>(remaining)) readError();
    std::string s(static_cast<std::size_t>(length), '\0');
    readExact(reinterpret_cast<std::uint8_t*>(s.data()), s.size());
    return s;
}

std::string TBasicFiler::ReadLString() { return readCounted(ReadByte()); }

std::string TBasicFiler::ReadWString() { return readCounted(ReadWord()); }

std::string TBasicFiler::ReadDString() {
    const auto length = static_cast<std::int32_t>(ReadDWord());
    return length > 0 ? readCounted(static_cast<std::uint64_t>(length)) : std::string();
}

void TBasicFiler::WriteByte(std::uint8_t value) {
    if (index_ >= capacity_) {
        // Emptying a full buffer would silently lose what was written.
        const std::int32_t grown = capacity_ > 0x3FFFFFFF ? 0x7FFFFFFF : capacity_ * 2;
        if (grown <= capacity_) throw EWriteError("Stream write error");
        capacity_ = grown;
        buffer_.resize(static_cast<std::size_t>(capacity_));
    }
    buffer_[static_cast<std::size_t>(index_++)] = value;
    // Reads that follow must never hand out bytes beyond what the buffer holds.
    count_ = std::max(count_, index_);
}

void TBasicFiler::WriteWord(std::uint16_t value) {
    const auto low = static_cast<std::uint8_t>(value & 0xFF);
    const auto high = static_cast<std::uint8_t>(value >> 8);
    WriteByte(littleEndian_ ? low : high);
    WriteByte(littleEndian_ ? high : low);
}

void TBasicFiler::WriteLString(std::string_view text) {
    if (text.size() > 255) throw EWriteError("String too long for a length byte: " + std::to_string(text.size()));
    WriteByte(static_cast<std::uint8_t>(text.size()));
    for (char c : text) WriteByte(static_cast<std::uint8_t>(c));
}

std::span<const std::uint8_t> TBasicFiler::WrittenBytes() const {
    return {buffer_.data(), static_cast<std::size_t>(index_)};
}

}  // namespace tarvex
