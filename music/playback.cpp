#include "music/playback.h"

#include <cstdlib>
#include <cstring>

#include "core/numeric.h"
#include "music/ft2_player.h"
#include "music/module_file.h"
#include "platform/audio.h"
#include "platform/clock.h"

Player thePlayer;

namespace {

constexpr float RATE_RECIPROCAL = 1.0f / MIX_RATE;
constexpr int32_t DEFAULT_TWIN_OFFSET = 32;
constexpr int32_t WIDE_TWIN_OFFSET = VOICE_COUNT / 2;

// The output ring and the mix block are the same size for every module:
// made once and cleared for each playback, so that a restart (the preview's
// seeks, a capture after a --wav) does not map and fault in a megabyte anew.
void* keptOutput = nullptr;
void* keptMixBlock = nullptr;
constexpr size_t OUTPUT_BYTES = static_cast<size_t>(TOTAL_FRAMES) * 2 * sizeof(int16_t);
constexpr size_t MIX_BLOCK_BYTES = static_cast<size_t>(TOTAL_FRAMES) * 8 + 256;

void* clearedBlock(void*& kept, size_t bytes)
{
    if (kept) return std::memset(kept, 0, bytes);
    return kept = std::calloc(bytes, 1);
}

void releasePlayer()
{
    Player& player = thePlayer;
    player.mixBlock = nullptr;
    player.mixBuffer = nullptr;
    player.output = nullptr;
    std::free(player.channels);
    player.channels = nullptr;
    player.module = nullptr;
    std::free(player.positionLog);
    player.positionLog = nullptr;
    releaseFt2State(ft2State());
    player.writeCursor = 0;
    player.heardChunk = 0;
}

// Everything playback needs before the first chunk: voices, the module's
// sequencer state, channels, log and buffers. Nothing is allocated after.
bool setUpPlayer(XmModule* module)
{
    Player& player = thePlayer;
    for (int32_t v = 0; v < VOICE_COUNT; ++v) {
        player.voices[v] = MixVoice{};
        player.voices[v].index = v;
        player.voices[v].step = FIXED_ONE;
    }
    module->globalVolume = module->initialGlobalVolume;
    module->speed = module->defaultTempo;
    module->row = 0;
    module->orderPosition = 0;
    module->nextRow = -1;
    module->nextOrder = -1;
    module->framesLeftInTick = 0;
    module->tickInRow = 0;
    module->elapsedMs = 0;
    setTempo(module, module->defaultBpm);

    const int32_t channels = module->channelCount > 0 ? module->channelCount : 0;
    player.twinOffset = channels <= DEFAULT_TWIN_OFFSET ? DEFAULT_TWIN_OFFSET : WIDE_TWIN_OFFSET;
    player.channels = static_cast<XmChannel*>(std::calloc(static_cast<size_t>(channels) + 1, sizeof(XmChannel)));
    player.positionLog = static_cast<PositionLogEntry*>(std::calloc(CHUNK_COUNT, sizeof(PositionLogEntry)));
    player.output = static_cast<int16_t*>(clearedBlock(keptOutput, OUTPUT_BYTES));
    player.mixBlock = clearedBlock(keptMixBlock, MIX_BLOCK_BYTES);
    if (!player.channels || !player.positionLog || !player.output || !player.mixBlock) {
        releasePlayer();
        return false;
    }
    for (int32_t c = 0; c < channels; ++c) player.channels[c].voice = &player.voices[c];
    // The FastTracker 2 mode keeps its own song and channels and ticks.
    module->tickHandler = tickStep;
    if (module->playerMode == PlayerMode::Ft2 && !startFt2Playback(module, player.voices)) {
        releasePlayer();
        return false;
    }
    const auto address = reinterpret_cast<uintptr_t>(player.mixBlock);
    player.mixBuffer = reinterpret_cast<float*>((address + 15) & ~uintptr_t(15));
    player.module = module;
    player.writeCursor = 0;
    player.heardChunk = 0;
    return true;
}

void mixThread(void*)
{
    Player& player = thePlayer;
    player.exited = 0;
    while (!player.stopRequest) {
        const int64_t consumed = Sys_AudioPosition();
        const auto playing = static_cast<int32_t>(consumed % TOTAL_FRAMES / CHUNK_FRAMES);
        // Refill every chunk behind the one being heard: the buffer stays a
        // whole loop ahead of the listener.
        while (player.writeCursor != playing) {
            player.busy = 1;
            mixChunk();
            player.heardChunk = (player.heardChunk + 1) % CHUNK_COUNT;
            player.busy = 0;
        }
        Sys_AudioWritten();
        Sys_Sleep(5);
    }
    player.exited = 1;
}

// The voices of the channels that are not muted. A muted channel's voices
// are mixed into a scratch run that is dropped, so that they move on as if
// heard; with none muted this is the plain mix.
void mixAudibleVoices(Player& player, float* out, int32_t frames)
{
    const uint64_t muted[2] = {player.mutedChannels[0].load(std::memory_order_relaxed),
                               player.mutedChannels[1].load(std::memory_order_relaxed)};
    const int32_t voiceCount = 2 * player.twinOffset;
    if ((muted[0] | muted[1]) == 0) return mixVoices(player.voices, voiceCount, out, frames);
    float dropped[CHUNK_FRAMES * 2];
    std::memset(dropped, 0, sizeof(float) * 2 * static_cast<size_t>(frames));
    for (int32_t v = 0; v < voiceCount; ++v) {
        const int32_t channel = v % player.twinOffset;
        const bool silent = (muted[channel / 64] >> (channel % 64) & 1) != 0;
        mixVoices(&player.voices[v], 1, silent ? dropped : out, frames);
    }
}

}  // namespace

