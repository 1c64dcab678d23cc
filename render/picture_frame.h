// Where the show's 4:3 picture lies on an output of any shape: as large as
// fits, centred, with black bars beside it (pillarbox) or above and below
// (letterbox). Stretched, it fills the output as it is.
#pragma once
#include <cstdint>

enum class PictureFit : uint8_t { KeepShape, Stretch };

struct PictureRect {
    int32_t x, y;           // from the output's bottom left, pixels
    int32_t width, height;  // the picture's own size: what the show draws at
};

// A 4:3 output (and a stretched one) is the whole output; otherwise the
// picture's long side is the output's, the short side its 4:3 share
// (truncated), centred (the odd pixel of a bar goes to the far side).
PictureRect fitPicture(int32_t outputWidth, int32_t outputHeight, PictureFit fit);
