#include "authoring/synth.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double PI = 3.14159265358979323846;
constexpr int MOST_HARMONICS = 96;

// Band-limited cycles at `phase` (0..1), summed from harmonics up to
// `harmonics`. Sine, saw, square and triangle start at zero.
double sine(double phase, double, int) { return std::sin(2.0 * PI * phase); }

double saw(double phase, double, int harmonics)
{
    double sum = 0.0;
    for (int k = 1; k <= harmonics; ++k) sum += std::sin(2.0 * PI * k * phase) / k;
    return sum * (2.0 / PI);
}

double square(double phase, double, int harmonics)
{
    double sum = 0.0;
    for (int k = 1; k <= harmonics; k += 2) sum += std::sin(2.0 * PI * k * phase) / k;
    return sum * (4.0 / PI);
}

// Without its DC part, so a narrow pulse stays centred.
double pulse(double phase, double width, int harmonics)
{
    double sum = 0.0;
    for (int k = 1; k <= harmonics; ++k) sum += std::sin(PI * k * width) / k * std::cos(2.0 * PI * k * (phase - width / 2));
    return sum * (4.0 / PI);
}

double triangle(double phase, double, int harmonics)
{
    double sum = 0.0;
    for (int k = 1; k <= harmonics; k += 2) sum += ((k / 2) % 2 ? -1.0 : 1.0) * std::sin(2.0 * PI * k * phase) / (double(k) * k);
    return sum * (8.0 / (PI * PI));
}

}  // namespace

// Noise has no cycle: the renderer draws it from its seeded generator.
const WaveKind WAVE_KINDS[6] = {
    {Wave::Sine, "sine", sine},          {Wave::Saw, "saw", saw},
    {Wave::Square, "square", square},    {Wave::Pulse, "pulse", pulse},
    {Wave::Triangle, "triangle", triangle}, {Wave::Noise, "noise", nullptr},
};

