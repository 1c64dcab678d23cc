// Playback: the player state, the looping output buffer and the MixThread
// that refills it chunk by chunk behind the device's play position.
#pragma once
#include <atomic>
#include <cstdint>

#include "music/mixer.h"
#include "music/sequencer.h"
#include "music/xm_module.h"

#pragma pack(push, 1)
struct PositionLogEntry {
    uint8_t order;
    uint8_t row;
    int32_t elapsedMs;
};
#pragma pack(pop)
static_assert(sizeof(PositionLogEntry) == 6, "position log entries are 6 packed bytes");

// One module plays at a time.
struct Player {
    MixVoice voices[VOICE_COUNT];
    XmChannel* channels = nullptr;  // channelCount records
    XmModule* module = nullptr;
    // Channel c alternates between voices c and c + twinOffset; 32 (voices
    // 0..63) up to 32 channels, 128 (all 256 voices) beyond.
    int32_t twinOffset = 32;
    int16_t* output = nullptr;     // TOTAL_FRAMES x 2, the looping device buffer
    void* mixBlock = nullptr;      // allocation behind mixBuffer
    float* mixBuffer = nullptr;    // TOTAL_FRAMES x 2, 16-byte aligned
    int32_t writeCursor = 0;       // next chunk to render
    std::atomic<int32_t> heardChunk{0};
    PositionLogEntry* positionLog = nullptr;
    // Hand-shake between the main thread and the MixThread.
    std::atomic<uint8_t> stopRequest{0};
    std::atomic<uint8_t> busy{0};
    std::atomic<uint8_t> exited{1};
    bool threadStarted = false;
    bool deviceOpen = false;
    // Channels left out of the mix, bit c of word c / 64 for channel c (0 to
    // 127), so that an author can hear a few alone. Set by the main thread,
    // read per run of the mix; kept across playbacks; none by default.
    std::atomic<uint64_t> mutedChannels[2] = {};
};
extern Player thePlayer;

// Plays `module` on the sound device from a MixThread, from its frame
// `firstFrame` on (what comes before is mixed and dropped, so that the
// sound from there is the sound of a playback from the start). False for a
// null module, uninstalled file callbacks, or no device that will open; it
// then plays nothing.
bool startPlayback(XmModule* module, int64_t firstFrame = 0);
// Stops and releases what playback holds; false for a null module.
bool stopPlayback(XmModule* module);
// Stops playback and frees the module; false for a null module.
bool freeModule(XmModule* module);
// framesPerTick for `bpm`: 882 at 125.
void setTempo(XmModule* module, int32_t bpm);

// Renders the chunk at the write cursor and advances it.
void mixChunk();

// The position of the chunk being heard; 0 without a position log.
int32_t playingOrderPosition();
int32_t playingRow();
int32_t playingElapsedMs();

// Playback without a device, for rendering to a file: everything
// startPlayback sets up but the device, the first buffer and the thread.
// renderNextChunk() then mixes one chunk and returns its CHUNK_FRAMES PCM
// frames (valid until the buffer wraps round to it again).
bool startOfflinePlayback(XmModule* module);
const int16_t* renderNextChunk();
