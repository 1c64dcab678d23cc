#!/usr/bin/env python3
"""The mix of the show's music, section by section: RMS, peak and clipped
samples, left against right, side against mid, the 300 Hz-2 kHz band
against the air above 6 kHz, dips at the intro's bar lines, and each
channel's own level (from solo renders).

    tests/show/wav_levels.py music.wav            # levels of a WAV
    tests/show/wav_levels.py --show build/show [--module FILE] [--check]

With --show the script renders the music itself (and each channel alone);
--check exits 1 when a level leaves the range the show's mix keeps. Needs
sox for the filters and the statistics.
"""
import argparse
import array
import math
import os
import subprocess
import sys
import tempfile

# name, start, end (seconds); 120 BPM, a bar is 2 s
SECTIONS = [("intro", 0, 16), ("lattice", 16, 32), ("tide", 32, 48), ("orbit", 48, 64),
            ("break", 64, 80), ("climax", 80, 112), ("outro", 112, 122)]
MAIN = ("lattice", "tide", "orbit", "climax")
CHANNELS = ["kick", "snare", "hats", "toms", "bass", "pad1", "pad2", "pad3", "lead", "echo", "arp", "fx"]
BAR = 2.0


def sox_stats(path, start, length, *effects, window=None):
    """sox's `stats` of a span of the file, mixed to one channel."""
    command = ["sox", path, "-n", "trim", str(start), str(length), *effects, "stats"]
    if window:
        command += ["-w", str(window)]
    out = subprocess.run(command, capture_output=True, text=True, check=True).stderr
    stats = {}
    for line in out.splitlines():
        # "RMS lev dB  -16.85  -17.52  -16.27": the first figure is the
        # whole (or the only channel's)
        words = line.split()
        for i, word in enumerate(words):
            try:
                stats[" ".join(words[:i])] = float(word)
                break
            except ValueError:
                pass
    return stats


def level(path, start, end, *effects, key="RMS lev dB", window=None):
    value = sox_stats(path, start, end - start, *effects, window=window).get(key, -math.inf)
    return value


MID = ("remix", "1v0.5,2v0.5")
SIDE = ("remix", "1v0.5,2v-0.5")


