#!/usr/bin/python3
"""The command line of the real program: help, version, a wrong path, a
folder to start in, and a file to open ("open with" from a file manager).

Usage: tst_e2e_commandline.py PROGRAM DEFAULT_HTM VERSION FORMATS_CORPUS
Runs under tests/e2e/with-display.sh and tests/e2e/with-accessibility.sh.
"""
import datetime
import os
import shutil
import subprocess
import sys
import tempfile

from atspi import install_program, appear, check, click, close, failures, find, keys, nodes, png, text_of, wait_for, window
from screenprofile import measured_srgb_profile, set_screen_profile


def run(program, *arguments):
    done = subprocess.run([program, *arguments], capture_output=True, timeout=30)
    return done.returncode, done.stdout.decode(), done.stderr.decode()


def pixel_at(x, y):
    """The screen's colour at x, y, as (red, green, blue); () when unread."""
    text = subprocess.run(["import", "-window", "root", "-crop", "1x1+%d+%d" % (x, y), "-depth", "8", "txt:-"],
                          capture_output=True, text=True).stdout
    return tuple(int(v) for v in text.split("(")[1].split(")")[0].split(",")[:3]) if "(" in text else ()


def close_to(seen, colour):
    return seen if len(seen) == 3 and all(abs(a - b) <= 6 for a, b in zip(seen, colour)) else None


def started(program, argument, work, what):
    """The program started on `argument`; its process and window (None when it has none)."""
    process = subprocess.Popen([program, argument], cwd=work)
    app, frame = window()
    check(frame is not None, "%s opens the window" % what)
    return process, frame


