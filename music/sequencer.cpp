#include "music/sequencer.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "core/numeric.h"
#include "music/effects.h"
#include "music/playback.h"

XmInstrument EmptyInstrument = {};

namespace {

constexpr int32_t PORTAMENTO_FLOOR = 56;
// Slides have no bound of their own; this only keeps the sums inside int32
// (far beyond the lowest audible pitch and any panning).
constexpr int32_t SLIDE_CEILING = INT32_MAX / 2;
constexpr int32_t SLIDE_FLOOR = INT32_MIN / 2;

const XmInstrument& channelInstrument(const XmModule* module, const XmChannel& channel)
{
    return channel.instrument < module->instrumentCount ? module->instruments[channel.instrument] : EmptyInstrument;
}

XmSample* channelSample(const XmModule* module, const XmChannel& channel)
{
    if (channel.instrument >= module->instrumentCount) return &EmptySample;
    const XmInstrument& instrument = module->instruments[channel.instrument];
    const uint8_t slot = instrument.sampleMap[channel.note % NOTE_COUNT];
    if (slot >= MAX_SAMPLES || !instrument.samples[slot]) return &EmptySample;
    return instrument.samples[slot];
}

const PatternCell* currentRowCells(const XmModule* module)
{
    const XmPattern* pattern = patternAtOrder(module, module->orderPosition);
    if (!pattern || !pattern->cells || module->row < 0 || module->row >= pattern->rows) return nullptr;
    return pattern->cells + static_cast<size_t>(module->row) * module->channelCount;
}

int32_t slideVolume(int32_t volume, int32_t change) { return std::clamp(volume + change, 0, 64); }

int32_t slidePanning(int32_t panning, int32_t change)
{
    return std::clamp(panning + change, SLIDE_FLOOR, SLIDE_CEILING);
}

void stepEnvelopes(XmChannel& channel, const XmInstrument& instrument, bool rowStart)
{
    if (instrument.volumeType & ENVELOPE_ON) {
        if (!channel.volumeEnvelope.ended)
            stepEnvelope(channel, channel.volumeEnvelope, instrument.volumeType, instrument.volumePointCount,
                         instrument.volumeEnvelope, instrument.volumeLoopEnd, instrument.volumeLoopStart,
                         instrument.volumeSustain, UPDATE_VOLUME);
    } else if (rowStart && channel.keyReleased) {
        channel.volumeEnvelope.output = 0;  // a key-off cuts an instrument without volume envelope
    }
    if ((instrument.panningType & ENVELOPE_ON) && !channel.panningEnvelope.ended)
        stepEnvelope(channel, channel.panningEnvelope, instrument.panningType, instrument.panningPointCount,
                     instrument.panningEnvelope, instrument.panningLoopEnd, instrument.panningLoopStart,
                     instrument.panningSustain, UPDATE_PANNING);
    if (channel.keyReleased) {
        channel.fadeOutVolume = std::max(0, channel.fadeOutVolume - instrument.fadeOut);
        channel.updateFlags |= UPDATE_VOLUME;
    }
}

void rowEffect(XmModule* module, XmChannel& channel, const PatternCell& cell)
{
    const uint8_t parameter = cell.parameter;
    switch (static_cast<Effect>(cell.effect)) {
    case Effect::PortamentoUp:
        if (parameter) channel.portaUpSpeed = parameter;
        break;
    case Effect::PortamentoDown:
        if (parameter) channel.portaDownSpeed = parameter;
        break;
    case Effect::TonePortamento:
        if (parameter) channel.tonePortaSpeed = parameter;
        channel.tonePortaTarget = channel.notePeriod;
        channel.updateFlags &= static_cast<uint8_t>(~(UPDATE_TRIGGER | UPDATE_PITCH));
        break;
    case Effect::SetPanning:
        channel.panning = parameter;
        channel.updateFlags |= UPDATE_PANNING;
        break;
    case Effect::VolumeSlide:
        if (parameter) channel.volumeSlide = parameter;
        break;
    case Effect::PatternBreak: {
        int32_t row = (parameter >> 4) * 10 + (parameter & 0x0F);
        if (row > 63) row = 0;
        module->nextRow = row;
        const int32_t order = module->orderPosition + 1;
        module->nextOrder = order >= module->songLength ? 0 : order;
        break;
    }
    case Effect::SetSpeed:
        if (parameter < 32)
            module->speed = parameter;
        else
            setTempo(module, parameter);
        break;
    case Effect::MultiRetrigger:
        if (parameter) {
            channel.retrigVolumeChange = parameter >> 4;
            channel.retrigInterval = parameter & 0x0F;
        }
        break;
    default: break;
    }
}

int32_t retriggerVolume(int32_t volume, uint8_t change)
{
    switch (change) {
    case 0x1: return volume - 1;
    case 0x2: return volume - 2;
    case 0x3: return volume - 4;
    case 0x4: return volume - 8;
    case 0x5: return volume - 16;
    case 0x6: return volume * 2 / 3;
    case 0x7: return volume >> 1;
    case 0x9: return volume + 1;
    case 0xA: return volume + 2;
    case 0xB: return volume + 4;
    case 0xC: return volume + 8;
    case 0xD: return volume + 16;
    case 0xE: return volume * 3 / 2;
    case 0xF: return volume * 2;
    default: return volume;
    }
}

void tickEffect(XmModule* module, XmChannel& channel, const PatternCell& cell, bool linear)
{
    const uint8_t parameter = cell.parameter;
    switch (static_cast<Effect>(cell.effect)) {
    case Effect::Arpeggio:
        if (parameter) {
            const int32_t phase = module->tickInRow % 3;
            if (linear) {
                if (phase == 1) channel.periodOffset = (parameter >> 4) * 64;
                if (phase == 2) channel.periodOffset = (parameter & 0x0F) * 64;
            }
            channel.updateFlags |= UPDATE_PITCH;
        }
        break;
    case Effect::PortamentoUp:
        channel.period = std::max(channel.period - channel.portaUpSpeed * 4, PORTAMENTO_FLOOR);
        channel.updateFlags |= UPDATE_PITCH;
        break;
    case Effect::PortamentoDown:
        channel.period = std::min(channel.period, SLIDE_CEILING) + channel.portaDownSpeed * 4;
        channel.updateFlags |= UPDATE_PITCH;
        break;
    case Effect::TonePortamento: tonePortamentoStep(channel); break;
    case Effect::VolumeSlide: {
        const int32_t up = channel.volumeSlide >> 4, down = channel.volumeSlide & 0x0F;
        if (up)
            channel.volume = std::min(channel.volume + up, 64);
        else if (down)
            channel.volume = std::max(channel.volume - down, 0);
        channel.updateFlags |= UPDATE_VOLUME;
        break;
    }
    case Effect::MultiRetrigger:
        if (channel.retrigInterval && module->tickInRow % channel.retrigInterval == 0) {
            if (channel.retrigVolumeChange) {
                channel.volume = std::clamp(retriggerVolume(channel.volume, channel.retrigVolumeChange), 0, 64);
                channel.updateFlags |= UPDATE_VOLUME;
            }
            channel.updateFlags |= UPDATE_TRIGGER;
        }
        break;
    default: break;
    }
}

void volumeColumnTick(XmChannel& channel, uint8_t volume)
{
    const int32_t x = volume & 0x0F;
    switch (static_cast<VolumeCommand>(volume >> 4)) {
    case VolumeCommand::SlideDown:
        channel.volume = slideVolume(channel.volume, -x);
        channel.updateFlags |= UPDATE_VOLUME;
        break;
    case VolumeCommand::SlideUp:
        channel.volume = slideVolume(channel.volume, x);
        channel.updateFlags |= UPDATE_VOLUME;
        break;
    case VolumeCommand::PanSlideLeft:
        channel.panning = slidePanning(channel.panning, -x);
        channel.updateFlags |= UPDATE_PANNING;
        break;
    case VolumeCommand::PanSlideRight:
        channel.panning = slidePanning(channel.panning, x);
        channel.updateFlags |= UPDATE_PANNING;
        break;
    case VolumeCommand::TonePortamento: tonePortamentoStep(channel); break;
    default: break;
    }
}

int32_t targetGain(int32_t volume, int32_t panning) { return volume * panning / 255; }

}  // namespace

