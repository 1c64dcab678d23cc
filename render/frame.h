// One frame of the show: the current Scene through its camera, then the 2D
// layers, then the buffer swap.
#pragma once

void renderFrame();
