#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tamo {

struct FileContents {
    std::string bytes;
    int error = 0;       // errno of the failure; 0 when the whole file was read
    std::string problem; // the failure in words, for a message after "cannot read FILE: "; empty on success
};

// Reads a whole regular file of at most max_bytes. Anything else (a directory, a FIFO, a device
// such as /dev/zero, a socket) is refused before a byte is read, since reading it may never end
// or never begin, and so is a file longer than max_bytes. On a failure part-way, `bytes` holds
// what was read before it.
[[nodiscard]] FileContents ReadWholeFile(const std::string& path, std::size_t max_bytes);

// The file a path finally names: the target of its symbolic links, followed to the end (at most
// 40 of them; a longer chain is returned where it stopped, and opening it then fails).
[[nodiscard]] std::string FinalTarget(const std::string& path);

// Replaces the file at path with text, whole or not at all: a temporary file beside it, created
// afresh (a stale one left by a killed write is removed first, and a symbolic link in its place is
// removed, never followed), flushed, renamed over the file, and the folder flushed. A path that is
// a symbolic link is written through: its final target is replaced and the link stays.
// Empty on success; otherwise the step that failed, the file it failed on and why.
[[nodiscard]] std::string ReplaceFile(const std::string& path, std::string_view text);

struct SetAside {
    std::string backup; // the name the file now has
    int error = 0;      // errno when it could not be set aside; the file is then where it was
};

// Renames the file a path finally names to the first free name of NAME.bak, NAME.bak.1, ...
// NAME.bak.99. An existing backup is never replaced, so the first file set aside survives every
// later one.
[[nodiscard]] SetAside SetFileAside(const std::string& path);

} // namespace tamo
