#!/usr/bin/python3
"""Checks the camera workbook template with three readers: kovracli dump-xls, python3-xlrd
and (with --libreoffice) LibreOffice. Each must see exactly the fixed cells.

Usage: check_template.py KOVRACLI TEMPLATE.xls [--libreoffice]
"""
import sys

from readers import by_libreoffice, by_xlrd, ours

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


def main():
    kovracli, path = sys.argv[1], sys.argv[2]
    sheets, kinds = ours(kovracli, path)
    for name in sheets:
        check(not kinds[name]["wide_name"], f"kovracli: sheet {name} has a 16-bit name")
    note = kinds.get("note", {})
    check(note.get((5, 1)) == "WideText" and note.get((6, 1)) == "WideText",
          "kovracli: the type descriptions are not 16-bit text")
    check(note.get((999, 5)) == "Text" and note.get((1000, 5)) == "Text",
          "kovracli: the version and type list are not 8-bit text")
    expect_cells("kovracli", sheets)
    expect_cells("xlrd", by_xlrd(path))
    if "--libreoffice" in sys.argv:
        expect_cells("LibreOffice", by_libreoffice(path))
    for f in failures:
        print("FAIL:", f)
    print("template: %s" % ("ok" if not failures else f"{len(failures)} problems"))
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
