// A positional OpenGL light with ambient, diffuse and specular colours,
// placed and coloured by its tracks. The renderer gives each active light a
// slot every frame and applies it under the camera, so its position is in
// world space.
#pragma once
#include <cstdint>

#include "core/project_object.h"
#include "scene/light_tracks.h"

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
