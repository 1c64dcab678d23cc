#include "platform/clock.h"

#include <pthread.h>
#include <sched.h>
#include <time.h>

#include <thread>

namespace {
constexpr int64_t COUNTER_FREQUENCY = 10000000;
}

int64_t Sys_Counter()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * COUNTER_FREQUENCY + now.tv_nsec / (1000000000 / COUNTER_FREQUENCY);
}

int64_t Sys_CounterFrequency() { return COUNTER_FREQUENCY; }

void Sys_Sleep(int milliseconds)
{
    timespec pause = {milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&pause, &pause) != 0) {
    }
}

bool Sys_StartThread(void (*fn)(void*), void* argument, ThreadPriority priority)
{
    try {
        std::thread thread(fn, argument);
        if (priority == ThreadPriority::TimeCritical) {
            sched_param param{};
            param.sched_priority = sched_get_priority_max(SCHED_FIFO);
            pthread_setschedparam(thread.native_handle(), SCHED_FIFO, &param);
        }
        thread.detach();
        return true;
    } catch (...) {
        return false;
    }
}
