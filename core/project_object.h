// The base of every project object kind: an activity interval, two track
// lists and the thirteen operations through which the loader, the build
// pass, the per-frame update and the renderer drive all kinds alike.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/object_list.h"
#include "core/track.h"

struct ObjectRegistry;

constexpr uint32_t DESTROY_FREE = 1;  // destroy(flags): also free the object's block

class ProjectObject {
public:
    float startTime = 0.0f;  // seconds; first moment of activity
    float endTime = 0.0f;    // seconds; last moment of activity
    ObjectList<AnimTrack> paramTracks;
    ObjectList<AnimTrack> buildTracks;
    // The registry the object belongs to, through which its tracks find other
    // objects by index; null for an object outside any.
    ObjectRegistry* registry = nullptr;

    ProjectObject() = default;
    ProjectObject(const ProjectObject&) = delete;
    ProjectObject& operator=(const ProjectObject&) = delete;

    // The operations, in their fixed slot order (0 to 12).
    // Slots 0 and 1: a kind's exchange with its shared workspace (textures
    // and meshes), part of the fixed table; no pass of the show calls them.
    virtual int copyToWorkspace() { return 0; }
    virtual int copyFromWorkspace() { return 0; }
    virtual int applyTrack(AnimTrack& track) { return 0; }
    virtual int build() { return 0; }
    // Slot 4: kept empty so that the later slots keep their places.
    virtual int reserved() { return 0; }
    virtual void clearContent() {}
    virtual void upload() {}
    virtual void unload() {}
    virtual void draw() {}
    virtual void applyParamTracks();
    virtual void applyBuildTracks();
    virtual void animate(float time, float elapsed);
    virtual void destroy(uint32_t flags);

    // Objects live in engine heap blocks, zero-filled before construction.
    static void* operator new(size_t size);
    static void operator delete(void* address);

protected:
    virtual ~ProjectObject();  // clears paramTracks, then buildTracks
};

void releaseListItem(ProjectObject* object);
