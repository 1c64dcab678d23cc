#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/video_capture.h"

namespace {

std::string valueAfter(const std::vector<std::string>& arguments, const std::string& option)
{
    const auto at = std::find(arguments.begin(), arguments.end(), option);
    return at != arguments.end() && at + 1 != arguments.end() ? *(at + 1) : std::string();
}

// What ffmpeg lists: flags, then the encoder's name, then its description.
const char* const fullList =
    " V....D libx264              libx264 H.264 / AVC / MPEG-4 AVC / MPEG-4 part 10 (codec h264)\n"
    " V.S... mpeg4                MPEG-4 part 2\n"
    " A..... aac                  AAC (Advanced Audio Coding)\n";
const char* const plainList =
    " V.S... mpeg4                MPEG-4 part 2\n"
    " A..... libmp3lame           libmp3lame MP3 (MPEG audio layer 3) (codec mp3)\n"
    " V..... libx264rgb           libx264 H.264 RGB (codec h264)\n";

TEST(VideoCapture, EncodersAreTheBestTheInstalledFfmpegHas)
{
    struct Case {
        const char* list;
        const char* video;
        const char* audio;
    };
    for (const Case& c : {Case{fullList, "libx264", "aac"}, Case{plainList, "mpeg4", "libmp3lame"}}) {
        const std::vector<std::string> arguments = encoderArguments("ffmpeg", c.list, 640, 480, 0.5, "m.wav", "o.mp4");
        EXPECT_EQ(valueAfter(arguments, "-c:v"), c.video);
        EXPECT_EQ(valueAfter(arguments, "-c:a"), c.audio);
        EXPECT_EQ(valueAfter(arguments, "-framerate"), "0.5");
        EXPECT_EQ(valueAfter(arguments, "-video_size"), "640x480");
        EXPECT_EQ(arguments.back(), "o.mp4");
        EXPECT_NE(std::find(arguments.begin(), arguments.end(), "-shortest"), arguments.end());  // music cut to the frames
        EXPECT_EQ(valueAfter(arguments, "-vf"), "");  // even sizes need no padding
    }
    const std::vector<std::string> odd = encoderArguments("ffmpeg", fullList, 161, 121, 30, "m.wav", "o.mp4");
    EXPECT_EQ(valueAfter(odd, "-vf"), "pad=ceil(iw/2)*2:ceil(ih/2)*2");
}

}  // namespace
