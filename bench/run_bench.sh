#!/usr/bin/env bash
# Benchmark: builds a Release zel, writes the benchmark basins outside the
# repository and runs zel in each of them in batch (answers replayed, input
# from /dev/null), timed against a floor measured in the same run:
#
#   floor = read + write
#     read   cat <inputs> | wc -w, warm cache (the answers, the map, the DEM)
#     write  as many bytes as zel's outputs in that folder (the sum of the
#            sizes of the files a first, untimed zel run wrote), written in
#            4 MB chunks to one file in the same folder
#   (also printed: the same bytes written the way zel writes a large file,
#   each 32 MB handed to the disk and let go of by the page cache, and zel's
#   ratio to the read plus that write)
#
# Each round first times the floor, then zel; before each of the two the
# outputs and the floor file are removed, the file system synced and the
# machine left idle for a few seconds, so that every timed step starts from the
# same memory state.  (On a virtual machine the host takes freed pages back
# shortly after they are freed; without the pause the step that follows a
# removal writes into the warm pages the removal just freed, and the floor
# measured right after zel's outputs were removed came out up to three times
# faster than the same write a few seconds later.)  Printed per size:
# the best zel wall time and its spread over the rounds, zel's peak memory,
# the best read and best write (the floor is their sum) and the floor's
# spread, zel's ratio to the floor and the growth exponent between
# consecutive sizes (log(t2/t1) / log(c2/c1), c = basin squares).  Sizes that
# have a DEM are run twice, with and without the DEM statistics.
#
#   bench/run_bench.sh [--sizes 100,300,1000,2000] [--big] [--continental] [--rounds K] [--force]
#
#   --sizes        comma-separated sizes: n for n x n squares, WxH for W columns by H rows
#   --big          add the 4000 x 4000 basin (about 0.75 GB of map text)
#   --continental  add the 6000 x 5000 basin (about 1.4 GB of map text)
#   --rounds K     rounds of floor and zel per size (default 2)
#   --force        regenerate the basins even when they are up to date
#   --verbose      also print every round's times
# Environment: ZEL_BENCH_DIR (basins, default /tmp/zel-bench),
#              ZEL_BENCH_SETTLE (seconds idle before each timed step, default 5),
#              ZEL_BENCH_BUILD (build folder, default <repo>/build-bench),
#              ZEL_BIN (an existing zel to time instead of building one).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
bench=${ZEL_BENCH_DIR:-/tmp/zel-bench}
build=${ZEL_BENCH_BUILD:-$repo/build-bench}
sizes=100,300,1000,2000
rounds=2
verbose=0
gen_args=()
while [[ $# -gt 0 ]]; do
  case $1 in
    --big) gen_args+=(--big) ;;
    --continental) gen_args+=(--continental) ;;
    --sizes) sizes=$2; shift ;;
    --rounds) rounds=$2; shift ;;
    --force) gen_args+=(--force) ;;
    --verbose) verbose=1 ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
  shift
done
if ! [[ $rounds =~ ^[1-9][0-9]*$ ]]; then echo "--rounds needs a whole number of at least 1" >&2; exit 2; fi

log=$(mktemp)
made=$(mktemp)
trap 'rm -f "$log" "$made"' EXIT
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
cp "$log" "$made"

echo "== running zel, $rounds round(s) of floor and zel per size"
python3 - "$zel" "$made" "$rounds" "$verbose" <<'PY'
import ctypes, math, os, resource, subprocess, sys, tempfile, time

zel, made, rounds, verbose = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4] == "1"
gnu_time = os.path.exists("/usr/bin/time")
# what the generator writes; everything else in a basin folder is zel's or the floor's
INPUTS = {"zelm.map", "dem.r2s", "nca.r2s", "zel_responses.txt", "basin_par.csv", "class_combine.csv",
          "basin_gen_stamp.txt"}
