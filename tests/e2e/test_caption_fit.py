#!/usr/bin/python3
"""Every caption of the main window fits the box its layout gives it, at
scale 1 and at scale 2 (QT_SCALE_FACTOR=2): no ink is cut by the box's edge
or by the unit lying above it, two-line button captions keep both lines, and
the banner colour box shows a custom colour's whole name. The exit credit box
keeps its one line of text whole, the QQ number included."""
import sys

import harness
from harness import BANNER_COLOUR, check, wait_for

# Captioned units as (name, left, top, width, height) of their layout, cut
# to the part no unit lying above covers: 按钮7 covers the link's right end,
# the support picture the hint label's.
CAPTIONS = (
    ("按钮7", 568, 160, 56, 24),
    ("按钮6", 566, 22, 56, 112),
    ("超级链接框1", 230, 160, 338, 24),
    ("标签7", 184, 0, 440, 24),
    ("标签6", 407, 104, 64, 24),
    ("按钮12", 184, 160, 40, 24),
    ("按钮11", 184, 128, 40, 24),
    ("按钮10", 184, 96, 56, 32),
    ("按钮5", 416, 71, 144, 24),
    ("标签3", 328, 128, 24, 24),
    ("标签2", 232, 128, 24, 24),
    ("按钮4", 416, 136, 144, 24),
    ("标签1", 192, 56, 64, 24),
    ("颜色选择器1", 264, 56, 136, 24),
    ("按钮3", 256, 88, 144, 32),
    ("按钮13", 416, 24, 144, 32),
    ("按钮14", 352, 24, 56, 24),
    ("颜色选择器2", *BANNER_COLOUR),
)
TWO_LINES = {"按钮6", "按钮10"}
# The red caption over the support picture, in the picture box.
SUPPORT_CAPTION = (624, 72, 184, 24)
# The colour the banner colour box is given, by its name as the box shows it.
CUSTOM_COLOUR = "#3366CC"
SWATCH = (0x33, 0x66, 0xCC)
# Lighter than the window's and the buttons' backgrounds and frames, darker
# than the greyed caption of a disabled button.
INK = 180


def ink_box(image, box, is_ink):
    """The bounding box (relative to `box`) of the ink inside it, or None."""
    region = image.crop(box)
    width, height = region.size
    pixels = region.load()
    points = [(x, y) for y in range(height) for x in range(width) if is_ink(pixels[x, y])]
    if not points:
        return None
    xs, ys = [p[0] for p in points], [p[1] for p in points]
    return min(xs), min(ys), max(xs), max(ys)


def close_to(pixel, colour):
    return all(abs(a - b) <= 8 for a, b in zip(pixel, colour))


def dark(pixel):
    return sum(pixel) / 3 < INK


def red(pixel):
    return pixel[0] > 150 and pixel[1] < 100 and pixel[2] < 100


def ink_runs(image, box):
    """The column runs of ink in `box`: [(first, last, top, bottom)], relative."""
    region = image.crop(box)
    width, height = region.size
    pixels = region.load()
    runs = []
    for x in range(width):
        rows = [y for y in range(height) if dark(pixels[x, y])]
        if not rows:
            continue
        if runs and runs[-1][1] == x - 1:
            first, _, top, bottom = runs[-1]
            runs[-1] = (first, x, min(top, rows[0]), max(bottom, rows[-1]))
        else:
            runs.append((x, x, rows[0], rows[-1]))
    return runs


