#!/usr/bin/env python3
"""Makes the camera workbook template (resources/UserCustomizedTemplate.xls) with LibreOffice.

The layout is fixed: sheet "note" with the column descriptions, the data version and the
camera type list, sheet "data" with the header row and three sample cameras. The camera
type and dir type descriptions carry en dashes, so they are stored as 16-bit text.

Usage: tools/make_template.py [OUTPUT.xls] [--only note|data]
("--only" leaves out the other sheet: test workbooks that lack one of the two.)
"""
import os
import shutil
import subprocess
import sys
import tempfile
from xml.sax.saxutils import escape

NOTE = [
    ("Column", "Description"),
    ("Y", "Y coordinate in WGS84. Snapped to the closed by road. ( -89.9\u00b0~+89.9\u00b0)"),
    ("X", "X coordinate in WGS84. Snapped to the closed by road. (-180\u00b0~+180\u00b0)"),
    ("BEARING ANGLE", "Driving direction of the targeted car. 0 for north, 90 for east, "
                      "180 for south, 270 for west. (0\u00b0~359\u00b0)"),
    ("SPEED RESTRICTION", "Speed restriction in km/h (0~180)"),
    ("CAMERA TYPE", "1 \u2013 static camera\n"
                    "2 \u2013 camera in traffic lights\n"
                    "3 \u2013 red-light camera\n"
                    "4 \u2013 average-speed camera over a road segment\n"
                    "5 \u2013 mobile camera"),
    ("DIR TYPE", "0 \u2013 all directions\n"
                 "1 \u2013 the direction given by the bearing angle\n"
                 "2 \u2013 that direction and the opposite one"),
    ("Version", "Speed camera data version displayed on device, number only. E.g. 3 or 28"),
]
HEADERS = ["UID", "Y", "X", "BEARING \nANGLE", "SPEED \nRESTRICTION", "CAMERA \nTYPE", "DIR TYPE"]
SAMPLES = [
    (1, 61.48684, 120.472934, 225, 60, 1, 1),
    (2, 61.461653, 120.466478, 90, 70, 1, 1),
    (3, 61.441381, 120.495857, 90, 40, 1, 1),
]


def text_cell(text):
    """A string cell; line breaks become paragraphs, spaces are kept exactly."""
    paras = []
    for line in text.split("\n"):
        out, run = [], 0
        for ch in line + "\0":
            if ch == " ":
                run += 1
                continue
            if run:
                # The first blank of a run is plain unless it leads or ends the line.
                lead = not out or ch == "\0"
                out.append(("<text:s/>" if lead else " ") + (f'<text:s text:c="{run - 1}"/>' if run > 1 else ""))
                if lead and run > 1:
                    out[-1] = f'<text:s text:c="{run}"/>'
                run = 0
            if ch != "\0":
                out.append(escape(ch))
        paras.append("<text:p>" + "".join(out) + "</text:p>")
    return '<table:table-cell office:value-type="string">' + "".join(paras) + "</table:table-cell>"


def number_cell(v):
    return f'<table:table-cell office:value-type="float" office:value="{v!r}"><text:p>{v!r}</text:p></table:table-cell>'


EMPTY = "<table:table-cell/>"


def row(cells):
    return "<table:table-row>" + "".join(cells) + "</table:table-row>"


def note_sheet(version=None):
    rows = [row([text_cell(a), text_cell(b)]) for a, b in NOTE]
    # rows 8..998 are empty, 999 holds the data version, 1000 the camera type list
    rows.append(f'<table:table-row table:number-rows-repeated="{999 - len(NOTE)}">{EMPTY}</table:table-row>')
    # The template holds the text "01"; real data carry the version as a number.
    rows.append(row([EMPTY * 5, text_cell("01") if version is None else number_cell(version)]))
    rows.append(row([EMPTY * 5, text_cell("1,2,3,4,5")]))
    return '<table:table table:name="note">' + "".join(rows) + "</table:table>"


def data_sheet(cameras):
    rows = [row([text_cell(h) for h in HEADERS])]
    rows += [row([number_cell(v) for v in s]) for s in cameras]
    return '<table:table table:name="data">' + "".join(rows) + "</table:table>"


def fods(only=None, cameras=SAMPLES, version=None):
    return (
        '<?xml version="1.0" encoding="UTF-8"?>\n'
        '<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
        'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
        'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
        'office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">'
        "<office:body><office:spreadsheet>" +
        (note_sheet(version) if only != "data" else "") +
        (data_sheet(cameras) if only != "note" else "") +
        "</office:spreadsheet></office:body></office:document>\n"
    )


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    args = sys.argv[1:]
    only = None
    if "--only" in args:
        i = args.index("--only")
        only = args[i + 1]
        del args[i:i + 2]
    out = args[0] if args else os.path.join(root, "resources", "UserCustomizedTemplate.xls")
    build(out, only)
    print(out)


def build(out, only=None, cameras=SAMPLES, version=None):
    """Writes the workbook to out with LibreOffice."""
    with tempfile.TemporaryDirectory() as tmp:
        src = os.path.join(tmp, "UserCustomizedTemplate.fods")
        with open(src, "w", encoding="utf-8") as f:
            f.write(fods(only, cameras, version))
        subprocess.run(["soffice", f"-env:UserInstallation=file://{tmp}/profile", "--headless",
                        "--convert-to", 'xls:MS Excel 97', "--outdir", tmp, src],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shutil.copyfile(os.path.join(tmp, "UserCustomizedTemplate.xls"), out)


if __name__ == "__main__":
    main()
