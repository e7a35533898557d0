#!/usr/bin/python3
""""隐藏" hides both windows and tells how to get them back; ALT+F12 shows
them again where they were, and so does starting the program again, which
then ends at once."""
import signal
import sys

from PIL import Image, ImageChops, ImageStat

import harness
from harness import HIDE, SOURCE_DIR, check, wait_for


def pictures_show_their_corners(s, main):
    """Both built-in pictures show at natural size from their top-left
    corners, so the screen matches the top of each file's picture (above the
    banner and the support caption, which lie over the lower parts)."""
    shot = s.screenshot()
    for name, left, rows in (("avatar.jpg", 0, 90), ("support.jpg", 624, 70)):
        picture = Image.open(SOURCE_DIR / "src" / "windows" / "pictures" / name).convert("RGB")
        screen = shot.crop((main.x + left, main.y, main.x + left + 184, main.y + rows))
        difference = ImageStat.Stat(ImageChops.difference(screen, picture.crop((0, 0, 184, rows))))
        check(max(difference.mean) < 6, f"{name} on screen differs by {difference.mean}")


def test(new_session):
    s = new_session()
    s.launch()
    banner = wait_for(s.banner, 20, "the banner window")
    main = s.refresh(s.main)
    pictures_show_their_corners(s, main)

    s.click_unit(*HIDE[:2], width=HIDE[2], height=HIDE[3])
    hint = wait_for(lambda: s.window_named("Mirrowen温馨提示"), 10, "the hint box")
    check(not s.refresh(main).mapped, "the main window is still shown under the hint box")
    check(not s.refresh(banner).mapped, "the banner is still shown under the hint box")

    s.activate(hint)
    s.key("Return")
    wait_for(lambda: s.window_named("Mirrowen温馨提示") is None, 10, "the hint box to close")
    check(not s.refresh(main).mapped and not s.refresh(banner).mapped,
          "a window came back before ALT+F12")
    check(s.app.poll() is None, "the program ended while hidden")

    s.key("alt+F12")
    wait_for(lambda: s.refresh(main).mapped and s.refresh(banner).mapped, 10,
             "ALT+F12 to show both windows")
    for before in (main, banner):
        after = s.refresh(before)
        check((after.x, after.y, after.width, after.height) ==
              (before.x, before.y, before.width, before.height),
              f"{before} came back as {after}")

    # Pressing it again with both shown changes nothing. The press on the
    # support picture that follows is handled after the key, so once its
    # pages are asked for, the key has been dealt with.
    s.key("alt+F12")
    s.click_unit(624, 0, dx=92, dy=150)
    wait_for(lambda: len(s.opened()) >= 2, 10, "the support pages after the key")
    for before in (main, banner):
        after = s.refresh(before)
        check(after.mapped and (after.x, after.y) == (before.x, before.y), f"{after} moved")

    # Hidden again, a second start brings both back where they were and ends
    # with 0, without a notice check of its own.
    s.click_unit(*HIDE[:2], width=HIDE[2], height=HIDE[3])
    hint = wait_for(lambda: s.window_named("Mirrowen温馨提示"), 10, "the hint box again")
    s.activate(hint)
    s.key("Return")
    wait_for(lambda: s.window_named("Mirrowen温馨提示") is None, 10, "the hint box to close")
    check(not s.refresh(main).mapped and not s.refresh(banner).mapped, "not hidden again")
    asked = len(s.notice_requests)
    status, output = s.start_again()
    check(status == 0, f"the second start ended with {status}: {output}")
    wait_for(lambda: s.refresh(main).mapped and s.refresh(banner).mapped, 10,
             "the second start to show both windows")
    for before in (main, banner):
        after = s.refresh(before)
        check((after.x, after.y) == (before.x, before.y), f"{before} came back as {after}")
    check(len(s.notice_requests) == asked, "the second start asked for the notice")
    check(s.app.poll() is None, "the first copy ended")

    # The socket the program listens on goes with it.
    check(list(s.runtime.glob("avatrix-*")), "no socket in the runtime folder")
    s.app.send_signal(signal.SIGTERM)
    s.wait_exit()
    check(not list(s.runtime.glob("avatrix-*")), "the socket outlived the program")


if __name__ == "__main__":
    sys.exit(harness.main(test))
