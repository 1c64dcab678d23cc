// The fuzzer mixes without a device: a sound layer that never opens.
#include "platform/audio.h"

bool Sys_OpenAudio(const int16_t*, int32_t, int32_t) { return false; }
void Sys_StartAudio() {}
int64_t Sys_AudioPosition() { return 0; }
void Sys_AudioWritten() {}
void Sys_CloseAudio() {}
