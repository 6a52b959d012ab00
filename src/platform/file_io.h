#pragma once

#include <cstddef>
#include <cstdio>
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
// a symbolic link is written through: its final target is replaced and the link stays. A pipe, a
// FIFO or a character device (/dev/null) is written where it is, never renamed over; a folder, a
// socket or a block device is refused.
// Empty on success; otherwise the step that failed, the file it failed on and why.
[[nodiscard]] std::string ReplaceFile(const std::string& path, std::string_view text);

// Why a settings file, a state file or a log cannot be at path: it is a FIFO, a device, a folder,
// a socket. Empty for a regular file or none at all.
[[nodiscard]] std::string RegularFileProblem(const std::string& path);

// A file written as it goes (the run's trace and dump): the rows stream into a temporary file beside
// a regular (or missing) target, which replaces the target only at Commit, so that a run that fails
// half-way leaves the former file whole; a pipe, a FIFO or a character device is written where it is,
// as the rows come. A folder, a socket or a block device is refused at Open.
class OutputFile {
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile(); // abandons an uncommitted file

    // Empty on success, else why (for "cannot write PATH: why").
    [[nodiscard]] std::string Open(const std::string& path);
    [[nodiscard]] std::FILE* stream() const { return file_; }
    // Flushes and closes; a temporary then replaces the target. Empty on success, else why, and
    // the target is as it was.
    [[nodiscard]] std::string Commit();
    // Closes without replacing anything.
    void Abandon();

private:
    std::FILE* file_ = nullptr;
    std::string target_;
    std::string temporary_; // empty when written in place
};

struct SetAside {
    std::string backup; // the name the file now has
    int error = 0;      // errno when it could not be set aside; the file is then where it was
};

// Renames the file a path finally names to the first free name of NAME.bak, NAME.bak.1, ...
// NAME.bak.99. An existing backup is never replaced, so the first file set aside survives every
// later one.
[[nodiscard]] SetAside SetFileAside(const std::string& path);

} // namespace tamo
