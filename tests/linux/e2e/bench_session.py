"""Figures of the Linux harness and of a tray program under it, against the real fcitx5 and IBus
with Mozc: how long a session takes to start, how long a key takes to reach the input method's
state, the program's lamp and its LED lines, and what the program costs while idle (CPU time and
resident memory). imeprobe is the baseline; our program ($LUMIDOT_LINUX_BIN, default
build/linux/lumidot), when built, is measured beside it. fcitx5 runs twice: as the other tests run
it, headless without a user interface, and with its tray item shown (fcitx5+tray), which tells
every change at once.

    sudo /usr/bin/python3 tests/linux/e2e/bench_session.py [--runs N] [--idle SECONDS] [--caret-lamp]
        [--frameworks ibus fcitx5 fcitx5+tray]

Run it alone on the machine: it measures, it asserts nothing.
"""
import argparse
import contextlib
import os
import statistics
import time

from lumidot_linux import FRAMEWORKS, PROBE, PROGRAM, Session, wait_for

# (key, the state it leads to) for switching on and off again
TOGGLE = {"fcitx5": [("Zenkaku_Hankaku", 2), ("Zenkaku_Hankaku", 1)],
          "ibus": [("Zenkaku_Hankaku", "あ"), ("Zenkaku_Hankaku", "A")]}
TOGGLE["fcitx5+tray"] = TOGGLE["fcitx5"]
KINDS = FRAMEWORKS + ("fcitx5+tray",)


@contextlib.contextmanager
def session(name, kind, program):
    """A session with the program running under kind of input method, connected to its LED."""
    options = {"ports": ["led"], "a11y": False, **program}
    if kind != "fcitx5+tray":
        with Session(name, framework=kind, **options) as s:
            yield s
        return
    with Session(name, framework="fcitx5", ime=False, start=False, **options) as s:
        s.call("fcitx5_group", 90, items=["keyboard-jp", "mozc"], active="mozc", tray=True)
        s.xterm()
        s.start()
        yield s


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


def latencies(framework, toggles, label, program):
    with session(f"bench.keys.{framework}.{label}", framework, program) as s:
        s.focus_typing()
        s.wait_lamp("dark")
        state = []
        for _ in range(toggles):
            for key, want in TOGGLE[framework]:
                state.append(s.key_timed(key, want=want))
        what = "the InputMode signal" if framework == "ibus" else "State()"
        print(f"\n{framework}: key (XTest) to {what}: {ms(state)}")
        # The toggles above come faster than the program polls: let its lines settle, off, first.
        s.wait_lamp("dark")
        wait_for(lambda: s.line_changes("led")[-2:] == ["DTR=0", "RTS=0"], what="the lines off")
        time.sleep(0.3)
        lines = []
        for _ in range(toggles):
            for line in ("DTR=1", "DTR=0"):
                lines.append(s.key_timed("Zenkaku_Hankaku", line=line))
                time.sleep(0.15)  # the next key only after RTS followed
        print(f"{framework}: key to {label}'s DTR (poll every 100 ms): {ms(lines)}")


def idle_costs(framework, seconds, windows, caret_lamp):
    """CPU time per second and resident memory of lumidot and imeprobe while nothing happens, both
    polling every 500 ms and connected to a port of their own: side by side in one session and
    measured over the same windows of time, so that what else the machine does weighs on both. With
    caret_lamp, lumidot shows its lamp beside the pointer."""
    ini = f"[Setting]\nPortDevice={{led}}\nUpdateTime=5\nAutoConnect=1\nCaretLamp={int(caret_lamp)}\n"
    with session(f"bench.idle.{framework}", framework,
                 {"program": PROGRAM, "ini": ini, "ports": ["led", "probe"]}) as s:
        s.program = PROBE
        pids = {"lumidot": s.pid, "imeprobe": s.start(args=["--period", "500", "{probe}"])}
        s.wait_lines("led", ["open", "DTR=0", "RTS=0"])
        s.wait_lines("probe", ["open", "DTR=0", "RTS=0"])
        time.sleep(2)
        used = {name: [] for name in pids}
        for _ in range(windows):
            cpu, begun = {name: cpu_seconds(pid) for name, pid in pids.items()}, time.monotonic()
            time.sleep(seconds)
            elapsed = time.monotonic() - begun
            for name, pid in pids.items():
                used[name].append((cpu_seconds(pid) - cpu[name]) / elapsed)
        rss = {name: rss_kib(pid) / 1024 for name, pid in pids.items()}
        for name in pids:
            print(f"{framework}: {name:8} (500 ms poll) idle CPU {1000 * statistics.mean(used[name]):6.3f} ms/s "
                  f"(windows of {seconds:.0f} s: {', '.join(f'{1000 * u:.3f}' for u in used[name])}), "
                  f"RSS {rss[name]:6.1f} MiB")
        ratios = [ours / max(probe, 1e-9) for ours, probe in zip(used["lumidot"], used["imeprobe"])]
        print(f"{framework}: lumidot / imeprobe: CPU x{sum(used['lumidot']) / sum(used['imeprobe']):.2f} "
              f"(per window {min(ratios):.2f} to {max(ratios):.2f}), RSS x{rss['lumidot'] / rss['imeprobe']:.2f}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--toggles", type=int, default=10)
    parser.add_argument("--idle", type=float, default=20, help="seconds of each idle window")
    parser.add_argument("--windows", type=int, default=3, help="idle windows measured")
    parser.add_argument("--frameworks", nargs="*", default=list(KINDS), choices=KINDS)
    parser.add_argument("--caret-lamp", action="store_true", help="lumidot idles with its lamp at the caret")
    options = parser.parse_args()
    for framework in options.frameworks:
        if framework in FRAMEWORKS and options.runs > 0:
            start_up(framework, options.runs)
        latencies(framework, options.toggles, "imeprobe", PROBE_AT_100_MS)
        if os.path.exists(PROGRAM):
            latencies(framework, options.toggles, "lumidot", LUMIDOT_AT_100_MS)
            print()
            idle_costs(framework, options.idle, options.windows, options.caret_lamp)


if __name__ == "__main__":
    main()
