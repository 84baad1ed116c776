"""Runs a Qt tray program in a headless desktop session with a real input method and Mozc, and
drives it the way a person would: real keys into a focused xterm, the tray icon, its menu, its
dialogs, and the DTR and RTS lines of socat pseudo-terminals.

The test runs as root; the session runs as an unprivileged user (Mozc refuses root) with a fresh
home, a clean environment and its own D-Bus. session_agent.py does the work inside it. A Session
ends every process it started when it closes, also when a test fails: the ones the agent reports
and, by pid, every process that carries the session's mark in its environment (mozc_server
daemonises, and D-Bus activation starts helpers that are nobody's children).

Runs as root (to become the session's user), from this folder:

    cmake --workflow --preset linux                      # builds build/linux and runs every test
    /usr/bin/python3 -m unittest -v test_probe           # again, once build/linux is built

LUMIDOT_LINUX_BIN names the program (default build/linux/lumidot), LUMIDOT_IMEPROBE the probe,
LUMIDOT_PTYEMU the pty library and LUMIDOT_LINUX_WORK the build tree whose artifacts/<test> folder
keeps each test's logs, line log and pictures.
"""
import base64
import json
import os
import select
import shutil
import signal
import subprocess
import tempfile
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
REPO = HERE.parents[2]
WORK = Path(os.environ.get("LUMIDOT_LINUX_WORK", REPO / "build/linux"))
PROGRAM = os.environ.get("LUMIDOT_LINUX_BIN") or str(WORK / "lumidot")
PROBE = os.environ.get("LUMIDOT_IMEPROBE", str(WORK / "tests/linux/imeprobe"))
PTYEMU = Path(os.environ.get("LUMIDOT_PTYEMU", WORK / "tests/linux/harness/libptyemu.so"))
PYTHON = "/usr/bin/python3"   # the one python3-dbus and python3-gi are installed for
USER_ID = 65534               # nobody
PATH = "/usr/local/bin:/usr/bin:/bin"
FRAMEWORKS = ("fcitx5", "ibus")


