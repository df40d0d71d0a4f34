#!/usr/bin/env bash
# Sets Quorvel up on a fresh Debian 12 machine.
#   ./setup.sh run    install what is missing, build, and start Quorvel in the current folder
#   ./setup.sh test   install what is missing, build, and run every test
#   ./setup.sh package  install what is missing, build, and make build/quorvel_<version>_<arch>.deb
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
mode=${1:-run}
jobs=$(nproc)

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-image-formats-plugins libgl-dev fonts-dejavu-core
    libraw-dev libexiv2-dev libxcb1-dev liblcms2-dev libjpeg-dev libxxhash-dev
)
test_packages=(
    xvfb xauth xdotool x11-utils imagemagick trash-cli
    libjpeg-dev libjpeg-turbo-progs desktop-file-utils appstream
    clang-14 libclang-rt-14-dev clang-format util-linux
    dpkg-dev file lintian man-db liblcms2-utils
)
# cpack's DEB generator reads the run-time dependencies off the binary with
# dpkg-shlibdeps, and finds the binaries to read with file.
package_packages=(dpkg-dev file)

install_missing() {
    local missing=()
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
            || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# cmake reads its presets from the folder it runs in, so configuring and
# building happen in the source folder; the caller's folder is left as it was,
# and Quorvel starts in it.
build() {
    local preset=$1
    (
        cd "$here"
        cmake --preset "$preset" >/dev/null
        cmake --build --preset "$preset" -j "$jobs"
    )
}

case "$mode" in
run)
    install_missing "${packages[@]}"
    build default
    exec "$here/build/quorvel"
    ;;
test)
    install_missing "${packages[@]}" "${test_packages[@]}"
    "$here/tools/check-format.sh"
    build default
    (cd "$here" && ctest --preset default)
    # The whole suite again with AddressSanitizer and UndefinedBehaviorSanitizer;
    # their options are the tests' own, set where the tests are registered.
    build sanitize
    (cd "$here" && ctest --preset sanitize)
    if [ -x "$here/fuzz/run.sh" ]; then
        "$here/fuzz/run.sh"
    fi
    ;;
package)
    install_missing "${packages[@]}" "${package_packages[@]}"
    build default
    cmake --build "$here/build" --target package
    ;;
*)
    echo "usage: $0 run|test|package" >&2
    exit 2
    ;;
esac
