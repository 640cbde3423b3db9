#!/usr/bin/python3
"""Runs the `Threads` benchmark (a caller's render without a cache into a new megapixel tile on all
cores, half of them and one thread, call by call) several times in a row and prints, for every
group, feather and seam, the lowest and the median over the runs of "half_vs_all" (goal: at least
0.87, all cores taking at most 1.15 times half of them's time) and "one_vs_all" (goal: above 2),
with the system's load before each run; cells short of a goal in any run are marked with "*".
    bench/threads_rounds.py [build/release] [runs, 3]"""
import json
import os
import statistics
import subprocess
import sys

GROUPS = "P1 P2 PM PG PMM PMG PGG CM CMM P4 P4M P4G P3 P3ML P3LM P6 P6M".split()
GOALS = {"half_vs_all": 0.87, "one_vs_all": 2.0}


def run_once(build):
    program = os.path.join(build, "bench", "wf_bench_generators_tile")
    output = subprocess.run([program, "--benchmark_filter=^Threads/", "--benchmark_format=json"],
                            check=True, capture_output=True, text=True).stdout
    figures = {}
    for case in json.loads(output)["benchmarks"]:
        args = dict(part.split(":") for part in case["name"].split("/")[1:])
        key = (GROUPS[int(args["method"])], int(args["feather"]), int(args["bent"]))
        figures[key] = {name: case[name] for name in GOALS}
    return figures


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build/release"
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    rounds = []
    for run in range(runs):
        with open("/proc/loadavg") as load:
            print(f"run {run + 1}: load {' '.join(load.read().split()[:3])}", flush=True)
        rounds.append(run_once(build))
    short = 0
    print(f"{'group':6} {'feather':>7} {'seams':8} " + "  ".join(f"{name + ' low/median':>24}" for name in GOALS))
    for key in sorted(rounds[0], key=lambda k: (GROUPS.index(k[0]), k[2], k[1])):
        cells = []
        for name, goal in GOALS.items():
            values = [figures[key][name] for figures in rounds]
            mark = "*" if min(values) < goal else " "
            short += mark == "*"
            cells.append(f"{min(values):10.2f} / {statistics.median(values):5.2f}{mark:>6}")
        print(f"{key[0]:6} {key[1]:7} {'bent' if key[2] else 'straight':8} " + "  ".join(cells))
    with open("/proc/loadavg") as load:
        print(f"after: load {' '.join(load.read().split()[:3])}; {short} figures short of their goal")
    return 1 if short else 0


if __name__ == "__main__":
    sys.exit(main())