FLOOR_FILE = "floor_write.bin"
CHUNK = 4 << 20
SETTLE = float(os.environ.get("ZEL_BENCH_SETTLE", "5"))

# "<folder> <size label> <cells>", one line per basin, from the generator
basins = []
for line in open(made):
    parts = line.rsplit(None, 2)
    if len(parts) == 3 and parts[2].isdigit():
        basins.append((parts[0], parts[1], int(parts[2])))


def clean(folder):
    """Removes zel's outputs and the floor file, syncs and waits, so that each
    timed step starts with no dirty pages of the step before and with the
    freed memory settled."""
    for name in os.listdir(folder):
        path = os.path.join(folder, name)
        if name not in INPUTS and os.path.isfile(path) and not os.path.islink(path):
            os.remove(path)
    os.sync()
    time.sleep(SETTLE)


def output_bytes(folder):
    return sum(os.path.getsize(os.path.join(folder, name)) for name in os.listdir(folder)
               if name not in INPUTS and os.path.isfile(os.path.join(folder, name)))


def time_read(folder, files):
    t = time.perf_counter()
    subprocess.run("cat " + " ".join(files) + " | wc -w", shell=True, cwd=folder,
                   stdout=subprocess.DEVNULL, check=True)
    return time.perf_counter() - t


try:
    _libc = ctypes.CDLL(None, use_errno=True)
    _libc.sync_file_range.argtypes = [ctypes.c_int, ctypes.c_int64, ctypes.c_int64, ctypes.c_uint]
except (OSError, AttributeError):
    _libc = None
STRETCH = 32 << 20


def time_write(folder, nbytes, hand_back=False):
    """Writes nbytes in CHUNK pieces. With hand_back, the way zel writes a
    large file: each 32 MB stretch is sent to disk when full and the page
    cache is asked to let go of the stretches before the last two."""
    buf = memoryview(bytes(CHUNK))
    t = time.perf_counter()
    with open(os.path.join(folder, FLOOR_FILE), "wb", buffering=0) as f:
        done = started = released = 0
        while done < nbytes:
            done += f.write(buf[:min(CHUNK, nbytes - done)])
            if hand_back and done - started >= STRETCH:
                _libc.sync_file_range(f.fileno(), started, done - started, 2)  # SYNC_FILE_RANGE_WRITE
                started = done
                if started - released >= 3 * STRETCH:
                    os.posix_fadvise(f.fileno(), released, started - STRETCH - released, os.POSIX_FADV_DONTNEED)
                    released = started - STRETCH
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
    log.close()
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


def spread(xs):
    return "%.0f%%" % (100.0 * (max(xs) - min(xs)) / min(xs)) if len(xs) > 1 and min(xs) > 0 else "-"


def measure(d, files):
    """A first zel run for the output size, then `rounds` of floor and zel."""
    clean(d)
    time_read(d, files)  # warm the cache
    rc, _wall, _peak = run_zel(d)
    res = {"rc": rc, "out": output_bytes(d), "zel": [], "peak": 0, "read": [], "write": [], "floor": [],
           "handed": []}
    if rc != 0:
        return res
    for _ in range(rounds):
        clean(d)
        r = time_read(d, files)
        w = time_write(d, res["out"])
        res["read"].append(r)
        res["write"].append(w)
        res["floor"].append(r + w)
        if _libc is not None:
            clean(d)
            res["handed"].append(time_write(d, res["out"], hand_back=True))
        clean(d)
        rc, wall, peak_kb = run_zel(d)
        if rc != 0:
            res["rc"] = rc
            return res
        res["zel"].append(wall)
        res["peak"] = max(res["peak"], peak_kb)
        if verbose:
            print("    round %d: read %.2f s, write %.2f s%s, zel %.2f s, %.0f MB" % (
                len(res["zel"]), r, w, ", handed back %.2f s" % res["handed"][-1] if res["handed"] else "",
                wall, peak_kb / 1024.0), flush=True)
    return res


