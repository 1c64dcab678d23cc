#include "music/module_file.h"

#include <cstdlib>
#include <cstring>

namespace {

FileCallbacks callbacks;

const uint8_t* resourceData = nullptr;
int32_t resourceSize = 0;

}  // namespace

void setFileCallbacks(FileOpen open, FileClose close, FileRead read, FileSeek seek, FileTell tell)
{
    if (open && close && read && seek && tell)
        callbacks = {open, close, read, seek, tell};
    else
        callbacks = {};
}

const FileCallbacks& fileCallbacks() { return callbacks; }

bool fileCallbacksInstalled() { return callbacks.open != nullptr; }

void setModuleResource(const uint8_t* data, int32_t size)
{
    resourceData = size > 0 ? data : nullptr;
    resourceSize = resourceData ? size : 0;
}

void* resourceOpen(const char* name)
{
    // Every name opens the one module.
    auto* file = static_cast<ResourceFile*>(std::calloc(1, sizeof(ResourceFile)));
    if (!file) return nullptr;
    file->data = resourceData;
    file->size = resourceSize;
    file->position = 0;
    return file;
}

void resourceClose(void* handle) { std::free(handle); }

int32_t resourceRead(void* buffer, int32_t count, void* handle)
{
    auto* file = static_cast<ResourceFile*>(handle);
    // A read that reaches the end is cut to the bytes that are left. The sum
    // is taken wide so that a huge count cannot wrap, and a position held
    // at the end copies nothing.
    int64_t n = count;
    if (static_cast<int64_t>(file->position) + n >= file->size) n = file->size - file->position;
    if (n <= 0) return 0;
    std::memcpy(buffer, file->data + file->position, static_cast<size_t>(n));
    file->position += static_cast<int32_t>(n);
    return static_cast<int32_t>(n);
}

void* resourceSeek(void* handle, int32_t offset, int32_t origin)
{
    auto* file = static_cast<ResourceFile*>(handle);
    int64_t position = file->position;
    switch (static_cast<SeekOrigin>(static_cast<int8_t>(origin & 0xFF))) {
    case SeekOrigin::FromStart: position = offset; break;
    case SeekOrigin::FromCurrent: position += offset; break;
    case SeekOrigin::FromEnd: position = static_cast<int64_t>(file->size) + offset; break;
    default: break;
    }
    if (position > file->size) position = file->size;
    // Before the start would make the next read copy from before the data.
    if (position < 0) position = 0;
    file->position = static_cast<int32_t>(position);
    return handle;
}

int32_t resourceTell(void* handle) { return static_cast<ResourceFile*>(handle)->position; }

void installResourceCallbacks()
{
    setFileCallbacks(resourceOpen, resourceClose, resourceRead, resourceSeek, resourceTell);
}

ModuleStream* openModuleStream(const char* name)
{
    if (!callbacks.open) return nullptr;
    auto* stream = static_cast<ModuleStream*>(std::calloc(1, sizeof(ModuleStream)));
    if (!stream) return nullptr;
    stream->handle = callbacks.open(name);
    if (!stream->handle) {
        std::free(stream);
        return nullptr;
    }
    return stream;
}

void closeModuleStream(ModuleStream* stream)
{
    if (!stream) return;
    if (callbacks.close) callbacks.close(stream->handle);
    std::free(stream);
}

int32_t streamRead(void* buffer, int32_t count, ModuleStream* stream)
{
    if (!stream || !callbacks.read) return 0;
    return callbacks.read(buffer, count, stream->handle);
}

void streamSeek(ModuleStream* stream, int32_t offset, SeekOrigin origin)
{
    if (stream && callbacks.seek) callbacks.seek(stream->handle, offset, static_cast<int32_t>(origin));
}

int32_t streamTell(ModuleStream* stream)
{
    if (!stream || !callbacks.tell) return 0;
    return callbacks.tell(stream->handle);
}
