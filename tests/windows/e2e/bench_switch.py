"""How long the LED takes to follow the user, on the real Lumidot.exe under Wine: from the moment a
window with the IME on (Lumidot's own) or off (another program's text field) is put in front to the
DTR change on the port, and from an IME key to the DTR change. A benchmark, not a test: it prints
figures and judges none.

    cd tests/windows/e2e && python3 bench_switch.py [--switches N] [--keys N] [--desktop] [--idle S]

Needs the windows and e2e builds, as the tests do. Lumidot polls once a second here. Wine delivers
the focus events only outside its virtual desktop, where this runs by default; --desktop runs the
switches inside it, where only the poll follows them (what every switch cost before the events).
Wine's IME cannot be closed again once open, so each IME key is measured in a session of its own:
Lumidot's window in front with its IME closed, then the key, on which the test hook opens it.
"""
import argparse
import glob
import random
import statistics
import time

from lumidot_e2e import Session, pids_with_env, wait_for

PORT = 5
POLL_S = 1.0
INI = f"[Setting]\nPortNumber={PORT}\nUpdateTime={int(POLL_S * 10)}\nAutoConnect=1\n"
VK_KANJI = 0x19


def dtr_changes(s):
    return [(stamp, event) for stamp, event in s.timed_line_events(PORT) if event.startswith("DTR=")]


def timed(s, step, want, what):
    """Runs step and returns the ms from its start to the next DTR change, which must be want."""
    seen = len(dtr_changes(s))
    start = time.monotonic_ns()
    step()
    stamp, event = wait_for(lambda: dtr_changes(s)[seen:] and dtr_changes(s)[seen], 10 * POLL_S, 0.005, what)
    if event != want:
        raise RuntimeError(f"{what} gave {event}")
    return (stamp - start) / 1e6


def switches(count, desktop):
    """Latencies in ms of count alternating switches, the first one to a window with the IME on."""
    # Each switch waits a random part of the poll period first: switching right after the change of
    # the previous one would always come just after a poll and measure nearly a whole period.
    pause = random.Random(1)
    latencies = []
    with Session("bench_switch", ports=[PORT], ini=INI, desktop=desktop) as s:
        s.ime_off()
        wait_for(lambda: dtr_changes(s), 20, what="the connect sequence")
        time.sleep(2 * POLL_S)  # a poll has seen the IME off
        for n in range(count):
            on = n % 2 == 0
            time.sleep(pause.uniform(0, POLL_S))
            latencies.append(timed(s, s.ime_on if on else s.ime_off, "DTR=1" if on else "DTR=0", f"switch {n + 1}"))
    return latencies


def keys(count):
    """Latencies in ms of count IME keys, each opening a closed IME."""
    pause = random.Random(2)
    latencies = []
    for n in range(count):
        with Session(f"bench_switch_key{n}", ports=[PORT], ini=INI, desktop=False) as s:
            s.front_target()
            wait_for(lambda: dtr_changes(s), 20, what="the connect sequence")
            time.sleep(pause.uniform(POLL_S, 2 * POLL_S))
            latencies.append(timed(s, lambda: s.drv("key", VK_KANJI), "DTR=1", f"IME key {n + 1}"))
    return latencies


def cpu_ns(pids):
    """CPU time of every thread of these processes so far, in ns (the scheduler's count)."""
    total = 0
    for pid in pids:
        for task in glob.glob(f"/proc/{pid}/task/*/schedstat"):
            try:
                total += int(open(task).read().split()[0])
            except (OSError, ValueError):
                pass  # a thread that ended meanwhile
    return total


def idle_cpu(seconds):
    """CPU ms that Lumidot's process, and the whole Wine session with the wineserver that serves
    its calls, take in `seconds` of nothing happening while Lumidot polls every 100 ms."""
    ini = f"[Setting]\nPortNumber={PORT}\nUpdateTime=1\nAutoConnect=1\n"
    with Session("bench_switch_idle", ports=[PORT], ini=ini, desktop=False) as s:
        s.ime_off()
        wait_for(lambda: dtr_changes(s), 20, what="the connect sequence")
        time.sleep(2)
        session = pids_with_env(f"WINEPREFIX={s.prefix}")
        before = cpu_ns([s.lumidot.pid]), cpu_ns(session)
        time.sleep(seconds)
        return (cpu_ns([s.lumidot.pid]) - before[0]) / 1e6, (cpu_ns(session) - before[1]) / 1e6


def report(what, latencies):
    if latencies:
        print(f"{what}: {len(latencies)} samples, median {statistics.median(latencies):.1f} ms, "
              f"best {min(latencies):.1f}, worst {max(latencies):.1f}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--switches", type=int, default=20, help="foreground changes to measure (default 20)")
    parser.add_argument("--keys", type=int, default=10, help="IME keys to measure (default 10)")
    parser.add_argument("--desktop", action="store_true", help="switch inside Wine's virtual desktop")
    parser.add_argument("--idle", type=float, default=0, help="measure idle CPU over this many seconds instead")
    args = parser.parse_args()
    if args.idle:
        lumidot, session = idle_cpu(args.idle)
        print(f"idle for {args.idle:.0f} s at a 100 ms poll: Lumidot {lumidot:.0f} CPU ms, the Wine session {session:.0f} CPU ms")
        return
    print(f"Lumidot polling every {POLL_S * 1000:.0f} ms" + (", inside the virtual desktop" if args.desktop else ""))
    latencies = switches(args.switches, args.desktop)
    report("foreground change to DTR change, all", latencies)
    # Lumidot's own hidden window takes no control into focus, and Wine announces no foreground
    # change, so the switches to it wait for the poll here (Windows announces them)
    report("  to another program's text field (the focus event)", latencies[1::2])
    report("  to Lumidot's own window (the poll, under Wine)", latencies[0::2])
    report("IME key to DTR change", keys(args.keys))


if __name__ == "__main__":
    main()
