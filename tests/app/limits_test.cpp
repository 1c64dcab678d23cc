#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/limits.h"
#include "core/memory.h"
#include "core/numeric.h"
#include "scene/object_kinds.h"
#include "core/project_reader.h"
#include "core/timeline.h"
#include "authoring/project_source.h"

namespace {

// The limit error for a project source, or "" when it is within the limits.
std::string limitError(const std::string& source)
{
    ProjectBuilder project;
    std::string error;
    if (!parseProjectSource(source, "test.proj", project, error)) return "source: " + error;
    const std::vector<uint8_t> bytes = project.bytes();
    ObjectRegistry registry;
    Timeline timeline;
    ProjectStream stream(bytes.data(), bytes.size());
    if (loadProject(stream, registry, timeline, createObjectOfKind) < 0) return "load: " + stream.error();
    checkShowLimits(registry, ShowLimits(), error);
    // The check before anything is created says the same.
    std::string early;
    EXPECT_EQ(projectWithinLimits(bytes.data(), bytes.size(), ShowLimits(), early), error.empty());
    EXPECT_EQ(early, error);
    return error;
}

TEST(Limits, RefusesWhatPassesALimitAndNamesObjectTrackAndLimit)
{
    struct Case {
        const char* source;
        const char* error;  // "" when accepted
    };
    const Case cases[] = {
        // The largest values that fit are accepted.
        {"mesh\n build Grid 511 341\n", ""},  // 6 x 511 x 341 = 1,045,506 corners
        {"mesh\n param Repeat 1000\nscene\n param ZoomGlow 6 256\n param RingGlow 4 256\n", ""},
        {"texture\n build Sprinkle 1048576\nparticles\n param Emission 16384\n", ""},
        {"texture\n build SetSize 1e9\n", ""},  // brought to 512, as always
        {"mesh\n param Repeat 3e9\n", ""},      // truncates to INT32_MIN: no copies
        {"mesh\n build Grid 1670 1670\n", "mesh 0, track Grid: 2792241 positions in one mesh exceed the limit of 1048576"},
        {"mesh\n build Sphere 1000 1000\n", "mesh 0, track Sphere: 6012006 corners in one mesh exceed"},
        {"mesh\n build Tube 2 600000\n", "mesh 0, track Tube: 1800003 positions"},
        {"mesh\n build Grid 400 400\nmesh\n build Grid 400 400\nmesh\n build Grid 400 400\n",
         "mesh 2, track Grid: 2880000 corners in all meshes exceed the limit of 2097152"},
        {"mesh\nmesh\n param Repeat 1001\n", "mesh 1, track Repeat: 1001 repeats exceed the limit of 1000"},
        {"texture\n build Sprinkle 2147483520\n", "texture 0, track Sprinkle: 2147483520 sprinkles exceed"},
        {"scene\n param ZoomGlow 6 2e9\n", "scene 0, track ZoomGlow: 2000000000 glow layers exceed the limit of 256"},
        {"scene\n param RingGlow 4 257\n", "scene 0, track RingGlow: 257 ring copies"},
        {"particles\n param Emission 2e7\n", "particles 0, track Emission: 20000000 particles in one system"},
        {"particles\n param Emission 16000\nparticles\n param Emission 16000\nparticles\n param Emission 16000\n"
         "particles\n param Emission 16000\nparticles\n param Emission 16000\n",
         "particles 4, track Emission: 80000 particles in all systems exceed the limit of 65536"},
        // Keyed values count at every value their curve reaches, also past
        // the object's time (which the source must then allow).
        {"mesh\n param Repeat 0 unchecked\n  key 0 smooth 0\n  key 1 smooth 5000\n", "mesh 0, track Repeat: 5000 repeats"},
        {"mesh\n param Repeat 0 unchecked\n  key 0 smooth 0\n  key 1 smooth 900\n  key 2 smooth 1000\n  key 3 smooth 0\n",
         "mesh 0, track Repeat: 10"},  // the spline overshoots its keys
        {"mesh\n param Repeat 0 still exact\n  key 0 smooth 5000\n", ""},  // keys never evaluated
        {"mesh\n build Repeat 0 exact\n  key 0 smooth 5000\n", ""},        // build tracks use their value only
        {"scene\n param ZoomGlow 6 1 unchecked\n  key 0 smooth 6 1\n  key 1 smooth 6 1e30\n",
         "scene 0, track ZoomGlow: keys run beyond any glow layers; the limit is 256"},
    };
    for (const Case& c : cases) {
        const std::string error = limitError(c.source);
        if (*c.error == '\0') EXPECT_EQ(error, "") << c.source;
        else EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.source << "\n gave: " << error;
    }
}

TEST(Limits, ACurvesHighestValueIsFoundWhateverTheKeyModes)
{
    // Dense sampling of the engine's own evaluation never passes the bound,
    // and the bound is tight to within one.
    const KeyMode modes[] = {KeyMode::Step, KeyMode::Local, KeyMode::Smooth};
    const float values[][5] = {{0, 1000, 0, 1000, 0}, {500, 0, 900, -300, 40}, {10, 10, 10, 10, 10},
                               {-5, 800, 790, 810, 0}, {0, 0, 1000, 1000, 0}};
    for (const auto& v : values)
        for (KeyMode a : modes)
            for (KeyMode b : modes) {
                AnimTrack track;
                track.flags = TRACK_APPLY | TRACK_ANIMATED;
                for (int k = 0; k < 5; ++k) {
                    AnimKey* key = track.keys.append(memNew<AnimKey>());
                    key->time = static_cast<float>(k);
                    key->mode = static_cast<uint8_t>(k % 2 ? a : b);
                    key->value[0] = v[k];
                }
                const int64_t bound = highestTrackInt(track, 0, true);
                int64_t sampled = INT64_MIN;
                for (int i = 0; i <= 4000; ++i) {
                    evaluateTrack(track, static_cast<float>(i) / 1000.0f);
                    sampled = std::max<int64_t>(sampled, static_cast<int32_t>(track.value[0]));
                }
                EXPECT_LE(sampled, bound) << v[1] << " modes " << int(a) << int(b);
                EXPECT_LE(bound, sampled + 1) << v[1] << " modes " << int(a) << int(b);
            }
}

// Keys that cancel in real numbers but not in float32: the bound holds what
// the engine computes, sampled densely, and a count built so is refused.
TEST(Limits, TheBoundHoldsTheEnginesFloat32Arithmetic)
{
    const float keys[][5] = {{100, -1.7e15f, -1.5e16f, 0, 0},   {0, 3e9f, -3e9f, 3e9f, 0},
                             {100, 1e12f, -1e12f, 1e12f, 100}, {1, 2, 3, 4, 5},
                             {16000, -2e7f, 2e7f, -2e7f, 16000}};
    const float spacings[] = {1.0f, 0.37f, 13.1f};
    for (const auto& v : keys)
        for (float spacing : spacings) {
            AnimTrack track;
            track.flags = TRACK_APPLY | TRACK_ANIMATED;
            for (int k = 0; k < 5; ++k) {
                AnimKey* key = track.keys.append(memNew<AnimKey>());
                key->time = 40.0f + k * spacing;
                key->mode = static_cast<uint8_t>(KeyMode::Smooth);
                key->value[0] = v[k];
            }
            const int64_t bound = highestTrackInt(track, 0, true);
            int64_t sampled = INT64_MIN;
            for (int i = 0; i <= 20000; ++i) {
                evaluateTrack(track, 40.0f + 4.0f * spacing * static_cast<float>(i) / 20000.0f);
                sampled = std::max<int64_t>(sampled, truncToInt32(track.value[0]));
            }
            EXPECT_LE(sampled, bound) << v[1] << " spacing " << spacing;
        }
    EXPECT_EQ(limitError("particles from 0 to 60\n  param Emission 100\n    key 40 smooth 100\n    key 41 smooth -1.7e15\n"
                         "    key 42 smooth -1.5e16\n    key 43 smooth 0\n"),
              "particles 0, track Emission: keys run beyond any particles in one system; the limit is 16384");
}

}  // namespace
