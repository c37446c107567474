#!/usr/bin/env bash
# Times `kovracli dump-xls FILE >/dev/null` against catdoc's xls2csv and python3-xlrd reading
# every cell, on a 65,535-row x 7-column camera workbook written by LibreOffice, all in one
# run; prints the best of RUNS runs (default 5), peak memory, and the ratios.
#   tools/bench_dump_xls.sh [FILE.xls]    (KOVRACLI=path/to/kovracli to pick the binary)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
kovracli=${KOVRACLI:-$root/build/bench/cli/kovracli}
file=${1:-$root/build/bench/cameras_65535.xls}
if [ ! -x "$kovracli" ]; then
    echo "no kovracli at $kovracli: cmake --preset bench && cmake --build build/bench --target kovracli" >&2
    exit 2
fi
if [ ! -f "$file" ]; then
    mkdir -p "$(dirname "$file")"
    "$root/tests/data/make_fixtures.sh" --bench "$file"
fi
exec python3 - "$kovracli" "$file" "${RUNS:-5}" <<'PY'
import os, subprocess, sys, time

kovracli, path, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
xlrd_read = ("import sys, xlrd\n"
             "b = xlrd.open_workbook(sys.argv[1])\n"
             "for s in b.sheets():\n"
             "    for r in range(s.nrows): s.row_values(r)\n")
commands = [
    ("kovracli dump-xls", [kovracli, "dump-xls", path]),
    ("xls2csv", ["xls2csv", path]),
    ("python3-xlrd", ["/usr/bin/python3", "-c", xlrd_read, path]),
]

def run(argv):
    start = time.perf_counter()
    with open(os.devnull, "wb") as null:
        p = subprocess.Popen(argv, stdout=null)
        _, status, usage = os.wait4(p.pid, 0)
    elapsed = time.perf_counter() - start
    if status != 0:
        sys.exit("%s failed" % argv[0])
    return elapsed, usage.ru_maxrss / 1024.0

results = {}
for name, argv in commands:
    best, peak = min(run(argv) for _ in range(runs))
    results[name] = best
    print("%-18s %8.3f s   peak %6.1f MB" % (name, best, peak))
ours = results["kovracli dump-xls"]
print("xls2csv / kovracli      %6.1fx" % (results["xls2csv"] / ours))
print("python3-xlrd / kovracli %6.1fx" % (results["python3-xlrd"] / ours))
PY
