#pragma once

// Draws the loading bar for `percent` (0 to 100) in a 400 x 300 reference
// space scaled to the screen, and presents it.
void drawProgress(int percent);
