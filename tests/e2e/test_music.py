#!/usr/bin/python3
"""Background music: "添加背景音乐" plays the MP3 chosen in the open dialog, over
and over; "暂停" and "继续" pause and resume it and swap which of the two is
enabled; a new choice while paused plays at once; cancelling the dialog starts the
last choice again; a path without a lower-case ".mp3" makes "暂停" show a
message and change nothing; the program ends cleanly while music plays.

There is no sound card here, so the player plays silently, paced by the
clock. What it is doing shows in /proc: the MP3 file is held open while it
plays, and the file's read position moves on as long as it is not paused."""
import os
import subprocess
import sys
import time

import harness
from harness import ADD_MUSIC, PAUSE, RESUME, check, wait_for

QUESTION = "是否要关闭"
CREDIT = "温馨提示："
MUSIC_BOX_START = "Mirrowen腾讯博客QQ"
DIALOG = "打开"

# At 128 kbit/s a second of sound is 16 000 bytes of file.
BITRATE_KBPS = 128


def make_mp3(path, seconds):
    wav = path.with_suffix(".wav")
    subprocess.run(["sox", "-q", "-n", "-r", "44100", "-c", "2", str(wav), "synth",
                    str(seconds), "sine", "440"], check=True)
    subprocess.run(["lame", "--quiet", "--cbr", "-b", str(BITRATE_KBPS), str(wav), str(path)],
                   check=True)
    wav.unlink()
    return path


def read_position(s, path):
    """The read position of the program's open descriptor for `path`, or
    None while the file is not open."""
    fd_dir = f"/proc/{s.app.pid}/fd"
    try:
        descriptors = os.listdir(fd_dir)
    except OSError:
        return None
    for fd in descriptors:
        try:
            if os.readlink(f"{fd_dir}/{fd}") != str(path):
                continue
            with open(f"/proc/{s.app.pid}/fdinfo/{fd}") as info:
                for line in info:
                    if line.startswith("pos:"):
                        return int(line.split()[1])
        except OSError:  # closed between the listing and the look
            continue
    return None


def wait_advancing(s, path, what, bytes_ahead=8000):
    """Waits until the program reads on in `path` (playing, not paused),
    counting a start from the beginning as reading on."""
    seen = {"last": None, "progress": 0}

    def moved_on():
        pos = read_position(s, path)
        if pos is None:
            return False
        last = seen["last"]
        if last is not None:
            seen["progress"] += pos - last if pos >= last else pos
        seen["last"] = pos
        return seen["progress"] > bytes_ahead

    wait_for(moved_on, 10, f"{path.name} to play on ({what})")


def wait_holding(s, path, what, hold=1.0):
    """Waits until the read position of `path` stays put for `hold` seconds
    while the file stays open: paused. A playing file moves on several times
    a second, so it never satisfies this."""
    state = {"pos": None, "since": None}

    def held():
        pos = read_position(s, path)
        now = time.monotonic()
        if pos is None or pos != state["pos"]:
            state["pos"], state["since"] = pos, now
            return False
        return now - state["since"] >= hold

    wait_for(held, 10, f"{path.name} to hold still ({what})")


def button_enabled(s, unit):
    """Whether a button's caption is drawn in full black (enabled) rather
    than the grey of a disabled one."""
    left, top, width, height = unit
    main = s.refresh(s.main)
    box = (main.x + left + 3, main.y + top + 3, main.x + left + width - 3,
           main.y + top + height - 3)
    darkest = min(s.screenshot().convert("L").crop(box).getdata())
    if darkest < 80:
        return True
    if darkest > 120:
        return False
    return None  # neither: caught mid-repaint


def wait_buttons(s, pause_enabled, what):
    wanted = (pause_enabled, not pause_enabled)
    wait_for(lambda: (button_enabled(s, PAUSE), button_enabled(s, RESUME)) == wanted, 10,
             f"暂停 {'enabled' if pause_enabled else 'disabled'} and 继续 "
             f"{'disabled' if pause_enabled else 'enabled'} ({what})")


def click(s, unit):
    left, top, width, height = unit
    s.click_unit(left, top, width=width, height=height)


def start_program(s):
    s.launch()
    # The banner floats over the music buttons; put it out of the way.
    banner = wait_for(s.banner, 20, "the banner window")
    s.xdotool("windowmove", banner.id, 900, 800)
    wait_for(lambda: (lambda b: b and (b.x, b.y) == (900, 800))(s.refresh(banner)), 10,
             "the banner to move aside")
    wait_buttons(s, True, "at start")


def choose_music(s, path):
    click(s, ADD_MUSIC)
    dialog = wait_for(lambda: s.window_named(DIALOG), 10, "the open dialog")
    s.activate(dialog)
    s.key("ctrl+a")  # the last choice may be filled in already
    s.type(str(path))
    s.key("Return")
    wait_for(lambda: s.window_named(DIALOG) is None, 10, "the open dialog to close")


