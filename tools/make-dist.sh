#!/usr/bin/env bash
# Gathers the Windows package in dist/kovradesk/ from the Windows build: the programs and
# the files shipped beside them, whichever of them the build has produced.
set -eu
cd "$(dirname "$0")/.."
out=dist/kovradesk
rm -rf "$out"
mkdir -p "$out"
for f in kovradesk.exe rawconv.exe kovracli.exe kovradesk_RUS.dll; do
    found=$(find build/windows -name "$f" -not -path '*/CMakeFiles/*' -print -quit)
    [ -n "$found" ] && cp "$found" "$out/"
done
for f in Setting.ini Language.txt; do
    [ -f "resources/$f" ] && cp "resources/$f" "$out/"
done
echo "Windows package: $out/ ($(ls "$out" | tr '\n' ' '))"
