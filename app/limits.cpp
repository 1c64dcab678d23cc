#include "app/limits.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/numeric.h"
#include "scene/object_kinds.h"
#include "core/project_reader.h"
#include "mesh/mesh.h"
#include "mesh/mesh_tracks.h"
#include "scene/particle_system.h"
#include "scene/scene.h"
#include "texture/generator.h"
#include "texture/operators.h"

namespace {

constexpr double INT32_END = 2147483648.0;

// The engine evaluates a curve in float32: each of its values is the exact
// one within ROUNDING times the sum of the magnitudes of the terms that make
// it (a dozen roundings of 2^-24 each, counted generously). Keys that cancel
// exactly in real numbers (100, -1.7e15, -1.5e16) do not cancel in float32,
// so the bound holds the exact curve raised by that error, which is large
// where the keys are large.
constexpr double ROUNDING = 16.0 / 16777216.0;

// Highest value of one curve segment, computed as evaluateTrack chooses its
// points: two keys alone are joined by a line, otherwise a Catmull-Rom
// cubic whose outer points depend on the key modes. The cubic can overshoot
// its keys, so its turning points inside the segment count too.
double segmentHigh(const ListNode<AnimKey>* first, const ListNode<AnimKey>* second, int index, bool onlyTwo)
{
    const AnimKey* k1 = first->item;
    const AnimKey* k2 = second->item;
    double p1 = k1->value[index], p2 = k2->value[index];
    // A line's error term is a line too: its highest point is at an end.
    if (onlyTwo)
        return std::isfinite(p1) && std::isfinite(p2)
                   ? std::max(p1 + ROUNDING * std::fabs(p1), p2 + ROUNDING * std::fabs(p2))
                   : -HUGE_VAL;
    double p0 = first->previous ? first->previous->item->value[index] : p1;
    double p3 = second->next ? second->next->item->value[index] : p2;
    if (k1->mode != static_cast<uint8_t>(KeyMode::Smooth)) p0 = p1;
    if (k2->mode != static_cast<uint8_t>(KeyMode::Smooth)) p3 = p2;
    if (k1->mode == static_cast<uint8_t>(KeyMode::Step)) p2 = p3 = p1;
    // A NaN or infinite point makes every value of the segment NaN or
    // infinite, which truncates to INT32_MIN: it asks for nothing.
    for (double p : {p0, p1, p2, p3})
        if (!std::isfinite(p)) return -HUGE_VAL;
    // The error term is a cubic of the terms' magnitudes (its coefficients
    // are >= 0 for u in [0, 1]); the curve plus it is one more cubic.
    const double a0 = std::fabs(p0), a1 = std::fabs(p1), a2 = std::fabs(p2), a3 = std::fabs(p3);
    const double c0 = 2.0 * p1 + ROUNDING * 2.0 * a1;
    const double c1 = -p0 + p2 + ROUNDING * (a0 + a2);
    const double c2 = 2.0 * p0 - 5.0 * p1 + 4.0 * p2 - p3 + ROUNDING * (2.0 * a0 + 5.0 * a1 + 4.0 * a2 + a3);
    const double c3 = -p0 + 3.0 * p1 - 3.0 * p2 + p3 + ROUNDING * (a0 + 3.0 * a1 + 3.0 * a2 + a3);
    auto at = [&](double u) { return 0.5 * (((c3 * u + c2) * u + c1) * u + c0); };
    double high = std::max(at(0.0), at(1.0));
    // Turning points: roots of 3 c3 u^2 + 2 c2 u + c1 inside (0, 1).
    const double a = 3.0 * c3, b = 2.0 * c2;
    if (a == 0.0) {
        if (b != 0.0) {
            const double u = -c1 / b;
            if (u > 0.0 && u < 1.0) high = std::max(high, at(u));
        }
    } else {
        const double d = b * b - 4.0 * a * c1;
        if (d >= 0.0)
            for (double u : {(-b + std::sqrt(d)) / (2.0 * a), (-b - std::sqrt(d)) / (2.0 * a)})
                if (u > 0.0 && u < 1.0) high = std::max(high, at(u));
    }
    return high;
}

}  // namespace

int64_t highestTrackInt(const AnimTrack& track, int index, bool played)
{
    int64_t highest = truncToInt32(track.value[index]);
    if (!played || !track.animated() || track.keys.count() == 0) return highest;
    // Non-finite values truncate to INT32_MIN: they ask for nothing.
    double high = -HUGE_VAL;
    for (const ListNode<AnimKey>* node = track.keys.head(); node; node = node->next) {
        const double v = node->item->value[index];
        if (std::isfinite(v)) high = std::max(high, v + ROUNDING * std::fabs(v));
        if (node->previous)
            high = std::max(high, segmentHigh(node->previous, node, index, !node->previous->previous && !node->next));
    }
    if (high >= INT32_END) return INT64_MAX;
    if (high > -INT32_END) highest = std::max<int64_t>(highest, static_cast<int64_t>(high));
    return highest;
}

