#!/usr/bin/python3
"""Start-up figures of the real avatrix binary, each run on a private X server.

    bench/startup.py <path to avatrix> [--runs N] [--notice-url URL]
    bench/startup.py <path to avatrix> --screenshot docs/screenshot.png

Each run starts its own Xvfb (1280x1024x24) with openbox, serves a notice page
of the current version on the loopback notice address (so start-up finishes
and the banner window shows too), starts the program and measures:

  first paint   wall time from just before the process is spawned until the
                main window is mapped (viewable) AND the screen at three points
                of its avatar box shows the built-in avatar picture's own
                colours. Polled: every poll is one xwininfo call plus one
                3-pixel grab of the screen, so the figure is late by at most
                one poll (5 ms apart, plus the few ms each poll takes).
  mapped        the same clock until the main window first reports viewable
                (the poll that sees it; painting may still be under way).
  CPU to paint  utime+stime the process had used at first paint: less
                dependent on how busy the machine is than the wall time.
  banner shown  the same clock until the untitled banner window is mapped.
  peak memory   VmHWM of the process from /proc once both windows show and
                the process has used no CPU for 0.5 s (polled every 100 ms).
  idle CPU      utime+stime of the whole process (all threads) over the
                next 5 s with both windows shown and nothing touched.
                /proc counts CPU time in clock ticks (10 ms here), so 0 means
                less than one tick in the 5 s.

It prints every run and then median, min and max of each figure. The aims
(first paint within 200 ms, under 80 MB, idle CPU near zero) are printed
beside them for comparison; nothing here fails on a missed aim.

With --screenshot it runs once, waits for both windows to be painted and
saves the part of the screen holding both windows (with their frames) as PNG.

    bench/startup.py <path to avatrix> --compare [--reference PATH] [--pairs N]

Side by side with the yardstick of the start-up: a bare Qt Widgets window of
the same size with twelve buttons and twelve labels (bench/reference, built
as startup_reference next to the program's build, or given by --reference).
Both run alternately on ONE private X server (Xvfb 1280x1024x24 with
openbox), one after the other, the order swapped every pair. For each start:

  viewable      from just before the spawn until `xdotool search
                --onlyvisible --maxdepth 2 --pid` names a window of the
                process (a top-level: the depth keeps the program's own child
                windows out), polled back to back.
  banner delay  (the program only) banner viewable minus main window
                viewable: the second top-level window of the process.
  peak memory   VmHWM 0.3 s after the first window shows.

It prints every pair, the medians and the median ratio of the viewable
times against the aims (ratio <= 1.5, banner delay <= 60 ms, peak memory
<= 50 MB).

    bench/startup.py <path to a tracing avatrix> --trace [--runs N]

Splits the time to the first paint: the program built with
-DAVATRIX_STARTUP_TRACE=ON writes steady-clock marks to stderr, which this
script places on its own clock (CLOCK_MONOTONIC both) and sums per phase:
library loading, static initialisation, toolkit start, window build per
unit kind, picture decoding, font set-up, the first expose and paint.
"""
import argparse
import errno
import os
import re
import signal
import statistics
import subprocess
import sys
import time
from pathlib import Path

from PIL import Image, ImageGrab

SOURCE_DIR = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(SOURCE_DIR / "tests" / "e2e"))
import harness  # noqa: E402  (the e2e session: Xvfb, openbox, notice server)
from harness import Failure, wait_for  # noqa: E402

MAIN_TITLE = "Mirrowen文字头像 " + harness.project_version()
DEFAULT_NOTICE_URL = "http://127.0.0.1:18473/notice.html"
# Points of the avatar box (client coordinates) whose colour proves the
# picture, not the window's background, is on the screen. The box shows the
# picture at its natural size from its top-left corner.
PROBES = ((10, 10), (92, 92), (150, 40))
TOLERANCE = 24  # per channel: JPEG decoders may round differently
TICK = os.sysconf("SC_CLK_TCK")
PAGE_KB = 1024


