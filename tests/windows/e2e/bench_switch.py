"""How long the LED takes to follow a change of the foreground window, on the real Lumidot.exe under
Wine: from the moment a window with the IME on (Lumidot's own) or off (another program's) is put in
front to the DTR change on the port. A benchmark, not a test: it prints figures and judges none.

    cd tests/windows/e2e && python3 bench_switch.py [--switches N]

Needs the windows and e2e builds, as the tests do. Lumidot polls once a second here; where the
foreground change is not announced (Wine never announces it) the LED follows at the next poll.
"""
import argparse
import random
import statistics
import time

from lumidot_e2e import Session, wait_for

PORT = 5
POLL_S = 1.0
INI = f"[Setting]\nPortNumber={PORT}\nUpdateTime={int(POLL_S * 10)}\nAutoConnect=1\n"


def measure(switches):
    """Latencies in ms of `switches` alternating switches, the first one to a window with the IME on."""
    # Each switch waits a random part of the poll period first: switching right after the change of
    # the previous one would always come just after a poll and measure nearly a whole period.
    pause = random.Random(1)
    latencies = []
    with Session("bench_switch", ports=[PORT], ini=INI) as s:
        dtr = lambda: [(stamp, event) for stamp, event in s.timed_line_events(PORT) if event.startswith("DTR=")]
        s.ime_off()
        s.wait_lamp("dark", timeout=20)  # connected, and a poll has seen the IME off
        for n in range(switches):
            on = n % 2 == 0
            time.sleep(pause.uniform(0, POLL_S))
            seen = len(dtr())
            start = time.monotonic_ns()
            s.ime_on() if on else s.ime_off()
            stamp, event = wait_for(lambda: dtr()[seen:] and dtr()[seen], 10 * POLL_S, 0.005,
                                    f"the DTR change of switch {n + 1}")
            if event != ("DTR=1" if on else "DTR=0"):
                raise RuntimeError(f"switch {n + 1} to IME {'on' if on else 'off'} gave {event}")
            latencies.append((stamp - start) / 1e6)
    return latencies


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--switches", type=int, default=20, help="foreground changes to measure (default 20)")
    latencies = measure(parser.parse_args().switches)
    print(f"foreground change to DTR change, polling every {POLL_S * 1000:.0f} ms:")
    print(f"  samples {len(latencies)}")
    print(f"  median  {statistics.median(latencies):7.1f} ms")
    print(f"  worst   {max(latencies):7.1f} ms")
    print(f"  best    {min(latencies):7.1f} ms")


if __name__ == "__main__":
    main()
