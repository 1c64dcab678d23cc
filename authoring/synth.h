// Instrument recipes rendered into sample values: oscillators summed, pitch
// and filter sweeps, saturation, an amplitude shape, a seamless loop.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum class Wave { Sine, Saw, Square, Pulse, Triangle, Noise };

struct Oscillator {
    Wave wave = Wave::Sine;
    double frequency = 261.6256;  // Hz at C-4
    double level = 1.0;
    double width = 0.5;  // pulse: share of the cycle that is high
    int voices = 1;
    double detune = 0.0;  // cents between the outermost voices
    uint32_t seed = 1;
};

enum class FilterKind { LowPass, HighPass, Resonant };

struct Filter {
    FilterKind kind = FilterKind::LowPass;
    double from = 1000.0, to = 1000.0;  // cutoff, Hz
    double glide = 0.0;                 // frames to reach `to`
    double q = 0.707;
};

struct PitchSweep {
    double from = 0.0, to = 0.0;  // semitones
    double time = 0.0;            // frames
    bool exponential = false;
};

struct ShapePoint {
    double frame, level;
};

struct Recipe {
    double rate = 8363.0;  // frames a second at C-4
    int length = 8363;
    int loopStart = 0, loopEnd = 0;  // no loop when equal
    std::vector<Oscillator> oscillators;
    std::vector<Filter> filters;
    std::vector<PitchSweep> sweeps;
    double vibratoRate = 0.0, vibratoDepth = 0.0, vibratoDelay = 0.0;  // Hz, cents, frames
    double drive = 0.0;
    std::vector<ShapePoint> amp;
    double peak = 0.9;
    bool sixteenBit = true;
};

// Each wave kind with its name in the source and the cycle it draws, in
// the order of Wave.
using WaveShape = double (*)(double phase, double width, int harmonics);
struct WaveKind {
    Wave wave;
    const char* name;
    WaveShape shape;
};
extern const WaveKind WAVE_KINDS[6];

// Values in -32768..32767 (16 bits) or -128..127 (8 bits).
std::vector<int16_t> renderRecipe(const Recipe& recipe);

// What renderRecipe will spend, known before it starts: frames times the
// terms each frame sums (a harmonic, a noise draw, a filter step...).
int64_t recipeWork(const Recipe& recipe);