void applyVolumeColumn(XmChannel& channel, uint8_t volume)
{
    const int32_t x = volume & 0x0F;
    if (volume >= VOLUME_COLUMN_SET_FIRST && volume <= VOLUME_COLUMN_SET_LAST) {
        channel.volume = volume - VOLUME_COLUMN_SET_FIRST;
        channel.updateFlags |= UPDATE_VOLUME;
        return;
    }
    switch (static_cast<VolumeCommand>(volume >> 4)) {
    case VolumeCommand::SlideDown:
    case VolumeCommand::FineSlideDown:
        channel.volume = slideVolume(channel.volume, -x);
        channel.updateFlags |= UPDATE_VOLUME;
        break;
    case VolumeCommand::SlideUp:
    case VolumeCommand::FineSlideUp:
        channel.volume = slideVolume(channel.volume, x);
        channel.updateFlags |= UPDATE_VOLUME;
        break;
    case VolumeCommand::SetPanning:
        channel.panning = x * 16;
        channel.updateFlags |= UPDATE_PANNING;
        break;
    case VolumeCommand::PanSlideLeft:
        channel.panning = slidePanning(channel.panning, -x);
        channel.updateFlags |= UPDATE_PANNING;
        break;
    case VolumeCommand::PanSlideRight:
        channel.panning = slidePanning(channel.panning, x);
        channel.updateFlags |= UPDATE_PANNING;
        break;
    case VolumeCommand::TonePortamento:
        if (x) channel.tonePortaSpeed = static_cast<uint8_t>(x * 16);
        channel.tonePortaTarget = channel.notePeriod;
        // The period has already taken the new note's: only the restart goes.
        channel.updateFlags &= static_cast<uint8_t>(~UPDATE_TRIGGER);
        break;
    default: break;
    }
}

