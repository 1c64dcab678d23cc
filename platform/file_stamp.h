// What tells that a file changed on disk: its modification time and size.
#pragma once
#include <cstdint>
#include <string>

struct FileStamp {
    bool exists = false;
    int64_t modifiedNs = 0;  // since the epoch
    int64_t size = 0;

    bool operator==(const FileStamp& other) const
    {
        return exists == other.exists && modifiedNs == other.modifiedNs && size == other.size;
    }
    bool operator!=(const FileStamp& other) const { return !(*this == other); }
};

FileStamp Sys_FileStamp(const std::string& path);