void setTempo(XmModule* module, int32_t bpm)
{
    module->bpm = bpm;
    // A tempo below 1 BPM (only a header can give one) plays at 1 BPM.
    const int32_t beats = bpm < 1 ? 1 : bpm;
    const float perFive = static_cast<float>(2 * beats) / 5.0f;
    const double frames = MIX_RATE * (1000.0 / perFive) / 1000.0;
    const int32_t framesPerTick = truncToInt32(frames);
    module->framesPerTick = framesPerTick < 1 ? 1 : framesPerTick;
}

void mixChunk()
{
    Player& player = thePlayer;
    XmModule* module = player.module;
    if (!module) return;
    float* region = player.mixBuffer + static_cast<size_t>(player.writeCursor) * CHUNK_FRAMES * 2;
    std::memset(region, 0, sizeof(float) * CHUNK_FRAMES * 2);
    int32_t left = module->framesLeftInTick;
    int32_t done = 0;
    while (done < CHUNK_FRAMES) {
        if (left <= 0) {
            if (module->tickHandler) module->tickHandler(module);
            left = module->framesPerTick;
        }
        const int32_t n = left < CHUNK_FRAMES - done ? left : CHUNK_FRAMES - done;
        mixAudibleVoices(player, region + 2 * done, n);
        // Per run, so short runs lose their fractions.
        module->elapsedMs += truncToInt32(static_cast<float>(n) * RATE_RECIPROCAL * 1000.0f);
        left -= n;
        done += n;
    }
    PositionLogEntry& entry = player.positionLog[player.writeCursor];
    entry.order = static_cast<uint8_t>(module->orderPosition);
    entry.row = static_cast<uint8_t>(module->row);
    entry.elapsedMs = module->elapsedMs;
    module->framesLeftInTick = left;
    convertToPcm(player.output + static_cast<size_t>(player.writeCursor) * CHUNK_FRAMES * 2, region, CHUNK_FRAMES);
    player.writeCursor = (player.writeCursor + 1) % CHUNK_COUNT;
}

bool startPlayback(XmModule* module, int64_t firstFrame)
{
    if (!module) return false;
    stopPlayback(module);
    if (!fileCallbacksInstalled()) return false;
    Player& player = thePlayer;
    if (!setUpPlayer(module)) return false;
    if (!Sys_OpenAudio(player.output, TOTAL_FRAMES, MIX_RATE)) {
        releasePlayer();
        return false;
    }
    player.deviceOpen = true;
    // Whole chunks up to the one that holds the first frame, as a playback
    // from the start mixes them: the chunk edges shape the volume ramps.
    if (firstFrame < 0) firstFrame = 0;
    for (int64_t chunk = firstFrame / CHUNK_FRAMES; chunk > 0; --chunk) mixChunk();
    player.writeCursor = 0;
    // The whole loop is mixed before the device starts.
    do {
        mixChunk();
    } while (player.writeCursor != 0);
    Sys_AudioWritten();
    Sys_StartAudio(static_cast<int32_t>(firstFrame % CHUNK_FRAMES));
    player.stopRequest = 0;
    // Set here as well as by the thread, so that a stop right after the
    // start waits for a thread that has not run yet.
    player.exited = 0;
    player.threadStarted = Sys_StartThread(mixThread, nullptr, ThreadPriority::TimeCritical);
    if (!player.threadStarted) {
        player.exited = 1;
        stopPlayback(module);
        return false;
    }
    return true;
}

bool stopPlayback(XmModule* module)
{
    if (!module) return false;
    Player& player = thePlayer;
    player.stopRequest = 1;
    while (player.busy) Sys_Sleep(1);
    if (player.threadStarted) {
        while (!player.exited) Sys_Sleep(10);
        player.threadStarted = false;
    }
    // The device reads the output buffer until it is closed.
    if (player.deviceOpen) {
        Sys_CloseAudio();
        player.deviceOpen = false;
    }
    releasePlayer();
    return true;
}

bool freeModule(XmModule* module)
{
    if (!module) return false;
    while (thePlayer.busy) Sys_Sleep(1);
    stopPlayback(module);
    releaseModuleData(module);
    std::free(module);
    return true;
}

int32_t playingOrderPosition()
{
    if (!thePlayer.positionLog) return 0;
    return thePlayer.positionLog[thePlayer.heardChunk].order;
}

int32_t playingRow()
{
    if (!thePlayer.positionLog) return 0;
    return thePlayer.positionLog[thePlayer.heardChunk].row;
}

int32_t playingElapsedMs()
{
    if (!thePlayer.positionLog) return 0;
    return thePlayer.positionLog[thePlayer.heardChunk].elapsedMs;
}

bool startOfflinePlayback(XmModule* module)
{
    if (!module) return false;
    stopPlayback(module);
    return setUpPlayer(module);
}

const int16_t* renderNextChunk()
{
    Player& player = thePlayer;
    if (!player.module) return nullptr;
    const int32_t chunk = player.writeCursor;
    mixChunk();
    return player.output + static_cast<size_t>(chunk) * CHUNK_FRAMES * 2;
}