namespace {

struct Checker {
    const ShowLimits& limits;
    std::string& error;
    SectionKind section = SectionKind::Texture;
    int32_t objectIndex = 0;

    // False (and the error) when `amount` passes `limit`.
    bool within(const AnimTrack& track, int64_t amount, int64_t limit, const char* what)
    {
        return within(&track, amount, limit, what);
    }
    bool within(const AnimTrack* track, int64_t amount, int64_t limit, const char* what)
    {
        if (amount <= limit) return true;
        const ObjectKind& kind = objectKind(section);
        const TrackRow* row = track && kind.tracks ? findTrackRow(*kind.tracks, track->id()) : nullptr;
        const char* name = row ? row->name : nullptr;
        const char* keyword = kind.tracks ? kind.tracks->kind : "object";
        char object[160];
        if (track)
            std::snprintf(object, sizeof object, "%s %d, track %s", keyword, objectIndex, name ? name : "?");
        else
            std::snprintf(object, sizeof object, "%s %d", keyword, objectIndex);
        char line[320];
        if (amount == INT64_MAX)
            std::snprintf(line, sizeof line, "%s: keys run beyond any %s; the limit is %lld", object, what,
                          static_cast<long long>(limit));
        else
            std::snprintf(line, sizeof line, "%s: %lld %s exceed the limit of %lld", object,
                          static_cast<long long>(amount), what, static_cast<long long>(limit));
        error = line;
        return false;
    }
};

// The two lists of an object with whether the track is played (evaluated
// from its keys every frame).
template <class Visit>
bool forEachTrack(ProjectObject& object, Visit visit)
{
    for (AnimTrack* track : object.buildTracks)
        if (!visit(*track, false)) return false;
    for (AnimTrack* track : object.paramTracks)
        if (!visit(*track, true)) return false;
    return true;
}

int64_t atLeast(int64_t n, int64_t minimum) { return n < minimum ? minimum : n; }
// Products of counts that saturate instead of overflowing.
int64_t times(int64_t a, int64_t b)
{
    if (a == 0 || b == 0) return 0;
    return a > INT64_MAX / b ? INT64_MAX : a * b;
}
int64_t plus(int64_t a, int64_t b) { return a > INT64_MAX - b ? INT64_MAX : a + b; }

struct Geometry {
    int64_t positions = 0, corners = 0;
};

// What a generator track makes, from the highest counts it can be given
// (the generators' own minimums applied as they do).
Geometry generatorGeometry(const AnimTrack& track, bool played)
{
    const int64_t a = highestTrackInt(track, 0, played), b = highestTrackInt(track, 1, played);
    switch (track.id()) {
    case static_cast<uint8_t>(MeshTrack::Grid): {
        const int64_t nx = atLeast(a, 1), ny = atLeast(b, 1);
        return {times(plus(nx, 1), plus(ny, 1)), times(6, times(nx, ny))};
    }
    case static_cast<uint8_t>(MeshTrack::Sphere): {
        const int64_t around = atLeast(a, 3), bands = atLeast(b, 3);
        // Texture coordinates outnumber positions: (A + 2)(B + 2).
        return {times(plus(around, 2), plus(bands, 2)), times(6, times(plus(around, 1), plus(bands, 1)))};
    }
    case static_cast<uint8_t>(MeshTrack::Tube): {
        const int64_t around = atLeast(a, 1), along = atLeast(b, 1);
        return {times(plus(around, 1), plus(along, 1)), times(6, times(around, along))};
    }
    default: return {};
    }
}

// Steps run on the texture's size at that moment (256 until a SetSize);
// the texture keeps the largest size it is given.
bool checkTexture(Checker& check, ProjectObject& object, int64_t& bytes, int64_t& pixelSteps)
{
    int64_t edge = 256, largest = 0;
    const AnimTrack* last = nullptr;
    const bool ok = forEachTrack(object, [&](const AnimTrack& track, bool played) {
        last = &track;
        int64_t work = edge * edge;
        if (track.id() == static_cast<uint8_t>(TextureOp::SetSize)) {
            const int64_t n = std::min<int64_t>(highestTrackInt(track, 0, played), INT32_MAX);
            edge = normaliseTextureSize(static_cast<int32_t>(n));
            largest = std::max(largest, edge);
            work = edge * edge;
        }
        if (track.id() == static_cast<uint8_t>(TextureOp::Sprinkle)) {
            const int64_t count = highestTrackInt(track, 0, played);
            if (!check.within(track, count, check.limits.sprinkleCount, "sprinkles")) return false;
            work = std::max<int64_t>(work, 8 * count);
        }
        pixelSteps = plus(pixelSteps, work);
        return check.within(track, pixelSteps, check.limits.texturePixelSteps, "pixel steps in all textures");
    });
    if (!ok) return false;
    if (largest == 0) largest = 256;
    bytes = plus(bytes, largest * largest * 4);
    return check.within(last, bytes, check.limits.textureBytes, "bytes of pixels in all textures");
}

bool checkMesh(Checker& check, ProjectObject& object, Geometry& all, int64_t& textSteps)
{
    Geometry most;
    return forEachTrack(object, [&](const AnimTrack& track, bool played) {
        const uint8_t id = track.id();
        if (id == static_cast<uint8_t>(MeshTrack::Repeat))
            return check.within(track, highestTrackInt(track, 0, played), check.limits.repeatCount, "repeats");
        if (id == static_cast<uint8_t>(MeshTrack::Text3D)) return check.within(track, ++textSteps, check.limits.text3DSteps, "3D text steps");
        if (id != static_cast<uint8_t>(MeshTrack::Grid) && id != static_cast<uint8_t>(MeshTrack::Sphere) && id != static_cast<uint8_t>(MeshTrack::Tube)) return true;
        // A generator replaces the geometry: a mesh holds its largest shape.
        const Geometry g = generatorGeometry(track, played);
        if (!check.within(track, g.positions, check.limits.meshPositions, "positions in one mesh") ||
            !check.within(track, g.corners, check.limits.meshCorners, "corners in one mesh"))
            return false;
        all.positions = plus(all.positions, std::max<int64_t>(g.positions - most.positions, 0));
        all.corners = plus(all.corners, std::max<int64_t>(g.corners - most.corners, 0));
        most.positions = std::max(most.positions, g.positions);
        most.corners = std::max(most.corners, g.corners);
        return check.within(track, all.positions, check.limits.allPositions, "positions in all meshes") &&
               check.within(track, all.corners, check.limits.allCorners, "corners in all meshes");
    });
}

bool checkScene(Checker& check, ProjectObject& object)
{
    return forEachTrack(object, [&](const AnimTrack& track, bool played) {
        if (track.id() == static_cast<uint8_t>(SceneTrack::ZoomGlow))
            return check.within(track, highestTrackInt(track, 1, played), check.limits.zoomGlowCount, "glow layers");
        if (track.id() == static_cast<uint8_t>(SceneTrack::RingGlow))
            return check.within(track, highestTrackInt(track, 1, played), check.limits.ringGlowCount, "ring copies");
        return true;
    });
}

bool checkParticles(Checker& check, ProjectObject& object, int64_t& all)
{
    int64_t most = 20;  // a new system's count
    return forEachTrack(object, [&](const AnimTrack& track, bool played) {
        if (track.id() != static_cast<uint8_t>(ParticleTrack::Emission)) return true;
        const int64_t count = highestTrackInt(track, 0, played);
        if (!check.within(track, count, check.limits.particleCount, "particles in one system")) return false;
        all = plus(all, std::max<int64_t>(count - most, 0));
        most = std::max(most, count);
        return check.within(track, all, check.limits.allParticles, "particles in all systems");
    });
}

}  // namespace

