// The tracks of a Scene: camera, fog, clear, fade, zoom glow, images and
// viewport, and the 2D layers (overlays, captions, ring glows) that the
// renderer draws straight from the tracks.
#pragma once
#include <cstdint>

#include "core/track_schema.h"

enum class SceneTrack : uint8_t {
    Camera = 0,
    Fog = 1,
    Clear = 2,
    Fade = 3,
    ZoomGlow = 4,
    Overlay = 5,     // an image quad over the frame, drawn from the track
    Background = 6,  // the same fields, drawn before the 3D pass
    Viewport = 7,
    Caption = 8,     // the track's name as text, drawn from the track
    RingGlow = 9,    // drawn from the track
};

// The fog of a Scene; any other value switches fog off.
enum class FogMode : int32_t { Linear = 0, Exp = 1, Exp2 = 2 };

extern const TrackTable sceneTracks;
extern const ModeList fogModeNames;

// Colours of the camera, fog, clear, fade, glow and caption tracks are out
// of 256; image and ring-glow colours out of 255.
namespace SceneCamera {
inline constexpr TrackValue eyeX{0, "eyeX", ValueUnit::WorldUnits, -32768, 32768, 0};
inline constexpr TrackValue eyeY{1, "eyeY", ValueUnit::WorldUnits, -32768, 32768, 0};
inline constexpr TrackValue eyeZ{2, "eyeZ", ValueUnit::WorldUnits, -32768, 32768, 0};
inline constexpr TrackValue targetX{3, "targetX", ValueUnit::WorldUnits, -32768, 32768, 0};
inline constexpr TrackValue targetY{4, "targetY", ValueUnit::WorldUnits, -32768, 32768, 0};
inline constexpr TrackValue targetZ{5, "targetZ", ValueUnit::WorldUnits, -32768, 32768, -320};
inline constexpr TrackValue roll{6, "roll", ValueUnit::Degrees, -36000, 36000, 0};
inline constexpr TrackValue values[] = {eyeX, eyeY, eyeZ, targetX, targetY, targetZ, roll};
}  // namespace SceneCamera

namespace SceneFog {
inline constexpr TrackValue mode{0, "mode", ValueUnit::Mode, -1, 2, 0, &fogModeNames};
inline constexpr TrackValue red{3, "red", ValueUnit::Colour256, 0, 256, 128};
inline constexpr TrackValue green{4, "green", ValueUnit::Colour256, 0, 256, 128};
inline constexpr TrackValue blue{5, "blue", ValueUnit::Colour256, 0, 256, 128};
inline constexpr TrackValue start{6, "start", ValueUnit::WorldUnits, -32768, 32768, 3.2f};
inline constexpr TrackValue end{7, "end", ValueUnit::WorldUnits, -32768, 32768, 192};
inline constexpr TrackValue density{9, "density", ValueUnit::Percent, 0, 10000, 50};
inline constexpr TrackValue values[] = {mode, red, green, blue, start, end, density};
}  // namespace SceneFog

namespace SceneClear {
inline constexpr TrackValue clear{0, "clear", ValueUnit::Flag, 0, 1, 1};  // off: only the depth buffer
inline constexpr TrackValue red{3, "red", ValueUnit::Colour256, 0, 256, 0};
inline constexpr TrackValue green{4, "green", ValueUnit::Colour256, 0, 256, 0};
inline constexpr TrackValue blue{5, "blue", ValueUnit::Colour256, 0, 256, 0};
inline constexpr TrackValue fogColour{6, "fogColour", ValueUnit::Flag, 0, 1, 0};  // clear to the fog colour
inline constexpr TrackValue values[] = {clear, red, green, blue, fogColour};
}  // namespace SceneClear

namespace SceneFade {
inline constexpr TrackValue alpha{0, "alpha", ValueUnit::Percent, 0, 100, 0};
inline constexpr TrackValue red{3, "red", ValueUnit::Colour256, 0, 256, 0};
inline constexpr TrackValue green{4, "green", ValueUnit::Colour256, 0, 256, 0};
inline constexpr TrackValue blue{5, "blue", ValueUnit::Colour256, 0, 256, 0};
inline constexpr TrackValue values[] = {alpha, red, green, blue};
}  // namespace SceneFade

