#!/usr/bin/env bash
# Builds the installer dist/setup.exe with NSIS from the Windows package dist/kovradesk/
# (tools/make-dist.sh makes it after the Windows build).
# Usage: tools/make-setup.sh [PACKAGE_DIR [SETUP_EXE]]
set -eu
cd "$(dirname "$0")/.."
dist=$(realpath -m "${1:-dist/kovradesk}")
out=$(realpath -m "${2:-dist/setup.exe}")

if ! command -v makensis >/dev/null; then
    echo "makensis is missing: install the Debian package nsis (tools/install-deps.sh)" >&2
    exit 1
fi
for f in kovradesk.exe rawconv.exe kovradesk_RUS.dll Setting.ini Language.txt; do
    if [ ! -f "$dist/$f" ]; then
        echo "$dist/$f is missing: build for Windows, then run tools/make-dist.sh" >&2
        exit 1
    fi
done
version=$(sed -n 's/^#define KOVRA_VERSION_TEXT "\(.*\)"$/\1/p' resources/resource.h)
[ -n "$version" ] || { echo "no version in resources/resource.h" >&2; exit 1; }

mkdir -p "$(dirname "$out")"
makensis -V2 -NOCD \
    -DDIST="$dist" -DOUTFILE="$out" -DVERSION="$version" -DICON="$PWD/resources/kovradesk.ico" \
    installer/kovradesk.nsi
echo "Installer: $out"
