#!/usr/bin/python3
"""avatrix-render against ImageMagick's convert, side by side in one run.

    bench/cli/render_vs_convert.py [path to avatrix-render] [--jobs 1000]
        [--converts 100] [--rounds 3] [--pairs 21]

Both make the same avatar: a 200 x 200 JPEG scaled to cover the 184 x 184
box, a white strip over the bottom 51 rows, "文字" in black at 12 pixels in
Noto Serif CJK (the file ImageMagick is given is the one the renderer's face
resolves to), written as PNG.

  batch          one `avatrix-render --batch` over --jobs jobs (all over the
                 same picture, each with its own output) against convert run
                 once per avatar, one after the other, as a user scripts it:
                 --converts runs a round, their time per avatar standing for
                 all the jobs. Avatars per second, median of the rounds, the
                 two alternating.
  name batch     one `avatrix-render --batch` over --jobs name avatars (no
                 picture; Latin and CJK names, each to its own file), avatars a
                 second by the wall clock, median of the rounds.
  one process    a single avatrix-render for one avatar against a single
                 convert, alternating, median of the pairs: first each run
                 drawing itself (AVATRIX_RENDER_SERVER=0), then as runs that
                 follow one another, which the render helper draws once the
                 second has started it. The helper's processor time is added
                 to the runs'.
  --version      `avatrix-render --version` against /bin/true, alternating,
                 median of the pairs: what loading the program costs.

Every figure is given as wall time and as processor time (user + system of
the process, from the kernel): on a busy machine the wall time moves with the
other processes' load, the processor time much less. Absolute times move with
the load of the machine; the ratios are the figures. The aims (a batch at
least 1,000 avatars a second, one process at most half of convert's time) are
printed beside them; nothing fails on a missed aim.
"""
import argparse
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

SOURCE_DIR = Path(__file__).resolve().parents[2]
CONVERT = "/usr/bin/convert"
TRUE = "/bin/true"
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


def helper_seconds(runtime):
    """Processor seconds the render helpers in `runtime` have used so far."""
    total = 0.0
    for lock in Path(runtime, "avatrix-render").glob("*.lock"):
        try:
            fields = Path(f"/proc/{int(lock.read_text())}/stat").read_text().rsplit(")", 1)[1]
        except (OSError, ValueError):
            continue
        utime, stime = fields.split()[11:13]
        total += (int(utime) + int(stime)) / os.sysconf("SC_CLK_TCK")
    return total


def timed(command):
    """Wall and processor seconds of one run, which must succeed."""
    start = time.perf_counter()
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    errors = process.stderr.read()
    _, status, usage = os.wait4(process.pid, 0)
    elapsed = time.perf_counter() - start
    process.returncode = os.waitstatus_to_exitcode(status)
    if process.returncode != 0:
        sys.exit(f"failed ({process.returncode}): {' '.join(map(str, command))}\n"
                 f"{errors.decode(errors='replace')}")
    return elapsed, usage.ru_utime + usage.ru_stime


def make_picture(folder):
    picture = folder / "in.jpg"
    # A photo-like picture: smooth colour with detail, not a flat fill.
    subprocess.run([CONVERT, "-size", "200x200", "-seed", "7", "plasma:fractal",
                    "-quality", "90", str(picture)], check=True)
    return picture


def convert_per_avatar(picture, out_dir, runs):
    """Wall and processor seconds per avatar over `runs` converts."""
    times = [timed(convert_command(picture, out_dir / f"c{i}.png")) for i in range(runs)]
    return sum(t[0] for t in times) / runs, sum(t[1] for t in times) / runs


def render_per_avatar(renderer, jobs_file, out_dir, jobs):
    """Wall and processor seconds per avatar of one batch over the jobs."""
    shutil.rmtree(out_dir, ignore_errors=True)
    elapsed, cpu = timed([renderer, "--batch", str(jobs_file), "--out-dir", str(out_dir),
                          *RENDER_OPTIONS])
    written = len(list(out_dir.glob("*.png")))
    if written != jobs:
        sys.exit(f"the batch wrote {written} avatars, not {jobs}")
    return elapsed / jobs, cpu / jobs


