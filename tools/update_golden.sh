#!/usr/bin/env bash
# Regenerates the expected outputs of the golden basins (tests/golden/<name>/expected/)
# from the built zel. The golden tests compare every output byte for byte, so running
# this script is a deliberate act: run it only after a change in the outputs that you
# meant, then read the diff (git diff tests/golden) line by line before committing it.
#
#   tools/update_golden.sh [build-folder]      (default: build; zel must be built there)
#
# Each basin runs in a scratch copy of its inputs with standard input from /dev/null.
# Every file the run writes is stored, plus console.txt (standard output) and
# status.txt (exit status). Date and time lines are masked, the same way the test
# masks them: ":CreationDate" in r2c files, ":Created" in new_format.shd. The
# overview picture (zel_overview.svg) is neither stored nor compared.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
case $build in /*) ;; *) build=$root/$build ;; esac
zel=$build/zel
[ -x "$zel" ] || { echo "no zel at $zel - build it first" >&2; exit 1; }

# Outputs not stored; keep in step with kNotCompared in tests/e2e/golden_test.cpp.
not_compared=(zel_overview.svg)

# Basin name and its input folder; keep in step with tests/e2e/golden_test.cpp.
basins=(
    "demo $root/examples/demo"
    "latlong $root/tests/golden/latlong/input"
    "nca2 $root/tests/golden/nca2/input"
)

mask() {  # mask FILE-NAME < in > out
    case $1 in
        *.r2c) sed -E 's/^(:CreationDate)([[:space:]].*)?$/\1 <masked>/' ;;
        new_format.shd) sed -E 's/^(:Created)([[:space:]].*)?$/\1 <masked>/' ;;
        *) cat ;;
    esac
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

for entry in "${basins[@]}"; do
    read -r name input <<<"$entry"
    work=$scratch/$name
    out=$root/tests/golden/$name/expected
    mkdir -p "$work"
    cp -p "$input"/* "$work"/
    status=0
    (cd "$work" && "$zel" </dev/null >"$scratch/$name.console" 2>"$scratch/$name.err") || status=$?
    if [ -s "$scratch/$name.err" ]; then
        echo "$name: zel wrote to standard error:" >&2
        cat "$scratch/$name.err" >&2
        exit 1
    fi
    rm -rf "$out"
    mkdir -p "$out"
    for f in "$work"/*; do
        base=$(basename "$f")
        if [ -e "$input/$base" ]; then
            cmp -s "$f" "$input/$base" || { echo "$name: the run changed its input $base" >&2; exit 1; }
            continue
        fi
        [[ " ${not_compared[*]} " == *" $base "* ]] && continue
        mask "$base" <"$f" >"$out/$base"
    done
    cp "$scratch/$name.console" "$out/console.txt"
    echo "$status" >"$out/status.txt"
    echo "$name: status $status, $(ls "$out" | wc -l) files in ${out#$root/}"
done
