// How the FastTracker 2 player reads a row's cell: notes, instruments,
// key-offs and the tone portamento that holds a note, in the tracker's order.
#include <algorithm>

#include "music/effects.h"
#include "music/ft2_player.h"
#include "music/sequencer.h"

namespace ft2 {

namespace {

constexpr uint8_t EXTENDED = 0x0E;
constexpr uint8_t SAMPLE_OFFSET = 0x09;
constexpr uint8_t TONE_PORTAMENTO = 0x03;
constexpr uint8_t TONE_PORTAMENTO_VOLUME_SLIDE = 0x05;
constexpr uint8_t VIBRATO = 0x04;
constexpr uint8_t VIBRATO_VOLUME_SLIDE = 0x06;
constexpr uint8_t KEY_OFF = 0x14;
constexpr int32_t HIGHEST_NOTE = 12 * 10;

const XmInstrument& instrumentOf(const XmModule* module, uint8_t number)
{
    if (number >= 1 && number <= module->instrumentCount) return module->instruments[number - 1];
    return EmptyInstrument;
}

bool linearOf(const XmModule* module) { return module->flags & FLAG_LINEAR_FREQUENCIES; }

// A new note under a tone portamento: the period to slide to.
void holdNoteForPortamento(XmModule* module, Ft2Channel& channel, const PatternCell& cell, uint8_t instrument)
{
    if (cell.note == NOTE_KEY_OFF) {
        keyOff(channel);
    } else if (cell.note >= 1 && cell.note <= NOTE_COUNT) {
        const int32_t index = (cell.note - 1 + channel.relativeNote) * 16 + (channel.finetune >> 3) + 16;
        if (index >= 0 && index < HIGHEST_NOTE * 16 + 16) {
            channel.wantPeriod = notePeriod(index, linearOf(module));
            if (channel.wantPeriod == channel.realPeriod) channel.portaDirection = 0;
            else if (channel.wantPeriod > channel.realPeriod) channel.portaDirection = 1;
            else channel.portaDirection = 2;
        }
    }
    if (instrument) {
        resetVolumes(channel);
        if (cell.note != NOTE_KEY_OFF) triggerInstrument(channel);
    }
}

}  // namespace

void resetVolumes(Ft2Channel& channel)
{
    channel.realVolume = channel.outVolume = channel.oldVolume;
    channel.outPanning = channel.oldPanning;
    channel.status |= FT2_VOLUME | FT2_PANNING;
}

void triggerInstrument(Ft2Channel& channel)
{
    // Waveform control bit 2 (and 6 for the tremolo) keeps the phase.
    if (!(channel.waveControl & 0x04)) channel.vibratoPosition = 0;
    if (!(channel.waveControl & 0x40)) channel.tremoloPosition = 0;
    channel.retrigCount = 0;
    channel.tremorPosition = 0;
    channel.keyHeld = true;
    const XmInstrument& instrument = channel.instrument ? *channel.instrument : EmptyInstrument;
    // One tick before the first point: the next envelope step lands on it.
    if (instrument.heldVolumeType & ENVELOPE_ON) {
        channel.volumeTick = -1;
        channel.volumePoint = 0;
    }
    if (instrument.heldPanningType & ENVELOPE_ON) {
        channel.panningTick = -1;
        channel.panningPoint = 0;
    }
    channel.fadeOutSpeed = instrument.fadeOut;
    channel.fadeOutVolume = 65536;
    if (instrument.vibratoDepth) {
        channel.autoVibratoPosition = 0;
        if (instrument.vibratoSweep) {
            channel.autoVibratoAmplitude = 0;
            channel.autoVibratoSweep = (instrument.vibratoDepth << 8) / instrument.vibratoSweep;
        } else {
            channel.autoVibratoAmplitude = instrument.vibratoDepth << 8;
            channel.autoVibratoSweep = 0;
        }
    }
}

void keyOff(Ft2Channel& channel)
{
    channel.keyHeld = false;
    const XmInstrument& instrument = channel.instrument ? *channel.instrument : EmptyInstrument;
    // The tracker pulls the envelope counters back to their point (the
    // panning one even when that envelope is off).
    if (!(instrument.heldPanningType & ENVELOPE_ON)) {
        const int32_t x = instrument.panningEnvelope[std::clamp(channel.panningPoint, 0, MAX_ENVELOPE_POINTS - 1)].x;
        if (channel.panningTick >= x) channel.panningTick = x - 1;
    }
    if (instrument.heldVolumeType & ENVELOPE_ON) {
        const int32_t x = instrument.volumeEnvelope[std::clamp(channel.volumePoint, 0, MAX_ENVELOPE_POINTS - 1)].x;
        if (channel.volumeTick >= x) channel.volumeTick = x - 1;
    } else {
        // Without a volume envelope a key-off cuts the note.
        channel.realVolume = channel.outVolume = 0;
        channel.status |= FT2_VOLUME;
    }
}

void startNote(XmModule* module, Ft2Channel& channel, uint8_t note, uint8_t effect, uint8_t parameter)
{
    if (note == NOTE_KEY_OFF) {
        keyOff(channel);
        return;
    }
    // A retrigger names no note: the last one plays again.
    if (note == 0) {
        note = channel.note;
        if (note == 0) return;
    }
    channel.note = note;
    const XmInstrument& instrument = instrumentOf(module, channel.instrumentNumber);
    channel.instrument = &instrument;
    const uint8_t slot = instrument.sampleMap[std::min<int32_t>(note, NOTE_COUNT) - 1] & 0x0F;
    XmSample* sample = instrument.samples[slot] ? instrument.samples[slot] : &EmptySample;
    if (&instrument == &EmptyInstrument) sample = &EmptySample;
    channel.sample = sample;
    channel.relativeNote = sample->relativeNote;

    const int32_t realNote = note + sample->relativeNote;
    if (realNote < 0 || realNote >= HIGHEST_NOTE) return;

    channel.oldVolume = sample->volume;
    channel.oldPanning = std::clamp(sample->panning, 0, 255);
    if (effect == EXTENDED && (parameter & 0xF0) == 0x50)
        channel.finetune = static_cast<int8_t>(((parameter & 0x0F) << 4) - 128);
    else
        channel.finetune = sample->finetune;
    if (realNote != 0) {
        const int32_t index = (realNote - 1) * 16 + (channel.finetune >> 3) + 16;
        channel.realPeriod = channel.outPeriod = notePeriod(index, linearOf(module));
    }
    channel.status |= FT2_PERIOD | FT2_VOLUME | FT2_PANNING | FT2_TRIGGER;
    if (effect == SAMPLE_OFFSET) {
        if (parameter) channel.sampleOffset = parameter;
        channel.startFrame = channel.sampleOffset << 8;
    } else {
        channel.startFrame = 0;
    }
}

void readRow(XmModule* module, Ft2State& state, Ft2Channel& channel, const PatternCell& cell)
{
    (void)state;
    channel.volumeColumn = cell.volume;
    // An arpeggio or vibrato that ends with the row it was on leaves the
    // note's own period.
    if (channel.effect == 0) {
        if (channel.parameter != 0) {
            channel.outPeriod = channel.realPeriod;
            channel.status |= FT2_PERIOD;
        }
    } else if ((channel.effect == VIBRATO || channel.effect == VIBRATO_VOLUME_SLIDE) &&
               cell.effect != VIBRATO && cell.effect != VIBRATO_VOLUME_SLIDE) {
        channel.outPeriod = channel.realPeriod;
        channel.status |= FT2_PERIOD;
    }
    channel.effect = cell.effect;
    channel.parameter = cell.parameter;
    const uint8_t note = cell.note <= NOTE_COUNT || cell.note == NOTE_KEY_OFF ? cell.note : 0;
    channel.cellNote = note;
    channel.cellInstrument = cell.instrument;

    const uint8_t instrument = cell.instrument;
    if (instrument) channel.instrumentNumber = instrument;

    bool effectsDecide = true;
    if (cell.effect == EXTENDED) {
        if (cell.parameter >= 0xD1 && cell.parameter <= 0xDF) return;  // a note delay: all on its tick
        if (cell.parameter == 0x90) effectsDecide = false;              // E90 always plays the note
    }
    if (effectsDecide) {
        if ((channel.volumeColumn & 0xF0) == 0xF0) {
            if (channel.volumeColumn & 0x0F) channel.portaSpeed = (channel.volumeColumn & 0x0F) << 6;
            holdNoteForPortamento(module, channel, cell, instrument);
            rowEffects(module, state, channel);
            return;
        }
        if (cell.effect == TONE_PORTAMENTO || cell.effect == TONE_PORTAMENTO_VOLUME_SLIDE) {
            if (cell.effect != TONE_PORTAMENTO_VOLUME_SLIDE && cell.parameter) channel.portaSpeed = cell.parameter << 2;
            holdNoteForPortamento(module, channel, cell, instrument);
            rowEffects(module, state, channel);
            return;
        }
        if (cell.effect == KEY_OFF && cell.parameter == 0) {
            keyOff(channel);
            if (instrument) resetVolumes(channel);
            rowEffects(module, state, channel);
            return;
        }
        if (note == 0) {
            // An instrument alone: the volume and envelopes start over, the
            // sample plays on.
            if (instrument) {
                resetVolumes(channel);
                triggerInstrument(channel);
            }
            rowEffects(module, state, channel);
            return;
        }
    }
    startNote(module, channel, note, cell.effect, cell.parameter);
    if (instrument) {
        resetVolumes(channel);
        if (note != NOTE_KEY_OFF) triggerInstrument(channel);
    }
    rowEffects(module, state, channel);
}

}  // namespace ft2
