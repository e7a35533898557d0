#!/usr/bin/python3
"""The Debian package: lintian finds no error or warning in it; unpacked
into a scratch root, it holds exactly the program, its manual pages, desktop
entry, icons, AppStream metainfo, notice page, copyright file and changelog,
all of which validate; the program started from that root reads the notice
page it ships (no server anywhere), shows both windows and the banner with no
message, and the hide-and-restore scenario works on it. Without the page it says it
could not get the notice and shows no banner."""
import os
import subprocess
import sys
import tempfile
from pathlib import Path

from PIL import Image

import harness
import test_hide_restore
from harness import SEPARATOR, TEXT_BOX, check, dark_columns, wait_for

ICON_SIZES = (16, 32, 48, 64, 128, 256)
METAINFO = "usr/share/metainfo/example.mirrowen.avatrix.metainfo.xml"
DESKTOP = "usr/share/applications/avatrix.desktop"
NOTICE = "usr/share/avatrix/notice.html"
RENDER_MAN = "usr/share/man/man1/avatrix-render.1.gz"
MAN = "usr/share/man/man1/avatrix.1.gz"
DOC = "usr/share/doc/avatrix"
# The renderer the avatrix-render command hands its work to.
RENDERER = "usr/libexec/avatrix/avatrix-render"


def succeeds(args, env=None):
    result = subprocess.run(args, capture_output=True, text=True, env=env)
    check(result.returncode == 0, f"{' '.join(args)} failed:\n{result.stdout}{result.stderr}")
    return result.stdout


def check_control(deb, version):
    check(Path(deb).name == f"avatrix_{version}_amd64.deb", f"package named {Path(deb).name}")
    control = succeeds(["dpkg-deb", "-f", deb, "Package", "Version", "Architecture", "Depends"])
    fields = dict(line.split(": ", 1) for line in control.splitlines())
    check(fields.get("Package") == "avatrix", f"control: {fields}")
    check(fields.get("Version") == version, f"control: {fields}")
    check(fields.get("Architecture") == "amd64", f"control: {fields}")
    # Computed from the binary: the libraries it links, with versions.
    for library in ("libqt6widgets6 (>=", "libcurl4 (>=", "libmpg123-0 (>=", "libjpeg62-turbo"):
        check(library in fields.get("Depends", ""), f"{library} missing from {fields}")


def check_files(root, version):
    files = {str(p.relative_to(root)) for p in root.rglob("*") if not p.is_dir()}
    expected = {"usr/bin/avatrix", "usr/bin/avatrix-render", RENDERER, MAN, RENDER_MAN, DESKTOP,
                METAINFO, NOTICE, f"{DOC}/copyright", f"{DOC}/changelog.gz"} | {
        f"usr/share/icons/hicolor/{n}x{n}/apps/avatrix.png" for n in ICON_SIZES}
    check(files == expected, f"package holds {sorted(files)}, expected {sorted(expected)}")
    for n in ICON_SIZES:
        with Image.open(root / f"usr/share/icons/hicolor/{n}x{n}/apps/avatrix.png") as icon:
            check(icon.size == (n, n), f"the {n}x{n} icon is {icon.size}")
    notice = (root / NOTICE).read_bytes().decode("gbk").split(SEPARATOR)
    check(len(notice) == 3 and notice[1].startswith(version + "</p><p>"),
          f"the notice page does not announce {version}: {notice[1:2]}")
    succeeds(["desktop-file-validate", str(root / DESKTOP)])
    succeeds(["appstreamcli", "validate", "--no-net", str(root / METAINFO)])


def passes_lintian(deb):
    """Debian's own checker finds no error and no warning in the package."""
    result = subprocess.run(["lintian", "--no-cfg", "--fail-on", "error,warning", deb],
                            capture_output=True, text=True)
    tags = [line for line in result.stdout.splitlines() if line[:2] in ("E:", "W:")]
    check(result.returncode == 0 and not tags,
          f"lintian (exit {result.returncode}):\n{result.stdout}{result.stderr}")


def renders_without_a_display(root, version):
    """The packaged avatrix-render draws an avatar with no X display at all."""
    render = str(root / "usr" / "bin" / "avatrix-render")
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    check(succeeds([render, "--version"], env=env).strip() == f"avatrix-render {version}",
          "avatrix-render --version")
    out = root / "avatar.png"
    picture = root / "usr/share/icons/hicolor/256x256/apps/avatrix.png"
    succeeds([render, str(picture), "-t", "文字", "-o", str(out)], env=env)
    with Image.open(out) as avatar:
        check(avatar.format == "PNG" and avatar.size == (184, 184),
              f"avatrix-render wrote {avatar.format} {avatar.size}")
    out.unlink()


def installed_command(root):
    """The program the desktop entry starts, inside the scratch root."""
    lines = (root / DESKTOP).read_text(encoding="utf-8").splitlines()
    command = next(line for line in lines if line.startswith("Exec=")).split("=", 1)[1].split()
    check(len(command) == 1, f"unexpected Exec line {command}")
    return root / "usr" / "bin" / command[0]


def starts_with_banner(new_session):
    s = new_session()
    s.launch()
    banner = wait_for(s.banner, 20, "the banner window")
    check(s.window_named("信息：") is None, "a message box at start")
    label_row = (banner.x, banner.y, banner.x + banner.width, banner.y + 24)

    def typed_text_span():
        columns = dark_columns(s.screenshot(), label_row)
        return columns and max(columns) < 40 and (min(columns), max(columns))

    s.click_unit(*TEXT_BOX[:2], width=TEXT_BOX[2], height=TEXT_BOX[3])
    s.type("II")
    s.key("Return")
    wait_for(typed_text_span, 10, "the typed text on the banner")
    s.close()


def without_its_page(new_session):
    s = new_session()
    s.launch(wait_for_main=False)
    box = wait_for(lambda: s.window_named("信息："), 30, "the retry-later message")
    s.activate(box)
    s.key("Return")
    wait_for(lambda: s.window_named("信息：") is None, 10, "the message to close")
    s.main = wait_for(lambda: s.window_named("Mirrowen文字头像"), 30, "the main window")
    check(s.banner() is None, "a banner without a notice page")


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--version=")]
    versions = [a.split("=", 1)[1] for a in sys.argv[1:] if a.startswith("--version=")]
    if len(args) != 1 or len(versions) != 1:
        print("usage: test_package.py <avatrix_*.deb> --version=<project version>",
              file=sys.stderr)
        return 2
    deb, version = args[0], versions[0]
    with tempfile.TemporaryDirectory(prefix="avatrix-package-") as scratch:
        root = Path(scratch)
        subprocess.run(["dpkg-deb", "-x", deb, str(root)], check=True)

        def test(new_session):
            check_control(deb, version)
            check_files(root, version)
            passes_lintian(deb)
            renders_without_a_display(root, version)
            starts_with_banner(new_session)
            test_hide_restore.test(new_session)
            (root / NOTICE).unlink()
            without_its_page(new_session)

        return harness.run(test, installed_command(root), serve_notice=False)


if __name__ == "__main__":
    sys.exit(main())
