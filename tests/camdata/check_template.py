#!/usr/bin/python3
"""Checks the camera workbook template with three readers: kovracli dump-xls, python3-xlrd
and (with --libreoffice) LibreOffice. Each must see exactly the fixed cells.

Usage: check_template.py KOVRACLI TEMPLATE.xls [--libreoffice]
"""
import json
import os
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

import xlrd

DESCRIPTIONS = [
    "Y coordinate in WGS84. Snapped to the closed by road. ( -89.9\u00b0~+89.9\u00b0)",
    "X coordinate in WGS84. Snapped to the closed by road. (-180\u00b0~+180\u00b0)",
    "Driving direction of the targeted car. 0 for north, 90 for east, 180 for south, 270 for west. (0\u00b0~359\u00b0)",
    "Speed restriction in km/h (0~180)",
    None,  # camera types: 16-bit text of five lines
    None,  # dir types: 16-bit text of three lines
    "Speed camera data version displayed on device, number only. E.g. 3 or 28",
]
NAMES = ["Y", "X", "BEARING ANGLE", "SPEED RESTRICTION", "CAMERA TYPE", "DIR TYPE", "Version"]
HEADERS = ["UID", "Y", "X", "BEARING \nANGLE", "SPEED \nRESTRICTION", "CAMERA \nTYPE", "DIR TYPE"]
ROWS = [(1, 61.48684, 120.472934, 225, 60, 1, 1),
        (2, 61.461653, 120.466478, 90, 70, 1, 1),
        (3, 61.441381, 120.495857, 90, 40, 1, 1)]

failures = []


def check(cond, what):
    if not cond:
        failures.append(what)


def expect_cells(reader, sheets):
    """sheets: {name: {(row, col): value}} as the reader saw them."""
    check(list(sheets)[:2] == ["note", "data"], f"{reader}: sheets {list(sheets)}")
    note, data = sheets.get("note", {}), sheets.get("data", {})
    check(note.get((0, 0)) == "Column" and note.get((0, 1)) == "Description", f"{reader}: note header")
    for i in range(7):
        check(note.get((i + 1, 0)) == NAMES[i], f"{reader}: note ({i + 1}, 0) = {note.get((i + 1, 0))!r}")
        text = note.get((i + 1, 1))
        if DESCRIPTIONS[i] is not None:
            check(text == DESCRIPTIONS[i], f"{reader}: description {i} = {text!r}")
        else:
            lines = (text or "").split("\n")
            check(len(lines) == (5 if i == 4 else 3) and all(l[:1].isdigit() for l in lines),
                  f"{reader}: description {i} = {text!r}")
    check(note.get((999, 5)) == "01", f"{reader}: version cell {note.get((999, 5))!r}")
    check(note.get((1000, 5)) == "1,2,3,4,5", f"{reader}: type list {note.get((1000, 5))!r}")
    check(len(note) == 2 + 14 + 2, f"{reader}: note has {len(note)} cells")
    for c, h in enumerate(HEADERS):
        check(data.get((0, c)) == h, f"{reader}: header {c} = {data.get((0, c))!r}")
    for r, row in enumerate(ROWS, start=1):
        for c, v in enumerate(row):
            check(data.get((r, c)) == v, f"{reader}: data ({r}, {c}) = {data.get((r, c))!r}, not {v!r}")
    check(len(data) == 7 * 4, f"{reader}: data has {len(data)} cells")


def ours(kovracli, path):
    d = json.loads(subprocess.run([kovracli, "dump-xls", path], check=True, capture_output=True).stdout)
    sheets = {}
    for s in d["sheets"]:
        check(not s["wide_name"], f"kovracli: sheet {s['name']} has a 16-bit name")
        sheets[s["name"]] = {(c["row"], c["col"]): c["value"] for c in s["cells"]}
        kinds = {(c["row"], c["col"]): c["kind"] for c in s["cells"]}
        if s["name"] == "note":
            check(kinds.get((5, 1)) == "WideText" and kinds.get((6, 1)) == "WideText",
                  "kovracli: the type descriptions are not 16-bit text")
            check(kinds.get((999, 5)) == "Text" and kinds.get((1000, 5)) == "Text",
                  "kovracli: the version and type list are not 8-bit text")
    return sheets


def by_xlrd(path):
    book = xlrd.open_workbook(path)
    sheets = {}
    for s in book.sheets():
        cells = {}
        for r in range(s.nrows):
            for c in range(s.ncols):
                cell = s.cell(r, c)
                if cell.ctype == xlrd.XL_CELL_EMPTY:
                    continue
                v = cell.value
                cells[(r, c)] = int(v) if isinstance(v, float) and v.is_integer() else v
        sheets[s.name] = cells
    return sheets


def by_libreoffice(path):
    ns = {"table": "urn:oasis:names:tc:opendocument:xmlns:table:1.0",
          "text": "urn:oasis:names:tc:opendocument:xmlns:text:1.0",
          "office": "urn:oasis:names:tc:opendocument:xmlns:office:1.0"}
    with tempfile.TemporaryDirectory() as tmp:
        subprocess.run(["soffice", f"-env:UserInstallation=file://{tmp}/profile", "--headless",
                        "--convert-to", "fods", "--outdir", tmp, path], check=True, capture_output=True)
        root = ET.parse(os.path.join(tmp, os.path.splitext(os.path.basename(path))[0] + ".fods")).getroot()
    sheets = {}
    T = "{%s}" % ns["table"]
    for table in root.iter(T + "table"):
        cells, r = {}, 0
        for row in table.iter(T + "table-row"):
            rep = int(row.get(T + "number-rows-repeated", "1"))
            c = 0
            for cell in row:
                crep = int(cell.get(T + "number-columns-repeated", "1"))
                vtype = cell.get("{%s}value-type" % ns["office"])
                v = None
                if vtype == "float":
                    v = float(cell.get("{%s}value" % ns["office"]))
                    v = int(v) if v.is_integer() else v
                elif vtype == "string":
                    v = "\n".join("".join(p.itertext()) for p in cell.findall("text:p", ns))
                if v is not None:
                    for k in range(crep):  # equal neighbours are written once, repeated
                        cells[(r, c + k)] = v
                c += crep
            r += rep
        sheets[table.get(T + "name")] = cells
    return sheets


def main():
    kovracli, path = sys.argv[1], sys.argv[2]
    expect_cells("kovracli", ours(kovracli, path))
    expect_cells("xlrd", by_xlrd(path))
    if "--libreoffice" in sys.argv:
        expect_cells("LibreOffice", by_libreoffice(path))
    for f in failures:
        print("FAIL:", f)
    print("template: %s" % ("ok" if not failures else f"{len(failures)} problems"))
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
