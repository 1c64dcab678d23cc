// The preview's pictures besides the show's frame: one texture by itself, one
// mesh by itself, or nothing yet; each is shown with the overlay
// (tr.afterFrame) drawn over it.
#pragma once

class Mesh;
class Texture;

// The texture at 1:1 on the left and four copies side by side on the right,
// where its edges meet, over a dark ground; row 0 at the top, as its dump
// shows it.
void drawTextureView(const Texture& texture);
// The mesh's geometry with its material and textures, centred, turned
// `degrees` about the vertical and lit from the upper left front.
void drawMeshView(Mesh& mesh, float degrees);
// A dark window, for a preview that has nothing good to show yet.
void drawEmptyView();
// The overlay, then the buffer swap.
void presentPreviewView();
