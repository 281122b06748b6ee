#!/usr/bin/env python3
"""Table of the start-up runs written by run.sh: medians per command and ratios to the floor.

Each ratio is the median, over the runs, of the command's figure over the floor's in the same
round: the two ran one after the other, so whatever else the machine was doing then (other
programs sharing the libraries, which moves PSS, or busy CPUs) weighs on both alike.

usage: summarize.py RUNS.tsv [--floor NAME]
Exit status 1 when a run failed or a command misses a target against the floor.
"""
import argparse
import csv
import statistics
import sys

# What the program is held to against the floor.
TIME_TARGET = 1.05
MEMORY_TARGET = 1.05

COLUMNS = [  # (heading, column, scale, unit, target)
    ("map", "map_ms", 1.0, "ms", TIME_TARGET),
    ("paint", "paint_ms", 1.0, "ms", TIME_TARGET),
    ("RSS", "rss_kib", 1 / 1024, "MiB", MEMORY_TARGET),
    ("PSS", "pss_kib", 1 / 1024, "MiB", MEMORY_TARGET),
]


def quartiles(values):
    if len(values) < 2:
        return values[0], values[0]
    q = statistics.quantiles(values, n=4, method="inclusive")
    return q[0], q[2]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("runs")
    parser.add_argument("--floor", default="floor")
    args = parser.parse_args()

    samples = {}  # command -> column -> values, in the order the commands were run
    rounds = {}  # command -> run -> the row of that run
    failures = {}
    with open(args.runs, newline="") as f:
        for row in csv.DictReader(f, delimiter="\t"):
            name = row["command"]
            rounds.setdefault(name, {})
            extra = ["expose_ms", "cpu_ms", "wait_ms"]
            columns = samples.setdefault(name, {c: [] for c in [c[1] for c in COLUMNS] + extra})
            failures.setdefault(name, 0)
            if row["map_ms"] == "failed":
                failures[name] += 1
                continue
            rounds[name][row["run"]] = {column: float(row[column]) for column in columns}
            for column, values in columns.items():
                value = float(row[column])
                if column == "expose_ms" and value < 0:
                    continue  # the probe could not see this run's first Expose
                values.append(value)

    if args.floor not in samples or not samples[args.floor]["map_ms"]:
        sys.exit(f"summarize.py: no successful run of {args.floor}")
    medians = {
        name: {column: statistics.median(v) if v else float("nan") for column, v in cols.items()}
        for name, cols in samples.items()
    }

    def paired_ratio(name, column):
        ratios = [run[column] / rounds[args.floor][n][column]
                  for n, run in rounds[name].items() if n in rounds[args.floor]]
        return statistics.median(ratios) if ratios else float("nan")

    width = max(len(n) for n in samples) + 2
    head = f"{'command':<{width}}{'runs':>5}"
    for heading, _, _, unit, _ in COLUMNS:
        head += f"{heading + ' ' + unit:>12}"
    for heading, _, _, _, _ in COLUMNS:
        head += f"{heading + ' x':>9}"
    print("Medians (map: window and frame mapped; paint: first drawing into the window; "
          "memory at first paint); x: median of the ratios to the floor run of the same round")
    print(head)
    print("-" * len(head))
    over = []
    for name, m in medians.items():
        ok_runs = len(samples[name]["map_ms"])
        line = f"{name:<{width}}{ok_runs:>5}"
        for _, column, scale, _, _ in COLUMNS:
            line += f"{m[column] * scale:>12.2f}"
        for heading, column, _, _, target in COLUMNS:
            ratio = paired_ratio(name, column)
            line += f"{ratio:>9.3f}"
            if name != args.floor and ratio > target:
                over.append(f"{name} {heading} {ratio:.3f}x > {target:.2f}x")
        print(line + (f"  ({failures[name]} failed)" if failures[name] else ""))

    print()
    print("Until first paint, medians: the process's CPU time, and its time waiting for a CPU")
    for name, m in medians.items():
        if not samples[name]["map_ms"]:
            continue
        print(f"  {name:<{width}}cpu {m['cpu_ms']:7.2f} ms ({paired_ratio(name, 'cpu_ms'):.3f}x)"
              f"   waiting {m['wait_ms']:6.2f} ms")

    busy = [n for n, m in medians.items() if m["wait_ms"] > 0.1 * m["paint_ms"]]  # nan: False
    if busy:
        print(f"  Busy machine: {', '.join(busy)} waited for a CPU more than a tenth of the "
              "time to paint; the times above are partly other work's (try --priority realtime)")

    print()
    print("Spread: interquartile range (p25-p75) of each; expose = first Expose on the window")
    for name, cols in samples.items():
        if not cols["map_ms"]:
            continue
        parts = []
        for heading, column in [("map", "map_ms"), ("expose", "expose_ms"), ("paint", "paint_ms")]:
            if not cols[column]:
                continue
            lo, hi = quartiles(cols[column])
            parts.append(f"{heading} {lo:.2f}-{hi:.2f} ms")
        lo, hi = quartiles(cols["pss_kib"])
        parts.append(f"PSS {lo / 1024:.2f}-{hi / 1024:.2f} MiB")
        print(f"  {name:<{width}}" + ", ".join(parts))

    problems = over + [f"{name}: {count} runs failed" for name, count in failures.items() if count]
    print()
    print(f"Targets against {args.floor}: time x{TIME_TARGET:.2f}, memory x{MEMORY_TARGET:.2f}: "
          + ("all met" if not problems else "NOT MET: " + "; ".join(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
