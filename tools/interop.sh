#!/usr/bin/env bash
# The slower interop stage: LibreOffice opens the template and the workbooks our library
# writes, and must see the same cells as our reader and python3-xlrd.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh interop
cmake --preset native >/dev/null
cmake --build build/native -j"$(nproc 2>/dev/null || echo 2)" --target kovracli
cli=build/native/cli/kovracli
/usr/bin/python3 tests/interop/check_template.py "$cli" resources/UserCustomizedTemplate.xls --libreoffice
/usr/bin/python3 tests/interop/written_files.py "$cli" . --libreoffice
for extra in tests/interop/libreoffice_*.sh; do
    [ -x "$extra" ] && "$extra" "$cli"
done
echo "interop: ok"
