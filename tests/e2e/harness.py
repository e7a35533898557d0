"""Drives the real avatrix binary on a private X server.

Each test file builds one Session: its own X server as
tests/support/xserver.conf sets it up, with the window manager (and the
compositor when asked), a stand-in xdg-open first on PATH that records every
address it is asked to open, and the notice page served on 127.0.0.1. Every
wait polls for a state with a deadline; nothing sleeps for a fixed time.

A Wayland session (wayland=True) runs weston on that X server instead of the
window manager, with its x11 backend filling the screen, and the program on
weston's Xwayland: the mouse and keys then reach it through the compositor as
a user's do, and what the compositor shows is a screenshot of the X server
underneath.
"""
import http.server
import io
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
from pathlib import Path

from PIL import Image

SOURCE_DIR = Path(__file__).resolve().parents[2]


def _xserver_settings():
    """The private X server's settings, shared with the C++ and shell helpers."""
    lines = (SOURCE_DIR / "tests" / "support" / "xserver.conf").read_text().splitlines()
    return dict(line.split("=", 1) for line in lines if line and not line.startswith("#"))


XSERVER = _xserver_settings()

# Places (left, top, width, height) of the main window's units the tests
# click, as its layout table puts them.
TEXT_BOX = (192, 24, 152, 24)
ADD_TEXT = (352, 24, 56, 24)
TEXT_COLOUR = (264, 56, 136, 24)
OPEN_BUTTON = (416, 24, 144, 32)
SAVE_BUTTON = (256, 88, 144, 32)
BANNER_COLOUR = (477, 104, 88, 24)
WIDTH_BOX = (256, 128, 48, 24)
HEIGHT_BOX = (352, 128, 48, 24)
RESIZE = (416, 136, 144, 24)
ALPHA_BOX = (568, 136, 56, 24)
ALPHA_BUTTON = (566, 22, 56, 112)
HIDE = (568, 160, 56, 24)
ADD_MUSIC = (184, 96, 56, 32)
PAUSE = (184, 128, 40, 24)
RESUME = (184, 160, 40, 24)

# The notice separator: a run of 63 equals signs.
SEPARATOR = "=" * 63

# The notice address the program was built with, when the build fixed one
# (--notice-url on the command line).
NOTICE_URL = None


class Failure(AssertionError):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_for(predicate, timeout, what, interval=0.05):
    """Polls `predicate` until it returns something truthy; returns that."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise Failure(f"timed out after {timeout}s waiting for {what}")
        time.sleep(interval)


def program_text(name):
    """A text constant of the program (ProgramTexts.h), so the tests follow
    the program's own choice of addresses and wording."""
    source = (SOURCE_DIR / "src" / "windows" / "ProgramTexts.h").read_text(encoding="utf-8")
    match = re.search(r"\b" + name + r"\[\]\s*=\s*((?:\s*\"[^\"]*\")+);", source)
    check(match is not None, f"{name} not found in ProgramTexts.h")
    return "".join(re.findall(r"\"([^\"]*)\"", match.group(1)))


class NoticeHandler(http.server.BaseHTTPRequestHandler):
    body = b""
    requests = None  # a list the session reads: one entry per request

    def do_GET(self):  # noqa: N802 (the http.server interface)
        self.requests.append(self.path)
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=gbk")
        self.send_header("Content-Length", str(len(self.body)))
        self.end_headers()
        self.wfile.write(self.body)

    def log_message(self, *args):
        pass


def project_version():
    """The program's own version, written once in the top CMakeLists.txt."""
    source = (SOURCE_DIR / "CMakeLists.txt").read_text(encoding="utf-8")
    match = re.search(r"\bproject\(\s*Avatrix\s+VERSION\s+([0-9.]+)", source)
    check(match is not None, "no project version in CMakeLists.txt")
    return match.group(1)


def notice_page(version=None):
    version = project_version() if version is None else version
    notice = f"{version}</p><p>欢迎使用！<br />做一个属于自己的文字头像&nbsp;吧"
    html = f"<html><body><p>{SEPARATOR}</p><p>{notice}</p><p>{SEPARATOR}</p></body></html>"
    return html.encode("gbk")


class Window:
    def __init__(self, wid, x, y, width, height, mapped, name):
        self.id, self.x, self.y = wid, x, y
        self.width, self.height, self.mapped, self.name = width, height, mapped, name

    def __repr__(self):
        return (f"Window({self.id:#x} {self.name!r} {self.width}x{self.height}+{self.x}+{self.y}"
                f"{'' if self.mapped else ' unmapped'})")


