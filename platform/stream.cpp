#include "platform/stream.hpp"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

#include "platform/exception.hpp"
#include "platform/files.hpp"

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
        // Only files: opening a pipe would wait for a writer for ever, and a
        // folder or a device holds no file to read.
        const FileKind kind = fileKind(path);
        if (kind == FileKind::Directory || kind == FileKind::Other) throw EFOpenError("Cannot open file " + path);
        const char* m = mode == OpenMode::ReadOnly ? "rb" : mode == OpenMode::ReadWrite ? "r+b" : "w+b";
        file_ = std::fopen(path.c_str(), m);
        if (!file_ && mode == OpenMode::ReadWrite) file_ = std::fopen(path.c_str(), "rb");
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

namespace {

// A name part that no other writer, in this process or another, is likely
// to pick; the exclusive create settles the rare clash.
std::string uniqueSuffix() {
    static std::atomic<unsigned> counter{0};
    static const unsigned seed = std::random_device{}();
    std::mt19937 mix(seed ^ (counter.fetch_add(1) * 2654435761u));
    std::string s;
    for (int i = 0; i < 8; ++i) s += "0123456789abcdefghijklmnopqrstuvwxyz"[mix() % 36];
    return s;
}

}  // namespace

void writeFileAtomically(const std::string& path, const void* data, std::size_t n) {
    // A link stays a link: the file it names is replaced.
    const std::string target = resolveLinks(path);
    if (isReadOnlyFile(target)) throw EWriteError("Cannot write read-only file " + path);
    const bool replacing = fileKind(target) == FileKind::Regular;
    std::string tmp;
    // The temporary's name means nothing to the user: failures name the file.
    for (int attempt = 0;; ++attempt) {
        tmp = target + "." + uniqueSuffix() + ".tmp~";
        try {
            if (createNewFile(tmp, data, n, replacing ? target : std::string())) break;
        } catch (const EFOpenError&) {
            throw EFOpenError("Cannot create file " + path);
        } catch (const EWriteError&) {
            throw EWriteError("Cannot write file " + path);
        }
        if (attempt == 100) throw EFOpenError("Cannot create file " + path);
    }
    try {
        replaceFile(tmp, target);
    } catch (const Exception&) {
        std::error_code ignore;
        std::filesystem::remove(tmp, ignore);
        throw EWriteError("Cannot write file " + path);
    }
}

}  // namespace tarvex::platform
