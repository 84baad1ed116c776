"""What the two end-to-end harnesses share, whatever drives the program under test.

tests/windows/e2e/lumidot_e2e.py runs the real Lumidot.exe under Wine; tests/linux/e2e/lumidot_linux.py
runs the Linux edition in a headless desktop session. Each extends SessionBase with its own driver;
what stays here is the same for both: waiting, ending processes, an X server, the session's folders,
its Lumidot.ini, its ports (socat pseudo-terminals whose DTR and RTS lines ptyemu emulates and logs),
the line log, the colours of the tray lamps, and screenshots.

The Linux session's agent imports it too, inside the session, as its unprivileged user and with
Debian's /usr/bin/python3: hence the standard library only.
"""
import functools
import os
import select
import shutil
import signal
import subprocess
import tempfile
import time
import unittest
from pathlib import Path


# The LED's lines as ptyemu logs them: both raised (lit), both dropped (dark), and a connect: the
# open, then the connect sequence dropping DTR, then RTS.
ON, OFF = ["DTR=1", "RTS=1"], ["DTR=0", "RTS=0"]
CONNECTED = ["open"] + OFF


class Timeout(AssertionError):
    """A wait that gave up: what the test expected did not happen."""


def wait_for(condition, timeout=10.0, interval=0.1, what="condition", sleep=time.sleep):
    """Polls condition() until it returns something truthy, which is returned. sleep passes the time
    between polls (the session agent serves D-Bus meanwhile)."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Timeout(f"timed out after {timeout} s waiting for {what}")
        sleep(interval)


def wait_equal(read, want, what, timeout=10.0, interval=0.05):
    """Waits until read() returns want. A timeout names the last values read, which tell more than
    the timeout alone."""
    seen = []

    def equal():
        seen.append(read())
        return seen[-1] == want
    try:
        return wait_for(equal, timeout, interval, f"{what} {want!r}")
    except Timeout:
        raise Timeout(f"{what} never became {want!r}; saw {seen[-5:]}") from None


def quietly(step, *args, **kwargs):
    """One step of a clean-up: its failure is printed, not raised, so that it leaves no other step's
    processes behind."""
    try:
        step(*args, **kwargs)
    except Exception as error:
        print(f"cleanup: {error!r}")


# --- processes ---

def stop(proc, timeout=5.0, sleep=time.sleep):
    """Ends a child process: SIGTERM, and SIGKILL if it is still there after timeout. Polled rather
    than waited for, so that sleep can go on serving what the process may ask on its way out."""
    if proc is None or proc.poll() is not None:
        return
    proc.terminate()
    try:
        wait_for(lambda: proc.poll() is not None, timeout, 0.01, "exit", sleep)
    except Timeout:
        proc.kill()
        proc.wait()


def alive(pid):
    """Running, not a zombie waiting for its parent."""
    try:
        return Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()[0] != "Z"
    except (OSError, IndexError):
        return False


def end_pids(pids, timeout=5.0):
    """Ends processes that are no children of ours, by pid: SIGTERM, a grace period, then SIGKILL.
    Returns those still alive after all."""
    for sig in (signal.SIGTERM, signal.SIGKILL):
        for pid in pids:
            try:
                os.kill(pid, sig)
            except OSError:  # gone meanwhile
                pass
        deadline = time.monotonic() + timeout
        while any(alive(p) for p in pids) and time.monotonic() < deadline:
            time.sleep(0.05)
        pids = [p for p in pids if alive(p)]
        if not pids:
            break
    return pids


def pids_with_env(entry):
    """Processes (other than this one) whose environment holds entry ("NAME=value"), whoever their
    parent is now: how a session finds what daemonised or was started by D-Bus activation."""
    needle = entry.encode()
    pids = []
    for name in os.listdir("/proc"):
        if not name.isdigit() or int(name) == os.getpid():
            continue
        try:
            if needle in Path(f"/proc/{name}/environ").read_bytes().split(b"\0"):
                pids.append(int(name))
        except OSError:  # gone meanwhile, or not ours to read
            pass
    return pids


class Xvfb:
    """An X server on a display number it picks itself (-displayfd), so that parallel sessions
    never clash. popen starts it (the session agent logs what it starts)."""

    def __init__(self, screen, *options, popen=None):
        popen = popen or functools.partial(subprocess.Popen, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        read, write = os.pipe()
        self.proc = popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "%dx%dx24" % screen,
                           "-nolisten", "tcp", *options], pass_fds=[write])
        os.close(write)
        with os.fdopen(read) as pipe:
            ready, _, _ = select.select([pipe], [], [], 20)
            line = pipe.readline().strip() if ready else ""
        if not line:
            self.close()
            raise RuntimeError("Xvfb did not start")
        self.display = int(line)

    def close(self):
        stop(self.proc)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


# --- the lamps ---

def pixel_kind(r, g, b):
    """What a pixel of a tray icon is part of: the lamp's green disc lit ('bright', 0,255,0) or dark
    ('dark', 0,128,0), the black cross of a lamp without a port ('black'), or none of them (None).
    See res/icons."""
    if r < 80 and g > 200 and b < 80:
        return "bright"
    if r < 60 and 90 < g < 170 and b < 60:
        return "dark"
    if max(r, g, b) < 60:
        return "black"
    return None


def lamp_state(kinds, least):
    """The lamp shown by the pixels of one icon, given by their pixel_kind: 'bright', 'dark',
    'bright crossed', 'dark crossed', or 'none' where fewer than least of them are green."""
    kinds = list(kinds)
    bright, dark, black = (kinds.count(kind) for kind in ("bright", "dark", "black"))
    if bright + dark < least:
        return "none"
    return ("bright" if bright > dark else "dark") + (" crossed" if black >= 4 else "")


# --- a test's session ---

class SessionBase:
    """One test's world, set up on entering and ended on leaving, also when the test fails.

    ports: names of the serial ports, each a socat pseudo-terminal (self.pty[name] is its path) that
    catches whatever byte the program sends; ini: text of Lumidot.ini, where "{name}" stands for the
    path of port name's pty (None: no file); start: start the program at once.

    A subclass names work (its build tree: artifacts/<name> there keeps each session's logs and
    pictures), ptyemu and ini_file, and brings the driver: _open() sets up the desktop, start()
    starts the program, lamp() reads the tray, _shut() ends what _open() started."""

    work = ptyemu = None
    build_hint = "build it first"
    ini_file = None  # where the program reads Lumidot.ini, below the session's folder
    ini_newline, ini_encoding = "\n", "utf-8"

    def __init__(self, name, ports=(), ini=None, start=True):
        self.name, self.ports, self.ini_text, self.autostart = name, tuple(ports), ini, start
        self.tmp, self.display, self.pty, self.procs = None, None, {}, []
        self.timings, self.shot_count = {}, 0

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
        for path in self.built_files():
            assert path and Path(path).exists(), f"{path} is missing: {self.build_hint}"
        started = time.monotonic()
        self.artifacts = self.work / "artifacts" / self.name
        shutil.rmtree(self.artifacts, ignore_errors=True)
        self.artifacts.mkdir(parents=True)
        self.tmp = Path(tempfile.mkdtemp(prefix="lumidot-e2e-"))
        self.tmp.chmod(0o755)  # a session that runs as another user finds its folders in here
        self.folder("lines")
        self._open_ports()
        self._open()
        if self.ini_text is not None:
            self.write_ini(self.ini_text)
        self.timings["desktop"] = time.monotonic() - started
        if self.autostart:
            self.start()
            self.timings["program"] = time.monotonic() - started - self.timings["desktop"]

    def built_files(self):
        """What must have been built before a session can run."""
        return [self.ptyemu]

    def folder(self, name):
        """A new folder of the session's, for the user the program runs as."""
        path = self.tmp / name
        path.mkdir(mode=0o700)
        self.own(path)
        return path

    def own(self, path):
        """Hands a file or folder to the user the program runs as: here the harness's own user."""

    @property
    def lines_dir(self):
        """ptyemu's folder: its logs and its switches (exclusive, unplugged)."""
        return self.tmp / "lines"

    def ptyemu_env(self):
        """What a program's environment needs for ptyemu to give its ptys DTR and RTS lines."""
        return {"LD_PRELOAD": str(self.ptyemu), "PTYEMU_DIR": str(self.lines_dir)}

    # --- ports and their lines ---

    def port_link(self, name):
        """The symbolic link to port name's pty."""
        return self.tmp / "ports" / f"tty-{name}"

    def _open_ports(self):
        (self.tmp / "ports").mkdir()
        for name in self.ports:
            link = self.port_link(name)
            # socat reads the far end all the time: whatever the program might send lands in the file
            self.procs.append(subprocess.Popen(
                ["socat", "-u", f"PTY,link={link},raw,echo=0", f"CREATE:{self.tmp}/ports/{name}.bytes"],
                stderr=subprocess.DEVNULL))
            wait_for(link.exists, 10, what=f"the pty of {name}")
            self.pty[name] = os.readlink(link)
            self.own(Path(self.pty[name]))

    def with_ports(self, text):
        """text with each "{name}" replaced by the path of port name's pty."""
        for name, path in self.pty.items():
            text = text.replace("{" + str(name) + "}", path)
        return text

    def _line_log(self, port, log, stamped=False):
        """ptyemu's log entries about port's pty: (the time or None, the event)."""
        path = self.lines_dir / log
        prefix = self.pty[port] + " "
        for line in (path.read_text().splitlines() if path.exists() else []):
            stamp, _, rest = line.partition(" ") if stamped else (None, None, line)
            if rest.startswith(prefix):
                yield stamp, rest[len(prefix):]

    def line_events(self, port):
        """What happened to the pty of port, in order: open, DTR=0, RTS=1, unchanged, close..."""
        return [event for _, event in self._line_log(port, "lines.log")]

    def timed_line_events(self, port):
        """line_events with the CLOCK_MONOTONIC time of each, in nanoseconds (time.monotonic_ns()):
        [(time, "DTR=1"), ...]."""
        return [(int(stamp), event) for stamp, event in self._line_log(port, "times.log", stamped=True)]

    def line_changes(self, port, since=0):
        """The line events of port from entry since on, without the writes that changed nothing."""
        return [event for event in self.line_events(port)[since:] if event != "unchanged"]

    def wait_lines(self, port, events, since=0, timeout=10):
        """Waits until the line changes of port from entry since on are exactly events."""
        return wait_equal(lambda: self.line_changes(port, since), events, f"the lines of {port}", timeout)

    def forget_lines(self, port):
        """Drops DTR and RTS of port's pty behind the program's back, as an adapter that loses its
        line state across sleep does."""
        state = self.lines_dir / f"state-{self.pty[port].rsplit('/', 1)[1]}"
        state.write_text("0")
        self.own(state)

    def hang_up(self):
        """Hangs up every pty open now, as the kernel does to the terminal of a device reset under
        it: line calls on those descriptors fail, a new open works."""
        (self.lines_dir / "hangup").touch()

    # --- files ---

    @property
    def ini_path(self):
        return self.tmp / self.ini_file

    def write_ini(self, text):
        """Writes Lumidot.ini where the program reads it, "{name}" standing for port name's pty."""
        path = self.ini_path
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(self.with_ports(text).replace("\n", self.ini_newline).encode(self.ini_encoding))
        for made in (path.parent, path):
            self.own(made)

    def ini(self):
        """The bytes of Lumidot.ini as the program left them, or None where there is no file."""
        return self.ini_path.read_bytes() if self.ini_path.exists() else None

    # --- the screen and the lamp ---

    def artifact(self, label):
        """The path of the next picture kept of this session."""
        self.shot_count += 1
        return self.artifacts / f"{self.shot_count:02d}-{label}.png"

    def shoot(self, path):
        """A screenshot of the whole display, written to path."""
        subprocess.run(["import", "-display", f":{self.display}", "-window", "root", str(path)],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=20)
        return path

    def screenshot(self, label):
        """The screen as the next picture kept of this session."""
        return self.shoot(self.artifact(label))

    def colour_at(self, label, x, y):
        """What the screen shows at x, y as pixel_kind tells a lamp's pixels apart; the screenshot
        is kept as the next picture."""
        raw = subprocess.run(["convert", str(self.screenshot(label)), "-crop", f"1x1+{x}+{y}", "-depth",
                              "8", "rgb:-"], check=True, capture_output=True, timeout=20).stdout
        return pixel_kind(*raw[:3])

    def lamp(self, shot=None):
        """The one tray lamp as shown now: 'bright', 'dark', 'bright crossed', 'dark crossed' or
        'none'. shot: where to keep the picture it was read from, where it is read from a picture."""
        raise NotImplementedError

    def keep_lamp(self, path):
        """Writes the lamp as last seen to path, where lamp() did not already."""

    def wait_lamp(self, state, timeout=10):
        """Waits until the tray lamp shows state; the lamp as last seen is kept as the next picture."""
        path = self.artifact("lamp-" + state.replace(" ", "-"))
        try:
            return wait_equal(lambda: self.lamp(shot=path), state, "the lamp", timeout)
        finally:
            self.keep_lamp(path)

    # --- the end ---

    def _shut(self):
        """Ends the driver and what it started."""

    def close(self, check=False):
        """Ends everything this session started and keeps its logs. With check, proves that no byte
        reached any port."""
        quietly(self._shut)
        for proc in reversed(self.procs):
            quietly(stop, proc)
        if self.tmp is None:
            return
        for path in (self.lines_dir / "lines.log", self.lines_dir / "times.log", self.ini_path):
            if path.exists():
                shutil.copy(path, self.artifacts)
        if (self.tmp / "logs").exists():
            shutil.copytree(self.tmp / "logs", self.artifacts / "logs", dirs_exist_ok=True)
        sent = {path.stem: path.read_bytes() for path in (self.tmp / "ports").glob("*.bytes")}
        shutil.rmtree(self.tmp, ignore_errors=True)
        if check:
            assert not any(sent.values()), f"bytes were sent to a port: {sent}"


class SessionTestCase(unittest.TestCase):
    """A test whose sessions are named after it: the name is the folder of their artefacts."""

    session_class = None  # the harness's Session

    def session(self, **options):
        return self.session_class(f"{type(self).__name__}.{self._testMethodName}", **options)
