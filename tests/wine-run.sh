#!/usr/bin/env bash
# Runs a Windows executable under Wine with the project's private prefix, quietly, without
# crash dialogs or Mono/Gecko installers. Used by ctest as the cross-compiling emulator.
#   wine-run.sh --start-session   starts the prefix's Wine session (its server and services)
#                                 apart from any caller's output, and keeps it until killed
set -eu
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${KOVRA_WINEPREFIX:-$here/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# No window manager runs under Xvfb: the unit tests' windows are placed by Wine itself
# ("Managed"=N for that program), so that a window that is hidden is gone at once instead of
# after two seconds of waiting for a manager's word. The wizard and the installer of the
# end-to-end scenarios stay as users see them.
unmanaged() {
    wine reg add "HKCU\\Software\\Wine\\AppDefaults\\$1\\X11 Driver" /v Managed /t REG_SZ /d N /f \
        </dev/null >/dev/null 2>&1 || true
}
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
# The services a Wine session starts keep the output of the program that started them open,
# and ctest waits for a test's output to end: a session started apart keeps them off the tests.
start_session() {
    wineserver -p </dev/null >/dev/null 2>&1
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}
if [ "${1:-}" = --start-session ]; then
    start_session
    exit 0
fi
case "${1:-}" in
    *_test.exe) unmanaged "$(basename "$1")" ;;
esac
# A test whose programs start console programs (the converter) leaves Wine's console host
# holding this script's output, and ctest would wait for it for ever. Such a test runs alone
# (RUN_SERIAL) with KOVRA_WINE_END_SESSION=1: the Wine session ends with it, and a new one is
# started apart for the tests after it.
if [ "${KOVRA_WINE_END_SESSION:-}" = 1 ]; then
    status=0
    wine "$@" || status=$?
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    start_session
    exit $status
fi
exec wine "$@"
