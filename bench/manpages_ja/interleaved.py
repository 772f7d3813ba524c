#!/usr/bin/env python3
"""Times commands turn about, one run of each per round, every command's output read through
a pipe, and writes the medians as hyperfine's --export-json does ({"results": [{"command",
"median", "times"}]}).

On a shared machine the load changes within seconds; hyperfine times all runs of one command
before the next command, so a burst of load can fall on one command only. Taking the commands
in turn, and changing which goes first each round, spreads the load over all of them.

usage: interleaved.py OUT.json RUNS WARMUP NAME=COMMAND...
"""
import json
import shlex
import statistics
import subprocess
import sys
import time


def timed(argv):
    start = time.perf_counter()
    proc = subprocess.Popen(argv, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    while proc.stdout.read(1 << 16):
        pass
    proc.wait()
    return time.perf_counter() - start


def main():
    out, runs, warmup = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    commands = [arg.split("=", 1) for arg in sys.argv[4:]]
    argvs = {name: shlex.split(cmd) for name, cmd in commands}
    names = [name for name, _ in commands]
    for _ in range(warmup):
        for name in names:
            timed(argvs[name])
    times = {name: [] for name in names}
    for r in range(runs):
        order = names[r % len(names):] + names[:r % len(names)]
        for name in order:
            times[name].append(timed(argvs[name]))
    results = [{"command": name, "median": statistics.median(times[name]), "times": times[name]}
               for name in names]
    json.dump({"results": results}, open(out, "w"), indent=1)


main()
