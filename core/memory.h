// Engine heap blocks: zero-filled, with 16 spare bytes before and after the
// caller's part. Every object, track, key, list node, string and generated
// buffer outside the music player comes from here, so a field that no
// constructor sets starts at zero.
#pragma once
#include <cstddef>
#include <new>
#include <utility>

void* memAlloc(size_t size);
void memFree(void* address);

// Construct a T in a memAlloc block, and the matching release.
template <class T, class... Args>
T* memNew(Args&&... args)
{
    void* block = memAlloc(sizeof(T));
    return block ? new (block) T(std::forward<Args>(args)...) : nullptr;
}

template <class T>
void memDelete(T* item)
{
    if (!item) return;
    item->~T();
    memFree(item);
}

// Heap copy of a zero-terminated text (length + 1 bytes).
char* memDuplicateString(const char* text, size_t length);
