#include "core/project_object.h"

ProjectObject::~ProjectObject()
{
    paramTracks.clear();
    buildTracks.clear();
}

void* ProjectObject::operator new(size_t size) { return memAlloc(size); }
void ProjectObject::operator delete(void* address) { memFree(address); }

void ProjectObject::applyParamTracks()
{
    for (AnimTrack* track : paramTracks)
        if (track->applies()) applyTrack(*track);
}

void ProjectObject::applyBuildTracks()
{
    for (AnimTrack* track : buildTracks)
        if (track->applies()) applyTrack(*track);
}

void ProjectObject::animate(float time, float elapsed)
{
    for (AnimTrack* track : paramTracks)
        if (track->animated()) evaluateTrack(*track, time);
    applyParamTracks();
}

void ProjectObject::destroy(uint32_t flags)
{
    if (flags & DESTROY_FREE) delete this;
    else this->~ProjectObject();
}

void releaseListItem(ProjectObject* object)
{
    if (object) object->destroy(DESTROY_FREE);
}
