// Module data access: the player reads its module only through five
// caller-supplied file operations. The program's own set serves the module
// bytes it was given (built into the executable, or read from a file named
// on the command line) as a read-only in-memory file.
#pragma once
#include <cstddef>
#include <cstdint>

using FileOpen = void* (*)(const char* name);
using FileClose = void (*)(void* handle);
using FileRead = int32_t (*)(void* buffer, int32_t count, void* handle);
using FileSeek = void* (*)(void* handle, int32_t offset, int32_t origin);
using FileTell = int32_t (*)(void* handle);

struct FileCallbacks {
    FileOpen open = nullptr;
    FileClose close = nullptr;
    FileRead read = nullptr;
    FileSeek seek = nullptr;
    FileTell tell = nullptr;
};

// Where a seek counts from; the seek callback takes it as the low byte of
// its origin argument.
enum class SeekOrigin : int8_t { FromStart = 0, FromCurrent = 1, FromEnd = 2 };

// Stores all five when all are non-null; otherwise clears all five.
void setFileCallbacks(FileOpen open, FileClose close, FileRead read, FileSeek seek, FileTell tell);
const FileCallbacks& fileCallbacks();
bool fileCallbacksInstalled();

// The in-memory file behind the program's own callbacks.
struct ResourceFile {
    int32_t size;
    int32_t position;
    const uint8_t* data;  // not owned
};

// The bytes every open of the program's callbacks serves, whatever the name.
// Null (the default) opens an empty file. The caller keeps the bytes alive
// while modules are loaded from them.
void setModuleResource(const uint8_t* data, int32_t size);

void* resourceOpen(const char* name);
void resourceClose(void* handle);
int32_t resourceRead(void* buffer, int32_t count, void* handle);
void* resourceSeek(void* handle, int32_t offset, int32_t origin);
int32_t resourceTell(void* handle);

// Installs resourceOpen ... resourceTell.
void installResourceCallbacks();

// The player's handle on an open module: every read of module data goes
// through one of these.
struct ModuleStream {
    void* handle;
};

ModuleStream* openModuleStream(const char* name);
void closeModuleStream(ModuleStream* stream);
int32_t streamRead(void* buffer, int32_t count, ModuleStream* stream);
void streamSeek(ModuleStream* stream, int32_t offset, SeekOrigin origin);
int32_t streamTell(ModuleStream* stream);
