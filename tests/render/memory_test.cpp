#include <gtest/gtest.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/show_session.h"
#include "render/frame.h"
#include "tests/support/headless_gl.h"

namespace {

int64_t residentBytes()
{
    long pages = 0, resident = 0;
    std::FILE* file = std::fopen("/proc/self/statm", "r");
    if (!file) return -1;
    const bool read = std::fscanf(file, "%ld %ld", &pages, &resident) == 2;
    std::fclose(file);
    return read ? int64_t(resident) * sysconf(_SC_PAGESIZE) : -1;
}

// What the allocator has handed out and not had back: a leak shows here at
// once, while the resident size first fills holes the heap already holds.
int64_t heapBytesInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return int64_t(info.uordblks + info.hblkhd);
}

// How much a figure taken once a pass grew over the last three passes,
// leaving out the largest rise: something that grows per frame lifts every
// pass by the same amount, while a one-time step (on a loaded machine a
// pass's lowest resident size once stood 10 MiB above that of two passes
// before, which no run alone has shown) lifts only one.
int64_t steadyGrowth(const std::vector<int64_t>& perPass)
{
    std::vector<int64_t> rises;
    for (size_t pass = perPass.size() - 3; pass < perPass.size(); ++pass)
        rises.push_back(perPass[pass] - perPass[pass - 1]);
    std::sort(rises.begin(), rises.end());
    return rises[0] + rises[1];
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool QUARANTINE = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool QUARANTINE = true;
#else
constexpr bool QUARANTINE = false;
#endif
#else
constexpr bool QUARANTINE = false;
#endif

TEST(Memory, TheWholeShowPlaysWithoutGrowing)
{
    // AddressSanitizer holds freed blocks back for a while: the resident
    // size grows with every free, and its leak check covers the rest.
    if (QUARANTINE) GTEST_SKIP() << "freed memory is held in quarantine";
    if (!useHeadlessGl(160, 120)) GTEST_SKIP() << "no headless OpenGL context";
    const std::string data = testing::TempDir() + "show_memory.bin";
    const std::string command = std::string(PROJC_BINARY) + " " + SOURCE_DIR + "/content/show.proj -o " + data;
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream file(data, std::ios::binary);
    ProjectSource source;
    source.fileBytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    source.data = source.fileBytes.data();
    source.size = source.fileBytes.size();
    source.origin = data;

    Show show;
    ASSERT_TRUE(show.load(source));
    // Two frames a second over the whole show, every frame drawn; the step
    // is taken from the exact frame time, as the capture does. The first
    // three passes let the driver compile a program for every state the show
    // uses and the allocator settle (the second still grows by up to 3 MiB).
    // Both figures are read after every frame and each pass keeps its
    // lowest, since one reading can catch the driver holding a few MiB for a
    // moment (7 MiB was seen). Settled, a pass's lowest moves by up to 1 MiB
    // resident and 0.6 MiB in use from the one before, without a trend. A
    // leak of 6 KiB a frame exceeds the resident margin; one of 3 KiB a
    // frame the heap's.
    constexpr int PASSES = 6;
    std::vector<int64_t> resident(PASSES, INT64_MAX), inUse(PASSES, INT64_MAX);
    int frames = 0;
    for (int pass = 0; pass < PASSES; ++pass) {
        show.timeline->stop();
        show.timeline->start();
        for (int k = 0;; ++k) {
            show.timeline->advance(*show.registry, k == 0 ? 0.0f : static_cast<float>(k / 2.0) - show.timeline->time);
            if (!show.timeline->running) break;
            renderFrame(*show.registry, *show.timeline);
            resident[pass] = std::min(resident[pass], residentBytes());
            inUse[pass] = std::min(inUse[pass], heapBytesInUse());
            ++frames;
        }
    }
    show.destroy();
    EXPECT_GT(frames, PASSES * 240);
    ASSERT_GT(resident[2], 0);
    const auto figures = [](const std::vector<int64_t>& perPass) {
        std::string text;
        for (int64_t bytes : perPass) text += " " + std::to_string(bytes);
        return text;
    };
    EXPECT_LE(steadyGrowth(resident), int64_t(3) << 19) << "lowest resident bytes a pass:" << figures(resident);
    EXPECT_LE(steadyGrowth(inUse), int64_t(1) << 20) << "lowest heap bytes in use a pass:" << figures(inUse);
}

}  // namespace
