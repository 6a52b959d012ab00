#include "platform/file_io.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tamo {

FileContents ReadWholeFile(const std::string& path) {
    FileContents result;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        result.error = errno;
        return result;
    }
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        result.error = EISDIR;
        close(fd);
        return result;
    }
    if (info.st_size > 0) {
        result.bytes.reserve(static_cast<std::size_t>(info.st_size));
    }
    char chunk[1 << 16];
    while (true) {
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            result.error = errno;
            break;
        }
        if (n == 0) {
            break;
        }
        result.bytes.append(chunk, static_cast<std::size_t>(n));
    }
    close(fd);
    return result;
}

} // namespace tamo
