#include "core/track.h"

#include <cstring>

AnimTrack::~AnimTrack()
{
    keys.clear();
    memFree(name);
    name = nullptr;
}

void AnimTrack::setName(const char* text)
{
    memFree(name);
    name = nullptr;
    if (text && *text) name = memDuplicateString(text, std::strlen(text));
}

void releaseListItem(AnimTrack* track) { memDelete(track); }
void releaseListItem(AnimKey* key) { memDelete(key); }

namespace {

bool isSmooth(const AnimKey* key) { return key->mode == static_cast<uint8_t>(KeyMode::Smooth); }
bool isStep(const AnimKey* key) { return key->mode == static_cast<uint8_t>(KeyMode::Step); }

}  // namespace

void evaluateTrack(AnimTrack& track, float time)
{
    ListNode<AnimKey>* second = track.keys.head();
    while (second && second->item->time < time) second = second->next;
    if (!second) return;

    const AnimKey* k2 = second->item;
    if (!second->previous) {
        std::memcpy(track.value, k2->value, sizeof track.value);
        return;
    }
    ListNode<AnimKey>* first = second->previous;
    const AnimKey* k1 = first->item;
    const float u = (time - k1->time) / (k2->time - k1->time);

    if (!first->previous && !second->next) {
        for (int i = 0; i < TRACK_VALUES; ++i)
            track.value[i] = (1.0f - u) * k1->value[i] + u * k2->value[i];
        return;
    }

    const float* p1 = k1->value;
    const float* p2 = k2->value;
    const float* p0 = first->previous ? first->previous->item->value : k1->value;
    const float* p3 = second->next ? second->next->item->value : k2->value;
    if (!isSmooth(k1)) p0 = k1->value;
    if (!isSmooth(k2)) p3 = k2->value;
    if (isStep(k1)) {
        p2 = k1->value;
        p3 = k1->value;
    }

    const float u2 = u * u;
    const float u3 = u2 * u;
    for (int i = 0; i < TRACK_VALUES; ++i) {
        const float c1 = -p0[i] + p2[i];
        const float c2 = 2.0f * p0[i] - 5.0f * p1[i] + 4.0f * p2[i] - p3[i];
        const float c3 = -p0[i] + 3.0f * p1[i] - 3.0f * p2[i] + p3[i];
        const float c0 = 2.0f * p1[i];
        track.value[i] = 0.5f * (c3 * u3 + c2 * u2 + c1 * u + c0);
    }
}
