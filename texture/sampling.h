// The two samplers of the distortions. Both read the scratch copy of the
// image at float32 positions (column x, row y) of a genSize image.
#pragma once
#include <cstdint>

// Without smoothing: the pixel at the truncated position; outside the image
// the step's edge mode decides (wrap, clamp, mirror or transparent black).
uint32_t pointSample(const uint32_t* image, float x, float y);
// With smoothing: the four neighbours weighted in 1/256 steps, always
// wrapping around the edges.
uint32_t bilinearSample(const uint32_t* image, float x, float y);
