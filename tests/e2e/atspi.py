"""Reading the real program over AT-SPI, as a screen reader does, and
driving it with xdotool, as a user does. Shared by the end-to-end scripts."""
import os
import shutil
import struct
import subprocess
import time
import zlib

import pyatspi
from gi.repository import Atspi, GLib

# Read every answer from the program, never from the client's cache.
pyatspi.setCacheLevel(Atspi.Cache.NONE)

failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)
    return condition


def wait_for(probe, timeout=10.0):
    end = time.time() + timeout
    while time.time() < end:
        GLib.MainContext.default().iteration(False)
        value = probe()
        if value:
            return value
        time.sleep(0.05)
    return None


def install_program(program, start_page, folder):
    """The program as installed: its executable, its decoder helper beside
    it and its start page, in `folder` (made here)."""
    os.makedirs(folder, exist_ok=True)
    shutil.copy(program, folder)
    shutil.copy(os.path.join(os.path.dirname(program), "zelvo-decoder"), folder)
    shutil.copy(start_page, folder)
    return os.path.join(folder, "Zelvoviewer")


def deliver():
    """Hands the listeners every event received so far. An answer from the
    program comes after the events it sent before it, but those are only
    queued until the main loop runs."""
    context = GLib.MainContext.default()
    while context.pending():
        context.iteration(False)


def keys(*names):
    subprocess.run(["xdotool", "key", "--delay", "80", *names], check=True)


def scroll_into_view(node):
    """A list item below or above its list's visible rows is wheeled into
    view, as a user would before clicking it."""
    parent = node.parent
    if parent is None or parent.getRoleName() != "list":
        return
    area = parent.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    for _ in range(100):
        box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        middle = box.y + box.height // 2
        if area.y <= middle < area.y + area.height and box.height > 0:
            return
        wheel = "5" if middle >= area.y + area.height else "4"
        subprocess.run(["xdotool", "mousemove", str(area.x + area.width // 2), str(area.y + area.height // 2),
                        "click", wheel], check=True)
        time.sleep(0.05)


def click(node):
    """A left click in the middle of the node. A node that takes the keyboard
    is waited for until it has it, so that the next key goes to it."""
    scroll_into_view(node)
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", str(box.x + box.width // 2), str(box.y + box.height // 2),
                    "click", "1"], check=True)
    if node.getState().contains(pyatspi.STATE_FOCUSABLE):
        wait_for(lambda: node.getState().contains(pyatspi.STATE_FOCUSED))
    else:
        time.sleep(0.3)


def nodes(root):
    if root is None:
        return
    yield root
    for child in root:
        yield from nodes(child)


def find(root, role=None, name=None):
    for node in nodes(root):
        try:
            if (role is None or node.getRoleName() == role) and (name is None or node.name == name):
                return node
        except Exception:
            pass
    return None


def appear(root, role=None, name=None, timeout=10.0):
    """The node once it is there (lists fill after the window shows)."""
    return wait_for(lambda: find(root, role, name), timeout)


def window(timeout=15.0):
    """The program's window once it is on the bus: (application, frame)."""
    app = wait_for(lambda: find(pyatspi.Registry.getDesktop(0), "application", "Zelvoviewer"), timeout)
    frame = wait_for(lambda: find(app, "frame", "Zelvo-Viewer"), timeout) if app else None
    return app, frame


def text_of(node):
    text = node.queryText()
    return text.getText(0, text.characterCount)


def png(path, width, height):
    raw = b"".join(b"\x00" + b"\x80\x40\x20" * width for _ in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def close(process, timeout=15.0):
    """Closes the window through the window manager; the exit status.
    Asked again until it goes: a window manager busy with a window that has
    just appeared may not list it yet."""
    end = time.time() + timeout
    while time.time() < end:
        subprocess.run(["wmctrl", "-c", "Zelvo-Viewer"], check=False, capture_output=True)
        try:
            return process.wait(1.0)
        except subprocess.TimeoutExpired:
            pass
    process.kill()
    process.wait()
    return None
