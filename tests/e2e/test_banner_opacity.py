#!/usr/bin/python3
"""With a compositor running, "设置横批透明" blends the banner with what lies
beneath it: 0 invisible, 128 half way, out-of-range values opaque."""
import sys

import harness
from harness import ALPHA_BOX, ALPHA_BUTTON, check, mean_colour, wait_for


def test(new_session):
    s = new_session(compositor=True)
    s.launch()
    banner = wait_for(s.banner, 20, "the banner window")
    # The strip below the label: the banner's own background.
    strip = (banner.x + 4, banner.y + 30, banner.x + banner.width - 4, banner.y + 48)

    def set_alpha(text):
        s.click_unit(*ALPHA_BOX[:2], width=ALPHA_BOX[2], height=ALPHA_BOX[3])
        s.key("ctrl+a")
        s.key("BackSpace")
        if text:
            s.type(text)
        s.click_unit(*ALPHA_BUTTON[:2], width=ALPHA_BUTTON[2], height=ALPHA_BUTTON[3])

    def settles_near(target, tolerance):
        def probe():
            colour = mean_colour(s.screenshot(), strip)
            return colour if all(abs(a - b) <= tolerance for a, b in zip(colour, target)) else None
        return probe

    opaque = wait_for(lambda: mean_colour(s.screenshot(), strip), 5, "a first screenshot")

    set_alpha("0")
    beneath = wait_for(lambda: (lambda c: c if max(abs(a - b) for a, b in zip(c, opaque)) > 20
                                else None)(mean_colour(s.screenshot(), strip)), 10,
                       "the banner to turn invisible")
    check(s.refresh(banner).mapped, "an invisible banner is still there")

    half = tuple(o * 128 / 255 + b * 127 / 255 for o, b in zip(opaque, beneath))
    set_alpha("128")
    wait_for(settles_near(half, 10), 10, f"a blend near {half} of {opaque} over {beneath}")

    set_alpha("300")
    wait_for(settles_near(opaque, 4), 10, "the banner to turn opaque for 300")
    set_alpha("0")
    wait_for(settles_near(beneath, 4), 10, "the banner to turn invisible again")
    set_alpha("-5")
    wait_for(settles_near(opaque, 4), 10, "the banner to turn opaque for -5")


if __name__ == "__main__":
    sys.exit(harness.main(test))