void tonePortamentoStep(XmChannel& channel)
{
    const int32_t speed = channel.tonePortaSpeed * 4;
    if (channel.period < channel.tonePortaTarget)
        channel.period = std::min(channel.period + speed, channel.tonePortaTarget);
    else if (channel.period > channel.tonePortaTarget)
        channel.period = std::max(channel.period - speed, channel.tonePortaTarget);
    channel.updateFlags |= UPDATE_PITCH;
}

void resetChannelForInstrument(XmChannel& channel, const XmSample& sample)
{
    channel.volume = sample.volume;
    channel.panning = sample.panning;
    channel.volumeEnvelope.output = 64;
    channel.volumeEnvelope.pointIndex = 0;
    channel.volumeEnvelope.tick = 0;
    channel.volumeEnvelope.increment = 0;
    channel.volumeEnvelope.ended = 0;
    channel.panningEnvelope.output = 32;
    channel.panningEnvelope.pointIndex = 0;
    channel.panningEnvelope.tick = 0;
    channel.panningEnvelope.increment = 0;
    channel.panningEnvelope.ended = 0;
    channel.keyReleased = 0;
    channel.fadeOutVolume = 65536;
    channel.updateFlags |= UPDATE_VOLUME | UPDATE_PANNING;
}

int32_t periodFrequency(int32_t period, int32_t periodOffset, bool linear)
{
    int32_t frequency;
    if (linear) {
        const double exponent = static_cast<double>(4608 - static_cast<int64_t>(period) + periodOffset) / 768.0;
        frequency = truncToInt32(8363.0 * std::pow(2.0, exponent));
    } else {
        const int64_t divisor = static_cast<int64_t>(period) + periodOffset;
        frequency = divisor == 0 ? 0 : static_cast<int32_t>(14317056 / divisor);
    }
    return frequency < 100 ? 100 : frequency;
}

void updateVoice(XmChannel& channel, XmSample* sample, XmModule* module)
{
    if (static_cast<int64_t>(channel.period) + channel.periodOffset == 0)
        channel.updateFlags &= static_cast<uint8_t>(~UPDATE_PITCH);
    MixVoice* voice = channel.voice;

    if (channel.updateFlags & UPDATE_TRIGGER) {
        if (voice->sample) {
            // The channel moves to the twin, which takes a copy of the voice;
            // the old voice plays on and fades out, so the cut makes no click.
            const int32_t offset = thePlayer.twinOffset;
            const int32_t twinIndex = voice->index < offset ? voice->index + offset : voice->index - offset;
            MixVoice& twin = thePlayer.voices[twinIndex];
            twin = *voice;
            twin.index = twinIndex;
            voice->volume = 0;
            voice->targetFirst = 0;
            voice->targetSecond = 0;
            channel.voice = voice = &twin;
        }
        voice->sample = sample;
        voice->position = 0;
        voice->direction = Direction::Forward;
        voice->currentFirst = 0;
        voice->currentSecond = 0;
        voice->rampFramesLeft = 0;
    }

    if (channel.updateFlags & UPDATE_VOLUME) {
        // 64 x 65536 x 64 x 64 x 255 / 2^35 = 127.5 at the most.
        const float inner = static_cast<float>(channel.volume * channel.volumeEnvelope.output);
        const float faded = static_cast<float>(channel.fadeOutVolume) * inner;
        const float global = static_cast<float>(module->globalVolume) * faded;
        const int32_t volume = truncToInt32(global * 255.0f / 34359738368.0f);
        voice->volume = volume;
        voice->targetFirst = targetGain(volume, voice->panning);
        voice->targetSecond = targetGain(volume, 255 - voice->panning);
    }

    if (channel.updateFlags & UPDATE_PANNING) {
        // Wide, for a slide that has run far out and an envelope past its points.
        const int64_t reach = (128 - std::abs(static_cast<int64_t>(channel.panning) - 128)) / 32;
        const auto panning = static_cast<int32_t>(
            std::clamp<int64_t>(channel.panning + (channel.panningEnvelope.output - 32) * reach, 0, 255));
        voice->panning = panning;
        voice->targetFirst = targetGain(voice->volume, panning);
        voice->targetSecond = targetGain(voice->volume, 255 - panning);
    }

    if (channel.updateFlags & UPDATE_PITCH) {
        const bool linear = module->flags & FLAG_LINEAR_FREQUENCIES;
        const auto frequency = static_cast<uint64_t>(periodFrequency(channel.period, channel.periodOffset, linear));
        const uint64_t whole = frequency / MIX_RATE;
        const uint64_t fraction = ((frequency % MIX_RATE) << 32) / MIX_RATE;
        voice->step = whole << 32 | fraction;
    }
}

