#!/usr/bin/python3
"""Text typed in the main window reaches the banner: Enter and "加入文字"
alike, the placeholder itself when it shows, nothing for an empty box."""
import sys

import harness
from harness import ADD_TEXT, TEXT_BOX, WIDTH_BOX, check, dark_columns, wait_for


def test(new_session):
    s = new_session()
    s.launch()
    banner = wait_for(s.banner, 20, "the banner window")
    check((banner.x, banner.y) == (318, 500), f"banner shown at {banner}")
    label_row = (banner.x, banner.y, banner.x + banner.width, banner.y + 24)

    def text_span():
        columns = dark_columns(s.screenshot(), label_row)
        return (min(columns), max(columns)) if columns else None

    # The banner starts with its hint, which runs past its right edge.
    first = wait_for(text_span, 10, "the hint text on the banner")
    check(first[1] > banner.width - 30, f"hint text spans only {first}")

    # Typed text and Enter: a short word leaves the rest of the strip empty.
    s.click_unit(*TEXT_BOX[:2], width=TEXT_BOX[2], height=TEXT_BOX[3])
    s.type("II")
    s.key("Return")
    span = wait_for(lambda: (lambda v: v if v and v[1] < 40 else None)(text_span()), 10,
                    "the typed text to replace the hint")
    check(span[0] < 10, f"text drawn from the left edge, got {span}")

    # Empty the box and move the focus away: the placeholder shows in it.
    s.click_unit(*TEXT_BOX[:2], width=TEXT_BOX[2], height=TEXT_BOX[3])
    s.key("ctrl+a")
    s.key("BackSpace")
    s.click_unit(*WIDTH_BOX[:2], width=WIDTH_BOX[2], height=WIDTH_BOX[3])
    main = s.refresh(s.main)
    box = (main.x + TEXT_BOX[0] + 3, main.y + TEXT_BOX[1] + 3,
           main.x + TEXT_BOX[0] + TEXT_BOX[2] - 3, main.y + TEXT_BOX[1] + TEXT_BOX[3] - 3)
    wait_for(lambda: len(dark_columns(s.screenshot(), box, threshold=160)) > 20, 10,
             "the placeholder in the empty text box")

    # "加入文字" now puts the placeholder itself on the banner: five wide
    # characters, wider than "II" and narrower than the hint.
    s.click_unit(*ADD_TEXT[:2], width=ADD_TEXT[2], height=ADD_TEXT[3])
    span = wait_for(lambda: (lambda v: v if v and 40 <= v[1] < 130 else None)(text_span()), 10,
                    "the placeholder on the banner")
    check(span[0] < 10, f"placeholder drawn from the left edge, got {span}")

    # Focus on the box clears the placeholder; Enter with it empty empties the banner.
    s.click_unit(*TEXT_BOX[:2], width=TEXT_BOX[2], height=TEXT_BOX[3])
    wait_for(lambda: not dark_columns(s.screenshot(), box, threshold=160), 10,
             "the placeholder to clear on focus")
    s.key("Return")
    wait_for(lambda: text_span() is None, 10, "the banner to empty")


if __name__ == "__main__":
    sys.exit(harness.main(test))
