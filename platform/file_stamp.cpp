#include "platform/file_stamp.h"

#include <sys/stat.h>

FileStamp Sys_FileStamp(const std::string& path)
{
    FileStamp stamp;
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return stamp;
    stamp.exists = true;
    stamp.modifiedNs = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    stamp.size = static_cast<int64_t>(info.st_size);
    return stamp;
}
