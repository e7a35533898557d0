#!/usr/bin/python3
"""The avatar round trip on the real binary: the banner dragged over the
picture box, "保存头像" writes what the screen shows there as a 16-bit BMP
under the typed name plus ".jpg" (asking first when that file exists), a
cancelled save dialog touches nothing, names GBK cannot hold are saved and
opened as typed, and "打开图片" shows a chosen JPEG in the box (or, cancelled,
changes nothing, even with a picture under the name last chosen in either
dialog). A saved avatar is confirmed by a brief note beside the box, and No or
Esc on the question about replacing a file keeps it."""
import os
import struct
import sys
import tempfile
from pathlib import Path

from PIL import Image

import harness
from harness import (BANNER_COLOUR, OPEN_BUTTON, SAVE_BUTTON, TEXT_BOX, check, dialog,
                     focused_dialog, mean_colour, wait_for)

BOX = 184
# Where the banner's top-left corner is dragged to, relative to the box.
BANNER_SPOT = (2, 70)
# The colour of the test picture: nothing on the default screen looks like it.
PICTURE_COLOUR = (40, 200, 120)
SHARED_NAME_COLOUR = (200, 60, 160)



def note(s, prefix):
    """The program's confirmation note, if one shows: a mapped window of its
    own that bypasses the window manager, named by its text."""
    w = s.program_menu()
    return w if w and w.name.startswith(prefix) else None


def close_to(a, b, tolerance):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


