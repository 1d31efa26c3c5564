#include <windows.h>

#include <vector>

#include "platform/exception.hpp"
#include "platform/files.hpp"

namespace tarvex::platform {

namespace {

// A handle that closes itself.
class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() {
        if (valid()) CloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return h_; }
    bool close() {
        const bool ok = CloseHandle(h_) != 0;
        h_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE h_;
};

// Opened for its attributes only: no access, so neither a pipe nor a port
// is claimed or waited for.
HANDLE openForQuery(const std::string& path) {
    return CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

}  // namespace

FileKind fileKind(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return FileKind::Missing;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return FileKind::Directory;
    Handle h(openForQuery(path));
    // What cannot even be queried is left to the open that follows, which
    // then names the failure.
    if (!h.valid()) return FileKind::Regular;
    return GetFileType(h.get()) == FILE_TYPE_DISK ? FileKind::Regular : FileKind::Other;
}

bool isReadOnlyFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           (attributes & FILE_ATTRIBUTE_READONLY);
}

std::string resolveLinks(const std::string& path) {
    // Only links (reparse points) are resolved, so that ordinary names stay
    // as the user wrote them. The system follows the chain; a dangling link
    // cannot be opened and keeps its own name.
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return path;
    Handle h(openForQuery(path));
    if (!h.valid()) return path;
    std::vector<char> buffer(MAX_PATH + 1);
    for (;;) {
        const DWORD n = GetFinalPathNameByHandleA(h.get(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                                  FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (n == 0) return path;
        if (n < buffer.size()) {
            std::string resolved(buffer.data(), n);
            if (resolved.rfind("\\\\?\\UNC\\", 0) == 0) return "\\\\" + resolved.substr(8);
            if (resolved.rfind("\\\\?\\", 0) == 0) return resolved.substr(4);
            return resolved;
        }
        buffer.resize(n + 1);
    }
}

std::string executablePath() {
    std::vector<char> buffer(MAX_PATH + 1);
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        // A full buffer means the name was cut.
        if (n < buffer.size()) return std::string(buffer.data(), n);
        if (buffer.size() >= 32768) return {};
        buffer.resize(buffer.size() * 2);
    }
}

bool createNewFile(const std::string& path, const void* data, std::size_t n, const std::string& modeOf) {
    // CREATE_NEW fails on any existing name, a link included.
    Handle h(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.valid()) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) return false;
        throw EFOpenError("Cannot create file " + path);
    }
    const auto* bytes = static_cast<const char*>(data);
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < n) {
        const DWORD chunk = n - done > 0x40000000u ? 0x40000000u : static_cast<DWORD>(n - done);
        DWORD written = 0;
        ok = WriteFile(h.get(), bytes + done, chunk, &written, nullptr) != 0 && written > 0;
        done += written;
    }
    if (ok) ok = FlushFileBuffers(h.get()) != 0;
    if (!h.close()) ok = false;
    if (!ok) {
        DeleteFileA(path.c_str());
        throw EWriteError("Cannot write file " + path);
    }
    // The replacement keeps the hidden, system and archive marks of the file
    // it replaces; a read-only one is never replaced.
    if (!modeOf.empty()) {
        const DWORD old = GetFileAttributesA(modeOf.c_str());
        if (old != INVALID_FILE_ATTRIBUTES) {
            const DWORD keep = old & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
            if (keep) SetFileAttributesA(path.c_str(), keep);
        }
    }
    return true;
}

void replaceFile(const std::string& from, const std::string& to) {
    if (!MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        throw EWriteError("Cannot write file " + to);
}

}  // namespace tarvex::platform
