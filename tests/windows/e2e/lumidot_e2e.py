"""Runs the real Lumidot.exe under Wine, on its own X display, Wine prefix and fake serial ports.

A Session sets everything up, starts Lumidot and ends every process it started when it closes, also
when a test fails. The driver (win/driver.cpp) does the window work inside Wine; the rest, shared
with the Linux harness, is tests/harness/e2e_harness.py.
"""
import fcntl
import json
import os
import re
import select
import shutil
import subprocess
import sys
from pathlib import Path

REPO = Path(__file__).resolve().parents[3]
sys.path.insert(0, str(REPO / "tests/harness"))  # the base both harnesses extend
from e2e_harness import (CONNECTED, OFF, ON, SessionBase, SessionTestCase, Xvfb,  # noqa: E402,F401
                         lamp_state, pids_with_env, pixel_kind, quietly, stop, wait_for)

EXE = Path(os.environ.get("LUMIDOT_EXE", REPO / "build/windows/Lumidot.exe"))
DRIVER = Path(os.environ.get("LUMIDOT_DRIVER", REPO / "build/windows/tests/windows/e2e/win/driver.exe"))
PTYEMU = Path(os.environ.get("LUMIDOT_PTYEMU", REPO / "build/e2e/tests/windows/e2e/harness/libptyemu.so"))
WORK = Path(os.environ.get("LUMIDOT_E2E_WORK", REPO / "build/e2e"))
CONVERT = "/usr/bin/convert" if os.path.exists("/usr/bin/convert") else "convert"

# Every COM number up to here, the ones the dialogs always list, is mapped by each test; a test port
# above it is mapped only for the test that asks for it, since every mapped port exists for
# Lumidot's lists. Wine would map the machine's /dev/ttyS0 (the console) to the next free number
# by itself, but ptyemu hides it from Wine.
MAX_COM = 20
MARLETT = Path("/usr/share/wine/fonts/marlett.ttf")
NO_PORT = WORK / "no-port"          # an empty folder: opening it as a COM port fails
SCREEN = (800, 600)
TRAY_AREA = (400, 578, 800, 600)    # left, top, right, bottom: where the shell draws icons
TRAY_ICON = (790, 590)              # the middle of the rightmost (with one icon: Lumidot's) icon

WM_CLOSE, WM_KEYDOWN, WM_COMMAND = 0x0010, 0x0100, 0x0111
WM_RBUTTONUP, WM_TRAY_NOTIFY = 0x0205, 0x0464
IDOK, IDCANCEL, IDYES, IDNO = 1, 2, 6, 7
VK_RETURN, VK_ESCAPE = 0x0D, 0x1B
WS_EX_TOOLWINDOW, WS_EX_APPWINDOW = 0x00000080, 0x00040000
WM_IME_CONTROL, IMC_GETCONVERSIONMODE, IMC_GETOPENSTATUS = 0x0283, 0x0001, 0x0005
IME_CMODE_ALPHANUMERIC, IME_CMODE_NATIVE, IME_CMODE_KATAKANA, IME_CMODE_FULLSHAPE = 0, 1, 2, 8
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
# Task Manager's Startup page marks a Run value disabled here.
APPROVED_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run"


def wine_env(prefix, display, extra=None):
    env = dict(os.environ, WINEPREFIX=str(prefix), DISPLAY=f":{display}", WINEDEBUG="-all",
               WINEDLLOVERRIDES="mscoree,mshtml=", WINEARCH="win64")
    env.update(extra or {})
    return env


