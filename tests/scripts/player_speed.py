#!/usr/bin/python3
"""How fast the show renders a module to WAV against xmp, whole process.

    tests/scripts/player_speed.py [--show build/show] [--runs 7] [--seconds 300] FILE.xm ...

Each run renders the module with the show (both players) and with xmp (its
default spline and linear interpolation, looping the song to the same length), one after the other, and takes each
process's CPU time (user + system: the machine is shared, wall time is not
the player's). Prints, per module, the median of the paired ratios xmp / show.
"""
import argparse
import os
import resource
import statistics
import subprocess
import tempfile


def cpu_seconds(command):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--show", default="build/show")
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--seconds", type=float, default=300)
    parser.add_argument("modules", nargs="+")
    args = parser.parse_args()
    seconds = str(args.seconds)
    print("| module | show ft2 s | show exact s | xmp s | xmp linear s | xmp / ft2 | xmp linear / ft2 | xmp / exact |")
    print("|---|---|---|---|---|---|---|---|")
    with tempfile.TemporaryDirectory() as work:
        out = os.path.join(work, "out.wav")
        for module in args.modules:
            show = lambda player: [args.show, "--module", module, "--wav", out, "--seconds", seconds, "--player", player]
            xmp = lambda *extra: ["xmp", "-q", "-l", "-f", "44100", "-t", seconds, *extra, "-o", out, module]
            runs = {"ft2": [], "exact": [], "xmp": [], "xmp linear": []}
            for _ in range(args.runs):
                runs["ft2"].append(cpu_seconds(show("ft2")))
                runs["exact"].append(cpu_seconds(show("exact")))
                runs["xmp"].append(cpu_seconds(xmp()))
                runs["xmp linear"].append(cpu_seconds(xmp("-i", "linear")))
            ratio = lambda a, b: statistics.median(x / max(y, 1e-6) for x, y in zip(runs[a], runs[b]))
            median = lambda k: statistics.median(runs[k])
            print(f"| {os.path.basename(module)} | {median('ft2'):.3f} | {median('exact'):.3f} | {median('xmp'):.3f} | "
                  f"{median('xmp linear'):.3f} | {ratio('xmp', 'ft2'):.2f} | {ratio('xmp linear', 'ft2'):.2f} | "
                  f"{ratio('xmp', 'exact'):.2f} |")


if __name__ == "__main__":
    main()
