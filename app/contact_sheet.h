// A contact sheet: the show at a glance, one thumbnail every few seconds in
// a grid, each labelled with its time and scene, as one PNG file.
#pragma once
#include <cstdint>
#include <string>

#include "app/command_line.h"
#include "app/startup.h"

// Thumbnails are this wide; their height keeps the capture's proportions.
constexpr int SHEET_THUMBNAIL_WIDTH = 160;
constexpr int SHEET_COLUMNS = 8;
// A sheet is drawn and written a row of cells at a time, so its memory is
// one row's; these bound its drawing time and the picture a viewer must
// open (docs/limits.md): at most this many thumbnails (a thumbnail every
// 0.06 s of the 122-second show), and this many pixels (256 MiB as RGBA).
constexpr long MAX_SHEET_THUMBNAILS = 2048;
constexpr int64_t MAX_SHEET_PIXELS = int64_t(1) << 26;

// "m:ss.s", rounded to the tenth.
std::string showTimeText(double seconds);

int runContactSheet(const CommandLine& commandLine, const EmbeddedData& embedded);
