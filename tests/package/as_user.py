#!/usr/bin/python3
"""Started by tst_package.sh as an ordinary user: the unpacked program shows
its start page and keeps the history in the user's own data folder.

Usage: as_user.py USR   (the unpacked package's usr folder)
"""
import os
import subprocess
import sys

from atspi import check, close, failures, find, png, text_of, wait_for, window


def main():
    usr = sys.argv[1]
    home = os.environ["HOME"]
    program_folder = os.path.join(usr, "lib", "zelvoviewer")
    check(not os.access(program_folder, os.W_OK), "the program folder is not writable for this user")
    process = subprocess.Popen([os.path.join(usr, "bin", "Zelvoviewer")], cwd=home)
    app, frame = window()
    check(frame is not None, "the unpacked program opens its window")
    if frame:
        path = find(frame, "text", "パス")
        check(text_of(path) == os.path.join(program_folder, "Default.htm"),
              "the path box shows the start page beside the real executable: %s" % text_of(path))
        page = find(frame, "document frame", "ページ")
        check(wait_for(lambda: "Zelvo Viewer の使い方" in text_of(page)) is not None, "the start page is shown")
        artifacts = os.environ.get("ZELVO_ARTIFACTS")
        if artifacts and os.access(artifacts, os.W_OK):
            subprocess.run(["import", "-window", "root", os.path.join(artifacts, "package-installed.png")])
    check(close(process) == 0, "closed cleanly")
    history = os.path.join(home, ".local", "share", "Zelvoviewer", "Rireki.dat")
    check(os.path.isfile(history) and open(history, "rb").read().startswith(home.encode() + b"\r\n"),
          "the history went to the user's data folder, the start folder at slot 1")
    check(not os.path.exists(os.path.join(program_folder, "Rireki.dat")), "nothing was written beside the program")

    # A picture: decoded by the helper installed beside the program.
    check(os.path.isfile(os.path.join(program_folder, "zelvo-decoder")), "the decoder helper is installed beside it")
    picture = os.path.join(home, "photo.png")
    png(picture, 40, 30)
    process = subprocess.Popen([os.path.join(usr, "bin", "Zelvoviewer"), picture], cwd=home)
    app, frame = window()
    if check(frame is not None, "started on a picture, it opens its window"):
        image = find(frame, "image", "画像")
        check(wait_for(lambda: image.description == "photo.png を表示しています") is not None,
              "the picture is shown (%s)" % image.description)
    check(close(process) == 0, "closed cleanly")


main()
print("%d failed" % len(failures))
sys.exit(1 if failures else 0)
