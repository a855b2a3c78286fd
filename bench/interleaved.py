#!/usr/bin/env python3
"""Runs benchmarks of one or more ts_bench builds in turn, several rounds, and
prints each row's median over the rounds (CPU time, and the counters), so
figures of different builds are taken side by side under the same load.

    python3 bench/interleaved.py --rounds 3 --filter 'PresentScaled' \\
        build/bench/ts_bench [other/build/bench/ts_bench ...]
"""
import argparse
import json
import statistics
import subprocess
import sys


def run(exe, pattern, min_time):
    out = subprocess.run(
        [exe, f"--benchmark_filter={pattern}", "--benchmark_format=json",
         f"--benchmark_min_time={min_time}"],
        check=True, capture_output=True, text=True).stdout
    return json.loads(out)["benchmarks"]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--filter", default=".")
    parser.add_argument("--min-time", default="0.3")
    parser.add_argument("programs", nargs="+")
    args = parser.parse_args()
    rows = {}  # (program, name) -> list of runs
    for _ in range(args.rounds):
        for exe in args.programs:
            for b in run(exe, args.filter, args.min_time):
                if b.get("error_occurred"):
                    continue
                rows.setdefault((exe, b["name"]), []).append(b)
    skip = {"name", "run_name", "run_type", "repetitions", "repetition_index",
            "threads", "iterations", "real_time", "cpu_time", "time_unit",
            "family_index", "per_family_instance_index", "aggregate_name",
            "label"}
    for (exe, name), runs in rows.items():
        unit = runs[0]["time_unit"]
        cpu = statistics.median(r["cpu_time"] for r in runs)
        extra = []
        for key, value in runs[0].items():
            if key in skip or not isinstance(value, (int, float)):
                continue
            med = statistics.median(r[key] for r in runs)
            extra.append(f"{key}={med:.4g}")
        print(f"{exe:40.40s} {name:45s} {cpu:10.4g} {unit}  " +
              " ".join(extra))
    return 0


if __name__ == "__main__":
    sys.exit(main())