def template_prefix():
    """The prefix every test copies: booted once per build tree, under a lock for ctest -j2."""
    template = WORK / "wineprefix"
    WORK.mkdir(parents=True, exist_ok=True)
    NO_PORT.mkdir(exist_ok=True)
    browser = WORK / "browser-stub.sh"
    with open(WORK / "wineprefix.lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        fonts = ["Tahoma", "MS Shell Dlg", "MS Shell Dlg 2", "MS UI Gothic", "ＭＳ Ｐゴシック"]
        reg = ["Windows Registry Editor Version 5.00", "",
               r"[HKEY_CURRENT_USER\Software\Wine\Explorer]", '"Desktop"="shell"', "",
               r"[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]", '"shell"="%dx%d"' % SCREEN, "",
               r"[HKEY_CURRENT_USER\Software\Wine\WineBrowser]", f'"Browsers"="{browser}"', "",
               r"[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]"]
        reg += [f'"{name}"="IPAPGothic"' for name in fonts]
        reg += ["", r"[HKEY_LOCAL_MACHINE\Software\Wine\Ports]"]
        reg += [f'"COM{n}"="{NO_PORT}"' for n in range(1, MAX_COM + 1)]
        reg_text = "\r\n".join(reg) + "\r\n"
        # a template made from other settings is made anew
        if (template / "ready").exists() and (template / "ready").read_bytes() == reg_text.encode():
            return template
        shutil.rmtree(template, ignore_errors=True)
        browser.write_text('#!/bin/sh\necho "$1" >> "${LUMIDOT_E2E_URLS:-/dev/null}"\n')
        browser.chmod(0o755)
        reg_file = WORK / "wineprefix.reg"
        reg_file.write_text(reg_text, encoding="utf-16")
        with Xvfb(SCREEN) as x:
            env = wine_env(template, x.display)
            subprocess.run(["wineboot", "-i"], env=env, check=True, timeout=300,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            subprocess.run(["wine", "regedit", "/S", str(reg_file)], env=env, check=True, timeout=120,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            subprocess.run(["wineserver", "-w"], env=env, timeout=120)
        # Wine draws caption buttons with Marlett, which Debian installs where this Wine does not
        # look; without it every close button shows as a plain "r" in the screenshots.
        if MARLETT.exists():
            shutil.copy(MARLETT, template / "drive_c/windows/Fonts")
        (template / "ready").write_bytes(reg_text.encode())
        return template


class DriverError(Exception):
    pass


class Driver:
    """The command server of win/driver.cpp: one line out, one line back."""

    def __init__(self, env, cwd):
        self.proc = subprocess.Popen(["wine", str(DRIVER)], env=env, cwd=cwd, stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self._reply(60)

    def __call__(self, *args):
        self.proc.stdin.write((" ".join(str(a) for a in args) + "\n").encode())
        self.proc.stdin.flush()
        return self._reply(30)

    def _reply(self, timeout):
        ready, _, _ = select.select([self.proc.stdout], [], [], timeout)
        line = self.proc.stdout.readline().decode("utf-8").strip() if ready else ""
        if line.startswith("ok "):
            return json.loads(line[3:])
        raise DriverError(line or "driver did not answer")

    def close(self):
        try:
            if self.proc.poll() is None:
                self("quit")
                self.proc.wait(5)
        except (DriverError, OSError, subprocess.TimeoutExpired):
            pass
        stop(self.proc)


class Session(SessionBase):
    """One test's world. ports: COM numbers backed by socat ptys; ini: text of Lumidot.ini (None: no
    file); start: launch Lumidot at once and attach the driver to it. desktop=False runs the
    programs straight on the X display, without Wine's virtual desktop and so without a tray: only
    there does Wine deliver WinEvents. locale: the locale variables of every Wine process. Wine
    takes Windows' display language from LC_MESSAGES and the regional format from the rest; the
    sessions run on a Japanese Windows unless a test says otherwise."""

    work, ptyemu = WORK, PTYEMU
    build_hint = "build the windows and e2e presets first"
    ini_file, ini_newline, ini_encoding = "app/Lumidot.ini", "\r\n", "ascii"

    def __init__(self, name, ports=(), ini=None, start=True, desktop=True, locale=None):
        super().__init__(name, ports, ini, start)
        self.desktop = desktop
        self.locale = {"LANG": "C.UTF-8", "LC_ALL": "", "LC_MESSAGES": "",
                       **(locale or {"LC_ALL": "ja_JP.UTF-8"})}
        self.lumidot, self.driver, self.x, self.main, self.env = None, None, None, None, None
        self.ime_window = None

    def built_files(self):
        return [EXE, DRIVER, self.ptyemu]

    def _open(self):
        self.app = self.folder("app")
        self.prefix = self.tmp / "prefix"
        subprocess.run(["cp", "-a", str(template_prefix()), str(self.prefix)], check=True)
        self._map_ports()
        if not self.desktop:
            user_reg = self.prefix / "user.reg"
            text = user_reg.read_text(encoding="utf-8", errors="surrogateescape")
            user_reg.write_text(text.replace('"Desktop"="shell"\n', ""), encoding="utf-8", errors="surrogateescape")

        self.x = Xvfb(SCREEN)
        self.procs.append(self.x.proc)
        self.display = self.x.display
        self.env = wine_env(self.prefix, self.display, {
            **self.ptyemu_env(), **self.locale, "LUMIDOT_E2E_URLS": str(self.tmp / "urls.txt")})
        # The first wine command starts wineserver, which must carry the preload library too.
        # Wine's explorer as the desktop with taskbar and tray (it may hand over to the desktop
        # process that Wine starts by itself and end at once)
        if self.desktop:
            self.procs.append(subprocess.Popen(["wine", "explorer", "/desktop=shell,%dx%d" % SCREEN],
                                               env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        else:
            # the driver is then the first program, whose start makes the links
            self.driver = Driver(self.env, self.tmp)
        wait_for(self._ports_safe, 60, 0.2, "COM links of the prefix")
        self.driver = self.driver or Driver(self.env, self.tmp)
        shutil.copy(EXE, self.app / "Lumidot.exe")

    def restart_shell(self):
        """What Lumidot sees of a restarted Explorer: a tray that lost its icons, then the
        "TaskbarCreated" broadcast. (Wine's desktop cannot be brought back once its process is killed
        while other programs still use it.)"""
        self.drv("tray_forget", self.main, 0)
        assert self.lamps("shell-restarted") == [], "the tray kept the icon"
        self.drv("taskbar_created")

    def _map_ports(self):
        """Points the prefix's COM ports at our ptys by editing its registry before Wine starts."""
        reg = self.prefix / "system.reg"
        text = reg.read_text(encoding="utf-8", errors="surrogateescape")
        first = f'"COM1"="{NO_PORT}"'
        assert first in text, f"template registry lacks {first}"
        for n in self.ports:
            old, new = f'"COM{n}"="{NO_PORT}"', f'"COM{n}"="{self.port_link(n)}"'
            # a port above the ones every test maps joins them
            text = text.replace(old, new) if n <= MAX_COM else text.replace(first, f"{first}\n{new}")
        reg.write_text(text, encoding="utf-8", errors="surrogateescape")
        # drop the template's links: Wine makes them anew from the registry when it starts
        for link in (self.prefix / "dosdevices").glob("com*"):
            link.unlink()

    def _ports_safe(self):
        """True once every dosdevices/comN up to MAX_COM and of the test's ports leads to our pty or
        to the empty folder. A COM link to anything else (a real serial device that Wine found) fails
        the test at once."""
        dosdevices = self.prefix / "dosdevices"
        numbers = set(range(1, MAX_COM + 1)) | set(self.ports)
        for n in numbers:
            link = dosdevices / f"com{n}"
            if not link.is_symlink():
                return False
            want = self.port_link(n) if n in self.ports else NO_PORT
            if Path(os.readlink(link)) != want:
                return False
        others = [link.name for link in dosdevices.glob("com*") if int(link.name[3:]) not in numbers]
        assert not others, f"Wine mapped {others} by itself: {[os.readlink(dosdevices / o) for o in others]}"
        return True

    # --- Lumidot itself ---

    def start(self, wait=True):
        """Starts (another) Lumidot.exe from the app folder; with wait, attaches to the first one."""
        proc = subprocess.Popen(["wine", str(self.app / "Lumidot.exe")], env=self.env, cwd=self.tmp,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.procs.append(proc)
        if self.lumidot is None:
            self.lumidot = proc
        if wait:
            self.attach()
        return proc

    def attach(self):
        def attached():
            try:
                return self.drv("attach", "Lumidot.exe")
            except DriverError:
                return None
        self.main = wait_for(attached, 30, 0.2, "Lumidot's main window")["hwnd"]
        return self.main

    def wait_exit(self, timeout=20, proc=None):
        proc = proc or self.lumidot
        try:
            return proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"Lumidot did not end within {timeout} s")

    def pids(self):
        return self.drv("procs", "Lumidot.exe")["pids"]

    # --- driver access ---

    def drv(self, *args):
        return self.driver(*args)

    def post(self, msg, wparam=0, lparam=0, hwnd=None):
        self.drv("post", hwnd or self.main, msg, wparam, lparam)

    def command(self, command_id):
        self.post(WM_COMMAND, command_id)

    def tray(self, mouse_message=WM_RBUTTONUP):
        self.post(WM_TRAY_NOTIFY, 0, mouse_message)

    def sync(self):
        """Returns once Lumidot's GUI thread has taken every message posted to it before."""
        try:
            self.drv("sync")
        except DriverError as error:
            raise AssertionError(f"Lumidot's GUI thread no longer takes messages (ended?): {error}")

    def info(self, hwnd=None):
        return self.drv("info", hwnd or self.main)

    def windows(self):
        """Lumidot's top-level windows that a person could see."""
        return [w for w in self.drv("windows")["windows"] if w["visible"] and w["w"] > 0 and w["h"] > 0]

    def wait_window(self, caption, timeout=10):
        return wait_for(lambda: next((w for w in self.windows() if w["text"] == caption), None),
                        timeout, what=f"window {caption!r}")

    def children(self, hwnd):
        return self.drv("children", hwnd)["children"]

    def control(self, dialog, control_id):
        return next(c for c in self.children(dialog) if c["id"] == control_id)["hwnd"]

    def message_box(self, timeout=10):
        """The open message box: {hwnd, text, buttons: {id: label}}."""
        box = self.wait_window(EXE.stem, timeout)
        kids = self.children(box["hwnd"])
        return {"hwnd": box["hwnd"],
                "text": next((c["text"] for c in kids if c["id"] == 0xFFFF), None),
                "buttons": {c["id"]: c["text"] for c in kids if c["cls"].lower() == "button"}}

    def answer(self, box, button_id):
        self.drv("click", self.control(box["hwnd"], button_id))

    def open_menu(self, mouse=False):
        """Right-clicks the tray icon and returns the menu's items [{id, text}] (separators id 0).
        With mouse, a real click of the X pointer on the lamp, through Wine's tray."""
        if mouse:
            # no --sync: it can stall when the pointer is already there
            subprocess.run(["xdotool", "mousemove", str(TRAY_ICON[0]), str(TRAY_ICON[1]), "click", "3"],
                           env=dict(os.environ, DISPLAY=f":{self.x.display}"), check=True, timeout=10)
        else:
            self.tray()
        wait_for(self._menu_window, what="the tray menu")
        return self.drv("menu")["items"]

    def tray_tip(self):
        """The tip the tray shows while the X pointer rests on the lamp."""
        subprocess.run(["xdotool", "mousemove", str(TRAY_ICON[0]), str(TRAY_ICON[1])],
                       env=dict(os.environ, DISPLAY=f":{self.x.display}"), check=True, timeout=10)
        return wait_for(lambda: self.drv("tooltip")["text"], what="the lamp's tip")

    def close_menu(self):
        self.post(WM_KEYDOWN, VK_ESCAPE)
        wait_for(lambda: not self._menu_window(), what="the tray menu to close")

    def _menu_window(self):
        return [w for w in self.drv("windows")["windows"] if w["cls"] == "#32768" and w["visible"]]

    def ime_on(self):
        """Opens Lumidot's own IME and puts one of its windows in front."""
        self.drv("ime_open")

    def ime_off(self):
        """Puts a window of another process (the driver's) in front, its focus in a text field: its
        IME reads as off."""
        self.drv("front_foreign")

    def front_target(self):
        """Puts Lumidot's main window in front, its IME as it is."""
        self.drv("front_target")

    def ime_mode(self, mode):
        """Sets the conversion mode of Lumidot's IME (IME_CMODE_* bits; open or closed stays as it
        is). From then on Lumidot's IME window answers IMC_GETCONVERSIONMODE with the mode, as
        Windows' does; Wine's own answers with the open status whatever the mode."""
        answer = self.drv("ime_mode", mode)
        assert answer["mode"] == mode, f"Lumidot's IME took conversion mode {answer['mode']}, not {mode}"
        self.ime_window = answer["ime"]
        # asked from another process as Lumidot's tick asks it from its own thread
        told = self.drv("send", self.ime_window, WM_IME_CONTROL, IMC_GETCONVERSIONMODE, 0)["result"]
        assert told == mode, f"Lumidot's IME window answers conversion mode {told}, not {mode}"

    # --- files, ports, lines, screen ---

    def urls(self):
        """The addresses handed to the web browser so far."""
        path = self.tmp / "urls.txt"
        return path.read_text().splitlines() if path.exists() else []

    def hold_port(self, port):
        """Opens COM<port> from another program (the driver) and makes it exclusive, as Windows does."""
        (self.lines_dir / "exclusive").touch()
        self.drv("port_open", port)

    def release_port(self):
        self.drv("port_close")

    def add_serial_device(self, port, name):
        """Enters an adapter behind COM<port> into the system's device tree, named name, as Windows
        keeps a USB serial adapter's; Wine keeps no device behind the ports it maps."""
        key = rf"HKLM\System\CurrentControlSet\Enum\FTDIBUS\VID_0403+PID_6001+E2E{port}\0000"
        self._reg("add", key, "/v", "FriendlyName", "/d", name, "/f", check=True)
        self._reg("add", key + r"\Device Parameters", "/v", "PortName", "/d", f"COM{port}", "/f", check=True)

    def unplug(self):
        """From now on every DTR/RTS call fails, as when a USB serial adapter is pulled out."""
        (self.lines_dir / "unplugged").touch()

    def plug_in(self, port):
        """Lines work again and Lumidot hears that COM<port> arrived, as Windows tells it when an
        adapter is plugged in."""
        (self.lines_dir / "unplugged").unlink(missing_ok=True)
        self.drv("port_arrived", port)

    def ticks(self):
        """How many WM_TIMER messages the main window took since the driver first reached into it."""
        return self.drv("ticks")["result"]

    def run_entry(self):
        """The text of value Lumidot under HKCU's Run key (what Windows starts at log-on), or None."""
        # Exported rather than queried: reg query prints through the console code page, which turns
        # a Japanese folder name into question marks; the exported file is UTF-16.
        exported = self.tmp / "run.reg"
        done = self._reg("export", RUN_KEY, f"Z:{exported}", "/y")
        assert done.returncode == 0, f"reg export failed: {done.stderr!r}"
        section, key = None, "[" + RUN_KEY.replace("HKCU", "HKEY_CURRENT_USER", 1) + "]"
        for line in exported.read_text(encoding="utf-16").splitlines():
            if line.startswith("["):
                section = line
            elif section and section.lower() == key.lower() and line.lower().startswith('"lumidot"='):
                data = line[len('"lumidot"='):]
                assert len(data) >= 2 and data[0] == data[-1] == '"', f"Run value Lumidot is no REG_SZ: {line!r}"
                unescaped = {"n": "\n", "r": "\r", "0": "\0"}
                return re.sub(r"\\(.)", lambda m: unescaped.get(m[1], m[1]), data[1:-1])
        return None

    def set_run_entry(self, command):
        self._reg("add", RUN_KEY, "/v", "Lumidot", "/t", "REG_SZ", "/d", command, "/f", check=True)

    def delete_run_entry(self):
        """Removes the value if it is there."""
        self._reg("delete", RUN_KEY, "/v", "Lumidot", "/f")

    def set_startup_approval(self, data):
        """Marks value Lumidot as Task Manager does: data "03..." disabled, "02..." enabled."""
        self._reg("add", APPROVED_KEY, "/v", "Lumidot", "/t", "REG_BINARY", "/d", data, "/f", check=True)

    def startup_approval(self):
        """Task Manager's mark for value Lumidot as hex digits, or None."""
        done = self._reg("query", APPROVED_KEY, "/v", "Lumidot")
        found = re.search(r"REG_BINARY\s+([0-9A-Fa-f]*)", done.stdout.decode(errors="replace"))
        return found[1] if done.returncode == 0 and found else None

    def _reg(self, *args, check=False):
        return subprocess.run(["wine", "reg", *args], env=self.env, capture_output=True, timeout=60, check=check)

    def lamps(self, label="tray", shot=None):
        """The tray icons that show a lamp, right to left: 'bright', 'dark', 'bright crossed'...
        The screenshot is kept as the next artefact, or written to shot."""
        left, top, right, bottom = TRAY_AREA
        width, height = right - left, bottom - top
        shot = self.shoot(shot) if shot else self.screenshot(label)
        raw = subprocess.run([CONVERT, str(shot), "-crop", f"{width}x{height}+{left}+{top}",
                              "+repage", "-depth", "8", "rgb:-"], check=True, capture_output=True).stdout
        kinds = [[pixel_kind(*raw[3 * (y * width + x):3 * (y * width + x) + 3]) for x in range(width)]
                 for y in range(height)]
        green = [(x, y) for x in range(width) for y in range(height) if kinds[y][x] in ("bright", "dark")]
        # icons are the runs of columns holding green, with a gap between neighbours
        icons, run = [], []
        for x in sorted({x for x, _ in green}, reverse=True):
            if run and run[-1] - x > 2:
                icons.append(run)
                run = []
            run.append(x)
        icons += [run] if run else []
        states = []
        for columns in icons:
            ys = [y for x, y in green if x in columns]
            state = lamp_state((kinds[y][x] for x in columns for y in range(min(ys), max(ys) + 1)), least=20)
            if state != "none":
                states.append(state)
        return states

    def lamp(self, label="lamp", shot=None):
        """The one tray lamp as drawn now, or 'none'."""
        states = self.lamps(label, shot)
        assert len(states) <= 1, f"more than one tray lamp: {states}"
        return states[0] if states else "none"

    # --- the end ---

    def _shut(self):
        if self.driver:
            quietly(self.driver.close)
        if self.env:
            quietly(subprocess.run, ["wineserver", "-k"], env=self.env, timeout=30,
                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


class LumidotTestCase(SessionTestCase):
    """A test of the real Lumidot.exe: each Session it opens is named after the test, which names
    the folder of its artefacts."""

    session_class = Session
