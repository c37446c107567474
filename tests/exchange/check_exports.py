#!/usr/bin/env python3
"""kovracli export, diff and map on the bundled samples and on a speed.raw converted from them,
checked by independent readers: python3's csv and xml modules for the structure and the values,
xmllint for well-formedness and GDAL's ogrinfo as a real KML and GPX reader (each skipped with a
note when not installed).

Usage: check_exports.py [--wine] KOVRACLI SAMPLES_DIR"""
import csv
import io
import json
import os
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
WINE_RUN = os.path.join(HERE, '..', 'wine-run.sh')
KML = '{http://www.opengis.net/kml/2.2}'
GPX = '{http://www.topografix.com/GPX/1/1}'
SVG = '{http://www.w3.org/2000/svg}'

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print('FAIL:', what)


args = sys.argv[1:]
wine = args[:1] == ['--wine']
if wine:
    args = args[1:]
kovracli, samples = args


def arg(path):
    return 'Z:' + os.path.abspath(path).replace('/', '\\') if wine else path


def run(*a):
    cmd = ([WINE_RUN] if wine else []) + [kovracli] + [x if x.startswith('-') else arg(x) if os.sep in x else x
                                                      for x in a]
    r = subprocess.run(cmd, capture_output=True, timeout=300)
    check(r.returncode == 0, '%s: status %d: %s' % (' '.join(a), r.returncode, r.stderr.decode(errors='replace')))
    return r


def placeable(row):
    try:
        lat, lon = float(row['lat']), float(row['lon'])
    except ValueError:
        return False
    return abs(lat) <= 90 and abs(lon) <= 180


def check_kml(path, rows, name):
    doc = ET.parse(path).getroot().find(KML + 'Document')
    styles = {s.get('id') for s in doc.findall(KML + 'Style')}
    marks = []
    for folder in doc.findall(KML + 'Folder'):
        title = folder.find(KML + 'name').text
        inside = folder.findall(KML + 'Placemark')
        check(title.endswith('(%d)' % len(inside)), '%s: folder "%s" holds %d' % (name, title, len(inside)))
        marks += [(title, p) for p in inside]
    check(len(marks) == len(rows), '%s: %d placemarks for %d records' % (name, len(marks), len(rows)))
    by_place = {}
    for title, p in marks:
        check(p.find(KML + 'styleUrl').text[1:] in styles, '%s: style of a placemark is defined' % name)
        data = {d.get('name'): d.find(KML + 'value').text for d in p.iter(KML + 'Data')}
        by_place.setdefault((data['lat'], data['lon'], data['bearing'], data['speed']), []).append((title, p, data))
    for row in rows:
        key = (row['lat'], row['lon'], row['bearing'], row['speed'])
        found = by_place.get(key)
        check(bool(found), '%s: a placemark for %s' % (name, key))
        if not found:
            continue
        title, p, data = found.pop()
        invalid = bool(row['invalid'])
        check(title.startswith('Invalid records') == invalid, '%s: %s in folder %s' % (name, key, title))
        check(data.get('invalid', '') == row['invalid'], '%s: %s invalid field' % (name, key))
        point = p.find(KML + 'Point')
        if placeable(row):
            coords = point.find(KML + 'coordinates').text if point is not None else None
            check(coords == '%s,%s' % (row['lon'], row['lat']), '%s: coordinates %s for %s' % (name, coords, key))
        else:
            check(point is None, '%s: no point for %s' % (name, key))
        heading = p.find('.//' + KML + 'heading')
        wants = not invalid and row['dir'] in ('1', '2')
        check((heading is not None) == wants and (not wants or heading.text == row['bearing']),
              '%s: heading of %s' % (name, key))


def check_gpx(path, rows, name):
    root = ET.parse(path).getroot()
    check(root.tag == GPX + 'gpx' and root.get('version') == '1.1', '%s: a GPX 1.1 root' % name)
    wpts = root.findall(GPX + 'wpt')
    want = [r for r in rows if placeable(r)]
    check(len(wpts) == len(want), '%s: %d waypoints for %d placeable records' % (name, len(wpts), len(want)))
    order = ['ele', 'time', 'magvar', 'geoidheight', 'name', 'cmt', 'desc', 'src', 'link', 'sym', 'type']
    for w, row in zip(wpts, want):
        lat, lon = float(w.get('lat')), float(w.get('lon'))
        check(-90 <= lat <= 90 and -180 <= lon < 180, '%s: waypoint at %s, %s' % (name, lat, lon))
        check(w.get('lat') == row['lat'], '%s: waypoint latitude %s, record %s' % (name, w.get('lat'), row['lat']))
        tags = [c.tag[len(GPX):] for c in w]
        check(tags == sorted(tags, key=order.index), '%s: waypoint children in schema order: %s' % (name, tags))
        check(w.find(GPX + 'name').text == row['speed'] + ' km/h', '%s: waypoint name' % name)
        check((w.find(GPX + 'type').text == 'invalid') == bool(row['invalid']), '%s: waypoint type' % name)


