#!/usr/bin/python3
"""What the screen reader Orca says, driven by keys only: its speech is
written to a file (speech itself is off) and read back after each step.

Usage: tst_e2e_orca.py PROGRAM DEFAULT_HTM
Runs under tests/e2e/with-display.sh and tests/e2e/with-accessibility.sh.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

import pyatspi

from atspi import install_program, check, failures, find, keys, png, wait_for


class Orca:
    """Orca with speech off, what it says written in `folder`."""

    def __init__(self, folder):
        self.log = os.path.join(folder, "speech.log")
        env = dict(os.environ, HOME=folder)
        self.process = subprocess.Popen([os.path.join(os.path.dirname(__file__), "orca-speech.py"), self.log],
                                        env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.read = 0

    def spoken(self):
        """What Orca has said since the last call."""
        if not os.path.exists(self.log):
            return []
        with open(self.log, "rb") as f:
            f.seek(self.read)
            text = f.read()
        # Only whole lines: Orca may be writing the last one.
        text = text[:text.rfind(b"\n") + 1]
        self.read += len(text)
        return re.findall(r"SPEECH OUTPUT: '(.*?)'", text.decode("utf-8", "replace"))

    def ready(self, timeout=30.0):
        """Orca has started once it is on the accessibility bus itself."""
        return wait_for(lambda: find(pyatspi.Registry.getDesktop(0), "application", "orca"), timeout) is not None

    def says(self, *wanted, timeout=15.0):
        """Everything said until each of `wanted` has been said (in one
        utterance each), or the time is up."""
        heard = []
        end = time.time() + timeout
        while time.time() < end:
            heard += self.spoken()
            if all(any(w in h for h in heard) for w in wanted):
                return heard
            time.sleep(0.1)
        return heard

    def stop(self):
        self.process.kill()
        self.process.wait()


def main():
    program, start_page = sys.argv[1], sys.argv[2]
    # Orca runs once per user; the user's own screen reader is left alone.
    if subprocess.run(["pgrep", "-u", str(os.getuid()), "-x", "orca"], capture_output=True).returncode == 0:
        print("skipped: Orca is already running for this user")
        sys.exit(77)
    work = tempfile.mkdtemp()
    folder = os.path.join(work, "写真")
    os.makedirs(os.path.join(folder, "旅行"))
    png(os.path.join(folder, "one.png"), 40, 30)
    png(os.path.join(folder, "two.png"), 30, 40)
    png(os.path.join(folder, "旅行", "three.png"), 20, 20)
    program_folder = os.path.join(work, "program")
    install_program(program, start_page, program_folder)
    gone = os.path.join(work, "gone")
    with open(os.path.join(program_folder, "Rireki.dat"), "wb") as f:
        f.write("\r\n".join([gone] + ["履歴%d" % i for i in range(2, 11)] + ["True", ""]).encode("cp932"))

    orca = Orca(work)
    process = None
    try:
        ready = orca.ready()
        check(ready, "Orca runs on this display")
        if not ready:
            return
        process = subprocess.Popen([os.path.join(program_folder, "Zelvoviewer")], cwd=folder)

        heard = orca.says("Zelvo Viewer の使い方", timeout=30)
        check(any("ページ" in h and "document" in h and "Zelvo Viewer の使い方" in h for h in heard),
              "the start page is a document and its first line is read: %s" % heard)

        # Each key and what must be heard after it (and what must not).
        steps = [
            ("Tab", ["ドライブ"], [], "Tab goes to the drive list"),
            ("Tab", ["フォルダ", "写真"], [], "entering the folder list names the current folder"),
            ("KP_Enter", ["list item", "写真"], [], "so does Where Am I"),
            ("Tab", ["ファイル"], [], "then the file list"),
            ("Down", ["one.png"], [], "the file list speaks the chosen file"),
            ("KP_Enter", ["list item", "one.png"], [], "Where Am I names the current file"),
            ("shift+F10", ["フィルタ popup menu", "最初の項目は *.jpeg（印あり）"], [],
             "Shift+F10 says the menu's name and its first item"),
            ("Escape", ["one.png"], ["Zelvo-Viewer"], "closing the popup names the current file, not the window"),
            ("KP_Enter", ["list item", "one.png"], [], "and so does Where Am I"),
            ("shift+Tab", ["写真"], [], "back in the folder list"),
            ("Menu", ["ショートカット popup menu"], [], "the menu key opens the history popup, heard by name"),
            ("Up", ["終了時に履歴を保存する check box checked"], [], "a ticked option is a ticked check item"),
            ("Return", ["not checked", "写真"], [], "unticking it is heard"),
            ("Menu", ["ショートカット popup menu"], [], "the popup again"),
            ("Up", ["終了時に履歴を保存する check box not checked"], [], "an unticked option says so"),
            ("Escape", ["写真"], ["Zelvo-Viewer"], "the popup closes"),
            ("Menu", ["ショートカット popup menu"], [], "the popup once more"),
            ("Down", ["写真"], [], "its first entry, the folder shown"),
            ("Down", ["gone"], [], "its second entry is the folder that has gone"),
            ("Return", ["読み込みに失敗しました。"], [], "choosing it is heard to fail"),
            ("Down", ["旅行"], [], "the subfolder"),
            ("Return", ["旅行 を開きました。ファイルは 1 個です"], [], "Enter on a folder says the folder and its files"),
            ("Up", ["写真"], [], "the folder above"),
            ("Return", ["写真 を開きました。ファイルは 2 個です"], [], "and back up"),
            ("Tab", ["ファイル"], [], "the file list"),
            ("Down", ["one.png"], [], "its first file"),
            ("Tab", ["パス"], [], "the path box"),
            ("Tab", ["画像"], [], "Tab reaches the picture"),
            ("Right", ["two.png を表示しています"], ["ファイル", "List"],
             "stepping on the picture names the file and nothing of the file list"),
            ("1", ["100%"], [], "the zoom keys say the zoom"),
            ("0", ["%"], [], "the zoom that fits"),
            ("F11", ["全画面表示"], [], "F11 says full screen"),
            ("Left", ["one.png を表示しています"], [], "stepping in full screen names the file"),
        ]
        # Orca speaks in the order things happen, so what a key makes it say
        # ends where the next key's wanted words begin: words that must not
        # be heard are looked for up to there, not for a fixed time.
        assert not steps[-1][2], "the last step has nothing after it to end it"
        before = None  # the step whose unwanted words are still looked for
        for key, wanted, unwanted, what in steps:
            keys(key)
            heard = orca.says(*wanted)
            found = all(any(w in h for h in heard) for w in wanted)
            check(found, "%s: %s" % (what, heard))
            if before:
                first = next((i for i, h in enumerate(heard) if any(w in h for w in wanted)), len(heard))
                late = before[2] + heard[:first]
                stray = [h for h in late if any(u in h for u in before[1])]
                check(not stray, "%s, and nothing else: %s" % (before[0], late))
            before = (what, unwanted, heard) if unwanted else None
        keys("Escape")
    finally:
        if process:
            process.kill()
            process.wait()
        orca.stop()
        shutil.rmtree(work, ignore_errors=True)


main()
print("%d failed" % len(failures))
sys.exit(1 if failures else 0)
