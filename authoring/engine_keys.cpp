#include "authoring/engine_keys.h"

#include <cmath>
#include <cstring>
#include <limits>

using Key = ProjectBuilder::Key;

namespace {

constexpr uint8_t STEP = static_cast<uint8_t>(KeyMode::Step);

bool sameKeys(const std::vector<Key>& a, const std::vector<Key>& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::memcmp(&a[i].time, &b[i].time, sizeof(float)) != 0 || a[i].mode != b[i].mode ||
            std::memcmp(a[i].value.data(), b[i].value.data(), sizeof a[i].value) != 0)
            return false;
    return true;
}

}  // namespace

float justBefore(float t) { return std::nextafter(t, -std::numeric_limits<float>::infinity()); }
float justAfter(float t) { return std::nextafter(t, std::numeric_limits<float>::infinity()); }

std::vector<Key> engineKeys(const std::vector<Key>& source, float holdUntil)
{
    std::vector<Key> keys = source;
    if (keys.size() <= 1) {
        if (!keys.empty() && keys[0].time < holdUntil) keys[0].time = holdUntil;
        return keys;
    }
    for (size_t i = 1; i < keys.size(); ++i)
        if (source[i - 1].mode == STEP) keys[i].time = justBefore(source[i].time);
    const bool holds = keys.back().time < holdUntil;
    const bool wouldBlend = keys.size() == 2 && source[0].mode == STEP;
    if (holds || wouldBlend) {
        Key closing = keys.back();
        closing.time = holds ? holdUntil : source.back().time;
        closing.mode = STEP;
        keys.back().mode = STEP;
        keys.push_back(closing);
    }
    return keys;
}

bool sourceKeysOf(const std::vector<Key>& engine, float holdUntil, std::vector<Key>& source)
{
    // Candidates: the keys as they are, and without a closing key; each with
    // the shifted times moved back to where the source wrote them.
    for (int dropClosing = 0; dropClosing < 2; ++dropClosing) {
        std::vector<Key> keys = engine;
        if (dropClosing) {
            if (keys.size() < 3) continue;
            const Key& closing = keys.back();
            const Key& last = keys[keys.size() - 2];
            if (closing.mode != STEP || last.mode != STEP ||
                std::memcmp(closing.value.data(), last.value.data(), sizeof closing.value) != 0)
                continue;
            keys.pop_back();
        }
        for (size_t i = 1; i < keys.size(); ++i)
            if (keys[i - 1].mode == STEP) keys[i].time = justAfter(keys[i].time);
        if (sameKeys(engineKeys(keys, holdUntil), engine)) {
            source = keys;
            return true;
        }
    }
    return false;
}