namespace SceneZoomGlow {
// The size switches the glow on when above 0; a hundredth of it is the alpha.
inline constexpr TrackValue size{0, "size", ValueUnit::Number, 0, 1000, 6};
inline constexpr TrackValue count{1, "count", ValueUnit::Integer, 0, 256, 4};
inline constexpr TrackValue red{3, "red", ValueUnit::Colour256, 0, 256, 128};
inline constexpr TrackValue green{4, "green", ValueUnit::Colour256, 0, 256, 128};
inline constexpr TrackValue blue{5, "blue", ValueUnit::Colour256, 0, 256, 128};
inline constexpr TrackValue values[] = {size, count, red, green, blue};
}  // namespace SceneZoomGlow

namespace SceneImage {  // Overlay and Background
inline constexpr TrackValue texture{0, "texture", ValueUnit::TextureIndex, -1, 255, -1, &noObjectNames};
inline constexpr TrackValue alpha{1, "alpha", ValueUnit::Colour255, 0, 255, 255};
inline constexpr TrackValue x{3, "x", ValueUnit::Percent, -1000, 1000, 0};  // of the screen, from the bottom left
inline constexpr TrackValue y{4, "y", ValueUnit::Percent, -1000, 1000, 0};
inline constexpr TrackValue width{6, "width", ValueUnit::Percent, -1000, 1000, 100};
inline constexpr TrackValue height{7, "height", ValueUnit::Percent, -1000, 1000, 100};
inline constexpr TrackValue red{9, "red", ValueUnit::Colour255, 0, 255, 255};
inline constexpr TrackValue green{10, "green", ValueUnit::Colour255, 0, 255, 255};
inline constexpr TrackValue blue{11, "blue", ValueUnit::Colour255, 0, 255, 255};
inline constexpr TrackValue values[] = {texture, alpha, x, y, width, height, red, green, blue};
}  // namespace SceneImage

namespace SceneViewport {
inline constexpr TrackValue on{0, "on", ValueUnit::Flag, 0, 1, 1};
inline constexpr TrackValue x{3, "x", ValueUnit::Percent, -1000, 1000, 0};  // of the screen
inline constexpr TrackValue y{4, "y", ValueUnit::Percent, -1000, 1000, 0};
inline constexpr TrackValue width{6, "width", ValueUnit::Percent, -1000, 1000, 100};
inline constexpr TrackValue height{7, "height", ValueUnit::Percent, -1000, 1000, 100};
inline constexpr TrackValue fieldOfView{9, "fieldOfView", ValueUnit::Degrees, 0, 180, 70};
inline constexpr TrackValue aspect{10, "aspect", ValueUnit::Number, 0, 100, 1.33f};
inline constexpr TrackValue values[] = {on, x, y, width, height, fieldOfView, aspect};
}  // namespace SceneViewport

namespace SceneCaption {  // the text is the track's name
inline constexpr TrackValue x{0, "x", ValueUnit::Percent, -1000, 1000, 0};  // of the screen
inline constexpr TrackValue y{1, "y", ValueUnit::Percent, -1000, 1000, 0};
inline constexpr TrackValue red{3, "red", ValueUnit::Colour256, 0, 256, 256};
inline constexpr TrackValue green{4, "green", ValueUnit::Colour256, 0, 256, 256};
inline constexpr TrackValue blue{5, "blue", ValueUnit::Colour256, 0, 256, 256};
inline constexpr TrackValue alpha{6, "alpha", ValueUnit::Colour256, 0, 256, 256};
inline constexpr TrackValue values[] = {x, y, red, green, blue, alpha};
}  // namespace SceneCaption

namespace SceneRingGlow {
inline constexpr TrackValue radius{0, "radius", ValueUnit::Number, -4096, 4096, 4};  // pixels
inline constexpr TrackValue count{1, "count", ValueUnit::Integer, 0, 256, 6};
inline constexpr TrackValue red{3, "red", ValueUnit::Colour255, 0, 255, 255};
inline constexpr TrackValue green{4, "green", ValueUnit::Colour255, 0, 255, 255};
inline constexpr TrackValue blue{5, "blue", ValueUnit::Colour255, 0, 255, 255};
inline constexpr TrackValue values[] = {radius, count, red, green, blue};
}  // namespace SceneRingGlow
