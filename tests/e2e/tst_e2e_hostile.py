#!/usr/bin/python3
"""Hostile files chosen in the real program: a decompression bomb, GIFs on an
absurd canvas, pages whose images are /dev/zero or a FIFO, pages too big or
too deep to build at once, PNGs heavy with text. After each the
window still answers (a right-click popup opens within a second) and the
program stays under 300 MiB.

Then files that cost their decoder dearly or try to reach beyond it (an SVG
naming /dev/ptmx or a FIFO, a compressed SVG inflating to 200 MB, HEIC grids
of 14000 x 14000 repeating one tile, of tiles outside their picture and of
tiles missing, an overlay of 3290 pictures, a JPEG XL claiming 25000 x
20000, an HDR AVIF claiming light past what it can code, an AVIF sequence,
camera RAW files claiming 25000 x 20000 or cut short, a big lossless WebP, a big animated one, a one-bit palette PNG), each opened
by itself: the window
answers within 100 ms throughout, the next photo appears, the program holds
less than 300 MiB, and it ends within 5 s of its window closing.

Usage: tst_e2e_hostile.py PROGRAM DEFAULT_HTM HOSTILE_DATA_DIR
Runs under tests/e2e/with-display.sh and tests/e2e/with-accessibility.sh.
"""
import gzip
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zlib

from atspi import install_program, appear, check, click, close, failures, find, keys, text_of, wait_for, window

# The sanitizer build keeps up to 256 MiB of freed memory in quarantine, and
# shadow memory besides: there the bound only catches a runaway.
MAX_RSS_KIB = int(os.environ.get("ZELVO_MAX_RSS_MIB", "300")) * 1024


def rss_kib(pid):
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return -1


def gif_on_canvas(width, height, frames):
    """A GIF whose frames are one pixel each on a vast canvas."""
    gif = b"GIF89a" + struct.pack("<HH", width, height) + b"\x80\x00\x00" + b"\x00\x00\x00\xff\xff\xff"
    gif += b"\x21\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00"
    for i in range(frames):
        gif += b"\x21\xf9\x04\x00\x02\x00\x00\x00"
        gif += b"\x2c" + struct.pack("<HHHH", i % width, 0, 1, 1) + b"\x00" + b"\x02\x02\x44\x01\x00"
    return gif + b";"


def png_with_text(path, texts):
    """A 64 x 48 grey PNG carrying the given tEXt chunks."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    rows = b"".join(b"\x00" + b"\x80" * 64 for _ in range(48))
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 64, 48, 8, 0, 0, 0, 0)))
        for key, text in texts:
            f.write(chunk(b"tEXt", key + b"\x00" + text))
        f.write(chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def pinged(frame, seconds):
    """The longest the window took to answer, asked again and again for
    `seconds`: each question is answered by the window's own thread."""
    longest = 0.0
    end = time.time() + seconds
    while time.time() < end:
        start = time.time()
        frame.childCount  # a round trip to the program
        longest = max(longest, time.time() - start)
        time.sleep(0.02)
    return longest


