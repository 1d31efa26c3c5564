#include "platform/atomic_file.hpp"

#include <atomic>
#include <filesystem>
#include <random>
#include <system_error>

#include "platform/exception.hpp"
#include "platform/files.hpp"
#include "platform/stream.hpp"

namespace tarvex::platform {

namespace {

constexpr std::size_t kBlock = 64 * 1024;

std::string tempSuffix() {
    static std::atomic<unsigned> counter{0};
    static const unsigned seed = std::random_device{}();
    std::mt19937 mix(seed ^ (counter.fetch_add(1) * 2246822519u));
    std::string s;
    for (int i = 0; i < 8; ++i) s += "0123456789abcdefghijklmnopqrstuvwxyz"[mix() % 36];
    return s;
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(const std::string& path) : path_(path), target_(resolveLinks(path)) {
    if (isReadOnlyFile(target_)) throw EWriteError("Cannot write read-only file " + path);
    const bool replacing = fileKind(target_) == FileKind::Regular;
    for (int attempt = 0;; ++attempt) {
        tmp_ = target_ + "." + tempSuffix() + ".tmp~";
        try {
            if (createNewFile(tmp_, "", 0, replacing ? target_ : std::string())) break;
        } catch (const Exception&) {
            tmp_.clear();
            throw EFOpenError("Cannot create file " + path);
        }
        if (attempt == 100) {
            tmp_.clear();
            throw EFOpenError("Cannot create file " + path);
        }
    }
    try {
        stream_ = openFileStream(tmp_, OpenMode::ReadWrite);
    } catch (const Exception&) {
        abort();
        throw EFOpenError("Cannot create file " + path);
    }
    buffer_.reserve(kBlock);
}

AtomicFileWriter::~AtomicFileWriter() { abort(); }

void AtomicFileWriter::flush() {
    if (buffer_.empty()) return;
    try {
        stream_->write(buffer_.data(), buffer_.size());
    } catch (const Exception&) {
        abort();
        throw EWriteError("Cannot write file " + path_);
    }
    buffer_.clear();
}

void AtomicFileWriter::write(std::string_view bytes) {
    if (!stream_) throw EWriteError("Cannot write file " + path_);
    buffer_.append(bytes);
    if (buffer_.size() >= kBlock) flush();
}

void AtomicFileWriter::commit() {
    if (!stream_) throw EWriteError("Cannot write file " + path_);
    flush();
    stream_.reset();
    try {
        replaceFile(tmp_, target_);
    } catch (const Exception&) {
        abort();
        throw EWriteError("Cannot write file " + path_);
    }
    tmp_.clear();
}

void AtomicFileWriter::abort() {
    stream_.reset();
    buffer_.clear();
    if (!tmp_.empty()) {
        std::error_code ignore;
        std::filesystem::remove(tmp_, ignore);
        tmp_.clear();
    }
}

}  // namespace tarvex::platform
