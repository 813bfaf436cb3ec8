#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Times two commands against each other in ROUNDS rounds, taking turns within each round (one
A, one B, REPEAT times), so that the machine's other load falls on both alike. Per round it
takes the wall-clock time and the processor time (user + system, the command's and its waited
children's) of each, and prints the ratio A/B of both over the rounds: median, least and most.
--goal judges the wall-clock ratio, --cpu-goal the processor time's (each only when given);
on a busy machine the processor time is the steadier figure.

  ratio.py --name "isqlw/bsqldb" --goal 1.1 --cpu-goal 1.1 --rounds 5 --repeat 20 \\
      --a 'isqlw -S ...' --b 'bsqldb -S ...'

A command is split as the shell would split it and started directly; a loop is given as
"bash -c '...'". A command that fails stops the benchmark with its output."""
import argparse
import os
import shlex
import statistics
import subprocess
import sys
import time


def run_once(argv, env):
    """Wall seconds and processor seconds of one run; exits on failure."""
    start = time.monotonic()
    proc = subprocess.Popen(argv, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=env)
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.monotonic() - start
    proc.returncode = os.waitstatus_to_exitcode(status)
    err = proc.stderr.read().decode(errors="replace")
    proc.stderr.close()
    if proc.returncode != 0:
        sys.exit("run failed (status %d): %s\n%s" % (proc.returncode, " ".join(argv), err))
    return wall, usage.ru_utime + usage.ru_stime


def spread(values):
    return "%.3f (%.3f-%.3f)" % (statistics.median(values), min(values), max(values))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--name", required=True)
    parser.add_argument("--goal", type=float, help="for the wall-clock ratio")
    parser.add_argument("--cpu-goal", type=float, help="for the processor time ratio")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--repeat", type=int, default=1)
    parser.add_argument("--a", required=True, help="the command under test")
    parser.add_argument("--b", required=True, help="the command it is held against")
    parser.add_argument("--label-a", default="A")
    parser.add_argument("--label-b", default="B")
    parser.add_argument("--per", type=int, default=0,
                        help="also print what A adds to B per one of this many (servers)")
    args = parser.parse_args()
    a, b = shlex.split(args.a), shlex.split(args.b)
    env = dict(os.environ)

    wall_ratios, cpu_ratios = [], []
    totals = {"a": [0.0, 0.0], "b": [0.0, 0.0]}
    for _ in range(args.rounds):
        sums = {"a": [0.0, 0.0], "b": [0.0, 0.0]}
        for _ in range(args.repeat):
            for key, argv in (("a", a), ("b", b)):
                wall, cpu = run_once(argv, env)
                sums[key][0] += wall
                sums[key][1] += cpu
        for key in sums:
            totals[key][0] += sums[key][0]
            totals[key][1] += sums[key][1]
        wall_ratios.append(sums["a"][0] / sums["b"][0])
        # A processor time too small to count (under a clock tick) gives no ratio.
        if sums["b"][1] > 0:
            cpu_ratios.append(sums["a"][1] / sums["b"][1])

    runs = args.rounds * args.repeat
    for key, label in (("a", args.label_a), ("b", args.label_b)):
        print("%-14s %d runs: %.2f ms each, processor time %.2f ms each"
              % (label + ":", runs, totals[key][0] * 1000 / runs, totals[key][1] * 1000 / runs))
    if args.per > 0:
        extra = lambda i: (totals["a"][i] - totals["b"][i]) * 1000 / runs / args.per
        print("%s adds %.2f ms per server (processor time %.2f ms)"
              % (args.label_a, extra(0), extra(1)))
    print("ratio %s over %d rounds, median (least-most):" % (args.name, args.rounds))

    def line(what, values, goal):
        text = "  %-15s %s" % (what + ":", spread(values))
        if goal is not None:
            text += " (goal <= %.2f): %s" % (goal, "met" if statistics.median(values) <= goal
                                             else "MISSED")
        print(text)
    line("wall clock", wall_ratios, args.goal)
    if cpu_ratios:
        line("processor time", cpu_ratios, args.cpu_goal)


if __name__ == "__main__":
    main()
