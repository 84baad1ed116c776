"""Runs inside a test's desktop session, as its unprivileged user, under the session's own D-Bus.

The harness (lumidot_linux.py) starts it with dbus-run-session and talks to it over a pair of
pipes (LUMIDOT_AGENT_FDS), one JSON object per line each way: {"cmd": name, ...arguments} in,
{"ok": true, ...} or {"ok": false, "error": text} out. The agent starts the session's programs
(Xvfb, the input method, the xterm that takes the keys, socat for the LED ports, the program under
test) and is the desktop's tray host: it owns org.kde.StatusNotifierWatcher before any program
starts, because Qt asks for it once, at start-up.

Runs with /usr/bin/python3 (python3-dbus and python3-gi), beside a copy of e2e_harness.py, the base
it shares with the harnesses.
"""
import base64
import ctypes
import json
import os
import signal
import subprocess
import sys
import time
import traceback

import dbus
import dbus.bus
import dbus.lowlevel
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

import e2e_harness
from e2e_harness import Timeout, Xvfb, end_pids, lamp_state, pids_with_env, pixel_kind

SESSION_DIR = os.environ["LUMIDOT_SESSION"]
# the harness's pipes; stdin and stdout are shared with the session's D-Bus daemon
COMMANDS_FD, REPLIES_FD = (int(fd) for fd in os.environ.pop("LUMIDOT_AGENT_FDS").split(","))
LOGS = os.path.join(SESSION_DIR, "logs")
HOME = os.environ["HOME"]
CONFIG = os.environ.get("XDG_CONFIG_HOME", os.path.join(HOME, ".config"))
TYPING_TITLE = "lumidot-typing"
SCREEN = (1024, 768)

WATCHER = "org.kde.StatusNotifierWatcher"
ITEM = "org.kde.StatusNotifierItem"
FCITX = "org.fcitx.Fcitx5"
IBUS = "org.freedesktop.IBus"
IBUS_ENGINE = "org.freedesktop.IBus.Engine"
A11Y_ACCESSIBLE = "org.a11y.atspi.Accessible"
PROPS = "org.freedesktop.DBus.Properties"

# Qt reads the watcher's properties through introspection (QDBusInterface), so they must be in the
# XML; python-dbus would generate XML without properties.
WATCHER_XML = """<!DOCTYPE node PUBLIC "-//freedesktop//DTD D-BUS Object Introspection 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/introspect.dtd">
<node>
  <interface name="org.kde.StatusNotifierWatcher">
    <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
    <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/>
    <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
    <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
    <signal name="StatusNotifierHostRegistered"/>
    <signal name="StatusNotifierHostUnregistered"/>
  </interface>
  <interface name="org.freedesktop.DBus.Properties">
    <method name="Get">
      <arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="v" direction="out"/>
    </method>
    <method name="GetAll"><arg type="s" direction="in"/><arg type="a{sv}" direction="out"/></method>
  </interface>
  <interface name="org.freedesktop.DBus.Introspectable">
    <method name="Introspect"><arg type="s" direction="out"/></method>
  </interface>
</node>"""


class AgentError(Exception):
    pass


def log(text):
    sys.stderr.write(f"{time.strftime('%H:%M:%S')} agent: {text}\n")
    sys.stderr.flush()


def plain(value):
    """D-Bus values as JSON-able Python values."""
    if isinstance(value, (dbus.Array, list, tuple, dbus.Struct)):
        return [plain(v) for v in value]
    if isinstance(value, (dbus.Dictionary, dict)):
        return {str(k): plain(v) for k, v in value.items()}
    if isinstance(value, dbus.Boolean):
        return bool(value)
    if isinstance(value, (dbus.String, dbus.ObjectPath, dbus.Signature)):
        return str(value)
    if isinstance(value, (dbus.Byte, dbus.Int16, dbus.Int32, dbus.Int64, dbus.UInt16, dbus.UInt32, dbus.UInt64)):
        return int(value)
    if isinstance(value, dbus.Double):
        return float(value)
    return value


def pump(seconds):
    """Runs the main loop for a while: D-Bus calls to us (the watcher) are answered meanwhile."""
    context = GLib.MainContext.default()
    deadline = time.monotonic() + seconds
    woken = []
    timer = GLib.timeout_add(max(1, int(seconds * 1000)), lambda: woken.append(True) and False)
    while time.monotonic() < deadline and not woken:
        context.iteration(True)
    if not woken:
        GLib.source_remove(timer)


def wait_for(condition, timeout, what):
    """The harness's wait_for, serving D-Bus between polls."""
    return e2e_harness.wait_for(condition, timeout, 0.01, what, sleep=pump)


def stop(proc):
    """The harness's stop, serving D-Bus while the process ends: a program may ask the tray host
    on its way out."""
    e2e_harness.stop(proc, sleep=pump)


def call(bus, name, path, interface, method, signature="", args=(), timeout=5.0, activate=False):
    """A method call that, unless told to, never starts a service by D-Bus activation (fcitx5 and
    IBus have activation files: a plain call would start one in a session meant for the other)."""
    message = dbus.lowlevel.MethodCallMessage(name, path, interface, method)
    message.set_auto_start(activate)
    if signature:
        message.append(*args, signature=signature)
    reply = bus.send_message_with_reply_and_block(message, timeout)
    values = reply.get_args_list()
    return values[0] if len(values) == 1 else values


def get_property(bus, name, path, interface, prop, timeout=5.0):
    return call(bus, name, path, PROPS, "Get", "ss", (interface, prop), timeout)


