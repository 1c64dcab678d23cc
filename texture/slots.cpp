// The store slots: 16 images that keep their content from step to step and
// from texture to texture. A slot number outside 0..15 makes the step do
// nothing: nothing is stored, loaded or cleared, so no image is lost.
#include <cstring>

#include "texture/generator.h"
#include "texture/operators.h"

void runStore(uint32_t* image, const AnimTrack& track)
{
    uint32_t* slot = storeSlot(readWhole(track, TextureStore::slot));
    if (!slot) return;
    std::memcpy(slot, image, static_cast<size_t>(generator.genBytes));
}

void runStoreClear(uint32_t* image, const AnimTrack& track)
{
    uint32_t* slot = storeSlot(readWhole(track, TextureStore::slot));
    if (!slot) return;
    std::memcpy(slot, image, static_cast<size_t>(generator.genBytes));
    std::memset(image, 0, static_cast<size_t>(generator.genBytes));
}

void runLoad(uint32_t* image, const AnimTrack& track)
{
    // The first N words of the slot, whatever size the image had when stored.
    const uint32_t* slot = storeSlot(readWhole(track, TextureStore::slot));
    if (!slot) return;
    combine(image, slot, readField(track, STEP_BLEND_MODE));
}

void runClear(uint32_t* image, const AnimTrack&)
{
    std::memset(image, 0, static_cast<size_t>(generator.genBytes));
}
