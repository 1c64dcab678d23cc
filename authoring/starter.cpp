#include "authoring/starter.h"

namespace {

const char* const PROJECT = R"STARTER(# @NAME@: a 30-second show of three scenes. Every line says what it does;
# docs/authoring.md has the rest. Try it:
#   build/show --watch --project @NAME@.proj      (edit, save, watch it change)
#   build/show --sheet sheet.png --every 1 --project @NAME@.proj
music @NAME@.tune                 # bars and beats follow the music's own clock
length 16:1                        # the show ends where bar 16 would begin

# ---- textures: pictures that meshes, particles and layers use -----------

texture sky                        # a night sky of soft clouds
  build Clouds zoom=160 mode=add   # cloud noise, 160 wide
  build ColorScale red=-100 green=-90 blue=-40  # pushed dark and blue

texture glow                       # a round light for particles and the sun
  build SetSize size=64            # 64 x 64 pixels are enough for a sprite
  build RadialGlow colour=#ffc070  # bright in the middle, dark at the edge
  build BrightnessContrast brightness=128  # and see-through where it is dark

texture tiles                      # a checker for the floor
  build Checker cellWidth=32 cellHeight=32 mode=add  # 8 x 8 squares

# ---- meshes: the 3D things, each drawn only in its scenes ----------------

mesh sun in @dawn,@drift           # a sphere, in the first two scenes
  param Placement y=-48            # where it is (32 units are one metre)
    key 1:1 smooth y=-48           # it starts half under the floor
    key 5:1 smooth y=32            # and rises over the first four bars
    key 9:1 smooth y=32 rotateY=180  # then turns while the camera drifts
  param Colours ambient=#804020 diffuse=#ffb050 specular=#ffffff  # warm
  build Sphere segments=32 bands=24 radius=40   # round, 40 units in radius
  build Normals                    # smooth shading needs normals

mesh floor in @dawn,@drift,@home   # the ground, in every scene
  param Placement y=-32 rotateX=-90  # laid flat, a metre down
  param Textures colour=@tiles     # the checker on it
  build Grid columns=8 rows=8 width=512 height=512  # 16 metres square
  build Normals                    # lit from above
  build MapTexcoords scaleU=400 scaleV=400  # the checker repeats 4 times

mesh word in @home                 # 3D letters in the last scene
  param Placement x=-110 y=0 scaleX=20 scaleY=20 scaleZ=20  # three times as big
    key 10:1 smooth x=-110 y=-100 scaleX=20 scaleY=20 scaleZ=20  # from below
    key 12:1 smooth x=-110 y=8 scaleX=20 scaleY=20 scaleZ=20     # into view
  param Colours ambient=#402010 diffuse=#ff9030 specular=#ffffff  # amber
  build Text3D "HELLO " depth=6    # the text, 6 deep (the last letter is never drawn)

# ---- light and particles ------------------------------------------------

light lamp from 1:1 to 16:1        # one light for the whole show
  param Position x=64 y=128 z=96   # above and in front
  param Colours ambient=#303040 diffuse=#e0e0e0 specular=#ffffff  # white

particles embers in @drift         # sparks rising in the middle scene
  param Placement y=0              # from the sun's height
  param Emission count=120 speed=8 fade=3 size=6 width=320 depth=240 colour=#ffa050  # 120 warm sparks
  param Texture texture=@glow      # each one a soft round light
  param Gravity y=1 scale=1        # drifting slowly upwards

# ---- scenes: camera, background and the 2D layers of each ---------------

scene dawn from 1:1 to 5:1         # bars 1-4: the sun rises
  param Camera eyeY=16 eyeZ=200 targetY=16 targetZ=0  # six metres back, looking ahead
  param Background texture=@sky    # the sky behind everything
  param Fade                       # black over the picture, fading out
    key 1:1 smooth alpha=100       # all black at the start
    key 3:1 smooth alpha=0         # clear by bar 3

scene drift from 5:1 to 9:1        # bars 5-8: the camera drifts round
  param Camera                     # the eye moves, the target stays
    key 5:1 smooth eyeY=16 eyeZ=200 targetY=16 targetZ=0             # where dawn left it
    key 9:1 smooth eyeX=180 eyeY=80 eyeZ=120 targetY=16 targetZ=0    # swung up to the side
  param Background texture=@sky    # the same sky
  param ZoomGlow size=8 count=4 colour=#a06030  # a soft bloom round bright parts

scene home from 9:1 to 16:1        # bars 9-15: the title, then black
  param Camera eyeY=24 eyeZ=260 targetY=24 targetZ=0  # back and level
  param Background texture=@sky    # the sky once more
  param Caption "a first show" x=38 y=16 colour=#ffd0a0  # x, y in percent, y from the bottom
  param Fade                       # black comes back at the end
    key 14:1 smooth alpha=0        # clear until bar 14
    key 16:1 smooth alpha=100      # black by the end

# ---- the timeline: which scene is shown when ----------------------------

timeline                           # cuts on the first frame of their bar
  param Scene                      # one key a cut
    key 1:1 step scene=@dawn       # bar 1
    key 5:1 step scene=@drift      # bar 5
    key 9:1 step scene=@home       # bar 9
)STARTER";