def parent_of(pid):
    try:
        with open(f"/proc/{pid}/stat") as f:
            return int(f.read().rsplit(")", 1)[1].split()[1])
    except (OSError, ValueError, IndexError):
        return None


class XTest:
    """Key presses straight through the XTEST extension (as xdotool makes them), without a process
    start in between, for timing."""

    def __init__(self, display):
        self.x11 = ctypes.CDLL("libX11.so.6")
        self.xtst = ctypes.CDLL("libXtst.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XStringToKeysym.restype = ctypes.c_ulong
        self.x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
        self.x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.x11.XFlush.argtypes = [ctypes.c_void_p]
        self.xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
        self.display = self.x11.XOpenDisplay(display.encode())
        if not self.display:
            raise AgentError(f"cannot open display {display}")

    def xembed_tray_runs(self):
        self.x11.XInternAtom.restype = ctypes.c_ulong
        self.x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        self.x11.XGetSelectionOwner.restype = ctypes.c_ulong
        self.x11.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        atom = self.x11.XInternAtom(self.display, b"_NET_SYSTEM_TRAY_S0", 0)
        return self.x11.XGetSelectionOwner(self.display, atom) != 0

    def key(self, name):
        keycode = self.x11.XKeysymToKeycode(self.display, self.x11.XStringToKeysym(name.encode()))
        if not keycode:
            raise AgentError(f"the keymap has no key for {name}")
        self.xtst.XTestFakeKeyEvent(self.display, keycode, 1, 0)
        self.xtst.XTestFakeKeyEvent(self.display, keycode, 0, 0)
        self.x11.XFlush(self.display)


class Watcher(dbus.service.Object):
    """The tray host's side of StatusNotifierItem: programs register their items here."""

    def __init__(self, bus):
        super().__init__(bus, "/StatusNotifierWatcher")
        self.bus = bus
        self.items = []  # {"service", "path", "sender", "pid"}
        self.host = True  # a host (the panel that shows the items) has registered
        self.on_asked = None  # called once as a program next asks whether a host is registered
        bus.add_signal_receiver(self._owner_changed, "NameOwnerChanged", "org.freedesktop.DBus",
                                "org.freedesktop.DBus", "/org/freedesktop/DBus")

    @dbus.service.method("org.freedesktop.DBus.Introspectable", in_signature="", out_signature="s")
    def Introspect(self):
        return WATCHER_XML

    @dbus.service.method(PROPS, in_signature="ss", out_signature="v")
    def Get(self, interface, prop):
        if prop == "IsStatusNotifierHostRegistered" and self.on_asked:
            self.on_asked, asked = None, self.on_asked
            asked()
        return self.GetAll(interface)[prop]

    @dbus.service.method(PROPS, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return {"RegisteredStatusNotifierItems": dbus.Array([i["service"] + i["path"] for i in self.items], "s"),
                "IsStatusNotifierHostRegistered": dbus.Boolean(self.host),
                "ProtocolVersion": dbus.Int32(0)}

    @dbus.service.method(WATCHER, in_signature="s", out_signature="", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender=None):
        # the argument is a bus name (the item is at /StatusNotifierItem) or an object path of the
        # caller's own connection
        if service.startswith("/"):
            service, path = sender, service
        else:
            path = "/StatusNotifierItem"
        pid = int(call(self.bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                       "GetConnectionUnixProcessID", "s", (sender,)))
        self.items = [i for i in self.items if (i["service"], i["path"]) != (service, path)]
        self.items.append({"service": str(service), "path": str(path), "sender": str(sender), "pid": pid})
        log(f"item registered: {service}{path} pid {pid}")
        self.StatusNotifierItemRegistered(service + path)

    @dbus.service.method(WATCHER, in_signature="s", out_signature="")
    def RegisterStatusNotifierHost(self, service):
        pass

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemRegistered(self, name):
        pass

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemUnregistered(self, name):
        pass

    @dbus.service.signal(WATCHER, signature="")
    def StatusNotifierHostRegistered(self):
        pass

    def _owner_changed(self, name, old, new):
        if new:
            return
        gone = [i for i in self.items if name in (i["sender"], i["service"])]
        for item in gone:
            self.items.remove(item)
            log(f"item gone: {item['service']}{item['path']}")
            self.StatusNotifierItemUnregistered(item["service"] + item["path"])


LOGIND_MANAGER = "org.freedesktop.login1.Manager"
LOGIND_SESSION = "org.freedesktop.login1.Session"
SESSION_PATH = "/org/freedesktop/login1/session/_31"


class Logind(dbus.service.Object):
    """What a program asks of logind about its session: which one it is, and whether it is at the
    screen (Active changes with fast user switching)."""

    def __init__(self, bus):
        super().__init__(bus, "/org/freedesktop/login1")
        self.session = LogindSession(bus)

    @dbus.service.method(LOGIND_MANAGER, in_signature="s", out_signature="o")
    def GetSession(self, session_id):
        return SESSION_PATH


class LogindSession(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, SESSION_PATH)
        self.active = True

    @dbus.service.method(PROPS, in_signature="ss", out_signature="v")
    def Get(self, interface, prop):
        if (interface, prop) != (LOGIND_SESSION, "Active"):
            raise dbus.DBusException("no such property", name="org.freedesktop.DBus.Error.UnknownProperty")
        return dbus.Boolean(self.active)


def classify_lamp(pixmaps):
    """The lamp the largest image of an IconPixmap shows (see e2e_harness.lamp_state)."""
    if not pixmaps:
        return {"state": "none", "size": None}
    width, height, data = max(pixmaps, key=lambda p: p[0] * p[1])
    # ARGB32 in network byte order; the transparent pixels are no part of the icon
    pixels = (data[i:i + 4] for i in range(0, min(len(data), 4 * width * height), 4))
    kinds = [pixel_kind(r, g, b) for a, r, g, b in pixels if a >= 128]
    return {"state": lamp_state(kinds, least=8), "size": [width, height],
            **{kind: kinds.count(kind) for kind in ("bright", "dark", "black")}}


class Agent:
    def __init__(self):
        dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
        self.bus = dbus.SessionBus()
        self.watcher = Watcher(self.bus)
        self.bus_name = dbus.service.BusName(WATCHER, self.bus, do_not_queue=True)
        self.procs = {}  # name -> Popen, in start order
        self.display = None
        self.framework = None
        self.ibus_bus = None
        self.ibus_engine = None
        self.ibus_events = []  # (monotonic time, member, symbol)
        self.a11y_bus = None
        self.typing_window = None
        self.system_bus = None
        self.adapters = None
        os.makedirs(LOGS, exist_ok=True)

    # --- processes ---

    def spawn(self, name, argv, env=None, **kwargs):
        out = open(os.path.join(LOGS, f"{name}.log"), "ab")
        proc = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT,
                                **kwargs)
        out.close()
        self.procs[name if name not in self.procs else f"{name}-{proc.pid}"] = proc
        log(f"started {name} pid {proc.pid}: {' '.join(argv)}")
        return proc

    def env(self, extra=None):
        env = dict(os.environ)
        env.update(extra or {})
        return env

    def run(self, argv, timeout=10, check=True):
        result = subprocess.run(argv, capture_output=True, text=True, timeout=timeout)
        if check and result.returncode != 0:
            raise AgentError(f"{argv[0]} failed ({result.returncode}): {result.stderr.strip()}")
        return result.stdout

    # --- commands: setting up the desktop ---

    def cmd_x(self):
        # -noreset: an X server resets when its last client leaves, and with it the keymap
        x = Xvfb(SCREEN, "-noreset", popen=lambda argv, **options: self.spawn("xvfb", argv, **options))
        self.display = x.display
        os.environ["DISPLAY"] = f":{self.display}"
        # Xvfb's own keymap lacks the Japanese keys. xdotool would then bind them to a spare
        # keycode for a moment, and an input method that looks the keycode up a little later
        # (IBus over XIM) reads no key at all.
        self.run(["setxkbmap", "-model", "jp106", "-layout", "jp"])
        if "layout:     jp" not in self.run(["setxkbmap", "-query"]):
            raise AgentError("the Japanese keymap did not stay")
        # services started by D-Bus activation (at-spi, IBus's helpers) get the bus daemon's
        # environment, which predates the display
        call(self.bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
             "UpdateActivationEnvironment", "a{ss}", ({"DISPLAY": f":{self.display}"},))
        return {"display": self.display, "pid": x.proc.pid}

    def xim_server(self, name):
        out = self.run(["xprop", "-root", "XIM_SERVERS"], check=False)
        return f"@server={name}" in out

    def cmd_fcitx5(self):
        os.makedirs(os.path.join(CONFIG, "fcitx5"), exist_ok=True)
        with open(os.path.join(CONFIG, "fcitx5", "profile"), "w") as f:
            f.write("[Groups/0]\nName=Default\nDefault Layout=jp\nDefaultIM=mozc\n\n"
                    "[Groups/0/Items/0]\nName=keyboard-jp\nLayout=\n\n"
                    "[Groups/0/Items/1]\nName=mozc\nLayout=\n\n"
                    "[GroupOrder]\n0=Default\n")
        with open(os.path.join(CONFIG, "fcitx5", "config"), "w") as f:
            # Shift_L, the default alternative trigger, would switch input methods on its own
            f.write("[Hotkey/TriggerKeys]\n0=Control+space\n1=Zenkaku_Hankaku\n\n"
                    "[Hotkey/AltTriggerKeys]\n\n[Behavior]\nShareInputState=No\n")
        started = time.monotonic()
        proc = self.spawn("fcitx5", ["fcitx5", "--disable=classicui,kimpanel,notificationitem,notifications"])
        wait_for(lambda: self.has_owner(FCITX), 30, "fcitx5 on the session bus")
        wait_for(lambda: self.xim_server("fcitx"), 30, "fcitx5's XIM server")
        self.framework = "fcitx5"
        return {"pid": proc.pid, "seconds": time.monotonic() - started}

    def has_owner(self, name):
        return bool(call(self.bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                         "NameHasOwner", "s", (name,)))

    def ibus_address(self):
        machine = open("/var/lib/dbus/machine-id").read().strip() if os.path.exists(
            "/var/lib/dbus/machine-id") else open("/etc/machine-id").read().strip()
        path = os.path.join(CONFIG, "ibus", "bus", f"{machine}-unix-{self.display}")
        if not os.path.exists(path):
            return None
        values = dict(line.split("=", 1) for line in open(path).read().splitlines()
                      if "=" in line and not line.startswith("#"))
        address, pid = values.get("IBUS_ADDRESS"), values.get("IBUS_DAEMON_PID", "")
        return address if address and pid.isdigit() and os.path.exists(f"/proc/{pid}") else None

    def cmd_ibus(self):
        started = time.monotonic()
        proc = self.spawn("ibus", ["ibus-daemon", "--xim", "--panel=disable", "--emoji-extension=disable",
                                   "--config=disable", "--cache=refresh"])
        self.ibus_join()
        self.cmd_ibus_engine("mozc-jp")
        return {"pid": proc.pid, "seconds": time.monotonic() - started}

    def _engine_property(self, prop, member=None):
        now = time.monotonic()
        props = [prop] if member == "UpdateProperty" else list(prop[2])
        for p in props:
            # IBusProperty: (type name, attachments, key, type, label, icon, tooltip, sensitive,
            # visible, state, sub-properties, symbol); the symbol is an IBusText, its text third
            if len(p) >= 12 and p[2] == "InputMode":
                symbol = str(p[11][2])
                self.ibus_events.append((now, str(member), symbol))
                log(f"IBus {member} InputMode {symbol!r}")

    def _engine_changed(self, name):
        self.ibus_engine = str(name)
        log(f"IBus engine {name}")

    def ibus_symbol(self):
        return self.ibus_events[-1][2] if self.ibus_events else None

    def cmd_xterm(self):
        """The window that takes the keys, focused; returns once the input method has its input
        context (fcitx5: State leaves 0; IBus: a new input context has focus and Mozc announced its
        mode)."""
        started = time.monotonic()
        im = {"fcitx5": "fcitx", "ibus": "ibus"}.get(self.framework, "none")
        env = self.env({"XMODIFIERS": f"@im={im}"})
        mark = len(self.ibus_events)
        before = self.ibus_input_context() if self.framework == "ibus" else None
        search = ["xdotool", "search", "--onlyvisible", "--name", f"^{TYPING_TITLE}$"]
        # Now and then libX11's XIM handshake loses the server's reply and the xterm waits for it
        # forever, before it maps its window, while the input method sits idle. A new xterm gets
        # through; the window normally appears within a second, also on a busy machine.
        for attempt in range(3):
            proc = self.spawn("xterm", ["xterm", "-title", TYPING_TITLE, "-geometry", "80x10+0+0",
                                        "-xrm", f"XTerm*inputMethod: {im}"], env=env)
            try:
                self.typing_window = wait_for(lambda: self.run(search, check=False).split(), 10,
                                              "the xterm window")[0]
                break
            except Timeout:
                log(f"xterm pid {proc.pid} never mapped its window: stuck opening the input method")
                stop(proc)
                if attempt == 2:
                    raise
        self.cmd_focus_typing()
        if self.framework == "fcitx5":
            wait_for(lambda: self.cmd_fcitx_state()["state"] != 0, 20, "fcitx5's input context")
        elif self.framework == "ibus":
            # Mozc also announces its mode when the engine is first set, and that may come late
            wait_for(lambda: self.ibus_input_context() != before, 20, "the xterm's input context")
            wait_for(lambda: len(self.ibus_events) > mark, 20, "Mozc's mode on focus")
        return {"pid": proc.pid, "window": self.typing_window, "seconds": time.monotonic() - started}

    def ibus_input_context(self):
        return str(get_property(self.ibus_bus, IBUS, "/org/freedesktop/IBus", IBUS, "CurrentInputContext"))

    def cmd_focus_typing(self):
        self.run(["xdotool", "windowfocus", "--sync", self.typing_window])
        return {}

    def cmd_start(self, argv, env=None, name="program"):
        proc = self.spawn(name, argv, env=self.env(env))
        return {"pid": proc.pid}

    def cmd_wait_exit(self, pid, timeout=20):
        proc = next(p for p in self.procs.values() if p.pid == pid)
        code = wait_for(lambda: proc.poll() is not None and [proc.returncode], timeout, f"pid {pid} to end")
        return {"code": code[0]}

    def cmd_signal(self, pid, signum=signal.SIGTERM):
        proc = next(p for p in self.procs.values() if p.pid == pid)
        if proc.poll() is None:
            proc.send_signal(signum)
        return {}

    def cmd_pids(self):
        return {"pids": {name: p.pid for name, p in self.procs.items() if p.poll() is None}}

    # --- commands: the tray ---

    def cmd_items(self):
        return {"items": self.watcher.items}

    def item(self, pid):
        items = [i for i in self.watcher.items if pid is None or i["pid"] == pid]
        if not items:
            raise AgentError(f"no tray item of pid {pid}")
        return items[-1]

    def cmd_item(self, pid=None, pixmap=False):
        """The item's properties, its icon classified as a lamp; with pixmap, the largest icon image
        too (width, height, ARGB32 big-endian in base64)."""
        item = self.item(pid)
        props = call(self.bus, item["sender"], item["path"], PROPS, "GetAll", "s", (ITEM,))
        tooltip = props.get("ToolTip")
        pixmaps = [(int(w), int(h), bytes(d)) for w, h, d in props.get("IconPixmap", [])]
        extra = {}
        if pixmap and pixmaps:
            w, h, data = max(pixmaps, key=lambda p: p[0] * p[1])
            extra["pixmap"] = [w, h, base64.b64encode(data).decode()]
        return {"item": item,
                **extra,
                "lamp": classify_lamp(pixmaps),
                "icon_name": str(props.get("IconName", "")),
                "title": str(props.get("Title", "")),
                "status": str(props.get("Status", "")),
                # (icon name, icon pixmaps, title, text)
                "tooltip": {"title": str(tooltip[2]), "text": str(tooltip[3])} if tooltip else None,
                "menu": str(props.get("Menu", ""))}

    def menu_target(self, pid):
        item = self.item(pid)
        path = get_property(self.bus, item["sender"], item["path"], ITEM, "Menu")
        return item["sender"], str(path)

    def cmd_menu(self, pid=None):
        sender, path = self.menu_target(pid)
        call(self.bus, sender, path, "com.canonical.dbusmenu", "AboutToShow", "i", (0,))
        _, layout = call(self.bus, sender, path, "com.canonical.dbusmenu", "GetLayout", "iias", (0, -1, []))

        def node(entry):
            item_id, props, children = entry
            props = plain(props)
            return {"id": int(item_id), "label": props.get("label", ""), "type": props.get("type", "standard"),
                    "enabled": props.get("enabled", True), "visible": props.get("visible", True),
                    "children": [node(c) for c in children]}
        return {"menu": node(layout)}

    def cmd_menu_click(self, item_id, pid=None):
        sender, path = self.menu_target(pid)
        call(self.bus, sender, path, "com.canonical.dbusmenu", "Event", "isvu",
             (item_id, "clicked", dbus.Int32(0, variant_level=1), 0))
        return {}

    # --- commands: windows, accessibility, keys ---

    def cmd_windows(self, pid):
        """The program's mapped top-level windows, as X sees them."""
        ids = self.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)], check=False).split()
        windows = []
        for wid in ids:
            name = self.run(["xdotool", "getwindowname", wid], check=False).strip()
            geometry = self.run(["xdotool", "getwindowgeometry", "--shell", wid], check=False)
            g = dict(line.split("=", 1) for line in geometry.split() if "=" in line)
            windows.append({"id": wid, "name": name, "x": int(g.get("X", 0)), "y": int(g.get("Y", 0)),
                            "w": int(g.get("WIDTH", 0)), "h": int(g.get("HEIGHT", 0))})
        return {"windows": windows}

    def a11y(self):
        if self.a11y_bus is None:
            self.cmd_a11y_bus()
        return self.a11y_bus

    def cmd_a11y_bus(self):
        """Starts at-spi's bus (by activation, as a desktop does at log-in) and connects to it.
        Qt joins it only if it is there, or appears, while the program runs."""
        address = call(self.bus, "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", timeout=20,
                       activate=True)
        self.a11y_bus = dbus.bus.BusConnection(str(address))
        return {"address": str(address)}

    def a11y_node(self, name, path, depth):
        bus = self.a11y()
        role = call(bus, name, path, A11Y_ACCESSIBLE, "GetRoleName")
        label = get_property(bus, name, path, A11Y_ACCESSIBLE, "Name")
        node = {"bus": str(name), "path": str(path), "role": str(role), "name": str(label)}
        # AT-SPI's state set: two 32-bit words; bit 24 is "sensitive", which a greyed widget lacks
        node["enabled"] = bool(int(call(bus, name, path, A11Y_ACCESSIBLE, "GetState")[0]) & (1 << 24))
        if role in ("text", "paragraph", "label"):
            try:
                node["text"] = str(call(bus, name, path, "org.a11y.atspi.Text", "GetText", "ii", (0, -1)))
            except dbus.DBusException:
                pass
        try:
            x, y, w, h = call(bus, name, path, "org.a11y.atspi.Component", "GetExtents", "u", (0,))
            node["extents"] = [int(x), int(y), int(w), int(h)]
        except dbus.DBusException:
            pass
        if depth > 0:
            children = call(bus, name, path, A11Y_ACCESSIBLE, "GetChildren")
            node["children"] = [self.a11y_node(n, p, depth - 1) for n, p in children]
        return node

    def cmd_a11y(self, pid, depth=8):
        """The accessible tree of the program's windows (roles, names, texts, screen extents), read
        over AT-SPI: what a screen reader sees, the only place a dialog's text shows outside Qt."""
        bus = self.a11y()
        apps = call(bus, "org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root", A11Y_ACCESSIBLE,
                    "GetChildren")
        for name, path in apps:
            owner_pid = call(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                             "GetConnectionUnixProcessID", "s", (name,))
            if int(owner_pid) == pid:
                return {"app": self.a11y_node(name, path, depth)}
        return {"app": None}

    def cmd_a11y_action(self, bus_name, path, index=0):
        """Does an accessible's action (a button's "Press") as a screen reader would."""
        done = call(self.a11y(), bus_name, path, "org.a11y.atspi.Action", "DoAction", "i", (index,))
        return {"done": bool(done)}

    def cmd_a11y_set_text(self, bus_name, path, text):
        """Replaces an editable accessible's text, as a program does from within."""
        call(self.a11y(), bus_name, path, "org.a11y.atspi.EditableText", "SetTextContents", "s", (text,))
        return {}

    def cmd_xdotool(self, args):
        return {"out": self.run(["xdotool"] + [str(a) for a in args])}

    # --- commands: the input methods ---

    def cmd_fcitx_state(self):
        return {"state": int(call(self.bus, FCITX, "/controller", "org.fcitx.Fcitx.Controller1", "State"))}

    def cmd_ibus_state(self):
        return {"engine": self.ibus_engine, "symbol": self.ibus_symbol(), "events": len(self.ibus_events)}

    def cmd_key(self, keys):
        """Real key presses into the focused window (the xterm unless something else took focus)."""
        self.run(["xdotool", "key"] + list(keys))
        return {}

    def cmd_key_timed(self, key, want=None, line=None, timeout=10):
        """Presses a key through XTest and measures until the input method shows `want` (fcitx5:
        the State() value, polled on a kept connection; IBus: the InputMode symbol, as its signal
        arrives) or, with `line`, until the pty log gets that line (e.g. "DTR=1")."""
        mark = len(self.ibus_events)
        log = os.path.join(SESSION_DIR, "lines", "lines.log")
        log_size = os.path.getsize(log) if os.path.exists(log) else 0
        if line is not None:
            def seen():
                with open(log) as f:
                    f.seek(log_size)
                    return any(l.endswith(" " + line) for l in f.read().splitlines())
        elif self.framework == "fcitx5":
            def seen():
                return self.cmd_fcitx_state()["state"] == want
        else:
            def seen():
                return any(e[2] == want for e in self.ibus_events[mark:])
        self.xtest().key(key)
        sent = time.monotonic()
        polls = 0
        while True:
            polls += 1
            if line is None and self.framework == "ibus":
                pump(0.0002)  # the signal is handled by the main loop
            if seen():
                break
            if time.monotonic() - sent > timeout:
                raise AgentError(f"{key} did not lead to {line or want!r} within {timeout} s")
            time.sleep(0.0002)
        arrived = time.monotonic()
        if line is None and self.framework == "ibus":
            arrived = next(e[0] for e in self.ibus_events[mark:] if e[2] == want)
        return {"seconds": arrived - sent, "polls": polls}

    def xtest(self):
        if getattr(self, "_xtest", None) is None:
            self._xtest = XTest(f":{self.display}")
        return self._xtest

    def cmd_pump(self, seconds):
        pump(seconds)
        return {}

    # --- commands: the tray host coming and going, sleep, Wayland, USB serial adapters ---

    def cmd_tray_host(self, on, host=True):
        """Starts or ends the tray host (org.kde.StatusNotifierWatcher), as a desktop whose panel
        comes late, never comes, or restarts does. A host that comes back knows no items. With
        host false, the watcher runs but no panel has registered as the host yet."""
        if not on:
            self.bus_name = None  # the name is released as its object goes
        elif self.bus_name is None:
            self.bus_name = dbus.service.BusName(WATCHER, self.bus, do_not_queue=True)
        self.watcher.items = []
        self.watcher.host = host
        self.watcher.on_asked = None
        wait_for(lambda: self.has_owner(WATCHER) == on, 5, f"the tray host {'up' if on else 'gone'}")
        return {}

    def cmd_register_host(self, flapping=False):
        """The panel registers as the watcher's host. Flapping, the whole tray host goes away the
        moment a program has asked whether a host is there, and before it can ask anything else."""
        if flapping:
            def vanish():
                self.bus_name = None
                self.watcher.items = []
            self.watcher.on_asked = vanish
        self.watcher.host = True
        self.watcher.StatusNotifierHostRegistered()
        return {}

    def cmd_trayer(self):
        """An XEmbed tray on the X display (Debian's trayer), as an older panel is."""
        self.spawn("trayer", ["trayer", "--edge", "bottom", "--align", "right", "--widthtype", "request"])
        wait_for(self.xtest().xembed_tray_runs, 20, "trayer to take the tray's selection")
        return {}

    def cmd_system_bus(self):
        """A bus that stands in for the system bus, where the test plays logind: a program started
        with DBUS_SYSTEM_BUS_ADDRESS set to the address returned hears it."""
        path = os.path.join(SESSION_DIR, "run", "system_bus_socket")
        if self.system_bus is None:
            self.spawn("system-bus", ["dbus-daemon", "--session", "--nofork", "--nopidfile",
                                      f"--address=unix:path={path}"])
            # the socket's file comes a moment before the daemon listens on it
            self.system_bus = wait_for(lambda: self.bus_at(f"unix:path={path}"), 10, "the stand-in system bus")
            self.login1 = dbus.service.BusName("org.freedesktop.login1", self.system_bus, do_not_queue=True)
            self.logind = Logind(self.system_bus)
            # another client of the system bus, which may send any signal it likes
            self.forger = self.bus_at(f"unix:path={path}")
        return {"address": f"unix:path={path}"}

    @staticmethod
    def bus_at(address):
        try:
            return dbus.bus.BusConnection(address)
        except dbus.DBusException:
            return None

    def logind_signal(self, path, interface, member, signature, args, forged):
        """A signal as logind sends it or, forged, as another client of the system bus can."""
        message = dbus.lowlevel.SignalMessage(path, interface, member)
        message.append(*args, signature=signature)
        bus = self.forger if forged else self.system_bus
        bus.send_message(message)
        bus.flush()

    def cmd_sleep(self, start, forged=False):
        """logind's PrepareForSleep: start true as the system goes to sleep, false once it woke."""
        self.logind_signal("/org/freedesktop/login1", LOGIND_MANAGER, "PrepareForSleep", "b",
                           (dbus.Boolean(start),), forged)
        return {}

    def cmd_session_active(self, active, forged=False):
        """The program's session leaves the screen for another user's (fast user switching), or
        comes back: logind's PropertiesChanged of the session's Active."""
        if not forged:
            self.logind.session.active = active
        self.logind_signal(SESSION_PATH, PROPS, "PropertiesChanged", "sa{sv}as",
                           (LOGIND_SESSION, {"Active": dbus.Boolean(active, variant_level=1)},
                            dbus.Array([], "s")), forged)
        return {}

    def cmd_weston(self):
        """A headless Wayland compositor (weston); returns its display name for WAYLAND_DISPLAY."""
        name = "lumidot-wayland"
        socket = os.path.join(os.environ["XDG_RUNTIME_DIR"], name)
        if "weston" not in self.procs:
            self.spawn("weston", ["weston", "--backend=headless-backend.so", f"--socket={name}", "--idle-time=0"])
            wait_for(lambda: os.path.exists(socket), 20, "weston's socket")
        return {"display": name}

    def adapter_call(self, **request):
        self.adapters.stdin.write(json.dumps(request) + "\n")
        self.adapters.stdin.flush()
        reply = json.loads(self.adapters.stdout.readline() or '{"ok": false, "error": "usb_adapters.py ended"}')
        if not reply.pop("ok"):
            raise AgentError(reply["error"])
        return reply

    def cmd_adapters(self):
        """Starts the fake USB serial adapters (usb_adapters.py under umockdev); returns the
        environment that lets a program see them, and no device of the machine's own."""
        if self.adapters is None:
            with open(os.path.join(LOGS, "usb_adapters.log"), "ab") as out:
                self.adapters = subprocess.Popen(
                    ["umockdev-wrapper", sys.executable, os.path.join(SESSION_DIR, "usb_adapters.py"),
                     os.path.join(SESSION_DIR, "lines")],
                    stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=out, text=True)
            self.procs["usb_adapters"] = self.adapters
            self.adapters_dir = json.loads(self.adapters.stdout.readline() or "{}").get("dir")
            if not self.adapters_dir:
                raise AgentError("usb_adapters.py did not start; see its log")
        return {"env": {"UMOCKDEV_DIR": self.adapters_dir}}

    def cmd_plug(self, name, hold=0, deny=0):
        """Plugs adapter name in, held for hold seconds by another program or refused for deny
        seconds: its node and link."""
        return self.adapter_call(cmd="plug", name=name, hold=hold, deny=deny)

    def cmd_unplug(self, name):
        return self.adapter_call(cmd="unplug", name=name)


    # --- commands: other input methods and engines, restarts ---

    def cmd_fcitx5_group(self, items, active, tray=False):
        """fcitx5 with one group of input methods, items (e.g. ["keyboard-jp", "keyboard-ru",
        "pinyin"]), of which active is the one its trigger key switches to. With tray, fcitx5 runs
        its own user interface, as on a desktop, and shows its tray item: returns once the item is
        registered here. Ctrl+Shift+Right goes to the group's next input method."""
        os.makedirs(os.path.join(CONFIG, "fcitx5"), exist_ok=True)
        with open(os.path.join(CONFIG, "fcitx5", "profile"), "w") as f:
            f.write(f"[Groups/0]\nName=Default\nDefault Layout=jp\nDefaultIM={active}\n\n")
            for n, item in enumerate(items):
                f.write(f"[Groups/0/Items/{n}]\nName={item}\nLayout=\n\n")
            f.write("[GroupOrder]\n0=Default\n")
        with open(os.path.join(CONFIG, "fcitx5", "config"), "w") as f:
            f.write("[Hotkey/TriggerKeys]\n0=Control+space\n1=Zenkaku_Hankaku\n\n"
                    "[Hotkey/AltTriggerKeys]\n\n"
                    "[Hotkey/EnumerateForwardKeys]\n0=Control+Shift+Right\n\n"
                    "[Behavior]\nShareInputState=No\n")
        self.fcitx5_argv = ["fcitx5", "--disable=kimpanel,notifications" if tray else
                            "--disable=classicui,kimpanel,notificationitem,notifications"]
        return self.fcitx5_up(self.spawn("fcitx5", self.fcitx5_argv), tray)

    def fcitx5_up(self, proc, tray):
        started = time.monotonic()
        wait_for(lambda: self.has_owner(FCITX), 30, "fcitx5 on the session bus")
        wait_for(lambda: self.xim_server("fcitx"), 30, "fcitx5's XIM server")
        if tray:
            wait_for(lambda: any(i["pid"] == proc.pid for i in self.watcher.items), 10, "fcitx5's tray item")
        self.framework, self.fcitx5_proc = "fcitx5", proc
        return {"pid": proc.pid, "seconds": time.monotonic() - started}

    def cmd_fcitx5_restart(self, how):
        """Restarts fcitx5 the way a user does: "replace" starts a second one with -r, which takes
        over from the first; "kill" kills it and starts it again. Returns once the new one serves
        X input methods (and shows its tray item where the first did); the typing window then
        needs a new input context (cmd_xterm)."""
        old, tray = self.fcitx5_proc, "classicui" not in self.fcitx5_argv[1]
        if how == "kill":
            old.kill()
            old.wait(10)
        elif how != "replace":
            raise AgentError(f"unknown restart {how!r}")
        proc = self.spawn("fcitx5", self.fcitx5_argv + (["-r"] if how == "replace" else []))
        if how == "replace":
            wait_for(lambda: old.poll() is not None, 20, "the replaced fcitx5 to end")
        return self.fcitx5_up(proc, tray)

    def cmd_fcitx_im(self):
        return {"im": str(call(self.bus, FCITX, "/controller", "org.fcitx.Fcitx.Controller1", "CurrentInputMethod"))}

    def cmd_ibus_engine_start(self, engine):
        """ibus-daemon with its configuration service, as desktops run it (engines such as Hangul
        and libpinyin read their settings from it), and engine as the global engine."""
        self.ibus_argv = ["ibus-daemon", "--xim", "--panel=disable", "--emoji-extension=disable", "--cache=refresh"]
        self.ibus_proc = self.spawn("ibus", self.ibus_argv)
        started = time.monotonic()
        self.ibus_join()
        self.cmd_ibus_engine(engine)
        return {"pid": self.ibus_proc.pid, "seconds": time.monotonic() - started}

    def ibus_join(self):
        address = wait_for(self.ibus_address, 30, "IBus's address file")
        self.ibus_bus = dbus.bus.BusConnection(address)
        for member in ("UpdateProperty", "RegisterProperties"):
            self.ibus_bus.add_signal_receiver(self._engine_property, member, IBUS_ENGINE, None, None,
                                              member_keyword="member")
        self.ibus_bus.add_signal_receiver(self._engine_changed, "GlobalEngineChanged", IBUS, None,
                                          "/org/freedesktop/IBus")
        wait_for(lambda: self.xim_server("ibus"), 30, "IBus's XIM server")
        self.framework = "ibus"

    def cmd_ibus_engine(self, engine):
        """Makes engine IBus's global engine, as the desktop's input method menu does."""
        call(self.ibus_bus, IBUS, "/org/freedesktop/IBus", IBUS, "SetGlobalEngine", "s", (engine,), 30)
        wait_for(lambda: self.ibus_engine == engine, 30, f"the {engine} engine")
        return {}

    def cmd_ibus_restart(self):
        """`ibus restart`: the daemon starts afresh on a new bus. Returns once it serves X input
        methods again; the typing window then needs a new input context (cmd_xterm)."""
        old = self.ibus_address()
        self.run(["ibus", "restart"], timeout=30)
        wait_for(lambda: self.ibus_address() not in (None, old), 30, "IBus's new address")
        self.ibus_engine = None
        self.ibus_join()
        return {}

    def cmd_plain_window(self):
        """Focuses a window without an input context (an xterm told to use no input method),
        made at the first call."""
        if getattr(self, "plain_window", None) is None:
            self.spawn("plain", ["xterm", "-title", "lumidot-plain", "-geometry", "80x10+0+300",
                                 "-xrm", "XTerm*inputMethod: none"], env=self.env({"XMODIFIERS": "@im=none"}))
            search = ["xdotool", "search", "--onlyvisible", "--name", "^lumidot-plain$"]
            self.plain_window = wait_for(lambda: self.run(search, check=False).split(), 20, "the plain window")[0]
        self.run(["xdotool", "windowfocus", "--sync", self.plain_window])
        return {}

    def cmd_new_typing_window(self):
        """Closes the window that takes the keys and opens a new one (cmd_xterm): after a restart of
        the input method, the new one serves it from the start. (An xterm that outlives its input
        method may take a while to serve keys to the next one, if ever.)"""
        pids = [p.pid for p in self.procs.values() if p.args[:3] == ["xterm", "-title", TYPING_TITLE]]
        for proc in [p for p in self.procs.values() if p.pid in pids]:
            stop(proc)
        return self.cmd_xterm()

    def cmd_restart_tray_host(self, gap=0.5):
        """The tray host goes away and a new one starts gap seconds later, with no items, as when a
        desktop's panel restarts: every program has to register its item again. Returns once the
        programs whose items were there have registered again, and how long they took."""
        before = {item["pid"] for item in self.watcher.items}
        self.cmd_tray_host(False)
        pump(gap)
        self.cmd_tray_host(True)
        started = time.monotonic()
        wait_for(lambda: before <= {item["pid"] for item in self.watcher.items}, 10, "the items again")
        return {"seconds": time.monotonic() - started}

    # --- the end ---

    def cmd_quit(self):
        for name, proc in reversed(list(self.procs.items())):
            if name == "fcitx5" and proc.poll() is None:
                try:
                    call(self.bus, FCITX, "/controller", "org.fcitx.Fcitx.Controller1", "Exit", timeout=2)
                    wait_for(lambda: proc.poll() is not None, 3, "fcitx5 to exit")
                except (dbus.DBusException, Timeout):
                    pass
            if name == "ibus" and proc.poll() is None and self.ibus_bus is not None:
                try:
                    call(self.ibus_bus, IBUS, "/org/freedesktop/IBus", IBUS, "Exit", "b", (False,), 2)
                    wait_for(lambda: proc.poll() is not None, 3, "ibus-daemon to exit")
                except (dbus.DBusException, Timeout):
                    pass
            stop(proc)
        self.sweep()
        return {}

    def sweep(self):
        """Ends, by pid, the session's processes that are no children of ours: mozc_server
        daemonises, and D-Bus activation starts at-spi's and IBus's helpers. The harness does the
        same after us; this covers a harness that went away without closing. Spared: this agent,
        dbus-run-session and its bus daemon, which end with us."""
        parent = os.getppid()
        pids = [pid for pid in pids_with_env(f"LUMIDOT_SESSION={SESSION_DIR}")
                if pid != parent and parent_of(pid) != parent]
        left = end_pids(pids, timeout=3)
        if left:
            log(f"could not end {left}")

    # --- the channel ---

    def serve(self):
        """Answers commands while the main loop serves D-Bus: Qt asks the watcher
        things while the harness waits for the program to start."""
        self.loop = GLib.MainLoop()
        self.pending = b""
        GLib.io_add_watch(COMMANDS_FD, GLib.PRIORITY_DEFAULT, GLib.IO_IN | GLib.IO_HUP | GLib.IO_ERR,
                          self._on_input)
        self.reply({"ok": True, "pid": os.getpid()})
        self.loop.run()

    def _on_input(self, fd, condition):
        # While a command runs (and pumps the loop) this source is not dispatched again, so the
        # commands run one after another.
        data = os.read(fd, 65536)
        self.pending += data
        while b"\n" in self.pending:
            line, self.pending = self.pending.split(b"\n", 1)
            if self.handle(line) == "quit":
                self.loop.quit()
                return False
        if not data:  # the harness went away
            self.cmd_quit()
            self.loop.quit()
            return False
        return True

    def handle(self, line):
        try:
            request = json.loads(line)
            command = request.pop("cmd")
            result = getattr(self, f"cmd_{command}")(**request)
            self.reply(dict(result, ok=True))
            return command
        except Exception as error:  # every failure goes back to the harness as the reply
            log(traceback.format_exc())
            self.reply({"ok": False, "error": f"{type(error).__name__}: {error}"})
            return None

    def reply(self, message):
        os.write(REPLIES_FD, (json.dumps(message, ensure_ascii=False) + "\n").encode())


if __name__ == "__main__":
    Agent().serve()
