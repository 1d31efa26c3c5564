#pragma once
// Byte streams under the file readers: a file on disk or bytes in memory.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarvex::platform {

class Stream {
public:
    virtual ~Stream() = default;
    // Reads up to n bytes, returns how many arrived (0 only at the end).
    virtual std::size_t read(void* buffer, std::size_t n) = 0;
    virtual void write(const void* buffer, std::size_t n) = 0;
    virtual std::int64_t position() const = 0;
    virtual void seek(std::int64_t position) = 0;
    virtual std::int64_t size() const = 0;
};

enum class OpenMode { ReadOnly, ReadWrite, CreateTruncate };

// A file on disk. Opening failure raises EFOpenError "Cannot open file <name>",
// as does a name that is no file (a folder, a pipe, a device).
std::unique_ptr<Stream> openFileStream(const std::string& path, OpenMode mode);

// Bytes in memory; tests and fuzzers feed readers through it.
class MemoryStream final : public Stream {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    MemoryStream(const void* data, std::size_t n)
        : bytes_(static_cast<const std::uint8_t*>(data), static_cast<const std::uint8_t*>(data) + n) {}

    std::size_t read(void* buffer, std::size_t n) override;
    void write(const void* buffer, std::size_t n) override;
    std::int64_t position() const override { return pos_; }
    void seek(std::int64_t position) override { pos_ = position < 0 ? 0 : position; }
    std::int64_t size() const override { return static_cast<std::int64_t>(bytes_.size()); }

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    std::size_t readCalls() const { return readCalls_; }

private:
    std::vector<std::uint8_t> bytes_;
    std::int64_t pos_ = 0;
    std::size_t readCalls_ = 0;
};

// Reads a whole file; raises EFOpenError when it cannot be opened.
std::vector<std::uint8_t> readWholeFile(const std::string& path);

// Writes a file so that it is either complete or untouched: the bytes go to
// a new temporary file of a unique name beside the target, made exclusively
// (never through a planted name or link), which then takes the target's
// permissions and is renamed over it. A symbolic link is followed and the
// file it names replaced, so the link stays. A read-only target is refused
// with EWriteError.
void writeFileAtomically(const std::string& path, const void* data, std::size_t n);

}  // namespace tarvex::platform
