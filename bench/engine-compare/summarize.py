"""Prints the engine comparison of scripts/bench.sh from the result files of
engine_bench (times), engine_peak and callgrind: usage summarize.py <folder>
<base revision>."""
import glob
import os
import sys

folder, base_rev = sys.argv[1], sys.argv[2]


def best_times(which):
    """The lowest value of every metric over the runs (times: less is
    better; rates: more is better)."""
    best = {}
    for path in glob.glob(os.path.join(folder, f"{which}-*.txt")):
        for line in open(path):
            name, value = line.split()
            value = float(value)
            if name not in best:
                best[name] = value
            elif name.endswith("_per_s"):
                best[name] = max(best[name], value)
            else:
                best[name] = min(best[name], value)
    return best


def read_pairs(path):
    return {k: float(v) for k, v in (line.split() for line in open(path))}


base, lean = best_times("base"), best_times("lean")
print(f"small tree: {int(lean['small_files'])} files, {lean['small_bytes'] / lean['small_files']:.0f} bytes average")
print(f"{'':22s} {'engine ' + base_rev:>18s} {'this engine':>14s} {'speed-up':>9s}")


def row(label, name, unit, fmt="{:.1f}"):
    b, l = base[name], lean[name]
    print(f"{label:22s} {fmt.format(b) + ' ' + unit:>18s} {fmt.format(l) + ' ' + unit:>14s} {b / l:8.2f}x")


def rate_row(label, name):
    b, l = base[name], lean[name]
    print(f"{label:22s} {b:13.1f} MB/s {l:9.1f} MB/s {l / b:8.2f}x")


row("small files", "small_ns_per_file", "ns/file", "{:.0f}")
rate_row("small files", "small_mb_per_s")
for fmt in (0, 1):
    row(f"1M events, format {fmt}", f"f{fmt}_1M_ms", "ms", "{:.2f}")
    rate_row(f"1M events, format {fmt}", f"f{fmt}_1M_mb_per_s")
print("targets: small files at least 4x, 1M events at least 3x in both formats")
print("growth 100k -> 1M events (target: at most 10.5x)")
for fmt in (0, 1):
    g_base = base[f"f{fmt}_1M_ms"] / base[f"f{fmt}_100k_ms"]
    g_lean = lean[f"f{fmt}_1M_ms"] / lean[f"f{fmt}_100k_ms"]
    print(f"  format {fmt}: engine {base_rev} {g_base:5.2f}x   this engine {g_lean:5.2f}x")
print("peak heap of one 1M-event conversion (target: not above the old engine's)")
for fmt in (0, 1):
    b = read_pairs(os.path.join(folder, f"peak-base-f{fmt}.txt"))
    l = read_pairs(os.path.join(folder, f"peak-lean-f{fmt}.txt"))
    print(f"  format {fmt}: input {b['input_bytes'] / 1e6:.1f} MB   engine {base_rev} {b['peak_heap_bytes'] / 1e6:6.1f} MB"
          f"   this engine {l['peak_heap_bytes'] / 1e6:6.1f} MB   ({l['peak_heap_bytes'] / b['peak_heap_bytes']:.2f}x)")
ir = {}
for which in ("base", "lean"):
    for case in ("small", "f0", "f1"):
        path = os.path.join(folder, f"ir-{which}-{case}.txt")
        if os.path.exists(path) and open(path).read().strip():
            ir[which, case] = int(open(path).read().split()[0])
if ir:
    print("instructions executed by the conversions (callgrind; independent of the load)")
    for case, label in (("small", "small tree, one pass"), ("f0", "1M events, format 0"), ("f1", "1M events, format 1")):
        if ("base", case) in ir and ("lean", case) in ir:
            b, l = ir["base", case], ir["lean", case]
            print(f"  {label:22s} engine {base_rev} {b / 1e6:8.1f} M   this engine {l / 1e6:8.1f} M   {b / l:6.2f}x fewer")
