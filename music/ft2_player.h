// The FastTracker 2 player: plays a module as FastTracker 2 does, every
// effect and volume-column command, Amiga and linear frequencies, auto-
// vibrato, envelopes with their quirks, and ticks of the tracker's length.
// It shares the loader, the mixer, its voices and the output thread with
// the exact player and nothing else: its song and channel state are its own.
#pragma once
#include <cstdint>

#include "music/mixer.h"
#include "music/xm_module.h"

// What changed on a channel this tick, for its voice.
enum Ft2Status : uint8_t { FT2_VOLUME = 1, FT2_PANNING = 2, FT2_PERIOD = 4, FT2_TRIGGER = 8 };

struct Ft2Channel {
    MixVoice* voice;
    const XmInstrument* instrument;  // of the last note started
    XmSample* sample;                // of the last note started
    uint8_t status;
    // The row's cell as the effects read it.
    uint8_t effect, parameter, volumeColumn;
    uint8_t cellNote, cellInstrument;  // for a delayed note
    uint8_t instrumentNumber;          // 1-based, 0 none yet
    uint8_t note;                      // 1..96, the last note started
    int8_t relativeNote;
    int8_t finetune;
    // Volume 0..64: realVolume is the channel's, outVolume what plays
    // (tremolo and tremor move it); oldVolume and oldPanning are the sample's.
    int32_t realVolume, outVolume, oldVolume;
    int32_t outPanning, oldPanning;  // 0 left .. 255 right
    // Periods: realPeriod the note's (slides move it), outPeriod with
    // vibrato or arpeggio, finalPeriod with the auto-vibrato.
    int32_t realPeriod, outPeriod, finalPeriod;
    int32_t wantPeriod;  // tone portamento target
    uint8_t portaDirection;  // 0 none, 1 period up, 2 period down
    int32_t portaSpeed;
    // Effect memories, each its own as in FastTracker 2.
    uint8_t portaUpSpeed, portaDownSpeed, finePortaUpSpeed, finePortaDownSpeed;
    uint8_t extraFinePortaUpSpeed, extraFinePortaDownSpeed;
    uint8_t volumeSlideSpeed, fineVolumeUpSpeed, fineVolumeDownSpeed;
    uint8_t globalVolumeSlideSpeed, panningSlideSpeed;
    uint8_t vibratoPosition, vibratoSpeed, vibratoDepth;
    uint8_t tremoloPosition, tremoloSpeed, tremoloDepth;
    uint8_t waveControl;  // low nibble vibrato, high nibble tremolo
    uint8_t glissando;
    uint8_t loopRow, loopCount;
    uint8_t retrigSpeed, retrigVolume, retrigCount;
    uint8_t tremorParameter, tremorPosition;
    uint8_t sampleOffset;
    int32_t startFrame;  // where the next trigger starts the sample
    // Envelopes: counters in ticks, values in 1/256 of a unit (0..64 x 256).
    bool keyHeld;
    int32_t volumeTick, volumePoint, volumeValue, volumeDelta;
    int32_t panningTick, panningPoint, panningValue, panningDelta;
    int32_t fadeOutVolume;  // 65536 down to 0
    int32_t fadeOutSpeed;
    uint8_t autoVibratoPosition;
    int32_t autoVibratoAmplitude, autoVibratoSweep;
    // What the voice plays: gains 0..1 and the period its step came from.
    float finalVolume;
    int32_t finalPanning;
    int32_t stepPeriod;
};

struct Ft2Song {
    int32_t speed, timer;  // timer counts a row's ticks down from speed to 1
    int32_t bpm;
    int32_t globalVolume;  // 0..64
    int32_t songPosition, row, rows;
    int32_t patternDelay, patternDelayLeft;
    int32_t breakRow;
    int32_t jumpPosition;  // the order position a jump names, -1 none
    bool breakFlag, jumpFlag;
};

struct Ft2State {
    Ft2Song song;
    Ft2Channel* channels;  // channelCount records
};

// The tick handler of a module that plays in the FastTracker 2 mode.
void ft2TickStep(XmModule* module);
// Sets up (or releases, for null) the state of the module about to play.
Ft2State* startFt2Playback(XmModule* module, MixVoice* voices);
void releaseFt2State(Ft2State* state);
// The state of the module playing in this mode (null in the exact mode).
Ft2State* ft2State();

// The song's state changes and the per-channel parts, one concern a file.
namespace ft2 {

// Periods and frequencies (ft2_periods.cpp). A note index counts 16 steps a
// semitone: 16 x (note + 1) + finetune / 8 for notes 0..119.
int32_t notePeriod(int32_t index, bool linear);
// The period of the note nearest at or above `period` in pitch, `semitones`
// up (arpeggio and glissando).
int32_t relocatePeriod(int32_t period, int32_t semitones, int8_t finetune, bool linear);
double periodHz(int32_t period, bool linear);
extern const uint8_t vibratoSine[32];
int32_t autoVibratoSine(uint8_t position);  // -64..64

// Notes, key-off and instruments (ft2_notes.cpp).
void startNote(XmModule* module, Ft2Channel& channel, uint8_t note, uint8_t effect, uint8_t parameter);
void keyOff(Ft2Channel& channel);
void resetVolumes(Ft2Channel& channel);
void triggerInstrument(Ft2Channel& channel);
void readRow(XmModule* module, Ft2State& state, Ft2Channel& channel, const PatternCell& cell);

// Effects (ft2_effects.cpp): the row's first tick and the ticks after it.
void rowEffects(XmModule* module, Ft2State& state, Ft2Channel& channel);
void tickEffects(XmModule* module, Ft2State& state, Ft2Channel& channel);
void vibratoStep(Ft2Channel& channel);
void tonePortamentoStep(Ft2Channel& channel, bool linear);

// Envelopes, fade-out and auto-vibrato, every tick (ft2_envelopes.cpp).
void envelopesAndVibrato(const Ft2Song& song, Ft2Channel& channel);
void setEnvelopePosition(Ft2Channel& channel, int32_t tick);

}  // namespace ft2
