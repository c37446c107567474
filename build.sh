#!/usr/bin/env bash
# Installs what is missing, builds the Linux tools, the Windows package and its installer, and
# runs the converter's pipeline on the bundled samples.
set -eu
cd "$(dirname "$0")"
tools/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
echo "== Linux build (build/native)"
cmake --preset native >/dev/null
cmake --build build/native -j"$jobs"
echo "== Windows build (build/windows)"
cmake --preset windows >/dev/null
cmake --build build/windows -j"$jobs"
tools/make-dist.sh
tools/make-setup.sh

echo "== Samples"
tools/run-samples.sh
