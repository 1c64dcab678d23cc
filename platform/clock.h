// High-resolution counter, sleep and threads.
#pragma once
#include <cstdint>

// A monotonic counter at Sys_CounterFrequency() ticks per second (10 MHz,
// so the 32-bit tick differences the Timeline uses wrap after 429 seconds).
int64_t Sys_Counter();
int64_t Sys_CounterFrequency();
void Sys_Sleep(int milliseconds);

enum class ThreadPriority { Normal, TimeCritical };
// Starts a detached thread running fn(argument). A priority the system
// refuses (real-time scheduling needs privileges) leaves it at normal.
bool Sys_StartThread(void (*fn)(void*), void* argument, ThreadPriority priority);
