#!/usr/bin/env python3
"""Makes the workbook fixtures of the BIFF tests in tests/data/xls/.

LibreOffice (headless) converts flat documents generated here to Excel 97 files: they carry
the content (numbers as RK, MULRK and NUMBER, shared strings across CONTINUE records,
16-bit strings and sheet names, merged ranges, formulas with number and string results).
SheetJS writes BIFF8 files of its own kind: every string and sheet name in 16-bit form and
no ROW records.

Usage: make_xls_fixtures.py OUTDIR SHEETJS_NODE_MODULES [--bench OUT.xls]
"""
import os
import random
import shutil
import subprocess
import sys
import tempfile
from xml.sax.saxutils import escape

HEAD = (
    '<?xml version="1.0" encoding="UTF-8"?>\n'
    '<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
    'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
    'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
    'xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2" '
    'office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">'
    "<office:body><office:spreadsheet>"
)
TAIL = "</office:spreadsheet></office:body></office:document>\n"


def text(s, extra=""):
    return (f'<table:table-cell office:value-type="string"{extra}>'
            f"<text:p>{escape(s)}</text:p></table:table-cell>")


def num(v, extra=""):
    return (f'<table:table-cell office:value-type="float" office:value="{v!r}"{extra}>'
            f"<text:p>{v!r}</text:p></table:table-cell>")


def formula(f, value):
    if isinstance(value, str):
        return (f'<table:table-cell table:formula="of:={attr(f)}" office:value-type="string" '
                f'office:string-value="{attr(value)}"><text:p>{escape(value)}</text:p>'
                "</table:table-cell>")
    return (f'<table:table-cell table:formula="of:={attr(f)}" office:value-type="float" '
            f'office:value="{value!r}"><text:p>{value!r}</text:p></table:table-cell>')


def boolean(b):
    v = "true" if b else "false"
    return (f'<table:table-cell office:value-type="boolean" office:boolean-value="{v}">'
            f"<text:p>{v.upper()}</text:p></table:table-cell>")


def attr(s):
    return escape(s, {'"': "&quot;"})


EMPTY = "<table:table-cell/>"
COVERED = "<table:covered-table-cell/>"


def row(cells):
    return "<table:table-row>" + "".join(cells) + "</table:table-row>"


def table(name, rows):
    return f'<table:table table:name="{attr(name)}">' + "".join(rows) + "</table:table>"


def content_workbook():
    note = [
        row([text("Merged title", ' table:number-columns-spanned="3" table:number-rows-spanned="2"'),
             COVERED, COVERED, text("after")]),
        row([COVERED, COVERED, COVERED, num(7)]),
        row([text("Камеры скорости"), text("en \u2013 dash"), text("plain ascii")]),
        row([text("Ünïcödé Latin-1 only"), text("tab\there"), text("quote \" and \\ backslash")]),
    ]
    data = [row([text(h) for h in ["Y", "X", "ANGLE", "SPEED", "TYPE", "DIR", "NOTE"]])]
    cams = [
        (55.751244, 37.618423, 90, 60, 1, 0, "Москва"),
        (59.939095, 30.315868, 180, 40, 2, 1, "SPb"),
        (61.48684, 120.472934, 225, 60, 1, 1, "x"),
        (-33.86785, 151.20732, 0, 100, 5, 2, "south"),
        (2.5, -0.25, 359, 180, 3, 0, "two and a half"),
        (60.0, 1e9, -7, 536870911, -536870912, 536870912, "edges"),
    ]
    for c in cams:
        data.append(row([num(v) for v in c[:6]] + [text(c[6])]))
    data.append(row([formula("[.A2]*2", 55.751244 * 2), formula('"ab"&"cd"', "abcd"),
                     formula("[.C2]+[.D2]", 150), boolean(True), boolean(False),
                     formula('IF(1;"";"x")', "")]))
    # A sheet whose name needs 16 bits, and one written after it.
    wide = [row([num(1), num(2), num(3)])]
    last = [row([EMPTY, EMPTY, text("only C1")]), row([]), row([EMPTY, num(0.5)])]
    return HEAD + table("note", note) + table("data", data) + table("Лист", wide) + table(
        "last", last) + TAIL


