// The FastTracker 2 player's song: ticks counted down through a row, rows
// read or their effects run, pattern delay, loops, breaks and jumps taken
// on a row's last tick, ticks of rate x 5 / (2 x bpm) whole frames, and each channel's state pushed into its voice.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "music/ft2_player.h"
#include "music/playback.h"

namespace {

constexpr int32_t MISSING_PATTERN_ROWS = 64;
constexpr float VOICE_GAIN = 127.5f;  // the exact player's loudest voice

Ft2State* playing = nullptr;

int32_t rowsOf(const XmModule* module, int32_t songPosition)
{
    const XmPattern* pattern = patternAtOrder(module, songPosition);
    return pattern && pattern->rows > 0 ? pattern->rows : MISSING_PATTERN_ROWS;
}

const PatternCell* rowCells(const XmModule* module, const Ft2Song& song)
{
    const XmPattern* pattern = patternAtOrder(module, song.songPosition);
    if (!pattern || !pattern->cells || song.row < 0 || song.row >= pattern->rows) return nullptr;
    return pattern->cells + static_cast<size_t>(song.row) * module->channelCount;
}

int32_t songLengthOf(const XmModule* module) { return std::max<int32_t>(module->songLength, 1); }

void enterPosition(const XmModule* module, Ft2Song& song, int32_t position)
{
    if (position < 0 || position >= songLengthOf(module)) position = 0;
    song.songPosition = position;
    song.rows = rowsOf(module, position);
}

// The row after the last tick of this one: pattern delay repeats it, a loop
// or break names the row, a jump or the pattern's end moves on in the order.
void nextPosition(const XmModule* module, Ft2Song& song)
{
    if (song.timer != 1) return;
    ++song.row;
    if (song.patternDelay > 0) {
        song.patternDelayLeft = song.patternDelay;
        song.patternDelay = 0;
    }
    if (song.patternDelayLeft > 0 && --song.patternDelayLeft > 0) --song.row;
    if (song.breakFlag) {
        song.breakFlag = false;
        song.row = song.breakRow;
    }
    if (song.row >= song.rows || song.jumpFlag) {
        song.row = song.breakRow;
        song.breakRow = 0;
        song.jumpFlag = false;
        int32_t position = song.jumpPosition >= 0 ? song.jumpPosition : song.songPosition + 1;
        song.jumpPosition = -1;
        if (position >= songLengthOf(module)) position = module->restartPosition;
        enterPosition(module, song, position);
        // A break to a row the next pattern lacks starts it from the top.
        if (song.row >= song.rows) song.row = 0;
    }
}

uint64_t stepOf(int32_t period, bool linear)
{
    const double hz = ft2::periodHz(period, linear);
    return static_cast<uint64_t>(std::min(hz, 4.0e6) / MIX_RATE * 4294967296.0);
}

int32_t gain(float volume, int32_t side) { return static_cast<int32_t>(volume * VOICE_GAIN * side / 255.0f); }

void updateVoice(Ft2Channel& channel, bool linear, int32_t twinOffset, MixVoice* voices)
{
    MixVoice* voice = channel.voice;
    if (channel.status & FT2_TRIGGER) {
        if (voice->sample) {
            // The old note plays on in the twin voice and ramps out.
            const int32_t twinIndex = voice->index < twinOffset ? voice->index + twinOffset : voice->index - twinOffset;
            MixVoice& twin = voices[twinIndex];
            twin = *voice;
            twin.index = twinIndex;
            voice->targetFirst = voice->targetSecond = 0;
            voice->volume = 0;
            channel.voice = voice = &twin;
        }
        XmSample* sample = channel.sample;
        // An offset past the sample's end plays nothing, as in the tracker.
        const bool plays = sample && sample->data && sample->length > 0 &&
                           static_cast<uint32_t>(channel.startFrame) < sample->length;
        voice->sample = plays ? sample : nullptr;
        voice->position = plays ? static_cast<int64_t>(channel.startFrame) << 32 : 0;
        voice->direction = Direction::Forward;
        voice->currentFirst = voice->currentSecond = 0;
        voice->lastFirst = voice->lastSecond = 0;
        voice->rampFramesLeft = 0;
        channel.stepPeriod = -1;
    }
    const int32_t panning = channel.finalPanning;
    voice->volume = static_cast<int32_t>(channel.finalVolume * VOICE_GAIN);
    voice->panning = panning;
    voice->targetFirst = gain(channel.finalVolume, 255 - panning);
    voice->targetSecond = gain(channel.finalVolume, panning);
    if (channel.finalPeriod != channel.stepPeriod && channel.finalPeriod > 0) {
        voice->step = stepOf(channel.finalPeriod, linear);
        channel.stepPeriod = channel.finalPeriod;
    }
    channel.status = 0;
}

}  // namespace

