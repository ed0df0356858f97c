#!/usr/bin/env bash
# Benchmark: builds a Release zel, writes the benchmark basins outside the
# repository and runs zel in each of them in batch (answers replayed, input
# from /dev/null).  Prints per size: wall seconds, peak memory, input size,
# zel's time against a plain read of the same input files (cat | wc -w, timed
# in the same run) and the growth exponent between consecutive sizes
# (log(t2/t1) / log(n2/n1), n = basin squares).  Sizes that have a DEM are
# run twice, with and without the DEM statistics, so that the exponent always
# compares like runs.
#
#   bench/run_bench.sh [--big] [--sizes 100,300,1000,2000] [--force]
#
#   --big     add the 4000 x 4000 basin (about 1.5 GB of map text)
#   --sizes   comma-separated grid sizes
#   --force   regenerate the basins even when they are up to date
# Environment: ZEL_BENCH_DIR (basins, default /tmp/zel-bench),
#              ZEL_BENCH_BUILD (build folder, default <repo>/build-bench),
#              ZEL_BIN (an existing zel to time instead of building one).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
bench=${ZEL_BENCH_DIR:-/tmp/zel-bench}
build=${ZEL_BENCH_BUILD:-$repo/build-bench}
sizes=100,300,1000,2000
gen_args=()
while [[ $# -gt 0 ]]; do
  case $1 in
    --big) gen_args+=(--big); big=1 ;;
    --sizes) sizes=$2; shift ;;
    --force) gen_args+=(--force) ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
  shift
done
if [[ -n ${big:-} && ,$sizes, != *,4000,* ]]; then sizes=$sizes,4000; fi

log=$(mktemp)
trap 'rm -f "$log"' EXIT
quiet() { "$@" >"$log" 2>&1 || { cat "$log" >&2; echo "failed: $*" >&2; exit 1; }; }

zel=${ZEL_BIN:-}
if [[ -z $zel ]]; then
  echo "== building Release zel in $build"
  generator=()
  if [[ ! -f $build/CMakeCache.txt ]] && command -v ninja >/dev/null; then generator=(-G Ninja); fi
  quiet cmake -S "$repo" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release -DZEL_TESTS=OFF
  quiet cmake --build "$build" --target zel
  zel=$build/zel
fi
zel=$(cd "$(dirname "$zel")" && pwd)/$(basename "$zel")

echo "== basins in $bench"
quiet python3 "$repo/tools/basin_gen.py" bench "$bench" --sizes "$sizes" "${gen_args[@]}"

echo "== running zel"
python3 - "$zel" "$bench" "$sizes" <<'PY'
import math, os, resource, subprocess, sys, tempfile, time

zel, root, sizes = sys.argv[1], sys.argv[2], [int(s) for s in sys.argv[3].split(",") if s]
gnu_time = os.path.exists("/usr/bin/time")


def cells_of(folder):
    for line in open(os.path.join(folder, "basin_gen_stamp.txt")):
        if line.startswith("cells "):
            return int(line.split()[1])
    raise SystemExit("no cell count in " + folder)


def plain_read(folder, files):
    cmd = "cat " + " ".join(files) + " | wc -w"
    subprocess.run(cmd, shell=True, cwd=folder, stdout=subprocess.DEVNULL, check=True)  # warm the cache
    t = time.perf_counter()
    subprocess.run(cmd, shell=True, cwd=folder, stdout=subprocess.DEVNULL, check=True)
    return time.perf_counter() - t


def run_zel(folder):
    log = open(os.path.join(folder, "zel_console.log"), "w")
    if gnu_time:
        with tempfile.NamedTemporaryFile("r", suffix=".time") as tf:
            t = time.perf_counter()
            rc = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", tf.name, zel], cwd=folder,
                                stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT).returncode
            wall = time.perf_counter() - t
            lines = [ln for ln in open(tf.name).read().split("\n") if ln.strip()]
            peak_kb = int(lines[-1]) if lines and lines[-1].strip().isdigit() else -1
    else:
        # ru_maxrss of waited children: the largest child so far, which is zel
        # since the sizes run in increasing order
        t = time.perf_counter()
        rc = subprocess.run([zel], cwd=folder, stdin=subprocess.DEVNULL, stdout=log,
                            stderr=subprocess.STDOUT).returncode
        wall = time.perf_counter() - t
        peak_kb = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
    return rc, wall, peak_kb