head = ("%-9s %-3s %9s %8s %8s | %8s %6s %8s | %7s %7s %8s %6s | %9s %8s" % (
    "size", "dem", "cells", "in MB", "out MB", "zel s", "spread", "peak MB", "read s", "write s",
    "floor s", "spread", "zel/floor", "exponent"))
print(head)
print("-" * len(head))
runs = []
for folder, label, cells in basins:
    with_dem = os.path.exists(os.path.join(folder, "dem.r2s"))
    todo = [(folder, with_dem)] + ([(twin_without_dem(folder), False)] if with_dem else [])
    for d, dem in todo:
        files = ["zel_responses.txt", "zelm.map"] + (["dem.r2s"] if dem else [])
        in_mb = sum(os.path.getsize(os.path.join(d, f)) for f in files) / 1e6
        m = measure(d, files)
        run = {"label": label, "dem": dem, "cells": cells, "rc": m["rc"]}
        if m["rc"] != 0:
            print("%-9s %-3s %9d %8.1f   FAILED (exit %d), see %s/zel_console.log" % (
                label, "yes" if dem else "no", cells, in_mb, m["rc"], d), flush=True)
            tail = open(os.path.join(d, "zel_console.log"), errors="replace").read().split("\n")[-8:]
            print("      " + "\n      ".join(tail))
            runs.append(run)
            continue
        zel_s = min(m["zel"])
        floor_s = min(m["read"]) + min(m["write"])
        run.update(wall=zel_s, peak=m["peak"], ratio=zel_s / floor_s)
        prev = [r for r in runs if r["dem"] == dem and r["rc"] == 0]
        exp = "-"
        if prev and cells != prev[-1]["cells"]:
            exp = "%.2f" % (math.log(zel_s / prev[-1]["wall"]) / math.log(cells / prev[-1]["cells"]))
        print("%-9s %-3s %9d %8.1f %8.1f | %8.2f %6s %8.0f | %7.2f %7.2f %8.2f %6s | %9.2f %8s" % (
            label, "yes" if dem else "no", cells, in_mb, m["out"] / 1e6, zel_s, spread(m["zel"]),
            m["peak"] / 1024.0, min(m["read"]), min(m["write"]), floor_s, spread(m["floor"]),
            run["ratio"], exp), flush=True)
        if m["handed"]:
            h = min(m["handed"])
            print("%-13s the same bytes written as zel writes a large file (handed back to disk): %.2f s;"
                  " zel / (read + that) = %.2f" % ("", h, zel_s / (min(m["read"]) + h)), flush=True)
        runs.append(run)
print("(best of %d round(s); floor = best read + best write; spread = (slowest - fastest) / fastest;"
      % rounds)
print(" peak = the largest of the rounds; exponent against the previous size of the same kind;")
print(" the targets are judged against the floor of plain writes)")

print()
GB = 1024 * 1024  # KB in a GB


def target(label, dem, max_ratio, max_gb=None):
    what = "%s%s: ratio <= %.1f%s" % (label.replace("x", " x ") if "x" in label else label + " x " + label,
                                    " with the DEM" if dem else "", max_ratio,
                                    " and peak under %d GB" % max_gb if max_gb else "")
    r = next((r for r in runs if r["label"] == label and r["dem"] == dem), None)
    if r is None:
        print("target %-52s not run" % what)
    elif r["rc"] != 0:
        print("target %-52s MISSED (zel failed)" % what)
    else:
        ok = r["ratio"] <= max_ratio and (max_gb is None or r["peak"] < max_gb * GB)
        print("target %-52s %.2f%s  %s" % (what, r["ratio"], ", %.1f GB" % (r["peak"] / GB) if max_gb else "",
                                          "met" if ok else "MISSED"))


target("1000", True, 2.0)
target("2000", False, 2.0)
target("4000", False, 2.0, 5)
target("6000x5000", False, 2.5, 12)
if any(r["rc"] != 0 for r in runs):
    sys.exit(1)
PY
