"""Takes the read-me's pictures of the real Lumidot.exe under Wine: the four tray lamps, the tray menu
and the three dialogs. Usage: screenshots.py OUTPUT_FOLDER (tools/screenshots.sh runs it)."""
import os
import subprocess
import sys
import time
from pathlib import Path

from lumidot_e2e import CONVERT, IDCANCEL, IDOK, SCREEN, Session, wait_for

ID_MENU_CONNECT, ID_MENU_SETTING, ID_MENU_ABOUT = 1006, 1021, 32771
TRAY_CROP = (780, 580, 800, 600)       # left, top, right, bottom: the 16 x 16 lamp and 2 px of taskbar
MENU_CORNER = (790, 576)               # pointer just above the lamp: the menu opens up and to the left
AWAY = (60, 60)                        # pointer where it neither shows the lamp's tip nor lights a button

def main(out):
    out.mkdir(parents=True, exist_ok=True)
    ini = "[Setting]\nPortNumber=5\nUpdateTime=5\nAutoConnect=0\n"
    with Session("screenshots", ports=[5], ini=ini) as s:
        pointer(s, *AWAY)

        def lamp(state, name):
            shot = s.artifacts / f"{name}.png"
            wait_for(lambda: s.lamp(shot=shot) == state, 10, 0.05, f"lamp {state!r}")
            crop(shot, TRAY_CROP, out / f"{name}.png", zoom=4)

        def dialog(command, caption, name, close):
            s.command(command)
            window = s.wait_window(caption)
            shot = settled(s, name)
            x, y, w, h = window["x"], window["y"], window["w"], window["h"]
            crop(shot, (x, y, x + w, y + h), out / f"{name}.png")
            s.drv("click", s.control(window["hwnd"], close))
            wait_for(lambda: s.windows() == [], what=f"{caption} to close")

        s.ime_off()
        lamp("dark crossed", "tray-off-noport")
        s.ime_on()
        lamp("bright crossed", "tray-on-noport")
        dialog(ID_MENU_CONNECT, "ポート接続", "port-dialog", IDOK)  # connects COM5
        s.ime_on()
        lamp("bright", "tray-on")
        s.ime_off()
        lamp("dark", "tray-off")

        pointer(s, *MENU_CORNER)
        s.tray()
        menu = wait_for(lambda: [w for w in s.windows() if w["cls"] == "#32768"], what="the tray menu")[0]
        shot = settled(s, "tray-menu")
        crop(shot, (menu["x"] - 8, menu["y"] - 8, SCREEN[0], SCREEN[1]), out / "tray-menu.png")
        s.close_menu()
        pointer(s, *AWAY)

        dialog(ID_MENU_SETTING, "動作設定", "settings-dialog", IDCANCEL)
        dialog(ID_MENU_ABOUT, "ﾀﾞｲｱﾛｸﾞ", "about-dialog", IDOK)


def pointer(s, x, y):
    # no --sync: it can stall when the pointer is already there
    subprocess.run(["xdotool", "mousemove", str(x), str(y)], env=dict(os.environ, DISPLAY=f":{s.x.display}"),
                   check=True, timeout=10)


def settled(s, name):
    """A screenshot taken once a new window has had time to paint: WM_PAINT waits for an empty queue,
    so sync alone does not mean painted."""
    s.sync()
    time.sleep(0.5)
    return s.screenshot(name)


def crop(shot, box, path, zoom=1):
    left, top, right, bottom = box
    # point filter: the enlarged lamp keeps its pixels sharp; no metadata, so unchanged pictures stay
    # byte for byte the same in git
    subprocess.run([CONVERT, str(shot), "-crop", f"{right - left}x{bottom - top}+{left}+{top}", "+repage",
                    "-filter", "point", "-resize", f"{zoom * 100}%", "-strip",
                    "-define", "png:exclude-chunks=date,time", str(path)], check=True)


if __name__ == "__main__":
    main(Path(sys.argv[1]))
