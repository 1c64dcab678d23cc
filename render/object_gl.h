// The card's side of the project objects: what their upload, unload and
// draw do with OpenGL, from the objects' data. initRenderer installs these
// into textureDevice, meshDevice and particleDevice.
#pragma once
#include <cstdint>

class Texture;
class Mesh;
class Light;
class ParticleSystem;
class MeshBuffers;

void installObjectDevices();
void removeObjectDevices();

// glBindTexture(GL_TEXTURE_2D, texture.glTexture).
void bindTexture(const Texture& texture);
// Texture units before drawing a mesh: unit 0 modulated colour texture,
// unit 1 sphere map. Leaves unit 1 selected.
void bindMeshTextures(const Mesh& mesh);
// Multiplies the modelview matrix by the parent chain's placements (root
// first), then the mesh's.
void applyMeshTransform(const Mesh& mesh);
// Draws the buffers with their cull mode; nothing without buffer objects.
void drawGeometry(const MeshBuffers& buffers);
// Switches GL_LIGHT0 + lightNumber on with the colours and the position.
void applyLight(const Light& light);
// A particle system's blending, alpha and depth tests, lighting off and no
// depth writes (glDepthMask(GL_TRUE) ends it).
void applyParticleState();
// Unit 1 off; unit 0 with the particle texture, modulated, or off.
void setParticleTextureUnits(const ParticleSystem& system);