# What weston shows around the program's windows: a plain background, no
# panel, and no animations that would make the screen lag behind the windows.
WESTON_INI = """[core]
idle-time=0
[shell]
panel-position=none
background-color=0xff305070
locking=false
animation=none
close-animation=none
startup-animation=none
focus-animation=none
"""
WESTON_BACKGROUND = (0x30, 0x50, 0x70)


class Session:
    def __init__(self, binary, compositor=False, notice_body=None, serve_notice=True,
                 screen=None, wayland=False):
        self.binary = os.path.abspath(binary)
        self.tmp = Path(tempfile.mkdtemp(prefix="avatrix-e2e-"))
        self.procs = []
        self.app = None
        self.server = None
        # The notice requests the loopback page has answered; none where the
        # program reads a page of its own.
        self.notice_requests = []
        self.wayland = wayland
        self.env = dict(os.environ)
        # An X11 session unless a test says otherwise: a Wayland session makes
        # the program ask the desktop's portal for its shortcut as well.
        for name in ("WAYLAND_DISPLAY", "XDG_SESSION_TYPE"):
            self.env.pop(name, None)
        # The X server that takes input and shows the screen: the program's
        # own, or the one weston's window lies on.
        self.host_env = self.env
        try:
            self._start_x(compositor, screen or XSERVER["screen"])
            self._stand_in_browser()
            if serve_notice:
                self._serve_notice(notice_page() if notice_body is None else notice_body)
        except BaseException:
            self.close()
            raise

    # --- set-up ---------------------------------------------------------
    def _spawn(self, args, **kwargs):
        log = open(self.tmp / f"{Path(args[0]).name}.log", "ab")
        proc = subprocess.Popen(args, env=self.env, stdout=log, stderr=subprocess.STDOUT,
                                **kwargs)
        self.procs.append(proc)
        return proc

    def spawn(self, args, **kwargs):
        """Starts a helper process of the test's own, in the session's
        environment; it is ended with the session."""
        return self._spawn(args, **kwargs)

    def _succeeds(self, args):
        return subprocess.run(args, env=self.env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode == 0

    def _start_x(self, compositor, screen):
        # Xvfb picks a free display number itself and reports it: no race
        # with other X servers starting at the same time.
        limit = int(XSERVER["start_seconds"])
        read_end, write_end = os.pipe()
        self._spawn(["Xvfb", "-displayfd", str(write_end), "-screen", "0", screen,
                     *XSERVER["xvfb_arguments"].split()], pass_fds=(write_end,))
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + limit
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_end)
        check(number.strip().isdigit(), "Xvfb did not report a display number")
        self.env["DISPLAY"] = f":{int(number)}"
        wait_for(lambda: self._succeeds(["xdpyinfo"]), limit, "Xvfb to accept clients")
        # A private home: nothing of the user's desktop settings, and no
        # caches shared with window managers of other sessions.
        self.env["HOME"] = str(self.tmp)
        self.env.pop("SESSION_MANAGER", None)
        # A private runtime folder, where the program keeps its socket.
        self.runtime = self.tmp / "runtime"
        self.runtime.mkdir(mode=0o700)
        self.env["XDG_RUNTIME_DIR"] = str(self.runtime)
        if self.wayland:
            self._start_weston(limit)
            return
        wm, attempts = XSERVER["window_manager"], []

        def wm_ready():
            if not attempts or attempts[-1].poll() is not None:
                # It can give up when it starts alongside others; start it again.
                check(len(attempts) < 5, f"{wm} keeps ending: {self.logs()}")
                attempts.append(self._spawn([wm]))
            return "window id" in self.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"])

        wait_for(wm_ready, limit, f"{wm} to manage the screen")
        wait_for(self._frames_new_window, limit, f"{wm} to frame new windows")
        if compositor:
            name = XSERVER["compositor"]
            self._spawn([name])
            wait_for(lambda: f'"{name}"' in self.run(["xwininfo", "-root", "-tree"]), limit,
                     f"{name} to take the compositing selection")

    def _start_weston(self, limit):
        """weston on the X server, its window filling the screen, with
        Xwayland; the session's own DISPLAY becomes Xwayland's."""
        self.host_env = dict(self.env)
        config = self.tmp / "weston.ini"
        config.write_text(WESTON_INI)
        log = self.tmp / "weston-core.log"
        width, height = (int(v) for v in XSERVER["screen"].split("x")[:2])
        self.host_size = (width, height)
        self._spawn(["weston", "--backend=x11-backend.so", "--xwayland", f"--config={config}",
                     "--socket=avatrix-wayland", f"--width={width}", f"--height={height}",
                     f"--log={log}"])

        def xwayland_display():
            text = log.read_text(errors="replace") if log.exists() else ""
            match = re.search(r"xserver listening on display (:\d+)", text)
            return match.group(1) if match else None

        display = wait_for(xwayland_display, limit, "weston to offer an Xwayland display")
        self.env["DISPLAY"] = display
        self.env["WAYLAND_DISPLAY"] = "avatrix-wayland"
        self.env["XDG_SESSION_TYPE"] = "wayland"
        # Xwayland starts with its first client.
        wait_for(lambda: self._succeeds(["xdpyinfo"]), limit, "Xwayland to accept clients")
        corner = (width - 1, height - 1)
        wait_for(lambda: self.screenshot().getpixel(corner) == WESTON_BACKGROUND, limit,
                 "weston's desktop to show")

    def _frames_new_window(self):
        """Whether a probe window mapped now is framed promptly. The window
        manager announces itself before it has finished starting, and a window
        mapped meanwhile can be left unmapped for good."""
        name = f"avatrix-wm-probe-{time.monotonic_ns()}"
        probe = subprocess.Popen(["xev", "-name", name, "-geometry", "10x10+0+0"], env=self.env,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            deadline = time.monotonic() + 1
            while time.monotonic() < deadline:
                if "window state" in self.run(["xprop", "-name", name, "WM_STATE"]):
                    return True
                time.sleep(0.05)
            return False
        finally:
            probe.kill()
            probe.wait()

    def _stand_in_browser(self):
        bin_dir = self.tmp / "bin"
        bin_dir.mkdir()
        self.opened_file = self.tmp / "opened.txt"
        script = bin_dir / "xdg-open"
        script.write_text("#!/bin/sh\nprintf '%s\\n' \"$1\" >> " + str(self.opened_file) + "\n")
        script.chmod(0o755)
        self.env["PATH"] = f"{bin_dir}:{self.env.get('PATH', '/usr/bin:/bin')}"

    def _serve_notice(self, body):
        handler = type("Handler", (NoticeHandler,), {"body": body,
                                                     "requests": self.notice_requests})
        # A build configured with a fixed loopback notice address is served on
        # that address's port; otherwise on any free port, which that build
        # never asks for.
        fixed = re.match(r"http://127\.0\.0\.1:(\d+)/", NOTICE_URL or "")
        address = ("127.0.0.1", int(fixed.group(1)) if fixed else 0)

        def bind():
            # A fixed port may still be held by another session finishing.
            try:
                return http.server.ThreadingHTTPServer(address, handler)
            except OSError:
                return None

        self.server = wait_for(bind, 60, f"the notice port {address[1]} to be free", 0.2)
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    # --- the program ----------------------------------------------------
    def launch(self, wait_for_main=True):
        self.log = open(self.tmp / "program.log", "wb")
        self.app = subprocess.Popen([self.binary], env=self.env, cwd=self.tmp,
                                    stdout=self.log, stderr=subprocess.STDOUT)
        self.procs.append(self.app)
        if wait_for_main:
            self.main = wait_for(lambda: self.window_named("Mirrowen文字头像"), 30,
                                 "the main window to show")
        return self.app

    def start_again(self, timeout=20):
        """Starts the program a second time while the first runs; returns
        the second process's exit status and what it printed."""
        try:
            done = subprocess.run([self.binary], env=self.env, cwd=self.tmp, capture_output=True,
                                  timeout=timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f"the second start did not end within {timeout}s")
        return done.returncode, (done.stdout + done.stderr).decode(errors="replace")

    def wait_exit(self, timeout=20):
        try:
            return self.app.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f"the program did not end within {timeout}s")

    def logs(self):
        """What the helper processes said, for a failure report."""
        parts = []
        for log in sorted(self.tmp.glob("*.log")):
            if log.name != "program.log":
                parts.append(f"--- {log.name}\n{log.read_text(errors='replace')[-2000:]}")
        return "\n".join(parts)

    def output(self):
        log = self.tmp / "program.log"
        return log.read_bytes().decode(errors="replace") if log.exists() else ""

    def opened(self):
        if not self.opened_file.exists():
            return []
        return self.opened_file.read_text().splitlines()

    # --- X queries ------------------------------------------------------
    def run(self, args):
        result = subprocess.run(args, env=self.env, capture_output=True, text=True)
        return result.stdout

    def xdotool(self, *args):
        """Input, given where the session takes it."""
        subprocess.run(["xdotool", *map(str, args)], env=self.host_env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def info(self, wid):
        out = self.run(["xwininfo", "-id", str(wid)])
        if "Absolute upper-left X" not in out:
            return None

        def field(name):
            return int(re.search(name + r":\s+(-?\d+)", out).group(1))

        name = self.run(["xdotool", "getwindowname", str(wid)]).rstrip("\n")
        return Window(wid, field("Absolute upper-left X"), field("Absolute upper-left Y"),
                      field("Width"), field("Height"), "IsViewable" in out, name)

    def program_windows(self):
        """The program's top-level windows that the window manager shows."""
        if self.app is None:
            return []
        ours = {int(v) for v in self.run(["xdotool", "search", "--pid", str(self.app.pid)]).split()}
        if self.wayland:
            # weston keeps no client list; the windows it manages carry WM_STATE.
            clients = {w for w in ours
                       if "window state" in self.run(["xprop", "-id", str(w), "WM_STATE"])}
        else:
            listed = self.run(["xprop", "-root", "_NET_CLIENT_LIST"]).split("#", 1)[-1]
            clients = {int(v, 16) for v in re.findall(r"0x[0-9a-fA-F]+", listed)}
        windows = [self.info(i) for i in sorted(clients & ours)]
        return [w for w in windows if w is not None]

    def window_named(self, fragment, mapped=True):
        for w in self.program_windows():
            if fragment in w.name and w.mapped == mapped:
                return w
        return None

    def banner(self):
        """The banner: the program's one untitled top-level window."""
        candidates = [w for w in self.program_windows()
                      if w.name in ("", "avatrix") and w.mapped]
        return candidates[0] if len(candidates) == 1 else None

    def popup_menu(self):
        """A mapped pop-up menu of the window manager, if one shows."""
        out = self.run(["xwininfo", "-root", "-children"])
        for wid in re.findall(r"^\s+(0x[0-9a-f]+)", out, re.MULTILINE):
            w = self.info(int(wid, 16))
            if w and w.mapped and "POPUP_MENU" in self.run(
                    ["xprop", "-id", wid, "_NET_WM_WINDOW_TYPE"]):
                return w
        return None

    def program_menu(self):
        """A pop-up menu of the program: a mapped top-level window of its own
        that bypasses the window manager."""
        if self.app is None:
            return None
        ours = {int(v) for v in self.run(["xdotool", "search", "--pid", str(self.app.pid)]).split()}
        listed = self.run(["xwininfo", "-root", "-children"])
        for wid in re.findall(r"^\s+(0x[0-9a-f]+)", listed, re.MULTILINE):
            if int(wid, 16) in ours:
                stats = self.run(["xwininfo", "-id", wid])
                if "IsViewable" in stats and "Override Redirect State: yes" in stats:
                    return self.info(int(wid, 16))
        return None

    def refresh(self, window):
        return self.info(window.id)

    # --- input ----------------------------------------------------------
    def move_pointer(self, x, y, over_program=True):
        if self.wayland:
            # weston's nested backend moves its pointer by the steps of the
            # pointer underneath: one long step pins it in the top-left
            # corner, wherever it was, and the next one takes it to (x, y).
            width, height = self.host_size
            self.xdotool("mousemove", "--sync", width - 1, height - 1)
            self.xdotool("mousemove", "--sync", 0, 0)
        self.xdotool("mousemove", "--sync", x, y)
        if self.wayland and over_program:
            wait_for(lambda: self._xwayland_pointer_at(x, y), 10,
                     f"Xwayland's pointer to reach ({x}, {y})")

    def _xwayland_pointer_at(self, x, y):
        """Whether Xwayland has its pointer at (x, y). It learns that from
        the compositor's motion events and, on a busy machine, can keep an
        old place when the pointer comes back into a window: a step there
        and back tells it again."""
        match = re.match(r"x:(-?\d+) y:(-?\d+)", self.run(["xdotool", "getmouselocation"]))
        if match and (int(match.group(1)), int(match.group(2))) == (x, y):
            return True
        self.xdotool("mousemove", "--sync", x + 1, y)
        self.xdotool("mousemove", "--sync", x, y)
        return False

    def click(self, x, y, button=1):
        self.move_pointer(x, y)
        self.xdotool("click", button)

    def click_unit(self, left, top, dx=None, dy=None, width=20, height=20):
        """Clicks a unit of the main window by its layout place."""
        main = self.refresh(self.main)
        dx = width // 2 if dx is None else dx
        dy = height // 2 if dy is None else dy
        self.click(main.x + left + dx, main.y + top + dy)

    def key(self, *keys):
        self.xdotool("key", "--clearmodifiers", *keys)

    def type(self, text):
        if text.isascii():
            self.xdotool("type", "--delay", 20, "--", text)
            return
        # xdotool types characters the keyboard map lacks by remapping a spare
        # key, and under load the program can read the key before the new map:
        # the character is lost. A paste carries the text whole.
        subprocess.run(["xclip", "-selection", "clipboard", "-i"], input=text.encode(),
                       env=self.env, check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        wait_for(lambda: subprocess.run(["xclip", "-selection", "clipboard", "-o"],
                                        env=self.env, capture_output=True).stdout
                 == text.encode(), 10, "the clipboard to hold the text to type")
        self.key("ctrl+v")

    def activate(self, window):
        self.xdotool("windowactivate", "--sync", window.id)

    # --- pixels ---------------------------------------------------------
    def screenshot(self):
        data = subprocess.run(["import", "-window", "root", "png:-"], env=self.host_env,
                              capture_output=True, check=True).stdout
        return Image.open(io.BytesIO(data)).convert("RGB")

    def save_screenshot(self, name):
        target = Path(os.environ.get("AVATRIX_E2E_ARTIFACTS",
                                     Path(tempfile.gettempdir()) / "avatrix-e2e-artifacts"))
        target.mkdir(parents=True, exist_ok=True)
        self.screenshot().save(target / name)
        return target / name

    # --- tear-down ------------------------------------------------------
    def close(self):
        if self.server:
            self.server.shutdown()
            self.server.server_close()
            self.server = None
        for proc in reversed(self.procs):
            if proc.poll() is None:
                proc.send_signal(signal.SIGTERM)
                try:
                    proc.wait(5)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()
        self.procs = []
        shutil.rmtree(self.tmp, ignore_errors=True)


def dialog(s, title):
    """The program's mapped dialog window with this title, if one shows."""
    for w in s.program_windows():
        if w.mapped and w.name == title:
            return w
    return None


def focused_dialog(s, title):
    """A probe for the dialog once it shows and has the keyboard focus, so
    typing reaches it."""
    def probe():
        w = dialog(s, title)
        active = s.run(["xprop", "-root", "_NET_ACTIVE_WINDOW"]).split("#")[-1].strip()
        return w if w and active.startswith("0x") and int(active, 16) == w.id else None
    return probe


def dark_columns(image, box, threshold=110):
    """The x offsets (relative to the box) of columns holding a dark pixel."""
    region = image.crop(box)
    width, height = region.size
    pixels = region.load()
    columns = []
    for x in range(width):
        if any(sum(pixels[x, y]) / 3 < threshold for y in range(height)):
            columns.append(x)
    return columns


def mean_colour(image, box):
    region = image.crop(box)
    pixels = list(region.getdata())
    return tuple(sum(p[i] for p in pixels) / len(pixels) for i in range(3))


LOOPBACK_NOTICE_URL = "http://127.0.0.1:18473/notice.html"


def main(test, loopback_notice=True):
    """Runs `test(session_factory)` and turns its outcome into an exit code.
    With `loopback_notice`, only on a build that fetches its notice page from
    the loopback address the session serves."""
    global NOTICE_URL
    args = [a for a in sys.argv[1:] if not a.startswith("--notice-url=")]
    for a in sys.argv[1:]:
        if a.startswith("--notice-url="):
            NOTICE_URL = a.split("=", 1)[1] or None
    if len(args) != 1:
        print("usage: <test> <path to avatrix> [--notice-url=<build's notice address>]",
              file=sys.stderr)
        return 2
    if loopback_notice and not re.match(r"http://127\.0\.0\.1:\d+/", NOTICE_URL or ""):
        print(f"FAIL: this build reads its notice page from {NOTICE_URL or 'the bundled file'}, "
              "not from the loopback address the end-to-end tests serve; configure it with "
              f"-DAVATRIX_NOTICE_URL={LOOPBACK_NOTICE_URL} (scripts/build does)")
        return 1
    return run(test, args[0])


def run(test, binary, **session_options):
    """Runs `test(session_factory)` on `binary`; each session takes the
    options given here unless the test overrides them."""
    sessions = []

    def factory(**kwargs):
        session = Session(binary, **{**session_options, **kwargs})
        sessions.append(session)
        return session

    try:
        test(factory)
        print("PASS")
        return 0
    except Exception as failure:  # a failed check, or a tool that broke down
        print(f"FAIL: {type(failure).__name__}: {failure}")
        for session in sessions:
            try:
                shot = session.save_screenshot("failure.png")
                print(f"screenshot: {shot}")
            except Exception:  # the screen may already be gone
                pass
            out = session.output()
            if out:
                print("program output:\n" + out)
        return 1
    finally:
        for session in sessions:
            session.close()
