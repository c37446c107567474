#!/usr/bin/env python3
"""kovracli.exe and rawconv.exe under Wine with folders and files named in Cyrillic, Greek and
Japanese, in the locale the environment gives (the tests run it in an English and a Russian
one: ANSI code pages 1252 and 1251, neither of which holds all of those names). Each run must
give the bytes that the same run gives with plain ASCII names.

Usage: unicode_paths.py KOVRACLI.exe RAWCONV.exe SAMPLES_DIR"""
import glob
import json
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
WINE_RUN = os.path.join(HERE, '..', 'wine-run.sh')

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print('FAIL:', what)


def windows(path):
    return 'Z:' + os.path.abspath(path).replace('/', '\\')


def wine(*args):
    return subprocess.run([WINE_RUN, *args], capture_output=True, timeout=300)


def run(kovracli, rawconv, samples, folder, names):
    """The whole road in folder with the given file names: dump, convert, convert again with
    the converter in a folder of its own. Returns (speed.raw of convert, of rawconv)."""
    os.makedirs(folder)
    base = os.path.join(folder, names['base'])
    partner = os.path.join(folder, names['partner'])
    # Copies keep their times: the camera file's header takes its date from the workbook.
    shutil.copy2(os.path.join(samples, 'base_data.xls'), base)
    shutil.copy2(os.path.join(samples, 'partner_cameras.txt'), partner)

    dump = wine(kovracli, 'dump-xls', windows(base))
    check(dump.returncode == 0, 'dump-xls of %s: %s' % (base, dump.stderr.decode(errors='replace')))
    if dump.returncode == 0:
        sheets = [s['name'] for s in json.loads(dump.stdout)['sheets']]
        check('data' in sheets, 'dump-xls of %s names the sheets %s' % (base, sheets))

    out = os.path.join(folder, names['out'])
    conv = wine(kovracli, 'convert', '--base', windows(base), '--partner', windows(partner),
                '--drop-invalid', '--out', windows(out))
    check(conv.returncode == 0, 'convert in %s: %s' % (folder, conv.stderr.decode(errors='replace')))
    raw = os.path.join(out, 'speed.raw')
    first = open(raw, 'rb').read() if os.path.exists(raw) else None
    check(first is not None, 'no speed.raw in %s' % out)

    # The converter in a folder of its own writes the camera file and its log beside itself.
    tool = os.path.join(folder, names['converter'])
    os.makedirs(tool)
    shutil.copy(rawconv, os.path.join(tool, 'rawconv.exe'))
    books = glob.glob(os.path.join(out, 'History', '*.xls'))
    check(len(books) == 1, 'conversion workbooks in %s: %s' % (out, books))
    second = None
    if books:
        book = os.path.join(folder, names['book'])
        shutil.copy2(books[0], book)
        r = wine(os.path.join(tool, 'rawconv.exe'), windows(book))
        check(r.returncode == 0, 'rawconv.exe on %s: %d %s' % (book, r.returncode, r.stderr))
        check(os.path.exists(os.path.join(tool, 'SuccessLogFile.txt')), 'no log in %s' % tool)
        raw = os.path.join(tool, 'speed.raw')
        second = open(raw, 'rb').read() if os.path.exists(raw) else None
        # A missing workbook is named in the refusal as it is, not as question marks.
        missing = os.path.join(folder, names['missing'])
        r = wine(os.path.join(tool, 'rawconv.exe'), windows(missing))
        check(r.returncode == 2, 'rawconv.exe on a missing workbook: %d' % r.returncode)
        check(names['missing'].encode() in r.stderr,
              'the refusal names %s: %s' % (names['missing'], r.stderr))
    return first, second


def main():
    kovracli, rawconv, samples = sys.argv[1:4]
    root = tempfile.mkdtemp(prefix='kovra-unicode-')
    try:
        plain = run(kovracli, rawconv, samples, os.path.join(root, 'plain'),
                    {'base': 'base.xls', 'partner': 'partner.txt', 'out': 'out',
                     'converter': 'converter', 'book': 'book.xls', 'missing': 'none.xls'})
        named = run(kovracli, rawconv, samples,
                    os.path.join(root, 'Папка Иван', 'Φάκελος 日本'),
                    {'base': 'база.xls', 'partner': 'партнёр Ω.txt', 'out': 'выход',
                     'converter': 'Конвертер データ', 'book': 'книга Δ.xls', 'missing': 'нет ή.xls'})
        check(plain[0] is not None and named == (plain[0], plain[0]),
              'the camera files differ from those made with plain names')
    finally:
        shutil.rmtree(root, ignore_errors=True)
    print('%s: %s' % (os.environ.get('LC_ALL', os.environ.get('LANG', '')),
                      'FAILED' if failures else 'all checks passed'))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
