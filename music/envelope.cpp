#include <cstdint>

#include "music/sequencer.h"

void stepEnvelope(XmChannel& channel, EnvelopeState& envelope, uint8_t type, int32_t pointCount,
                  const EnvelopePoint* points, int32_t loopEnd, int32_t loopStart, int32_t sustain, uint8_t flagBit)
{
    if (envelope.pointIndex < pointCount && points[envelope.pointIndex].x == envelope.tick) {
        if ((type & ENVELOPE_LOOP) && envelope.pointIndex == loopEnd) {
            envelope.pointIndex = loopStart;
            envelope.tick = points[loopStart].x;
        }
        const EnvelopePoint& here = points[envelope.pointIndex];
        if (envelope.pointIndex == pointCount - 1) {
            envelope.output = here.y;
            envelope.ended = 1;
            channel.updateFlags |= flagBit;
            return;
        }
        if ((type & ENVELOPE_SUSTAIN) && envelope.pointIndex == sustain && !channel.keyReleased) {
            // Holds here, the tick not advancing, until the key is released.
            envelope.output = here.y;
            channel.updateFlags |= flagBit;
            return;
        }
        const EnvelopePoint& next = points[envelope.pointIndex + 1];
        const int32_t dx = next.x - here.x;
        envelope.increment = dx == 0 ? 0 : (next.y - here.y) * 65536 / dx;
        envelope.value = here.y * 65536;
        envelope.pointIndex += 1;
    } else if (envelope.pointIndex < pointCount) {
        // Wraps as the 32-bit register would on an envelope that never
        // meets its next point.
        envelope.value = static_cast<int32_t>(static_cast<uint32_t>(envelope.value) +
                                              static_cast<uint32_t>(envelope.increment));
    }
    envelope.output = envelope.value >> 16;
    envelope.tick += 1;
    channel.updateFlags |= flagBit;
}
