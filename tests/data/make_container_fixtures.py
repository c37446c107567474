#!/usr/bin/env python3
"""Regenerates the container fixtures under tests/data/container/.

Workbooks are written by LibreOffice (headless) from flat-ODS sources made here, so they come
from a writer independent of ours. Beside each workbook, python3-xlrd (an independent reader)
extracts the "Workbook" stream into NAME.Workbook.bin; the tests compare our reader with it.

Needs: soffice (libreoffice-calc-nogui), python3-xlrd. Run from anywhere:
    /usr/bin/python3 tests/data/make_container_fixtures.py
"""
import os
import shutil
import subprocess
import sys
import tempfile
from xml.sax.saxutils import escape

import xlrd
import xlrd.compdoc

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "container")


def cell(value):
    if isinstance(value, str):
        return ('<table:table-cell office:value-type="string"><text:p>%s</text:p>'
                '</table:table-cell>' % escape(value))
    return ('<table:table-cell office:value-type="float" office:value="%r"><text:p>%r</text:p>'
            '</table:table-cell>' % (value, value))


def fods(sheets):
    body = []
    for name, rows in sheets:
        body.append('<table:table table:name="%s">' % escape(name))
        for row in rows:
            body.append("<table:table-row>%s</table:table-row>" % "".join(cell(v) for v in row))
        body.append("</table:table>")
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
            'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
            'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
            'office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">'
            '<office:body><office:spreadsheet>%s</office:spreadsheet></office:body>'
            '</office:document>\n' % "".join(body))


def cameras(n):
    rows = [["Latitude", "Longitude", "Angle", "Speed", "Type", "Dir"]]
    for i in range(n):
        rows.append([55.0 + i * 0.001, 37.5 + i * 0.002, (i * 7) % 360, 40 + (i % 5) * 10,
                     i % 4, i % 2])
    return rows


WORKBOOKS = {
    # One small sheet.
    "small": [("data", cameras(3))],
    # The two sheets of a camera workbook, enough rows for a stream of many sectors.
    "cameras": [("note", [["Speed cameras"], ["Version", 1]]), ("data", cameras(400))],
}


def main():
    os.makedirs(HERE, exist_ok=True)
    work = tempfile.mkdtemp(prefix="kovra-fixtures-")
    try:
        for name, sheets in WORKBOOKS.items():
            src = os.path.join(work, name + ".fods")
            with open(src, "w", encoding="utf-8") as f:
                f.write(fods(sheets))
            subprocess.run(["soffice", "--headless", "-env:UserInstallation=file://" + work + "/profile",
                            "--convert-to", "xls:MS Excel 97", "--outdir", work, src],
                           check=True, stdout=subprocess.DEVNULL)
            xls = os.path.join(work, name + ".xls")
            shutil.copy(xls, os.path.join(HERE, name + ".xls"))
            with open(xls, "rb") as f:
                doc = xlrd.compdoc.CompDoc(f.read(), logfile=open(os.devnull, "w"))
            stream = doc.get_named_stream("Workbook")
            with open(os.path.join(HERE, name + ".Workbook.bin"), "wb") as f:
                f.write(stream)
            book = xlrd.open_workbook(xls)
            print(name, "sheets", book.sheet_names(), "Workbook stream", len(stream), "bytes")
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
