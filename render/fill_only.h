// The frame's fill alone, for the timedemo: what a frame costs the
// rasterizer without the geometry, state and calls around its pixels.
//
// A frame is drawn twice more after the real one. The counting frame is the
// real frame with an occlusion query around each mesh draw (with its text
// and repeated copies) and each particle system: the pixels each one drew
// that passed the depth test, whether or not the alpha test then dropped
// them (the count is taken with the alpha test passing all). Fragments
// hidden by nearer ones are not counted, though the rasterizer tests them
// too: the fill is if anything less than the frame's.
// The fill frame then goes through the same passes (clears, glow source and
// its copy, background, the 2D layers, which are full-screen quads already,
// and the present) but draws each mesh and particle system as rectangles of
// the pixels it wrote, over the viewport it was drawn in: as many
// full-viewport quads as the count fills, then the rest as full rows. Each
// rectangle has the mesh's or system's own textures, material, blending,
// alpha test, depth test and depth writes, and (with shaders) its program;
// only its vertices, transforms and per-particle calls are gone.
//
// Both extra frames copy their glow source into a texture of their own, so
// the real frames' sequence is the one of a plain run.
#pragma once
#include <cstdint>

enum class FillMode : uint8_t {
    Off,    // meshes and particles drawn as they are
    Count,  // as they are, each with its pixels counted
    Fill,   // each as rectangles of the pixels counted for it
};

// True when the context offers the occlusion queries a count needs
// (GL_ARB_occlusion_query); with a context current.
bool fillOnlyAvailable();
// Installs the mode's mesh and particle drawing for the frames that follow,
// until the next call. Count starts a new list of counts; Fill draws the
// last list's items in their order (a Fill frame must follow a Count of the
// same frame). Off restores the plain drawing and glow texture.
void setFillMode(FillMode mode);
// The counts of the last Count frame, read back from the card (waits for
// them): the pixels each mesh draw and particle system wrote, in drawing
// order. Valid until the next Count.
const uint32_t* fillCounts(int32_t& count);
// Releases the query objects and the stand-in glow texture.
void releaseFillOnly();
