#include "platform/file_io.h"

#include "platform/huge_pages.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace tamo {
namespace {

const char* KindOf(mode_t mode) {
    if (S_ISDIR(mode)) {
        return "a folder";
    }
    if (S_ISFIFO(mode)) {
        return "a FIFO";
    }
    if (S_ISCHR(mode)) {
        return "a character device";
    }
    if (S_ISBLK(mode)) {
        return "a block device";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    return "not a plain file";
}

std::string Folder(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

FileContents ReadWholeFile(const std::string& path, std::size_t max_bytes) {
    FileContents result;
    auto fail = [&](int error, std::string problem) {
        result.error = error;
        result.problem = std::move(problem);
        return result;
    };
    // Non-blocking, so that a FIFO without a writer opens at once and is refused by its kind
    // rather than holding the windows until someone writes to it.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return fail(errno, std::strerror(errno));
    }
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        const int error = errno;
        close(fd);
        return fail(error, std::strerror(error));
    }
    if (!S_ISREG(info.st_mode)) {
        close(fd);
        return fail(S_ISDIR(info.st_mode) ? EISDIR : EINVAL,
                    std::string("it is ") + KindOf(info.st_mode) + ", not a file that can be read to its end");
    }
    const auto too_long = [&] {
        return fail(EFBIG, "it is longer than " + std::to_string(max_bytes) + " bytes");
    };
    if (static_cast<std::size_t>(info.st_size) > max_bytes) {
        close(fd);
        return too_long();
    }
    // Read straight into the result, as much as the file said it holds; a file that grows while
    // it is read goes on in chunks.
    const auto expected = static_cast<std::size_t>(info.st_size);
    result.bytes.reserve(expected);
    AdviseHugePages(result.bytes.data(), result.bytes.capacity());
    result.bytes.resize(expected);
    std::size_t filled = 0;
    while (filled < expected) {
        const ssize_t n = read(fd, result.bytes.data() + filled, expected - filled);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            result.bytes.resize(filled);
            if (n < 0) {
                result.error = errno;
                result.problem = std::strerror(errno);
                close(fd);
                return result;
            }
            break;
        }
        filled += static_cast<std::size_t>(n);
    }
    if (filled < expected) {
        close(fd);
        return result; // it shrank while being read: what was there
    }
    std::vector<char> chunk(std::size_t{1} << 16);
    while (true) {
        const ssize_t n = read(fd, chunk.data(), chunk.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            result.error = errno;
            result.problem = std::strerror(errno);
            break;
        }
        if (n == 0) {
            break;
        }
        result.bytes.append(chunk.data(), static_cast<std::size_t>(n));
        if (result.bytes.size() > max_bytes) {
            // It grew while being read.
            result.bytes.resize(max_bytes);
            close(fd);
            return too_long();
        }
    }
    close(fd);
    return result;
}

std::string FinalTarget(const std::string& path) {
    constexpr int kMaxLinks = 40;
    std::string target = path;
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        struct stat info {};
        if (lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return target;
        }
        std::vector<char> link(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1);
        const ssize_t n = readlink(target.c_str(), link.data(), link.size());
        if (n < 0 || static_cast<std::size_t>(n) >= link.size()) {
            return target;
        }
        const std::string next(link.data(), static_cast<std::size_t>(n));
        target = next.front() == '/' ? next : Folder(target) + "/" + next;
    }
    return target;
}

namespace {

// What kind of thing a path finally names, for a writer: nothing yet, a regular file (replaced
// through a temporary file), a stream that is written where it is (a pipe, a FIFO, a character
// device such as /dev/null), or something no file can be written to.
enum class Target { Missing, Regular, Stream, Refused };

Target KindOfTarget(const std::string& file, std::string& why) {
    struct stat info {};
    if (stat(file.c_str(), &info) != 0) {
        if (errno == ENOENT) {
            return Target::Missing;
        }
        why = std::strerror(errno);
        return Target::Refused;
    }
    if (S_ISREG(info.st_mode)) {
        return Target::Regular;
    }
    if (S_ISFIFO(info.st_mode) || S_ISCHR(info.st_mode)) {
        return Target::Stream;
    }
    why = std::string("it is ") + KindOf(info.st_mode) + ", not a file that can be written";
    return Target::Refused;
}

// A temporary file beside `file`, created afresh. A temporary left by a write that was killed, or
// anything planted in its place, goes first: unlink removes a symbolic link itself, never its
// target. O_EXCL then creates the file afresh and refuses to follow a link that appeared in between.
// The descriptor, or -1 with `why` set.
int CreateTemporary(const std::string& temporary, std::string& why) {
    if (unlink(temporary.c_str()) != 0 && errno != ENOENT) {
        why = "removing the stale " + temporary + ": " + std::strerror(errno);
        return -1;
    }
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        why = "creating " + temporary + ": " + std::strerror(errno);
    }
    return fd;
}

