#!/usr/bin/env bash
# Build the fuzz targets with clang and run each one briefly on its seed corpus.
#   fuzz/run_fuzz.sh                   every target, 30 s each
#   FUZZ_TIME=600 fuzz/run_fuzz.sh r2s one target, 10 minutes
# New inputs found along the way go to a scratch folder, not into the seed
# corpus; a crash leaves its input in that folder and fails the script.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${FUZZ_BUILD:-$root/build-fuzz}"
time_each="${FUZZ_TIME:-30}"
targets=("$@")
if ((${#targets[@]} == 0)); then
    targets=(free_format map_file responses par_file r2s class_combine)
fi

generator=()
command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)
cmake -S "$root/fuzz" -B "$build" "${generator[@]}" -DCMAKE_CXX_COMPILER="${FUZZ_CXX:-clang++}"
cmake --build "$build" --target $(printf 'fuzz_%s ' "${targets[@]}")

scratch="$(mktemp -d /tmp/zel_fuzz_run_XXXXXX)"
status=0
for t in "${targets[@]}"; do
    mkdir -p "$scratch/$t/new"
    echo "=== fuzz_$t (${time_each} s) ==="
    if ! "$build/fuzz_$t" -max_total_time="$time_each" -rss_limit_mb=2048 -timeout=20 \
        -print_final_stats=1 -artifact_prefix="$scratch/$t/" \
        "$scratch/$t/new" "$root/fuzz/corpus/$t" >"$scratch/$t/log" 2>&1; then
        echo "fuzz_$t FAILED; its log and input are in $scratch/$t/"
        tail -n 40 "$scratch/$t/log"
        status=1
        continue
    fi
    grep -E '^stat::number_of_executed_units|^Done' "$scratch/$t/log" || true
done
if ((status == 0)); then rm -rf "$scratch"; fi
exit $status
