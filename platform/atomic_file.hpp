#pragma once
// A file written piece by piece that is either complete or untouched: the
// bytes go to a temporary file beside the target, made exclusively, and only
// commit() renames it over the target. Destroying an uncommitted writer
// removes the temporary file, so a failure or an abandoned write leaves the
// old file as it was and nothing beside it. Memory stays bounded however
// long the file grows.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace tarvex::platform {

class Stream;

class AtomicFileWriter {
public:
    // Raises EFOpenError when the temporary file cannot be made and
    // EWriteError for a read-only target.
    explicit AtomicFileWriter(const std::string& path);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // EWriteError naming the target when the bytes cannot be written; the
    // writer is then aborted.
    void write(std::string_view bytes);
    // Puts the file in place; EWriteError when that fails (aborted then).
    void commit();
    // Drops the temporary file; the target stays as it was.
    void abort();

    bool open() const { return stream_ != nullptr; }
    const std::string& temporaryPath() const { return tmp_; }

private:
    void flush();

    std::string path_;
    std::string target_;
    std::string tmp_;
    std::unique_ptr<Stream> stream_;
    std::string buffer_;
};

}  // namespace tarvex::platform