// Flushes the temporary to the disk, closes it and renames it over the file, then flushes the
// folder, which holds the rename. Empty on success; the temporary is gone either way.
std::string CommitTemporary(int fd, const std::string& temporary, const std::string& file) {
    auto fail = [&](const char* step, int open_fd) {
        const std::string reason = std::strerror(errno);
        if (open_fd >= 0) {
            close(open_fd);
        }
        unlink(temporary.c_str());
        return std::string(step) + " " + temporary + ": " + reason;
    };
    if (fsync(fd) != 0) {
        return fail("flushing", fd);
    }
    if (close(fd) != 0) {
        return fail("closing", -1);
    }
    if (std::rename(temporary.c_str(), file.c_str()) != 0) {
        return fail("renaming", -1);
    }
    if (const int dir = open(Folder(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return {};
}

bool WriteAll(int fd, std::string_view text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

std::string ReplaceFile(const std::string& path, std::string_view text) {
    const std::string file = FinalTarget(path);
    std::string why;
    switch (KindOfTarget(file, why)) {
    case Target::Refused:
        return "writing " + file + ": " + why;
    case Target::Stream: {
        // Renamed over, a FIFO would lose its reader and /dev/null would become a plain file.
        const int fd = open(file.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            return "opening " + file + ": " + std::strerror(errno);
        }
        const bool written = WriteAll(fd, text);
        const int error = errno;
        if (close(fd) != 0 || !written) {
            return "writing " + file + ": " + std::strerror(written ? errno : error);
        }
        return {};
    }
    case Target::Missing:
    case Target::Regular:
        break;
    }
    const std::string temporary = file + ".tmp";
    const int fd = CreateTemporary(temporary, why);
    if (fd < 0) {
        return why;
    }
    if (!WriteAll(fd, text)) {
        const std::string reason = std::strerror(errno);
        close(fd);
        unlink(temporary.c_str());
        return "writing " + temporary + ": " + reason;
    }
    return CommitTemporary(fd, temporary, file);
}

std::string RegularFileProblem(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return errno == ENOENT ? std::string() : std::string(std::strerror(errno));
    }
    return S_ISREG(info.st_mode) ? std::string()
                                 : std::string("it is ") + KindOf(info.st_mode) + ", not a regular file";
}

OutputFile::~OutputFile() {
    Abandon();
}

std::string OutputFile::Open(const std::string& path) {
    Abandon();
    target_ = FinalTarget(path);
    std::string why;
    int fd = -1;
    switch (KindOfTarget(target_, why)) {
    case Target::Refused:
        return why;
    case Target::Stream:
        // A pipe's reader sees the rows as they come; blocking here until it opens is what a pipe means.
        fd = open(target_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            return std::strerror(errno);
        }
        break;
    case Target::Missing:
    case Target::Regular:
        temporary_ = target_ + ".tmp";
        fd = CreateTemporary(temporary_, why);
        if (fd < 0) {
            temporary_.clear();
            return why;
        }
        break;
    }
    file_ = fdopen(fd, "w");
    if (file_ == nullptr) {
        const std::string reason = std::strerror(errno);
        close(fd);
        Abandon();
        return reason;
    }
    return {};
}

std::string OutputFile::Commit() {
    if (file_ == nullptr) {
        return {};
    }
    std::FILE* file = file_;
    file_ = nullptr;
    const bool flushed = std::fflush(file) == 0 && std::ferror(file) == 0;
    const std::string reason = std::strerror(errno);
    if (temporary_.empty()) {
        const bool closed = std::fclose(file) == 0;
        if (!flushed || !closed) {
            return flushed ? std::string(std::strerror(errno)) : reason;
        }
        return {};
    }
    if (!flushed) {
        std::fclose(file);
        unlink(temporary_.c_str());
        temporary_.clear();
        return reason;
    }
    // The descriptor outlives the stream for the flush to the disk and the rename.
    const int fd = dup(fileno(file));
    std::fclose(file);
    const std::string temporary = std::exchange(temporary_, {});
    if (fd < 0) {
        unlink(temporary.c_str());
        return std::strerror(errno);
    }
    return CommitTemporary(fd, temporary, target_);
}

void OutputFile::Abandon() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temporary_.empty()) {
        unlink(temporary_.c_str());
        temporary_.clear();
    }
}

SetAside SetFileAside(const std::string& path) {
    constexpr int kMaxBackups = 100;
    const std::string file = FinalTarget(path);
    SetAside result;
    for (int n = 0; n < kMaxBackups; ++n) {
        result.backup = file + ".bak" + (n == 0 ? std::string() : "." + std::to_string(n));
        if (renameat2(AT_FDCWD, file.c_str(), AT_FDCWD, result.backup.c_str(), RENAME_NOREPLACE) == 0) {
            result.error = 0;
            return result;
        }
        result.error = errno;
        if (errno == EINVAL || errno == ENOSYS) {
            // A file system that cannot refuse to replace: look first. Only another process racing
            // for the same name could slip in between.
            struct stat info {};
            if (lstat(result.backup.c_str(), &info) == 0) {
                result.error = EEXIST;
                continue;
            }
            if (std::rename(file.c_str(), result.backup.c_str()) == 0) {
                result.error = 0;
                return result;
            }
            result.error = errno;
            return result;
        }
        if (errno != EEXIST) {
            return result;
        }
    }
    return result;
}

} // namespace tamo
