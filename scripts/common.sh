# SPDX-License-Identifier: MIT
# Shared by the scripts: install what is missing, configure and build a preset.
# shellcheck shell=bash

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

PACKAGES=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-translations-l10n libgl-dev
    fonts-ipafont-gothic
)

# What the tests need beyond that: FUSE, for the pass-through the tests mount;
# the validators of the desktop file and the AppStream metadata.
TEST_PACKAGES=(fuse3 libfuse3-dev desktop-file-utils appstream)

# The Windows build from this machine: the cross compilers, wine to run the
# tests and the program, msitools for the MSI, a display for the window.
WINDOWS_PACKAGES=(
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
    qt6-base-dev-tools wine wine64 wixl msitools xvfb xauth osslsigncode openssl unzip
)

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

# prepare_wine_prefix DIR: a wine prefix of the build's own, as Windows 10,
# with the layout's font "ＭＳ Ｐゴシック" (and Windows' dialog font) standing
# for IPAPGothic in this prefix only; on Windows the font is there.
prepare_wine_prefix() {
    local prefix="$1"
    [ -f "$prefix/.hy3-ready" ] && return 0
    mkdir -p "$prefix"
    (
        export WINEPREFIX="$prefix" WINEARCH=win64 WINEDEBUG=-all LC_ALL=C.UTF-8
        export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
        unset DISPLAY
        wineboot -i >/dev/null 2>&1
        local version='HKLM\Software\Microsoft\Windows NT\CurrentVersion'
        wine reg add "$version" /v CurrentVersion /d 10.0 /f >/dev/null 2>&1
        wine reg add "$version" /v CurrentBuildNumber /d 19045 /f >/dev/null 2>&1
        wine reg add "$version" /v CurrentMajorVersionNumber /t REG_DWORD /d 10 /f >/dev/null 2>&1
        wine reg add "$version" /v ProductName /d "Windows 10 Pro" /f >/dev/null 2>&1
        local fonts='HKCU\Software\Wine\Fonts\Replacements'
        for face in "ＭＳ Ｐゴシック" "MS PGothic" "MS Shell Dlg" "MS Shell Dlg 2" "Segoe UI" "Tahoma"; do
            wine reg add "$fonts" /v "$face" /d "IPAPGothic" /f >/dev/null 2>&1
        done
        wineserver -w
    )
    touch "$prefix/.hy3-ready"
}

