// The pattern effects and volume-column commands the player carries out,
// by their XM numbers, with a name table the music tools read. Effects and
// commands not listed here do nothing.
#pragma once
#include <cstdint>

#include "core/track_schema.h"

enum class Effect : uint8_t {
    Arpeggio = 0x0,
    PortamentoUp = 0x1,
    PortamentoDown = 0x2,
    TonePortamento = 0x3,
    // Holds the sounding note and instrument as TonePortamento does, but
    // triggers the note at the unchanged period; no volume slide.
    TonePortamentoVolumeSlide = 0x5,
    SetPanning = 0x8,
    VolumeSlide = 0xA,
    PatternBreak = 0xD,
    SetSpeed = 0xF,  // below 32 the speed, else the tempo
    KeyOff = 0x14,
    MultiRetrigger = 0x1B,
};

// The high nibble of a volume-column byte; 0x10 to 0x50 set the volume.
enum class VolumeCommand : uint8_t {
    SlideDown = 0x6,
    SlideUp = 0x7,
    FineSlideDown = 0x8,
    FineSlideUp = 0x9,
    VibratoSpeed = 0xA,  // no audible effect
    Vibrato = 0xB,       // no audible effect
    SetPanning = 0xC,
    PanSlideLeft = 0xD,
    PanSlideRight = 0xE,
    TonePortamento = 0xF,
};

constexpr uint8_t VOLUME_COLUMN_SET_FIRST = 0x10;  // volume 0
constexpr uint8_t VOLUME_COLUMN_SET_LAST = 0x50;   // volume 64

extern const ModeList effectNames;
extern const ModeList volumeCommandNames;
