"""Runs a Qt tray program in a headless desktop session with a real input method and Mozc, and
drives it the way a person would: real keys into a focused xterm, the tray icon, its menu, its
dialogs, and the DTR and RTS lines of socat pseudo-terminals. What it shares with the Wine harness
is tests/harness/e2e_harness.py.

The test runs as root; the session runs as an unprivileged user (Mozc refuses root) with a fresh
home, a clean environment and its own D-Bus. session_agent.py does the work inside it. A Session
ends every process it started when it closes, also when a test fails: the ones the agent reports
and, by pid, every process that carries the session's mark in its environment (mozc_server
daemonises, and D-Bus activation starts helpers that are nobody's children).

Runs as root (to become the session's user), from this folder:

    cmake --workflow --preset linux                      # builds build/linux and runs every test
    /usr/bin/python3 -m unittest -v test_probe           # again, once build/linux is built

LUMIDOT_LINUX_BIN names the program (default build/linux/lumidot), LUMIDOT_IMEPROBE the probe,
LUMIDOT_TEXTFIELD a Qt text field, LUMIDOT_PTYEMU the pty library and LUMIDOT_LINUX_WORK the build tree whose artifacts/<test> folder
keeps each test's logs, line log and pictures.
"""
import base64
import json
import os
import select
import shutil
import subprocess
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent
REPO = HERE.parents[2]
HARNESS = REPO / "tests/harness"
sys.path.insert(0, str(HARNESS))  # the base both harnesses extend
from e2e_harness import (CONNECTED, OFF, ON, SessionBase, SessionTestCase, end_pids,  # noqa: E402,F401
                         pids_with_env, quietly, wait_equal, wait_for)

WORK = Path(os.environ.get("LUMIDOT_LINUX_WORK", REPO / "build/linux"))
PROGRAM = os.environ.get("LUMIDOT_LINUX_BIN") or str(WORK / "lumidot")
PROBE = os.environ.get("LUMIDOT_IMEPROBE", str(WORK / "tests/linux/imeprobe"))
TEXTFIELD = os.environ.get("LUMIDOT_TEXTFIELD", str(WORK / "tests/linux/textfield"))
PTYEMU = Path(os.environ.get("LUMIDOT_PTYEMU", WORK / "tests/linux/harness/libptyemu.so"))
UMOCKDEV_REALPATH = Path(os.environ.get("LUMIDOT_UMOCKDEV_REALPATH", WORK / "tests/linux/libumockdev_realpath.so"))
PYTHON = "/usr/bin/python3"   # the one python3-dbus and python3-gi are installed for
USER_ID = 65534               # nobody
PATH = "/usr/local/bin:/usr/bin:/bin"
FRAMEWORKS = ("fcitx5", "ibus")


class AgentError(Exception):
    pass


def _comm(pid):
    try:
        return Path(f"/proc/{pid}/comm").read_text().strip()
    except OSError:
        return "?"


