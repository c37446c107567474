#!/usr/bin/env bash
# The installer end to end under Wine: setup.exe built by tools/make-setup.sh from a package of
# this build, installed silently into a folder of the test's own, checked, installed once more
# over itself (as an update does), and uninstalled silently, which keeps the user's files.
# Usage: installer_test.sh WORK_DIR kovradesk.exe rawconv.exe kovradesk_RUS.dll
# Exit 77 (skipped) when makensis is not installed.
set -eu
here=$(cd "$(dirname "$0")/../.." && pwd)
work=$1
shift
if ! command -v makensis >/dev/null; then
    echo "makensis is not installed: skipped"
    exit 77
fi

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

rm -rf "$work"
mkdir -p "$work/dist/kovradesk"
cp "$@" "$here/resources/Setting.ini" "$here/resources/Language.txt" "$work/dist/kovradesk/"
"$here/tools/make-setup.sh" "$work/dist/kovradesk" "$work/dist/setup.exe" >/dev/null
[ -f "$work/dist/setup.exe" ] || fail "no setup.exe"

# Menu entries must not reach the desktop this test runs on.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
wine_run() { "$here/tests/wine-run.sh" "$@"; }
prefix=${KOVRA_WINEPREFIX:-$here/build/wineprefix}

# NSIS takes /D= only unquoted, so the folder has no blanks.
target="$work/KovraConverter"
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\KovraConverter'
setup_key='HKCU\Software\Orvel Systems Inc.\Kovra Converter Setup'

# A failed check leaves an installation behind, whose keys would send the next installer (the
# update scenario's) into this test's folder: take it all away again.
leave_prefix_clean() {
    local status=$?
    set +e
    [ $status -eq 0 ] && return
    for dir in "$target" "$work/Fresh"; do
        [ -f "$dir/uninstall.exe" ] && wine_run "$dir/uninstall.exe" /S >/dev/null 2>&1
    done
    sleep 5
    wine_run reg delete "$key" /f >/dev/null 2>&1
    wine_run reg delete "$setup_key" /f >/dev/null 2>&1
    find "$prefix/drive_c/users" -path '*Start Menu/Programs/Kovra Converter' -prune \
        -exec rm -rf {} + 2>/dev/null
    exit $status
}
trap leave_prefix_clean EXIT
install() { wine_run "$work/dist/setup.exe" /S "/D=Z:${target//\//\\}"; }
install || fail "setup.exe /S returned $?"

for f in kovradesk.exe rawconv.exe kovradesk_RUS.dll Setting.ini Language.txt uninstall.exe; do
    [ -f "$target/$f" ] || fail "$f not installed"
done
for d in History Template; do
    [ -d "$target/$d" ] || fail "folder $d not created"
done
for f in kovradesk.exe rawconv.exe kovradesk_RUS.dll Setting.ini Language.txt; do
    cmp -s "$target/$f" "$work/dist/kovradesk/$f" || fail "installed $f differs from the package's"
done
link=$(find "$prefix/drive_c/users" -path '*Start Menu/Programs/Kovra Converter/Kovra Converter.lnk' |
    head -n 1)
[ -n "$link" ] || fail "no Start-menu shortcut"
menu=$(dirname "$link")
wine_run reg query "$key" /v UninstallString 2>/dev/null | grep -q 'uninstall.exe' ||
    fail "no uninstall entry"

# An update runs the installer without a folder: it goes where the program is, and the user's
# files stay.
echo "user's conversion" >"$target/History/BaseFile_20260101-120000.xls"
echo "user's template" >"$target/Template/UserCustomizedTemplate.xls"
echo "stale" >"$target/kovradesk.exe"
wine_run "$work/dist/setup.exe" /S || fail "second setup.exe /S returned $?"
cmp -s "$target/kovradesk.exe" "$work/dist/kovradesk/kovradesk.exe" || fail "update did not replace"
[ -f "$target/History/BaseFile_20260101-120000.xls" ] || fail "update lost the user's History"

# The uninstaller copies itself away and returns at once: wait for its work.
wine_run "$target/uninstall.exe" /S || fail "uninstall.exe /S returned $?"
for _ in $(seq 1 60); do
    [ -e "$target/uninstall.exe" ] || break
    sleep 1
done
for f in kovradesk.exe rawconv.exe kovradesk_RUS.dll Setting.ini Language.txt uninstall.exe; do
    [ ! -e "$target/$f" ] || fail "$f left after uninstall"
done
[ ! -e "$menu" ] || fail "Start-menu folder left after uninstall"
! wine_run reg query "$key" >/dev/null 2>&1 || fail "uninstall entry left"
cmp -s <(echo "user's conversion") "$target/History/BaseFile_20260101-120000.xls" ||
    fail "uninstall removed the user's History"
cmp -s <(echo "user's template") "$target/Template/UserCustomizedTemplate.xls" ||
    fail "uninstall removed the user's template"

# Nothing of the user's: everything goes.
wine_run "$work/dist/setup.exe" /S "/D=Z:${work//\//\\}\\Fresh" || fail "third setup.exe"
wine_run "$work/Fresh/uninstall.exe" /S || fail "second uninstall.exe"
for _ in $(seq 1 60); do
    [ -e "$work/Fresh" ] || break
    sleep 1
done
[ ! -e "$work/Fresh" ] || fail "empty program folder left after uninstall: $(ls -R "$work/Fresh")"
# Its keys go last: until they have, a later installer would take the folder named there.
for _ in $(seq 1 60); do
    wine_run reg query "$setup_key" >/dev/null 2>&1 || wine_run reg query "$key" >/dev/null 2>&1 || break
    sleep 1
done
! wine_run reg query "$setup_key" >/dev/null 2>&1 || fail "the setup key left after uninstall"
echo "installer: all checks passed"
