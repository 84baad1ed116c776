"""Figures of the Linux harness and of a tray program under it, against the real fcitx5 and IBus
with Mozc: how long a session takes to start, how long a key takes to reach the input method's
state, the program's lamp and its LED lines, and what the program costs while idle (CPU time and
resident memory). imeprobe is the baseline; our program ($LUMIDOT_LINUX_BIN, default
build/linux/lumidot), when built, is measured beside it.

    sudo /usr/bin/python3 tests/linux/e2e/bench_session.py [--runs N] [--idle SECONDS]

Run it alone on the machine: it measures, it asserts nothing.
"""
import argparse
import os
import statistics
import time

from lumidot_linux import FRAMEWORKS, PROBE, PROGRAM, Session

# (key, the state it leads to) for switching on and off again
TOGGLE = {"fcitx5": [("Zenkaku_Hankaku", 2), ("Zenkaku_Hankaku", 1)],
          "ibus": [("Zenkaku_Hankaku", "あ"), ("Zenkaku_Hankaku", "A")]}


def ms(values):
    values = sorted(v * 1000 for v in values)
    return (f"median {statistics.median(values):7.2f} ms, min {values[0]:7.2f}, max {values[-1]:7.2f} "
            f"(n={len(values)})")


def cpu_seconds(pid):
    """CPU time of all the process's threads, in nanoseconds resolution (schedstat), where the
    10 ms ticks of /proc/<pid>/stat would round an idle program's cost away."""
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            total += int(open(f"/proc/{pid}/task/{task}/schedstat").read().split()[0])
        except (OSError, ValueError, IndexError):
            pass
    return total / 1e9


def rss_kib(pid):
    for line in open(f"/proc/{pid}/status"):
        if line.startswith("VmRSS:"):
            return int(line.split()[1])
    return 0


def start_up(framework, runs):
    phases = {}
    for n in range(runs):
        begun = time.monotonic()
        with Session(f"bench.start.{framework}.{n}", framework=framework, ports=["led"], program=PROBE,
                     args=["{led}"], a11y=False) as s:
            s.timings["ready"] = time.monotonic() - begun
        s.timings["closed"] = time.monotonic() - begun - s.timings["ready"]
        for phase, seconds in s.timings.items():
            phases.setdefault(phase, []).append(seconds)
    print(f"\n{framework}: session start ({runs} runs)")
    for phase in ("framework", "xterm", "desktop", "program", "ready", "closed"):
        print(f"  {phase:9} {ms(phases[phase])}")


# Both programs poll every 100 ms (fcitx5 has no change signal) and drive the pty's lines.
PROBE_AT_100_MS = {"program": PROBE, "args": ["--period", "100", "{led}"]}
LUMIDOT_AT_100_MS = {"program": PROGRAM, "ini": "[Setting]\nPortDevice={led}\nUpdateTime=1\nAutoConnect=1\n"}
PROBE_AT_500_MS = {"program": PROBE, "args": ["--period", "500", "{led}"]}
LUMIDOT_AT_500_MS = {"program": PROGRAM, "ini": "[Setting]\nPortDevice={led}\nUpdateTime=5\nAutoConnect=1\n"}


def latencies(framework, toggles, label, program):
    with Session(f"bench.keys.{framework}.{label}", framework=framework, ports=["led"], a11y=False,
                 **program) as s:
        s.focus_typing()
        s.wait_lamp("dark")
        state = []
        for _ in range(toggles):
            for key, want in TOGGLE[framework]:
                state.append(s.key_timed(key, want=want))
        what = "State()" if framework == "fcitx5" else "the InputMode signal"
        print(f"\n{framework}: key (XTest) to {what}: {ms(state)}")
        lines = []
        for _ in range(toggles):
            for line in ("DTR=1", "DTR=0"):
                lines.append(s.key_timed("Zenkaku_Hankaku", line=line))
                time.sleep(0.15)  # the next key only after RTS followed
        print(f"{framework}: key to {label}'s DTR (poll every 100 ms): {ms(lines)}")


def idle_cost(framework, program, label, seconds):
    """CPU time per second and resident memory while nothing happens, connected to a port."""
    with Session(f"bench.idle.{framework}.{label}", framework=framework, ports=["led"], a11y=False,
                 **program) as s:
        s.wait_lines("led", ["open", "DTR=0", "RTS=0"])
        time.sleep(2)
        cpu, begun = cpu_seconds(s.pid), time.monotonic()
        time.sleep(seconds)
        used = cpu_seconds(s.pid) - cpu
        elapsed = time.monotonic() - begun
        rss = rss_kib(s.pid) / 1024
        print(f"{framework}: {label:24} idle CPU {1000 * used / elapsed:6.3f} ms/s, RSS {rss:6.1f} MiB")
        return used / elapsed, rss


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--toggles", type=int, default=10)
    parser.add_argument("--idle", type=float, default=20)
    parser.add_argument("--frameworks", nargs="*", default=list(FRAMEWORKS))
    options = parser.parse_args()
    for framework in options.frameworks:
        start_up(framework, options.runs)
        latencies(framework, options.toggles, "imeprobe", PROBE_AT_100_MS)
        if os.path.exists(PROGRAM):
            latencies(framework, options.toggles, "lumidot", LUMIDOT_AT_100_MS)
            print()
            probe_cpu, probe_rss = idle_cost(framework, PROBE_AT_500_MS, "imeprobe, 500 ms poll",
                                             options.idle)
            ours_cpu, ours_rss = idle_cost(framework, LUMIDOT_AT_500_MS, "lumidot, 500 ms poll",
                                           options.idle)
            print(f"{framework}: lumidot / imeprobe: CPU x{ours_cpu / max(probe_cpu, 1e-9):.2f}, "
                  f"RSS x{ours_rss / probe_rss:.2f}")


if __name__ == "__main__":
    main()
