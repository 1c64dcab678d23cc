// The Texture object: a square 32-bit image generated once by its own build
// program, kept in main memory and uploaded as an OpenGL 2D texture by the
// renderer (textureDevice below).
// Meshes, particle systems and overlays bind textures by their index in the
// Texture section.
#pragma once
#include <cstdint>

#include "core/project_object.h"

// Pixel word: alpha in bits 24-31, red 16-23, green 8-15, blue 0-7; in
// memory blue, green, red, alpha. Rows follow one another, row 0 first.
class Texture : public ProjectObject {
public:
    uint32_t glTexture = 0;      // OpenGL texture name; 0 = none on the card
    int32_t size = -1;           // edge length in pixels; -1 before the first sizing
    uint32_t* pixels = nullptr;  // size x size pixel words, engine heap

    Texture();  // 256 x 256, transparent black, nothing on the card

    // A power of two from 2 to 512. Another size is brought to the nearest
    // power of two at or below it within that range (see normaliseTextureSize).
    // The same size keeps the image; any other size makes it transparent black.
    void setSize(int32_t n);

    int copyToWorkspace() override;    // pixels -> the shared 512 x 512 workspace image
    int copyFromWorkspace() override;  // workspace image -> pixels
    int applyTrack(AnimTrack& track) override;  // one build step (id 22 resizes first)
    int build() override;               // build tracks, param tracks, upload
    void clearContent() override;       // every pixel word 0
    void upload() override;             // unload, then a new texture from the pixels (textureDevice)
    void unload() override;             // delete the OpenGL texture if any (textureDevice)

protected:
    // Releases the pixels. The OpenGL texture ends with the rendering context.
    ~Texture() override;
};

// The card's side of a Texture. The render layer installs it while a GL
// context exists (render/object_gl.cpp); without it a Texture is data only
// and its glTexture stays 0.
struct TextureDevice {
    void (*upload)(Texture& texture) = nullptr;  // a new card texture from the pixels, named in glTexture
    void (*unload)(Texture& texture) = nullptr;  // deletes the card texture glTexture names
};
extern TextureDevice textureDevice;

// The Texture at position `index` of the registry's Texture section, or
// null (no registry, or no such position).
Texture* textureAt(ObjectRegistry* registry, int32_t index);

// The texture's pixels as bytes red, green, blue, alpha (size x size x 4),
// row 0 first.
void textureToRgba(const Texture& texture, uint8_t* rgba);

// The texture workspace image shared by all textures (512 x 512 words).
uint32_t* textureWorkspace();
