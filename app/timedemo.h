// The timedemo: the show drawn headless as fast as it goes, every frame of a
// span at a fixed step, without capture or sound, timed frame by frame and
// pass by pass, and summed up per scene.
#pragma once
#include <cstdint>
#include <vector>

#include "app/command_line.h"
#include "app/startup.h"

struct FrameTimes {
    long frames = 0;
    double median = 0, percentile95 = 0, worst = 0;  // milliseconds a frame
    double framesPerSecond = 0;                     // frames over their summed time
};
// The figures of a run of frame times in milliseconds: the median (the mean
// of the two middle ones for an even count), the 95th percentile (the
// smallest time that at least 95 % of the frames do not exceed) and the worst.
FrameTimes summarizeFrameTimes(std::vector<double> milliseconds);

int runTimedemo(const CommandLine& commandLine, const EmbeddedData& embedded);
