// The headless run modes, for people who capture, author and test shows.
// Each returns the process exit code.
#pragma once
#include "app/command_line.h"
#include "app/startup.h"

int runRender(const CommandLine& commandLine, const EmbeddedData& embedded);
int runDumpTextures(const CommandLine& commandLine, const EmbeddedData& embedded);
int runDumpMeshes(const CommandLine& commandLine, const EmbeddedData& embedded);
int runWav(const CommandLine& commandLine, const EmbeddedData& embedded);
