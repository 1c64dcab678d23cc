#pragma once

// Enables or disables 2D texturing on texture unit 1, then on unit 0, each
// selected for both server and client state; unit 0 is left active.
void setTextureUnits(bool unit0On, bool unit1On);