namespace {

double frac(double x) { return x - std::floor(x); }

struct OnePole {
    double state = 0.0;
    double step(double x, double cutoff, double rate)
    {
        const double a = 1.0 - std::exp(-2.0 * PI * cutoff / rate);
        state += a * (x - state);
        return state;
    }
};

// Two-pole resonant low pass (a biquad), coefficients renewed as the
// cutoff moves.
struct Biquad {
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    double b0 = 0, b1 = 0, b2 = 0, a1 = 0, a2 = 0, cutoff = -1.0;
    double step(double x, double fc, double q, double rate)
    {
        if (fc != cutoff) {
            cutoff = fc;
            const double w = 2.0 * PI * fc / rate;
            const double alpha = std::sin(w) / (2.0 * q);
            const double a0 = 1.0 + alpha;
            b0 = (1.0 - std::cos(w)) / 2.0 / a0;
            b1 = (1.0 - std::cos(w)) / a0;
            b2 = b0;
            a1 = -2.0 * std::cos(w) / a0;
            a2 = (1.0 - alpha) / a0;
        }
        const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
};

double cutoffAt(const Filter& filter, double frame, double rate)
{
    double hz = filter.to;
    if (filter.glide > 0.0 && frame < filter.glide)
        hz = filter.from * std::pow(filter.to / filter.from, frame / filter.glide);
    else if (filter.glide <= 0.0)
        hz = filter.from;
    return std::clamp(hz, 5.0, rate * 0.45);
}

double sweepAt(const PitchSweep& sweep, double frame)
{
    if (sweep.time <= 0.0 || (frame >= sweep.time && !sweep.exponential)) return sweep.to;
    if (sweep.exponential) return sweep.to + (sweep.from - sweep.to) * std::exp(-5.0 * frame / sweep.time);
    return sweep.from + (sweep.to - sweep.from) * frame / sweep.time;
}

double shapeAt(const std::vector<ShapePoint>& points, double frame)
{
    if (points.empty()) return 1.0;
    if (frame <= points.front().frame) return points.front().level;
    for (size_t i = 1; i < points.size(); ++i) {
        const ShapePoint& a = points[i - 1];
        const ShapePoint& b = points[i];
        if (frame < b.frame) return a.level + (b.level - a.level) * (frame - a.frame) / (b.frame - a.frame);
    }
    return points.back().level;
}

// A loop of L frames holds whole cycles: the pitch is moved to the nearest.
double wholeCycles(double frequency, int loopFrames, double rate)
{
    if (loopFrames <= 0 || frequency <= 0.0) return frequency;
    const double cycles = std::max(1.0, std::round(frequency * loopFrames / rate));
    return cycles * rate / loopFrames;
}

}  // namespace

// Every frame costs one term, each voice of a sine or noise one more, each
// voice of the other kinds the most harmonics it may sum (a sweep or vibrato
// may lower its pitch that far), each filter, sweep and amp point one.
int64_t recipeWork(const Recipe& recipe)
{
    int64_t terms = 1 + static_cast<int64_t>(recipe.filters.size() + recipe.sweeps.size() + recipe.amp.size());
    for (const Oscillator& oscillator : recipe.oscillators) {
        const bool oneTerm = oscillator.wave == Wave::Sine || oscillator.wave == Wave::Noise;
        terms += int64_t{std::max(oscillator.voices, 1)} * (oneTerm ? 1 : MOST_HARMONICS);
    }
    return int64_t{std::max(recipe.length, 1)} * terms;
}

std::vector<int16_t> renderRecipe(const Recipe& recipe)
{
    const int length = std::max(recipe.length, 1);
    const int loopFrames = recipe.loopEnd > recipe.loopStart ? recipe.loopEnd - recipe.loopStart : 0;
    const double rate = recipe.rate;
    const double vibratoRate = wholeCycles(recipe.vibratoRate, loopFrames, rate);

    struct Voice {
        const Oscillator* oscillator;
        double frequency, level, phase;
        uint32_t noise;
    };
    std::vector<Voice> voices;
    for (const Oscillator& oscillator : recipe.oscillators) {
        const int count = std::max(oscillator.voices, 1);
        for (int v = 0; v < count; ++v) {
            const double cents = count == 1 ? 0.0 : oscillator.detune * (double(v) / (count - 1) - 0.5);
            const double frequency = wholeCycles(oscillator.frequency * std::pow(2.0, cents / 1200.0), loopFrames, rate);
            // Layers start at spread phases, so they do not add up to a spike.
            voices.push_back({&oscillator, frequency, oscillator.level / std::sqrt(double(count)),
                              count == 1 ? 0.0 : double(v) / count, oscillator.seed * 2654435761u + v});
        }
    }

    std::vector<double> out(static_cast<size_t>(length));
    std::vector<OnePole> onePoles(recipe.filters.size());
    std::vector<Biquad> biquads(recipe.filters.size());
    for (int i = 0; i < length; ++i) {
        double semitones = 0.0;
        for (const PitchSweep& sweep : recipe.sweeps) semitones += sweepAt(sweep, i);
        double cents = 0.0;
        if (recipe.vibratoDepth > 0.0 && i >= recipe.vibratoDelay)
            cents = recipe.vibratoDepth * std::sin(2.0 * PI * vibratoRate * (i - recipe.vibratoDelay) / rate);
        const double bend = std::pow(2.0, semitones / 12.0 + cents / 1200.0);
        double value = 0.0;
        for (Voice& voice : voices) {
            const Oscillator& o = *voice.oscillator;
            if (o.wave == Wave::Noise) {
                voice.noise = voice.noise * 1664525u + 1013904223u;
                value += voice.level * (double(voice.noise >> 8) / 8388608.0 - 1.0);
                continue;
            }
            const double frequency = voice.frequency * bend;
            const int harmonics = std::clamp(static_cast<int>(rate * 0.5 / frequency), 1, MOST_HARMONICS);
            value += voice.level * WAVE_KINDS[static_cast<int>(o.wave)].shape(voice.phase, o.width, harmonics);
            voice.phase = frac(voice.phase + frequency / rate);
        }
        for (size_t f = 0; f < recipe.filters.size(); ++f) {
            const Filter& filter = recipe.filters[f];
            const double cutoff = cutoffAt(filter, i, rate);
            switch (filter.kind) {
            case FilterKind::LowPass: value = onePoles[f].step(value, cutoff, rate); break;
            case FilterKind::HighPass: value -= onePoles[f].step(value, cutoff, rate); break;
            case FilterKind::Resonant: value = biquads[f].step(value, cutoff, filter.q, rate); break;
            }
        }
        if (recipe.drive > 0.0) value = std::tanh(recipe.drive * value) / std::tanh(recipe.drive);
        out[static_cast<size_t>(i)] = value * shapeAt(recipe.amp, i);
    }

    // The loop's tail fades into the frames before its start, so the jump
    // back lands where the sound would have gone on.
    if (loopFrames > 0) {
        const int fade = std::min({recipe.loopStart, loopFrames / 4, 512});
        for (int k = 0; k < fade; ++k) {
            const double w = double(k + 1) / (fade + 1);
            const size_t at = static_cast<size_t>(recipe.loopEnd - fade + k);
            out[at] = out[at] * (1.0 - w) + out[static_cast<size_t>(recipe.loopStart - fade + k)] * w;
        }
    }

    double largest = 0.0;
    for (double v : out) largest = std::max(largest, std::fabs(v));
    const double full = recipe.sixteenBit ? 32767.0 : 127.0;
    const double scale = largest > 0.0 ? recipe.peak * full / largest : 0.0;
    std::vector<int16_t> values(out.size());
    for (size_t i = 0; i < out.size(); ++i)
        values[i] = static_cast<int16_t>(std::clamp(std::lround(out[i] * scale), -long(full) - 1, long(full)));
    return values;
}
