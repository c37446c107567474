#!/usr/bin/env python3
"""A conversion whose customized data comes as a CSV file, then "Show on map" under Wine and
Xvfb: the base-data workbook from disk with its invalid cameras removed, the partner step
skipped, a CSV file in step 3 (semicolons, a byte order mark, one camera out of range that is
removed), the conversion, and the map of the copied speed.raw. Wine has no program for KML
files, so the wizard must say where speed.kml is; the file must hold one placemark per camera
of speed.raw, at the device file's coordinates."""
import os
import shutil
import struct
import xml.etree.ElementTree as ET

from wizard_driver import Failure, Wizard, make_program_folder, scenario_main, \
    user_files, wait_for, windows_path

KML = '{http://www.opengis.net/kml/2.2}'
# Far from every sample camera, so no choice among cameras at one place is asked for.
CSV_ROWS = [('12.5', '100.25', '90', '60', '1', '1'),
            ('12.75', '100.5', '180', '80', '2', '0'),
            ('95.0', '100.75', '0', '40', '1', '1')]  # latitude out of range: removed


def write_csv(path):
    text = 'Latitude;Longitude;Heading;Limit;Camera_Type;Dir\r\n'
    text += ''.join(';'.join(row) + '\r\n' for row in CSV_ROWS)
    with open(path, 'wb') as f:
        f.write(b'\xef\xbb\xbf' + text.encode('utf-8'))


def raw_records(path):
    data = open(path, 'rb').read()
    return [struct.unpack('>iiHBBB', data[i:i + 13]) for i in range(3, len(data), 13)]


def run(args):
    folder = make_program_folder([args.exe, args.rawconv, args.rus] + args.data)
    user, dest, base_path, _ = user_files(args.samples)
    csv_path = os.path.join(user, 'мои камеры.csv')
    write_csv(csv_path)

    wizard = Wizard(folder, args.probe, args.shots)
    wizard.reset_profile(windows_path(dest))
    try:
        wizard.start()
        wizard.press_start()
        wizard.import_from_disk(1, windows_path(base_path))
        wizard.remove_all_and_save(1)
        wizard.click_control('Skip')  # the partner step
        wizard.expect_step(3)

        wizard.import_from_disk(3, windows_path(csv_path))
        wizard.remove_all_and_save(3)
        wizard.click_control('Convert')
        wizard.wait_controls('the conversion result', shown=[1009, 1011], timeout=180)
        wizard.shot('done')

        raw = os.path.join(dest, 'speed.raw')
        records = raw_records(raw)
        for lat, lon, bearing, speed, typ, dirtype in (r for r in CSV_ROWS[:2]):
            want = (round(float(lat) * 1e6), round(float(lon) * 1e6))
            if not any((r[0], r[1]) == want for r in records):
                raise Failure('the CSV camera at %s, %s is not in speed.raw' % (lat, lon))

        wizard.click_control('ShowOnMap')
        wait_for('the notice naming the map', lambda: wizard.probe().get('messagebox') == '1', 60)
        wizard.shot_screen('map-notice')
        # OK, as a person clicks it: the box (544 x 177) is centred on the wizard, its button
        # 390..520 x 125..162 within it.
        wizard.click((860 - 544) // 2 + 455, (600 - 177) // 2 + 143)
        wait_for('the notice closed', lambda: wizard.probe().get('messagebox') == '0', 10)
        kml = os.path.join(dest, 'speed.kml')
        if not os.path.isfile(kml):
            raise Failure('no speed.kml beside speed.raw')
        placemarks = ET.parse(kml).getroot().iter(KML + 'Placemark')
        points = set()
        for p in placemarks:
            lon, lat = p.find('.//' + KML + 'coordinates').text.strip().split(',')[:2]
            points.add((round(float(lat) * 1e6), round(float(lon) * 1e6)))
        if points != {(r[0], r[1]) for r in records}:
            raise Failure('speed.kml holds %d places, speed.raw %d cameras' % (len(points), len(records)))
        print('speed.kml: %d placemarks for %d cameras' % (len(points), len(records)))
        wizard.close_with_button()
    finally:
        wizard.close()
        shutil.rmtree(folder, ignore_errors=True)
        shutil.rmtree(user, ignore_errors=True)


if __name__ == '__main__':
    scenario_main(run)
