#include "core/timeline.h"

namespace {

void applyScene(Timeline& timeline, const AnimTrack& track) { timeline.sceneIndex = readWhole(track, TimelineScene::scene); }

constexpr TrackRow rows[] = {
    {0, "Scene", TrackRole::Param, handlerFor<Timeline, applyScene>,
     "Picks the scene each frame shows; `none`, or an index past the last scene, draws nothing at all.",
     TimelineScene::values},
    // Read where the show's end is needed (Timeline::showLength), not per frame.
    {1, "Length", TrackRole::Param, nullptr,
     "Ends the show, and every capture of it, at `seconds`; its keys are not read.", TimelineLength::values},
};

}  // namespace

const TrackTable timelineTracks = {SectionKind::Timeline, "timeline", rows};
