#!/usr/bin/env python3
"""Prints the benchmark figures of scripts/bench.sh as one table with their ratios and goals.

Input: the JSON files Google Benchmark wrote (--benchmark_out). Every figure is the median
aggregate when repetitions were run, else the single run; times are CPU times.
"""
import json
import sys

GEOMETRIES = {0: "defaults 181x28", 1: "40 x Circle 7/2", 2: "255/255/255 clamped"}
UNIT = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}


def load(paths):
    runs = {}
    for path in paths:
        with open(path) as f:
            data = json.load(f)
        for b in data["benchmarks"]:
            if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
                continue
            runs[b.get("run_name", b["name"])] = b
    return runs


def us(runs, name):
    b = runs.get(name)
    return None if b is None else b["cpu_time"] * UNIT[b["time_unit"]]


def fmt_time(t):
    if t is None:
        return "-"
    if t >= 1000:
        return f"{t / 1000:.2f} ms"
    return f"{t:.3f} us"


def fmt_ratio(a, b):
    return "-" if a is None or b is None or b == 0 else f"{a / b:.1f}x"


def verdict(value, goal, lower_is_better=True):
    if value is None:
        return ""
    ok = value <= goal if lower_is_better else value >= goal
    return "met" if ok else "NOT met"


def main():
    runs = load(sys.argv[1:])
    rows = []

    def frame(title, bench, memset, goal):
        for g, label in GEOMETRIES.items():
            fast = us(runs, f"{bench}/geometry:{g}/literal:0")
            literal = us(runs, f"{bench}/geometry:{g}/literal:1")
            base = us(runs, f"{memset}/geometry:{g}")
            ratio = None if fast is None or base is None else fast / base
            goal_text = f"<= {goal}x memset" if goal else ""
            rows.append([f"{title}, {label}", fmt_time(fast), fmt_time(literal), fmt_time(base),
                         fmt_ratio(fast, base), fmt_ratio(literal, fast), goal_text,
                         verdict(ratio, goal) if goal else ""])

    frame("Static frame TotalRedraw(false,true)", "StaticFrame", "MemsetStatic", 5)
    frame("Static frame TotalRedraw(false,false)", "StaticMiniFrame", "MemsetStatic", 5)
    frame("Host paint (frame + copy)", "HostPaint", "MemsetStatic", 5)
    frame("Scroll step (step + frame + copy)", "ScrollStep", "MemsetScroll", 5)
    frame("Scroll frame TotalScrollRedraw(false,false)", "ScrollFrame", "MemsetScroll", 5)

    header = ["figure", "fast", "literal", "memset", "fast/memset", "literal/fast", "goal", ""]
    widths = [max(len(str(r[i])) for r in rows + [header]) for i in range(len(header))]
    line = lambda r: "  ".join(str(c).ljust(w) for c, w in zip(r, widths)).rstrip()
    print(line(header))
    print("  ".join("-" * w for w in widths))
    for r in rows:
        print(line(r))

    print()
    b = runs.get("InitScroll")
    if b is not None:
        rate = b.get("items_per_second", 0.0) / 1e6
        heap = b.get("heap_B_per_char", 0.0)
        cells = b.get("stream_B_per_char", 0.0)
        print(f"InitScroll, 100,000 characters: {rate:.2f} M chars/s (goal >= 5: {verdict(rate, 5, False)})")
        print(f"Heap per character: {heap:.0f} B for {cells:.0f} B of cells = {heap / cells:.3f}x "
              f"(goal <= 1.05x: {verdict(heap / cells, 1.05)})")

    print()
    for op in ("BM_InsertChar", "BM_GoRight", "BM_GoEnd"):
        short = us(runs, f"{op}/10")
        long = us(runs, f"{op}/1000000")
        if short is not None:
            print(f"Editing {op[3:]}: 10 chars {fmt_time(short)}, 1,000,000 chars {fmt_time(long)}, "
                  f"ratio {fmt_ratio(long, short)} (goal near 1x)")

    print()
    shapes = {1: "round LEDs, QPainter::drawEllipse", 0: "square LEDs, QPainter::fillRect"}
    formats = {0: "RGB888", 1: "RGB32"}
    if not any(name.startswith("QtPainterFrame") for name in runs):
        print("Qt peer: not built (needs Qt 6; bench/qt/qt_peer_bench.cpp)")
    for round_, shape in shapes.items():
        ours = us(runs, f"VyrFastFrame/round:{round_}")
        for fmt, fmt_name in formats.items():
            name = f"QtPainterFrame/round:{round_}/format:{fmt}"
            qt = us(runs, name)
            if qt is None:
                continue
            ratio = None if ours is None or ours == 0 else qt / ours
            goal = f" (goal >= 20x: {verdict(ratio, 20, False)})" if round_ == 1 else ""
            diff = runs[name].get("differing_pixels")
            diff_text = "" if diff is None else f", {diff:.0f} pixels differ from ours"
            print(f"Qt peer, 40 x 7/2 {shape} into {fmt_name}: {fmt_time(qt)}; ours {fmt_time(ours)}; "
                  f"ours {fmt_ratio(qt, ours)} faster{goal}{diff_text}")

if __name__ == "__main__":
    main()
