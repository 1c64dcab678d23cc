// A positional OpenGL light with ambient, diffuse and specular colours,
// placed and coloured by its tracks. The renderer gives each active light a
// slot every frame and applies it under the camera, so its position is in
// world space.
#pragma once
#include <cstdint>
#include <string_view>

#include "core/project_object.h"

enum class LightTrack : uint8_t {
    Position = 0,  // (v0, v1, v2) / 32, w = 1
    Colours = 1,   // ambient v0..2, diffuse v3..5, specular v6..8, each / 255
};

class Light : public ProjectObject {
public:
    int32_t lightNumber = 0;  // slot 0..6, set by the renderer before it applies the light
    float position[4] = {0.0f, 1.0f, 0.0f, 1.0f};
    float ambient[4] = {0.3f, 0.3f, 0.3f, 1.0f};
    float diffuse[4] = {0.7f, 0.7f, 0.7f, 1.0f};
    float specular[4] = {0.6f, 0.6f, 0.6f, 1.0f};

    int applyTrack(AnimTrack& track) override;
    int build() override;  // the parameter tracks
};

ProjectObject* createLight();
const char* lightTrackName(uint8_t id);
int lightTrackId(std::string_view name);
