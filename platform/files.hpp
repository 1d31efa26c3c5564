#pragma once
// What the readers and writers need of the file system beyond bytes: the
// kind of a file, whether its owner marked it read-only, where a chain of
// links leads, the running program's own file, and the two steps of an
// all-or-nothing write (a new file made exclusively, then renamed over the
// old one).
#include <cstddef>
#include <string>

namespace tarvex::platform {

enum class FileKind { Missing, Regular, Directory, Other };

// The kind of what the path names, links followed. The file is never opened
// for reading, so a pipe or a device cannot block the caller.
FileKind fileKind(const std::string& path);

// An existing file whose mode forbids writing (POSIX: no write bit at all;
// Windows: the read-only attribute). Judged by the mode, not by who asks, so
// that a run with administrator rights honours it as well.
bool isReadOnlyFile(const std::string& path);

// The file that a chain of symbolic links finally names; the path itself when
// it is no link. A dangling chain gives the name its last link holds, so that
// writing there makes the link whole instead of replacing it.
std::string resolveLinks(const std::string& path);

// The running program's own file, however it was started (by bare name
// through PATH, through a link); empty when the system cannot tell.
std::string executablePath();

// The folder of executablePath(); empty when that is empty.
std::string executableDir();

// Creates the file under a name that must not exist yet, not even as a
// dangling link, and writes the bytes. Returns false, having touched nothing,
// when the name is taken. With `modeOf` naming an existing file the new file
// takes that file's permissions. A failed write removes the file again and
// raises EWriteError; a folder that cannot take the file raises EFOpenError.
bool createNewFile(const std::string& path, const void* data, std::size_t n, const std::string& modeOf = {});

// Renames `from` over `to` in one step; EWriteError when that fails.
void replaceFile(const std::string& from, const std::string& to);

}  // namespace tarvex::platform
