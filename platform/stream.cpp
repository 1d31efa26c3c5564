#include "platform/stream.hpp"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/exception.hpp"

namespace tarvex::platform {

std::size_t MemoryStream::read(void* buffer, std::size_t n) {
    ++readCalls_;
    const auto total = static_cast<std::int64_t>(bytes_.size());
    if (pos_ >= total || n == 0) return 0;
    const auto avail = static_cast<std::size_t>(total - pos_);
    const std::size_t got = n < avail ? n : avail;
    std::memcpy(buffer, bytes_.data() + pos_, got);
    pos_ += static_cast<std::int64_t>(got);
    return got;
}

void MemoryStream::write(const void* buffer, std::size_t n) {
    if (n == 0) return;
    const auto end = static_cast<std::size_t>(pos_) + n;
    if (end > bytes_.size()) bytes_.resize(end);
    std::memcpy(bytes_.data() + pos_, buffer, n);
    pos_ = static_cast<std::int64_t>(end);
}

namespace {

class FileStream final : public Stream {
public:
    FileStream(const std::string& path, OpenMode mode) {
        const char* m = mode == OpenMode::ReadOnly ? "rb" : mode == OpenMode::ReadWrite ? "r+b" : "w+b";
        file_ = std::fopen(path.c_str(), m);
        if (!file_ && mode == OpenMode::ReadWrite) file_ = std::fopen(path.c_str(), "rb");
        std::error_code ec;
        if (file_ && std::filesystem::is_directory(path, ec)) {
            std::fclose(file_);
            file_ = nullptr;
        }
        if (!file_) throw EFOpenError("Cannot open file " + path);
        std::setvbuf(file_, nullptr, _IONBF, 0);  // the readers buffer themselves
    }
    ~FileStream() override {
        if (file_) std::fclose(file_);
    }
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    // The readers ask for position and size on every record: both are kept
    // here instead of asking the C library (three seeks for a size).
    std::size_t read(void* buffer, std::size_t n) override {
        const std::size_t got = std::fread(buffer, 1, n, file_);
        pos_ += static_cast<std::int64_t>(got);
        return got;
    }
    void write(const void* buffer, std::size_t n) override {
        if (std::fwrite(buffer, 1, n, file_) != n) throw EWriteError("Stream write error");
        pos_ += static_cast<std::int64_t>(n);
        if (size_ >= 0 && pos_ > size_) size_ = pos_;
    }
    std::int64_t position() const override { return pos_; }
    void seek(std::int64_t position) override {
        if (std::fseek(file_, static_cast<long>(position), SEEK_SET) == 0) pos_ = position;
    }
    std::int64_t size() const override {
        if (size_ < 0) {
            std::fseek(file_, 0, SEEK_END);
            const long end = std::ftell(file_);
            std::fseek(file_, static_cast<long>(pos_), SEEK_SET);
            size_ = end < 0 ? 0 : end;
        }
        return size_;
    }

private:
    std::FILE* file_ = nullptr;
    std::int64_t pos_ = 0;
    mutable std::int64_t size_ = -1;  // -1 until first asked
};

}  // namespace

std::unique_ptr<Stream> openFileStream(const std::string& path, OpenMode mode) {
    return std::make_unique<FileStream>(path, mode);
}

std::vector<std::uint8_t> readWholeFile(const std::string& path) {
    auto s = openFileStream(path, OpenMode::ReadOnly);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(s->size()));
    std::size_t got = 0;
    while (got < bytes.size()) {
        const auto n = s->read(bytes.data() + got, bytes.size() - got);
        if (n == 0) break;
        got += n;
    }
    bytes.resize(got);
    return bytes;
}

void writeFileAtomically(const std::string& path, const void* data, std::size_t n) {
    namespace fs = std::filesystem;
    const fs::path target(path);
    fs::path tmp = target;
    tmp += ".tmp~";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) throw EFOpenError("Cannot create file " + tmp.string());
        out.write(static_cast<const char*>(data), static_cast<std::streamsize>(n));
        out.flush();
        if (!out) {
            out.close();
            std::error_code ignore;
            fs::remove(tmp, ignore);
            throw EWriteError("Stream write error");
        }
    }
    std::error_code ec;
    fs::rename(tmp, target, ec);
    if (ec) {
        fs::remove(tmp, ec);
        throw EWriteError("Cannot write file " + path);
    }
}

}  // namespace tarvex::platform
