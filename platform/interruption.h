// Ctrl-C (SIGINT) and SIGTERM. They end the program at any moment, as they
// always did, after removing the temporaries of outputs still being written
// (platform/output_file.h). While a capture writes its files (a
// StopOnInterruption lives) the first one asks it to stop instead: it ends
// its files where it stopped, whole, says so, and then ends the program by
// the signal (endByInterruption). A second one ends it at once.
#pragma once

// Once, at the start of a program.
void installInterruptionHandlers();

// The signal that asked the running capture to stop, or 0.
int interruptionSignal();

class StopOnInterruption {
public:
    StopOnInterruption();
    ~StopOnInterruption();
    StopOnInterruption(const StopOnInterruption&) = delete;
    StopOnInterruption& operator=(const StopOnInterruption&) = delete;
};

// Ends the program as the pending signal would have (exit status 128 + N
// to a shell); returns when no signal is pending.
void endByInterruption();