def twin_without_dem(folder):
    """The same basin with the DEM statistics turned off, so that growth is
    also measured on like runs across the sizes with and without a DEM."""
    twin = folder + "_nodem"
    os.makedirs(twin, exist_ok=True)
    link = os.path.join(twin, "zelm.map")
    if not os.path.lexists(link):
        os.symlink(os.path.join(folder, "zelm.map"), link)
    lines = open(os.path.join(folder, "zel_responses.txt")).read().split("\n")
    lines[13] = lines[13][:30] + "n"
    open(os.path.join(twin, "zel_responses.txt"), "w").write("\n".join(lines))
    for f in ("basin_gen_stamp.txt",):
        open(os.path.join(twin, f), "w").write(open(os.path.join(folder, f)).read())
    return twin


print("%6s %-7s %10s %10s %9s %10s %9s %9s %9s" % ("size", "dem", "cells", "input MB", "zel s", "peak MB",
                                                   "read s", "zel/read", "exponent"))
runs = []
for n in sizes:
    folder = os.path.join(root, "n%04d" % n)
    with_dem = os.path.exists(os.path.join(folder, "dem.r2s"))
    todo = [(folder, with_dem)] + ([(twin_without_dem(folder), False)] if with_dem else [])
    for d, dem in todo:
        files = ["zel_responses.txt", "zelm.map"] + (["dem.r2s"] if dem else [])
        size_mb = sum(os.path.getsize(os.path.join(d, f)) for f in files) / 1e6
        cells = cells_of(d)
        read_s = plain_read(d, files)
        rc, wall, peak_kb = run_zel(d)
        prev = [r for r in runs if r["dem"] == dem]
        exp = "-"
        if rc == 0 and prev and prev[-1]["rc"] == 0:
            exp = "%.2f" % (math.log(wall / prev[-1]["wall"]) / math.log(cells / prev[-1]["cells"]))
        print("%6d %-7s %10d %10.1f %9.2f %10.1f %9.2f %9.1f %9s%s" % (
            n, "yes" if dem else "no", cells, size_mb, wall, peak_kb / 1024.0, read_s, wall / read_s, exp,
            "" if rc == 0 else "   FAILED (exit %d), see %s/zel_console.log" % (rc, d)), flush=True)
        if rc != 0:
            tail = open(os.path.join(d, "zel_console.log"), errors="replace").read().split("\n")[-8:]
            print("      " + "\n      ".join(tail))
        runs.append({"n": n, "dem": dem, "cells": cells, "wall": wall, "rc": rc, "peak": peak_kb})
print("(exponent: against the previous size of the same kind, with or without the DEM)")

print()
ok = lambda n, dem: next((r for r in runs if r["n"] == n and r["dem"] == dem and r["rc"] == 0), None)
r = ok(1000, True)
if r:
    print("target 1000x1000 with the DEM under 10 s and 2 GB: %.2f s, %.0f MB  %s" % (
        r["wall"], r["peak"] / 1024.0, "met" if r["wall"] < 10 and r["peak"] < 2 * 1024 * 1024 else "MISSED"))
a, b = ok(1000, False), ok(2000, False)
if a and b:
    e = math.log(b["wall"] / a["wall"]) / math.log(b["cells"] / a["cells"])
    print("target growth exponent 1000->2000 (no DEM) at most 1.15: %.2f  %s" % (e, "met" if e <= 1.15 else "MISSED"))
r = ok(4000, False)
if r:
    print("target 4000x4000 under 12 GB: %.0f MB  %s" % (
        r["peak"] / 1024.0, "met" if r["peak"] < 12 * 1024 * 1024 else "MISSED"))
if any(r["rc"] != 0 for r in runs):
    sys.exit(1)
PY
