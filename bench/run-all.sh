#!/bin/sh
# Builds the benchmarks if need be, runs each at full size and prints one
# table of their rows: what was measured, our figure, the floor measured in
# the same run, their ratio, the goal and whether it was met.
#
#   bench/run-all.sh [build-dir]      (default: build-bench beside this folder)
#
# Every benchmark runs on the offscreen platform with a home, data folder and
# runtime folder of its own in a scratch folder, so nothing reaches the real
# home or trash. Their files go to $TMPDIR (default /tmp): set it to measure on
# another disk. Each benchmark's full output is kept in <build-dir>/bench-results/.
# bench_import writes a card of 2 GB and two copies of it there: keep 7 GB free.
set -eu

source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-$source_dir/build-bench}

if [ ! -f "$build_dir/CMakeCache.txt" ]; then
    generator=
    command -v ninja >/dev/null 2>&1 && generator="-G Ninja"
    # shellcheck disable=SC2086
    cmake -S "$source_dir" -B "$build_dir" $generator -DCMAKE_BUILD_TYPE=Release \
        -DQUORVEL_BUILD_TESTS=OFF >/dev/null
fi

benchmarks=
for source in "$source_dir"/bench/bench_*.cpp; do
    name=$(basename "$source" .cpp)
    benchmarks="$benchmarks $name"
done
# shellcheck disable=SC2086
cmake --build "$build_dir" --target $benchmarks >/dev/null

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT INT TERM
mkdir -p "$scratch/home/.local/share" "$scratch/runtime"
chmod 700 "$scratch/runtime"
results=$build_dir/bench-results
mkdir -p "$results"

failed=
: >"$scratch/rows"
for name in $benchmarks; do
    echo "running $name..." >&2
    if ! env HOME="$scratch/home" XDG_DATA_HOME="$scratch/home/.local/share" \
        XDG_RUNTIME_DIR="$scratch/runtime" QT_QPA_PLATFORM=offscreen \
        "$build_dir/bench/$name" >"$results/$name.txt" 2>"$results/$name.err"; then
        failed="$failed $name"
    fi
    grep '^| ' "$results/$name.txt" >>"$scratch/rows" || true
done

echo
echo "| what | ours | floor (same run) | ratio | goal | met |"
echo "|---|---:|---:|---:|---|---|"
cat "$scratch/rows"
echo
echo "Full output of each benchmark: $results/"
if [ -n "$failed" ]; then
    echo "Failed:$failed (see their .err files)" >&2
    exit 1
fi
