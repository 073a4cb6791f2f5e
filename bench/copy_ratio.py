#!/usr/bin/env python3
"""kestrel-cli against cp -r of the same tree, in one run on one machine.

copy_ratio.py WORK CLI FILES[,FILES...] [--reps N] [--jobs 1,2] [--baseline OLD_CLI]
              [--strace-max FILES]

WORK is a memory-backed folder (tmpfs) holding the trees made by
make_batch_tree (WORK/inFILES). The runs of one repetition are interleaved
(cp -r, then each kestrel-cli variant), so a load that comes and goes on a
shared machine weighs on all of them alike; the ratio of a repetition is
kestrel-cli's wall time over that repetition's cp -r, and the figures are the
median of the ratios with their range. Outputs are removed between runs,
untimed. The CPU time per file (user + system of all threads) is printed
too: it shows the work done even when other programs hold the cores. System
calls per file come from strace -f -c, for trees up to --strace-max files.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import time


def remove(path):
    subprocess.run(["rm", "-rf", path], check=True)


def timed(argv):
    """Wall time and CPU time (user + system, all threads) of one run."""
    start = time.perf_counter()
    process = subprocess.Popen(argv, stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.perf_counter() - start
    process.returncode = os.waitstatus_to_exitcode(status)
    if process.returncode != 0:
        raise subprocess.CalledProcessError(process.returncode, argv)
    return wall, usage.ru_utime + usage.ru_stime


def syscalls(argv, trace_file):
    subprocess.run(["strace", "-f", "-c", "-o", trace_file] + argv, check=True, stdout=subprocess.DEVNULL)
    with open(trace_file) as summary:
        for line in summary:
            fields = line.split()
            if fields and fields[-1] == "total":
                return int(fields[3])  # % time, seconds, usecs/call, calls, [errors,] total
    raise RuntimeError("no total in " + trace_file)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("work")
    parser.add_argument("cli")
    parser.add_argument("files")
    parser.add_argument("--reps", type=int, default=5)
    parser.add_argument("--jobs", default="1,2")
    parser.add_argument("--baseline")
    parser.add_argument("--strace-max", type=int, default=200000)
    args = parser.parse_args()

    variants = []  # (label, program)
    if args.baseline:
        variants.append(("before", args.baseline))
    variants.append(("kestrel-cli", args.cli))
    jobs = [int(j) for j in args.jobs.split(",")]
    have_strace = shutil.which("strace") is not None
    per_file_us = {}
    for files in [int(f) for f in args.files.split(",")]:
        tree = os.path.join(args.work, f"in{files}")
        out = os.path.join(args.work, "out")
        commands = [("cp -r", ["cp", "-r", tree, out])]
        for label, program in variants:
            for n in jobs:
                commands.append((f"{label} -j{n}", [program, "--jobs", str(n), "--overwrite=all", "--quiet",
                                                    "--output", out, tree]))
        times = {name: [] for name, _ in commands}
        cpu = {name: [] for name, _ in commands}
        for rep in range(args.reps + 1):  # the first repetition warms up
            for name, argv in commands:
                remove(out)
                wall, used = timed(argv)
                if rep > 0:
                    times[name].append(wall)
                    cpu[name].append(used)
        remove(out)

        print(f"-- {files} files, median of {args.reps} (range in brackets)")
        copy = times["cp -r"]
        print(f"  {'cp -r':16s} {statistics.median(copy) * 1000:9.1f} ms  "
              f"[{min(copy) * 1000:.1f} - {max(copy) * 1000:.1f}]  "
              f"{statistics.median(copy) / files * 1e6:6.1f} us/file")
        for name, argv in commands[1:]:
            ratios = [t / c for t, c in zip(times[name], copy)]
            median = statistics.median(times[name])
            per_file_us[(name, files)] = median / files * 1e6
            print(f"  {name:16s} {median * 1000:9.1f} ms  [{min(times[name]) * 1000:.1f} - "
                  f"{max(times[name]) * 1000:.1f}]  {median / files * 1e6:6.1f} us/file   "
                  f"ratio to cp -r {statistics.median(ratios):.2f} [{min(ratios):.2f} - {max(ratios):.2f}]")
        # CPU time leaves out the waits of a loaded machine: on idle cores the
        # wall-time ratio of one job comes close to the ratio of these.
        print("  CPU time per file (user + system): " + ", ".join(
            f"{name} {statistics.median(cpu[name]) / files * 1e6:.1f} us" for name, _ in commands))
        if have_strace and files <= args.strace_max:
            trace = os.path.join(args.work, "strace.txt")
            counts = []
            for name, argv in commands:
                if name.endswith("-j2") and not name.startswith("kestrel-cli"):
                    continue
                remove(out)
                counts.append(f"{name} {syscalls(argv, trace) / files:.1f}")
            remove(out)
            print("  system calls per file (strace -f -c): " + ", ".join(counts))
    sizes = sorted({files for _, files in per_file_us})
    if len(sizes) > 1:
        print(f"-- time per file, {sizes[-1]} files against {sizes[0]} (flat: about 1.0)")
        for name in sorted({name for name, _ in per_file_us}):
            if (name, sizes[0]) in per_file_us and (name, sizes[-1]) in per_file_us:
                print(f"  {name:16s} {per_file_us[(name, sizes[-1])] / per_file_us[(name, sizes[0])]:.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
