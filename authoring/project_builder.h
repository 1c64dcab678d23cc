// Writes project data: six sections of objects, each with its times and
// its parameter and build tracks. Used by the project compiler and by tests
// that build small projects in code.
#pragma once
#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <type_traits>
#include <vector>

#include "core/object_registry.h"
#include "core/track.h"

class ProjectBuilder {
public:
    using Values = std::array<float, TRACK_VALUES>;

    struct Key {
        float time;
        uint8_t mode;
        Values value;
    };

    struct Track {
        std::string name;
        uint32_t flags = TRACK_APPLY;
        Values value{};
        std::vector<Key> keys;

        // Adding a key makes the track animated.
        Track& key(float time, KeyMode mode, std::initializer_list<float> values);
        Track& key(float time, uint8_t mode, const Values& values);
        Track& named(std::string text);
        Track& withFlags(uint32_t bits);
        Track& withoutFlags(uint32_t bits);
    };

    struct Object {
        SectionKind section;
        std::string label;  // the source's name for it; not written into the data
        float startTime = 0.0f;
        float endTime = 0.0f;
        std::vector<Track> paramTracks;
        std::vector<Track> buildTracks;

        Object& during(float start, float end);
        Track& param(uint8_t id, std::initializer_list<float> values = {});
        Track& build(uint8_t id, std::initializer_list<float> values = {});
        // By a kind's id enum (MeshTrack::Sphere, TextureOp::Fill, ...).
        template <class Id, class = std::enable_if_t<std::is_enum_v<Id>>>
        Track& param(Id id, std::initializer_list<float> values = {})
        {
            return param(static_cast<uint8_t>(id), values);
        }
        template <class Id, class = std::enable_if_t<std::is_enum_v<Id>>>
        Track& build(Id id, std::initializer_list<float> values = {})
        {
            return build(static_cast<uint8_t>(id), values);
        }
    };

    // Objects keep their order within their section; sections are written
    // in their fixed order whatever order they are added in.
    Object& add(SectionKind section);
    const std::vector<Object>& objects() const { return objects_; }

    // False with a reason when a count does not fit its byte or a name its
    // 512-byte record.
    bool write(std::vector<uint8_t>& out, std::string& error) const;
    std::vector<uint8_t> bytes() const;  // for tests: aborts on an error

    static Values valuesOf(std::initializer_list<float> values);

private:
    std::vector<Object> objects_;
};
