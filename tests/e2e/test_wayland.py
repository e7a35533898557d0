#!/usr/bin/python3
"""The program on a Wayland desktop: weston with Xwayland, the mouse and keys
going through the compositor. There the screen cannot be read, so "保存头像"
writes the avatar the program composes, and it must match what the
compositor shows under the box; and after "隐藏", where ALT+F12 reaches no
hidden window, starting the program again brings its windows back."""
import struct
import sys

from PIL import Image, ImageStat

import harness
from harness import HIDE, SAVE_BUTTON, TEXT_BOX, check, dialog, focused_dialog, wait_for

BOX = 184
# Where the banner's top-left corner is moved to, relative to the box.
BANNER_SPOT = (2, 70)
# How far weston's shadow around an undecorated window reaches.
SHADOW = 24



def compositor_move(s, window, grip, target):
    """Drags a window by the point `grip` (relative to its corner) to `target`
    with the compositor's own move, the logo key held: weston does not let X
    windows place themselves. The window comes up above the others."""
    start = (window.x + grip[0], window.y + grip[1])
    s.move_pointer(*start)
    s.xdotool("keydown", "super")
    s.xdotool("mousedown", 1)
    for step in range(1, 6):
        s.xdotool("mousemove", "--sync", start[0] + (target[0] - window.x) * step // 5,
                  start[1] + (target[1] - window.y) * step // 5)
    s.xdotool("mouseup", 1)
    s.xdotool("keyup", "super")
    return wait_for(lambda: (lambda w: w if w and (w.x, w.y) == target else None)(
        s.refresh(window)), 10, f"{window} to lie at {target}")


def inside(point, window):
    return (window.x <= point[0] < window.x + window.width
            and window.y <= point[1] < window.y + window.height)


def uncover_banner(s, main, banner):
    """weston places windows where it likes, and may put the main window over
    the banner: the main window goes to the half of the screen the banner is
    not in, taken by a point of it the banner does not cover."""
    grip = next(g for g in ((700, 100), (400, 170), (100, 20), (700, 20))
                if not inside((main.x + g[0], main.y + g[1]), banner))
    top = 40 if banner.y >= s.host_size[1] // 2 else s.host_size[1] // 2 + 60
    return compositor_move(s, main, grip, (main.x, top))


def steady_box(s, box, strip):
    """The box as the compositor shows it once it has caught up: the banner's
    plain strip in place, and two screenshots in a row alike."""
    previous = []

    def probe():
        shot = s.screenshot().crop(box)
        plain = max(ImageStat.Stat(shot.crop(strip)).stddev) < 2
        same = previous and list(previous[-1].getdata()) == list(shot.getdata())
        previous.append(shot)
        return shot if plain and same else None
    return wait_for(probe, 20, "the compositor to show the banner over the box")


def save_composed_avatar(s):
    banner = wait_for(s.banner, 20, "the banner window")
    main = s.refresh(s.main)
    s.click_unit(*TEXT_BOX[:2], width=TEXT_BOX[2], height=TEXT_BOX[3])
    s.type("AB")
    s.key("Return")

    # weston may still have been placing the windows when they were first
    # seen: where they are is read again before each use.
    main = s.main = uncover_banner(s, s.refresh(main), s.refresh(banner))
    banner = s.refresh(banner)
    # A plain click brings the banner above the main window; the move that
    # follows keeps it there.
    s.click(banner.x + banner.width // 2, banner.y + 37)
    target = (main.x + BANNER_SPOT[0], main.y + BANNER_SPOT[1])
    banner = compositor_move(s, banner, (banner.width // 2, banner.height // 2), target)
    # The pointer is drawn on the screen: out of the way.
    s.move_pointer(s.host_size[0] - 4, s.host_size[1] - 4, over_program=False)
    box = (main.x, main.y, main.x + BOX, main.y + BOX)
    strip = (BANNER_SPOT[0] + 4, BANNER_SPOT[1] + 30,
             BANNER_SPOT[0] + banner.width - 4, BANNER_SPOT[1] + 48)
    before = steady_box(s, box, strip)
    above = (4, 4, BOX - 4, BANNER_SPOT[1] - 4)
    check(max(ImageStat.Stat(before.crop(above)).stddev) > 10,
          "the picture above the banner looks plain; the test would prove nothing")

    s.click_unit(*SAVE_BUTTON[:2], width=SAVE_BUTTON[2], height=SAVE_BUTTON[3])
    wait_for(focused_dialog(s, "另存为"), 20, "the save dialog")
    name = s.tmp / "avatar"
    saved = s.tmp / "avatar.jpg"
    s.type(str(name))
    s.key("Return")
    wait_for(lambda: saved.exists() and saved.stat().st_size == 67770, 20,
             f"{saved} to be written with 67,770 bytes")
    wait_for(lambda: dialog(s, "另存为") is None, 20, "the save dialog to close")
    check(dialog(s, "信息：") is None, "a message showed instead of a plain save")
    data = saved.read_bytes()
    check(data[:2] == b"BM" and struct.unpack_from("<I", data, 10)[0] == 58,
          "not the BMP layout")
    check(struct.unpack_from("<ii", data, 18) == (BOX, BOX), "not the box's size")
    check(struct.unpack_from("<H", data, 28)[0] == 16, "not 16 bits per pixel")

    # Read by PIL: each channel may lose the three bits the file drops.
    # weston draws a shadow around the banner, outside its window: that ring
    # is the compositor's, not the avatar's, and is left out.
    image = Image.open(saved).convert("RGB")
    got, want = image.load(), before.load()
    client = (BANNER_SPOT[0], BANNER_SPOT[1], BANNER_SPOT[0] + banner.width,
              BANNER_SPOT[1] + banner.height)

    def compared(x, y):
        in_client = client[0] <= x < client[2] and client[1] <= y < client[3]
        near = (client[0] - SHADOW <= x < client[2] + SHADOW
                and client[1] - SHADOW <= y < client[3] + SHADOW)
        return in_client or not near

    points = [(x, y) for y in range(BOX) for x in range(BOX) if compared(x, y)]
    check(len(points) > BOX * BOX // 2, "too little of the box is compared")
    worst = max(abs(a - b) for x, y in points for a, b in zip(got[x, y], want[x, y]))
    if worst > 8:
        shown = s.save_screenshot("wayland-screen.png").with_name("wayland-box.png")
        before.save(shown)
        image.save(shown.with_name("wayland-saved.png"))
    check(worst <= 8, f"the saved avatar differs from the compositor's screen by up to {worst}"
          f" (both kept beside {shown if worst > 8 else ''})")


def second_start_brings_back(s):
    main, banner = s.refresh(s.main), wait_for(s.banner, 20, "the banner window")
    s.click_unit(*HIDE[:2], width=HIDE[2], height=HIDE[3])
    hint = wait_for(lambda: s.window_named("Mirrowen温馨提示"), 10, "the hint box")
    check(not s.refresh(main).mapped and not s.refresh(banner).mapped,
          "a window is still shown under the hint box")
    wait_for(focused_dialog(s, hint.name), 10, "the hint box to have the keyboard")
    s.key("Return")
    wait_for(lambda: s.refresh(hint) is None or not s.refresh(hint).mapped, 10,
             "the hint box to close")
    check(not s.refresh(main).mapped and not s.refresh(banner).mapped,
          "a window came back by itself")

    asked = len(s.notice_requests)
    status, output = s.start_again()
    check(status == 0, f"the second start ended with {status}: {output}")
    check(len(s.notice_requests) == asked, "the second start asked for the notice")
    wait_for(lambda: s.refresh(main).mapped and s.refresh(banner).mapped, 10,
             "the second start to bring both windows back")
    check(s.app.poll() is None, "the first copy ended")
    # The compositor shows them again: the main window's picture box is no
    # longer the desktop's background.
    main = s.refresh(main)
    wait_for(lambda: s.screenshot().getpixel((main.x + 92, main.y + 20))
             != harness.WESTON_BACKGROUND, 10, "the compositor to show the main window")


def test(new_session):
    s = new_session(wayland=True)
    s.launch()
    save_composed_avatar(s)
    second_start_brings_back(s)


if __name__ == "__main__":
    sys.exit(harness.main(test))