def avatar_colours():
    picture = Image.open(SOURCE_DIR / "src" / "windows" / "pictures" / "avatar.jpg")
    picture = picture.convert("RGB")
    return [picture.getpixel(p) for p in PROBES]


def cpu_ticks(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime + stime


def status_kb(pid, key):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith(key + ":"):
                return int(line.split()[1])
    raise Failure(f"{key} missing from /proc/{pid}/status")


class BenchSession(harness.Session):
    """The e2e session, but it waits its turn for the notice port: other test
    runs on this machine serve the same loopback address."""

    def _serve_notice(self, body):
        def bound():
            try:
                harness.Session._serve_notice(self, body)
                return True
            except OSError as error:
                if error.errno != errno.EADDRINUSE:
                    raise
                return False

        wait_for(bound, 600, "the notice port to be free", interval=0.2)


class Probe:
    """Fast looks at one session's screen and window tree."""

    def __init__(self, session):
        self.s = session
        self.display = session.env["DISPLAY"]
        self.expected = avatar_colours()
        self.wid = None
        self.mapped_at = None
        # The first grab of a process costs about 100 ms of setting up; pay
        # it here, outside the measured time.
        ImageGrab.grab(bbox=(0, 0, 1, 1), xdisplay=self.display)

    def main_window_id(self):
        ids = self.s.run(["xdotool", "search", "--all", "--pid", str(self.s.app.pid),
                          "--name", "^" + re.escape(MAIN_TITLE) + "$"]).split()
        return int(ids[0]) if ids else None

    def viewable_origin(self, wid):
        out = self.s.run(["xwininfo", "-id", str(wid)])
        if "IsViewable" not in out:
            return None
        x = re.search(r"Absolute upper-left X:\s+(-?\d+)", out)
        y = re.search(r"Absolute upper-left Y:\s+(-?\d+)", out)
        return (int(x.group(1)), int(y.group(1))) if x and y else None

    def shows_avatar(self, origin):
        ox, oy = origin
        xs = [ox + x for x, _ in PROBES]
        ys = [oy + y for _, y in PROBES]
        box = (min(xs), min(ys), max(xs) + 1, max(ys) + 1)
        try:
            grab = ImageGrab.grab(bbox=box, xdisplay=self.display).convert("RGB")
        except OSError:
            return False
        for (px, py), want in zip(PROBES, self.expected):
            got = grab.getpixel((ox + px - box[0], oy + py - box[1]))
            if any(abs(a - b) > TOLERANCE for a, b in zip(got, want)):
                return False
        return True

    def painted(self):
        if self.wid is None:
            self.wid = self.main_window_id()
            if self.wid is None:
                return False
        origin = self.viewable_origin(self.wid)
        if origin is None:
            return False
        if self.mapped_at is None:
            self.mapped_at = time.monotonic()
        return self.shows_avatar(origin)


def start_session(binary, url):
    harness.NOTICE_URL = url
    return BenchSession(binary)


def wait_quiet(pid, quiet_polls=5, interval=0.1, timeout=20):
    deadline = time.monotonic() + timeout
    last, still = cpu_ticks(pid), 0
    while still < quiet_polls:
        if time.monotonic() > deadline:
            raise Failure("the program never went quiet")
        time.sleep(interval)
        now = cpu_ticks(pid)
        still = still + 1 if now == last else 0
        last = now


def one_run(binary, url):
    s = start_session(binary, url)
    try:
        probe = Probe(s)
        t0 = time.monotonic()
        s.launch(wait_for_main=False)
        wait_for(probe.painted, 30, "the main window's first paint", interval=0.005)
        first_paint = time.monotonic() - t0
        cpu_to_paint = cpu_ticks(s.app.pid) / TICK
        wait_for(s.banner, 30, "the banner window", interval=0.005)
        banner = time.monotonic() - t0
        pid = s.app.pid
        wait_quiet(pid)
        peak_kb = status_kb(pid, "VmHWM")
        rss_kb = status_kb(pid, "VmRSS")
        before, t1 = cpu_ticks(pid), time.monotonic()
        time.sleep(5.0)  # the measuring interval itself, not a wait for a state
        after, t2 = cpu_ticks(pid), time.monotonic()
        check_alive(s)
        return {
            "main window mapped (ms)": (probe.mapped_at - t0) * 1000,
            "first paint (ms)": first_paint * 1000,
            "CPU used to paint (ms)": cpu_to_paint * 1000,
            "banner shown (ms)": banner * 1000,
            "peak memory VmHWM (MB)": peak_kb / PAGE_KB,
            "resident VmRSS (MB)": rss_kb / PAGE_KB,
            "idle CPU over 5 s (ms)": (after - before) * 1000 / TICK,
            "idle CPU (%)": (after - before) / TICK / (t2 - t1) * 100,
        }
    except Exception:
        print(s.output(), file=sys.stderr)
        raise
    finally:
        s.close()


def check_alive(s):
    if s.app.poll() is not None:
        raise Failure(f"the program ended with {s.app.returncode}")


def screenshot(binary, url, target):
    s = start_session(binary, url)
    try:
        probe = Probe(s)
        s.launch(wait_for_main=False)
        wait_for(probe.painted, 30, "the main window's first paint")
        banner = wait_for(s.banner, 30, "the banner window")
        wait_quiet(s.app.pid)
        main = s.info(probe.wid)
        shot = s.screenshot()
        # Both windows with their frames: the frame is the window manager's
        # parent of each client window.
        boxes = [frame_box(s, w) for w in (main, s.refresh(banner))]
        margin = 12
        box = (max(0, min(b[0] for b in boxes) - margin), max(0, min(b[1] for b in boxes) - margin),
               min(shot.width, max(b[2] for b in boxes) + margin),
               min(shot.height, max(b[3] for b in boxes) + margin))
        target = Path(target)
        target.parent.mkdir(parents=True, exist_ok=True)
        shot.crop(box).save(target, optimize=True)
        print(f"saved {target} ({box[2] - box[0]}x{box[3] - box[1]}); main {main}, banner {banner}")
    finally:
        s.close()


def frame_box(s, window):
    """The screen box of a window including its window-manager frame."""
    tree = s.run(["xwininfo", "-id", str(window.id), "-tree"])
    parent = re.search(r"Parent window id: (0x[0-9a-f]+)", tree)
    root = re.search(r"Root window id: (0x[0-9a-f]+)", tree)
    wid = window.id
    # Climb to the child of the root: that is the frame.
    while parent and root and parent.group(1) != root.group(1):
        wid = int(parent.group(1), 16)
        tree = s.run(["xwininfo", "-id", str(wid), "-tree"])
        parent = re.search(r"Parent window id: (0x[0-9a-f]+)", tree)
    outer = s.info(wid) or window
    return (outer.x, outer.y, outer.x + outer.width, outer.y + outer.height)


# --- side by side with the bare Qt window ----------------------------------

COMPARE_AIMS = {"ratio": 1.5, "banner delay (ms)": 60.0, "peak memory (MB)": 50.0}
VIEWABLE_WAIT = 0.3  # s after the first window shows, when VmHWM is read


def visible_toplevels(session, pid):
    out = session.run(["xdotool", "search", "--onlyvisible", "--maxdepth", "2",
                       "--pid", str(pid)])
    return out.split()


def timed_start(session, program, want_banner):
    """Starts one program and times it; returns a dict of figures."""
    log = open(session.tmp / f"{Path(program).name}.run.log", "ab")
    t0 = time.monotonic()
    proc = subprocess.Popen([program], env=session.env, cwd=session.tmp, stdout=log,
                            stderr=subprocess.STDOUT)
    try:
        shown = banner = peak_kb = None
        deadline = t0 + 30
        while True:
            now = time.monotonic()
            if proc.poll() is not None:
                raise Failure(f"{program} ended with {proc.returncode}")
            if now > deadline:
                raise Failure(f"{program} showed no window within 30 s")
            count = len(visible_toplevels(session, proc.pid))
            now = time.monotonic()
            if shown is None and count >= 1:
                shown = now
            if want_banner and banner is None and count >= 2:
                banner = now
            if shown is not None and peak_kb is None and now >= shown + VIEWABLE_WAIT:
                peak_kb = status_kb(proc.pid, "VmHWM")
            if shown is not None and peak_kb is None and (banner or not want_banner):
                # Nothing more to poll for: wait out the memory interval.
                time.sleep(max(0.0, shown + VIEWABLE_WAIT - time.monotonic()))
            if peak_kb is not None and (banner or not want_banner):
                break
        result = {"viewable (ms)": (shown - t0) * 1000, "peak memory (MB)": peak_kb / PAGE_KB}
        if want_banner:
            result["banner delay (ms)"] = (banner - shown) * 1000
        return result
    finally:
        proc.send_signal(signal.SIGKILL)
        proc.wait()
        log.close()


def reference_path(binary, given):
    if given:
        return os.path.abspath(given)
    # bench/reference of the same build tree as the program.
    for build in Path(binary).resolve().parents:
        if (build / "CMakeCache.txt").exists():
            return str(build / "bench" / "reference" / "startup_reference")
    return ""


BUNDLED_NOTICE = "../share/avatrix/notice.html"


def bundled_notice(binary, url):
    """Whether the build reads the notice page it ships with (no loopback
    address compiled in, the bundled page beside it)."""
    data = Path(binary).read_bytes()
    page = Path(binary).parent / BUNDLED_NOTICE
    return url.encode() not in data and BUNDLED_NOTICE.encode() in data and page.exists()


def compare(binary, reference, url, pairs):
    if not os.access(reference, os.X_OK):
        print(f"no reference program at {reference} (build the target startup_reference, "
              "or pass --reference)", file=sys.stderr)
        return 2
    s = start_session(binary, url)
    ours, theirs = [], []
    try:
        for i in range(pairs):
            order = [(binary, True), (reference, False)]
            if i % 2:
                order.reverse()
            got = {prog: timed_start(s, prog, banner) for prog, banner in order}
            ours.append(got[binary])
            theirs.append(got[reference])
            a, r = got[binary], got[reference]
            print(f"pair {i + 1}: avatrix {a['viewable (ms)']:.1f} ms "
                  f"(banner +{a['banner delay (ms)']:.1f} ms, {a['peak memory (MB)']:.1f} MB), "
                  f"reference {r['viewable (ms)']:.1f} ms ({r['peak memory (MB)']:.1f} MB), "
                  f"ratio {a['viewable (ms)'] / r['viewable (ms)']:.2f}", flush=True)
    except Exception:
        print(s.logs(), file=sys.stderr)
        raise
    finally:
        s.close()

    def med(runs, key):
        return statistics.median(r[key] for r in runs)

    figures = {
        "avatrix viewable (ms)": med(ours, "viewable (ms)"),
        "reference viewable (ms)": med(theirs, "viewable (ms)"),
        "ratio": statistics.median(a["viewable (ms)"] / r["viewable (ms)"]
                                   for a, r in zip(ours, theirs)),
        "banner delay (ms)": med(ours, "banner delay (ms)"),
        "peak memory (MB)": med(ours, "peak memory (MB)"),
        "reference peak memory (MB)": med(theirs, "peak memory (MB)"),
    }
    print(f"\nmedians of {pairs} pairs")
    for key, value in figures.items():
        aim = COMPARE_AIMS.get(key)
        verdict = "" if aim is None else f"   aim <= {aim:g}: {'met' if value <= aim else 'MISSED'}"
        print(f"{key:28} {value:8.2f}{verdict}")
    return 0


# --- the start-up trace ------------------------------------------------------

TRACE_LINE = re.compile(r"^avatrix-trace (\d+) (\d+) (.*)$")


def trace_lines(text):
    spans = []
    for line in text.splitlines():
        m = TRACE_LINE.match(line)
        if m:
            spans.append((int(m.group(1)), int(m.group(2)), m.group(3)))
    return spans


def trace_phases(t0_ns, spans):
    """Milliseconds per phase of one start, in the order they happen."""
    ms = 1e6

    def named(what):
        return [(b, e) for b, e, n in spans if n == what]

    def within(what, start, end, prefix=False):
        return [(b, e) for b, e, n in spans
                if (n.startswith(what) if prefix else n == what) and b >= start and e <= end]

    def spent(pairs):
        return sum(e - b for b, e in pairs) / ms

    loaded = named("libraries loaded")[0][0]
    main = named("main")[0][0]
    build = named("build MainWindow")[0]
    show = named("show MainWindow")[0]
    # The main window's first paint: its background, then its two picture
    # boxes (the banner has none), each decoding its picture on the way.
    form_paints = named("paint MainWindow")
    box_paints = named("paint PicBox")
    painted = (form_paints[0][0] if form_paints else show[1],
               box_paints[1][1] if len(box_paints) > 1 else show[1])
    before_paint = (0, painted[1])
    phases = {
        "library loading": (loaded - t0_ns) / ms,
        "static initialisation": (main - loaded) / ms,
        "display check": spent(within("display check", *before_paint)),
        "toolkit start": spent(within("toolkit start", *before_paint)),
        "window icon": spent(within("window icon", *before_paint)),
        "font set-up": spent(within("fonts", *before_paint)),
        "code-page tables": spent(within("code-page tables", 0, painted[1], prefix=True)),
        "picture reading": spent(within("picture read", *before_paint)),
        "picture decoding": spent(within("picture decode", *before_paint)),
    }
    units = within("unit ", build[0], build[1], prefix=True)
    decoded_in_build = within("picture decode", build[0], build[1])
    for kind in sorted({n.split(" ", 1)[1] for b, e, n in spans
                        if n.startswith("unit ") and b >= build[0] and e <= build[1]}):
        mine = within(f"unit {kind}", build[0], build[1])
        extra = spent(decoded_in_build) if kind == "PicBox" else 0.0
        phases[f"build: {len(mine)} x {kind}"] = spent(mine) - extra
    del units
    for what in ("native windows", "stacking", "window hints"):
        phases[f"build: {what}"] = spent(within(what, build[0], build[1]))
    phases["show"] = (show[1] - show[0]) / ms
    created = named("Created MainWindow")
    if created:
        phases["Created (notice, banner)"] = (created[0][1] - created[0][0]) / ms
    phases["until the first paint begins"] = (painted[0] - show[1]) / ms
    phases["first paint (with decoding)"] = (painted[1] - painted[0]) / ms
    phases["= spawn to first paint"] = (painted[1] - t0_ns) / ms
    banner = named("build BannerWindow")
    if banner:
        phases["(after) spawn to banner built"] = (banner[0][1] - t0_ns) / ms
    return phases


def trace(binary, url, runs):
    s = start_session(binary, url)
    results = []
    try:
        for i in range(runs):
            log = s.tmp / f"trace{i}.log"
            with open(log, "wb") as out:
                t0 = time.monotonic_ns()
                proc = subprocess.Popen([binary], env=s.env, cwd=s.tmp, stdout=out,
                                        stderr=subprocess.STDOUT)
                try:
                    def banner_built():
                        return "build BannerWindow" in log.read_text(errors="replace")

                    wait_for(banner_built, 30, "the banner window to be built", interval=0.01)
                    wait_quiet(proc.pid)
                finally:
                    proc.send_signal(signal.SIGKILL)
                    proc.wait()
            spans = trace_lines(log.read_text(errors="replace"))
            if not spans:
                print(f"{binary} wrote no trace: configure it with -DAVATRIX_STARTUP_TRACE=ON",
                      file=sys.stderr)
                return 2
            results.append(trace_phases(t0, spans))
            print(f"run {i + 1}: first paint at {results[-1]['= spawn to first paint']:.1f} ms",
                  flush=True)
    finally:
        s.close()
    print(f"\n{'phase (ms, median of ' + str(runs) + ')':40} {'median':>8} {'min':>8} {'max':>8}")
    for key in results[0]:
        values = [r.get(key, 0.0) for r in results]
        print(f"{key:40} {statistics.median(values):8.2f} {min(values):8.2f} {max(values):8.2f}")
    return 0


def summary(runs):
    aims = {"first paint (ms)": "aim: within 200", "peak memory VmHWM (MB)": "aim: under 80",
            "idle CPU (%)": "aim: near 0"}
    print(f"\n{len(runs)} runs            median      min      max")
    for key in runs[0]:
        values = [r[key] for r in runs]
        print(f"{key:24} {statistics.median(values):8.1f} {min(values):8.1f} {max(values):8.1f}"
              f"   {aims.get(key, '')}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("binary")
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--notice-url", default=DEFAULT_NOTICE_URL,
                        help="the notice address the binary was built with")
    parser.add_argument("--screenshot", metavar="PNG")
    parser.add_argument("--compare", action="store_true",
                        help="time the program against the bare Qt window, alternately")
    parser.add_argument("--reference", help="the bare Qt window program (startup_reference)")
    parser.add_argument("--pairs", type=int, default=9, help="pairs of starts for --compare")
    parser.add_argument("--trace", action="store_true",
                        help="split the start-up of a build made with AVATRIX_STARTUP_TRACE")
    args = parser.parse_args()
    args.binary = os.path.abspath(args.binary)
    if bundled_notice(args.binary, args.notice_url):
        # The build reads the notice page it ships with: nothing to serve, and
        # nothing leaves the machine. A session still serves a page on a free
        # loopback port, which such a build never asks for.
        args.notice_url = None
    elif not re.match(r"http://127\.0\.0\.1:\d+/", args.notice_url) or \
            args.notice_url.encode() not in Path(args.binary).read_bytes():
        # Only a build that fetches its notice from the loopback address is
        # run here: any other build would reach out to its real site.
        print(f"{args.binary} was not built to fetch its notice from {args.notice_url}\n"
              "(configure with -DAVATRIX_NOTICE_URL=... and pass the same --notice-url,\n"
              "or use a build that reads its bundled notice page)",
              file=sys.stderr)
        return 2
    if args.screenshot:
        screenshot(args.binary, args.notice_url, args.screenshot)
        return 0
    if args.compare:
        print(f"load average before: {os.getloadavg()[0]:.2f} on {os.cpu_count()} CPUs")
        code = compare(args.binary, reference_path(args.binary, args.reference),
                       args.notice_url, args.pairs)
        print(f"load average after: {os.getloadavg()[0]:.2f} on {os.cpu_count()} CPUs")
        return code
    if args.trace:
        return trace(args.binary, args.notice_url, args.runs)
    print(f"load average before: {os.getloadavg()[0]:.2f} on {os.cpu_count()} CPUs")
    runs = []
    for i in range(args.runs):
        result = one_run(args.binary, args.notice_url)
        runs.append(result)
        print(f"run {i + 1}: " + ", ".join(f"{k} {v:.1f}" for k, v in result.items()), flush=True)
    summary(runs)
    print(f"load average after: {os.getloadavg()[0]:.2f} on {os.cpu_count()} CPUs")
    return 0


if __name__ == "__main__":
    sys.exit(main())
