#!/usr/bin/python3
"""Hostile files chosen in the real program: a decompression bomb, GIFs on an
absurd canvas, pages whose images are /dev/zero or a FIFO. After each the
window still answers (a right-click popup opens within a second) and the
program stays under 300 MiB.

Usage: tst_e2e_hostile.py PROGRAM DEFAULT_HTM HOSTILE_DATA_DIR
Runs under tests/e2e/with-display.sh and tests/e2e/with-accessibility.sh.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

from atspi import appear, check, click, close, failures, find, keys, text_of, wait_for, window

MAX_RSS_KIB = 300 * 1024


def rss_kib(pid):
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return -1


def popups():
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--class", "Zelvoviewer"], capture_output=True)
    return len(found.stdout.split())


def main():
    work = tempfile.mkdtemp()
    program_folder = os.path.join(work, "program")
    folder = os.path.join(work, "hostile")
    os.makedirs(program_folder)
    os.makedirs(folder)
    shutil.copy(sys.argv[1], program_folder)
    shutil.copy(sys.argv[2], program_folder)
    for name in os.listdir(sys.argv[3]):
        shutil.copy(os.path.join(sys.argv[3], name), folder)
    os.mkfifo(os.path.join(folder, "pipe"))
    pages = {"zero.htm": "/dev/zero", "fifo.htm": "pipe", "fullfifo.htm": os.path.join(folder, "pipe")}
    for page, image in pages.items():
        with open(os.path.join(folder, page), "w") as f:
            f.write('<html><body><p>%s-page</p><img src="%s"></body></html>' % (page, image))

    process = subprocess.Popen([os.path.join(program_folder, "Zelvoviewer")], cwd=folder)
    try:
        app, frame = window()
        if not check(frame is not None, "the program opens its window"):
            return
        files = find(frame, "list", "ファイル")
        folders = find(frame, "list", "フォルダ")
        # Every file listed: その他... (the filter popup's last item) and "*".
        click(appear(files, "list item", "bomb-30000x30000.png"))
        keys("Menu", "Up", "Return")
        time.sleep(1)
        keys("asterisk", "Return")
        check(wait_for(lambda: find(files, "list item", "zero.htm")) is not None, "the pages are listed")
        path = find(frame, "text", "パス")
        page = find(frame, "label", "ページ")
        for name in ["bomb-30000x30000.png", "canvas-20000x20000.gif", "canvas-20000x20000-animated.gif", *pages]:
            click(appear(files, "list item", name))
            shown = wait_for(lambda: text_of(path) == os.path.join(folder, name), 5)
            check(shown is not None, "%s chosen" % name)
            expected = "%s-page" % name if name in pages else "このファイルは表示できません。"
            check(wait_for(lambda: expected in text_of(page), 5) is not None, "%s shows %s" % (name, expected))
            # The window answers: a right click on the folder list opens its popup.
            item = appear(folders, "list item", "hostile")
            start = time.time()
            box = item.queryComponent().getExtents(0)
            subprocess.run(["xdotool", "mousemove", str(box.x + 10), str(box.y + box.height // 2), "click", "3"])
            opened = wait_for(lambda: popups() >= 2, 1.0)
            check(opened is not None, "after %s a popup opens within 1 s (%.2f s)" % (name, time.time() - start))
            keys("Escape")
            wait_for(lambda: popups() == 1, 2)
            rss = rss_kib(process.pid)
            check(0 < rss < MAX_RSS_KIB, "after %s the program holds %d MiB" % (name, rss // 1024))
        subprocess.run(["import", "-window", "root", os.path.join(os.environ.get("ZELVO_ARTIFACTS", work),
                                                                  "e2e-hostile.png")])
    finally:
        check(close(process) == 0, "closed cleanly")
        shutil.rmtree(work, ignore_errors=True)


main()
print("%d failed" % len(failures))
sys.exit(1 if failures else 0)
