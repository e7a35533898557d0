#!/usr/bin/python3
"""Draws the program's own pictures: the default avatar, the support picture
and the desktop icon. Everything is drawn here from shapes and a fixed-seed
grain, so running the script again gives the same files byte for byte.

    tools/make_pictures.py [repository root]

The JPEG quality of each picture is chosen so that the file comes out close to
the size the window layout was designed around (the avatar about 12 KB, the
support picture about 61 KB).
"""
import io
import math
import random
import sys
from pathlib import Path

from PIL import Image, ImageDraw, ImageFilter

SKIN = (250, 222, 203)
SKIN_SHADE = (236, 196, 176)
HAIR = (74, 44, 34)
HAIR_LIGHT = (120, 76, 56)
EYE = (60, 38, 30)
IRIS = (112, 70, 44)
BLUSH = (246, 170, 170)
LIPS = (214, 96, 104)
DRESS = (92, 148, 212)
DRESS_DARK = (66, 112, 176)
RIBBON = (226, 64, 88)


def vertical_gradient(size, top, bottom):
    width, height = size
    image = Image.new("RGB", size)
    draw = ImageDraw.Draw(image)
    for y in range(height):
        t = y / max(1, height - 1)
        colour = tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))
        draw.line([(0, y), (width, y)], fill=colour)
    return image


def _apply_grain(image, noise):
    """Light paper grain: gives the flat shapes some texture, as a photo or
    a scanned drawing would have."""
    pixels = image.load()
    grain = noise.load()
    width, height = image.size
    for y in range(height):
        for x in range(width):
            d = grain[x, y] - 128
            r, g, b = pixels[x, y]
            pixels[x, y] = (clamp(r + d), clamp(g + d), clamp(b + d))
    return image


def clamp(v):
    return 0 if v < 0 else 255 if v > 255 else v


def heart(draw, cx, cy, size, fill):
    """A heart centred on (cx, cy), `size` pixels wide."""
    points = []
    for i in range(120):
        t = 2 * math.pi * i / 120
        x = 16 * math.sin(t) ** 3
        y = 13 * math.cos(t) - 5 * math.cos(2 * t) - 2 * math.cos(3 * t) - math.cos(4 * t)
        points.append((cx + x * size / 34, cy - y * size / 34))
    draw.polygon(points, fill=fill)


def draw_girl(size=200, seed=7):
    """A girl's head and shoulders, facing the viewer, drawn on a 200-unit
    grid at 4x and reduced to `size` for smooth edges."""
    scale = 4
    s = 200 * scale
    image = vertical_gradient((s, s), (255, 236, 242), (214, 232, 252))
    draw = ImageDraw.Draw(image)

    def e(box, fill):
        draw.ellipse([v * scale for v in box], fill=fill)

    def p(points, fill):
        draw.polygon([(x * scale, y * scale) for x, y in points], fill=fill)

    # soft dots in the background
    rng = random.Random(seed)
    for _ in range(18):
        x, y, r = rng.randint(0, 200), rng.randint(0, 200), rng.randint(4, 14)
        e((x - r, y - r, x + r, y + r), (255, 246, 250))

    # hair behind the head, falling to the shoulders
    e((38, 22, 162, 150), HAIR)
    p([(40, 90), (30, 190), (70, 190), (62, 96)], HAIR)
    p([(160, 90), (170, 190), (130, 190), (138, 96)], HAIR)

    # shoulders and dress
    e((22, 160, 178, 260), DRESS)
    p([(78, 160), (100, 188), (122, 160)], SKIN_SHADE)
    e((88, 170, 112, 186), DRESS_DARK)
    # neck
    draw.rectangle([86 * scale, 128 * scale, 114 * scale, 166 * scale], fill=SKIN_SHADE)

    # face
    e((56, 44, 144, 148), SKIN)
    # ears
    e((50, 88, 62, 110), SKIN_SHADE)
    e((138, 88, 150, 110), SKIN_SHADE)

    # bangs
    p([(54, 78), (62, 40), (100, 26), (140, 40), (148, 80), (132, 62), (118, 74),
       (104, 58), (88, 72), (74, 58)], HAIR)
    p([(70, 42), (96, 32), (86, 50)], HAIR_LIGHT)

    # ribbon
    p([(124, 34), (146, 20), (144, 48)], RIBBON)
    p([(124, 34), (104, 22), (108, 48)], RIBBON)
    e((119, 29, 129, 39), (190, 40, 64))

    # eyebrows
    draw.line([(72 * scale, 80 * scale), (90 * scale, 78 * scale)], fill=HAIR, width=2 * scale)
    draw.line([(110 * scale, 78 * scale), (128 * scale, 80 * scale)], fill=HAIR, width=2 * scale)

    # eyes
    for cx in (82, 118):
        e((cx - 10, 86, cx + 10, 104), (255, 255, 255))
        e((cx - 7, 86, cx + 7, 104), IRIS)
        e((cx - 4, 90, cx + 4, 100), EYE)
        e((cx - 5, 88, cx - 1, 92), (255, 255, 255))
        draw.arc([(cx - 11) * scale, 84 * scale, (cx + 11) * scale, 106 * scale], 200, 340,
                 fill=EYE, width=2 * scale)

    # blush, nose, mouth
    e((66, 108, 84, 118), BLUSH)
    e((116, 108, 134, 118), BLUSH)
    draw.line([(100 * scale, 108 * scale), (98 * scale, 116 * scale)], fill=SKIN_SHADE,
              width=2 * scale)
    draw.chord([90 * scale, 120 * scale, 110 * scale, 134 * scale], 0, 180, fill=LIPS)

    image = image.resize((size, size), Image.LANCZOS)
    return _apply_grain(image, _noise(image.size, 5, seed))