def contained_walk(program_folder, folder, data):
    """Each file opened by itself, then the next photo, then closed."""
    os.mkfifo(os.path.join(folder, "fifo"))
    svg = ('<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" width="200" '
           'height="100"><rect width="200" height="100" fill="#2050c0"/><image width="200" height="100" '
           'xlink:href="%s"/></svg>')
    for name, target in (("svg-ptmx.svg", "/dev/ptmx"), ("svg-fifo.svg", os.path.join(folder, "fifo"))):
        with open(os.path.join(folder, name), "w") as f:
            f.write(svg % target)
    for name in ("heic-grid-14000x14000.heic", "heic-grid-tiles-outside.heic", "heic-grid-missing-tiles.heic",
                 "heic-overlay-14000x14000.heic", "jxl-claims-25000x20000.jxl", "raw-claims-25000x20000.dng"):
        shutil.copy(os.path.join(data, name), folder)
    for name in ("hostile-pq-absurd-light.avif", "avif-sequence.avifs", "hostile-truncated-raw-plain.dng"):
        shutil.copy(os.path.join(data, "..", "formats", name), folder)
    # 200 MB of SVG in a few hundred kilobytes.
    with gzip.open(os.path.join(folder, "bomb.svgz"), "wb") as bomb:
        bomb.write(b"<svg xmlns='http://www.w3.org/2000/svg' width='100' height='100'>")
        for _ in range(200):
            bomb.write(b" " * (1024 * 1024))
        bomb.write(b"</svg>")
    subprocess.run(["convert", "-size", "6000x6000", "gradient:red-blue", "-define", "webp:lossless=true",
                    os.path.join(folder, "big-lossless.webp")], check=True)
    subprocess.run(["convert", "-size", "2900x2900", "xc:#2050c0", "xc:#2050c1", "xc:#2050c2", "xc:#2050c3",
                    "-loop", "0", "-delay", "10", os.path.join(folder, "animated-2900.webp")], check=True)
    # ImageMagick writes a picture of one colour as a one-bit palette PNG.
    subprocess.run(["convert", "-size", "3000x2000", "xc:#2050c0", os.path.join(folder, "one-bit.png")], check=True)
    png_with_text(os.path.join(folder, "zz-next.png"), [])
    blue = (0x20, 0x50, 0xc0)
    for name, colour in (("svg-ptmx.svg", blue), ("svg-fifo.svg", blue), ("bomb.svgz", None),
                         ("heic-grid-14000x14000.heic", None), ("heic-grid-tiles-outside.heic", None),
                         ("heic-grid-missing-tiles.heic", None), ("heic-overlay-14000x14000.heic", None),
                         ("jxl-claims-25000x20000.jxl", None), ("hostile-pq-absurd-light.avif", None),
                         ("raw-claims-25000x20000.dng", None), ("hostile-truncated-raw-plain.dng", None),
                         # Red then green: an animation may be past its first frame when looked at.
                         ("avif-sequence.avifs", ((0xe0, 0x20, 0x20), (0x20, 0xe0, 0x20))),
                         ("big-lossless.webp", None), ("animated-2900.webp", blue), ("one-bit.png", blue)):
        process = subprocess.Popen([os.path.join(program_folder, "Zelvoviewer"), os.path.join(folder, name)],
                                   cwd=folder)
        app, frame = window()
        if not check(frame is not None, "%s: the program opens its window" % name):
            close(process)
            continue
        longest = pinged(frame, 1.5)
        check(longest < 0.1, "%s: the window answers within 100 ms (at worst %.0f ms)" % (name, longest * 1000))
        image = find(frame, "image", "画像")
        if colour:
            shown = wait_for(lambda: image.description == "%s を表示しています" % name, 10)
            box = image.queryComponent().getExtents(0)
            middle = (box.x + box.width // 2, box.y + box.height // 2)
            colours = colour if isinstance(colour[0], tuple) else (colour,)
            frame_colour = lambda seen: next((seen for c in colours if close_to(seen, c)), None)
            seen = wait_for(lambda: frame_colour(pixel_at(*middle)), 5) or pixel_at(*middle)
            check(shown is not None and frame_colour(seen) is not None,
                  "%s is shown, its own colour in the middle (%s)" % (name, seen))
        files = find(frame, "list", "ファイル")
        click(appear(files, "list item", "zz-next.png"))
        check(wait_for(lambda: image.description == "zz-next.png を表示しています", 10) is not None,
              "after %s the next photo appears" % name)
        longest = pinged(frame, 0.5)
        check(longest < 0.1, "%s: the window still answers within 100 ms (%.0f ms)" % (name, longest * 1000))
        rss = rss_kib(process.pid)
        check(0 < rss < MAX_RSS_KIB, "after %s the program holds %d MiB" % (name, rss // 1024))
        start = time.time()
        code = close(process)
        check(code == 0 and time.time() - start < 5, "%s: the program ends within 5 s of closing (%.1f s)"
              % (name, time.time() - start))


def pixel_at(x, y):
    text = subprocess.run(["import", "-window", "root", "-crop", "1x1+%d+%d" % (x, y), "-depth", "8", "txt:-"],
                          capture_output=True, text=True).stdout
    return tuple(int(v) for v in text.split("(")[1].split(")")[0].split(",")[:3]) if "(" in text else ()


def close_to(seen, colour):
    return seen if len(seen) == 3 and all(abs(a - b) <= 8 for a, b in zip(seen, colour)) else None


def popups():
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--class", "Zelvoviewer"], capture_output=True)
    return len(found.stdout.split())


def main():
    work = tempfile.mkdtemp()
    program_folder = os.path.join(work, "program")
    folder = os.path.join(work, "hostile")
    os.makedirs(folder)
    install_program(sys.argv[1], sys.argv[2], program_folder)
    for name in os.listdir(sys.argv[3]):
        shutil.copy(os.path.join(sys.argv[3], name), folder)
    os.mkfifo(os.path.join(folder, "pipe"))
    pages = {"zero.htm": "/dev/zero", "fifo.htm": "pipe", "fullfifo.htm": os.path.join(folder, "pipe")}
    for page, image in pages.items():
        with open(os.path.join(folder, page), "w") as f:
            f.write('<html><body><p>%s-page</p><img src="%s"></body></html>' % (page, image))
    # Pages that would stop the window: shown as far as they fit.
    cut = "このページは長すぎるため、途中までしか表示していません。"
    subprocess.run(["convert", "-size", "4000x4000", "xc:gray", os.path.join(folder, "16mp.png")], check=True)
    big_pages = {
        "nested.htm": "<html><body>" + "<ul><li>x" * 100000,
        "huge.htm": "<html><body>" + "<p>huge page text</p>\n" * (60 * 1024 * 1024 // 22),
        "pictures.htm": "<html><body>" + '<img src="16mp.png" width=40>' * 2000,
    }
    for page, html in big_pages.items():
        with open(os.path.join(folder, page), "w") as f:
            f.write(html)
    # A 5600 x 5600 canvas of 200 one-pixel frames, and PNGs heavy with text.
    with open(os.path.join(folder, "canvas-5600-frames.gif"), "wb") as f:
        f.write(gif_on_canvas(5600, 5600, 200))
    png_with_text(os.path.join(folder, "text-50mb.png"), [(b"Comment", b"t" * (50 * 1024 * 1024))])
    png_with_text(os.path.join(folder, "text-100000.png"), [(b"k%d" % i, b"v") for i in range(100000)])

    process = subprocess.Popen([os.path.join(program_folder, "Zelvoviewer")], cwd=folder)
    try:
        app, frame = window()
        if not check(frame is not None, "the program opens its window"):
            return
        files = find(frame, "list", "ファイル")
        folders = find(frame, "list", "フォルダ")
        # Every file listed: その他... in the filter popup, and "*".
        click(appear(files, "list item", "bomb-30000x30000.png"))
        keys("Menu")
        click(appear(app, None, "その他..."))
        check(wait_for(lambda: find(app, "dialog")) is not None, "the free pattern is asked for")
        keys("asterisk", "Return")
        check(wait_for(lambda: find(files, "list item", "zero.htm")) is not None, "the pages are listed")
        path = find(frame, "text", "パス")
        page = find(frame, "document frame", "ページ")
        image = find(frame, "image", "画像")
        stills = ["canvas-5600-frames.gif", "text-50mb.png", "text-100000.png"]
        for name in ["bomb-30000x30000.png", "canvas-20000x20000.gif", "canvas-20000x20000-animated.gif", *pages,
                     *big_pages, *stills]:
            click(appear(files, "list item", name))
            shown = wait_for(lambda: text_of(path) == os.path.join(folder, name), 5)
            check(shown is not None, "%s chosen" % name)
            if name in stills:
                check(wait_for(lambda: image.description == "%s を表示しています" % name, 10) is not None,
                      "%s is shown" % name)
            else:
                expected = ("%s-page" % name if name in pages else cut if name in big_pages
                            else "このファイルは表示できません。")
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
    try:
        contained = os.path.join(work, "contained")
        os.makedirs(contained)
        contained_walk(program_folder, contained, sys.argv[3])
    finally:
        shutil.rmtree(work, ignore_errors=True)


main()
print("%d failed" % len(failures))
sys.exit(1 if failures else 0)
