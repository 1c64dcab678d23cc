// The loaded XM module: song header, unpacked patterns, instruments with
// their 16-bit samples, and the sequencer state that playback drives.
#pragma once
#include <cstdint>

#include "music/player_mode.h"

struct XmModule;

struct PatternCell {
    uint8_t note;        // 0 none, 1..96 notes, 255 key-off
    uint8_t instrument;  // 0 none, 1..128
    uint8_t volume;      // volume column byte
    uint8_t effect;
    uint8_t parameter;
};
static_assert(sizeof(PatternCell) == 5, "pattern cells are 5 packed bytes");

constexpr uint8_t NOTE_KEY_OFF = 255;

struct XmPattern {
    int32_t rows;
    PatternCell* cells;  // rows x channelCount, channel fastest
};

enum class LoopMode : uint8_t { None = 1, Forward = 2, PingPong = 4 };

struct XmSample {
    int16_t* data;  // length + 8 values, the extra ones zero (but for the loop guard)
    uint32_t length;  // in frames
    uint32_t loopStart;
    uint32_t loopLength;
    uint8_t volume;  // 0..64
    int8_t finetune;
    int32_t panning;  // 0..255
    uint8_t bits;     // 16 once loaded
    LoopMode loopMode;
    int8_t relativeNote;
};

// The sample of every unused slot: no data, no length, no loop.
extern XmSample EmptySample;

struct EnvelopePoint {
    uint16_t x;  // tick
    uint16_t y;  // 0..64
};
static_assert(sizeof(EnvelopePoint) == 4, "envelope points are two 16-bit words");

constexpr int32_t MAX_SAMPLES = 16;
constexpr int32_t MAX_ENVELOPE_POINTS = 12;
constexpr int32_t NOTE_COUNT = 96;

enum EnvelopeType : uint8_t { ENVELOPE_ON = 1, ENVELOPE_SUSTAIN = 2, ENVELOPE_LOOP = 4 };

struct XmInstrument {
    int32_t sampleCount;
    XmSample* samples[MAX_SAMPLES];
    uint8_t sampleMap[NOTE_COUNT];
    EnvelopePoint volumeEnvelope[MAX_ENVELOPE_POINTS];
    EnvelopePoint panningEnvelope[MAX_ENVELOPE_POINTS];
    uint8_t volumePointCount, panningPointCount;
    uint8_t volumeSustain, volumeLoopStart, volumeLoopEnd;
    uint8_t panningSustain, panningLoopStart, panningLoopEnd;
    uint8_t volumeType, panningType;
    uint8_t vibratoType, vibratoSweep, vibratoDepth, vibratoRate;
    uint16_t fadeOut;  // twice the file's value
    // The envelope types as the FastTracker 2 player takes them: like the
    // ones above, but an envelope of one point stays on (it holds its value,
    // so a key-off fades the note out instead of cutting it).
    uint8_t heldVolumeType, heldPanningType;
};

// Fills `buffer` with a sample's decoded data in its stored width.
using SampleLoadCallback = void (*)(void* buffer, int32_t byteCount, int32_t bits, int32_t instrumentIndex,
                                    int32_t sampleIndex);
using TickHandler = void (*)(XmModule* module);

constexpr uint16_t FLAG_LINEAR_FREQUENCIES = 1;

struct XmModule {
    XmPattern* patterns;
    XmInstrument* instruments;
    int32_t framesLeftInTick;
    int32_t framesPerTick;
    int16_t songLength;
    int16_t restartPosition;
    int16_t channelCount;
    int32_t referencedPatterns;
    int32_t patternSlots;
    int16_t instrumentCount;
    uint16_t flags;
    int16_t defaultTempo;
    int16_t defaultBpm;
    uint8_t orderTable[256];
    uint8_t initialGlobalVolume;
    int32_t globalVolume;
    int32_t tickInRow;
    int32_t speed;
    int32_t bpm;
    int32_t row;
    int32_t orderPosition;
    int32_t nextRow;
    int32_t nextOrder;
    int32_t elapsedMs;
    TickHandler tickHandler;
    SampleLoadCallback sampleLoadCallback;
    // Who made the module (the header's tracker field) and so which player
    // plays it; the command line's --player overrides the choice.
    char trackerName[TRACKER_NAME_LENGTH + 1];
    PlayerMode playerMode;
};

// Loads the module the file callbacks open under `name`; null when it cannot
// be opened or is not one this player can play (see moduleLoadError()).
XmModule* loadModule(const char* name, SampleLoadCallback sampleLoadCallback);
// Why the last loadModule returned null: a short lower-case phrase.
const char* moduleLoadError();

// The pattern the order table names at `orderPosition`, or null when there
// is none; and its row count (0 without a pattern).
const XmPattern* patternAtOrder(const XmModule* module, int32_t orderPosition);
int32_t rowsAtOrder(const XmModule* module, int32_t orderPosition);

// Releases what the loader allocated (the part of freeModule that does not
// touch playback).
void releaseModuleData(XmModule* module);
