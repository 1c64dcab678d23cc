#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "music/wav_render.h"

namespace {

TEST(WavWriter, LengthsPastWhatAWavFileHoldsAreRefusedBeforeTheFileIsMade)
{
    // Counts whose byte size passes int64 as well as the 4 GiB of a WAV file.
    const std::string path = testing::TempDir() + "too_long.wav";
    const int64_t cases[][2] = {{0, 1073741815},
                                {0, int64_t(6e13 * 44100)},
                                {0, INT64_MAX},
                                {INT64_MAX - 5, 10}};
    for (const auto& c : cases) {
        unlink(path.c_str());
        std::string error;
        EXPECT_FALSE(writeModuleWav(nullptr, path, c[0], c[1], error)) << c[0] << " + " << c[1];
        EXPECT_NE(error.find("too long for a WAV file"), std::string::npos) << error;
        EXPECT_NE(access(path.c_str(), F_OK), 0) << "no file is made";
    }
}

}  // namespace
