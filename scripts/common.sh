# SPDX-License-Identifier: MIT
# Shared by the scripts: install what is missing, configure and build a preset.
# shellcheck shell=bash

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

PACKAGES=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-translations-l10n libgl-dev
    fonts-ipafont-gothic
)

# What the tests need beyond that: the Windows-only pieces are cross-compiled
# and run under wine.
TEST_PACKAGES=(g++-mingw-w64-x86-64-posix wine64)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_missing() {
    local missing=()
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        as_root apt-get update -qq
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

# build PRESET: configure and build with the preset of CMakePresets.json.
build() {
    (cd "$ROOT" && cmake --preset "$1" >/dev/null && cmake --build --preset "$1" --parallel "$(nproc)")
}
