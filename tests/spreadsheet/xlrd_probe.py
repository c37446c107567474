#!/usr/bin/env python3
"""Reads a compound document with python3-xlrd, an independent reader, for the tests.

    xlrd_probe.py stream FILE NAME OUT   the named stream's bytes into OUT
    xlrd_probe.py cells FILE OUT         sheet names and every cell value into OUT
Exit status 0 on success, 1 when xlrd refuses the file.
"""
import os
import sys

import xlrd
import xlrd.compdoc


def main(argv):
    try:
        if argv[1] == "stream":
            with open(argv[2], "rb") as f:
                doc = xlrd.compdoc.CompDoc(f.read(), logfile=open(os.devnull, "w"))
            data = doc.get_named_stream(argv[3])
            if data is None:
                return 1
            with open(argv[4], "wb") as f:
                f.write(data)
        elif argv[1] == "cells":
            book = xlrd.open_workbook(argv[2], logfile=open(os.devnull, "w"))
            with open(argv[3], "w", encoding="utf-8") as f:
                for sheet in book.sheets():
                    f.write("sheet %s %d %d\n" % (sheet.name, sheet.nrows, sheet.ncols))
                    for r in range(sheet.nrows):
                        f.write("%r\n" % (sheet.row_values(r),))
        else:
            return 2
    except Exception as e:  # any refusal of the file is a failed check
        sys.stderr.write("xlrd: %s\n" % e)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
