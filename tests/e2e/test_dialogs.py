#!/usr/bin/python3
"""The program's dialogs on an English desktop (LANG=C) with openbox and no
compositor: the colour dialog is titled in Chinese and lies above the
always-on-top banner while it is open, the banner is back above the main
window once it closes, and the first "设置横批透明" says, once, that the
screen cannot show the opacity here."""
import re
import sys

import harness
from harness import ALPHA_BOX, ALPHA_BUTTON, BANNER_COLOUR, check, wait_for
from test_avatar_save import dialog, focused_dialog


def stacking(s):
    """The managed windows from the bottom up."""
    listed = s.run(["xprop", "-root", "_NET_CLIENT_LIST_STACKING"]).split("#", 1)[-1]
    return [int(v, 16) for v in re.findall(r"0x[0-9a-fA-F]+", listed)]


def above(s, upper, lower):
    order = stacking(s)
    return upper in order and lower in order and order.index(upper) > order.index(lower)


def opacity(s, window):
    out = s.run(["xprop", "-id", str(window.id), "_NET_WM_WINDOW_OPACITY"]).strip()
    return out if "=" in out else None


def test(new_session):
    s = new_session()
    s.env.update(LANG="C", LC_ALL="C", LANGUAGE="")
    s.launch()
    banner = wait_for(s.banner, 20, "the banner window")
    main = s.refresh(s.main)
    check(above(s, banner.id, main.id), "the banner does not lie above the main window")

    # --- opacity without a compositor: said once ---------------------------
    def set_alpha(text):
        s.click_unit(*ALPHA_BOX[:2], width=ALPHA_BOX[2], height=ALPHA_BOX[3])
        s.key("ctrl+a")
        s.key("BackSpace")
        s.type(text)
        s.click_unit(*ALPHA_BUTTON[:2], width=ALPHA_BUTTON[2], height=ALPHA_BUTTON[3])

    set_alpha("100")
    told = wait_for(focused_dialog(s, "信息："), 20, "the note that opacity cannot show")
    check(above(s, told.id, banner.id), "the message box lies under the banner")
    s.save_screenshot("no-compositor.png")
    s.key("Return")
    wait_for(lambda: dialog(s, "信息：") is None, 20, "the message box to close")
    first = wait_for(lambda: opacity(s, banner), 10, "the banner's opacity property")
    set_alpha("200")
    wait_for(lambda: opacity(s, banner) not in (None, first), 10,
             "the second opacity to be applied")

    # --- the colour dialog: the banner colour list's last entry ------------
    s.click_unit(*BANNER_COLOUR[:2], width=BANNER_COLOUR[2], height=BANNER_COLOUR[3])
    s.key("End")
    s.key("Return")
    colour = wait_for(focused_dialog(s, "选择颜色"), 20, "the colour dialog, titled in Chinese")
    wait_for(lambda: above(s, colour.id, banner.id), 10, "the colour dialog above the banner")
    # Had the second use said it again, its box would hold the program and
    # the colour dialog could not have opened.
    check(dialog(s, "信息：") is None, "the second use said it again")
    s.save_screenshot("colour-dialog.png")
    s.key("Escape")
    wait_for(lambda: dialog(s, "选择颜色") is None, 20, "the colour dialog to close")
    wait_for(lambda: above(s, banner.id, main.id), 10, "the banner back above the main window")


if __name__ == "__main__":
    sys.exit(harness.main(test))
