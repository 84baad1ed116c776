"""Figures of the Linux harness and of a tray program under it, against the real fcitx5 and IBus
with Mozc: how long a session takes to start, how long a key takes to reach the input method's
state, the program's lamp and its LED lines, and what the program costs while idle (CPU time and
resident memory). imeprobe is the baseline; our program ($LUMIDOT_LINUX_BIN, default
build/linux/lumidot), when built, is measured beside it.

    sudo /usr/bin/python3 tests/linux/bench_session.py [--runs N] [--idle SECONDS]

Run it alone on the machine: it measures, it asserts nothing.
"""
import argparse
import os
import statistics
import time

from lumidot_linux import FRAMEWORKS, PROBE, PROGRAM, Session

CLOCK_TICK = os.sysconf("SC_CLK_TCK")
# (key, the state it leads to) for switching on and off again
TOGGLE = {"fcitx5": [("Zenkaku_Hankaku", 2), ("Zenkaku_Hankaku", 1)],
          "ibus": [("Zenkaku_Hankaku", "あ"), ("Zenkaku_Hankaku", "A")]}


def ms(values):
    values = sorted(v * 1000 for v in values)
    return (f"median {statistics.median(values):7.2f} ms, min {values[0]:7.2f}, max {values[-1]:7.2f} "
            f"(n={len(values)})")


def cpu_seconds(pid):
    fields = open(f"/proc/{pid}/stat").read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / CLOCK_TICK  # utime, stime


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


def latencies(framework, toggles):
    with Session(f"bench.keys.{framework}", framework=framework, ports=["led"], program=PROBE,
                 args=["--period", "100", "{led}"], a11y=False) as s:
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
        print(f"{framework}: key to imeprobe's DTR (poll every 100 ms): {ms(lines)}")


def idle_cost(framework, program, label, seconds, period=None):
    """The probe polls at period with its pty; our program runs with its default settings."""
    args = ["--period", str(period), "{led}"] if period else []
    with Session(f"bench.idle.{framework}.{label.split(',')[0]}", framework=framework, ports=["led"],
                 program=program, args=args, a11y=False) as s:
        time.sleep(2)
        cpu, begun = cpu_seconds(s.pid), time.monotonic()
        time.sleep(seconds)
        used = cpu_seconds(s.pid) - cpu
        elapsed = time.monotonic() - begun
        print(f"{framework}: {label:24} idle CPU {100 * used / elapsed:5.2f} % "
              f"({1000 * used / elapsed:6.2f} ms/s), RSS {rss_kib(s.pid) / 1024:6.1f} MiB")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--toggles", type=int, default=10)
    parser.add_argument("--idle", type=float, default=20)
    parser.add_argument("--frameworks", nargs="*", default=list(FRAMEWORKS))
    options = parser.parse_args()
    for framework in options.frameworks:
        start_up(framework, options.runs)
        latencies(framework, options.toggles)
        print()
        idle_cost(framework, PROBE, "imeprobe, 500 ms poll", options.idle, 500)
        idle_cost(framework, PROBE, "imeprobe, 100 ms poll", options.idle, 100)
        if os.path.exists(PROGRAM):
            idle_cost(framework, PROGRAM, os.path.basename(PROGRAM), options.idle)


if __name__ == "__main__":
    main()
