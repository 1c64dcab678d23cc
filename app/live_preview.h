// Live preview: the show in a titled window that follows its files. When the
// project or module file changes on disk it is read again (a source is
// compiled) and the show goes on at the same time, the music at the same
// point; an error keeps the last good version on screen and is drawn over
// it, and a file that does not load at the start is waited for. The keys
// step by frame, bar and scene, loop a scene and solo a channel
// (app/preview_transport.h); a status bar shows where the show is. One
// texture or mesh of a source may be shown alone instead of the show.
#pragma once
#include "app/command_line.h"
#include "app/startup.h"

int runLivePreview(const CommandLine& commandLine, const EmbeddedData& embedded);
