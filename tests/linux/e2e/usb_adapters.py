"""The session's USB serial adapters, faked by umockdev: plugged in and pulled out on command, with
udev's events, their /dev/serial/by-id links and modem lines that log the way ptyemu's do.

The session agent starts it as the session's user under umockdev-wrapper (umockdev sends its
uevents through the preload library, which this process needs too), with Debian's /usr/bin/python3
(python3-gi and gir1.2-umockdev-1.0). argv[1] is the folder of the line log. It talks over stdin
and stdout, one JSON object per line each way: {"cmd": name, ...arguments} in, {"ok": true, ...} or
{"ok": false, "error": text} out. The first line out gives UMOCKDEV_DIR, which a program needs (with
libumockdev-preload) to see these adapters and none of the machine's own devices.

Each adapter is a ttyUSBn node with a by-id link, backed by a pseudo-terminal. umockdev's own node
refuses the serial ioctls, so an ioctl handler plays the adapter: the exclusive flag (and another
program holding the port, for a while), and DTR and RTS, which an open raises as a real port's does.
The line log names the adapter by its link: "<link> open", "<link> DTR=1", "<link> busy" (an open
refused because another program holds the port), "<link> close", "<link> TIOCMBIS errno 5".
"""
import errno
import json
import os
import shutil
import signal
import struct
import sys
import termios
import threading
import time
import traceback

import gi

gi.require_version("UMockdev", "1.0")
from gi.repository import UMockdev  # noqa: E402

LOG_DIR = sys.argv[1]
TIOCGEXCL = 0x80045440  # missing from Python's termios
DTR, RTS = termios.TIOCM_DTR, termios.TIOCM_RTS
INT = struct.Struct("i")


def log(link, event):
    # one write per line keeps lines whole beside other writers
    with open(os.path.join(LOG_DIR, "lines.log"), "a") as f:
        f.write(f"{link} {event}\n")


class Adapter(UMockdev.IoctlBase):
    """One adapter's serial ioctls. umockdev calls it on its own thread."""

    def __init__(self, link):
        super().__init__()
        self.link = link
        self.lock = threading.Lock()
        self.exclusive = False
        self.held_until = 0.0  # another program holds the port until then
        self.bits = DTR | RTS
        self.gone = False      # pulled out: every request of an open descriptor fails

    def do_handle_ioctl(self, client):
        with self.lock:
            result, error = self.handle(client.get_request(), client)
        client.complete(result, error)
        return True

    def handle(self, request, client):
        names = {termios.TIOCMBIS: "TIOCMBIS", termios.TIOCMBIC: "TIOCMBIC", termios.TIOCMSET: "TIOCMSET",
                 termios.TIOCMGET: "TIOCMGET"}
        if self.gone:
            if request in names:
                log(self.link, f"{names[request]} errno {errno.EIO}")
            return -1, errno.EIO
        if request == TIOCGEXCL:
            held = time.monotonic() < self.held_until
            if held:
                log(self.link, "busy")
            client.get_arg().resolve(0, INT.size).update(0, INT.pack(1 if held or self.exclusive else 0))
            return 0, 0
        if request == termios.TIOCEXCL:
            self.exclusive, self.bits = True, DTR | RTS
            log(self.link, "open")
            return 0, 0
        if request == termios.TIOCNXCL:
            self.exclusive = False
            log(self.link, "close")
            return 0, 0
        if request in names:
            arg = client.get_arg().resolve(0, INT.size)
            if request == termios.TIOCMGET:
                arg.update(0, INT.pack(self.bits))
                return 0, 0
            # retrieve(), not .data: the binding stops that at the first zero byte
            value = INT.unpack(arg.retrieve()[:INT.size])[0] & (DTR | RTS)
            before = self.bits
            self.bits = {termios.TIOCMBIS: before | value, termios.TIOCMBIC: before & ~value,
                         termios.TIOCMSET: value}[request]
            if before == self.bits:
                log(self.link, "unchanged")
            for line, name in ((DTR, "DTR"), (RTS, "RTS")):
                if (before ^ self.bits) & line:
                    log(self.link, f"{name}={1 if self.bits & line else 0}")
            return 0, 0
        return -1, errno.ENOTTY


class Bed:
    def __init__(self):
        self.testbed = UMockdev.Testbed.new()
        self.root = self.testbed.get_root_dir()
        self.plugged = {}  # name -> (syspath, node, link, Adapter) of its latest plug
        self.count = 0

    def cmd_plug(self, name, hold=0, deny=0):
        """Plugs adapter name in, held by another program for hold seconds, or not open to the
        session's user for deny seconds (until udev's rules give it its group). Each plug makes a new
        ttyUSBn, as the kernel may; the by-id link stays the adapter's own. (umockdev cannot make
        a node again under a name it once used.)"""
        number, self.count = self.count, self.count + 1
        port = f"1-{number + 1}"
        syspath = f"/sys/devices/pci0000:00/0000:00:14.0/usb1/{port}/{port}:1.0/ttyUSB{number}/tty/ttyUSB{number}"
        node = f"/dev/ttyUSB{number}"
        link = f"/dev/serial/by-id/usb-Lumidot_LED_adapter_{name}-if00-port0"
        if name in self.plugged:
            # the pulled one's, kept until now for what the program still had open on it
            for path in self.plugged[name][1:3]:
                self.testbed.detach_ioctl(path)
        adapter = Adapter(link)
        adapter.held_until = time.monotonic() + hold
        self.plugged[name] = (syspath, node, link, adapter)
        # a program may open either name
        for path in (node, link):
            self.testbed.attach_ioctl(path, adapter)
        # the "add" event goes out with the device
        self.testbed.add_from_string(
            f"P: {syspath[len('/sys'):]}\nN: {node[len('/dev/'):]}\nS: {link[len('/dev/'):]}\n"
            f"E: DEVNAME={node}\nE: SUBSYSTEM=tty\nE: MAJOR=188\nE: MINOR={number}\nE: DEVLINKS={link}\n"
            f"A: dev=188:{number}\n")
        if deny:
            mode = os.stat(self.root + node).st_mode & 0o7777
            os.chmod(self.root + node, 0)
            threading.Timer(deny, os.chmod, (self.root + node, mode)).start()
        return {"node": node, "link": link}

    def cmd_unplug(self, name):
        syspath, node, link, adapter = self.plugged[name]
        adapter.gone = True
        self.testbed.uevent(syspath, "remove")
        self.testbed.remove_device(syspath)
        # udev takes the links away with the device; umockdev leaves them
        for path in (node, link):
            if os.path.lexists(self.root + path):
                os.unlink(self.root + path)
        return {}


def main():
    # Ended like any session process: the test bed's folder goes with it.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    bed = Bed()
    try:
        out = sys.stdout
        out.write(json.dumps({"ok": True, "dir": bed.root}) + "\n")
        out.flush()
        for line in sys.stdin:
            try:
                request = json.loads(line)
                reply = getattr(bed, "cmd_" + request.pop("cmd"))(**request)
                reply["ok"] = True
            except Exception as error:  # every failure goes back as the reply
                traceback.print_exc()
                reply = {"ok": False, "error": f"{type(error).__name__}: {error}"}
            out.write(json.dumps(reply) + "\n")
            out.flush()
    finally:
        shutil.rmtree(bed.root, ignore_errors=True)


if __name__ == "__main__":
    main()
