#!/usr/bin/env python3
"""Prints a workbook's cells as python3-xlrd, an independent reader, sees them.

    xlrd_cells.py FILE [--no-dims]

One line per sheet ("sheet INDEX ROWS COLUMNS", or "sheet INDEX" with --no-dims), one per
cell that holds a value ("R C N %.17g" for numbers and booleans, "R C S text" for texts, with
backslash, tab, CR and LF escaped; empty texts and error values are left out), then one per
merged range ("merged R C ROWS COLUMNS"), in order. Exit status 1 when xlrd refuses the file.
"""
import os
import sys

import xlrd


def esc(s):
    return s.replace("\\", "\\\\").replace("\t", "\\t").replace("\r", "\\r").replace("\n", "\\n")


def main(argv):
    dims = "--no-dims" not in argv
    try:
        book = xlrd.open_workbook(argv[1], formatting_info=True, logfile=open(os.devnull, "w"))
    except Exception as e:  # any refusal fails the comparison
        sys.stderr.write("xlrd: %s\n" % e)
        return 1
    out = []
    for i, sheet in enumerate(book.sheets()):
        out.append("sheet %d %d %d" % (i, sheet.nrows, sheet.ncols) if dims else "sheet %d" % i)
        for r in range(sheet.nrows):
            for c in range(sheet.ncols):
                cell = sheet.cell(r, c)
                if cell.ctype in (xlrd.XL_CELL_NUMBER, xlrd.XL_CELL_BOOLEAN):
                    out.append("%d %d N %.17g" % (r, c, float(cell.value)))
                elif cell.ctype == xlrd.XL_CELL_TEXT and cell.value != "":
                    out.append("%d %d S %s" % (r, c, esc(cell.value)))
        for rlo, rhi, clo, chi in sorted(sheet.merged_cells):
            out.append("merged %d %d %d %d" % (rlo, clo, rhi - rlo, chi - clo))
    sys.stdout.buffer.write(("\n".join(out) + "\n").encode("utf-8"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
