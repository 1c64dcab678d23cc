#include "mesh/mesh_text.h"

#include "core/memory.h"
#include "mesh/mesh.h"

void MeshText::createGlyphs()
{
    if (meshDevice.createGlyphs) meshDevice.createGlyphs(*this);
}

void MeshText::releaseGlyphs()
{
    if (characters) memFree(characters);
    characters = nullptr;
    // A text that never made its lists owns none: deleting 256 names from 0
    // would take other owners' lists (the caption font's) with them.
    if (listBase != 0 && meshDevice.releaseGlyphs) meshDevice.releaseGlyphs(*this);
    listBase = 0;
}