def main():
    work = tempfile.mkdtemp()
    # A program folder of its own: the history it writes stays out of the build.
    program_folder = os.path.join(work, "program")
    install_program(sys.argv[1], sys.argv[2], program_folder)
    program, version = os.path.join(program_folder, "Zelvoviewer"), sys.argv[3]
    folder = os.path.join(work, "旅行 写真")
    os.makedirs(os.path.join(folder, "sub"))
    picture = os.path.join(folder, "two.png")
    png(os.path.join(folder, "one.png"), 40, 30)
    png(picture, 30, 40)

    code, out, err = run(program, "--help")
    check(code == 0 and "使い方:" in out and "--version" in out and "[パス]" in out and not err,
          "--help answers in Japanese")
    code, out, err = run(program, "--version")
    check(code == 0 and out == "Zelvoviewer %s\n" % version, "--version says %s" % version)
    for wrong, said in ((os.path.join(work, "missing.png"), "見つかりません"), ("--bogus", "未知のオプション")):
        code, out, err = run(program, wrong)
        check(code == 2 and said in err and not out, "%s: status 2 and a message (%s)" % (wrong, err.strip()))
    # Each of those has ended (run waits for it): no window can come later.
    check(subprocess.run(["xdotool", "search", "--name", "^Zelvo-Viewer$"], capture_output=True).stdout == b"",
          "no window for a wrong path")

    # A folder: the lists start there, nothing chosen.
    process, frame = started(program, folder, work, "a folder argument")
    if frame:
        folders = find(frame, "list", "フォルダ")
        check(wait_for(lambda: find(folders, "list item", "sub")) is not None, "the folder list shows the folder")
        check(text_of(find(frame, "text", "パス")).endswith("Default.htm"), "the start page is shown")
    check(close(process) == 0, "closed cleanly")

    # Names whose bytes are not UTF-8 (a Shift_JIS file in a Latin-1 folder):
    # found by those bytes, listed, and the picture shown with its date and size.
    bad = os.path.join(work, "bad").encode() + b"\xff\xfe"
    os.makedirs(bad)
    raw_picture = bad + b"/p\x8e\xca.png"
    png(raw_picture, 20, 20)
    process, frame = started(program, raw_picture, work, "a path whose bytes are not UTF-8")
    if frame:
        image = find(frame, "image", "画像")
        check(wait_for(lambda: image.description.endswith("を表示しています")) is not None,
              "its picture is shown (%s)" % image.description)
        files = find(frame, "list", "ファイル")
        check(files is not None and files.childCount == 1 and files[0].getState().contains(
            __import__("pyatspi").STATE_SELECTED), "its file is listed and chosen")
        status = find(find(frame, "status bar", "状態"), "label")
        check(wait_for(lambda: (status.name or "").endswith(" バイト")) is not None,
              "the status line shows its date and size (%s)" % status.name)
    check(close(process) == 0, "closed cleanly")

    # A file, as a file manager's "open with" gives it: chosen as a click would.
    process, frame = started(program, picture, work, "a file argument")
    if frame:
        path = find(frame, "text", "パス")
        check(wait_for(lambda: text_of(path) == picture) is not None, "the path box shows the file")
        status = find(find(frame, "status bar", "状態"), "label")
        size = os.path.getsize(picture)
        when = datetime.datetime.fromtimestamp(os.path.getmtime(picture))
        expected = "%s %d:%s - %d バイト" % (when.strftime("%Y-%m-%d"), when.hour, when.strftime("%M:%S"), size)
        shown = wait_for(lambda: status.name or None)
        check(shown == expected, "the status line shows its date and size (%s)" % shown)
        selected = find(find(frame, "list", "ファイル"), "list item", "two.png")
        check(selected is not None and selected.getState().contains(__import__("pyatspi").STATE_SELECTED),
              "the file is selected in the file list")
        image = find(frame, "image", "画像")
        check(wait_for(lambda: image.description == "two.png を表示しています") is not None, "the picture is shown")
    subprocess.run(["import", "-window", "root", os.path.join(os.environ.get("ZELVO_ARTIFACTS", work),
                                                              "e2e-open-with.png")])
    check(close(process) == 0, "closed cleanly")

    # Photos of today's phones, and a photo in Adobe RGB and ProPhoto RGB:
    # shown, in the colours they were taken in, on a real display; on a screen
    # that says it is an Adobe RGB one, the Adobe RGB photo's own numbers go
    # to the screen unchanged.
    adobe = subprocess.run(["convert", os.path.join(sys.argv[4], "colour-adobe-rgb.jpg"), "icc:-"],
                           capture_output=True).stdout
    # Where each is looked at (fractions of the picture from its top left):
    # the reference's light band is its left third, so the first photos show
    # it there, upright; the HEIF turned a quarter by its own irot shows it
    # along its top.
    band = (240, 192, 64)
    # A calibrated screen's profile of 216 KB: every picture still shows, in
    # the colours it has on an sRGB screen.
    measured = measured_srgb_profile(36000)
    check(len(measured) > 216000, "the measured profile is as large as a calibrated screen's (%d)" % len(measured))
    for name, colour, screen, at in (("heic-8bit.heic", band, measured, (1 / 6, 1 / 2)),
                                     ("colour-adobe-rgb.jpg", (230, 40, 40), measured, (1 / 2, 1 / 2)),("heic-8bit.heic", band, None, (1 / 6, 1 / 2)),
                                     ("avif-10bit-444.avif", band, None, (1 / 6, 1 / 2)),
                                     ("jxl-8bit.jxl", band, None, (1 / 6, 1 / 2)),
                                     ("heic-orientation-6.heic", band, None, (1 / 2, 1 / 6)),
                                     ("colour-adobe-rgb.jpg", (230, 40, 40), None, (1 / 2, 1 / 2)),
                                     ("colour-prophoto-rgb.jpg", (230, 40, 40), None, (1 / 2, 1 / 2)),
                                     ("colour-adobe-rgb.jpg", (198, 44, 44), adobe, (1 / 2, 1 / 2))):
        set_screen_profile(screen)
        photo = os.path.join(folder, name)
        shutil.copy(os.path.join(sys.argv[4], name), photo)
        process, frame = started(program, photo, work, "%s" % name)
        if frame:
            image = find(frame, "image", "画像")
            check(wait_for(lambda: image.description == "%s を表示しています" % name) is not None, "%s is shown" % name)
            # The picture fills the view's width (it is wider than high and
            # smaller than the view): its height is found from its aspect.
            box = image.queryComponent().getExtents(0)
            width = min(box.width, 301)
            height = width * 201 // 301 if not name.startswith("heic-orientation") else min(box.height, 301)
            if name.startswith("heic-orientation"):
                width = height * 201 // 301
            left, top = box.x + (box.width - width) // 2, box.y + (box.height - height) // 2
            point = (left + int(width * at[0]), top + int(height * at[1]))
            # Announced once it is asked to paint: the pixel follows.
            seen = wait_for(lambda: close_to(pixel_at(*point), colour), 5) or pixel_at(*point)
            kind = "sRGB" if not screen else "measured sRGB" if screen is measured else "Adobe RGB"
            check(close_to(seen, colour), "%s shows rgb%s on the %s screen where it should (%s)"
                  % (name, colour, kind, seen))
            if name.endswith(".heic"):
                subprocess.run(["import", "-window", "root", os.path.join(os.environ.get("ZELVO_ARTIFACTS", work),
                                                                          "e2e-heic.png")])
        check(close(process) == 0, "closed cleanly")
    set_screen_profile(None)

    # "Open with" on a phone's photo: 「その他の画像形式」 is ticked for this
    # window, so the folder's photos of every format are listed around it.
    phone = os.path.join(work, "phone")
    os.makedirs(phone)
    for name in ("IMG_0001.heic", "IMG_0002.heic"):
        shutil.copy(os.path.join(sys.argv[4], "heic-8bit.heic"), os.path.join(phone, name))
    png(os.path.join(phone, "IMG_0003.png"), 30, 20)
    process, frame = started(program, os.path.join(phone, "IMG_0001.heic"), work, "a HEIC argument")
    if frame:
        files = find(frame, "list", "ファイル")
        check(wait_for(lambda: files.childCount == 3) is not None,
              "the folder's photos of every format are listed (%d)" % files.childCount)
        image = find(frame, "image", "画像")
        check(wait_for(lambda: image.description == "IMG_0001.heic を表示しています") is not None, "the photo is shown")
        click(image)
        keys("Right")
        check(wait_for(lambda: image.description == "IMG_0002.heic を表示しています") is not None,
              "the arrow key goes on to the next one")
    check(close(process) == 0, "closed cleanly")
    # A folder of them alone, opened: the empty list says they are there.
    iphone = os.path.join(work, "iphone")
    os.makedirs(iphone)
    for name in ("IMG_0001.heic", "IMG_0002.heic"):
        shutil.copy(os.path.join(phone, name), iphone)
    process, frame = started(program, iphone, work, "a folder of HEIC photos")
    if frame:
        status = find(frame, "status bar", "状態")
        said = wait_for(lambda: next((n.name for n in nodes(status) if "ほかの形式の画像が 2 個あります" in (n.name or "")), None))
        check(said is not None, "the status bar says the folder holds other pictures (%s)" % said)
    check(close(process) == 0, "closed cleanly")

    # A file the start-up pattern leaves out: listed and shown all the same.
    page = os.path.join(folder, "page.htm")
    with open(page, "w") as f:
        f.write("<html><body><p>page-from-the-command-line</p></body></html>")
    process, frame = started(program, page, work, "a page argument")
    if frame:
        path = find(frame, "text", "パス")
        check(wait_for(lambda: text_of(path) == page) is not None, "the path box shows the page")
        shown = find(frame, "document frame", "ページ")
        check(wait_for(lambda: "page-from-the-command-line" in text_of(shown)) is not None, "the page is shown")
        check(find(find(frame, "list", "ファイル"), "list item", "page.htm") is not None, "the page is listed")
    check(close(process) == 0, "closed cleanly")


main()
print("%d failed" % len(failures))
sys.exit(1 if failures else 0)
