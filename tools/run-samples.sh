#!/usr/bin/env bash
# Runs the pipeline on the bundled samples with the Linux tools: the partner camera file is
# read, every value checked, and the imported set printed (invalid records listed).
set -eu
cd "$(dirname "$0")/.."
cli=build/native/cli/kovracli
if [ ! -x "$cli" ]; then
    echo "kovracli is not built yet" >&2
    exit 1
fi
echo "\$ kovracli import --partner samples/partner_cameras.txt --types 1,2,3,4,5"
"$cli" import --partner samples/partner_cameras.txt --types 1,2,3,4,5 > build/partner_import.json
python3 - build/partner_import.json <<'PY'
import json, sys
d = json.load(open(sys.argv[1]))
recs = d["records"]
print(f'title "{d["title"]}", comment "{d["comment"]}", {len(recs)} cameras, '
      f'{len(d["listed"])} with invalid values:')
names = ["lat", "lon", "bearing", "speed", "type", "dir"]
for i in d["listed"]:
    r = recs[i]
    bad = [names[c] for c in range(6) if not r["valid"][c]]
    print(f"  record {i + 1}: " + ", ".join(f"{n}={r[n]}" for n in bad))
PY
