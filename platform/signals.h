// Ctrl-C and SIGTERM keep their usual meaning: they end the process, at any
// moment, also during a long build. (The window system's quit request is a
// different thing and stays with the show, which ignores it.)
#pragma once

// Call before the first SDL subsystem starts: SDL would otherwise turn both
// signals into quit requests.
void Sys_KeepDefaultSignals();
