// Mesh generators and modifiers at the sizes the show uses: a 60 x 40
// sphere and 50 x 50 tubes with smooth normals and displacement. The
// smooth-normal pass is measured beside the plain scan of all triangles for
// every position, whose results it reproduces bit for bit.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "core/object_registry.h"
#include "core/track.h"
#include "mesh/mesh.h"
#include "mesh/modifiers.h"
#include "tests/support/mesh_reference.h"
#include "texture/texture.h"

namespace {

void step(Mesh& mesh, MeshTrack id, std::initializer_list<float> values)
{
    AnimTrack track;
    track.flags = TRACK_APPLY | static_cast<uint8_t>(id);
    int i = 0;
    for (float v : values) track.value[i++] = v;
    mesh.applyTrack(track);
}

// A registry with one noisy 256 x 256 texture for Displace, and one mesh.
struct Bench {
    ObjectRegistry registry;
    Mesh* mesh;

    Bench()
    {
        Texture* texture = new Texture();
        std::mt19937 random(1);
        for (int32_t i = 0; i < texture->size * texture->size; ++i) texture->pixels[i] = random();
        registry.append(SectionKind::Texture, texture);
        mesh = new Mesh();
        registry.append(SectionKind::Mesh, mesh);
    }
    ~Bench() { registry.clear(); }
};

void BM_Sphere60x40(benchmark::State& state)
{
    Bench bench;
    for (auto _ : state) {
        step(*bench.mesh, MeshTrack::Sphere, {60, 40, 0, 64});
        benchmark::DoNotOptimize(bench.mesh->positions);
    }
}
BENCHMARK(BM_Sphere60x40);

void BM_Tube50x50(benchmark::State& state)
{
    Bench bench;
    for (auto _ : state) {
        step(*bench.mesh, MeshTrack::Tube, {50, 50, 0, 32, 0, 0, 128});
        benchmark::DoNotOptimize(bench.mesh->positions);
    }
}
BENCHMARK(BM_Tube50x50);

void BM_SmoothNormalsTube50x50(benchmark::State& state)
{
    Bench bench;
    step(*bench.mesh, MeshTrack::Tube, {50, 50, 0, 32, 0, 0, 128});
    for (auto _ : state) {
        step(*bench.mesh, MeshTrack::Normals, {1});
        benchmark::DoNotOptimize(bench.mesh->normals);
    }
}
BENCHMARK(BM_SmoothNormalsTube50x50);

void BM_SmoothNormalsTube50x50PlainScan(benchmark::State& state)
{
    Bench bench;
    step(*bench.mesh, MeshTrack::Tube, {50, 50, 0, 32, 0, 0, 128});
    std::vector<Vec3> faces(bench.mesh->cornerCount / 3), out(bench.mesh->positionCount);
    for (auto _ : state) {
        smoothNormalsByScan(*bench.mesh, faces, out);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_SmoothNormalsTube50x50PlainScan)->Unit(benchmark::kMillisecond);

void BM_FlatNormalsSphere60x40(benchmark::State& state)
{
    Bench bench;
    step(*bench.mesh, MeshTrack::Sphere, {60, 40, 0, 64});
    for (auto _ : state) {
        step(*bench.mesh, MeshTrack::Normals, {0});
        benchmark::DoNotOptimize(bench.mesh->normals);
    }
}
BENCHMARK(BM_FlatNormalsSphere60x40);

void BM_DisplaceTube50x50(benchmark::State& state)
{
    Bench bench;
    step(*bench.mesh, MeshTrack::Tube, {50, 50, 0, 32, 0, 0, 128});
    step(*bench.mesh, MeshTrack::Normals, {1});
    for (auto _ : state) {
        step(*bench.mesh, MeshTrack::Displace, {0, 0, 0, 1});
        benchmark::DoNotOptimize(bench.mesh->positions);
    }
}
BENCHMARK(BM_DisplaceTube50x50);

void BM_TwistAndTransformSphere60x40(benchmark::State& state)
{
    Bench bench;
    step(*bench.mesh, MeshTrack::Sphere, {60, 40, 0, 64});
    for (auto _ : state) {
        step(*bench.mesh, MeshTrack::TransformVertices, {1, 2, 3, 10, 20, 30, 1, 2, 3});
        step(*bench.mesh, MeshTrack::Twist, {0.1f});
        step(*bench.mesh, MeshTrack::MapTexcoords, {1, 1, 0, 1, 1});
        benchmark::DoNotOptimize(bench.mesh->positions);
    }
}
BENCHMARK(BM_TwistAndTransformSphere60x40);

// A whole shipped-style build of a 50 x 50 tube: transform, smooth normals,
// displacement, smooth normals again, texture mapping, then the vertex array
// with its tangents (everything of upload but the transfer to the card).
void BM_TubeBuildChain50x50(benchmark::State& state)
{
    Bench bench;
    Mesh& mesh = *bench.mesh;
    for (auto _ : state) {
        step(mesh, MeshTrack::Tube, {50, 50, 0, 32, 0, 0, 128});
        step(mesh, MeshTrack::TransformVertices, {0, 0, 0, 0, 0, 0, 10, 0, 10});
        step(mesh, MeshTrack::Normals, {1});
        step(mesh, MeshTrack::Displace, {0, 0, 0, 30});
        step(mesh, MeshTrack::Normals, {1});
        step(mesh, MeshTrack::MapTexcoords, {0, 0, 0, 100, 300});
        buildVertexArray(mesh);
        benchmark::DoNotOptimize(mesh.buffers.vertices);
    }
}
BENCHMARK(BM_TubeBuildChain50x50)->Unit(benchmark::kMicrosecond);

void BM_VertexArraySphere60x40(benchmark::State& state)
{
    Bench bench;
    step(*bench.mesh, MeshTrack::Sphere, {60, 40, 0, 64});
    step(*bench.mesh, MeshTrack::Normals, {1});
    for (auto _ : state) {
        buildVertexArray(*bench.mesh);
        benchmark::DoNotOptimize(bench.mesh->buffers.vertices);
    }
}
BENCHMARK(BM_VertexArraySphere60x40);

}  // namespace