def wait_for(condition, timeout=10.0, interval=0.05, what="condition"):
    """Polls condition() until it returns something truthy, which is returned."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


class AgentError(Exception):
    pass


def marked_pids(mark):
    """Processes whose environment holds LUMIDOT_SESSION=mark, whoever their parent is now."""
    needle = f"LUMIDOT_SESSION={mark}".encode()
    pids = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) == os.getpid():
            continue
        try:
            with open(f"/proc/{entry}/environ", "rb") as f:
                if needle in f.read().split(b"\0"):
                    pids.append(int(entry))
        except OSError:  # gone meanwhile, or not ours to read
            pass
    return pids


def end_pids(pids, timeout=5.0):
    """SIGTERM, a grace period, then SIGKILL for whatever is left, each by its pid."""
    alive = lambda pid: Path(f"/proc/{pid}").exists() and not _zombie(pid)
    for sig in (signal.SIGTERM, signal.SIGKILL):
        for pid in pids:
            try:
                os.kill(pid, sig)
            except ProcessLookupError:
                pass
        deadline = time.monotonic() + timeout
        while any(alive(p) for p in pids) and time.monotonic() < deadline:
            time.sleep(0.05)
        pids = [p for p in pids if alive(p)]
        if not pids:
            return []
    return pids


def _comm(pid):
    try:
        return Path(f"/proc/{pid}/comm").read_text().strip()
    except OSError:
        return "?"


def _zombie(pid):
    try:
        return Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()[0] == "Z"
    except (OSError, IndexError):
        return False


class Session:
    """One test's desktop. framework: "fcitx5" or "ibus"; ports: names of LED ports, each a socat
    pty (self.pty[name] is its path); program: the executable (default $LUMIDOT_LINUX_BIN); args:
    its arguments; ini: text of Lumidot.ini (None: no file); in both, "{name}" stands for the path
    of port name's pty; start: launch the program at once and wait for its tray item; a11y: let the program
    answer over AT-SPI, so that its dialogs can be read; ime: start the input method before the
    program (else the test calls start_ime() when it wants it; the desktop's environment names the
    framework from the start either way)."""

    def __init__(self, name, framework="fcitx5", ports=(), program=None, args=(), ini=None, start=True,
                 env=None, a11y=True, ime=True):
        assert framework in FRAMEWORKS, framework
        self.name, self.framework, self.ports, self.ime = name, framework, tuple(ports), ime
        self.program, self.args = program or PROGRAM, tuple(args)
        self.ini_text, self.autostart, self.extra_env, self.a11y = ini, start, dict(env or {}), a11y
        self.agent, self.tmp, self.pid, self.display = None, None, None, None
        self.pty, self.timings, self.shot_count = {}, {}, 0

    def __enter__(self):
        try:
            self._setup()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, exc_type, *exc):
        self.close(check=exc_type is None)

    def _setup(self):
        assert os.geteuid() == 0, "the harness runs as root, to start the session as its own user"
        assert self.program and Path(self.program).exists(), \
            f"program {self.program!r} is missing: build it (LUMIDOT_LINUX_BIN names it)"
        assert PTYEMU.exists(), f"{PTYEMU} is missing: build tests/linux"
        started = time.monotonic()
        self.artifacts = WORK / "artifacts" / self.name
        shutil.rmtree(self.artifacts, ignore_errors=True)
        self.artifacts.mkdir(parents=True)
        self.tmp = Path(tempfile.mkdtemp(prefix="lumidot-linux-"))
        self.tmp.chmod(0o755)
        self.home = self.tmp / "home"
        self.lines_dir = self.tmp / "lines"
        for path in (self.home, self.tmp / "run", self.lines_dir, self.tmp / "logs", self.tmp / "ports"):
            path.mkdir(mode=0o700)
            os.chown(path, USER_ID, USER_ID)
        self.config = self.home / ".config"
        shutil.copy(HERE / "session_agent.py", self.tmp / "session_agent.py")
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
        self.pty = self.call("ports", names=list(self.ports))["ptys"] if self.ports else {}
        if self.a11y:
            self.call("a11y_bus")
        if self.ini_text is not None:
            ini = self.config / "lumidot" / "Lumidot.ini"
            ini.parent.mkdir(parents=True, exist_ok=True)
            ini.write_bytes(self.with_ports(self.ini_text).encode("utf-8"))
            for path in (ini.parent, ini):
                os.chown(path, USER_ID, USER_ID)
        self.timings["desktop"] = time.monotonic() - started
        if self.autostart:
            self.start()
            self.timings["program"] = time.monotonic() - started - self.timings["desktop"]

    def start_ime(self):
        """Starts the input method with Mozc, then the xterm that takes the keys, focused."""
        self.timings["framework"] = self.call(self.framework, 90)["seconds"]
        self.timings["xterm"] = self.call("xterm", 60)["seconds"]

    def with_ports(self, text):
        for name, path in self.pty.items():
            text = text.replace("{" + name + "}", path)
        return text

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
               "LD_PRELOAD": str(PTYEMU), "PTYEMU_DIR": str(self.lines_dir)}
        # A sanitizer build would refuse to start with the preloaded library ahead of its runtime,
        # and fail its exit over Qt's own leak, which only a full unwind through Qt (built without
        # frame pointers) names.
        env["ASAN_OPTIONS"] = "verify_asan_link_order=0:fast_unwind_on_malloc=0"
        env["LSAN_OPTIONS"] = f"suppressions={HERE / 'lsan-qt.supp'}"
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

    # --- the tray ---

    def item(self, pid=None):
        """The program's tray item: lamp (classified icon), tooltip, title, status, menu path."""
        return self.call("item", pid=pid or self.pid)

    def lamp(self):
        """'bright', 'dark', 'bright crossed', 'dark crossed', or 'none'."""
        return self.item()["lamp"]["state"]

    def wait_lamp(self, state, timeout=10):
        """Waits for the lamp; the icon as last seen is kept as the next artefact."""
        seen = []

        def shows():
            seen.append(self.lamp())
            return seen[-1] == state
        try:
            return wait_for(shows, timeout, 0.05, f"lamp {state!r}")
        except AssertionError:
            raise AssertionError(f"lamp never showed {state!r}; saw {seen[-5:]}")
        finally:
            self.shot_count += 1
            self.save_icon(self.artifacts / f"{self.shot_count:02d}-lamp-{state.replace(' ', '-')}.png")

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
        seen = []

        def shows():
            seen.append(self.tooltip())
            return seen[-1] == title
        try:
            wait_for(shows, timeout, 0.05, f"tool tip {title!r}")
        except AssertionError:
            raise AssertionError(f"tool tip never read {title!r}; saw {seen[-3:]}")

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
        wait_for(lambda: self.ibus_mode() == symbol, timeout, what=f"IBus InputMode {symbol!r}")

    def key_timed(self, key, want=None, line=None, timeout=10):
        """Presses key (through XTest) and returns the seconds until the input method shows want
        (a State() value for fcitx5, an InputMode symbol for IBus) or, with line, until the ptys
        get that line change ("DTR=1"). For benchmarks, not for asserting."""
        return self.call("key_timed", timeout + 5, key=key, want=want, line=line, timeout=timeout)["seconds"]

    # --- files, lines, screen ---

    def ini(self):
        path = self.config / "lumidot" / "Lumidot.ini"
        return path.read_bytes() if path.exists() else None

    def line_events(self, port):
        """What happened to the pty of port, in order: open, DTR=1, RTS=1, unchanged, close..."""
        log = self.lines_dir / "lines.log"
        lines = log.read_text().splitlines() if log.exists() else []
        prefix = self.pty[port] + " "
        return [line[len(prefix):] for line in lines if line.startswith(prefix)]

    def wait_lines(self, port, events, since=0, timeout=10):
        """Waits until the port's line changes from entry `since` on are exactly events."""
        changes = lambda: [e for e in self.line_events(port)[since:] if e != "unchanged"]
        try:
            return wait_for(lambda: changes() == events, timeout, what=f"lines {events}")
        except AssertionError:
            raise AssertionError(f"lines of {port} never became {events}; they are {changes()}")

    def screenshot(self, label):
        self.shot_count += 1
        path = self.artifacts / f"{self.shot_count:02d}-{label}.png"
        subprocess.run(["import", "-display", f":{self.display}", "-window", "root", str(path)],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=20)
        return path

    # --- the end ---

    def close(self, check=False):
        """Ends everything this session started. With check, proves no byte reached any port."""
        def quietly(step, *args, **kwargs):
            try:
                step(*args, **kwargs)
            except Exception as error:  # one failing step must not leave the others' processes behind
                print(f"cleanup: {error!r}")
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
        left = marked_pids(self.tmp)
        if left:
            names = [(pid, _comm(pid)) for pid in left]
            print(f"cleanup: ending {len(left)} leftover session processes: {names}")
            left = end_pids(left)
        for name in ("lines/lines.log", "home/.config/lumidot/Lumidot.ini"):
            if (self.tmp / name).exists():
                shutil.copy(self.tmp / name, self.artifacts)
        if (self.tmp / "logs").exists():
            shutil.copytree(self.tmp / "logs", self.artifacts / "logs", dirs_exist_ok=True)
        sent = {p.stem: p.read_bytes() for p in (self.tmp / "ports").glob("*.bytes")} \
            if (self.tmp / "ports").exists() else {}
        shutil.rmtree(self.tmp, ignore_errors=True)
        assert not left, f"session processes survived SIGKILL: {left}"
        if check:
            assert not any(sent.values()), f"bytes were sent to a port: {sent}"