def test(new_session):
    s = new_session()
    work = Path(tempfile.mkdtemp(prefix="avatrix-save-", dir=s.tmp))
    s.launch()
    banner = wait_for(s.banner, 20, "the banner window")
    main = s.refresh(s.main)

    # Short text on the banner, so the strip and the label both show plainly.
    s.click_unit(*TEXT_BOX[:2], width=TEXT_BOX[2], height=TEXT_BOX[3])
    s.type("AB")
    s.key("Return")

    # A blue banner: the fifth entry after "默认" in the banner colour list.
    s.click_unit(*BANNER_COLOUR[:2], width=BANNER_COLOUR[2], height=BANNER_COLOUR[3])
    for _ in range(5):
        s.key("Down")
    s.key("Return")
    on_screen = (banner.x + 4, banner.y + 30, banner.x + banner.width - 4, banner.y + 48)
    wait_for(lambda: close_to(mean_colour(s.screenshot(), on_screen), (0, 0, 255), 4), 10,
             "the banner to turn blue")

    # Drag the banner by its background strip over the picture box.
    grip = (banner.width // 2, 37)
    target = (main.x + BANNER_SPOT[0], main.y + BANNER_SPOT[1])
    s.xdotool("mousemove", "--sync", banner.x + grip[0], banner.y + grip[1])
    s.xdotool("mousedown", 1)
    # Several steps: a single jump may not count as a drag.
    for step in range(1, 6):
        s.xdotool("mousemove", "--sync",
                  banner.x + grip[0] + (target[0] - banner.x) * step // 5,
                  banner.y + grip[1] + (target[1] - banner.y) * step // 5)
    s.xdotool("mouseup", 1)
    banner = wait_for(lambda: (lambda b: b if b and (b.x, b.y) == target else None)(s.banner()),
                      10, f"the banner to lie at {target}")

    box_on_screen = (main.x, main.y, main.x + BOX, main.y + BOX)
    in_box = (BANNER_SPOT[0], BANNER_SPOT[1],
              BANNER_SPOT[0] + banner.width, BANNER_SPOT[1] + banner.height)
    strip = (in_box[0] + 4, in_box[1] + 30, in_box[2] - 4, in_box[1] + 48)
    above = (4, 4, BOX - 4, BANNER_SPOT[1] - 4)

    def save_as(path_without_extension):
        s.click_unit(*SAVE_BUTTON[:2], width=SAVE_BUTTON[2], height=SAVE_BUTTON[3])
        wait_for(focused_dialog(s, "另存为"), 20, "the save dialog")
        s.type(str(path_without_extension))
        s.key("Return")
        wait_for(lambda: dialog(s, "另存为") is None, 20, "the save dialog to close")

    # --- a confirmed save --------------------------------------------------
    # The box as the screen shows it, just before the save copies it.
    before = s.screenshot().crop(box_on_screen)
    # The banner covers part of the box: its strip looks unlike the picture above it.
    check(not close_to(mean_colour(before, strip), mean_colour(before, above), 12),
          "the banner strip and the picture look alike; the test would prove nothing")
    name = work / "avatar"
    saved = Path(str(name) + ".jpg")
    save_as(name)
    wait_for(lambda: saved.exists() and saved.stat().st_size == 67770, 10,
             f"{saved} to be written with 67,770 bytes")
    check(not name.exists(), "the file was written without the added extension")
    # A brief note says so, beside the avatar and never on it.
    shown = wait_for(lambda: note(s, "已保存"), 10, "the note that the avatar was saved")
    check(shown.name == "已保存“avatar.jpg”", f"the note says {shown.name!r}")
    check(shown.y >= main.y + BOX or shown.y + shown.height <= main.y
          or shown.x >= main.x + BOX or shown.x + shown.width <= main.x,
          f"the note {shown} lies on the avatar box")
    s.save_screenshot("saved-note.png")
    data = saved.read_bytes()
    check(data[:2] == b"BM", f"file starts {data[:2]!r}")
    check(struct.unpack_from("<I", data, 10)[0] == 58, "pixel data not at byte 58")
    width, height = struct.unpack_from("<ii", data, 18)
    check((width, height) == (BOX, BOX), f"image is {width} x {height}")
    check(struct.unpack_from("<H", data, 28)[0] == 16, "image is not 16 bits per pixel")

    # Read by PIL, not by the program's own code: 5 bits per channel, so
    # each channel may differ from the screen by the bits dropped.
    image = Image.open(saved).convert("RGB")
    check(image.size == (BOX, BOX), f"PIL reads {image.size}")
    got, want = image.load(), before.load()
    worst = max(abs(a - b) for y in range(BOX) for x in range(BOX)
                for a, b in zip(got[x, y], want[x, y]))
    check(worst <= 8, f"saved pixels differ from the screen by up to {worst}")
    # Where the banner lay, the file shows the banner, not the picture.
    check(close_to(mean_colour(image, strip), (0, 0, 255), 8),
          f"banner strip saved as {mean_colour(image, strip)}")
    check(close_to(mean_colour(image, above), mean_colour(before, above), 8),
          "the picture above the banner differs from the screen")

    # --- a cancelled save touches nothing ------------------------------------
    stamp = saved.stat().st_mtime_ns
    listing = sorted(os.listdir(work))
    s.click_unit(*SAVE_BUTTON[:2], width=SAVE_BUTTON[2], height=SAVE_BUTTON[3])
    wait_for(focused_dialog(s, "另存为"), 20, "the save dialog again")
    s.key("Escape")
    wait_for(lambda: dialog(s, "另存为") is None, 20, "the cancelled dialog to close")
    check(saved.read_bytes() == data and saved.stat().st_mtime_ns == stamp,
          "a cancelled save changed the earlier file")
    check(sorted(os.listdir(work)) == listing, f"a cancelled save wrote {os.listdir(work)}")

    # --- the file really written is the one asked about ----------------------
    # "avatar" typed again: "avatar.jpg" exists, so the program asks first.
    # No, and Esc as well, leave the file as it was.
    for key, answer in (("alt+n", "answering No"), ("Escape", "Esc on the question")):
        save_as(name)
        wait_for(focused_dialog(s, "信息："), 20, "the question about replacing avatar.jpg")
        s.key(key)
        wait_for(lambda: dialog(s, "信息：") is None, 20, f"{answer} to close the question")
        check(saved.read_bytes() == data and saved.stat().st_mtime_ns == stamp,
              f"{answer} replaced the file")
    wait_for(lambda: note(s, "已保存") is None, 10, "the note to go away by itself")

    # --- opening a picture -------------------------------------------------
    def box_shows(colour):
        return lambda: close_to(mean_colour(s.screenshot().crop(box_on_screen), above), colour, 6)

    # The open dialog shares the save dialog's file name; cancelled, it still
    # reads nothing, not even a picture that now has the name typed for the save.
    # The open dialog, centred on the window, leaves the box's left edge in view.
    left_edge = (4, 4, 40, BANNER_SPOT[1] - 4)
    before = mean_colour(s.screenshot().crop(box_on_screen), left_edge)
    s.click_unit(*OPEN_BUTTON[:2], width=OPEN_BUTTON[2], height=OPEN_BUTTON[3])
    wait_for(focused_dialog(s, "打开"), 20, "the open dialog")
    # By now the cancelled save has surely finished: still nothing written.
    check(saved.stat().st_mtime_ns == stamp and sorted(os.listdir(work)) == listing,
          "a cancelled save wrote late")
    Image.new("RGB", (200, 200), SHARED_NAME_COLOUR).save(name, format="JPEG", quality=95)
    s.key("Escape")
    wait_for(lambda: dialog(s, "打开") is None, 20, "the cancelled open dialog to close")
    # Opening the dialog again proves the cancelled handler has finished and
    # the box has been repainted.
    s.click_unit(*OPEN_BUTTON[:2], width=OPEN_BUTTON[2], height=OPEN_BUTTON[3])
    wait_for(focused_dialog(s, "打开"), 20, "the open dialog again")
    check(close_to(mean_colour(s.screenshot().crop(box_on_screen), left_edge), before, 6),
          "a cancelled open changed the picture")
    s.key("Escape")
    wait_for(lambda: dialog(s, "打开") is None, 20, "the open dialog to close again")

    def open_picture(path, colour):
        s.click_unit(*OPEN_BUTTON[:2], width=OPEN_BUTTON[2], height=OPEN_BUTTON[3])
        wait_for(focused_dialog(s, "打开"), 20, f"the open dialog for {path.name}")
        s.type(str(path))
        s.key("Return")
        wait_for(lambda: dialog(s, "打开") is None, 20, "the open dialog to close")
        wait_for(box_shows(colour), 10, f"the box to show {path.name}")

    picture = s.tmp / "solid.jpg"
    Image.new("RGB", (200, 200), PICTURE_COLOUR).save(picture, quality=95)
    open_picture(picture, PICTURE_COLOUR)

    # --- names GBK cannot hold are saved and opened exactly as typed ---------
    for stem in ("château", "아바타"):
        save_as(work / stem)
        target = work / (stem + ".jpg")
        wait_for(lambda: target.exists() and target.stat().st_size == 67770, 10,
                 f"{target} to be written")
    check(not (work / "chateau.jpg").exists(), "château was saved as chateau")
    hangul = work / "아바타.jpg"
    Image.new("RGB", (200, 200), SHARED_NAME_COLOUR).save(hangul, format="JPEG", quality=95)
    s.activate(main)
    open_picture(hangul, SHARED_NAME_COLOUR)

if __name__ == "__main__":
    sys.exit(harness.main(test))
