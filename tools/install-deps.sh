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
    libxml2-utils gdal-bin                        # xmllint and ogrinfo: readers of our KML and GPX
    python3-cryptography                          # tools/sign-version: signing version files
    python3-pil                                   # drawing the skin images (tools/make_art.py)
    util-linux                                    # flock, used by the Wine runner
    locales                                       # English and Russian locales for Wine's code pages
)
if [ "${1:-}" = interop ]; then
    packages+=(libreoffice-calc-nogui catdoc)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# Windows programs under Wine take their ANSI code page from the locale: the tests run them in
# an English one (1252) and a Russian one (1251).
locales=(en_US.UTF-8 ru_RU.UTF-8)
missing_locales=()
for l in "${locales[@]}"; do
    locale -a 2>/dev/null | grep -qix "${l/UTF-8/utf8}" || missing_locales+=("$l")
done
[ ${#missing[@]} -eq 0 ] && [ ${#missing_locales[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "These Debian packages or locales are missing; as root, install and generate them:" >&2
    echo "  apt-get install -y --no-install-recommends ${missing[*]} locales" >&2
    echo "  and enable ${missing_locales[*]} in /etc/locale.gen, then run locale-gen" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
if [ ${#missing_locales[@]} -gt 0 ]; then
    for l in "${missing_locales[@]}"; do
        grep -qx "$l UTF-8" /etc/locale.gen 2>/dev/null || echo "$l UTF-8" >>/etc/locale.gen
    done
    locale-gen >/dev/null
fi