def measure(path):
    """Every figure of one full render, as a dict."""
    samples = array.array("h")
    with open(path, "rb") as f:
        data = f.read()
    at = data.find(b"data") + 8
    samples.frombytes(data[at:at + (len(data) - at) // 2 * 2])
    peak = max(max(samples), -min(samples))
    result = {
        "seconds": len(samples) / 2 / 44100,
        "peak": 20 * math.log10(peak / 32768) if peak else -math.inf,
        "clipped": samples.count(32767) + samples.count(-32768),
        "rms_16_112": level(path, 16, 112),
        "sections": {},
    }
    for name, start, end in SECTIONS:
        left = level(path, start, end, "remix", "1")
        right = level(path, start, end, "remix", "2")
        mid = level(path, start, end, *MID)
        side = level(path, start, end, *SIDE)
        band = level(path, start, end, *MID, "sinc", "300-2000")
        air = level(path, start, end, *MID, "sinc", "6000")
        result["sections"][name] = {
            "rms": level(path, start, end), "peak": level(path, start, end, key="Pk lev dB"),
            "left_right": left - right, "side_mid": side - mid, "band": band, "air": air,
            "air_band": air - band,
        }
    # Dips at the intro's bar lines: the quietest 50 ms within a quarter
    # second of the line against the bar before it.
    dips = []
    for bar in range(2, 9):
        line = (bar - 1) * BAR
        trough = level(path, line - 0.25, line + 0.25, *MID, key="RMS Tr dB", window=0.05)
        before = level(path, line - BAR, line, *MID)
        dips.append((bar, before - trough))
    result["bar_dips"] = dips
    result["last_second"] = level(path, result["seconds"] - 1, result["seconds"])
    return result


def render(show, module, out, *extra):
    command = [show, "--wav", out, *extra]
    if module:
        command += ["--module", module]
    subprocess.run(command, check=True, capture_output=True)


def solo_levels(show, module, work):
    """RMS of each channel alone, per section."""
    levels = {}
    for channel, name in enumerate(CHANNELS, start=1):
        out = os.path.join(work, "solo%d.wav" % channel)
        render(show, module, out, "--solo", str(channel))
        levels[name] = {s: level(out, start, end) for s, start, end in SECTIONS}
        # which side it plays on in the climax: left minus right, dB
        levels[name]["side"] = level(out, 80, 112, "remix", "1") - level(out, 80, 112, "remix", "2")
        os.remove(out)
    return levels


def report(m, solos):
    print("%.1f s, peak %.2f dBFS, %d clipped samples, RMS 16-112 s %.1f dBFS"
          % (m["seconds"], m["peak"], m["clipped"], m["rms_16_112"]))
    print("  %-8s %6s %6s %6s %6s %7s %6s %8s" % ("section", "RMS", "peak", "L-R", "S-M", "300-2k", ">6k", "air-band"))
    for name, s in m["sections"].items():
        print("  %-8s %6.1f %6.1f %6.2f %6.1f %7.1f %6.1f %8.1f"
              % (name, s["rms"], s["peak"], s["left_right"], s["side_mid"], s["band"], s["air"], s["air_band"]))
    print("  last second %.1f dBFS" % m["last_second"])
    print("  intro bar-line dips (dB):", ", ".join("bar %d %.1f" % d for d in m["bar_dips"]))
    if solos:
        print("  solo RMS  " + " ".join("%8s" % s for s, _, _ in SECTIONS) + "  L-R in the climax")
        for name, per in solos.items():
            print("  %-8s " % name + " ".join("%8.1f" % per[s] for s, _, _ in SECTIONS) + "  %8.1f" % per["side"])


def failures(m, solos):
    """What leaves the ranges of the show's mix."""
    out = []
    s = m["sections"]
    if m["peak"] >= -1 or m["clipped"]:
        out.append("peak %.2f dBFS, %d clipped" % (m["peak"], m["clipped"]))
    if not -16 <= m["rms_16_112"] <= -13:
        out.append("RMS over 16-112 s %.1f dBFS, outside -16..-13" % m["rms_16_112"])
    if s["break"]["rms"] > s["climax"]["rms"] - 6:
        out.append("the break is not 6 dB under the climax")
    for quiet in ("intro", "outro"):
        if s[quiet]["rms"] >= s["break"]["rms"]:
            out.append("the %s is not quieter than the break" % quiet)
    for name in MAIN:
        if s[name]["side_mid"] < -10:
            out.append("%s: side %.1f dB under mid" % (name, -s[name]["side_mid"]))
        if abs(s[name]["left_right"]) > 1:
            out.append("%s: left and right %.2f dB apart" % (name, s[name]["left_right"]))
        if s[name]["air_band"] < -12:
            out.append("%s: air %.1f dB under the band" % (name, -s[name]["air_band"]))
    if m["last_second"] > -60:
        out.append("the last second is not silent (%.1f dBFS)" % m["last_second"])
    for bar, dip in m["bar_dips"]:
        if dip > 8:
            out.append("intro: %.1f dB dip at bar %d" % (dip, bar))
    for name in MAIN:
        for drum in ("snare", "hats"):
            if solos and solos[drum][name] < solos["bass"][name] - 6:
                out.append("%s: %s %.1f dB under the bass" % (name, drum, solos["bass"][name] - solos[drum][name]))
    # The parts are written for a player that plays pan 255 on the left:
    # the hats sit right of centre, the lead left of it, the outer pads wide.
    for name, sign in (("hats", -1), ("lead", 1), ("pad1", 1), ("pad3", -1)):
        if solos and sign * solos[name]["side"] < 2:
            out.append("%s: on the wrong side (L-R %.1f dB in the climax)" % (name, solos[name]["side"]))
    return out


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("wav", nargs="?")
    parser.add_argument("--show", help="render with this show binary (and solo each channel)")
    parser.add_argument("--module", help="a module or tune source instead of the built-in music")
    parser.add_argument("--check", action="store_true", help="exit 1 when a level leaves its range")
    args = parser.parse_args()
    if bool(args.wav) == bool(args.show):
        parser.error("give a WAV or --show")
    with tempfile.TemporaryDirectory() as work:
        solos = None
        path = args.wav
        if args.show:
            path = os.path.join(work, "music.wav")
            render(args.show, args.module, path)
            solos = solo_levels(args.show, args.module, work)
        m = measure(path)
    report(m, solos)
    bad = failures(m, solos)
    for line in bad:
        print("out of range:", line)
    if args.check and bad:
        sys.exit(1)


if __name__ == "__main__":
    main()
