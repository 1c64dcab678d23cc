#include "core/memory.h"

#include <cstdlib>
#include <cstring>

namespace {
constexpr size_t SPARE_BYTES = 16;
}

void* memAlloc(size_t size)
{
    unsigned char* block = static_cast<unsigned char*>(std::calloc(1, size + 2 * SPARE_BYTES));
    return block ? block + SPARE_BYTES : nullptr;
}

void memFree(void* address)
{
    if (!address) return;
    std::free(static_cast<unsigned char*>(address) - SPARE_BYTES);
}

char* memDuplicateString(const char* text, size_t length)
{
    char* copy = static_cast<char*>(memAlloc(length + 1));
    if (copy) std::memcpy(copy, text, length);
    return copy;
}
