#!/usr/bin/python3
"""Renders XM modules with the show's two players and with two reference
players (openmpt123 and xmp, installed apart: they are no build
dependency) and prints how alike they sound, as a Markdown table.

    tests/scripts/compare_players.py [--show build/show] [--seconds 60] FILE.xm ...

For each pair: envelope (correlation of the loudness over time, 1 ms
steps, after the best shift), spectrum (mean cosine similarity of the
magnitude spectra of 93 ms frames, after the same shift) and offset (the
shift in ms, positive when the first of the pair is late). Needs numpy.
"""
import argparse
import os
import subprocess
import sys
import tempfile
import wave

import numpy as np

RATE = 44100
HOP = RATE // 1000  # 1 ms
MAX_SHIFT_MS = 2000


def read_wav(path, seconds):
    with wave.open(path, "rb") as w:
        frames = w.readframes(w.getnframes())
        channels, width, rate = w.getnchannels(), w.getsampwidth(), w.getframerate()
    if width != 2 or rate != RATE:
        raise SystemExit(f"{path}: expected 16-bit {RATE} Hz")
    data = np.frombuffer(frames, dtype="<i2").astype(np.float64).reshape(-1, channels)
    return data.mean(axis=1)[: int(seconds * RATE)]


def render(tool, module, out, seconds, show):
    if tool in ("exact", "ft2"):
        command = [show, "--module", module, "--wav", out, "--seconds", str(seconds), "--player", tool]
    elif tool == "openmpt":
        command = ["openmpt123", "-q", "--batch", "--samplerate", str(RATE), "--no-float", "--end-time",
                   str(seconds), "--force", "-o", out, module]
    else:
        command = ["xmp", "-q", "-f", str(RATE), "-t", str(seconds), "-o", out, module]
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return read_wav(out, seconds)


def envelope(signal):
    n = len(signal) // HOP
    frames = signal[: n * HOP].reshape(n, HOP)
    return np.sqrt((frames ** 2).mean(axis=1))


def best_shift(a, b):
    """The shift (in envelope steps) that lines b up with a: a[i] ~ b[i - shift]."""
    n = 1 << int(np.ceil(np.log2(len(a) + len(b))))
    fa = np.fft.rfft(a - a.mean(), n)
    fb = np.fft.rfft(b - b.mean(), n)
    corr = np.fft.irfft(fa * np.conj(fb), n)
    lags = np.concatenate([corr[: MAX_SHIFT_MS + 1], corr[-MAX_SHIFT_MS:]])
    index = int(np.argmax(lags))
    return index if index <= MAX_SHIFT_MS else index - len(lags)


def aligned(a, b, shift):
    if shift > 0:
        a = a[shift:]
    elif shift < 0:
        b = b[-shift:]
    n = min(len(a), len(b))
    return a[:n], b[:n]


def spectrum_similarity(a, b, size=4096):
    window = np.hanning(size)
    scores = []
    loud = max(np.abs(a).max(), 1.0) * 1e-3
    for start in range(0, min(len(a), len(b)) - size, size // 2):
        fa = np.abs(np.fft.rfft(a[start:start + size] * window))
        fb = np.abs(np.fft.rfft(b[start:start + size] * window))
        if np.abs(a[start:start + size]).max() < loud and np.abs(b[start:start + size]).max() < loud:
            continue
        denominator = np.linalg.norm(fa) * np.linalg.norm(fb)
        scores.append(float(fa @ fb / denominator) if denominator > 0 else 0.0)
    return float(np.mean(scores)) if scores else 1.0


def compare(a, b):
    ea, eb = envelope(a), envelope(b)
    shift = best_shift(ea, eb)
    ea, eb = aligned(ea, eb, shift)
    correlation = float(np.corrcoef(ea, eb)[0, 1]) if ea.std() > 0 and eb.std() > 0 else 1.0
    sa, sb = aligned(a, b, shift * HOP)
    return correlation, spectrum_similarity(sa, sb), shift


PAIRS = [("ft2", "openmpt"), ("ft2", "xmp"), ("exact", "openmpt"), ("openmpt", "xmp")]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--show", default="build/show")
    parser.add_argument("--seconds", type=float, default=60)
    parser.add_argument("modules", nargs="+")
    args = parser.parse_args()
    print("| module | " + " | ".join(f"{x} vs {y}" for x, y in PAIRS) + " |")
    print("|---|" + "---|" * len(PAIRS))
    with tempfile.TemporaryDirectory() as work:
        for module in args.modules:
            renders = {}
            for tool in ("exact", "ft2", "openmpt", "xmp"):
                renders[tool] = render(tool, module, os.path.join(work, tool + ".wav"), args.seconds, args.show)
            cells = []
            for x, y in PAIRS:
                env, spec, shift = compare(renders[x], renders[y])
                cells.append(f"{env:.3f} / {spec:.3f} / {shift:+d} ms")
            print(f"| {os.path.basename(module)} | " + " | ".join(cells) + " |")
            sys.stdout.flush()


if __name__ == "__main__":
    main()
