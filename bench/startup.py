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
"""
import argparse
import errno
import os
import re
import statistics
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
        ids = self.s.run(["xdotool", "search", "--pid", str(self.s.app.pid),
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
    args = parser.parse_args()
    args.binary = os.path.abspath(args.binary)
    if not re.match(r"http://127\.0\.0\.1:\d+/", args.notice_url) or \
            args.notice_url.encode() not in Path(args.binary).read_bytes():
        # Only a build that fetches its notice from the loopback address is
        # run here: any other build would reach out to its real site.
        print(f"{args.binary} was not built to fetch its notice from {args.notice_url}\n"
              "(configure with -DAVATRIX_NOTICE_URL=... and pass the same --notice-url)",
              file=sys.stderr)
        return 2
    if args.screenshot:
        screenshot(args.binary, args.notice_url, args.screenshot)
        return 0
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
