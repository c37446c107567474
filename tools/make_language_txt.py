#!/usr/bin/env python3
"""Writes resources/Language.txt: the names of the two user interface languages as each of
them says them, one row per language, cells separated by TAB, rows ended by CR LF, in UTF-16
little-endian with a byte-order mark. Cell 0 of a row must equal that language's text 204
(its word for English), by which the program finds the row.

Usage: tools/make_language_txt.py [output path]
"""
import os
import sys

ROWS = [
    ('English', 'Russian'),
    ('\u0410\u043d\u0433\u043b\u0438\u0439\u0441\u043a\u0438\u0439',  # Английский
     '\u0420\u0443\u0441\u0441\u043a\u0438\u0439'),                      # Русский
]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, '..', 'resources', 'Language.txt')
    text = ''.join('\t'.join(row) + '\r\n' for row in ROWS)
    with open(out, 'wb') as f:
        f.write(b'\xff\xfe' + text.encode('utf-16-le'))


if __name__ == '__main__':
    main()
