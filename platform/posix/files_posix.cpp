#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "platform/exception.hpp"
#include "platform/files.hpp"

namespace tarvex::platform {

namespace fs = std::filesystem;

FileKind fileKind(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return FileKind::Missing;
    if (S_ISREG(st.st_mode)) return FileKind::Regular;
    if (S_ISDIR(st.st_mode)) return FileKind::Directory;
    return FileKind::Other;
}

bool isReadOnlyFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

std::string resolveLinks(const std::string& path) {
    fs::path p(path);
    // The system's own bound on a chain; a loop ends here as well.
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(p, ec))) break;
        const fs::path next = fs::read_symlink(p, ec);
        if (ec) break;
        p = next.is_absolute() ? next : p.parent_path() / next;
    }
    return p.string();
}

std::string executablePath() {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return {};
        if (static_cast<std::size_t>(n) < buffer.size()) return std::string(buffer.data(), static_cast<std::size_t>(n));
        if (buffer.size() >= 65536) return {};
        buffer.resize(buffer.size() * 2);
    }
}

bool createNewFile(const std::string& path, const void* data, std::size_t n, const std::string& modeOf) {
    // O_EXCL refuses any existing name, a link included, so nothing planted
    // under the name can redirect the bytes into another file.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (errno == EEXIST) return false;
        throw EFOpenError("Cannot create file " + path);
    }
    bool ok = true;
    if (!modeOf.empty()) {
        struct stat st {};
        if (::stat(modeOf.c_str(), &st) == 0) ok = ::fchmod(fd, st.st_mode & 07777) == 0;
    }
    const auto* bytes = static_cast<const char*>(data);
    std::size_t done = 0;
    while (ok && done < n) {
        const ssize_t w = ::write(fd, bytes + done, n - done);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) ok = false;
        else done += static_cast<std::size_t>(w);
    }
    // On disk before it can replace anything: a crash must not leave an
    // empty file where the old one was.
    if (ok) ok = ::fsync(fd) == 0;
    if (::close(fd) != 0) ok = false;
    if (!ok) {
        ::unlink(path.c_str());
        throw EWriteError("Cannot write file " + path);
    }
    return true;
}

void replaceFile(const std::string& from, const std::string& to) {
    if (std::rename(from.c_str(), to.c_str()) != 0) throw EWriteError("Cannot write file " + to);
}

}  // namespace tarvex::platform
