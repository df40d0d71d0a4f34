#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer and runs each for a bounded
# time. Any crash, sanitizer report, timeout or broken property fails the run;
# the input that caused it is left in the build folder's findings/.
#   FUZZ_SECONDS   seconds per target (default 40)
#   FUZZ_BUILD_DIR where to build (default build-fuzz beside fuzz/)
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=${FUZZ_BUILD_DIR:-$here/../build-fuzz}
seconds=${FUZZ_SECONDS:-40}
compiler=${FUZZ_CXX:-$(command -v clang++-14 || command -v clang++ || true)}
if [ -z "$compiler" ]; then
    echo "fuzz: clang++ is needed (Debian: clang-14 libclang-rt-14-dev)" >&2
    exit 1
fi

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER="$compiler" >/dev/null
cmake --build "$build"

targets=(fuzz_FileNames fuzz_JoinPath fuzz_WildcardPattern fuzz_Matching fuzz_TrashInfo fuzz_FileFormat
         fuzz_FocusPoint)
failed=()
for target in "${targets[@]}"; do
    # The seeds stay as they are in the source tree; what the fuzzer finds
    # to add goes into a working corpus in the build folder.
    corpus=$build/corpus/$target
    findings=$build/findings/$target
    mkdir -p "$corpus" "$findings"
    cp -n "$here/corpus/$target/"* "$corpus/" 2>/dev/null || true
    echo "== $target: ${seconds} s"
    if ! "$build/$target" "$corpus" \
        -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
        -artifact_prefix="$findings/" -print_final_stats=1 2>"$build/$target.log"; then
        tail -n 40 "$build/$target.log" >&2
        failed+=("$target")
    else
        grep -E '^(stat::number_of_executed_units|#[0-9]+.*DONE)' "$build/$target.log" || true
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzz: findings in ${failed[*]} (inputs in $build/findings/)" >&2
    exit 1
fi
echo "fuzz: no findings"