Ft2State* ft2State() { return playing; }

Ft2State* startFt2Playback(XmModule* module, MixVoice* voices)
{
    releaseFt2State(playing);
    playing = nullptr;
    auto* state = static_cast<Ft2State*>(std::calloc(1, sizeof(Ft2State)));
    if (!state) return nullptr;
    const int32_t channels = std::max<int32_t>(module->channelCount, 0);
    state->channels = static_cast<Ft2Channel*>(std::calloc(static_cast<size_t>(channels) + 1, sizeof(Ft2Channel)));
    if (!state->channels) {
        std::free(state);
        return nullptr;
    }
    for (int32_t c = 0; c < channels; ++c) {
        Ft2Channel& channel = state->channels[c];
        channel.voice = &voices[c];
        channel.outPanning = channel.oldPanning = channel.finalPanning = 128;
        channel.keyHeld = true;
        channel.stepPeriod = -1;
    }
    Ft2Song& song = state->song;
    song.speed = module->defaultTempo > 0 ? module->defaultTempo : 1;
    song.timer = 1;
    song.bpm = module->defaultBpm > 0 ? module->defaultBpm : 1;
    song.globalVolume = 64;
    song.jumpPosition = -1;
    enterPosition(module, song, 0);
    module->tickHandler = ft2TickStep;
    playing = state;
    return state;
}

void releaseFt2State(Ft2State* state)
{
    if (!state) return;
    if (state == playing) playing = nullptr;
    std::free(state->channels);
    std::free(state);
}

void ft2TickStep(XmModule* module)
{
    Ft2State* state = playing;
    if (!state) return;
    Ft2Song& song = state->song;
    const bool linear = module->flags & FLAG_LINEAR_FREQUENCIES;
    const bool rowStart = --song.timer <= 0;
    if (rowStart) song.timer = song.speed;

    const bool hasSong = module->songLength > 0;
    const PatternCell* cells = hasSong ? rowCells(module, song) : nullptr;
    const PatternCell empty{};
    for (int32_t c = 0; c < module->channelCount; ++c) {
        Ft2Channel& channel = state->channels[c];
        // A repeated row of a pattern delay runs its effects, reading nothing.
        if (rowStart && song.patternDelayLeft == 0)
            ft2::readRow(module, *state, channel, cells ? cells[c] : empty);
        else
            ft2::tickEffects(module, *state, channel);
    }
    for (int32_t c = 0; c < module->channelCount; ++c) {
        Ft2Channel& channel = state->channels[c];
        ft2::envelopesAndVibrato(song, channel);
        updateVoice(channel, linear, thePlayer.twinOffset, thePlayer.voices);
    }
    module->orderPosition = song.songPosition;
    module->row = song.row;
    module->speed = song.speed;
    module->bpm = song.bpm;
    module->globalVolume = song.globalVolume;
    if (hasSong) nextPosition(module, song);

    // This tick's frames: rate x 5 / (2 x bpm), cut to whole frames as the
    // tracker counts them (computed in integers: no float rounding loses a
    // frame at 49, 63, 98 or 126 BPM).
    module->framesPerTick = MIX_RATE * 5 / (2 * std::clamp(song.bpm, 1, 255));
}
