#!/usr/bin/python3
"""Peak memory of avatrix-render on very large inputs.

    bench/cli/peak_memory.py [path to avatrix-render] [--jobs 1000]

Each case runs the renderer once as a child process and prints its peak
resident set (the kernel's maximum RSS of the child, as /usr/bin/time -v
reports it), beside the aim:

  8192 png        one avatar from an 8192 x 8192 PNG (aim: under 100 MB)
  8192 jpeg       the same from an 8192 x 8192 baseline JPEG (under 100 MB)
  8192 png fill   the PNG scaled to cover the box (under 100 MB)
  huge label      --label 0,0,4096,4096 --scale 4 --shadow (under 150 MB)
  batch           --jobs lines of 8192 x 8192 pictures, -j 4 (under 400 MB)
  N lines         a jobs file of --lines lines (a million: about 48 MB), some
                  with options of their own, whose pictures do not exist, so
                  that every job fails at once and the figure is the jobs' own
                  memory (under 200 MB)

The pictures are photographs in spirit: smooth colour with noise, so that
neither format compresses them to nothing. Nothing fails on a missed aim.
"""
import argparse
import os
import random
import resource
import subprocess
import sys
import tempfile
import time
from pathlib import Path

from PIL import Image

SOURCE_DIR = Path(__file__).resolve().parents[2]
SIDE = 8192


def make_pictures(folder):
    # A small noisy picture scaled up: smooth, yet not one flat colour.
    random.seed(19)
    small = Image.new("RGB", (64, 64))
    small.putdata([(random.randrange(256), random.randrange(256), random.randrange(256))
                   for _ in range(64 * 64)])
    big = small.resize((SIDE, SIDE), Image.BILINEAR)
    png = folder / "huge.png"
    jpeg = folder / "huge.jpg"
    big.save(png, compress_level=1)
    big.save(jpeg, quality=90)
    return png, jpeg


def peak_of(command, expected=0):
    """Runs the command in a child of its own and returns (seconds, peak MB).

    A run expected to fail (exit code 1) has its messages thrown away."""
    start = time.perf_counter()
    pid = os.fork()
    if pid == 0:
        if expected != 0:
            null = os.open(os.devnull, os.O_WRONLY)
            os.dup2(null, 2)
        os.execv(command[0], command)
    _, status, usage = os.wait4(pid, 0)
    elapsed = time.perf_counter() - start
    code = os.waitstatus_to_exitcode(status)
    if code != expected:
        sys.exit(f"failed ({code}): {' '.join(map(str, command))}")
    return elapsed, usage.ru_maxrss / 1024


def default_renderer():
    return str(SOURCE_DIR / "build" / "bin" / "avatrix-render")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("renderer", nargs="?", default=default_renderer())
    parser.add_argument("--jobs", type=int, default=1000)
    parser.add_argument("--lines", type=int, default=1_000_000)
    args = parser.parse_args()
    os.environ["QT_QPA_PLATFORM"] = "offscreen"
    # Each run draws in its own process, whose peak is the one measured.
    os.environ["AVATRIX_RENDER_SERVER"] = "0"

    with tempfile.TemporaryDirectory() as tmp:
        folder = Path(tmp)
        png, jpeg = make_pictures(folder)
        jobs_file = folder / "jobs.tsv"
        with open(jobs_file, "w", encoding="utf-8") as jobs:
            for i in range(args.jobs):
                picture = png if i % 2 == 0 else jpeg
                jobs.write(f"{picture.name}\t成员{i}\tm{i}.png\n")
        many_file = folder / "many.tsv"
        with open(many_file, "w", encoding="utf-8") as many:
            for i in range(args.lines):
                options = "\tsize=12" if i % 10 == 3 else ""
                many.write(f"photos/p{i}.jpg\t名字 {i}\tout{i}.png{options}\n")
        r = args.renderer
        cases = [
            ("8192 png", [r, str(png), "-t", "文字", "-o", str(folder / "a.png")], 100),
            ("8192 jpeg", [r, str(jpeg), "-t", "文字", "-o", str(folder / "b.png")], 100),
            ("8192 png fill",
             [r, str(png), "-t", "文字", "-o", str(folder / "c.png"), "--fill"], 100),
            ("huge label",
             [r, str(png), "-t", "文字", "-o", str(folder / "d.png"), "--label",
              "0,0,4096,4096", "--scale", "4", "--shadow", "--size", "40"], 150),
            (f"batch {args.jobs}",
             [r, "--batch", str(jobs_file), "--out-dir", str(folder / "out"), "-j", "4"], 400),
            (f"{args.lines} lines",
             [r, "--batch", str(many_file), "--out-dir", str(folder / "many")], 200, 1),
        ]
        print(f"{'case':<16}{'seconds':>9}{'peak MB':>10}{'aim MB':>9}")
        for name, command, aim, *expected in cases:
            seconds, peak = peak_of(command, *expected)
            verdict = "ok" if peak < aim else "OVER"
            print(f"{name:<16}{seconds:>9.2f}{peak:>10.1f}{aim:>9}  {verdict}", flush=True)


if __name__ == "__main__":
    main()
