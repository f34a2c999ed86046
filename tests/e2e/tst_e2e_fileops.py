#!/usr/bin/python3
"""Sorting photos in the real program with the keys a user presses, checked
on the disk, in the trash and on the clipboard.

Usage: tst_e2e_fileops.py PROGRAM DEFAULT_HTM
Runs under tests/e2e/with-display.sh and tests/e2e/with-accessibility.sh.
"""
import os
import shutil
import subprocess
import sys
import tempfile
from urllib.parse import quote

from atspi import install_program, appear, check, click, close, failures, find, keys, png, text_of, wait_for, window


def clipboard(target=None):
    command = ["xclip", "-o", "-selection", "clipboard"] + (["-t", target] if target else [])
    done = subprocess.run(command, capture_output=True, timeout=10)
    return done.stdout.decode("utf-8", "replace") if done.returncode == 0 else None


def listing(folder):
    return sorted(os.listdir(folder)) if os.path.isdir(folder) else []


def main():
    program, start_page = sys.argv[1], sys.argv[2]
    work = tempfile.mkdtemp()
    photos = os.path.join(work, "写真")
    trip = os.path.join(work, "旅行")
    data = os.path.join(work, "data")
    for folder in (photos, trip, data):
        os.makedirs(folder)
    for name, size in (("a.png", (40, 30)), ("b.png", (30, 40)), ("c.png", (50, 20))):
        png(os.path.join(photos, name), *size)
    program_folder = os.path.join(work, "program")
    install_program(program, start_page, program_folder)
    # The trip folder is in the history: F7 and F8 offer it first.
    with open(os.path.join(program_folder, "Rireki.dat"), "wb") as f:
        f.write("\r\n".join([trip] + ["履歴%d" % i for i in range(2, 11)] + ["True", ""]).encode("cp932"))
    trash = os.path.join(data, "Trash")

    env = dict(os.environ, XDG_DATA_HOME=data)
    process = subprocess.Popen([os.path.join(program_folder, "Zelvoviewer"), os.path.join(photos, "b.png")],
                               cwd=work, env=env)
    try:
        app, frame = window()
        if not check(frame is not None, "the program opens its window"):
            return
        path = find(frame, "text", "パス")
        picture = find(frame, "image", "画像")

        def shows(name):
            # The path box changes first; the picture, once decoded, is what
            # the keys below act on and what the clicks land on.
            return wait_for(lambda: text_of(path) == os.path.join(photos, name)
                            and picture.description == "%s を表示しています" % name) is not None

        check(shows("b.png"), "b.png is chosen")
        click(picture)

        keys("Delete")
        check(shows("c.png"), "Delete shows the next photo")
        check(listing(photos) == ["a.png", "c.png"] and listing(os.path.join(trash, "files")) == ["b.png"],
              "b.png is in the trash (%s, %s)" % (listing(photos), listing(os.path.join(trash, "files"))))
        with open(os.path.join(trash, "info", "b.png.trashinfo"), encoding="utf-8") as f:
            info = f.read()
        check(info.startswith("[Trash Info]\nPath=%s\nDeletionDate=" % quote(os.path.join(photos, "b.png"))),
              "its .trashinfo says where it was: %r" % info)

        keys("ctrl+z")
        check(shows("b.png"), "Ctrl+Z brings it back and shows it")
        check(listing(photos) == ["a.png", "b.png", "c.png"] and listing(os.path.join(trash, "files")) == [],
              "b.png is back in its folder")

        keys("F8")
        check(appear(app, "popup menu", "移動先") is not None, "F8 opens the popup of folders")
        keys("Down", "Return")
        check(shows("c.png"), "moving it on shows the next photo")
        check(listing(trip) == ["b.png"] and "b.png" not in listing(photos), "F8 moves b.png into the trip folder")
        keys("ctrl+z")
        check(shows("b.png") and listing(trip) == [] and "b.png" in listing(photos), "Ctrl+Z moves it back")

        keys("F7")
        check(appear(app, "popup menu", "コピー先") is not None, "F7 opens the popup of folders")
        keys("Down", "Return")
        check(wait_for(lambda: listing(trip) == ["b.png"]) is not None and "b.png" in listing(photos),
              "F7 copies b.png into the trip folder")

        keys("ctrl+c")
        targets = wait_for(lambda: (clipboard("TARGETS") or "") if "image/png" in (clipboard("TARGETS") or "") else None)
        check(targets is not None and "text/uri-list" in targets and "x-special/gnome-copied-files" in targets,
              "Ctrl+C offers the picture and the file: %s" % (targets or "").split())
        check((clipboard("text/uri-list") or "").strip() == "file://" + quote(os.path.join(photos, "b.png")),
              "as its URL (%s)" % clipboard("text/uri-list"))
        keys("ctrl+shift+c")
        check(wait_for(lambda: clipboard() == os.path.join(photos, "b.png")) is not None,
              "Ctrl+Shift+C puts its path as text (%s)" % clipboard())

        keys("F2")
        dialog = appear(app, "dialog", "名前の変更")
        check(dialog is not None, "F2 asks for the new name")
        keys("r", "e", "d", "Return")
        check(shows("red.png"), "the renamed file stays chosen")
        check(listing(photos) == ["a.png", "c.png", "red.png"], "the name is changed up to its type")

        keys("shift+Delete")
        question = appear(app, "alert", "完全に削除") or appear(app, "dialog", "完全に削除")
        check(question is not None, "Shift+Delete asks first")
        keys("Return")
        check(wait_for(lambda: find(app, None, "完全に削除") is None) is not None and "red.png" in listing(photos),
              "Enter keeps the file: the default answer is Cancel")
        keys("shift+Delete")
        question = appear(app, "alert", "完全に削除") or appear(app, "dialog", "完全に削除")
        button = find(question, "push button", "削除") if question else None
        if check(button is not None, "the question has a 削除 button"):
            button.queryAction().doAction(0)
        check(shows("c.png") and listing(photos) == ["a.png", "c.png"], "deleted for good, the next shown")
        check(listing(os.path.join(trash, "files")) == [], "not into the trash")

        # The picture's own popup lists every action with its key.
        click(picture)
        box = picture.queryComponent().getExtents(0)
        subprocess.run(["xdotool", "mousemove", str(box.x + box.width // 2), str(box.y + box.height // 2),
                        "click", "3"], check=True)
        menu = appear(app, "popup menu", "ファイルの操作")
        items = [node.name for node in menu] if menu else []
        check(["ごみ箱へ移動", "完全に削除...", "移動...", "コピー...", "名前の変更...", "画像をコピー", "パスをコピー",
               "元に戻す", "右に回転", "左に回転"] == [name for name in items if name], "the picture's popup: %s" % items)
        keys("Escape")
        subprocess.run(["import", "-window", "root", os.path.join(os.environ.get("ZELVO_ARTIFACTS", work),
                                                                  "e2e-fileops.png")])
    finally:
        check(close(process) == 0, "closed cleanly")
        shutil.rmtree(work, ignore_errors=True)


main()
print("%d failed" % len(failures))
sys.exit(1 if failures else 0)