def _noise(size, amount, seed):
    rng = random.Random(seed)
    noise = Image.new("L", size)
    noise.putdata([128 + rng.randint(-amount, amount) for _ in range(size[0] * size[1])])
    return noise


def draw_support(seed=11):
    """A warm scene of helping hands: the top-left corner (what the window
    shows) holds a heart above two figures, one of them in a wheelchair; the
    rest is hills, sun and sky with small flowers."""
    width, height = 670, 502
    scale = 2
    image = vertical_gradient((width * scale, height * scale), (255, 244, 224), (196, 226, 250))
    draw = ImageDraw.Draw(image)

    def e(box, fill, outline=None, w=1):
        draw.ellipse([v * scale for v in box], fill=fill, outline=outline, width=w * scale)

    def p(points, fill):
        draw.polygon([(x * scale, y * scale) for x, y in points], fill=fill)

    def line(points, fill, w):
        draw.line([(x * scale, y * scale) for x, y in points], fill=fill, width=w * scale)

    # sun and rays
    e((470, 40, 590, 160), (255, 214, 102))
    for i in range(16):
        a = 2 * math.pi * i / 16
        line([(530 + 70 * math.cos(a), 100 + 70 * math.sin(a)),
              (530 + 96 * math.cos(a), 100 + 96 * math.sin(a))], (255, 196, 80), 4)

    # hills
    e((-200, 300, 420, 760), (150, 204, 120))
    e((250, 330, 900, 800), (124, 186, 104))
    e((520, 360, 1000, 760), (104, 168, 92))

    rng = random.Random(seed)
    for _ in range(160):
        x, y = rng.randint(0, width), rng.randint(360, height)
        colour = rng.choice([(255, 255, 255), (255, 220, 90), (240, 120, 150), (200, 160, 240)])
        e((x - 3, y - 3, x + 3, y + 3), colour)
        e((x - 1, y - 1, x + 1, y + 1), (250, 200, 60))

    # clouds
    for cx, cy in ((300, 70), (380, 120), (250, 200)):
        for dx, dy, r in ((-30, 6, 22), (0, 0, 30), (30, 6, 22)):
            e((cx + dx - r, cy + dy - r, cx + dx + r, cy + dy + r), (255, 255, 255))

    # the corner: a heart with a soft halo
    e((40, 2, 144, 74), (255, 232, 226))
    heart(draw, 92 * scale, 38 * scale, 70 * scale, (232, 58, 78))
    heart(draw, 84 * scale, 30 * scale, 16 * scale, (246, 128, 140))

    # the ground the two figures stand on
    e((-60, 172, 220, 300), (150, 204, 120))

    # a standing figure, holding a hand out
    e((18, 104, 42, 128), SKIN)
    e((16, 100, 44, 116), HAIR)
    p([(14, 130), (46, 130), (52, 184), (8, 184)], (246, 150, 60))
    line([(44, 138), (78, 150)], SKIN_SHADE, 5)

    # a figure in a wheelchair
    e((112, 112, 166, 166), None, (70, 80, 96), 5)
    e((136, 136, 142, 142), (70, 80, 96))
    e((100, 92, 124, 116), SKIN)
    e((98, 88, 126, 104), HAIR)
    p([(98, 118), (126, 118), (130, 148), (100, 148)], DRESS)
    line([(130, 146), (156, 146), (162, 170)], DRESS_DARK, 6)
    line([(100, 124), (84, 150)], SKIN_SHADE, 5)
    line([(96, 110), (96, 150), (104, 150)], (70, 80, 96), 4)

    # more pairs of figures across the hills
    for x0 in (250, 420, 560):
        e((x0, 260, x0 + 20, 280), SKIN)
        p([(x0 - 4, 282), (x0 + 24, 282), (x0 + 28, 330), (x0 - 8, 330)],
          rng.choice([(230, 100, 120), (90, 150, 210), (250, 180, 60)]))
        heart(draw, (x0 + 40) * scale, 262 * scale, 18 * scale, (232, 58, 78))

    image = image.resize((width, height), Image.LANCZOS)
    image = image.filter(ImageFilter.SMOOTH)
    return _apply_grain(image, _noise(image.size, 8, seed))


