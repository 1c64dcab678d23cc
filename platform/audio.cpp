#include "platform/audio.h"

namespace {

const AudioBackend* backend = &nullAudio;

}  // namespace

void Sys_UseAudio(const AudioBackend& chosen) { backend = &chosen; }

bool Sys_OpenAudio(const int16_t* frames, int32_t frameCount, int32_t rate)
{
    return backend->open(frames, frameCount, rate);
}
void Sys_StartAudio(int32_t firstFrame) { backend->start(firstFrame); }
int64_t Sys_AudioPosition() { return backend->position(); }
void Sys_AudioWritten() { backend->written(); }
void Sys_CloseAudio() { backend->close(); }
