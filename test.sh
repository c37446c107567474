#!/usr/bin/env bash
# Runs every test: native, under AddressSanitizer/UBSan, and the Windows build under Wine.
# Installs what is missing and builds first, so it works on a fresh clone.
set -u
cd "$(dirname "$0")"
tools/install-deps.sh || exit 1

jobs=$(nproc 2>/dev/null || echo 2)
status=0
summary=()
run_preset() {
    local preset=$1
    shift  # the rest: a command that ctest runs under (a display for Windows programs)
    echo "== $preset: configure and build"
    if ! cmake --preset "$preset" >/dev/null || ! cmake --build "build/$preset" -j"$jobs"; then
        summary+=("$preset: BUILD FAILED")
        status=1
        return
    fi
    echo "== $preset: tests"
    local log
    log=$("$@" ctest --test-dir "build/$preset" --output-on-failure -j"$jobs" 2>&1)
    local rc=$?
    echo "$log"
    summary+=("$preset: $(echo "$log" | grep -E 'tests passed' | tail -n 1)")
    [ $rc -eq 0 ] || status=1
}

run_preset native
run_preset asan
export KOVRA_WINEPREFIX=${KOVRA_WINEPREFIX:-$PWD/build/wineprefix}
# A Wine server left running without a display would refuse every window of this run.
WINEPREFIX=$KOVRA_WINEPREFIX wineserver -k 2>/dev/null || true
# Windows programs need an X display even when their windows stay hidden; the Wine session is
# started on it before the tests, apart from them.
run_preset windows xvfb-run -a -s '-screen 0 1280x1024x24' \
    sh -c 'tests/wine-run.sh --start-session && exec "$@"' sh
WINEPREFIX=$KOVRA_WINEPREFIX wineserver -k 2>/dev/null || true

echo
echo "== Summary"
printf '  %s\n' "${summary[@]}"
[ $status -eq 0 ] && echo "  ALL TESTS PASSED" || echo "  SOME TESTS FAILED"
exit $status
