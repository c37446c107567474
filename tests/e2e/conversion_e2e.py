#!/usr/bin/env python3
"""One whole conversion in kovradesk.exe under Wine and Xvfb, driven as a person drives it:
the base-data workbook from disk with one camera corrected in place and two removed, the
partner text with its invalid cameras removed, the customized step skipped, the partner's
camera kept where it stands beside a base camera, and the conversion. The speed.raw that lands
in the destination folder must equal the file computed here from the sample data."""
import glob
import os
import shutil
import struct
import time

import xlrd

from wizard_driver import Failure, Wizard, make_program_folder, scenario_main, \
    user_files, wait_for, windows_path

CORRECTED_LATITUDE = 55.912345



def base_cameras(path):
    sheet = xlrd.open_workbook(path).sheet_by_name('data')
    return [sheet.row_values(r)[1:7] for r in range(1, sheet.nrows)]


def partner_cameras(path):
    cams = []
    with open(path, 'rb') as f:
        for line in f.read().decode('latin-1').splitlines()[1:]:
            fields = line.split('//')[0].split(',')
            _, lon, lat, typ, speed, dirtype, bearing = fields
            cams.append([float(lat), float(lon), int(bearing), int(speed), int(typ), int(dirtype)])
    return cams


def valid(c):
    return (-89.9 <= c[0] <= 89.9 and -180 <= c[1] <= 180 and 0 <= c[2] <= 359
            and 0 <= c[3] <= 180 and int(c[4]) in (1, 2, 3, 4, 5) and 0 <= c[5] <= 2)


def expected_raw(base, partner, version, month, day):
    """The camera file for the cameras as this scenario leaves them."""
    cams = []
    for c in base:
        if valid(c):
            cams.append(c)
        elif not -89.9 <= c[0] <= 89.9 and valid([CORRECTED_LATITUDE] + c[1:]):
            cams.append([CORRECTED_LATITUDE] + c[1:])   # the one corrected in place
    kept = [c for c in partner if valid(c)]
    # Base camera 20 and partner camera 33 stand at one place: the partner's is kept.
    dup = base[19]
    cams = [c for c in cams if c is not dup] + kept
    records = [(int(c[0] * 1000000), int(c[1] * 1000000), int(c[2]), int(c[3]), int(c[4]),
                int(c[5])) for c in cams]
    lats = [r[0] for r in records]
    if len(set(lats)) != len(lats):
        raise Failure('equal latitudes in the sample: the order would need the exchange sort')
    records.sort(key=lambda r: r[0])
    out = bytes([version & 0xFF, month, day])
    for lat, lon, bearing, speed, typ, dirtype in records:
        out += struct.pack('>iiHBBB', lat, lon, bearing & 0xFFFF, speed & 0xFF, typ & 0xFF,
                           dirtype & 0xFF)
    return out, len(records)


def run(args):
    folder = make_program_folder([args.exe, args.rawconv, args.rus] + args.data)
    user, dest, base_path, partner_path = user_files(args.samples)
    original_base = open(base_path, 'rb').read()

    wizard = Wizard(folder, args.probe, args.shots)
    wizard.reset_profile(windows_path(dest))
    try:
        wizard.start()
        wizard.press_start()

        # Step 1: the base data from disk.
        wizard.import_from_disk(1, windows_path(base_path))
        # The editor stands on the first failed value, the latitude 91.25: type a good one.
        wizard.keys('ctrl+a')
        wizard.type_text('%.6f' % CORRECTED_LATITUDE)
        wizard.keys('Return')
        wizard.shot('step1-corrected')
        for row_y in (163, 201):  # rows 2 and 3 of the list, on their latitude cells
            wizard.page_click(150, row_y)
            wizard.click_control('RemoveCamera')
        wizard.wait_controls('every invalid camera dealt with', enabled=[2003])
        wizard.shot('step1-removed')
        wizard.click_control('ImportNext')  # saved
        wizard.wait_controls('the saved corrections', hidden=[2055, 2007])
        wizard.shot('step1-saved')
        wizard.click_control('ImportNext')
        wizard.expect_step(2)

        # Step 2: the partner file, its invalid cameras removed.
        wizard.import_from_disk(2, windows_path(partner_path))
        wizard.remove_all_and_save(2)

        # Step 3: skipped.
        wizard.shot('step3')
        wizard.click_control('Skip')
        wizard.expect_step(4)
        wizard.shot('step4')

        # Step 4: convert; the one group of cameras at one place keeps the partner's.
        wizard.click_control('Convert')
        wizard.wait_controls('the duplicate group', shown=[1005, 1006])
        wizard.shot('step4-duplicates')
        wizard.page_click(80, 194)   # the second camera row: the partner's
        wizard.click_control('NextSet')
        wizard.wait_controls('the conversion result', shown=[1009], timeout=180)
        wizard.shot('step4-done')

        raw = os.path.join(dest, 'speed.raw')
        if not os.path.isfile(raw):
            raise Failure('no speed.raw in the destination folder')
        history = sorted(glob.glob(os.path.join(folder, 'History', 'BaseFile_*.xls')))
        if not history:
            raise Failure('no conversion workbook in History')
        stamp = time.gmtime(os.stat(history[-1]).st_mtime)
        version = int(xlrd.open_workbook(history[-1]).sheet_by_name('note').cell_value(999, 5))
        expected, count = expected_raw(base_cameras(os.path.join(args.samples, 'base_data.xls')),
                                       partner_cameras(partner_path), version,
                                       stamp.tm_mon, stamp.tm_mday)
        got = open(raw, 'rb').read()
        if got != expected:
            raise Failure('speed.raw differs: %d bytes, expected %d (%d cameras)'
                          % (len(got), len(expected), count))
        backup = os.path.splitext(base_path)[0] + '_backup.xls'
        if not os.path.isfile(backup) or open(backup, 'rb').read() != original_base:
            raise Failure('the base file\'s backup is missing or not the original')
        if len(base_cameras(base_path)) != 298:
            raise Failure('the corrected base file does not hold 298 cameras')
        print('speed.raw: %d cameras, as expected' % count)

        wizard.close_with_button()
    finally:
        wizard.close()
        shutil.rmtree(folder, ignore_errors=True)
        shutil.rmtree(user, ignore_errors=True)


if __name__ == '__main__':
    scenario_main(run)
