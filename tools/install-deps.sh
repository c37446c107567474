#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are missing.
# Usage: tools/install-deps.sh [interop]   ("interop" adds LibreOffice for the slower stage)
set -eu

packages=(
    cmake make g++ clang libclang-rt-dev          # native build, sanitizers, fuzzing
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools
    wine wine64 xvfb xauth                        # running the Windows programs and tests
    xdotool                                       # driving the wizard in end-to-end tests
    nsis                                          # makensis: the installer setup.exe
    fonts-liberation fonts-dejavu-core            # Arial and Tahoma stand-ins with Cyrillic for Wine
    python3 python3-xlrd                          # independent reader of the files we write
    python3-pil                                   # drawing the skin images (tools/make_art.py)
    util-linux                                    # flock, used by the Wine runner
)
if [ "${1:-}" = interop ]; then
    packages+=(libreoffice-calc-nogui catdoc)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "These Debian packages are missing; install them as root, then run this again:" >&2
    echo "  apt-get install -y --no-install-recommends ${missing[*]}" >&2
    exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