void processRow(XmModule* module)
{
    module->nextRow = -1;
    module->nextOrder = -1;
    const PatternCell* cells = currentRowCells(module);
    if (!cells) return;
    const bool linear = module->flags & FLAG_LINEAR_FREQUENCIES;
    for (int32_t c = 0; c < module->channelCount; ++c) {
        const PatternCell& cell = cells[c];
        XmChannel& channel = thePlayer.channels[c];
        const bool hasNote = cell.note >= 1 && cell.note <= 96;
        // Tone portamento (and effect 5) keeps the sounding note and instrument.
        const auto effect = static_cast<Effect>(cell.effect);
        const bool holdsNote = effect == Effect::TonePortamento || effect == Effect::TonePortamentoVolumeSlide;
        if (!holdsNote) {
            if (cell.instrument) channel.instrument = cell.instrument - 1;
            if (hasNote) channel.note = cell.note - 1;
        }
        const XmInstrument& instrument = channelInstrument(module, channel);
        XmSample* sample = channelSample(module, channel);

        channel.updateFlags = 0;
        if (hasNote) {
            channel.realNote = static_cast<uint8_t>(cell.note + sample->relativeNote - 1);
            if (linear) channel.notePeriod = 7680 - channel.realNote * 64 - sample->finetune / 2;
            if (!holdsNote) channel.period = channel.notePeriod;
            channel.updateFlags = UPDATE_TRIGGER;
        }
        channel.periodOffset = 0;
        channel.updateFlags |= UPDATE_PITCH | UPDATE_VOLUME;
        if (cell.instrument) resetChannelForInstrument(channel, *sample);
        if (cell.volume) applyVolumeColumn(channel, cell.volume);
        if (cell.note == NOTE_KEY_OFF || effect == Effect::KeyOff) channel.keyReleased = 1;
        stepEnvelopes(channel, instrument, true);
        rowEffect(module, channel, cell);
        updateVoice(channel, sample, module);
    }
}

void processTick(XmModule* module)
{
    const PatternCell* cells = currentRowCells(module);
    if (!cells) return;
    const bool linear = module->flags & FLAG_LINEAR_FREQUENCIES;
    for (int32_t c = 0; c < module->channelCount; ++c) {
        const PatternCell& cell = cells[c];
        XmChannel& channel = thePlayer.channels[c];
        const XmInstrument& instrument = channelInstrument(module, channel);
        XmSample* sample = channelSample(module, channel);
        channel.periodOffset = 0;
        channel.updateFlags = 0;
        stepEnvelopes(channel, instrument, false);
        volumeColumnTick(channel, cell.volume);
        tickEffect(module, channel, cell, linear);
        updateVoice(channel, sample, module);
    }
}

void tickStep(XmModule* module)
{
    if (module->tickInRow != 0) {
        processTick(module);
    } else {
        if (module->nextOrder >= 0) module->orderPosition = module->nextOrder;
        if (module->nextRow >= 0) module->row = module->nextRow;
        // A break to a row the pattern does not have starts it from the top.
        if (module->row >= rowsAtOrder(module, module->orderPosition)) module->row = 0;
        processRow(module);
        if (module->nextRow == -1) {
            module->nextRow = module->row + 1;
            if (module->nextRow >= rowsAtOrder(module, module->orderPosition)) {
                int32_t order = module->orderPosition + 1;
                if (order >= module->songLength) order = module->restartPosition;
                // A restart position past the song starts it over.
                if (order < 0 || order >= module->songLength) order = 0;
                module->nextOrder = order;
                module->nextRow = 0;
            }
        }
    }
    module->tickInRow += 1;
    if (module->tickInRow >= module->speed) module->tickInRow = 0;
}