# The sizes a launcher looks for in the hicolor theme.
ICON_SIZES = (16, 32, 48, 64, 128, 256)


def draw_icon(girl, size=128):
    """The desktop icon: the avatar's face with a banner across it, laid out
    on a 128-unit grid and drawn at `size` from a girl drawn large enough."""
    k = girl.width / 200
    face = girl.crop(tuple(round(v * k) for v in (30, 16, 170, 156)))
    big = face.resize((512, 512), Image.LANCZOS)
    draw = ImageDraw.Draw(big)
    u = 4  # 128-unit grid at 512 pixels

    draw.rectangle([0, 86 * u, 128 * u - 1, 111 * u - 1], fill=(226, 64, 88))
    for i, x in enumerate(range(14, 120, 22)):
        # four short white strokes stand for the banner's words
        draw.rectangle([x * u, 94 * u, (x + 15 - (i % 2) * 4) * u - 1, 103 * u - 1],
                       fill=(255, 255, 255))
    return big.resize((size, size), Image.LANCZOS)


def jpeg_near(image, target):
    """Baseline JPEG bytes whose length is nearest `target`."""
    best = None
    for quality in range(30, 99):
        buffer = io.BytesIO()
        image.save(buffer, "JPEG", quality=quality, progressive=False, optimize=False)
        data = buffer.getvalue()
        if best is None or abs(len(data) - target) < abs(len(best) - target):
            best = data
    return best


def main():
    root = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent
    pictures = root / "src" / "windows" / "pictures"
    pictures.mkdir(parents=True, exist_ok=True)

    girl = draw_girl()
    (pictures / "avatar.jpg").write_bytes(jpeg_near(girl, 12220))
    (pictures / "support.jpg").write_bytes(jpeg_near(draw_support(), 61290))

    # The window icon is the 128-pixel one; every size goes to the launchers.
    written = [pictures / "avatar.jpg", pictures / "support.jpg"]
    icons = root / "src" / "app" / "icons"
    icons.mkdir(parents=True, exist_ok=True)
    large_girl = draw_girl(size=800)
    for size in ICON_SIZES:
        path = icons / f"avatrix-{size}.png"
        draw_icon(large_girl, size).save(path, "PNG", optimize=True)
        written.append(path)
    for path in written:
        print(f"{path.relative_to(root)}: {path.stat().st_size} bytes")


if __name__ == "__main__":
    main()
