// A contact sheet: the show at a glance, one thumbnail every few seconds in
// a grid, each labelled with its time and scene, as one PNG file.
#pragma once
#include <string>

#include "app/command_line.h"
#include "app/startup.h"

// Thumbnails are this wide; their height keeps the capture's proportions.
constexpr int SHEET_THUMBNAIL_WIDTH = 160;
constexpr int SHEET_COLUMNS = 8;

// "m:ss.s", rounded to the tenth.
std::string showTimeText(double seconds);

int runContactSheet(const CommandLine& commandLine, const EmbeddedData& embedded);