def check_svg(path, rows, name):
    root = ET.parse(path).getroot()
    check(root.tag == SVG + 'svg' and float(root.get('width')) > 0, '%s: an SVG root' % name)
    dots = sum(len(g.findall(SVG + 'circle')) for g in root.findall(SVG + 'g'))
    want = len([r for r in rows if placeable(r) and not r['invalid']])
    check(dots == want, '%s: %d dots for %d valid placeable records' % (name, dots, want))
    texts = ''.join(t.text or '' for t in root.iter(SVG + 'text'))
    check(('invalid (%d)' % len([r for r in rows if placeable(r) and r['invalid']])) in texts,
          '%s: the legend counts the invalid records' % name)
    check(' m' in texts or ' km' in texts, '%s: a scale bar' % name)


def xmllint(path):
    if not shutil.which('xmllint'):
        print('note: xmllint is not installed; well-formedness left to python')
        return
    r = subprocess.run(['xmllint', '--noout', path], capture_output=True)
    check(r.returncode == 0, 'xmllint %s: %s' % (path, r.stderr.decode(errors='replace')))


def ogr_count(path):
    """Features ogrinfo reads, over all layers; None when ogrinfo is not installed."""
    if not shutil.which('ogrinfo'):
        return None
    r = subprocess.run(['ogrinfo', '-ro', '-al', '-so', path], capture_output=True, text=True)
    check(r.returncode == 0, 'ogrinfo %s: %s' % (path, r.stderr))
    return sum(int(line.split(':')[1]) for line in r.stdout.splitlines() if line.startswith('Feature Count:'))


def main():
    work = tempfile.mkdtemp(prefix='kovra-exchange-')
    try:
        out = os.path.join(work, 'convert')
        run('convert', '--base', os.path.join(samples, 'base_data.xls'),
            '--partner', os.path.join(samples, 'partner_cameras.txt'),
            '--custom', os.path.join(samples, 'custom_data.xls'), '--drop-invalid', '--out', out)
        sources = [os.path.join(samples, n) for n in ('base_data.xls', 'custom_data.xls', 'partner_cameras.txt')]
        sources.append(os.path.join(out, 'speed.raw'))
        if not shutil.which('ogrinfo'):
            print('note: ogrinfo (gdal-bin) is not installed; the GDAL reader checks are skipped')
        for src in sources:
            name = os.path.basename(src)
            stem = os.path.join(work, name.replace('.', '_'))
            run('export', src, '--to', 'csv', '-o', stem + '.csv')
            with open(stem + '.csv', newline='', encoding='utf-8') as f:
                rows = list(csv.DictReader(f))
            check(len(rows) > 0, '%s: records in the CSV' % name)
            for fmt in ('kml', 'gpx'):
                run('export', src, '--to', fmt, '-o', '%s.%s' % (stem, fmt))
                xmllint('%s.%s' % (stem, fmt))
            run('map', src, '-o', stem + '.svg')
            xmllint(stem + '.svg')
            check_kml(stem + '.kml', rows, name)
            check_gpx(stem + '.gpx', rows, name)
            check_svg(stem + '.svg', rows, name)
            n = ogr_count(stem + '.kml')
            if n is not None:
                check(n == len(rows), '%s: ogrinfo reads %d placemarks of %d' % (name, n, len(rows)))
                n = ogr_count(stem + '.gpx')
                want = len([r for r in rows if placeable(r)])
                check(n == want, '%s: ogrinfo reads %d waypoints of %d' % (name, n, want))

        # What changed from the base data to the converted file, and nothing from a file to itself.
        base, raw = sources[0], sources[3]
        r = run('diff', base, raw, '--json', '--kml', os.path.join(work, 'diff.kml'))
        d = json.loads(r.stdout)
        s = d['summary']
        check(s['removed'] + s['changed'] + s['unchanged'] == d['old']['cameras'], 'diff: every old camera counted')
        check(s['added'] + s['changed'] + s['unchanged'] == d['new']['cameras'], 'diff: every new camera counted')
        check(all(len(d[k]) == s[k] for k in s), 'diff: the lists hold the summary counts')
        check(s['removed'] >= 3, 'diff: the invalid base cameras are not in speed.raw')
        xmllint(os.path.join(work, 'diff.kml'))
        folders = {f.find(KML + 'name').text.split(' ')[0]: len(f.findall(KML + 'Placemark'))
                   for f in ET.parse(os.path.join(work, 'diff.kml')).getroot().iter(KML + 'Folder')}
        check(folders == {'Added': s['added'], 'Removed': s['removed'], 'Changed': s['changed']},
              'diff KML folders %s' % folders)
        n = ogr_count(os.path.join(work, 'diff.kml'))
        check(n is None or n == s['added'] + s['removed'] + s['changed'], 'diff KML: ogrinfo reads %s' % n)
        same = json.loads(run('diff', raw, raw, '--json').stdout)['summary']
        check(same['unchanged'] > 0 and same['removed'] == same['added'] == same['changed'] == 0,
              'diff of a file with itself: %s' % same)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    if failures:
        print('%d check(s) failed' % len(failures))
        return 1
    print('all exports checked')
    return 0


sys.exit(main())
