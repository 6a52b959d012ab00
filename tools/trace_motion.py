#!/usr/bin/env python3
"""What a run asked of each axis, rebuilt from a `tamocnc-sim run --trace` file.

The time of each tick's step is the sum of the Period column of the ticks before it (the run's own
time model). For each axis:
  - speed: over runs of 8 of its steps;
  - speed jump: the change of speed between two runs that follow each other, less what the given
    acceleration allows over the time between them (an instant change shows whole);
  - acceleration: the change of the speed over windows of --window seconds (20 ms by default), a
    window being long enough that an axis that steps on some ticks of the longest axis and not on
    others (which no motor follows) does not count as accelerating.

    tools/trace_motion.py run.trace.csv --accel 500,500,200
prints one line per axis and the run time, and with --check exits 1 when an axis was asked for more
than 1.1 times its acceleration, a speed jump above 10 mm/s or more than --top (mm/s).
"""

import argparse
import bisect
import csv
import sys


def load(path):
    times, steps, sizes = [], [[], [], []], [0.0, 0.0, 0.0]
    t = 0.0
    last = None
    with open(path, newline="") as f:
        rows = csv.DictReader(f)
        for row in rows:
            pos = [float(row["ProgPosX"]), float(row["ProgPosY"]), float(row["ProgPosZ"])]
            for a, key in enumerate(("StepDirX", "StepDirY", "StepDirZ")):
                if row[key] != "0":
                    steps[a].append(t)
                    if last is not None and sizes[a] == 0:
                        sizes[a] = abs(pos[a] - last[a])
            last = pos
            times.append(t)
            t += float(row["Period"])
    return t, steps, sizes


def figures(step_times, size, accel, window):
    if len(step_times) < 2 or size == 0:
        return 0.0, 0.0, 0.0
    run = 8
    top = jump = 0.0
    before = None
    for k in range(run, len(step_times), run):
        span = step_times[k] - step_times[k - run]
        if span <= 0 or span > 0.05:
            before = None
            continue
        v = run * size / span
        centre = (step_times[k] + step_times[k - run]) / 2
        top = max(top, v)
        if before is not None:
            allowed = accel * (centre - before[1]) if accel else 0.0
            jump = max(jump, abs(v - before[0]) - allowed)
        before = (v, centre)
    # Acceleration over windows on a grid of a quarter window.
    grid = window / 4
    most = 0.0
    t = step_times[0]
    end = step_times[-1]

    def position(at):
        # Linear between the steps: a step is where the axis passes, not a jump.
        k = bisect.bisect_right(step_times, at)
        if k == 0 or k == len(step_times):
            return k * size
        part = (at - step_times[k - 1]) / (step_times[k] - step_times[k - 1])
        return (k - 1 + part) * size

    while t + 2 * window <= end:
        v1 = (position(t + window) - position(t)) / window
        v2 = (position(t + 2 * window) - position(t + window)) / window
        most = max(most, abs(v2 - v1) / window)
        t += grid
    return top, most, jump


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("trace")
    parser.add_argument("--accel", default="", help="X,Y,Z accelerations the run was given, per s^2")
    parser.add_argument("--top", default="", help="X,Y,Z top speeds, per s")
    parser.add_argument("--window", type=float, default=0.02)
    parser.add_argument("--check", action="store_true")
    args = parser.parse_args()
    accel = [float(v) for v in args.accel.split(",")] if args.accel else [0.0, 0.0, 0.0]
    top = [float(v) for v in args.top.split(",")] if args.top else [0.0, 0.0, 0.0]
    seconds, steps, sizes = load(args.trace)
    ok = True
    print(f"run time {seconds:.3f} s")
    for a, name in enumerate("XYZ"):
        speed, most, jump = figures(steps[a], sizes[a], accel[a], args.window)
        print(f"{name}: top speed {speed:.2f}/s  acceleration {most:.1f}/s^2  speed jump {jump:.2f}/s")
        if accel[a] and most > 1.1 * accel[a]:
            ok = False
        if jump > 10:
            ok = False
        if top[a] and speed > top[a] * 1.01:
            ok = False
    if args.check and not ok:
        sys.exit(1)


if __name__ == "__main__":
    main()
