// Live preview: the show in a titled window that follows its files. When the
// project or module file changes on disk it is read again (a source is
// compiled) and the show goes on at the same time, the music at the same
// point; an error keeps the last good version on screen and says so in the
// title. Space pauses, Left and Right seek, Home restarts, Escape ends.
#pragma once
#include "app/command_line.h"
#include "app/startup.h"

int runLivePreview(const CommandLine& commandLine, const EmbeddedData& embedded);