const char* const TUNE = R"STARTER(# @NAME@'s music: 15 bars at 120 BPM, about 30 seconds. build/xmtune
# compiles it; docs/music.md describes every line.
title "@TITLE@"  # the module's name, 20 characters at most
channels 4                         # 1 kick, 2 hats, 3 bass, 4 pad
speed 6                            # ticks a row: 4 rows a beat, 16 a bar
bpm 120                            # beats a minute
frequencies linear                 # how notes become pitches

instrument kick                    # a sine falling fast in pitch
  osc sine 50                      # 50 Hz at the end of the fall
  pitch 24 0 60ms exp              # two octaves down to it in 60 ms
  drive 2                          # a little saturation for punch
  amp 0:0 1ms:1 250ms:0            # a click in, a quarter second out
  length 250ms                     # the sample's length
  volume 56                        # the note's volume, 0 to 64

instrument hat                     # a short hiss
  relnote 24                       # rendered two octaves up, for the highs
  osc noise - seed 3               # noise: its pitch is not used
  filter highpass 7000             # only the air above 7 kHz
  amp 0:0 1ms:1 40ms:0             # 40 ms long
  length 40ms                      # the sample's length
  volume 30                        # quieter than the kick
  panning 176                      # a little to one side

instrument bass                    # a saw through a closing filter
  relnote 12                       # rendered an octave up
  base A-2                         # times below are as heard at A-2
  osc saw C-4                      # the tone
  filter resonant 1200 q 2 to 300 in 150ms  # a pluck: bright, then dark
  amp 0:0 2ms:1 400ms:0.5          # its shape, held at the end
  length 400ms                     # the sample's length
  loop 200ms 400ms                 # the part that repeats while it holds
  volume 44                        # the note's volume

instrument pad                     # two detuned saws, soft
  relnote 12                       # rendered an octave up
  base A-3                         # times below are as heard at A-3
  osc saw C-4 voices 2 detune 12   # two layers 12 cents apart
  filter lowpass 1500              # rounded off
  length 1000ms                     # a second of tone
  loop 0 1000ms                    # looped while the note holds
  volume 30                        # under the bass
  volenv 0:0 24:64 60:48 sustain 2 # swells in, holds, then
  fadeout 400                      # fades after the key is let go

pattern drums rows 16 channels 1-2 # one bar of kick and hats: 16 rows, 4 a beat
C-4 kick ... ... | ... .. ... ...  # beat 1: the kick (note, instrument, volume, effect)
.                                  # an empty row
... .. ... ...   | C-4 hat ... ... # the off-beat: a hat on channel 2
.                                  # empty
C-4 kick ... ... | ... .. ... ...  # beat 2
.                                  # empty
... .. ... ...   | C-4 hat ... ... # its off-beat
.                                  # empty
C-4 kick ... ... | ... .. ... ...  # beat 3
.                                  # empty
... .. ... ...   | C-4 hat ... ... # its off-beat
.                                  # empty
C-4 kick ... ... | ... .. ... ...  # beat 4
.                                  # empty
... .. ... ...   | C-4 hat ... ... # its off-beat
.                                  # the bar's last row

pattern bass rows 16 channels 3    # one bar of bass, a note a beat
A-2 bass ... ...                   # beat 1: A
. 3                                # three empty rows
A-2 bass ... ...                   # beat 2: A again
. 3                                # three empty rows
E-3 bass ... ...                   # beat 3: up to E
. 3                                # three empty rows
G-2 bass ... ...                   # beat 4: down to G
. 3                                # three empty rows

pattern chords rows 64 channels 4  # four bars of pad chords, one a bar
A-3 pad ... ...                    # bar 1: A minor
. 15                               # held for the bar
F-3 pad ... ...                    # bar 2: F
. 15                               # held
C-4 pad ... ...                    # bar 3: C
. 15                               # held
G-3 pad ... ...                    # bar 4: G
. 15                               # held

pattern quiet = chords             # the pad alone, four bars

pattern groove = drums bass chords # drums, bass and pad, four bars

pattern lastchord rows 48 channels 4  # three bars: the pad lets go
A-3 pad ... ...                    # A minor once more
. 31                               # held two bars
=== .. ... ...                     # key off: the pad fades out
. 15                               # over the last bar

pattern ending = lastchord         # the last three bars, pad alone

order quiet groove groove ending   # 4 + 4 + 4 + 3 bars: 15 bars, 30 seconds
)STARTER";

std::string filled(std::string text, const std::string& name)
{
    // A module's title holds 20 characters.
    const std::string fields[][2] = {{"@NAME@", name}, {"@TITLE@", name.substr(0, 20)}};
    for (const auto& [field, value] : fields)
        for (size_t at = text.find(field); at != std::string::npos; at = text.find(field, at + value.size()))
            text.replace(at, field.size(), value);
    return text;
}

}  // namespace

std::string starterProject(const std::string& name) { return filled(PROJECT, name); }
std::string starterTune(const std::string& name) { return filled(TUNE, name); }
