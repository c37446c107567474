#!/usr/bin/env python3
"""Summaries for tools/run-samples.sh: "set" reads kovracli import's JSON on stdin,
"raw" reads kovracli dump-raw's JSON."""
import json
import sys

NAMES = ["lat", "lon", "bearing", "speed", "type", "dir"]


def summarise_set(d):
    recs = d["records"]
    print(f"  {len(recs)} cameras, {len(d['listed'])} with invalid values:")
    for i in d["listed"]:
        r = recs[i]
        bad = ", ".join(f"{n}={r[n]}" for c, n in enumerate(NAMES) if not r["valid"][c])
        print(f"    camera {i + 1}: {bad}")


def summarise_raw(d):
    print(f"  version {d['version']}, date {d['day']:02}.{d['month']:02}, {len(d['records'])} cameras")
    for r in d["records"][:3]:
        print("   ", json.dumps(r))


if __name__ == "__main__":
    data = json.load(sys.stdin)
    summarise_set(data) if sys.argv[1] == "set" else summarise_raw(data)
