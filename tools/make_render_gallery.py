#!/usr/bin/python3
"""Makes the README's page of avatars drawn by avatrix-render.

    tools/make_render_gallery.py <path to avatrix-render> [docs folder]

Draws each avatar with one avatrix-render run (the program's own picture with
the default fitted text, with fill and outline, with a shadow; name avatars
without a picture in several scripts, round, rounded and in a gradient) and
lays them out on one page, docs/render-gallery.png, each with the options
that made it written under it.
"""
import subprocess
import sys
import tempfile
from pathlib import Path

from PIL import Image, ImageDraw, ImageFont

ROOT = Path(__file__).resolve().parents[1]
PHOTO = ROOT / "src" / "windows" / "pictures" / "avatar.jpg"
SIDE = 184
GAP = 16
CAPTION = 28

# (caption, arguments): None stands for the picture.
ROWS = [
    [
        ("default", [None, "-t", "王小明"]),
        ("--fill --outline", [None, "-t", "王小明 Xiaoming", "--fill", "--outline",
                              "--text-colour", "white", "--strip-colour", "#3366CC"]),
        ("--fill --shadow --align left", [None, "-t", "Ada Lovelace", "--fill", "--shadow",
                                          "--align", "left", "--text-colour", "white",
                                          "--strip-colour", "#204030", "--opacity", "200"]),
        ("--gradient, rounded", ["-t", "Grace Hopper", "--initials", "--shape", "rounded",
                                 "--gradient", "#FF8800,#8E24AA"]),
        ("Devanagari, rounded", ["-t", "देवनागरी", "--shape", "rounded"]),
    ],
    [
        ("Latin, --initials", ["-t", "Ada Lovelace", "--initials", "--shape", "circle"]),
        ("CJK, --initials", ["-t", "王小明", "--initials", "--shape", "circle"]),
        ("Hangul", ["-t", "김민준", "--shape", "circle"]),
        ("Arabic", ["-t", "محمد", "--shape", "circle"]),
        ("emoji", ["-t", "😺🎉", "--shape", "circle", "--background", "#455A64"]),
    ],
]


def render(program, arguments, out):
    args = [str(PHOTO) if a is None else a for a in arguments]
    subprocess.run([program, *args, "-o", str(out), "--force"], check=True)
    return Image.open(out).convert("RGBA")


def make(program, docs):
    columns = max(len(row) for row in ROWS)
    width = GAP + columns * (SIDE + GAP)
    height = GAP + len(ROWS) * (SIDE + CAPTION + GAP)
    page = Image.new("RGBA", (width, height), (255, 255, 255, 255))
    draw = ImageDraw.Draw(page)
    font = ImageFont.load_default()
    with tempfile.TemporaryDirectory() as tmp:
        for r, row in enumerate(ROWS):
            for c, (caption, arguments) in enumerate(row):
                avatar = render(program, arguments, Path(tmp) / f"{r}-{c}.png")
                x = GAP + c * (SIDE + GAP)
                y = GAP + r * (SIDE + CAPTION + GAP)
                page.alpha_composite(avatar, (x, y))
                draw.text((x, y + SIDE + 8), caption, fill=(60, 60, 60, 255), font=font)
    out = Path(docs) / "render-gallery.png"
    page.convert("RGB").save(out, optimize=True)
    print(out)


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    make(sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else ROOT / "docs")
