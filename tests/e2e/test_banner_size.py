#!/usr/bin/python3
""""调整尺寸" gives the banner and its label the typed size; an empty box is 0."""
import sys

import harness
from harness import HEIGHT_BOX, RESIZE, WIDTH_BOX, check, wait_for


def test(new_session):
    s = new_session()
    s.launch()
    banner = wait_for(s.banner, 20, "the banner window")
    check((banner.width, banner.height) == (181, 51), f"banner laid out as {banner}")

    def fill(place, text):
        # Low in the box: the banner floats over the upper part of the width box.
        s.click_unit(*place[:2], dx=place[2] - 10, dy=place[3] - 3)
        s.key("ctrl+a")
        s.key("BackSpace")
        if text:
            s.type(text)

    fill(WIDTH_BOX, "240")
    fill(HEIGHT_BOX, "30")
    s.click_unit(*RESIZE[:2], width=RESIZE[2], height=RESIZE[3])
    resized = wait_for(lambda: (lambda b: b if b and (b.width, b.height) == (240, 30) else None)(
        s.refresh(banner)), 10, "the banner to become 240 x 30")
    check((resized.x, resized.y) == (318, 500), f"the banner moved: {resized}")

    # Letters in the number boxes are refused; digits are kept.
    fill(HEIGHT_BOX, "4x5")
    s.click_unit(*RESIZE[:2], width=RESIZE[2], height=RESIZE[3])
    wait_for(lambda: (lambda b: b and (b.width, b.height) == (240, 45))(s.refresh(banner)), 10,
             "the banner to become 240 x 45")

    # An empty width box gives width 0: nothing of the banner is left on screen.
    fill(WIDTH_BOX, "")
    s.click_unit(*RESIZE[:2], width=RESIZE[2], height=RESIZE[3])
    wait_for(lambda: (lambda b: b is None or not b.mapped or b.width <= 1)(s.refresh(banner)), 10,
             "the banner to lose its width")
    check(s.app.poll() is None, "the program ended")


if __name__ == "__main__":
    sys.exit(harness.main(test))
