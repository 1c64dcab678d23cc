#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "platform/audio.h"

namespace {

struct LoopingOutput {
    const int16_t* frames = nullptr;
    int32_t frameCount = 0;
    SDL_AudioDeviceID device = 0;
    std::atomic<int64_t> consumed{0};
    std::atomic<uint32_t> written{0};
};

LoopingOutput output;

// Runs on SDL's audio thread: copies the next frames of the loop.
void SDLCALL fill(void*, Uint8* stream, int length)
{
    output.written.load(std::memory_order_acquire);
    int64_t position = output.consumed.load(std::memory_order_relaxed);
    int32_t frames = length / 4;
    while (frames > 0) {
        const auto at = static_cast<int32_t>(position % output.frameCount);
        const int32_t n = std::min(frames, output.frameCount - at);
        std::memcpy(stream, output.frames + 2 * static_cast<size_t>(at), static_cast<size_t>(n) * 4);
        stream += static_cast<size_t>(n) * 4;
        frames -= n;
        position += n;
    }
    // Released after the copy: the owner refills only what was consumed.
    output.consumed.store(position, std::memory_order_release);
}


bool openSdl(const int16_t* frames, int32_t frameCount, int32_t rate)
{
    if (output.device || !frames || frameCount <= 0) return false;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    output.frames = frames;
    output.frameCount = frameCount;
    output.consumed.store(0);
    SDL_AudioSpec wanted{};
    wanted.freq = rate;
    wanted.format = AUDIO_S16LSB;
    wanted.channels = 2;
    wanted.samples = 1024;
    wanted.callback = fill;
    SDL_AudioSpec obtained{};
    // No changes allowed: SDL converts to whatever the device wants.
    output.device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (output.device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        output.frames = nullptr;
        return false;
    }
    return true;
}

void startSdl(int32_t firstFrame)
{
    if (!output.device) return;
    // Paused, the callback does not run: the position can be set safely.
    output.consumed.store(firstFrame > 0 ? firstFrame % output.frameCount : 0, std::memory_order_release);
    SDL_PauseAudioDevice(output.device, 0);
}

int64_t positionSdl() { return output.consumed.load(std::memory_order_acquire); }

void writtenSdl() { output.written.fetch_add(1, std::memory_order_release); }

void closeSdl()
{
    if (!output.device) return;
    SDL_CloseAudioDevice(output.device);  // waits for the callback to finish
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    output.device = 0;
    output.frames = nullptr;
    output.frameCount = 0;
}

}  // namespace

const AudioBackend sdlAudio = {openSdl, startSdl, positionSdl, writtenSdl, closeSdl};

const AudioBackend& Sys_ChooseAudio()
{
    const char* choice = std::getenv("SHOW_AUDIO");
    return choice && std::strcmp(choice, "null") == 0 ? nullAudio : sdlAudio;
}
