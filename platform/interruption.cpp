#include "platform/interruption.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>

#include "platform/output_file.h"

namespace {

std::atomic<int> stopping{0};   // StopOnInterruption objects alive
volatile sig_atomic_t pending = 0;

void endNow(int signalNumber)
{
    removeOpenTemporaries();
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);
}

void onSignal(int signalNumber)
{
    if (stopping.load() > 0 && pending == 0) {
        pending = signalNumber;
        return;
    }
    endNow(signalNumber);
}

}  // namespace

void installInterruptionHandlers()
{
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a write blocked on a pipe returns, so that its loop
    // can see the request.
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int interruptionSignal() { return pending; }

StopOnInterruption::StopOnInterruption() { stopping.fetch_add(1); }
StopOnInterruption::~StopOnInterruption() { stopping.fetch_sub(1); }

void endByInterruption()
{
    if (pending) endNow(pending);
}
