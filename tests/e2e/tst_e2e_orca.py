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

from atspi import check, failures, find, keys, png, wait_for


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
                time.sleep(0.5)  # what follows in the same presentation
                return heard + self.spoken()
            time.sleep(0.1)
        return heard

    def stop(self):
        self.process.kill()
        self.process.wait()


def after(orca, key_names, *wanted):
    keys(*key_names)
    heard = orca.says(*wanted)
    ok = all(any(w in h for h in heard) for w in wanted)
    return ok, heard


def main():
    program, start_page = sys.argv[1], sys.argv[2]
    work = tempfile.mkdtemp()
    folder = os.path.join(work, "写真")
    os.makedirs(os.path.join(folder, "旅行"))
    png(os.path.join(folder, "one.png"), 40, 30)
    png(os.path.join(folder, "two.png"), 30, 40)
    png(os.path.join(folder, "旅行", "three.png"), 20, 20)
    program_folder = os.path.join(work, "program")
    os.makedirs(program_folder)
    shutil.copy(program, program_folder)
    shutil.copy(start_page, program_folder)
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

        ok, heard = after(orca, ["Tab"], "ドライブ")
        check(ok, "Tab goes to the drive list: %s" % heard)
        ok, heard = after(orca, ["Tab"], "フォルダ", "写真")
        check(ok, "entering the folder list names the current folder: %s" % heard)
        ok, heard = after(orca, ["Tab"], "ファイル")
        check(ok, "the file list: %s" % heard)
        ok, heard = after(orca, ["Down"], "one.png")
        check(ok, "the file list speaks the chosen file: %s" % heard)

        ok, heard = after(orca, ["shift+F10"], "フィルタ popup menu", "最初の項目は *.jpeg（印あり）")
        check(ok, "Shift+F10 says the menu's name and its first item: %s" % heard)
        ok, heard = after(orca, ["Escape"], "one.png")
        check(ok, "closing the popup names the current file: %s" % heard)
        check(not [h for h in heard if "Zelvo-Viewer" in h], "and not the window's title again: %s" % heard)

        ok, heard = after(orca, ["shift+Tab"], "写真")
        check(ok, "back in the folder list: %s" % heard)
        ok, heard = after(orca, ["Menu"], "ショートカット popup menu")
        check(ok, "the menu key opens the history popup, heard by name: %s" % heard)
        ok, heard = after(orca, ["Up"], "終了時に履歴を保存する check box checked")
        check(ok, "a ticked option is a ticked check item: %s" % heard)
        ok, heard = after(orca, ["Return"], "not checked", "写真")
        check(ok, "unticking it is heard: %s" % heard)
        ok, heard = after(orca, ["Menu"], "ショートカット popup menu")
        check(ok, "the popup again: %s" % heard)
        ok, heard = after(orca, ["Up"], "終了時に履歴を保存する check box not checked")
        check(ok, "an unticked option says so: %s" % heard)
        ok, heard = after(orca, ["Escape"], "写真")
        check(ok, "the popup closes: %s" % heard)

        ok, heard = after(orca, ["Menu"], "ショートカット popup menu")
        check(ok, "the popup once more: %s" % heard)
        ok, heard = after(orca, ["Down", "Down"], "gone")
        check(ok, "its second entry is the folder that has gone: %s" % heard)
        ok, heard = after(orca, ["Return"], "読み込みに失敗しました。")
        check(ok, "choosing it is heard to fail: %s" % heard)

        ok, heard = after(orca, ["Down"], "旅行")
        check(ok, "the subfolder: %s" % heard)
        ok, heard = after(orca, ["Return"], "旅行 を開きました。ファイルは 1 個です")
        check(ok, "Enter on a folder says the folder and its files: %s" % heard)
        ok, heard = after(orca, ["Up"], "写真")
        check(ok, "the folder above: %s" % heard)
        ok, heard = after(orca, ["Return"], "写真 を開きました。ファイルは 2 個です")
        check(ok, "and back up: %s" % heard)

        # Onto the picture, then stepping: the picture names each file.
        ok, heard = after(orca, ["Tab"], "ファイル")
        check(ok, "the file list: %s" % heard)
        ok, heard = after(orca, ["Down"], "one.png")
        check(ok, "its first file: %s" % heard)
        ok, heard = after(orca, ["Tab"], "パス")
        check(ok, "the path box: %s" % heard)
        ok, heard = after(orca, ["Tab"], "画像")
        check(ok, "Tab reaches the picture: %s" % heard)
        ok, heard = after(orca, ["Right"], "two.png を表示しています")
        check(ok, "stepping on the picture names the file: %s" % heard)
        check(not [h for h in heard if "ファイル" in h or "List" in h],
              "and says nothing of the file list: %s" % heard)
        ok, heard = after(orca, ["1"], "100%")
        check(ok, "the zoom keys say the zoom: %s" % heard)
        keys("0")
        ok, heard = after(orca, ["F11"], "全画面表示")
        check(ok, "F11 says full screen: %s" % heard)
        ok, heard = after(orca, ["Left"], "one.png を表示しています")
        check(ok, "stepping in full screen names the file: %s" % heard)
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
