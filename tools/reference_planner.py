#!/usr/bin/env python3
"""The run time a plain look-ahead planner would give a program, to hold ours against.

The model is the textbook one, written here from its description and nothing else:
  - the path is cut into straight blocks: lines as they are, arcs into chords whose sagitta stays
    within --arc-tolerance (as hobby firmware cuts them);
  - each block runs at its feed F along the path (a rapid at the fastest the axes allow), no axis
    above its top speed, and accelerates at the largest rate that keeps every axis within its own;
  - a corner is taken at the speed of the circle that stays within the junction deviation of it:
    v^2 = a * d * sin(t/2) / (1 - sin(t/2)), t the angle between the blocks, a the acceleration
    along the change of direction; straight on, at the blocks' own top speed;
  - a backward pass (every block can brake to the next one's entry, the last to rest) and a forward
    pass (no block enters faster than the one before can accelerate to), then trapezoids.

The path is taken from a `tamocnc-sim run --trace` file (the positions the machine went through,
grouped by program line and motion word), the feeds and the lines that stop the machine (an M word,
a dwell) from the program itself, so that both planners are given the same path:

    tools/reference_planner.py run.trace.csv program.nc --accel 500,500,200 --top 50,50,10 --jd 0.01

prints the reference run time, and with --ours the ratio of the trace's own (sum of Period).
"""

import argparse
import csv
import math
import re


def program_lines(path):
    """Per program line (1-based, a comma ends a line as a line break does): the feed after it,
    whether it stops the machine."""
    feeds, stops = [0.0], [False]
    feed = 0.0
    with open(path, errors="replace") as f:
        items = [item for raw in f for item in raw.rstrip("\r\n").split(",")]
        for raw in items:
            text = re.sub(r"\(.*?\)|\(.*|;.*", "", raw.upper())
            m = re.findall(r"F\s*([-+]?[0-9]*\.?[0-9]+)", text)
            if m:
                feed = float(m[-1])
            feeds.append(feed)
            stops.append(bool(re.search(r"\bM\s*[0-9]|G0*4\b", text)))
    return feeds, stops


def load_trace(path):
    """Groups of consecutive ticks of one program line and motion word: (line, word, points)."""
    groups = []
    with open(path, newline="") as f:
        rows = csv.DictReader(f)
        prev = None
        ours = 0.0
        for row in rows:
            pos = (float(row["ProgPosX"]), float(row["ProgPosY"]), float(row["ProgPosZ"]))
            ours += float(row["Period"])
            key = (int(row["PrgLineNo"]), row["GCode"].strip().upper())
            if not groups or groups[-1][0] != key:
                groups.append((key, [prev] if prev is not None else []))
            groups[-1][1].append(pos)
            prev = pos
    return groups, ours


def dist(a, b):
    return math.sqrt(sum((a[i] - b[i]) ** 2 for i in range(3)))


def simplify(points, tol):
    """The corners of a polyline of ticks, within tol (iterative Douglas-Peucker)."""
    keep = [False] * len(points)
    keep[0] = keep[-1] = True
    stack = [(0, len(points) - 1)]
    while stack:
        i, j = stack.pop()
        a, b = points[i], points[j]
        ab = [b[k] - a[k] for k in range(3)]
        n = math.sqrt(sum(v * v for v in ab))
        worst, at = 0.0, -1
        for k in range(i + 1, j):
            ap = [points[k][m] - a[m] for m in range(3)]
            if n > 0:
                t = sum(ap[m] * ab[m] for m in range(3)) / (n * n)
                t = min(1.0, max(0.0, t))
                d = math.sqrt(sum((ap[m] - t * ab[m]) ** 2 for m in range(3)))
            else:
                d = math.sqrt(sum(v * v for v in ap))
            if d > worst:
                worst, at = d, k
        if worst > tol and at > 0:
            keep[at] = True
            stack.append((i, at))
            stack.append((at, j))
    return [p for p, k in zip(points, keep) if k]


def circle(p1, p2, p3):
    ax, ay = p1[0], p1[1]
    bx, by = p2[0], p2[1]
    cx, cy = p3[0], p3[1]
    d = 2 * (ax * (by - cy) + bx * (cy - ay) + cx * (ay - by))
    if abs(d) < 1e-12:
        return None
    ux = ((ax * ax + ay * ay) * (by - cy) + (bx * bx + by * by) * (cy - ay) + (cx * cx + cy * cy) * (ay - by)) / d
    uy = ((ax * ax + ay * ay) * (cx - bx) + (bx * bx + by * by) * (ax - cx) + (cx * cx + cy * cy) * (bx - ax)) / d
    return ux, uy


