#!/usr/bin/python3
"""Files dragged onto the real binary over X drag and drop: one picture
dropped on the picture box shows there, a drop elsewhere on the main window
is refused and leaves the box alone, and two files dropped at once leave the
box without a picture."""
import subprocess
import sys

from PIL import Image

import harness
from harness import SAVE_BUTTON, check, mean_colour, wait_for

BOX = 184
# Inside the box, clear of its edges.
BOX_INSIDE = (8, 8, BOX - 8, BOX - 8)
# Where the drag source window asks to be placed: clear of the main window.
SOURCE_SPOT = (1100, 800)
FIRST_COLOUR = (40, 200, 120)
SECOND_COLOUR = (200, 60, 160)

DRAG_SOURCE = None


def close_to(a, b, tolerance):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


def overlaps(a, b):
    return a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]


def solid_jpeg(s, name, colour):
    path = s.tmp / name
    Image.new("RGB", (BOX, BOX), colour).save(path, format="JPEG", quality=95)
    return path


class Drag:
    """A drag source window holding `files`, dragged to the screen point
    `target`. Used as a context: the source stays up until the block ends,
    because the program reads the dropped file list from it after the drop."""

    def __init__(self, s, files, target, wait_for_acceptance=True):
        self.s, self.files, self.target = s, files, target
        self.wait_for_acceptance = wait_for_acceptance
        self.out = s.tmp / "drag_source.out"
        self.source = None

    def __enter__(self):
        s = self.s
        with open(self.out, "w") as sink:
            self.source = subprocess.Popen(
                [DRAG_SOURCE, str(SOURCE_SPOT[0]), str(SOURCE_SPOT[1]), *map(str, self.files)],
                env=s.env, stdout=sink, stderr=subprocess.STDOUT)
        try:
            self._drag()
        except BaseException:
            self._end()
            raise
        return self

    def __exit__(self, *exc):
        self._end()

    def said(self):
        return self.out.read_text()

    def _source_window(self):
        for wid in self.s.run(["xdotool", "search", "--pid", str(self.source.pid)]).split():
            w = self.s.info(int(wid))
            if w and w.mapped and w.name == "drag source" and w.width == 120:
                return w
        check(self.source.poll() is None, f"the drag source ended: {self.said()}")
        return None

    def _drag(self):
        s, target = self.s, self.target
        window = wait_for(self._source_window, 20, "the drag source window")
        start = (window.x + 60, window.y + 60)
        s.xdotool("mousemove", "--sync", *start)
        s.xdotool("mousedown", 1)
        wait_for(lambda: "dragging" in self.said(), 10, "the drag to start")
        # Several steps, so the target sees the pointer enter and move.
        steps = 8
        for step in range(1, steps + 1):
            s.xdotool("mousemove", "--sync",
                      start[0] + (target[0] - start[0]) * step // steps,
                      start[1] + (target[1] - start[1]) * step // steps)
        # One more small move on the target, so its answer to the last
        # position is in before the button comes up.
        s.xdotool("mousemove", "--sync", target[0] + 1, target[1] + 1)
        if self.wait_for_acceptance:
            # Released before the target's answer arrives, a drag ends refused.
            wait_for(lambda: self.said().rstrip().endswith("target accepts"), 10,
                     "the target to accept the drag")
        s.xdotool("mouseup", 1)
        self.outcome = wait_for(
            lambda: next((w for w in ("accepted", "refused") if w in self.said()), None),
            20, "the drag to end")

    def _end(self):
        if self.source.poll() is None:
            self.source.terminate()
            try:
                self.source.wait(10)
            except subprocess.TimeoutExpired:
                self.source.kill()
                self.source.wait()


def test(new_session):
    s = new_session()
    s.launch()
    # The banner comes up only once start-up has finished, which is also
    # when the box starts taking drops.
    banner = wait_for(s.banner, 20, "the banner window")
    main = s.refresh(s.main)
    box = (main.x, main.y, main.x + BOX, main.y + BOX)
    if overlaps((banner.x, banner.y, banner.x + banner.width, banner.y + banner.height),
                (main.x, main.y, main.x + main.width, main.y + main.height)):
        s.xdotool("windowmove", banner.id, 100, 700)
        wait_for(lambda: (lambda b: b and b.y >= 700)(s.refresh(banner)), 10,
                 "the banner to move off the main window")

    def box_colour():
        return mean_colour(s.screenshot().crop(box), BOX_INSIDE)

    def box_shows(colour):
        return lambda: close_to(box_colour(), colour, 6)

    box_centre = (main.x + BOX // 2, main.y + BOX // 2)
    # The window's own background, where no unit lies: the strip between the
    # box and the edit box and labels to its right.
    backdrop = mean_colour(s.screenshot(), (main.x + BOX + 1, main.y + 28,
                                            main.x + BOX + 7, main.y + 92))

    # --- one picture on the box -----------------------------------------
    check(not close_to(box_colour(), FIRST_COLOUR, 30),
          "the box already looks like the test picture; the test would prove nothing")
    first = solid_jpeg(s, "first.jpg", FIRST_COLOUR)
    with Drag(s, [first], box_centre) as d:
        check(d.outcome == "accepted", "the drop of one picture on the box was refused")
        wait_for(box_shows(FIRST_COLOUR), 10, "the box to show the dropped picture")

    # --- a drop on another part of the main window ------------------------
    second = solid_jpeg(s, "second.jpg", SECOND_COLOUR)
    # The "保存头像" button: part of the main window that takes no drops.
    button = (main.x + SAVE_BUTTON[0] + SAVE_BUTTON[2] // 2,
              main.y + SAVE_BUTTON[1] + SAVE_BUTTON[3] // 2)
    with Drag(s, [second], button, wait_for_acceptance=False) as d:
        check(d.outcome == "refused", "a drop on the save button was taken")
        # Refused, the drop is never sent, so nothing can change the box later.
        check(close_to(box_colour(), FIRST_COLOUR, 6),
              f"a drop beside the box changed it to {box_colour()}")

    # --- two files at once ----------------------------------------------
    def emptied():
        shot = s.screenshot().crop(box)
        colour = mean_colour(shot, BOX_INSIDE)
        low, high = zip(*shot.crop(BOX_INSIDE).getextrema())
        plain = all(h - lo <= 6 for lo, h in zip(low, high))
        return plain and close_to(colour, backdrop, 6)

    with Drag(s, [first, second], box_centre) as d:
        check(d.outcome == "accepted", "the drop of two files on the box was refused")
        wait_for(emptied, 10, f"the box to show its plain background {backdrop}")


if __name__ == "__main__":
    for arg in list(sys.argv[1:]):
        if arg.startswith("--drag-source="):
            DRAG_SOURCE = arg.split("=", 1)[1]
            sys.argv.remove(arg)
    if not DRAG_SOURCE:
        print("usage: test_picture_drop.py <path to avatrix> --drag-source=<path> "
              "[--notice-url=<build's notice address>]", file=sys.stderr)
        sys.exit(2)
    sys.exit(harness.main(test))
