#include "music/effects.h"

namespace {

constexpr int32_t number(Effect effect) { return static_cast<int32_t>(effect); }
constexpr int32_t number(VolumeCommand command) { return static_cast<int32_t>(command); }

constexpr ModeName effects[] = {
    {number(Effect::Arpeggio), "arpeggio", "0xy: up x, then y semitones on the ticks after the row"},
    {number(Effect::PortamentoUp), "portamentoUp", "period down by 4 x speed a tick, not below 56"},
    {number(Effect::PortamentoDown), "portamentoDown", "period up by 4 x speed a tick"},
    {number(Effect::TonePortamento), "tonePortamento", "slide to the note by 4 x speed a tick"},
    {number(Effect::TonePortamentoVolumeSlide), "tonePortamentoVolumeSlide", "hold note and instrument, trigger"},
    {number(Effect::SetPanning), "setPanning", "panning = parameter"},
    {number(Effect::VolumeSlide), "volumeSlide", "x0 up x, 0y down y a tick"},
    {number(Effect::PatternBreak), "patternBreak", "next order at row xy (decimal digits)"},
    {number(Effect::SetSpeed), "setSpeed", "below 32 ticks a row, else the tempo"},
    {number(Effect::KeyOff), "keyOff", "release the key"},
    {number(Effect::MultiRetrigger), "multiRetrigger", "xy: restart every y ticks, volume change x"},
};

constexpr ModeName volumeCommands[] = {
    {number(VolumeCommand::SlideDown), "slideDown", "volume down x every tick"},
    {number(VolumeCommand::SlideUp), "slideUp", "volume up x every tick"},
    {number(VolumeCommand::FineSlideDown), "fineSlideDown", "volume down x on the row"},
    {number(VolumeCommand::FineSlideUp), "fineSlideUp", "volume up x on the row"},
    {number(VolumeCommand::VibratoSpeed), "vibratoSpeed", "no audible effect"},
    {number(VolumeCommand::Vibrato), "vibrato", "no audible effect"},
    {number(VolumeCommand::SetPanning), "setPanning", "panning = 16 x"},
    {number(VolumeCommand::PanSlideLeft), "panSlideLeft", "panning down x every tick"},
    {number(VolumeCommand::PanSlideRight), "panSlideRight", "panning up x every tick"},
    {number(VolumeCommand::TonePortamento), "tonePortamento", "slide to the note, speed 16 x"},
};

}  // namespace

const ModeList effectNames = {"effect", effects};
const ModeList volumeCommandNames = {"volume command", volumeCommands};