bool checkShowLimits(ObjectRegistry& registry, const ShowLimits& limits, std::string& error)
{
    Checker check{limits, error};
    int64_t textureBytes = 0, pixelSteps = 0, textSteps = 0;
    int64_t particles = 20 * int64_t(registry[SectionKind::ParticleSystem].count());
    Geometry meshes;
    for (int kind = 0; kind < SECTION_COUNT; ++kind) {
        check.section = static_cast<SectionKind>(kind);
        check.objectIndex = 0;
        for (ProjectObject* object : registry.sections[kind]) {
            bool ok = true;
            switch (check.section) {
            case SectionKind::Texture: ok = checkTexture(check, *object, textureBytes, pixelSteps); break;
            case SectionKind::Mesh: ok = checkMesh(check, *object, meshes, textSteps); break;
            case SectionKind::Scene: ok = checkScene(check, *object); break;
            case SectionKind::ParticleSystem: ok = checkParticles(check, *object, particles); break;
            default: break;
            }
            if (!ok) return false;
            ++check.objectIndex;
        }
    }
    return true;
}

bool projectWithinLimits(const uint8_t* data, size_t size, const ShowLimits& limits, std::string& error)
{
    ObjectRegistry registry;
    ProjectStream stream(data, size);
    for (int kind = 0; kind < SECTION_COUNT; ++kind) {
        uint8_t count = 0;
        if (!stream.readBytes(&count, 1, "a section count")) return true;
        for (int entry = 0; entry < count; ++entry) {
            ProjectObject* object = new ProjectObject();
            const bool read = readObjectHeader(stream, *object);
            // The Timeline's entries ask for nothing that is limited.
            if (!read || kind == static_cast<int>(SectionKind::Timeline)) object->destroy(DESTROY_FREE);
            else registry.append(static_cast<SectionKind>(kind), object);
            if (!read) return true;
        }
    }
    return checkShowLimits(registry, limits, error);
}
