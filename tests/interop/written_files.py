#!/usr/bin/python3
"""Files our library writes, read back by independent readers.

Runs kovracli convert on the samples, then:
- the conversion workbook it wrote must show the same cells to kovracli, python3-xlrd and
  (with --libreoffice) LibreOffice;
- the cameras xlrd reads from its "data" sheet must be exactly the records of speed.raw
  (coordinates truncated to millionths, as the recorder stores them).

Usage: written_files.py KOVRACLI SOURCE_DIR [--libreoffice]
"""
import glob
import json
import math
import os
import subprocess
import sys
import tempfile

import xlrd

from readers import by_libreoffice, by_xlrd, ours


def compare(name_a, a, name_b, b, problems):
    if list(a) != list(b):
        problems.append(f"sheets: {name_a} {list(a)}, {name_b} {list(b)}")
    for sheet in a:
        ca, cb = a[sheet], b.get(sheet, {})
        for key in sorted(set(ca) | set(cb)):
            if ca.get(key) != cb.get(key):
                problems.append(f"{sheet} {key}: {name_a} {ca.get(key)!r}, {name_b} {cb.get(key)!r}")


def main():
    kovracli, src = sys.argv[1], sys.argv[2]
    problems = []
    with tempfile.TemporaryDirectory() as out:
        subprocess.run([kovracli, "convert", "--base", f"{src}/samples/base_data.xls",
                        "--partner", f"{src}/samples/partner_cameras.txt",
                        "--custom", f"{src}/samples/custom_data.xls",
                        "--drop-invalid", "--keep", "step2", "--out", out],
                       check=True, capture_output=True)
        (workbook,) = glob.glob(os.path.join(out, "History", "*.xls"))
        mine, _ = ours(kovracli, workbook)
        compare("kovracli", mine, "xlrd", by_xlrd(workbook), problems)
        if "--libreoffice" in sys.argv:
            compare("kovracli", mine, "LibreOffice", by_libreoffice(workbook), problems)

        data = xlrd.open_workbook(workbook).sheet_by_name("data")
        from_sheet = sorted(
            (math.trunc(data.cell_value(r, 1) * 1000000), math.trunc(data.cell_value(r, 2) * 1000000),
             int(data.cell_value(r, 3)), int(data.cell_value(r, 4)), int(data.cell_value(r, 5)),
             int(data.cell_value(r, 6)))
            for r in range(1, data.nrows) if data.cell_type(r, 1) == xlrd.XL_CELL_NUMBER)
        raw = json.loads(subprocess.run([kovracli, "dump-raw", os.path.join(out, "speed.raw")],
                                        check=True, capture_output=True).stdout)
        from_raw = sorted((c["lat"], c["lon"], c["bearing"], c["speed"], c["type"], c["dir"])
                          for c in raw["records"])
        if from_sheet != from_raw:
            problems.append(f"data sheet has {len(from_sheet)} cameras, speed.raw {len(from_raw)}; "
                            f"first difference: {next(((a, b) for a, b in zip(from_sheet, from_raw) if a != b), None)}")
        if len(from_raw) != 344:
            problems.append(f"{len(from_raw)} cameras written, 344 expected")
    for p in problems[:20]:
        print("FAIL:", p)
    print("written files: %s" % ("ok" if not problems else f"{len(problems)} problems"))
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
