#include <gtest/gtest.h>

#include <vector>

#include "scene/object_kinds.h"
#include "core/project_object.h"

namespace {

class Recorder : public ProjectObject {
public:
    int applyTrack(AnimTrack& track) override
    {
        applied.push_back(track.value[0]);
        return 0;
    }
    std::vector<float> applied;
};

AnimTrack* addTrack(ObjectList<AnimTrack>& list, float value, uint32_t flags)
{
    AnimTrack* track = list.append(memNew<AnimTrack>());
    track->value[0] = value;
    track->flags = flags;
    return track;
}

TEST(ProjectObject, AFreshObjectHasNoIntervalAndNoTracks)
{
    ObjectRegistry registry;
    for (int kind = 0; kind < SECTION_COUNT; ++kind) {
        ProjectObject* object = createObjectOfKind(static_cast<SectionKind>(kind), registry);
        if (!object) continue;  // the Timeline is not created per entry
        EXPECT_EQ(object->startTime, 0.0f);
        EXPECT_EQ(object->endTime, 0.0f);
        EXPECT_EQ(object->paramTracks.count(), 0);
        EXPECT_EQ(object->buildTracks.count(), 0);
        object->destroy(DESTROY_FREE);
    }
}

TEST(ProjectObject, AppliesOnlyTracksWithTheApplyBitInListOrder)
{
    Recorder* object = new Recorder();
    addTrack(object->paramTracks, 1.0f, TRACK_APPLY | 4);
    addTrack(object->paramTracks, 2.0f, 4);  // skipped
    addTrack(object->paramTracks, 3.0f, TRACK_APPLY | 4);  // same id: both applied, the later stays
    addTrack(object->buildTracks, 9.0f, TRACK_APPLY);
    object->applyParamTracks();
    EXPECT_EQ(object->applied, (std::vector<float>{1.0f, 3.0f}));
    object->applied.clear();
    object->applyBuildTracks();
    EXPECT_EQ(object->applied, (std::vector<float>{9.0f}));
    object->destroy(DESTROY_FREE);
}

TEST(ProjectObject, AnimateEvaluatesOnlyAnimatedParameterTracks)
{
    Recorder* object = new Recorder();
    AnimTrack* animated = addTrack(object->paramTracks, 0.0f, TRACK_APPLY | TRACK_ANIMATED);
    AnimTrack* still = addTrack(object->paramTracks, 5.0f, TRACK_APPLY);  // keyed but not animated
    AnimTrack* build = addTrack(object->buildTracks, 7.0f, TRACK_APPLY | TRACK_ANIMATED);
    for (AnimTrack* track : {animated, still, build}) {
        AnimKey* key = track->keys.append(memNew<AnimKey>());
        key->value[0] = 42.0f;
    }
    object->animate(0.0f, 0.016f);
    EXPECT_EQ(animated->value[0], 42.0f);
    EXPECT_EQ(still->value[0], 5.0f);
    EXPECT_EQ(build->value[0], 7.0f);  // build tracks are never evaluated
    EXPECT_EQ(object->applied, (std::vector<float>{42.0f, 5.0f}));
    object->destroy(DESTROY_FREE);
}

TEST(ObjectKinds, EachSectionCreatesItsOwnKind)
{
    for (int kind = 0; kind < SECTION_COUNT; ++kind)
        EXPECT_EQ(static_cast<int>(objectKind(static_cast<SectionKind>(kind)).section), kind);
    EXPECT_EQ(objectKind(SectionKind::Timeline).create, nullptr);
}

}  // namespace
