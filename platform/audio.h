// The sound device: plays one looping buffer of 16-bit stereo frames for as
// long as it is open, and tells how many frames it has consumed.
#pragma once
#include <cstdint>

// Opens the default device, paused, on `frames` (frameCount stereo frames,
// kept alive by the caller until Sys_CloseAudio). False when the machine has
// no device that will open at this rate and format.
bool Sys_OpenAudio(const int16_t* frames, int32_t frameCount, int32_t rate);
// Starts the endless loop at frame `firstFrame` of the buffer.
void Sys_StartAudio(int32_t firstFrame = 0);
// Frames consumed since the loop's first frame, counting the frames skipped
// at the start; the buffer position is this modulo frameCount.
int64_t Sys_AudioPosition();
// Publishes what the owner has written into the buffer to the device's
// thread (call after refilling, before the device can reach it).
void Sys_AudioWritten();
void Sys_CloseAudio();

// The sound backends behind the calls above, as sokol has a dummy beside
// each real one: SDL's device (platform/audio_sdl.cpp), or a silent one
// (platform/audio_null.cpp: it consumes the loop by the clock and plays
// nothing, so the player mixes as it would for a card).
struct AudioBackend {
    bool (*open)(const int16_t* frames, int32_t frameCount, int32_t rate);
    void (*start)(int32_t firstFrame);
    int64_t (*position)();
    void (*written)();
    void (*close)();
};
extern const AudioBackend sdlAudio;
extern const AudioBackend nullAudio;
// The backend of the next Sys_OpenAudio; the null one until a program
// chooses (with no device open).
void Sys_UseAudio(const AudioBackend& backend);
// The show's choice at start: the null backend when the environment says
// SHOW_AUDIO=null, otherwise SDL's (which may find no device: the show then
// runs silent).
const AudioBackend& Sys_ChooseAudio();
