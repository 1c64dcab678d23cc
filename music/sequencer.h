// The sequencer: walks the order table row by row and tick by tick, turns
// pattern cells into channel state, runs envelopes, fade-out and the
// supported effects, and pushes every change into the channel's voice.
#pragma once
#include <cstdint>

#include "music/mixer.h"
#include "music/xm_module.h"

enum UpdateFlag : uint8_t { UPDATE_PITCH = 1, UPDATE_VOLUME = 2, UPDATE_PANNING = 4, UPDATE_TRIGGER = 8 };

struct EnvelopeState {
    int32_t tick;
    int32_t pointIndex;
    int32_t value;      // 16.16
    int32_t output;     // 0..64; panning 32 = centre
    int32_t increment;  // 16.16 per tick
    uint8_t ended;
};

struct XmChannel {
    uint8_t note;  // 0-based, indexes the sample map
    uint8_t updateFlags;
    MixVoice* voice;
    int32_t period;  // linear: 64 units a semitone
    int32_t volume;  // 0..64
    int32_t panning;
    int32_t periodOffset;  // arpeggio, reset every tick
    EnvelopeState volumeEnvelope;
    EnvelopeState panningEnvelope;
    int32_t fadeOutVolume;  // 65536 down to 0
    uint8_t keyReleased;
    uint8_t instrument;  // 0-based
    uint8_t realNote;
    int32_t notePeriod;
    uint8_t portaDownSpeed, portaUpSpeed, volumeSlide;
    uint8_t retrigVolumeChange, retrigInterval;
    int32_t tonePortaTarget;
    uint8_t tonePortaSpeed;
};

// Instrument of every channel whose instrument number the module lacks.
extern XmInstrument EmptyInstrument;

// One tick: the module's tickHandler.
void tickStep(XmModule* module);
void processRow(XmModule* module);
void processTick(XmModule* module);

void applyVolumeColumn(XmChannel& channel, uint8_t volume);
// One envelope tick; flagBit is the update flag to raise (volume or panning).
void stepEnvelope(XmChannel& channel, EnvelopeState& envelope, uint8_t type, int32_t pointCount,
                  const EnvelopePoint* points, int32_t loopEnd, int32_t loopStart, int32_t sustain, uint8_t flagBit);
void resetChannelForInstrument(XmChannel& channel, const XmSample& sample);
void tonePortamentoStep(XmChannel& channel);
void updateVoice(XmChannel& channel, XmSample* sample, XmModule* module);

// The playing frequency in Hz of a period (with arpeggio offset), as the
// voice step takes it.
int32_t periodFrequency(int32_t period, int32_t periodOffset, bool linear);
