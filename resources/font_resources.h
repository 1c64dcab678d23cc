// Fonts assembled into the executable.
#pragma once
#include <cstddef>
#include <cstdint>

struct ResourceBlock {
    const uint8_t* data;
    size_t size;
};

ResourceBlock dialogFontResource();  // the setup dialog's texts
ResourceBlock captionFontResource();  // captions over the frame: heavy, condensed
ResourceBlock outlineFontResource();  // extruded 3D text: heavy