def pick_custom_colour(s, scale, banner):
    main = s.refresh(s.main)
    left, top, width, height = BANNER_COLOUR
    s.click(main.x + (left + width // 2) * scale, main.y + (top + height // 2) * scale)
    s.key("End")  # the last entry opens the colour dialog
    s.key("Return")
    dialog = wait_for(lambda: next((w for w in s.program_windows()
                                    if w.mapped and w.id not in (s.main.id, banner.id)), None),
                      10, "the colour dialog")
    s.activate(dialog)
    s.key("alt+h")  # the dialog's HTML field
    s.key("ctrl+a")
    s.type(CUSTOM_COLOUR)
    s.key("Return")
    wait_for(lambda: s.refresh(dialog) is None or not s.refresh(dialog).mapped, 10,
             "the colour dialog to close")
    box = (main.x + left * scale, main.y + top * scale, main.x + (left + width) * scale,
           main.y + (top + height) * scale)
    wait_for(lambda: any(close_to(p, SWATCH) for p in s.screenshot().crop(box).getdata()), 10,
             f"the banner colour box to show {CUSTOM_COLOUR}")


def check_main_window(s, scale):
    main = s.refresh(s.main)
    shot = s.screenshot()

    def place(left, top, width, height):
        return (main.x + left * scale, main.y + top * scale,
                main.x + (left + width) * scale, main.y + (top + height) * scale)

    # Buttons, edit-like boxes and colour boxes have a one-pixel frame that
    # turns darker with the focus: their ink is looked for inside it.
    heights = {}
    for name, left, top, width, height in CAPTIONS:
        frame = 0 if name.startswith("标签") or name.startswith("超级") else scale
        x0, y0, x1, y1 = place(left, top, width, height)
        box = (x0 + frame, y0 + frame, x1 - frame, y1 - frame)
        ink = ink_box(shot, box, dark)
        check(ink is not None, f"{name}: no caption at scale {scale}")
        inner_width, inner_height = box[2] - box[0], box[3] - box[1]
        # Labels start their text at their top left corner (the link's
        # underline from its very first column); other captions are centred.
        check((frame == 0 or (ink[0] > 0 and ink[1] > 0)) and ink[2] < inner_width - 1
              and ink[3] < inner_height - 1,
              f"{name}: the caption's ink {ink} reaches the edge of its "
              f"{inner_width}x{inner_height} box at scale {scale}")
        heights[name] = ink[3] - ink[1] + 1
    line = heights["按钮11"]
    for name in TWO_LINES:
        check(heights[name] > 1.5 * line,
              f"{name}: a caption {heights[name]} pixels high, one line is {line}")

    support = ink_box(shot, place(*SUPPORT_CAPTION), red)
    check(support is not None and support[0] > 0 and support[2] < SUPPORT_CAPTION[2] * scale - 1,
          f"the support caption's ink {support} at scale {scale}")

    # The colour's name after its swatch: seven half-width characters, none
    # cut off or given up for an ellipsis. Its glyphs can touch, so they are
    # counted by the pitch of its two 3s, the one pair that never touches.
    left, top, width, height = BANNER_COLOUR
    runs = ink_runs(shot, place(left, top, width, height))[1:]
    check(len(runs) >= 3, f"the banner colour box shows {runs} at scale {scale}")
    pitch = runs[2][0] - runs[1][0]
    span = runs[-1][1] - runs[0][0] + 1
    tallest = max(bottom - top_ + 1 for _, _, top_, bottom in runs)
    last = runs[-1][3] - runs[-1][2] + 1
    check(span >= (len(CUSTOM_COLOUR) - 0.8) * pitch and last > tallest / 2,
          f"the banner colour box shows {span / pitch:.1f} characters ending in a glyph "
          f"{last} pixels high at scale {scale}, not {CUSTOM_COLOUR}: {runs}")
    return line


def check_credit_box(s, scale, line):
    s.activate(s.main)
    s.key("Escape")
    question = wait_for(lambda: s.window_named("是否要关闭"), 10, "the exit question")
    s.activate(question)
    s.key("Return")
    credit = wait_for(lambda: s.window_named("温馨提示："), 10, "the credit box")
    previous = []

    def text_band():
        """The credit text's first and last rows: the rows with ink right of
        the icon, up to the first gap of a line's height or more (the button
        lies below such a gap)."""
        now = s.refresh(credit)
        if now is None:
            return None
        box = (now.x, now.y, now.x + now.width, now.y + now.height)
        shot = s.screenshot()
        runs = ink_runs(shot, box)
        if not runs:
            return None
        # The icon's parts lie close together; the text starts after the
        # first wide gap.
        icon_end = runs[0][1]
        for first, last, _, _ in runs[1:]:
            if first - icon_end > 8 * scale:
                break
            icon_end = last
        region = shot.crop((box[0] + icon_end + 4 * scale, box[1], box[2], box[3]))
        width, height = region.size
        pixels = region.load()
        rows = [y for y in range(height) if any(dark(pixels[x, y]) for x in range(width))]
        if not rows:
            return None
        top = bottom = rows[0]
        for y in rows[1:]:
            if y - bottom > line:
                break
            bottom = y
        return top, bottom

    def settled_text():
        # The box can be mapped, and even drawn, before it takes its final
        # size and focus: the text is judged once two looks in a row agree.
        band = text_band()
        settled = band is not None and previous == [band]
        previous[:] = [band]
        return band if settled else None

    top, bottom = wait_for(settled_text, 10, "the credit text to be drawn and settle")
    check(bottom - top + 1 < 1.5 * line,
          f"the credit text is {bottom - top + 1} pixels high at scale {scale}, "
          f"one line is {line}: it wraps")
    s.activate(credit)
    s.key("Return")
    check(s.wait_exit() == 0, "the program did not end cleanly")


def test(new_session):
    # The main window scaled by 2 needs a screen wider than the usual one.
    lines = {}
    for scale, screen in ((1, None), (2, "2560x1600x24")):
        s = new_session(screen=screen)
        s.env["QT_SCALE_FACTOR"] = str(scale)
        s.launch()
        banner = wait_for(s.banner, 20, "the banner window")
        # Out of the way of the main window's units.
        s.xdotool("windowmove", "--sync", banner.id, 0, 0)
        wait_for(lambda: (lambda b: b and b.y + b.height < s.main.y)(s.refresh(banner)), 10,
                 "the banner to move above the main window")
        pick_custom_colour(s, scale, banner)
        lines[scale] = check_main_window(s, scale)
        check_credit_box(s, scale, lines[scale])
        s.close()
    # On the usual screen scaled by 2, 640 pixels wide, where message boxes
    # are kept narrow.
    s = new_session()
    s.env["QT_SCALE_FACTOR"] = "2"
    s.launch()
    check_credit_box(s, 2, lines[2])


if __name__ == "__main__":
    sys.exit(harness.main(test))
