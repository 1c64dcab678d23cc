// The FastTracker 2 player's per-tick instrument work: fade-out, the volume
// and panning envelopes, and the auto-vibrato, giving what the voice plays.
#include <algorithm>
#include <cstdlib>

#include "music/ft2_player.h"
#include "music/sequencer.h"

namespace ft2 {

namespace {

constexpr int32_t HIGHEST_PERIOD = 32000 - 1;

struct Envelope {
    const EnvelopePoint* points;
    int32_t pointCount;
    uint8_t type, sustain, loopStart, loopEnd;
};

Envelope volumeEnvelopeOf(const XmInstrument& instrument)
{
    return {instrument.volumeEnvelope, instrument.volumePointCount, instrument.heldVolumeType,
            instrument.volumeSustain, instrument.volumeLoopStart, instrument.volumeLoopEnd};
}

Envelope panningEnvelopeOf(const XmInstrument& instrument)
{
    return {instrument.panningEnvelope, instrument.panningPointCount, instrument.heldPanningType,
            instrument.panningSustain, instrument.panningLoopStart, instrument.panningLoopEnd};
}

int32_t pointAt(int32_t index) { return std::clamp(index, 0, MAX_ENVELOPE_POINTS - 1); }

// One envelope tick as the tracker counts it; the value in 1/256 units.
int32_t stepEnvelope(const Envelope& envelope, bool keyHeld, int32_t& tick, int32_t& point, int32_t& value,
                     int32_t& delta)
{
    bool interpolated = false;
    int32_t position = point;
    ++tick;
    if (tick == envelope.points[pointAt(position)].x) {
        value = envelope.points[pointAt(position)].y << 8;
        ++position;
        if (envelope.type & ENVELOPE_LOOP) {
            --position;
            // A sustain point at the loop's end holds while the key is down.
            if (position == envelope.loopEnd &&
                (!(envelope.type & ENVELOPE_SUSTAIN) || position != envelope.sustain || !keyHeld)) {
                position = envelope.loopStart;
                tick = envelope.points[pointAt(position)].x;
                value = envelope.points[pointAt(position)].y << 8;
            }
            ++position;
        }
        if (position < envelope.pointCount) {
            bool moveOn = true;
            if ((envelope.type & ENVELOPE_SUSTAIN) && keyHeld && position - 1 == envelope.sustain) {
                --position;
                delta = 0;
                moveOn = false;
            }
            if (moveOn) {
                point = position;
                delta = 0;
                const EnvelopePoint& to = envelope.points[pointAt(position)];
                const EnvelopePoint& from = envelope.points[pointAt(position - 1)];
                if (to.x > from.x) {
                    delta = (to.y - from.y) * 256 / (to.x - from.x);
                    interpolated = true;
                }
            }
        } else {
            delta = 0;
        }
    }
    if (!interpolated) {
        value += delta;
        if (value > 64 * 256 || value < 0) {
            value = std::clamp(value, 0, 64 * 256);
            delta = 0;
        }
    }
    return value;
}

}  // namespace

void setEnvelopePosition(Ft2Channel& channel, int32_t tick)
{
    if (!channel.instrument) return;
    const XmInstrument& instrument = *channel.instrument;
    auto place = [&](const Envelope& envelope, int32_t& counter, int32_t& point, int32_t& value, int32_t& delta) {
        // The segment that holds the tick, and the value part way along it.
        counter = tick - 1;
        int32_t segment = 0;
        while (segment + 1 < envelope.pointCount && envelope.points[pointAt(segment + 1)].x <= tick) ++segment;
        const EnvelopePoint& from = envelope.points[pointAt(segment)];
        if (segment + 1 < envelope.pointCount) {
            const EnvelopePoint& to = envelope.points[pointAt(segment + 1)];
            delta = to.x > from.x ? (to.y - from.y) * 256 / (to.x - from.x) : 0;
            value = (from.y << 8) + delta * (tick - from.x - 1);
            point = segment + 1;
        } else {
            delta = 0;
            value = from.y << 8;
            point = std::max(envelope.pointCount - 1, 0);
        }
    };
    if (instrument.heldVolumeType & ENVELOPE_ON)
        place(volumeEnvelopeOf(instrument), channel.volumeTick, channel.volumePoint, channel.volumeValue,
              channel.volumeDelta);
    // The tracker moves the panning envelope only when the volume envelope
    // has a sustain point.
    if (instrument.heldVolumeType & ENVELOPE_SUSTAIN)
        place(panningEnvelopeOf(instrument), channel.panningTick, channel.panningPoint, channel.panningValue,
              channel.panningDelta);
}

void envelopesAndVibrato(const Ft2Song& song, Ft2Channel& channel)
{
    const XmInstrument& instrument = channel.instrument ? *channel.instrument : EmptyInstrument;

    if (!channel.keyHeld) {
        channel.status |= FT2_VOLUME;
        channel.fadeOutVolume = std::max(channel.fadeOutVolume - channel.fadeOutSpeed, 0);
        if (channel.fadeOutVolume == 0) channel.fadeOutSpeed = 0;
    }

    float envelopeVolume = 1.0f;
    if (instrument.heldVolumeType & ENVELOPE_ON) {
        const int32_t value = stepEnvelope(volumeEnvelopeOf(instrument), channel.keyHeld, channel.volumeTick,
                                           channel.volumePoint, channel.volumeValue, channel.volumeDelta);
        envelopeVolume = static_cast<float>(value) / (64.0f * 256.0f);
        channel.status |= FT2_VOLUME;
    }
    channel.finalVolume = static_cast<float>(song.globalVolume) / 64.0f * static_cast<float>(channel.outVolume) /
                          64.0f * envelopeVolume * static_cast<float>(channel.fadeOutVolume) / 65536.0f;

    if (instrument.heldPanningType & ENVELOPE_ON) {
        const int32_t value = stepEnvelope(panningEnvelopeOf(instrument), channel.keyHeld, channel.panningTick,
                                           channel.panningPoint, channel.panningValue, channel.panningDelta);
        const int32_t reach = 128 - std::abs(channel.outPanning - 128);
        channel.finalPanning = std::clamp(channel.outPanning + (value - 32 * 256) * reach / (32 * 256), 0, 255);
        channel.status |= FT2_PANNING;
    } else {
        channel.finalPanning = channel.outPanning;
    }

    if (instrument.vibratoDepth) {
        int32_t amplitude;
        if (channel.autoVibratoSweep) {
            amplitude = channel.autoVibratoSweep;
            if (channel.keyHeld) {
                amplitude += channel.autoVibratoAmplitude;
                if ((amplitude >> 8) > instrument.vibratoDepth) {
                    amplitude = instrument.vibratoDepth << 8;
                    channel.autoVibratoSweep = 0;
                }
                channel.autoVibratoAmplitude = amplitude;
            }
        } else {
            amplitude = channel.autoVibratoAmplitude;
        }
        channel.autoVibratoPosition = static_cast<uint8_t>(channel.autoVibratoPosition + instrument.vibratoRate);
        const uint8_t position = channel.autoVibratoPosition;
        int32_t wave;
        switch (instrument.vibratoType) {
        case 1: wave = position > 127 ? 64 : -64; break;
        case 2: wave = (((position >> 1) + 64) & 127) - 64; break;
        case 3: wave = (((0 - (position >> 1)) + 64) & 127) - 64; break;
        default: wave = autoVibratoSine(position); break;
        }
        channel.finalPeriod = std::min((channel.outPeriod + ((wave * amplitude) >> 14)), HIGHEST_PERIOD);
        channel.status |= FT2_PERIOD;
    } else {
        channel.finalPeriod = channel.outPeriod;
    }
}

}  // namespace ft2
