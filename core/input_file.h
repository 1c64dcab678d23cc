// Reading a file named on the command line whole into memory. Only a plain
// file is read: a directory, a device, a FIFO or a socket is refused before
// a byte is read (a device or a pipe could feed the reader without end),
// and so is a file larger than the caller's limit.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// True with the file's bytes; false with a short reason in `error` ("is a
// directory", "No such file or directory", ...).
bool readInputFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& bytes, std::string& error);

// For the authoring tools, which also read a pipe (`projc /dev/stdin`):
// any readable file but a directory, read up to `maxBytes` and refused past
// them ("is over the limit of N bytes"), so that an endless input (a
// device, a pipe that does not end) cannot exhaust memory.
bool readBoundedInput(const std::string& path, size_t maxBytes, std::string& text, std::string& error);
