// Building texture steps and images in tests.
#pragma once
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <initializer_list>
#include <vector>

#include "core/memory.h"
#include "core/track.h"
#include "texture/generator.h"
#include "texture/operators.h"
#include "texture/texture.h"

// One step: an AnimTrack with its id, its values in order and its flags
// (TRACK_APPLY always; smoothing and edge mode and blend mode as asked).
struct Step {
    AnimTrack track;

    Step(TextureOp op, std::initializer_list<float> values, uint32_t mode = 0, bool smooth = true, int edge = 0)
    {
        track.flags = TRACK_APPLY | static_cast<uint32_t>(op) | STEP_BLEND_MODE.bits(mode) |
                      STEP_SMOOTH.bits(smooth ? 1 : 0) | STEP_EDGE_MODE.bits(static_cast<uint32_t>(edge));
        int i = 0;
        for (float v : values) track.value[i++] = v;
    }
    // Values given by position: {{3, 255.0f}, ...}.
    Step& at(int index, float v)
    {
        track.value[index] = v;
        return *this;
    }
};

// A working image of `size` (the generator's size follows), filled with `word`.
struct Image {
    int32_t size;
    std::vector<uint32_t> pixels;

    explicit Image(int32_t edge, uint32_t word = 0)
        : size(edge), pixels(static_cast<size_t>(edge) * edge, word)
    {
        setGeneratorSize(edge);
    }
    uint32_t& at(int32_t x, int32_t y) { return pixels[static_cast<size_t>(y) * size + x]; }
    uint32_t at(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y) * size + x]; }
    // As a Texture of a show with `named` runs the step.
    void run(const Step& step, const NamedDataTable& named = NamedDataTable())
    {
        setGeneratorSize(size);
        generator.namedData = &named;
        runStep(pixels.data(), step.track);
        generator.namedData = nullptr;
    }
    bool uniform(uint32_t word) const
    {
        for (uint32_t p : pixels)
            if (p != word) return false;
        return true;
    }
};

inline uint32_t argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return a << 24 | r << 16 | g << 8 | b; }

// Adds a build step to a texture.
inline AnimTrack& addStep(Texture& texture, TextureOp op, std::initializer_list<float> values, uint32_t mode = 0)
{
    AnimTrack* track = texture.buildTracks.append(memNew<AnimTrack>());
    track->flags = TRACK_APPLY | STEP_SMOOTH.bits(1) | static_cast<uint32_t>(op) | STEP_BLEND_MODE.bits(mode);
    int i = 0;
    for (float v : values) track->value[i++] = v;
    return *track;
}

// Every test starts from the generator as it is at start-up.
class GeneratorTest : public ::testing::Test {
protected:
    void SetUp() override { resetGenerator(); }
};

// A Texture owned by the test, destroyed as the registry would.
struct OwnedTexture {
    Texture* texture = new Texture();
    OwnedTexture() = default;
    OwnedTexture(const OwnedTexture&) = delete;
    OwnedTexture& operator=(const OwnedTexture&) = delete;
    ~OwnedTexture() { texture->destroy(DESTROY_FREE); }
    Texture* operator->() const { return texture; }
    Texture& operator*() const { return *texture; }
};