class Session(SessionBase):
    """One test's desktop. framework: "fcitx5" or "ibus"; ports: names of LED ports, each a socat
    pty (self.pty[name] is its path); program: the executable (default $LUMIDOT_LINUX_BIN); args:
    its arguments; ini: text of Lumidot.ini (None: no file); in both, "{name}" stands for the path
    of port name's pty; start: launch the program at once and wait for its tray item; a11y: let the program
    answer over AT-SPI, so that its dialogs can be read; ime: start the input method before the
    program (else the test calls start_ime() when it wants it; the desktop's environment names the
    framework from the start either way)."""

    work, ptyemu = WORK, PTYEMU
    build_hint = "build the linux preset (LUMIDOT_LINUX_BIN names the program)"
    ini_file = "home/.config/lumidot/Lumidot.ini"

    def __init__(self, name, framework="fcitx5", ports=(), program=None, args=(), ini=None, start=True,
                 env=None, a11y=True, ime=True):
        assert framework in FRAMEWORKS, framework
        assert os.geteuid() == 0, "the harness runs as root, to start the session as its own user"
        super().__init__(name, ports, ini, start)
        self.framework, self.ime, self.a11y = framework, ime, a11y
        self.program, self.args, self.extra_env = program or PROGRAM, tuple(args), dict(env or {})
        self.agent, self.pid, self.survivors = None, None, []

    def built_files(self):
        return [self.program, self.ptyemu]

    def own(self, path):
        os.chown(path, USER_ID, USER_ID)

    def _open(self):
        self.home = self.folder("home")
        self.config = self.folder("home/.config")  # the user's, though Lumidot.ini may come first
        for name in ("run", "logs"):
            self.folder(name)
        # The session's user need not be able to enter this checkout or its build tree (root's
        # home is closed to others): what it runs or reads is copied into the session first.
        for path in (HERE / "session_agent.py", HERE / "usb_adapters.py", HARNESS / "e2e_harness.py"):
            shutil.copy(path, self.tmp / path.name)
        self.program, self.ptyemu = self.stage(self.program), self.stage(self.ptyemu)
        self.lsan_suppressions = self.stage(HERE / "lsan-qt.supp")
        # setpriv drops to the user; env -i leaves nothing of the test's environment but what is
        # listed; dbus-run-session gives the session its own bus and ends it with the agent
        env = ["PATH=" + PATH, f"HOME={self.home}", "USER=nobody", "LOGNAME=nobody", "LANG=ja_JP.UTF-8",
               f"XDG_RUNTIME_DIR={self.tmp / 'run'}", f"XDG_CONFIG_HOME={self.config}",
               f"LUMIDOT_SESSION={self.tmp}", "PYTHONDONTWRITEBYTECODE=1"]
        # The agent talks over a pipe pair of its own: the session's D-Bus daemon shares the
        # agent's stdin and stdout, and so do the services it starts by activation.
        commands_in, self.commands = os.pipe()
        self.replies, replies_out = os.pipe()
        env.append(f"LUMIDOT_AGENT_FDS={commands_in},{replies_out}")
        with open(self.artifacts / "agent.log", "wb") as log:
            self.agent = subprocess.Popen(
                ["setpriv", f"--reuid={USER_ID}", f"--regid={USER_ID}", "--clear-groups", "--",
                 "env", "-i", *env, "dbus-run-session", "--", PYTHON, str(self.tmp / "session_agent.py")],
                cwd=self.tmp, stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                pass_fds=(commands_in, replies_out))
        os.close(commands_in)
        os.close(replies_out)
        self.replies = os.fdopen(self.replies, "rb")
        self._reply(30)
        self.display = self.call("x")["display"]
        if self.ime:
            self.start_ime()
        if self.a11y:
            self.call("a11y_bus")

    def stage(self, path):
        """A copy of path that the session's user can read (and run), under the same name."""
        staged = self.tmp / "staged"
        staged.mkdir(mode=0o755, exist_ok=True)
        copy = staged / Path(path).name
        shutil.copy2(path, copy)
        copy.chmod(0o755)
        return str(copy)

    def start_ime(self):
        """Starts the input method with Mozc, then the xterm that takes the keys, focused."""
        self.timings["framework"] = self.call(self.framework, 90)["seconds"]
        self.timings["xterm"] = self.xterm()["seconds"]

    def xterm(self):
        """A new window that takes the keys, focused (a stuck one is replaced: up to 30 s more)."""
        return self.call("xterm", 90)

    # --- the agent ---

    def call(self, command, reply_within=30, **args):
        """One command to the agent; its reply without the "ok"."""
        if self.agent is None or self.agent.poll() is not None:
            raise AgentError(f"the session agent has ended; see {self.artifacts / 'agent.log'}")
        os.write(self.commands, (json.dumps(dict(args, cmd=command)) + "\n").encode())
        return self._reply(reply_within)

    def _reply(self, timeout):
        ready, _, _ = select.select([self.replies], [], [], timeout)
        line = self.replies.readline() if ready else b""
        if not line:
            raise AgentError(f"no answer from the session agent within {timeout} s; "
                             f"see {self.artifacts / 'agent.log'}")
        reply = json.loads(line)
        if not reply.pop("ok"):
            raise AgentError(reply["error"])
        return reply

    # --- the program ---

    def start(self, args=None, wait=True):
        """Starts the program with the pty emulation preloaded; with wait, until its tray item is
        registered. Returns its pid."""
        argv = [self.program] + [self.with_ports(a) for a in (self.args if args is None else args)]
        # what a desktop running this input method gives its programs
        im = {"fcitx5": "fcitx", "ibus": "ibus"}[self.framework]
        env = {"QT_QPA_PLATFORM": "xcb", "XMODIFIERS": f"@im={im}", "QT_IM_MODULE": im, "GTK_IM_MODULE": im,
               **self.ptyemu_env()}
        # A sanitizer build would refuse to start with the preloaded library ahead of its runtime,
        # and fail its exit over Qt's own leak, which only a full unwind through Qt (built without
        # frame pointers) names.
        env["ASAN_OPTIONS"] = "verify_asan_link_order=0:fast_unwind_on_malloc=0"
        env["LSAN_OPTIONS"] = f"suppressions={self.lsan_suppressions}"
        if self.a11y:
            env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        env.update(self.extra_env)
        pid = self.call("start", argv=argv, env=env)["pid"]
        if self.pid is None:
            self.pid = pid
        if wait:
            wait_for(lambda: self.items(pid), 20, what="the program's tray item")
        return pid

    def items(self, pid=None):
        return [i for i in self.call("items")["items"] if pid is None or i["pid"] == pid]

    def wait_exit(self, timeout=20, pid=None):
        """The program's exit code once it ends."""
        try:
            return self.call("wait_exit", timeout + 5, pid=pid or self.pid, timeout=timeout)["code"]
        except AgentError as error:
            raise AssertionError(f"the program did not end: {error}")

    # --- the desktop around the program ---

    def tray_host(self, on, host=True):
        """Starts or ends the desktop's tray host, as a panel that comes late, or restarts; with
        host false, its watcher runs but no panel has registered with it yet."""
        self.call("tray_host", on=on, host=host)

    def start_without_tray(self):
        """Starts the program while no tray host runs, until its LED port "led" is connected."""
        self.tray_host(False)
        self.start(wait=False)
        self.wait_lines("led", CONNECTED)

    def system_bus(self):
        """Programs started from now on get a system bus where the test plays logind."""
        self.extra_env["DBUS_SYSTEM_BUS_ADDRESS"] = self.call("system_bus")["address"]

    def session_active(self, active, forged=False):
        """logind says the session left the screen for another user's, or came back."""
        self.call("session_active", active=active, forged=forged)

    def wayland(self):
        """Programs started from now on run under a headless Wayland compositor (weston), not X."""
        self.extra_env.update(QT_QPA_PLATFORM="wayland", WAYLAND_DISPLAY=self.call("weston")["display"])

    def usb_adapters(self):
        """Programs started from now on see the USB serial adapters that plug_adapter() and
        pull_adapter() fake with umockdev, and no device of the machine's own. Their lines are
        logged like a pty's, under the adapter's name; ptyemu is not loaded."""
        env = self.call("adapters")["env"]
        self.extra_env.update(env, LD_PRELOAD=f"{self.stage(UMOCKDEV_REALPATH)}:libumockdev-preload.so.0")

    def plug_adapter(self, name, hold=0, deny=0):
        """Plugs USB serial adapter name in (udev's "add" goes out), held for hold seconds by
        another program, or refused to the session's user for deny seconds. "{name}" then stands
        for its /dev/serial/by-id link."""
        self.pty[name] = self.call("plug", name=name, hold=hold, deny=deny)["link"]

    def pull_adapter(self, name):
        """Pulls adapter name out: udev's "remove" goes out, and its open descriptors fail."""
        self.call("unplug", name=name)

    def log(self, name="program"):
        """What a program of the session wrote to stdout and stderr so far."""
        path = self.tmp / "logs" / f"{name}.log"
        return path.read_text(errors="replace") if path.exists() else ""

    # --- the tray ---

    def item(self, pid=None):
        """The program's tray item: lamp (classified icon), tooltip, title, status, menu path."""
        return self.call("item", pid=pid or self.pid)

    def lamp(self, shot=None):
        """'bright', 'dark', 'bright crossed', 'dark crossed', or 'none', as the tray item's icon shows
        it (shot: unused, the icon is kept by keep_lamp)."""
        return self.item()["lamp"]["state"]

    def keep_lamp(self, path):
        self.save_icon(path)

    def save_icon(self, path):
        """Writes the tray icon as the tray would draw it (the largest image Qt offers) as a PNG."""
        width, height, data = self.call("item", pid=self.pid, pixmap=True).get("pixmap", (0, 0, ""))
        argb = base64.b64decode(data)
        rgba = b"".join(argb[i + 1:i + 4] + argb[i:i + 1] for i in range(0, len(argb), 4))
        if rgba:
            subprocess.run(["convert", "-size", f"{width}x{height}", "-depth", "8", "rgba:-", str(path)],
                           input=rgba, check=True, timeout=20)

    def tooltip(self):
        tip = self.item()["tooltip"]
        return tip and tip["title"]

    def wait_tooltip(self, title, timeout=10):
        wait_equal(self.tooltip, title, "the tool tip", timeout)

    def menu(self):
        """The tray menu's entries in order: [{id, label, type, enabled, visible}], a separator with
        type "separator". Labels are written as in Qt, "終了(&X)" (D-Bus menus mark the mnemonic
        with '_' and double a literal one)."""
        def qt_label(label):
            return label.replace("__", "\0").replace("_", "&").replace("\0", "_")
        return [dict((k, qt_label(v) if k == "label" else v) for k, v in c.items() if k != "children")
                for c in self.call("menu", pid=self.pid)["menu"]["children"]]

    def click_menu(self, label):
        """Clicks the tray menu entry with this label, as the desktop's tray does."""
        entries = self.menu()
        entry = next((e for e in entries if e["label"] == label), None)
        assert entry, f"no menu entry {label!r} in {[e['label'] for e in entries]}"
        self.call("menu_click", item_id=entry["id"], pid=self.pid)

    # --- windows and dialogs ---

    def windows(self):
        """The program's mapped top-level windows: [{id, name, x, y, w, h}]."""
        return self.call("windows", pid=self.pid)["windows"]

    def wait_window(self, title, timeout=10):
        return wait_for(lambda: next((w for w in self.windows() if w["name"] == title), None), timeout,
                        what=f"window {title!r}")

    def accessible(self):
        """The program's accessible tree (role, name, text, extents, children), over AT-SPI."""
        assert self.a11y, "the session was started with a11y=False"
        return self.call("a11y", pid=self.pid)["app"]

    def dialog(self, title, timeout=10):
        """An open window of the program, read as a person sees it:
        {title, texts: [the labels' texts], buttons: {label: node}, node}."""
        def find():
            app = self.accessible()
            for window in (app or {}).get("children", []):
                if window["name"] == title:
                    return window
            return None
        window = wait_for(find, timeout, 0.2, f"dialog {title!r}")
        texts, buttons = [], {}

        def walk(node):
            if node["role"] == "label" and node.get("name"):
                texts.append(node.get("text") or node["name"])
            if node["role"] == "push button":
                buttons[node["name"]] = node
            for child in node.get("children", []):
                walk(child)
        walk(window)
        return {"title": title, "texts": texts, "buttons": buttons, "node": window}

    def find(self, node, role, name):
        """The first accessible under node with that role and name."""
        if node["role"] == role and node["name"] == name:
            return node
        return next((found for child in node.get("children", []) if (found := self.find(child, role, name))), None)

    def click(self, node, button=1):
        """A real mouse click in the middle of an accessible's extents."""
        x, y, w, h = node["extents"]
        self.xdotool("mousemove", "--sync", x + w // 2, y + h // 2, "click", button)

    def xdotool(self, *args):
        return self.call("xdotool", args=list(args))["out"]

    # --- the input method ---

    def key(self, *keys):
        """Real key presses into the focused window, e.g. key("Zenkaku_Hankaku")."""
        self.call("key", keys=list(keys))

    def press(self, keys, lamp, lines, port="led"):
        """Presses keys and waits until the lamp shows lamp and port's lines made exactly the
        changes lines (ON, OFF or none) since."""
        mark = len(self.line_events(port))
        self.key(*keys)
        self.wait_lamp(lamp)
        self.wait_lines(port, lines, since=mark)

    def focus_typing(self):
        """Gives the keyboard focus back to the xterm the input method serves."""
        self.call("focus_typing")

    def fcitx_state(self):
        """fcitx5's Controller1.State(): 0 no input context, 1 inactive, 2 active."""
        return self.call("fcitx_state")["state"]

    def ibus_mode(self):
        """The symbol of Mozc's InputMode as IBus last broadcast it ("A", "あ", "_A"...)."""
        return self.call("ibus_state")["symbol"]

    def wait_ibus_mode(self, symbol, timeout=10):
        """Waits until IBus broadcast this InputMode symbol (the program may see it first)."""
        wait_equal(self.ibus_mode, symbol, "IBus's InputMode", timeout)

    def key_timed(self, key, want=None, line=None, timeout=10):
        """Presses key (through XTest) and returns the seconds until the input method shows want
        (a State() value for fcitx5, an InputMode symbol for IBus) or, with line, until the ptys
        get that line change ("DTR=1"). For benchmarks, not for asserting."""
        return self.call("key_timed", timeout + 5, key=key, want=want, line=line, timeout=timeout)["seconds"]

    # --- the end ---

    def _shut(self):
        if self.agent is not None:
            if self.agent.poll() is None:
                quietly(self.call, "quit", 40)
            try:
                self.agent.wait(10)
            except subprocess.TimeoutExpired:
                pass
            quietly(end_pids, [self.agent.pid])
            os.close(self.commands)
            self.replies.close()
        if self.tmp is None:
            return
        # mozc_server daemonises, and D-Bus activation starts helpers that are nobody's children
        left = pids_with_env(f"LUMIDOT_SESSION={self.tmp}")
        if left:
            names = [(pid, _comm(pid)) for pid in left]
            print(f"cleanup: ending {len(left)} leftover session processes: {names}")
            self.survivors = end_pids(left)

    def close(self, check=False):
        super().close(check)
        assert not self.survivors, f"session processes survived SIGKILL: {self.survivors}"


class LinuxTestCase(SessionTestCase):
    """A test of a program in a Linux desktop session: each Session it opens is named after the
    test, which names the folder of its artefacts."""

    session_class = Session
