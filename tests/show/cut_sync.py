#!/usr/bin/env python3
"""How far each cut of the show lies from the kick it should land on.

Reads the Timeline's scene keys from a decompiled project source and the
kick alone from a WAV (`build/show --wav kick.wav --solo 1`), and prints,
per cut, the first frame at 60 frames a second that shows the new scene,
the onset of the first kick near it and their offset. Exits 1 when a cut
with a kick is more than one frame (1/60 s) from it.

    build/projc --decompile build/generated/project.bin -o show.src
    build/show --wav kick.wav --solo 1
    tests/show/cut_sync.py show.src kick.wav
"""
import math
import re
import struct
import sys

FPS = 60.0
SEARCH = (-0.06, 0.1)  # seconds round a cut in which its kick is looked for


def read_mono(path):
    data = open(path, "rb").read()
    at, rate, channels = 12, 44100, 2
    while at + 8 <= len(data):
        chunk, size = data[at:at + 4], struct.unpack("<I", data[at + 4:at + 8])[0]
        if chunk == b"fmt ":
            channels, rate = struct.unpack("<HI", data[at + 10:at + 16])
        if chunk == b"data":
            body = data[at + 8:at + 8 + size]
            values = struct.unpack("<%dh" % (len(body) // 2), body)
            return rate, [max(abs(values[i]), abs(values[i + 1])) for i in range(0, len(values) - 1, channels)]
        at += 8 + size + (size & 1)
    sys.exit(path + ": no data chunk")


def scene_cuts(source):
    """(time, scene label) of each key of the timeline's Scene track."""
    cuts, in_timeline = [], False
    for line in open(source):
        if re.match(r"^\S", line):
            in_timeline = line.startswith("timeline")
        m = re.match(r"\s+key (\S+) step scene=@(\S+)", line)
        if in_timeline and m:
            cuts.append((float(m.group(1)), m.group(2)))
    return cuts


def onset(rate, samples, start, end):
    """The first hit in [start, end) seconds: the first millisecond whose
    peak is more than twice the loudest of the ten before it (so a hit
    still ringing from before the span is not taken for one), or None."""
    def at(ms):  # the sample that starts millisecond ms
        return int(ms * rate / 1000)
    first, last = max(10, int(start * 1000)), int(end * 1000)
    peak = [max(samples[at(ms):at(ms + 1)], default=0) for ms in range(first - 10, last)]
    for i in range(10, len(peak)):
        if peak[i] > 1000 and peak[i] > 2 * max(peak[i - 10:i]):
            return at(first - 10 + i) / rate
    return None


def main():
    source, wav = sys.argv[1], sys.argv[2]
    rate, samples = read_mono(wav)
    late = 0
    print("%8s  %-12s %9s %9s %8s" % ("cut s", "scene", "frame s", "kick s", "offset"))
    for time, scene in scene_cuts(source):
        frame = math.ceil(time * FPS - 1e-6) / FPS
        kick = onset(rate, samples, time + SEARCH[0], time + SEARCH[1])
        if kick is None:
            print("%8.3f  %-12s %9.3f %9s %8s" % (time, scene, frame, "-", "no kick"))
            continue
        offset = kick - frame
        bad = abs(offset) > 1 / FPS
        late += bad
        print("%8.3f  %-12s %9.3f %9.3f %+7.1f ms%s" % (time, scene, frame, kick, offset * 1000, "  LATE" if bad else ""))
    sys.exit(1 if late else 0)


if __name__ == "__main__":
    main()