def arc_chords(points, clockwise, tol, step):
    """The arc through the ticks, cut into chords of sagitta at most tol."""
    n = len(points)
    if n < 4:
        return [points[0], points[-1]]
    centre = circle(points[0], points[n // 3], points[(2 * n) // 3])
    if centre is None:
        return simplify(points, 1.5 * step)
    cx, cy = centre
    r = math.hypot(points[0][0] - cx, points[0][1] - cy)
    a0 = math.atan2(points[0][1] - cy, points[0][0] - cx)
    # The angle turned, summed tick by tick (a whole circle ends where it began).
    sweep = 0.0
    last = a0
    for p in points[1:]:
        a = math.atan2(p[1] - cy, p[0] - cx)
        d = a - last
        while d > math.pi:
            d -= 2 * math.pi
        while d < -math.pi:
            d += 2 * math.pi
        sweep += d
        last = a
    if r <= 0 or abs(sweep) < 1e-9:
        return [points[0], points[-1]]
    chord_angle = 2 * math.acos(max(-1.0, 1 - tol / r)) if tol < r else math.pi / 2
    count = max(1, int(math.ceil(abs(sweep) / chord_angle)))
    z0, z1 = points[0][2], points[-1][2]
    out = [points[0]]
    for k in range(1, count):
        f = k / count
        a = a0 + sweep * f
        out.append((cx + r * math.cos(a), cy + r * math.sin(a), z0 + (z1 - z0) * f))
    out.append(points[-1])
    return out


def blocks_of(groups, feeds, stops, step, arc_tol):
    """(start, end, feed per s or None for a rapid, stop before it)"""
    blocks = []
    last_line = 0
    for (line, word), points in groups:
        if len(points) < 2:
            continue
        stop = any(stops[k] for k in range(last_line + 1, min(line, len(stops) - 1) + 1)) if line > last_line else False
        last_line = max(last_line, line)
        motion = int(re.sub(r"[^0-9]", "", word) or "1")
        if motion in (2, 3):
            corners = arc_chords(points, motion == 2, arc_tol, step)
        else:
            corners = simplify(points, 1.5 * step)
        feed = None if motion == 0 else (feeds[line] if line < len(feeds) else feeds[-1]) / 60
        for k in range(1, len(corners)):
            if dist(corners[k - 1], corners[k]) > 1e-9:
                blocks.append((corners[k - 1], corners[k], feed, stop and k == 1))
    return blocks


def along(unit, limits):
    most = math.inf
    for k in range(3):
        if abs(unit[k]) > 1e-12:
            most = min(most, limits[k] / abs(unit[k]))
    return most


def plan(blocks, accel, top, jd):
    n = len(blocks)
    length, a, vmax, unit, vjunc = [0.0] * n, [0.0] * n, [0.0] * n, [None] * n, [0.0] * n
    for i, (s, e, feed, stop) in enumerate(blocks):
        L = dist(s, e)
        u = [(e[k] - s[k]) / L for k in range(3)]
        length[i], unit[i] = L, u
        a[i] = along(u, accel)
        cap = along(u, top)
        vmax[i] = cap if feed is None else min(cap, max(feed, 1.0 / 60))
    for i in range(n):
        if i == 0 or blocks[i][3]:
            vjunc[i] = 0.0
            continue
        p, q = unit[i - 1], unit[i]
        cos_t = -sum(p[k] * q[k] for k in range(3))
        limit = min(vmax[i - 1], vmax[i])
        if cos_t < -0.999999:
            vjunc[i] = limit
            continue
        if cos_t > 0.999999:
            vjunc[i] = 0.0
            continue
        turn = [q[k] - p[k] for k in range(3)]
        tn = math.sqrt(sum(v * v for v in turn))
        acc = along([v / tn for v in turn], accel)
        sin_half = math.sqrt(0.5 * (1 - cos_t))
        vjunc[i] = min(limit, math.sqrt(acc * jd * sin_half / (1 - sin_half)))
    entry = vjunc[:]
    exit_next = 0.0
    for i in range(n - 1, -1, -1):
        entry[i] = min(entry[i], math.sqrt(exit_next ** 2 + 2 * a[i] * length[i]))
        exit_next = entry[i]
    for i in range(n - 1):
        entry[i + 1] = min(entry[i + 1], math.sqrt(entry[i] ** 2 + 2 * a[i] * length[i]))
    total = 0.0
    for i in range(n):
        vi = entry[i]
        vo = entry[i + 1] if i + 1 < n else 0.0
        vc, acc, L = vmax[i], a[i], length[i]
        up = (vc * vc - vi * vi) / (2 * acc)
        down = (vc * vc - vo * vo) / (2 * acc)
        if up + down <= L:
            total += (vc - vi) / acc + (vc - vo) / acc + (L - up - down) / vc
        else:
            vp = math.sqrt(max(0.0, (2 * acc * L + vi * vi + vo * vo) / 2))
            total += (vp - vi) / acc + (vp - vo) / acc
    return total


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("trace")
    parser.add_argument("program")
    parser.add_argument("--accel", default="500,500,200", help="X,Y,Z per s^2")
    parser.add_argument("--top", default="50,50,10", help="X,Y,Z top speeds per s")
    parser.add_argument("--jd", type=float, default=0.01, help="junction deviation")
    parser.add_argument("--arc-tolerance", type=float, default=0.002)
    parser.add_argument("--step", type=float, default=0.005, help="the machine's step, for the path's corners")
    parser.add_argument("--ours", action="store_true", help="also the trace's run time and the ratio")
    args = parser.parse_args()
    accel = [float(v) for v in args.accel.split(",")]
    top = [float(v) for v in args.top.split(",")]
    feeds, stops = program_lines(args.program)
    groups, ours = load_trace(args.trace)
    blocks = blocks_of(groups, feeds, stops, args.step, args.arc_tolerance)
    reference = plan(blocks, accel, top, args.jd)
    if args.ours:
        print(f"blocks {len(blocks)}  reference {reference:.3f} s  ours {ours:.3f} s  ratio {ours / reference:.3f}")
    else:
        print(f"{reference:.3f}")


if __name__ == "__main__":
    main()
