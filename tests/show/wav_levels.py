#!/usr/bin/env python3
"""Levels of a 16-bit WAV from `build/show --wav`: peak, clipped samples,
RMS over the music and over each section, and the bars that are near
silent. Sections default to the show's (seconds); give others as
NAME:FROM:TO.

    build/show --wav music.wav && tests/show/wav_levels.py music.wav
"""
import math
import struct
import sys

SECTIONS = ["intro:0:16", "build:16:32", "mainA:32:48", "mainB:48:64", "break:64:80", "climax:80:112", "outro:112:122"]
MUSIC_END = 116  # RMS over the music leaves out the final fade
BAR = 2.0        # seconds, at 120 BPM


def read_wav(path):
    data = open(path, "rb").read()
    at, rate, channels = 12, 44100, 2
    while at + 8 <= len(data):
        chunk, size = data[at:at + 4], struct.unpack("<I", data[at + 4:at + 8])[0]
        if chunk == b"fmt ":
            channels, rate = struct.unpack("<HI", data[at + 10:at + 16])
        if chunk == b"data":
            body = data[at + 8:at + 8 + size]
            return rate, channels, struct.unpack("<%dh" % (len(body) // 2), body)
        at += 8 + size + (size & 1)
    sys.exit(path + ": no data chunk")


def main():
    path, sections = sys.argv[1], sys.argv[2:] or SECTIONS
    rate, channels, values = read_wav(path)
    step = rate * channels

    def span(start, end):
        return values[int(start * step):int(end * step)]

    def db(level):
        return 20 * math.log10(level / 32768) if level > 0 else float("-inf")

    def rms(part):
        return db(math.sqrt(sum(v * v for v in part) / len(part))) if part else float("-inf")

    peak = max(abs(v) for v in values)
    clipped = sum(1 for v in values if v >= 32767 or v <= -32768)
    seconds = len(values) / step
    print("%.1f s, peak %d (%.2f dBFS), %d clipped samples" % (seconds, peak, db(peak), clipped))
    print("RMS over 0-%d s: %.1f dBFS" % (min(MUSIC_END, seconds), rms(span(0, MUSIC_END))))
    for section in sections:
        name, start, end = section.split(":")
        part = span(float(start), float(end))
        print("  %-8s %6s-%-6s RMS %6.1f  peak %6.1f" % (name, start, end, rms(part), db(max(map(abs, part), default=0))))
    quiet = [bar + 1 for bar in range(int(seconds / BAR)) if rms(span(bar * BAR, (bar + 1) * BAR)) < -45]
    print("bars below -45 dBFS:", quiet or "none")


if __name__ == "__main__":
    main()
