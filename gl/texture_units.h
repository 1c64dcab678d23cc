// The one set-up of the two texture units every pass uses.
#pragma once
#include <cstdint>

enum class TexCoords { FromVertices, SphereMap };

// Selects `unit` (0 or 1) for server and client state and sets it up: `on`
// enables 2D texturing there, modulated, with texture `name` bound and the
// coordinates as `coords` says; otherwise texturing is off on that unit.
// The unit stays selected.
void setTextureUnit(int unit, bool on, uint32_t name = 0, TexCoords coords = TexCoords::FromVertices);

// Texturing off on unit 1, then on unit 0, which is left selected.
void disableTextureUnits();