def strings_workbook():
    rnd = random.Random(7)
    rows = []
    for i in range(4000):
        if i % 5 == 0:
            s = "Строка %d " % i + "ж" * rnd.randint(0, 40)
        else:
            s = "string %d " % i + "x" * rnd.randint(0, 60)
        rows.append(row([text(s), num(i)]))
    # Long strings that cannot fit one record: 8-bit and 16-bit.
    rows.append(row([text("L" * 9000), text("Ш" * 5000)]))
    rows.append(row([text("tail")]))
    return HEAD + table("strings", rows) + TAIL


def merged_workbook():
    rows = []
    # 1100 two-by-one ranges: more than one MERGEDCELLS record holds.
    for i in range(1100):
        rows.append(row([text("m%d" % i, ' table:number-columns-spanned="2"'), COVERED, num(i)]))
    return HEAD + table("merged", rows) + TAIL


def camera_workbook(n):
    rnd = random.Random(11)
    note = [row([text("Column"), text("Description")]), row([text("Version"), text("28")])]
    rows = [row([text(h) for h in ["UID", "Y", "X", "BEARING ANGLE", "SPEED RESTRICTION",
                                   "CAMERA TYPE", "DIR TYPE"]])]
    for i in range(1, n + 1):
        lat = round(rnd.uniform(41.0, 70.0), 6)
        lon = round(rnd.uniform(20.0, 180.0), 6)
        rows.append(row([num(i), num(lat), num(lon), num(rnd.randrange(0, 360, 5)),
                         num(rnd.choice([40, 60, 70, 90, 110])), num(rnd.randint(1, 5)),
                         num(rnd.randint(0, 2))]))
    return HEAD + table("note", note) + table("data", rows) + TAIL


def convert(tmp, name, doc, outdir):
    src = os.path.join(tmp, name + ".fods")
    with open(src, "w", encoding="utf-8") as f:
        f.write(doc)
    subprocess.run(["soffice", f"-env:UserInstallation=file://{tmp}/profile", "--headless",
                    "--convert-to", "xls:MS Excel 97", "--outdir", tmp, src],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if os.path.abspath(outdir) != os.path.abspath(tmp):
        shutil.copyfile(os.path.join(tmp, name + ".xls"), os.path.join(outdir, name + ".xls"))


SHEETJS = r"""
const XLSX = require(process.argv[2]);
const wb = XLSX.utils.book_new();
XLSX.utils.book_append_sheet(wb, XLSX.utils.aoa_to_sheet([
  ["Y", "X", "ANGLE"], [55.751244, 37.618423, 90], [59.9, 30.3, 180], ["text", "Москва", 1]]),
  "data");
XLSX.utils.book_append_sheet(wb, XLSX.utils.aoa_to_sheet([["Version"], [28]]), "note");
XLSX.writeFile(wb, process.argv[3], {bookType: "biff8"});
"""


def main():
    outdir, modules = sys.argv[1], sys.argv[2]
    os.makedirs(outdir, exist_ok=True)
    with tempfile.TemporaryDirectory() as tmp:
        if "--bench" in sys.argv:
            out = sys.argv[sys.argv.index("--bench") + 1]
            convert(tmp, "cameras_65535", camera_workbook(65534), tmp)
            shutil.copyfile(os.path.join(tmp, "cameras_65535.xls"), out)
            return
        convert(tmp, "lo_content", content_workbook(), outdir)
        convert(tmp, "lo_strings", strings_workbook(), outdir)
        convert(tmp, "lo_merged", merged_workbook(), outdir)
        script = os.path.join(tmp, "sheetjs.js")
        with open(script, "w", encoding="utf-8") as f:
            f.write(SHEETJS)
        subprocess.run(["node", script, os.path.join(modules, "xlsx"),
                        os.path.join(outdir, "sheetjs_basic.xls")], check=True)


if __name__ == "__main__":
    main()
