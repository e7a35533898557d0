#!/usr/bin/python3
"""avatrix-render against ImageMagick's convert, side by side in one run.

    bench/cli/render_vs_convert.py [path to avatrix-render] [--jobs 200] [--rounds 3] [--pairs 11]

Both make the same avatar: a 200 x 200 JPEG scaled to cover the 184 x 184
box, a white strip over the bottom 51 rows, "文字" in black at 12 pixels in
Noto Serif CJK (the file ImageMagick is given is the one the renderer's face
resolves to), written as PNG.

  per avatar     convert run once per avatar, one after the other, as a user
                 scripts it, against one `avatrix-render --batch` over the
                 same number of jobs; wall time per avatar, median of the
                 rounds, the two alternating.
  one process    a single avatrix-render for one avatar against a single
                 convert, alternating, median of the pairs.

Absolute times move with the load of the machine; the ratios are the figures.
The aims (per avatar at least 10 times faster, one process no slower) are
printed beside them; nothing fails on a missed aim.
"""
import argparse
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

SOURCE_DIR = Path(__file__).resolve().parents[2]
CONVERT = "/usr/bin/convert"
FONT_FILE = "/usr/share/fonts/opentype/noto/NotoSerifCJK-Regular.ttc"
TEXT = "文字"


def convert_command(picture, output):
    return [CONVERT, str(picture), "-resize", "184x184^", "-gravity", "center",
            "-extent", "184x184", "-fill", "rgba(255,255,255,1.0)",
            "-draw", "rectangle 0,133 183,183", "-font", FONT_FILE,
            "-pointsize", "12", "-fill", "#000000", "-gravity", "north",
            "-annotate", "+0+135", TEXT, str(output)]


# The same avatar in the renderer's terms: 9 points at 96 dots per inch are
# the 12 pixels ImageMagick draws at its 72.
RENDER_OPTIONS = ["--fill", "--strip", "0,133,184,51", "--strip-colour", "#FFFFFF",
                  "--text-colour", "#000000", "--size", "9"]


def timed(command):
    start = time.perf_counter()
    result = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    elapsed = time.perf_counter() - start
    if result.returncode != 0:
        sys.exit(f"failed ({result.returncode}): {' '.join(map(str, command))}\n"
                 f"{result.stderr.decode(errors='replace')}")
    return elapsed


def make_picture(folder):
    picture = folder / "in.jpg"
    # A photo-like picture: smooth colour with detail, not a flat fill.
    subprocess.run([CONVERT, "-size", "200x200", "-seed", "7", "plasma:fractal",
                    "-quality", "90", str(picture)], check=True)
    return picture


def convert_per_avatar(picture, out_dir, jobs):
    start = time.perf_counter()
    for i in range(jobs):
        timed(convert_command(picture, out_dir / f"c{i}.png"))
    return (time.perf_counter() - start) / jobs


def render_per_avatar(renderer, jobs_file, out_dir, jobs):
    shutil.rmtree(out_dir, ignore_errors=True)
    elapsed = timed([renderer, "--batch", str(jobs_file), "--out-dir", str(out_dir),
                     *RENDER_OPTIONS])
    written = len(list(out_dir.glob("*.png")))
    if written != jobs:
        sys.exit(f"the batch wrote {written} avatars, not {jobs}")
    return elapsed / jobs


def default_renderer():
    return str(SOURCE_DIR / "build" / "bin" / "avatrix-render")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("renderer", nargs="?", default=default_renderer())
    parser.add_argument("--jobs", type=int, default=200)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--pairs", type=int, default=11)
    args = parser.parse_args()
    if not Path(args.renderer).is_file():
        sys.exit(f"no renderer at {args.renderer}; build the avatrix-render target")
    if not Path(CONVERT).is_file() or not Path(FONT_FILE).is_file():
        sys.exit(f"needs {CONVERT} (imagemagick) and {FONT_FILE} (fonts-noto-cjk)")

    with tempfile.TemporaryDirectory(prefix="avatrix-render-bench-") as tmp:
        folder = Path(tmp)
        picture = make_picture(folder)
        jobs_file = folder / "jobs.tsv"
        jobs_file.write_text("".join(f"in.jpg\t{TEXT}\ta{i}.png\n" for i in range(args.jobs)),
                             encoding="utf-8")

        # Both once first, so neither pays for a cold file cache.
        timed([args.renderer, str(picture), "-t", TEXT, "-o", str(folder / "warm.png"),
               *RENDER_OPTIONS])
        timed(convert_command(picture, folder / "warm-c.png"))

        convert_times, render_times = [], []
        for _ in range(args.rounds):
            convert_times.append(convert_per_avatar(picture, folder, args.jobs))
            render_times.append(
                render_per_avatar(args.renderer, jobs_file, folder / "batch", args.jobs))
        single_render, single_convert = [], []
        for i in range(args.pairs):
            single_render.append(timed([args.renderer, str(picture), "-t", TEXT, "-o",
                                        str(folder / f"one{i}.png"), *RENDER_OPTIONS]))
            single_convert.append(timed(convert_command(picture, folder / f"onec{i}.png")))

    ms = lambda s: f"{s * 1000:7.2f} ms"  # noqa: E731
    convert_each = statistics.median(convert_times)
    render_each = statistics.median(render_times)
    one_render = statistics.median(single_render)
    one_convert = statistics.median(single_convert)
    print(f"per avatar over {args.jobs} jobs (median of {args.rounds} rounds):")
    print(f"  convert, once per avatar   {ms(convert_each)}")
    print(f"  avatrix-render --batch     {ms(render_each)}")
    print(f"  ratio                      {convert_each / render_each:7.1f}x faster"
          f"   (aim: at least 10x)")
    print(f"one avatar, one process (median of {args.pairs} pairs):")
    print(f"  convert                    {ms(one_convert)}")
    print(f"  avatrix-render             {ms(one_render)}")
    print(f"  ratio                      {one_convert / one_render:7.2f}x"
          f"   (aim: at least 1.00x, no slower)")


if __name__ == "__main__":
    main()
