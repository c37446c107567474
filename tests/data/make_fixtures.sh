#!/usr/bin/env bash
# Regenerates the workbook fixtures of the BIFF tests (tests/data/xls/) with LibreOffice and
# SheetJS. SheetJS is installed from npm into build/sheetjs (ignored by git) when missing.
# With --bench OUT.xls it writes the 65,535-row camera workbook used by the benchmarks.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
modules=$root/build/sheetjs/node_modules
if [ ! -d "$modules/xlsx" ]; then
    mkdir -p "$root/build/sheetjs"
    (cd "$root/build/sheetjs" && npm install --no-audit --no-fund --silent xlsx@0.18.5 >/dev/null)
fi
exec python3 "$root/tests/data/make_xls_fixtures.py" "$root/tests/data/xls" "$modules" "$@"
