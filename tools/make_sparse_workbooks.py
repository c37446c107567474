#!/usr/bin/env python3
"""Writes workbooks whose few cells lie far apart, for measuring the memory a reader needs.

    make_sparse_workbooks.py OUTDIR

- corners.xls: one sheet of four cells, the last at row 65,535, column 255 (IV65536);
- shared_formula.xls: a shared formula whose range spans 32,770 rows x 130 columns, with
  formula cells at its two corners only.

Measure with, for example,
    /usr/bin/time -v build/native/cli/kovracli dump-xls OUTDIR/corners.xls >/dev/null
(the "Maximum resident set size" line).
"""
import os
import struct
import sys

END_OF_CHAIN, FREE, FAT_SECTOR, NO_ENTRY = 0xFFFFFFFE, 0xFFFFFFFF, 0xFFFFFFFD, 0xFFFFFFFF


def rec(code, data=b""):
    return struct.pack("<HH", code, len(data)) + data


def bof(kind):
    return rec(0x0809, struct.pack("<HHHHII", 0x0600, kind, 0x19A0, 0x07CD, 0xC0C9, 0x0306))


EOF = rec(0x000A)


def row(r, last_plus1):
    return rec(0x0208, struct.pack("<HHHHHHI", r, 0, last_plus1, 255, 0, 0, 0x100))


def number(r, c, v):
    return rec(0x0203, struct.pack("<HHHd", r, c, 15, v))


def dbcell():
    return rec(0x00D7, struct.pack("<I", 0))


def formula(r, c, v, tokens):
    return rec(0x0006, struct.pack("<HHHdHIH", r, c, 15, v, 0, 0, len(tokens)) + tokens)


def workbook(sheet_body):
    """Globals naming one sheet "data", then the sheet."""
    name = b"data"
    boundsheet_size = 4 + 8 + len(name)
    sheet_pos = len(bof(5)) + boundsheet_size + len(EOF)
    globals_ = (bof(5) + rec(0x0085, struct.pack("<IBBBB", sheet_pos, 0, 0, len(name), 0) + name)
                + EOF)
    window2 = rec(0x023E, struct.pack("<HHHHHHHI", 0x06B6, 0, 0, 64, 0, 0, 0, 0))
    return globals_ + bof(0x10) + sheet_body + window2 + EOF


def corners():
    cells = [(0, 0, 1.0), (10, 3, 2.0), (1000, 20, 3.0), (65535, 255, 4.0)]
    body = b""
    for r, c, v in cells:  # one row block per cell
        body += row(r, c + 1) + number(r, c, v) + dbcell()
    return workbook(body)


def shared_formula():
    exp = bytes([0x01]) + struct.pack("<HH", 0, 0)  # the shared formula anchored at A1
    shared = rec(0x04BC, struct.pack("<HHBBH", 0, 32769, 0, 129, 2) + bytes([0x1E, 1, 0]))
    body = (row(0, 1) + formula(0, 0, 1.0, exp) + shared + dbcell()
            + row(32769, 130) + formula(32769, 129, 1.0, exp) + dbcell())
    return workbook(body)


def compound_document(stream):
    """A compound document whose root holds one stream, "Workbook", in regular sectors."""
    stream = stream + bytes(max(0, 4096 - len(stream)))  # below 4096 it would be a mini stream
    n = (len(stream) + 511) // 512
    fat_sectors = 1
    while fat_sectors * 128 < fat_sectors + 1 + n:
        fat_sectors += 1
    assert fat_sectors <= 109
    directory = fat_sectors
    first = directory + 1
    fat = [FAT_SECTOR] * fat_sectors + [END_OF_CHAIN]
    fat += [first + i + 1 for i in range(n - 1)] + [END_OF_CHAIN]
    fat += [FREE] * (fat_sectors * 128 - len(fat))
    header = (bytes.fromhex("D0CF11E0A1B11AE1") + bytes(16)
              + struct.pack("<HHHHH", 0x3E, 3, 0xFFFE, 9, 6) + bytes(6)
              + struct.pack("<IIIIIIIII", 0, fat_sectors, directory, 0, 4096, END_OF_CHAIN, 0,
                            END_OF_CHAIN, 0)
              + struct.pack("<109I", *(list(range(fat_sectors)) + [FREE] * (109 - fat_sectors))))

    def entry(name, kind, child, start, size):
        encoded = (name + "\0").encode("utf-16-le") if name else b""
        return (encoded.ljust(64, b"\0") + struct.pack("<HBB", len(encoded), kind, 1)
                + struct.pack("<III", NO_ENTRY, NO_ENTRY, child) + bytes(16 + 4 + 16)
                + struct.pack("<II", start, size) + bytes(4))

    entries = (entry("Root Entry", 5, 1, END_OF_CHAIN, 0)
               + entry("Workbook", 2, NO_ENTRY, first, len(stream))
               + entry("", 0, NO_ENTRY, 0, 0) * 2)
    body = struct.pack("<%dI" % len(fat), *fat) + entries + stream.ljust(n * 512, b"\0")
    return header + body


def main():
    outdir = sys.argv[1]
    os.makedirs(outdir, exist_ok=True)
    for name, stream in (("corners.xls", corners()), ("shared_formula.xls", shared_formula())):
        with open(os.path.join(outdir, name), "wb") as f:
            f.write(compound_document(stream))


if __name__ == "__main__":
    main()
