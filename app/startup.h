// Start-up, main loop and shutdown, and the headless run modes.
#pragma once
#include <cstddef>
#include <cstdint>

struct EmbeddedData {
    const uint8_t* project;
    size_t projectSize;
    const uint8_t* module;
    size_t moduleSize;
    const uint8_t* sceneLabels = nullptr;  // the project's scene labels, one a line
    size_t sceneLabelsSize = 0;
    const uint8_t* barTimes = nullptr;  // "beatsPerBar N", then the start of each bar a line
    size_t barTimesSize = 0;
};

// The program: parses the command line and runs the chosen mode. Returns
// the process exit code.
int showMain(int argc, const char* const* argv, const EmbeddedData& embedded);
