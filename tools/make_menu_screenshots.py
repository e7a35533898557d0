#!/usr/bin/python3
"""Makes the README's avatar-menu pictures on a private X server.

    tools/make_menu_screenshots.py <path to avatrix> [docs folder]

Starts the program with the end-to-end harness (Xvfb, openbox, a compositor,
the notice page on loopback), opens the avatar menu on the picture box and
photographs it with the main window, then snaps the banner to the avatar's
bottom edge with an outline and shadow on its text and keeps the avatar the
menu copies to the clipboard. A build with a fixed notice address needs
--notice-url=<that address>.
"""
import subprocess
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "e2e"))
import harness  # noqa: E402
from harness import BANNER_COLOUR, TEXT_BOX, TEXT_COLOUR, wait_for  # noqa: E402

BOX = 184
SNAP, OUTLINE, SHADOW = 1, 2, 3


def make(docs):
    def run(new_session):
        s = new_session(compositor=True)
        s.launch()
        wait_for(s.banner, 20, "the banner window")
        main = s.refresh(s.main)

        def pick(unit, downs):
            s.click_unit(*unit[:2], width=unit[2], height=unit[3])
            for _ in range(downs):
                s.key("Down")
            s.key("Return")

        def menu(entry=None):
            s.click(main.x + 60, main.y + 40, button=3)
            popup = wait_for(s.program_menu, 10, "the avatar menu")
            if entry is None:
                return popup
            for _ in range(entry + 1):
                s.key("Down")
            s.key("Return")
            wait_for(lambda: s.program_menu() is None, 10, "the menu to close")
            return None

        s.click_unit(*TEXT_BOX[:2], width=TEXT_BOX[2], height=TEXT_BOX[3])
        s.type("Avatrix 2026")
        s.key("Return")
        pick(TEXT_COLOUR, 1)  # white text: the outline shows dark around it
        pick(BANNER_COLOUR, 3)  # a red strip
        for entry in (SNAP, OUTLINE, SHADOW):
            menu(entry)

        popup = menu()
        shot = s.screenshot()
        right = max(main.x + main.width, popup.x + popup.width) + 8
        bottom = max(main.y + main.height, popup.y + popup.height) + 8
        # The title bar lies above the client area.
        shot.crop((max(0, main.x - 8), max(0, main.y - 32), right, bottom)).save(
            docs / "avatar-menu.png")
        s.key("Escape")
        wait_for(lambda: s.program_menu() is None, 10, "the menu to close")

        s.activate(s.refresh(s.main))
        s.key("ctrl+shift+c")

        def copied():
            return subprocess.run(["xclip", "-selection", "clipboard", "-t", "image/png", "-o"],
                                  env=s.env, capture_output=True).stdout
        (docs / "avatar-outline.png").write_bytes(wait_for(copied, 10, "the copied avatar"))
    return run


if __name__ == "__main__":
    args = [a for a in sys.argv[1:] if not a.startswith("--notice-url=")]
    folder = Path(args[1]) if len(args) > 1 else Path(__file__).resolve().parents[1] / "docs"
    sys.argv = [sys.argv[0], args[0]] + [a for a in sys.argv[1:] if a.startswith("--notice-url=")]
    sys.exit(harness.main(make(folder), loopback_notice=False))
