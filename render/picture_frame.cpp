#include "render/picture_frame.h"

PictureRect fitPicture(int32_t outputWidth, int32_t outputHeight, PictureFit fit)
{
    PictureRect rect = {0, 0, outputWidth, outputHeight};
    if (fit == PictureFit::Stretch || outputWidth <= 0 || outputHeight <= 0) return rect;
    // 64-bit: no overflow at any size a drawable may have.
    const int64_t wide = int64_t(outputWidth) * 3, tall = int64_t(outputHeight) * 4;
    if (wide > tall) {
        rect.width = static_cast<int32_t>(tall / 3);
        rect.x = (outputWidth - rect.width) / 2;
    } else if (wide < tall) {
        rect.height = static_cast<int32_t>(wide / 4);
        rect.y = (outputHeight - rect.height) / 2;
    }
    return rect;
}
