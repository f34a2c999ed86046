#!/usr/bin/python3
"""What a screen reader hears from the real program, read back over AT-SPI.

Usage: tst_e2e_accessibility.py PROGRAM DEFAULT_HTM
Runs under tests/e2e/with-display.sh and tests/e2e/with-accessibility.sh.
"""
import os
import shutil
import subprocess
import sys
import tempfile

import pyatspi

from atspi import install_program, appear, check, click, deliver, failures, find, keys, nodes, png, wait_for


def main():
    program, start_page = sys.argv[1], sys.argv[2]
    work = tempfile.mkdtemp()
    folder = os.path.join(work, "写真")
    os.makedirs(folder)
    png(os.path.join(folder, "one.png"), 40, 30)
    png(os.path.join(folder, "two.png"), 30, 40)
    program_folder = os.path.join(work, "program")
    install_program(program, start_page, program_folder)
    # The history offers a folder that has gone: choosing it fails.
    gone = os.path.join(work, "gone")
    with open(os.path.join(program_folder, "Rireki.dat"), "wb") as f:
        f.write("\r\n".join([gone] + ["履歴%d" % i for i in range(2, 11)] + ["True", ""]).encode("cp932"))

    state_changes = []
    pyatspi.Registry.registerEventListener(lambda event: state_changes.append(event.source.name),
                                           "object:state-changed:checked")
    # A screen reader meets a popup's items as they take the focus.
    focused = []

    def on_focus(event):
        if event.detail1:
            item = event.source
            focused.append({"role": item.getRoleName(), "name": item.name, "description": item.description,
                            "checked": item.getState().contains(pyatspi.STATE_CHECKED),
                            "menu": (item.parent.getRoleName(), item.parent.name)})

    pyatspi.Registry.registerEventListener(on_focus, "object:state-changed:focused")

    def focus_on(name):
        return wait_for(lambda: next((f for f in reversed(focused) if f["name"] == name), None))
    process = subprocess.Popen([os.path.join(program_folder, "Zelvoviewer")], cwd=folder)
    try:
        app = wait_for(lambda: find(pyatspi.Registry.getDesktop(0), "application", "Zelvoviewer"))
        check(app is not None, "the program is on the accessibility bus")
        if app is None:
            return
        frame = wait_for(lambda: find(app, "frame", "Zelvo-Viewer"))
        check(frame is not None, "the window is a frame named Zelvo-Viewer")
        expected = [
            ("list", "フォルダ", "フォルダの一覧"),
            ("list", "ファイル", "ファイルの一覧"),
            ("text", "パス", "表示しているファイルのパス"),
            ("layered pane", "表示", "選んだ画像またはページ"),
            ("status bar", "状態", "選んだファイルの日付と大きさ"),
            ("image", "画像", None),
        ]
        for role, name, help in expected:
            node = find(frame, role, name)
            check(node is not None, "%s named %s" % (role, name))
            if node is not None and help:
                check(node.description.startswith(help), "%s described as %s" % (name, help))
        drives = find(frame, "combo box")
        check(drives is not None and drives.description == "ドライブの一覧", "the drive list is described")
        check(drives is not None and drives.name == "ドライブ", "the drive list is named ドライブ, not by its value")
        check(drives is not None and drives.childCount == 1 and drives[0].name == "ドライブ",
              "its drop-down list is named too")
        spoken = [node.name for node in nodes(frame)]
        check(not set(spoken) & {"Dir1", "File1", "Text1", "Panel", "View", "ViewImage", "1"},
              "no identifier or header read out: %s" % sorted(set(spoken)))

        # Into the file list and onto the first picture: its name is announced.
        folders = find(frame, "list", "フォルダ")
        click(appear(folders, "list item", "写真"))  # only highlights it
        keys("Tab", "Down")
        picture = find(frame, "image", "画像")
        check(wait_for(lambda: picture.description == "one.png を表示しています") is not None,
              "the picture announces its file")
        # Stepping from the picture: the picture names the file; the keyboard
        # stays on the picture and nothing says it went to the file list.
        click(picture)
        focused.clear()
        keys("Right")
        check(wait_for(lambda: picture.description == "two.png を表示しています") is not None,
              "stepping from the picture announces the next file")
        deliver()  # whatever the program sent before the description changed
        check(not [f for f in focused if f["role"] in ("list item", "list")],
              "stepping sends no focus to the file list: %s" % focused)
        keys("Left")
        check(wait_for(lambda: picture.description == "one.png を表示しています") is not None, "and back")
        # The zoom keys say the zoom: 1 is the picture's own pixels.
        keys("1")
        check(wait_for(lambda: picture.description == "100%") is not None,
              "1 says 100%% (%s)" % picture.description)
        keys("plus")
        check(wait_for(lambda: picture.description == "125%") is not None, "+ says 125%% (%s)" % picture.description)
        keys("0")
        # Full screen, stepping announces each picture too.
        keys("F11")
        whole = wait_for(lambda: next((n for n in nodes(app) if n.name == "全画面表示"), None))
        check(whole is not None, "full screen is on the bus as 全画面表示")
        if whole is not None:
            keys("Right")
            shown = wait_for(lambda: find(whole, "image", "画像"))
            check(shown is not None and wait_for(lambda: shown.description == "two.png を表示しています") is not None,
                  "full screen, the next picture announces its file")
        keys("Escape")

        # Entering a list names its current row, after the list itself. Each
        # step waits for the last event it causes, so none is left to come.
        click(appear(frame, "list item", "one.png"))
        focus_on("one.png")
        focused.clear()
        keys("shift+Tab")
        entered = focus_on("写真")
        check(entered is not None and entered["role"] == "list item"
              and [f["name"] for f in focused][:1] == ["フォルダ"],
              "entering the folder list focuses its current folder: %s" % focused)
        # A refresh from the disk moves nothing the user chose: nothing is
        # announced again. The new file sorts before the chosen one.
        keys("Tab")
        check(focus_on("one.png") is not None, "entering the file list focuses its chosen file")
        focused.clear()
        png(os.path.join(folder, "0.png"), 10, 10)
        files = find(frame, "list", "ファイル")
        check(appear(files, "list item", "0.png") is not None, "the new file is listed")
        # Down moves to the next file, whose focus event comes after anything
        # the refresh sent: it proves that all of that has been heard.
        keys("Down")
        check(focus_on("two.png") is not None, "Down moves on to two.png")
        check(not [f for f in focused if f["name"] != "two.png"], "the refresh announces nothing: %s" % focused)

        # The history popup, opened from the keyboard, takes the focus itself
        # and names its first item; its save option is the last item.
        click(appear(folders, "list item", "写真"))
        focused.clear()
        keys("Menu")
        menu = focus_on("ショートカット")
        check(menu is not None and menu["role"] == "popup menu"
              and menu["description"].startswith("最初の項目は "), "the opened popup is heard: %s" % menu)
        keys("Up")
        option = focus_on("終了時に履歴を保存する")
        check(option is not None and option["menu"] == ("popup menu", "ショートカット"),
              "the history popup is named ショートカット")
        check(option is not None and option["role"] == "check box" and option["checked"],
              "the save option is a check item, reported ticked")
        keys("Return")
        check(wait_for(lambda: "終了時に履歴を保存する" in state_changes) is not None,
              "unticking the save option is told to the screen reader")
        focused.clear()
        keys("Menu", "Up")
        option = focus_on("終了時に履歴を保存する")
        check(option is not None and option["role"] == "check box" and not option["checked"],
              "then reported unticked, still a check item")
        # Choosing the folder that has gone (after the start folder): the
        # failure reaches the reader.
        keys("Escape", "Menu", "Down", "Down", "Return")
        check(appear(frame, "notification", "読み込みに失敗しました。") is not None,
              "reading failed is told as a notification")
        path = find(frame, "text", "パス")
        check(path.description == "表示しているファイルのパス", "the path box keeps its own description")

        click(appear(frame, "list item", "two.png"))
        keys("Menu", "Down")
        first = focus_on("*.jpeg")
        check(first is not None and first["menu"] == ("popup menu", "フィルタ") and first["checked"],
              "the filter popup is named フィルタ and shows its ticks")
        keys("Escape")

        # The strip of thumbnails (Ctrl+B): each tile named with where it is.
        keys("ctrl+b")
        strip = wait_for(lambda: find(frame, "list", "サムネイル"))
        check(strip is not None, "Ctrl+B shows the strip, a list named サムネイル")
        if strip is not None:
            tile = appear(strip, "list item", "one.png、2 / 3")
            check(tile is not None and appear(strip, "list item", "two.png、3 / 3") is not None,
                  "its tiles are named with where they are")
            focused.clear()
            click(tile)
            check(focus_on("one.png、2 / 3") is not None, "a tile chosen takes the focus with its place: %s" % focused)
            check(wait_for(lambda: picture.description == "one.png を表示しています") is not None
                  and not [f for f in focused if f["menu"][1] == "ファイル"],
                  "and shows its picture, the file list following without a word: %s" % focused)
        # A star on the picture shown: heard with its name in the file list
        # and on its tile, and told.
        keys("ctrl+3")
        files = find(frame, "list", "ファイル")
        check(appear(files, "list item", "one.png、星 3") is not None, "a star is heard with the name in the file list")
        if strip is not None:
            check(appear(strip, "list item", "one.png、星 3、2 / 3") is not None, "and with the tile's")
        check(appear(frame, "notification", "one.png を星 3 つにしました。") is not None, "the star is told")
        keys("ctrl+b")
    finally:
        process.kill()
        process.wait()
        shutil.rmtree(work, ignore_errors=True)


main()
print("%d failed" % len(failures))
sys.exit(1 if failures else 0)