def cancel_dialog(s):
    click(s, ADD_MUSIC)
    dialog = wait_for(lambda: s.window_named(DIALOG), 10, "the open dialog")
    s.activate(dialog)
    s.key("Escape")
    wait_for(lambda: s.window_named(DIALOG) is None, 10, "the open dialog to close")


def no_music_message(s, what):
    """Clicks "暂停" and expects the message instead of a pause; closes it."""
    click(s, PAUSE)
    box = wait_for(lambda: s.window_named(MUSIC_BOX_START), 10, f"the message ({what})")
    check(box.name.startswith(MUSIC_BOX_START) and box.name.endswith("温馨提示："),
          f"message caption {box.name!r}")
    return box


def close_message(s, box, what):
    s.activate(box)
    s.key("Return")
    wait_for(lambda: s.window_named(MUSIC_BOX_START) is None, 10, f"the message to go ({what})")


def test(new_session):
    s = new_session()
    song = make_mp3(s.tmp / "SONG.MP3", 1)
    first = make_mp3(s.tmp / "first tune.mp3", 30)
    second = make_mp3(s.tmp / "second.mp3", 30)
    start_program(s)

    # A cancelled first choice plays nothing and leaves no path to pause.
    cancel_dialog(s)
    close_message(s, no_music_message(s, "nothing chosen"), "nothing chosen")
    wait_buttons(s, True, "after the message with nothing chosen")

    # Capitals play, and a one-second file starts again when it ends...
    choose_music(s, song)
    seen = {"far": 0}

    def wrapped():
        pos = read_position(s, song)
        if pos is None:
            return False
        seen["far"] = max(seen["far"], pos)
        return seen["far"] > 12000 and pos < seen["far"] // 2

    wait_for(wrapped, 15, "SONG.MP3 to play to its end and start again")

    # ...but the pause check wants a lower-case ".mp3": a message, the
    # buttons as they were and the music going on.
    box = no_music_message(s, "SONG.MP3")
    wait_advancing(s, song, "with the message up", bytes_ahead=4000)
    close_message(s, box, "SONG.MP3")
    wait_buttons(s, True, "after the message for SONG.MP3")
    wait_advancing(s, song, "after the message", bytes_ahead=4000)

    # A new choice replaces the music.
    choose_music(s, first)
    wait_advancing(s, first, "after the choice")
    wait_for(lambda: read_position(s, song) is None, 10, "SONG.MP3 to be let go")

    click(s, PAUSE)
    wait_buttons(s, False, "after 暂停")
    wait_holding(s, first, "after 暂停")

    click(s, RESUME)
    wait_buttons(s, True, "after 继续")
    wait_advancing(s, first, "after 继续")

    # A new choice while paused plays at once and leaves the buttons alone.
    click(s, PAUSE)
    wait_buttons(s, False, "after the second 暂停")
    wait_holding(s, first, "after the second 暂停")
    choose_music(s, second)
    wait_advancing(s, second, "the new choice while paused")
    wait_for(lambda: read_position(s, first) is None, 10, "the first file to be let go")
    wait_buttons(s, False, "after a new choice while paused")
    click(s, RESUME)
    wait_buttons(s, True, "after 继续 on the new choice")

    # Cancelling the dialog starts the last choice again from its beginning.
    reached = wait_for(lambda: (lambda p: p if p and p > 48000 else None)(
        read_position(s, second)), 15, "second.mp3 to be well under way")
    cancel_dialog(s)
    wait_for(lambda: (lambda p: p is not None and p < reached // 2)(read_position(s, second)), 10,
             "second.mp3 to start again after the cancel")
    wait_advancing(s, second, "after the cancel")

    # Closing the main window while the music plays.
    main = s.refresh(s.main)
    out = s.run(["xprop", "-id", str(main.id), "_NET_FRAME_EXTENTS"])
    extents = [int(v) for v in out.split("=", 1)[-1].replace(",", " ").split()]
    check(len(extents) == 4, f"no frame extents: {out!r}")
    _, right, top, _ = extents
    # The close box is the right-most title-bar button.
    s.click(main.x + main.width + right - 12, main.y - top // 2)
    box = wait_for(lambda: s.window_named(QUESTION), 10, "the question")
    s.activate(box)
    s.key("Return")
    credit = wait_for(lambda: s.window_named(CREDIT), 10, "the credit box")
    s.activate(credit)
    s.key("Return")
    code = s.wait_exit(20)
    check(code == 0, f"exit code {code} while music played")


if __name__ == "__main__":
    sys.exit(harness.main(test))
