#!/usr/bin/python3
"""The avatar menu on the real binary: the right button on the picture box
opens it; "缩放填满头像框" shows a 1024 x 768 picture's centre square scaled
smoothly; "横批放到头像底部" puts the banner on the box's bottom edge; the
avatar that "复制头像" (Ctrl+Shift+C) puts on the clipboard matches the screen
and stays the same when a foreign window covers the box; "另存为 PNG…"
(Ctrl+Shift+S) writes a 184 x 184 PNG and asks before replacing it."""
import io
import subprocess
import sys
import tempfile
from pathlib import Path

from PIL import Image

import harness
from harness import ALPHA_BOX, ALPHA_BUTTON, OPEN_BUTTON, check, wait_for
from test_avatar_save import dialog, focused_dialog

BOX = 184
SAVE_TITLE = "另存为 PNG"
# The menu's entries in order, reached from the keyboard.
FIT, SNAP, OUTLINE, SHADOW, COPY, SAVE = range(6)


def picture_1024x768():
    """Smooth ramps with a few broad blocks: a smooth filter and another
    smooth filter agree closely on it, and every region looks different."""
    image = Image.new("RGB", (1024, 768))
    pixels = image.load()
    for y in range(768):
        for x in range(1024):
            pixels[x, y] = (x * 255 // 1023, y * 255 // 767, 128)
    for left, top, colour in ((200, 150, (250, 30, 30)), (560, 420, (20, 20, 240))):
        image.paste(colour, (left, top, left + 200, top + 160))
    return image


def differences(a, b):
    pa, pb = a.load(), b.load()
    return [abs(x - y) for j in range(a.height) for i in range(a.width)
            for x, y in zip(pa[i, j], pb[i, j])]


def clipboard(s, target):
    result = subprocess.run(["xclip", "-selection", "clipboard", "-t", target, "-o"],
                            env=s.env, capture_output=True, timeout=10)
    return result.stdout if result.returncode == 0 else b""


def test(new_session):
    s = new_session(compositor=True)
    work = Path(tempfile.mkdtemp(prefix="avatrix-menu-", dir=s.tmp))
    s.launch()
    wait_for(s.banner, 20, "the banner window")
    main = s.refresh(s.main)
    box_on_screen = (main.x, main.y, main.x + BOX, main.y + BOX)

    def box_now():
        return s.screenshot().crop(box_on_screen)

    def menu(entry):
        s.click(main.x + 92, main.y + 40, button=3)
        wait_for(lambda: s.program_menu(), 10, "the avatar menu")
        for _ in range(entry + 1):
            s.key("Down")
        s.key("Return")
        wait_for(lambda: s.program_menu() is None, 10, "the menu to close")

    # --- the picture: natural size first, then covering the box ----------
    source = picture_1024x768()
    path = s.tmp / "wide.png"
    source.save(path)
    s.click_unit(*OPEN_BUTTON[:2], width=OPEN_BUTTON[2], height=OPEN_BUTTON[3])
    wait_for(focused_dialog(s, "打开"), 20, "the open dialog")
    s.type(str(path))
    s.key("Return")
    # Above where the banner starts out, and later above where it is snapped.
    clear_at_start = (0, 0, BOX, 90)
    natural = source.crop((0, 0, BOX, BOX))
    wait_for(lambda: max(differences(box_now().crop(clear_at_start),
                                     natural.crop(clear_at_start))) <= 2,
             10, "the box to show the picture's top-left corner")

    menu(FIT)
    # The same smooth fit: scaled to cover by the shorter side, centre kept.
    scaled = source.resize((245, 184), Image.Resampling.BOX)
    expected = scaled.crop((30, 0, 30 + BOX, BOX))

    def fitted():
        diffs = differences(box_now().crop(clear_at_start), expected.crop(clear_at_start))
        return sum(diffs) / len(diffs) <= 2.5 and sorted(diffs)[int(len(diffs) * 0.99)] <= 16
    wait_for(fitted, 10, "the box to show the picture's centre square scaled smoothly")

    # --- the banner snapped to the bottom, opaque, with an outline -------
    s.click_unit(*ALPHA_BOX[:2], width=ALPHA_BOX[2], height=ALPHA_BOX[3])
    s.type("255")
    s.click_unit(*ALPHA_BUTTON[:2], width=ALPHA_BUTTON[2], height=ALPHA_BUTTON[3])
    menu(SNAP)
    banner = wait_for(lambda: (lambda b: b if b and (b.x, b.y + b.height, b.width) ==
                               (main.x, main.y + BOX, BOX) else None)(s.banner()),
                      10, "the banner to lie on the box's bottom edge, as wide as the box")
    check(banner.height == 51, f"the banner's height changed to {banner.height}")
    menu(OUTLINE)

    # --- copy: the composed avatar matches the screen --------------------
    s.activate(s.refresh(s.main))
    s.key("ctrl+shift+c")
    png = wait_for(lambda: clipboard(s, "image/png"), 10, "an avatar PNG on the clipboard")
    copied = Image.open(io.BytesIO(png)).convert("RGB")
    check(copied.size == (BOX, BOX), f"the copied avatar is {copied.size}")
    check(clipboard(s, "image/bmp")[:2] == b"BM", "no BMP flavour on the clipboard")
    shown = box_now()
    worst = max(differences(copied, shown))
    check(worst <= 8, f"the copied avatar differs from the screen by up to {worst}")
    # The banner's text is in it: the outline and the text make dark and light
    # pixels on the strip, which the picture alone has not there.
    strip = copied.crop((0, BOX - 51, BOX, BOX))
    check(max(differences(strip, expected.crop((0, BOX - 51, BOX, BOX)))) > 100,
          "the banner is missing from the copied avatar")

    # --- a foreign window over the box changes the screen, not the avatar -
    cover = subprocess.Popen(["xmessage", "-geometry", f"150x90+{main.x + 10}+{main.y + 10}",
                              "covering the avatar"], env=s.env,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    s.procs.append(cover)
    wait_for(lambda: max(differences(box_now(), shown)) > 100, 10,
             "the foreign window to show over the box")
    # Focus back to the program without raising it above the foreign window.
    s.xdotool("windowfocus", "--sync", s.main.id)
    subprocess.run(["xclip", "-selection", "clipboard", "-i", "/dev/null"], env=s.env)
    s.key("ctrl+shift+c")
    again = wait_for(lambda: clipboard(s, "image/png"), 10, "the avatar copied again")
    check(max(differences(box_now(), shown)) > 100, "the foreign window no longer covers the box")
    check(Image.open(io.BytesIO(again)).convert("RGB").tobytes() == copied.tobytes(),
          "a window over the box changed the copied avatar")
    cover.terminate()
    cover.wait(5)

    # --- save as PNG: the name, the picture, asking before replacing ------
    def save_as(name):
        s.activate(s.refresh(s.main))
        s.key("ctrl+shift+s")
        wait_for(focused_dialog(s, "另存为"), 20, "the PNG save dialog")
        s.type(str(name))
        s.key("Return")
        wait_for(lambda: dialog(s, "另存为") is None, 20, "the save dialog to close")

    saved = work / "avatar.png"
    save_as(work / "avatar")
    wait_for(lambda: saved.exists() and saved.stat().st_size > 0, 10, f"{saved} to be written")
    with Image.open(saved) as written:
        check(written.format == "PNG" and written.size == (BOX, BOX),
              f"wrote {written.format} {written.size}")
        check(written.convert("RGB").tobytes() == copied.tobytes(),
              "the saved avatar differs from the copied one")
    first = saved.read_bytes()
    menu(SHADOW)  # the next avatar differs from the saved one
    save_as(work / "avatar")
    wait_for(focused_dialog(s, SAVE_TITLE), 10, "the question before replacing")
    s.key("alt+n")
    wait_for(lambda: dialog(s, SAVE_TITLE) is None, 10, "the question to close")
    check(saved.read_bytes() == first, "a declined replacement changed the file")
    save_as(saved)
    wait_for(focused_dialog(s, SAVE_TITLE), 10, "the question before replacing again")
    s.key("alt+y")
    wait_for(lambda: saved.read_bytes() != first, 10, "the file to be replaced")
    check([p.name for p in work.iterdir()] == ["avatar.png"],
          f"files left behind: {sorted(p.name for p in work.iterdir())}")


if __name__ == "__main__":
    sys.exit(harness.main(test))
