#!/usr/bin/env python3
"""Makes the demo data in samples/ (deterministic; LibreOffice headless writes the workbooks).

- base_data.xls: a base-data workbook of 300 cameras around Moscow and Saint Petersburg,
  three of them with values out of range;
- conversion_workbook.xls: the same cameras without the invalid ones, as the wizard hands
  them to the converter;
- custom_data.xls: a customized workbook of a dozen cameras, two of them standing where
  base-data cameras stand.
- partner_cameras.txt: a partner camera file of 40 cameras, two with values out of range and
  one standing where a base-data camera stands.
"""
import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_template as t  # noqa: E402


def base_cameras():
    rnd = random.Random(11)
    cams = []
    for i in range(300):
        if i % 2:
            lat, lon = 55.55 + rnd.random() * 0.4, 37.35 + rnd.random() * 0.5
        else:
            lat, lon = 59.80 + rnd.random() * 0.2, 30.20 + rnd.random() * 0.3
        cams.append([i + 1, round(lat, 6), round(lon, 6), rnd.randrange(0, 360),
                     rnd.choice([40, 60, 60, 80, 90, 110]), rnd.choice([1, 2, 3, 4, 5]),
                     rnd.choice([0, 1, 1, 2])])
    cams[41][1] = 91.25   # latitude out of range
    cams[150][3] = 365    # bearing out of range
    cams[222][5] = 8      # camera type not listed
    return cams


def invalid(c):
    return not (-89.9 <= c[1] <= 89.9 and -180 <= c[2] <= 180 and 0 <= c[3] <= 359
                and 0 <= c[4] <= 180 and c[5] in (1, 2, 3, 4, 5) and 0 <= c[6] <= 2)


def custom_cameras(base):
    cams = [[1, base[10][1] + 0.0001, base[10][2], base[10][3], 50, 2, 1],   # same place and bearing
            [2, base[11][1], base[11][2] - 0.0001, base[11][3], 70, 3, 1]]
    rnd = random.Random(5)
    for i in range(10):
        cams.append([i + 3, round(56.30 + rnd.random() * 0.1, 6), round(43.90 + rnd.random() * 0.1, 6),
                     rnd.randrange(0, 360), 60, 1, 1])
    return cams


def partner_lines(base):
    rnd = random.Random(7)
    lines = ["ID,X,Y,TYPE,SPEED,DIRTYPE,ANGLE//Partner cameras"]
    for i in range(1, 41):
        if i % 2:
            lat, lon = 55.55 + rnd.random() * 0.4, 37.35 + rnd.random() * 0.5
        else:
            lat, lon = 59.80 + rnd.random() * 0.2, 30.20 + rnd.random() * 0.3
        typ, spd = rnd.choice([1, 2, 3, 4, 5]), rnd.choice([40, 60, 60, 80, 90, 110])
        dt, br = rnd.choice([0, 1, 1, 2]), rnd.randrange(0, 360)
        if i == 13:
            lat = 95.5                                           # latitude out of range
        if i == 29:
            br, spd = 400, 250                                   # bearing and speed out of range
        if i == 33:                                              # beside base camera 20, same bearing
            lat, lon, br = base[19][1] - 0.0002, base[19][2], base[19][3]
        lines.append(f"{1000 + i},{lon:.6f},{lat:.6f},{typ},{spd},{dt},{br}//partner")
    return "\r\n".join(lines) + "\r\n"


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    samples = os.path.join(root, "samples")
    base = base_cameras()
    t.build(os.path.join(samples, "base_data.xls"), cameras=base, version=28)
    t.build(os.path.join(samples, "conversion_workbook.xls"), cameras=[c for c in base if not invalid(c)], version=28)
    t.build(os.path.join(samples, "custom_data.xls"), cameras=custom_cameras(base), version=28)
    with open(os.path.join(samples, "partner_cameras.txt"), "w", newline="") as f:
        f.write(partner_lines(base))


if __name__ == "__main__":
    main()
