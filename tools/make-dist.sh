#!/usr/bin/env bash
# Gathers the Windows package in dist/kovradesk/ from the Windows build: the programs and
# the files shipped beside them. Each comes from its own target's folder (the tests build
# other copies of the wizard, which must never be shipped); a missing one fails the package.
set -eu
cd "$(dirname "$0")/.."
out=dist/kovradesk
rm -rf "$out"
mkdir -p "$out"
for f in build/windows/kovradesk/kovradesk.exe build/windows/rawconv/rawconv.exe \
         build/windows/cli/kovracli.exe build/windows/resources/kovradesk_RUS.dll \
         resources/Setting.ini resources/Language.txt; do
    if [ ! -f "$f" ]; then
        echo "make-dist: $f is missing; build the Windows preset first" >&2
        exit 1
    fi
    cp "$f" "$out/"
done
echo "Windows package: $out/ ($(ls "$out" | tr '\n' ' '))"
