// Putting an output file in place. Every writer (projc, xmtune, the WAV,
// the frames, the sheet, the video, the dumps) goes through this, so that a
// file is whole or absent:
// - a regular file (or a name that does not exist yet) is written into a
//   fresh temporary of its own beside the target (O_EXCL, a random name,
//   never an existing file or a link) and renamed over the target only once
//   every byte is written and the file is closed; any failure removes the
//   temporary and names the reason ("No space left on device");
// - a character device or a FIFO named by the user (/dev/null, /dev/stdout,
//   a pipe to another program) is written directly: it cannot be replaced,
//   and a failure there is reported, not undone;
// - a directory, a block device or a socket is refused before a byte is
//   written; a symbolic link the user named is followed to what it names,
//   a link found in a folder we write into (a frame, a dump) is refused.
// A temporary still open when the process is interrupted is removed by the
// interruption handler (platform/interruption.h).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

class OutputFile {
public:
    // Whose name it is: the user's (followed through a link, written
    // directly when it is a device or FIFO) or one we made in a folder.
    enum class Name { Named, Made };

    OutputFile() = default;
    ~OutputFile();  // an output not committed is discarded
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // False, with error(), when `path` cannot be written.
    bool open(const std::string& path, Name name = Name::Named);
    // False once any write failed; the first failure's reason is kept.
    bool write(const void* data, size_t size);
    // Rewrites bytes already written (a length in a header): only when
    // seekable(); the position for write() stays at the end.
    bool writeAt(uint64_t offset, const void* data, size_t size);
    // Puts the file in place; false (and nothing in place) after any failure.
    bool commit();
    // Removes what was written (a temporary; a direct output cannot be).
    void discard();

    // A file that is only ever a temporary (the music an encoder reads): a
    // fresh name PREFIXxxxxxx in `directory`, which commit() closes and
    // keeps, and discard() (or the end of the object) removes.
    bool openScratch(const std::string& directory, const std::string& prefix);
    // For a program that writes the file itself by name: closes our side
    // and returns the temporary's name; commit() then puts it in place.
    std::string handOver();

    bool seekable() const { return !direct_; }
    bool direct() const { return direct_; }
    uint64_t written() const { return written_; }
    const std::string& path() const { return target_; }
    // "cannot write PATH: reason"
    const std::string& error() const { return error_; }

private:
    bool fail(const std::string& reason);

    int fd_ = -1;
    bool direct_ = false;
    bool scratch_ = false;
    int slot_ = -1;  // in the interruption handler's table of temporaries
    uint64_t written_ = 0;
    std::string target_, placed_, temporary_, error_;
};

// The whole of `data` as the file `path`; false with a one-line reason.
bool writeOutputFile(const std::string& path, const void* data, size_t size, std::string& error,
                     OutputFile::Name name = OutputFile::Name::Named);

// Removes every temporary still open. Async-signal-safe: called from the
// interruption handler before the process ends.
void removeOpenTemporaries();
