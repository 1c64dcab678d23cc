// A video of the show: the frames and the music of a span, encoded by the
// ffmpeg program (H.264 and AAC where it has them) into one file.
#pragma once
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/startup.h"

// ffmpeg's arguments for frames of width x height at `fps` on its standard
// input and the music in `wavPath`, given the encoders it lists.
std::vector<std::string> encoderArguments(const std::string& ffmpeg, const std::string& encoderList, int width,
                                          int height, double fps, const std::string& wavPath,
                                          const std::string& outputPath);

int runVideo(const CommandLine& commandLine, const EmbeddedData& embedded);