NAMES_FIRST = ["Anna", "Ben", "Chloé", "David", "Emma", "Felix", "Grace", "Hugo", "Inès", "Jonas"]
NAMES_LAST = ["Smith", "Müller", "García", "Rossi", "Nowak", "Kim", "Ivanova", "Dubois"]
FAMILY = "王李张刘陈杨赵黄周吴"
GIVEN = "伟芳娜敏静丽强磊军洋"


def name_jobs(count):
    """A jobs file's text of `count` name avatars, half Latin, half CJK."""
    lines = []
    for i in range(count):
        if i % 2:
            name = f"{NAMES_FIRST[i % 10]} {NAMES_LAST[(i // 10) % 8]}"
        else:
            name = FAMILY[i % 10] + GIVEN[(i // 10) % 10] + GIVEN[(i // 100) % 10]
        lines.append(f"\t{name}\tn{i}.png\n")
    return "".join(lines)


def pairs(first, second, count):
    """Median wall and processor seconds of two commands run alternately."""
    a, b = [], []
    for i in range(count):
        a.append(timed(first(i)))
        b.append(timed(second(i)))
    median = lambda runs, k: statistics.median(r[k] for r in runs)  # noqa: E731
    return (median(a, 0), median(a, 1)), (median(b, 0), median(b, 1))


def default_renderer():
    return str(SOURCE_DIR / "build" / "bin" / "avatrix-render")


def ms(seconds):
    return f"{seconds * 1000:8.2f} ms"


def print_pair(title, name_a, a, name_b, b, aim):
    """Two (wall, cpu) figures and the ratio a / b of each."""
    print(title)
    width = max(len(name_a), len(name_b))
    print(f"  {'':{width}}   {'wall':>11}   {'processor':>11}")
    for name, (wall, cpu) in ((name_a, a), (name_b, b)):
        print(f"  {name:{width}}   {ms(wall)}   {ms(cpu)}")
    print(f"  {'ratio':{width}}   {a[0] / b[0]:10.2f}x   {a[1] / b[1]:10.2f}x   ({aim})")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("renderer", nargs="?", default=default_renderer())
    parser.add_argument("--jobs", type=int, default=1000)
    parser.add_argument("--converts", type=int, default=100)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--pairs", type=int, default=21)
    args = parser.parse_args()
    if not Path(args.renderer).is_file():
        sys.exit(f"no renderer at {args.renderer}; build the avatrix-render target")
    if not Path(CONVERT).is_file() or not Path(FONT_FILE).is_file():
        sys.exit(f"needs {CONVERT} (imagemagick) and {FONT_FILE} (fonts-noto-cjk)")

    with tempfile.TemporaryDirectory(prefix="avatrix-render-bench-") as tmp, \
            tempfile.TemporaryDirectory(prefix="avatrix-render-runtime-") as runtime:
        # A runtime folder of the bench's own, so the helper measured is the
        # one it starts, and none outlives it.
        os.environ["XDG_RUNTIME_DIR"] = runtime
        try:
            measure(args, Path(tmp), runtime)
        finally:
            stop_helpers(runtime)


def wait_for_helper(runtime, limit=60):
    deadline = time.monotonic() + limit
    while not list(Path(runtime, "avatrix-render").glob("*.sock")):
        if time.monotonic() > deadline:
            sys.exit("the render helper did not start")
        time.sleep(0.05)


def stop_helpers(runtime):
    for lock in Path(runtime, "avatrix-render").glob("*.lock"):
        try:
            os.kill(int(lock.read_text()), signal.SIGTERM)
        except (OSError, ValueError):
            pass


def measure(args, folder, runtime):
    picture = make_picture(folder)
    jobs_file = folder / "jobs.tsv"
    jobs_file.write_text("".join(f"in.jpg\t{TEXT}\ta{i}.png\n" for i in range(args.jobs)),
                         encoding="utf-8")

    # Both once first, so neither pays for a cold file cache.
    timed([args.renderer, str(picture), "-t", TEXT, "-o", str(folder / "warm.png"),
           *RENDER_OPTIONS])
    timed(convert_command(picture, folder / "warm-c.png"))

    names_file = folder / "names.tsv"
    names_file.write_text(name_jobs(args.jobs), encoding="utf-8")

    convert_times, render_times, name_times = [], [], []
    for _ in range(args.rounds):
        convert_times.append(convert_per_avatar(picture, folder, args.converts))
        render_times.append(
            render_per_avatar(args.renderer, jobs_file, folder / "batch", args.jobs))
        name_times.append(
            render_per_avatar(args.renderer, names_file, folder / "names", args.jobs))
    def one(name):
        return lambda i: [args.renderer, str(picture), "-t", TEXT, "-o",
                          str(folder / f"{name}{i}.png"), *RENDER_OPTIONS]

    def one_convert(name):
        return lambda i: convert_command(picture, folder / f"{name}{i}.png")

    os.environ["AVATRIX_RENDER_SERVER"] = "0"
    cold_render, cold_convert = pairs(one("cold"), one_convert("coldc"), args.pairs)
    del os.environ["AVATRIX_RENDER_SERVER"]
    # Two runs in a row start the helper; the pairs then follow on.
    timed(one("start")(0))
    timed(one("start")(1))
    wait_for_helper(runtime)
    before = helper_seconds(runtime)
    helped_render, helped_convert = pairs(one("helped"), one_convert("helpedc"), args.pairs)
    helped_render = (helped_render[0],
                     helped_render[1] + (helper_seconds(runtime) - before) / args.pairs)
    version, true = pairs(lambda i: [args.renderer, "--version"], lambda i: [TRUE],
                          args.pairs)

    convert_each = tuple(statistics.median(t[k] for t in convert_times) for k in (0, 1))
    render_each = tuple(statistics.median(t[k] for t in render_times) for k in (0, 1))
    print(f"batch of {args.jobs} jobs against convert once per avatar "
          f"({args.converts} a round), median of {args.rounds} rounds:")
    print(f"  {'':26}   {'wall':>11}   {'processor':>11}")
    print(f"  {'convert, per avatar':26}   {ms(convert_each[0])}   {ms(convert_each[1])}")
    print(f"  {'avatrix-render --batch':26}   {ms(render_each[0])}   {ms(render_each[1])}")
    # By the processor time: avatars for each second one processor spends.
    print(f"  {'avatars a second':26}   {1 / render_each[0]:11.0f}   {1 / render_each[1]:11.0f}"
          f"   (aim: at least 1000 by the wall clock)")
    print(f"  {'convert, avatars a second':26}   {1 / convert_each[0]:11.1f}"
          f"   {1 / convert_each[1]:11.1f}")
    print(f"  {'ratio':26}   {convert_each[0] / render_each[0]:10.1f}x"
          f"   {convert_each[1] / render_each[1]:10.1f}x   (times faster than convert)")
    name_each = tuple(statistics.median(t[k] for t in name_times) for k in (0, 1))
    print(f"name avatars, a batch of {args.jobs}, median of {args.rounds} rounds:")
    print(f"  {'avatars a second':26}   {1 / name_each[0]:11.0f}   {1 / name_each[1]:11.0f}"
          f"   (aim: at least 1000 by the wall clock)")
    print_pair(f"one avatar, one process drawing itself (median of {args.pairs} pairs):",
               "avatrix-render", cold_render, "convert", cold_convert,
               "aim: at most 0.50 of convert")
    print_pair(f"one avatar, one process, runs following one another (median of {args.pairs}"
               " pairs):", "avatrix-render", helped_render, "convert", helped_convert,
               "aim: at most 0.50 of convert")
    print_pair(f"--version alone (median of {args.pairs} pairs):", "avatrix-render --version",
               version, "/bin/true", true, "loading the program")


if __name__ == "__main__":
    main()
