#!/usr/bin/python3
"""Every way of closing the main window asks first: Esc, the close box and
the window menu's Close. Cancel keeps everything; OK shows the credit box,
opens the author's page and ends the program with exit code 0. The support
picture opens two pages per press."""
import re
import sys

import harness
from harness import check, program_text, wait_for

QUESTION = "是否要关闭"
CREDIT = "温馨提示："


def frame_extents(s, window):
    out = s.run(["xprop", "-id", str(window.id), "_NET_FRAME_EXTENTS"])
    numbers = [int(v) for v in re.findall(r"\d+", out.split("=", 1)[-1])]
    check(len(numbers) == 4, f"no frame extents for {window}: {out!r}")
    return numbers  # left, right, top, bottom


def ask_and_cancel(s, request, how):
    request()
    box = wait_for(lambda: s.window_named(QUESTION), 10, f"the question after {how}")
    s.activate(box)
    s.key("Escape")
    wait_for(lambda: s.window_named(QUESTION) is None, 10, f"the question to go ({how})")
    check(s.app.poll() is None, f"the program ended after Cancel ({how})")
    check(s.refresh(s.main).mapped, f"the main window went away after Cancel ({how})")


def test(new_session):
    s = new_session()
    s.launch()
    banner = wait_for(s.banner, 20, "the banner window")
    main = s.refresh(s.main)

    # One press on the support picture, then one on its caption: two pages each.
    shop, space = program_text("kSupportShopAddress"), program_text("kWebSpaceAddress")
    s.click_unit(624, 0, dx=92, dy=150)
    wait_for(lambda: len(s.opened()) >= 2, 10, "two pages from the support picture")
    s.click_unit(624, 72, dx=92, dy=12)
    wait_for(lambda: len(s.opened()) >= 4, 10, "two pages from the support caption")
    # Each page's opener runs on its own, so within a press either may record first.
    pages = s.opened()
    check(sorted(pages[:2]) == sorted(pages[2:]) == sorted([shop, space]), f"opened {pages}")

    def escape():
        s.activate(s.main)
        s.key("Escape")

    def close_box():
        left, right, top, _ = frame_extents(s, main)
        # The close box is the right-most title-bar button.
        s.click(main.x + main.width + right - 12, main.y - top // 2)

    def window_menu_close():
        s.activate(s.main)
        s.key("alt+space")
        wait_for(s.popup_menu, 10, "the window menu")
        s.key("Up")  # from nothing selected, Up selects the last item: Close
        s.key("Return")

    for how, request in (("Esc", escape), ("the close box", close_box),
                         ("the window menu", window_menu_close)):
        ask_and_cancel(s, request, how)
    check(s.refresh(banner).mapped, "the banner went away")
    check(len(s.opened()) == 4, f"Cancel opened a page: {s.opened()}")

    # OK: the credit box, the author's page, exit code 0.
    escape()
    box = wait_for(lambda: s.window_named(QUESTION), 10, "the question")
    s.activate(box)
    s.key("Return")
    credit = wait_for(lambda: s.window_named(CREDIT), 10, "the credit box")
    check(len(s.opened()) == 4, "the page opened before the credit box was closed")
    s.activate(credit)
    s.key("Return")
    code = s.wait_exit()
    check(code == 0, f"exit code {code}")
    check(not list(s.runtime.glob("avatrix-*")), "the program's socket outlived it")
    # The opener runs on its own and may still be writing after the program ends.
    author = [program_text("kAuthorPageAddress")]
    wait_for(lambda: s.opened()[4:] == author, 10, "the author's page to be opened, alone")


if __name__ == "__main__":
    sys.exit(harness.main(test))
