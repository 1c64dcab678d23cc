// The FastTracker 2 player's effects and volume-column commands: what each
// does on a row's first tick and on the ticks after it, with the tracker's
// memories and quirks.
#include <algorithm>

#include "music/ft2_player.h"
#include "music/playback.h"

namespace ft2 {

namespace {

constexpr int32_t LOWEST_PERIOD = 1;
constexpr int32_t HIGHEST_PERIOD = 32000 - 1;

// The tick of the row, counted up from 0.
int32_t tickOf(const Ft2Song& song) { return song.speed - song.timer; }

bool linearOf(const XmModule* module) { return module->flags & FLAG_LINEAR_FREQUENCIES; }

void setVolume(Ft2Channel& channel, int32_t volume)
{
    channel.realVolume = channel.outVolume = std::clamp(volume, 0, 64);
    channel.status |= FT2_VOLUME;
}

void slidePeriod(Ft2Channel& channel, int32_t change)
{
    channel.realPeriod = std::clamp(channel.realPeriod + change, LOWEST_PERIOD, HIGHEST_PERIOD);
    channel.outPeriod = channel.realPeriod;
    channel.status |= FT2_PERIOD;
}

void allVolumesChanged(const XmModule* module, Ft2State& state)
{
    for (int32_t c = 0; c < module->channelCount; ++c) state.channels[c].status |= FT2_VOLUME;
}

// The arpeggio's note on a tick: the tracker reads it from a table by the
// row's tick counter, which counts down, and past 15 ticks runs into the
// table behind it.
int32_t arpeggioStep(int32_t timer)
{
    if (timer < 16) return timer % 3;
    return timer == 16 ? 0 : 2;
}

void volumeSlide(Ft2Channel& channel, uint8_t parameter)
{
    if (parameter == 0) parameter = channel.volumeSlideSpeed;
    channel.volumeSlideSpeed = parameter;
    if ((parameter & 0xF0) == 0)
        setVolume(channel, channel.realVolume - parameter);
    else
        setVolume(channel, channel.realVolume + (parameter >> 4));
}

void tremolo(Ft2Channel& channel, uint8_t parameter)
{
    if (parameter) {
        if (parameter & 0x0F) channel.tremoloDepth = parameter & 0x0F;
        if (parameter & 0xF0) channel.tremoloSpeed = static_cast<uint8_t>((parameter >> 4) * 4);
    }
    int32_t wave = (channel.tremoloPosition >> 2) & 0x1F;
    switch ((channel.waveControl >> 4) & 3) {
    case 0: wave = vibratoSine[wave]; break;
    case 1:
        wave *= 8;
        if (channel.vibratoPosition >= 128) wave ^= 0xFF;  // the tracker reads the vibrato's phase here
        break;
    default: wave = 255; break;
    }
    wave = (wave * channel.tremoloDepth) >> 6;
    const int32_t volume = channel.tremoloPosition >= 128 ? channel.realVolume - wave : channel.realVolume + wave;
    channel.outVolume = std::clamp(volume, 0, 64);
    channel.status |= FT2_VOLUME;
    channel.tremoloPosition = static_cast<uint8_t>(channel.tremoloPosition + channel.tremoloSpeed);
}

void tremor(Ft2Channel& channel, uint8_t parameter)
{
    if (parameter == 0) parameter = channel.tremorParameter;
    channel.tremorParameter = parameter;
    uint8_t on = channel.tremorPosition & 0x80;
    int32_t left = (channel.tremorPosition & 0x7F) - 1;
    if (left < 0) {
        if (on) {
            on = 0;
            left = parameter & 0x0F;
        } else {
            on = 0x80;
            left = parameter >> 4;
        }
    }
    channel.tremorPosition = static_cast<uint8_t>(on | (left & 0x7F));
    channel.outVolume = on ? channel.realVolume : 0;
    channel.status |= FT2_VOLUME;
}

int32_t retriggerVolume(int32_t volume, uint8_t change)
{
    switch (change) {
    case 0x1: return volume - 1;
    case 0x2: return volume - 2;
    case 0x3: return volume - 4;
    case 0x4: return volume - 8;
    case 0x5: return volume - 16;
    case 0x6: return (volume >> 1) + (volume >> 3) + (volume >> 4);
    case 0x7: return volume >> 1;
    case 0x9: return volume + 1;
    case 0xA: return volume + 2;
    case 0xB: return volume + 4;
    case 0xC: return volume + 8;
    case 0xD: return volume + 16;
    case 0xE: return (volume >> 1) + volume;
    case 0xF: return volume + volume;
    default: return volume;
    }
}

// The volume column's set volume or panning, which a retriggered or
// delayed note takes again.
void volumeColumnAgain(Ft2Channel& channel)
{
    if (channel.volumeColumn >= 0x10 && channel.volumeColumn <= 0x50)
        channel.realVolume = channel.outVolume = channel.volumeColumn - 0x10;
    else if (channel.volumeColumn >= 0xC0 && channel.volumeColumn <= 0xCF)
        channel.outPanning = (channel.volumeColumn & 0x0F) << 4;
}

void multiRetrigger(XmModule* module, Ft2Channel& channel, uint8_t parameter)
{
    if (parameter & 0x0F) channel.retrigSpeed = parameter & 0x0F;
    if (parameter >> 4) channel.retrigVolume = parameter >> 4;
    const int32_t count = channel.retrigCount + 1;
    if (count < channel.retrigSpeed) {
        channel.retrigCount = static_cast<uint8_t>(count);
        return;
    }
    channel.retrigCount = 0;
    setVolume(channel, retriggerVolume(channel.realVolume, channel.retrigVolume));
    volumeColumnAgain(channel);
    startNote(module, channel, 0, 0, 0);
}

void volumeColumnRow(Ft2Channel& channel)
{
    const uint8_t x = channel.volumeColumn & 0x0F;
    switch (channel.volumeColumn >> 4) {
    case 0x1:
    case 0x2:
    case 0x3:
    case 0x4:
        setVolume(channel, channel.volumeColumn - 0x10);
        break;
    case 0x5:
        if (channel.volumeColumn == 0x50) setVolume(channel, 64);
        break;
    case 0x8: setVolume(channel, channel.realVolume - x); break;
    case 0x9: setVolume(channel, channel.realVolume + x); break;
    case 0xA:
        if (x) channel.vibratoSpeed = static_cast<uint8_t>(x * 4);
        break;
    case 0xC:
        channel.outPanning = x << 4;
        channel.status |= FT2_PANNING;
        break;
    default: break;
    }
}

void volumeColumnTick(Ft2Channel& channel, bool linear)
{
    const uint8_t x = channel.volumeColumn & 0x0F;
    switch (channel.volumeColumn >> 4) {
    case 0x6: setVolume(channel, channel.realVolume - x); break;
    case 0x7: setVolume(channel, channel.realVolume + x); break;
    case 0xB:
        if (x) channel.vibratoDepth = x;
        vibratoStep(channel);
        break;
    case 0xD:
        channel.outPanning = std::max(channel.outPanning - x, 0);
        channel.status |= FT2_PANNING;
        break;
    case 0xE:
        channel.outPanning = std::min(channel.outPanning + x, 255);
        channel.status |= FT2_PANNING;
        break;
    case 0xF: tonePortamentoStep(channel, linear); break;
    default: break;
    }
}

void patternLoop(Ft2State& state, Ft2Channel& channel, uint8_t count)
{
    Ft2Song& song = state.song;
    if (count == 0) {
        channel.loopRow = static_cast<uint8_t>(song.row);
        return;
    }
    if (channel.loopCount == 0) {
        channel.loopCount = count;
    } else if (--channel.loopCount == 0) {
        return;
    }
    song.breakRow = channel.loopRow;
    song.breakFlag = true;
}

void extendedRow(XmModule* module, Ft2State& state, Ft2Channel& channel)
{
    const uint8_t x = channel.parameter & 0x0F;
    switch (channel.parameter >> 4) {
    case 0x1:
        if (x) channel.finePortaUpSpeed = x;
        slidePeriod(channel, -channel.finePortaUpSpeed * 4);
        break;
    case 0x2:
        if (x) channel.finePortaDownSpeed = x;
        slidePeriod(channel, channel.finePortaDownSpeed * 4);
        break;
    case 0x3: channel.glissando = x; break;
    case 0x4: channel.waveControl = static_cast<uint8_t>((channel.waveControl & 0xF0) | x); break;
    case 0x6: patternLoop(state, channel, x); break;
    case 0x7: channel.waveControl = static_cast<uint8_t>((channel.waveControl & 0x0F) | x << 4); break;
    case 0xA:
        if (x) channel.fineVolumeUpSpeed = x;
        setVolume(channel, channel.realVolume + channel.fineVolumeUpSpeed);
        break;
    case 0xB:
        if (x) channel.fineVolumeDownSpeed = x;
        setVolume(channel, channel.realVolume - channel.fineVolumeDownSpeed);
        break;
    case 0xC:
        if (x == 0) setVolume(channel, 0);
        break;
    case 0xE:
        if (state.song.patternDelayLeft == 0) state.song.patternDelay = x + 1;
        break;
    default: break;
    }
    (void)module;
}

void extendedTick(XmModule* module, Ft2State& state, Ft2Channel& channel)
{
    const uint8_t x = channel.parameter & 0x0F;
    const int32_t tick = tickOf(state.song);
    switch (channel.parameter >> 4) {
    case 0x9:
        if (x && tick % x == 0) {
            startNote(module, channel, 0, 0, 0);
            triggerInstrument(channel);
        }
        break;
    case 0xC:
        if (tick == x) setVolume(channel, 0);
        break;
    case 0xD:
        if (tick == x) {
            startNote(module, channel, channel.cellNote, 0, 0);
            if (channel.cellInstrument) resetVolumes(channel);
            triggerInstrument(channel);
            volumeColumnAgain(channel);
        }
        break;
    default: break;
    }
}

}  // namespace

void vibratoStep(Ft2Channel& channel)
{
    int32_t wave = (channel.vibratoPosition >> 2) & 0x1F;
    switch (channel.waveControl & 3) {
    case 0: wave = vibratoSine[wave]; break;
    case 1:
        wave *= 8;
        if (channel.vibratoPosition >= 128) wave ^= 0xFF;
        break;
    default: wave = 255; break;
    }
    wave = (wave * channel.vibratoDepth) >> 5;
    channel.outPeriod = channel.vibratoPosition >= 128 ? channel.realPeriod - wave : channel.realPeriod + wave;
    channel.status |= FT2_PERIOD;
    channel.vibratoPosition = static_cast<uint8_t>(channel.vibratoPosition + channel.vibratoSpeed);
}

void tonePortamentoStep(Ft2Channel& channel, bool linear)
{
    if (channel.portaDirection == 0) return;
    if (channel.portaDirection > 1) {
        channel.realPeriod -= channel.portaSpeed;
        if (channel.realPeriod <= channel.wantPeriod) {
            channel.portaDirection = 1;
            channel.realPeriod = channel.wantPeriod;
        }
    } else {
        channel.realPeriod += channel.portaSpeed;
        if (channel.realPeriod >= channel.wantPeriod) {
            channel.portaDirection = 1;
            channel.realPeriod = channel.wantPeriod;
        }
    }
    channel.outPeriod = channel.glissando ? relocatePeriod(channel.realPeriod, 0, channel.finetune, linear)
                                          : channel.realPeriod;
    channel.status |= FT2_PERIOD;
}

void rowEffects(XmModule* module, Ft2State& state, Ft2Channel& channel)
{
    volumeColumnRow(channel);
    const uint8_t parameter = channel.parameter;
    Ft2Song& song = state.song;
    switch (channel.effect) {
    case 0x8:
        channel.outPanning = parameter;
        channel.status |= FT2_PANNING;
        break;
    case 0xB:
        song.jumpPosition = parameter;
        song.breakRow = 0;
        song.jumpFlag = true;
        break;
    case 0xC: setVolume(channel, std::min<int32_t>(parameter, 64)); break;
    case 0xD: {
        const int32_t row = (parameter >> 4) * 10 + (parameter & 0x0F);
        song.breakRow = row <= 63 ? row : 0;
        song.jumpFlag = true;
        break;
    }
    case 0xE: extendedRow(module, state, channel); break;
    case 0xF:
        if (parameter >= 32) {
            song.bpm = parameter;
            module->bpm = parameter;
        } else if (parameter > 0) {
            song.speed = song.timer = parameter;
        }
        break;
    case 0x10:  // G
        song.globalVolume = std::min<int32_t>(parameter, 64);
        allVolumesChanged(module, state);
        break;
    case 0x15: setEnvelopePosition(channel, parameter); break;  // L
    case 0x21:  // X
        if ((parameter >> 4) == 1) {
            if (parameter & 0x0F) channel.extraFinePortaUpSpeed = parameter & 0x0F;
            slidePeriod(channel, -channel.extraFinePortaUpSpeed);
        } else if ((parameter >> 4) == 2) {
            if (parameter & 0x0F) channel.extraFinePortaDownSpeed = parameter & 0x0F;
            slidePeriod(channel, channel.extraFinePortaDownSpeed);
        }
        break;
    default: break;
    }
}

void tickEffects(XmModule* module, Ft2State& state, Ft2Channel& channel)
{
    const bool linear = linearOf(module);
    volumeColumnTick(channel, linear);
    const uint8_t parameter = channel.parameter;
    Ft2Song& song = state.song;
    switch (channel.effect) {
    case 0x0:
        if (parameter) {
            const int32_t step = arpeggioStep(song.timer);
            if (step == 0)
                channel.outPeriod = channel.realPeriod;
            else
                channel.outPeriod = relocatePeriod(channel.realPeriod, step == 1 ? parameter >> 4 : parameter & 0x0F,
                                                   channel.finetune, linear);
            channel.status |= FT2_PERIOD;
        }
        break;
    case 0x1:
        if (parameter) channel.portaUpSpeed = parameter;
        slidePeriod(channel, -channel.portaUpSpeed * 4);
        break;
    case 0x2:
        if (parameter) channel.portaDownSpeed = parameter;
        slidePeriod(channel, channel.portaDownSpeed * 4);
        break;
    case 0x3: tonePortamentoStep(channel, linear); break;
    case 0x4:
        if (parameter & 0x0F) channel.vibratoDepth = parameter & 0x0F;
        if (parameter & 0xF0) channel.vibratoSpeed = static_cast<uint8_t>((parameter >> 4) * 4);
        vibratoStep(channel);
        break;
    case 0x5:
        tonePortamentoStep(channel, linear);
        volumeSlide(channel, parameter);
        break;
    case 0x6:
        vibratoStep(channel);
        volumeSlide(channel, parameter);
        break;
    case 0x7: tremolo(channel, parameter); break;
    case 0xA: volumeSlide(channel, parameter); break;
    case 0xE: extendedTick(module, state, channel); break;
    case 0x11: {  // H
        uint8_t slide = parameter ? parameter : channel.globalVolumeSlideSpeed;
        channel.globalVolumeSlideSpeed = slide;
        if (slide >> 4)
            song.globalVolume = std::min(song.globalVolume + (slide >> 4), 64);
        else
            song.globalVolume = std::max(song.globalVolume - (slide & 0x0F), 0);
        allVolumesChanged(module, state);
        break;
    }
    case 0x14:  // K
        if (tickOf(song) == (parameter & 31)) keyOff(channel);
        break;
    case 0x19: {  // P
        uint8_t slide = parameter ? parameter : channel.panningSlideSpeed;
        channel.panningSlideSpeed = slide;
        if ((slide & 0xF0) == 0)
            channel.outPanning = std::max(channel.outPanning - slide, 0);
        else
            channel.outPanning = std::min(channel.outPanning + (slide >> 4), 255);
        channel.status |= FT2_PANNING;
        break;
    }
    case 0x1B: multiRetrigger(module, channel, parameter); break;  // R
    case 0x1D: tremor(channel, parameter); break;                  // T
    default: break;
    }
}

}  // namespace ft2
