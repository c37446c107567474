#!/usr/bin/env bash
# Runs a Windows executable under Wine with the project's private prefix, quietly, without
# crash dialogs or Mono/Gecko installers. Used by ctest as the cross-compiling emulator.
set -eu
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${KOVRA_WINEPREFIX:-$here/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    (
        flock 9
        if [ ! -f "$WINEPREFIX/system.reg" ]; then
            wineboot --init >/dev/null 2>&1 || true
            wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
                >/dev/null 2>&1 || true
            wineserver -w
        fi
    ) 9>"$WINEPREFIX.lock"
fi
# A test whose programs start console programs (the converter) leaves Wine's console host and
# services holding this script's output, and ctest would wait for them for ever. Such a test
# runs alone (RUN_SERIAL) with KOVRA_WINE_END_SESSION=1: the Wine session ends with it.
if [ "${KOVRA_WINE_END_SESSION:-}" = 1 ]; then
    status=0
    wine "$@" || status=$?
    wineserver -k 2>/dev/null || true
    exit $status
fi
exec wine "$@"
