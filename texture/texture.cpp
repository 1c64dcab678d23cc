#include "texture/texture.h"

#include <cstring>

#include "core/memory.h"
#include "core/numeric.h"
#include "core/object_registry.h"
#include "texture/generator.h"
#include "texture/operators.h"

TextureDevice textureDevice;

namespace {

uint32_t workspace[MAX_TEXTURE_PIXELS];

size_t pixelCount(int32_t size) { return static_cast<size_t>(size) * static_cast<size_t>(size); }

}  // namespace

uint32_t* textureWorkspace() { return workspace; }

Texture::Texture() { setSize(256); }

Texture::~Texture()
{
    if (pixels) memFree(pixels);
    pixels = nullptr;
}

void Texture::setSize(int32_t n)
{
    n = normaliseTextureSize(n);
    if (n == size) return;
    size = n;
    if (pixels) memFree(pixels);
    pixels = static_cast<uint32_t*>(memAlloc(pixelCount(n) * sizeof(uint32_t)));
    // Written once here, on the building thread: fresh pages that a step's
    // row threads first read and then write are faulted in twice, the second
    // time with a flush on every core.
    if (pixels) std::memset(pixels, 0, pixelCount(n) * sizeof(uint32_t));
}

int Texture::copyToWorkspace()
{
    if (pixels) std::memcpy(workspace, pixels, pixelCount(size) * sizeof(uint32_t));
    return 0;
}

int Texture::copyFromWorkspace()
{
    if (pixels) std::memcpy(pixels, workspace, pixelCount(size) * sizeof(uint32_t));
    return 0;
}

int Texture::applyTrack(AnimTrack& track)
{
    if (track.id() == static_cast<uint8_t>(TextureOp::SetSize)) setSize(readWhole(track, TextureSetSize::size));
    if (track.applies() && pixels) {
        // The generator's seed and slots carry from texture to texture within
        // a show; its first step finds them as a fresh process does.
        if (registry && !registry->texturesStarted) {
            resetGenerator();
            registry->texturesStarted = true;
        }
        setGeneratorSize(size);
        // ImportImage reads this texture's show's named data, for this step only.
        generator.namedData = registry ? &registry->namedData : nullptr;
        runStep(pixels, track);
        generator.namedData = nullptr;
    }
    return 0;
}

int Texture::build()
{
    applyBuildTracks();
    applyParamTracks();
    upload();
    draw();
    return 0;
}

void Texture::clearContent()
{
    if (pixels) std::memset(pixels, 0, pixelCount(size) * sizeof(uint32_t));
}

void Texture::upload()
{
    unload();
    if (pixels && textureDevice.upload) textureDevice.upload(*this);
}

void Texture::unload()
{
    if (glTexture != 0 && textureDevice.unload) textureDevice.unload(*this);
    glTexture = 0;
}

void textureToRgba(const Texture& texture, uint8_t* rgba)
{
    const size_t count = pixelCount(texture.size);
    for (size_t i = 0; i < count; ++i) {
        const uint32_t word = texture.pixels[i];
        rgba[4 * i + 0] = static_cast<uint8_t>(word >> 16);
        rgba[4 * i + 1] = static_cast<uint8_t>(word >> 8);
        rgba[4 * i + 2] = static_cast<uint8_t>(word);
        rgba[4 * i + 3] = static_cast<uint8_t>(word >> 24);
    }
}

Texture* textureAt(ObjectRegistry* registry, int32_t index)
{
    if (!registry) return nullptr;
    return dynamic_cast<Texture*>(registry->at(SectionKind::Texture, index));
}
