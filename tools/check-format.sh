#!/usr/bin/env bash
# Fails when a C++ file of the project differs from .clang-format; prints the
# files that do. With --fix, formats them in place instead.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
formatter=$(command -v clang-format-14 || command -v clang-format || true)
if [ -z "$formatter" ]; then
    echo "check-format: clang-format is needed (Debian: clang-format)" >&2
    exit 1
fi
mapfile -t sources < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
    "$formatter" -i "${sources[@]}"
    exit 0
fi
unformatted=()
for source in "${sources[@]}"; do
    "$formatter" --dry-run --Werror "$source" >/dev/null 2>&1 || unformatted+=("$source")
done
if [ ${#unformatted[@]} -gt 0 ]; then
    echo "These files differ from .clang-format (tools/check-format.sh --fix formats them):" >&2
    printf '  %s\n' "${unformatted[@]}" >&2
    exit 1
fi
echo "check-format: ${#sources[@]} files as .clang-format has them"
