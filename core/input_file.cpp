#include "core/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

const char* notPlainFile(mode_t mode)
{
    if (S_ISDIR(mode)) return "is a directory";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "is a device";
    if (S_ISFIFO(mode)) return "is a FIFO (named pipe)";
    if (S_ISSOCK(mode)) return "is a socket";
    if (!S_ISREG(mode)) return "is not a plain file";
    return nullptr;
}

// Opens `path` to read (with `flags` besides) and reads its status: -1
// with the reason when it does not open; `ok` false with the reason when
// it opens but its status cannot be read (the caller closes it).
int openForReading(const std::string& path, int flags, struct stat& info, bool& ok, std::string& error)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | flags);
    if (fd < 0) {
        error = std::strerror(errno);
        return -1;
    }
    ok = fstat(fd, &info) == 0;
    if (!ok) error = std::strerror(errno);
    return fd;
}

}  // namespace

bool readInputFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& bytes, std::string& error)
{
    bytes.clear();
    // Non-blocking, so that opening a FIFO without a writer does not wait.
    struct stat info;
    bool ok = false;
    const int fd = openForReading(path, O_NONBLOCK, info, ok, error);
    if (fd < 0) return false;
    if (ok && notPlainFile(info.st_mode)) {
        error = notPlainFile(info.st_mode);
        ok = false;
    }
    if (ok && static_cast<uint64_t>(info.st_size) > maxBytes) {
        error = "is " + std::to_string(info.st_size) + " bytes, over the limit of " + std::to_string(maxBytes);
        ok = false;
    }
    if (ok) {
        bytes.resize(static_cast<size_t>(info.st_size));
        size_t done = 0;
        while (ok && done < bytes.size()) {
            const ssize_t n = read(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                error = n < 0 ? std::strerror(errno) : "shorter than its size";
                ok = false;
            } else {
                done += static_cast<size_t>(n);
            }
        }
    }
    close(fd);
    if (!ok) bytes.clear();
    return ok;
}

bool readBoundedInput(const std::string& path, size_t maxBytes, std::string& text, std::string& error)
{
    text.clear();
    struct stat info;
    bool ok = false;
    const int fd = openForReading(path, 0, info, ok, error);
    if (fd < 0) return false;
    if (ok && S_ISDIR(info.st_mode)) {
        error = "is a directory";
        ok = false;
    }
    const std::string over = "is over the limit of " + std::to_string(maxBytes) + " bytes";
    if (ok && S_ISREG(info.st_mode) && static_cast<uint64_t>(info.st_size) > maxBytes) {
        error = over;
        ok = false;
    }
    char buffer[65536];
    while (ok) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = std::strerror(errno);
            ok = false;
        } else if (n == 0) {
            break;
        } else if (text.size() + static_cast<size_t>(n) > maxBytes) {
            error = over;
            ok = false;
        } else {
            text.append(buffer, static_cast<size_t>(n));
        }
    }
    close(fd);
    if (!ok) text.clear();
    return ok;
}
