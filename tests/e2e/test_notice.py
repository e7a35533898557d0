#!/usr/bin/python3
"""The start-up check decides what the program becomes: a notice of a newer
version ends it with exit code 0 after telling the user and opening the
product's site; a page without a notice leaves the main window alone, with no
banner and no restore key, and it still ends with exit code 0. A second
start meanwhile only hands over to it."""
import sys

import harness
from harness import check, notice_page, wait_for

DEFAULT_TITLE = "信息："


def answer_box(s, title, what):
    box = wait_for(lambda: s.window_named(title), 30, what)
    s.activate(box)
    s.key("Return")
    return box


def newer_version(new_session):
    s = new_session(notice_body=notice_page("2.0"))
    s.launch(wait_for_main=False)
    answer_box(s, DEFAULT_TITLE, "the update message")
    code = s.wait_exit()
    check(code == 0, f"exit code {code} after the update message")
    # The browser is started detached and may write after the program ended.
    opened = wait_for(s.opened, 10, "the product site to be opened")
    check(len(opened) == 1 and opened[0].startswith("http"), f"opened {opened}")
    s.close()  # frees the notice port for the next session


def no_notice(new_session):
    s = new_session(notice_body=b"<html><body>nothing to see</body></html>")
    s.launch(wait_for_main=False)
    # A second start while the check still runs (its message is up), and
    # another in the main-window-only state: each hands over and ends, and
    # the first copy shows what it has.
    wait_for(lambda: s.window_named(DEFAULT_TITLE), 30, "the retry-later message")
    status, output = s.start_again()
    check(status == 0 and s.app.poll() is None, f"second start while checking: {status} {output}")
    answer_box(s, DEFAULT_TITLE, "the retry-later message")
    s.main = wait_for(lambda: s.window_named("Mirrowen文字头像"), 30, "the main window")
    wait_for(lambda: s.window_named(DEFAULT_TITLE) is None, 10, "the message to close")
    check(s.banner() is None, "a banner without a notice")
    status, output = s.start_again()
    check(status == 0 and s.app.poll() is None, f"second start, main window only: {status}")
    check(s.refresh(s.main).mapped and s.banner() is None, "the second start changed the windows")

    # No restore key: ALT+F12 does nothing, and "隐藏" leaves the window,
    # which nothing could bring back otherwise.
    s.click_unit(568, 160, width=56, height=24)
    s.key("alt+F12")
    s.activate(s.main)
    s.key("Escape")
    answer_box(s, "是否要关闭", "the exit question")
    answer_box(s, "温馨提示：", "the credit box")
    code = s.wait_exit()
    check(code == 0, f"exit code {code}")
    check(s.window_named("Mirrowen温馨提示") is None, "the hide hint showed")


def test(new_session):
    newer_version(new_session)
    no_notice(new_session)


if __name__ == "__main__":
    sys.exit(harness.main(test))
