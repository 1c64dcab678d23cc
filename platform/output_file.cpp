#include "platform/output_file.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

// The temporaries being written, for the interruption handler to remove.
// Fixed storage: the handler may neither allocate nor lock. A slot is
// free (0), being filled (1) or holds a path (2).
constexpr int SLOTS = 64;
std::atomic<int> slotState[SLOTS];
char slotPath[SLOTS][PATH_MAX];

int claimSlot(const std::string& path)
{
    if (path.size() >= PATH_MAX) return -1;
    for (int i = 0; i < SLOTS; ++i) {
        int expected = 0;
        if (!slotState[i].compare_exchange_strong(expected, 1)) continue;
        std::memcpy(slotPath[i], path.c_str(), path.size() + 1);
        slotState[i].store(2);
        return i;
    }
    return -1;  // more open at once than the table holds: not removed on an interruption
}

void releaseSlot(int slot)
{
    if (slot >= 0) slotState[slot].store(0);
}

mode_t newFileMode()
{
    // umask can only be read by setting it: once, before any worker writes.
    static mode_t mode = 0;
    static std::once_flag once;
    std::call_once(once, [] {
        const mode_t mask = umask(022);
        umask(mask);
        mode = 0666 & ~mask;
    });
    return mode;
}

const char* kindRefused(mode_t mode, bool named)
{
    if (S_ISDIR(mode)) return "is a directory";
    if (S_ISBLK(mode)) return "is a block device";
    if (S_ISSOCK(mode)) return "is a socket";
    if (!named && S_ISCHR(mode)) return "is a device";
    if (!named && S_ISFIFO(mode)) return "is a FIFO (named pipe)";
    if (!S_ISREG(mode) && !S_ISCHR(mode) && !S_ISFIFO(mode)) return "is not a plain file";
    return nullptr;
}

}  // namespace

OutputFile::~OutputFile() { discard(); }

bool OutputFile::fail(const std::string& reason)
{
    if (error_.empty()) error_ = "cannot write " + target_ + ": " + reason;
    return false;
}

bool OutputFile::open(const std::string& path, Name name)
{
    discard();
    scratch_ = false;
    target_ = path;
    placed_.clear();
    error_.clear();
    direct_ = false;
    written_ = 0;
    const bool named = name == Name::Named;

    struct stat info;
    mode_t mode = newFileMode();
    placed_ = path;
    if (lstat(path.c_str(), &info) != 0) {
        if (errno != ENOENT) return fail(std::strerror(errno));
    } else {
        if (S_ISLNK(info.st_mode)) {
            if (!named) return fail("is a symbolic link");
            if (stat(path.c_str(), &info) != 0)
                return fail(errno == ENOENT ? "is a symbolic link to nothing" : std::strerror(errno));
            if (S_ISREG(info.st_mode)) {
                // The link stays; what it names is replaced.
                char* real = realpath(path.c_str(), nullptr);
                if (!real) return fail(std::strerror(errno));
                placed_ = real;
                std::free(real);
            }
        }
        if (const char* refused = kindRefused(info.st_mode, named)) return fail(refused);
        if (S_ISREG(info.st_mode)) {
            mode = info.st_mode & 07777;
        } else {
            // A device or FIFO: written as it is. Without a reader a FIFO
            // would block the open for ever; say so instead.
            fd_ = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd_ < 0) return fail(errno == ENXIO ? "no program reads the FIFO" : std::strerror(errno));
            fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
            // A reader that goes away is a failed write, not the end of the program.
            signal(SIGPIPE, SIG_IGN);
            direct_ = true;
            return true;
        }
    }

    const size_t slash = placed_.rfind('/');
    const std::string directory =
        slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/") : placed_.substr(0, slash);
    // Hidden, short enough for any name the target may have, and with the
    // target's extension (an encoder picks its container by it).
    std::string base = slash == std::string::npos ? placed_ : placed_.substr(slash + 1);
    const size_t dot = base.rfind('.');
    std::string extension = dot != std::string::npos && dot > 0 && base.size() - dot <= 8 ? base.substr(dot) : "";
    base.resize(std::min<size_t>(base.size() - extension.size(), 200));
    const std::string pattern = directory + "/." + base + "-XXXXXX" + extension;
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    fd_ = mkostemps(buffer.data(), static_cast<int>(extension.size()), O_CLOEXEC);
    if (fd_ < 0) return fail(std::strerror(errno));
    temporary_ = buffer.data();
    slot_ = claimSlot(temporary_);
    if (fchmod(fd_, mode) != 0) {
        fail(std::strerror(errno));
        discard();
        return false;
    }
    return true;
}

bool OutputFile::write(const void* data, size_t size)
{
    if (!error_.empty()) return false;
    if (fd_ < 0) return fail("not open");
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd_, bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return fail(n < 0 ? std::strerror(errno) : "nothing written");
        bytes += n;
        size -= static_cast<size_t>(n);
        written_ += static_cast<uint64_t>(n);
    }
    return true;
}

bool OutputFile::writeAt(uint64_t offset, const void* data, size_t size)
{
    if (!error_.empty()) return false;
    if (fd_ < 0 || direct_) return fail("cannot go back in it");
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = pwrite(fd_, bytes, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return fail(n < 0 ? std::strerror(errno) : "nothing written");
        bytes += n;
        size -= static_cast<size_t>(n);
        offset += static_cast<uint64_t>(n);
    }
    return true;
}

bool OutputFile::commit()
{
    if (fd_ < 0 && temporary_.empty() && error_.empty()) fail("not open");
    if (!error_.empty()) {
        discard();
        return false;
    }
    if (fd_ >= 0 && close(fd_) != 0) fail(std::strerror(errno));
    fd_ = -1;
    if (scratch_) return error_.empty();  // stays until discarded
    if (error_.empty() && !direct_ && rename(temporary_.c_str(), placed_.c_str()) != 0) fail(std::strerror(errno));
    if (!error_.empty()) {
        discard();
        return false;
    }
    releaseSlot(slot_);
    slot_ = -1;
    temporary_.clear();
    return true;
}

bool OutputFile::openScratch(const std::string& directory, const std::string& prefix)
{
    discard();
    target_ = directory + "/" + prefix;
    error_.clear();
    direct_ = false;
    written_ = 0;
    scratch_ = true;
    std::string pattern = target_ + "XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    fd_ = mkostemp(buffer.data(), O_CLOEXEC);
    if (fd_ < 0) return fail(std::strerror(errno));
    temporary_ = target_ = buffer.data();
    slot_ = claimSlot(temporary_);
    return true;
}

std::string OutputFile::handOver()
{
    if (fd_ >= 0 && close(fd_) != 0) fail(std::strerror(errno));
    fd_ = -1;
    return temporary_;
}

void OutputFile::discard()
{
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    if (!temporary_.empty()) unlink(temporary_.c_str());
    temporary_.clear();
    scratch_ = false;
    releaseSlot(slot_);
    slot_ = -1;
}

bool writeOutputFile(const std::string& path, const void* data, size_t size, std::string& error,
                     OutputFile::Name name)
{
    OutputFile file;
    if (file.open(path, name) && file.write(data, size) && file.commit()) return true;
    error = file.error();
    return false;
}

void removeOpenTemporaries()
{
    for (int i = 0; i < SLOTS; ++i)
        if (slotState[i].load() == 2) unlink(slotPath[i]);
}
