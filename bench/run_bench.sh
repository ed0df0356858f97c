#!/usr/bin/env bash
# Benchmark: builds a Release zel, writes the benchmark basins outside the
# repository and runs zel in each of them in batch (answers replayed, input
# from /dev/null).  Prints per size: wall seconds, peak memory, input size,
# zel's time against a plain read of the same input files (cat | wc -w, timed
# in the same run) and the growth exponent between consecutive sizes
# (log(t2/t1) / log(n2/n1), n = basin squares).
#
#   bench/run_bench.sh [--big] [--sizes 100,300,1000,2000] [--force]
#
#   --big     add the 4000 x 4000 basin (about 1.5 GB of map text)
#   --sizes   comma-separated grid sizes
#   --force   regenerate the basins even when they are up to date
# Environment: ZEL_BENCH_DIR (basins, default /tmp/zel-bench),
#              ZEL_BENCH_BUILD (build folder, default <repo>/build-bench).
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

echo "== building Release zel in $build"
generator=()
if [[ ! -f $build/CMakeCache.txt ]] && command -v ninja >/dev/null; then generator=(-G Ninja); fi
cmake -S "$repo" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release -DZEL_TESTS=OFF >/dev/null
cmake --build "$build" --target zel >/dev/null

echo "== basins in $bench"
python3 "$repo/tools/basin_gen.py" bench "$bench" --sizes "$sizes" "${gen_args[@]}" >/dev/null

echo "== running zel"
python3 - "$build/zel" "$bench" "$sizes" <<'PY'
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


print("%6s %10s %10s %9s %10s %9s %9s %9s" % ("size", "cells", "input MB", "zel s", "peak MB",
                                              "read s", "zel/read", "exponent"))
results = []
for n in sizes:
    folder = os.path.join(root, "n%04d" % n)
    files = [f for f in ("zel_responses.txt", "zelm.map", "dem.r2s") if os.path.exists(os.path.join(folder, f))]
    size_mb = sum(os.path.getsize(os.path.join(folder, f)) for f in files) / 1e6
    cells = cells_of(folder)
    read_s = plain_read(folder, files)
    rc, wall, peak_kb = run_zel(folder)
    exp = "-"
    if rc == 0 and results and results[-1][3] == 0:
        c1, t1 = results[-1][1], results[-1][2]
        exp = "%.2f" % (math.log(wall / t1) / math.log(cells / c1))
    print("%6d %10d %10.1f %9.2f %10.1f %9.2f %9.1f %9s%s" % (
        n, cells, size_mb, wall, peak_kb / 1024.0, read_s, wall / read_s, exp,
        "" if rc == 0 else "   FAILED (exit %d), see %s/zel_console.log" % (rc, folder)), flush=True)
    if rc != 0:
        tail = open(os.path.join(folder, "zel_console.log"), errors="replace").read().split("\n")[-8:]
        print("      " + "\n      ".join(tail))
    results.append((n, cells, wall, rc, peak_kb))

print()
by = {r[0]: r for r in results}
if 1000 in by and by[1000][3] == 0:
    r = by[1000]
    print("target 1000x1000 under 10 s and 2 GB: %.2f s, %.0f MB  %s" % (
        r[2], r[4] / 1024.0, "met" if r[2] < 10 and r[4] < 2 * 1024 * 1024 else "MISSED"))
if 1000 in by and 2000 in by and by[1000][3] == 0 and by[2000][3] == 0:
    e = math.log(by[2000][2] / by[1000][2]) / math.log(by[2000][1] / by[1000][1])
    print("target growth exponent 1000->2000 at most 1.15: %.2f  %s" % (e, "met" if e <= 1.15 else "MISSED"))
if 4000 in by and by[4000][3] == 0:
    r = by[4000]
    print("target 4000x4000 under 12 GB: %.0f MB  %s" % (r[4] / 1024.0, "met" if r[4] < 12 * 1024 * 1024 else "MISSED"))
if any(r[3] != 0 for r in results):
    sys.exit(1)
PY
