#!/usr/bin/python3
"""Checks the committed skin images: every ID the program loads is there with its size and
pixel format, the text the program paints on them stays readable, and the generator still
produces exactly the committed bytes.

Usage: check_art.py <source folder>
"""
import filecmp
import os
import struct
import subprocess
import sys
import tempfile

from PIL import Image

PAGE_Y = 151  # top of the page area in the dialog


def expected():
    """id -> (width, height, mode); bitmaps (ids from 1500) are 24-bit BMP files."""
    e = {1000: (860, 600, 'RGB'), 1031: (613, 30, 'RGBA'), 1032: (613, 30, 'RGBA'),
         1033: (739, 48, 'RGB'), 1042: (151, 54, 'RGBA'), 1043: (544, 177, 'RGB'),
         1044: (544, 227, 'RGB'), 1049: (720, 50, 'RGB'), 1182: (16, 16, 'RGBA'),
         1504: (860, 449, 'RGB')}
    for first, count, w, h in ((1001, 6, 22, 22), (1007, 12, 103, 42), (1020, 7, 19, 19),
                               (1027, 4, 130, 37), (1034, 4, 206, 42), (1038, 4, 104, 35),
                               (1045, 3, 130, 37), (1150, 7, 18, 18), (1178, 4, 206, 42)):
        for i in range(first, first + count):
            e[i] = (w, h, 'RGBA')
    for i in range(1500, 1504):
        e[i] = (860, 86, 'RGB')
    return e


def path(art, i):
    return os.path.join(art, '%d.%s' % (i, 'bmp' if i >= 1500 else 'png'))


def luminance(c):
    def lin(v):
        v /= 255
        return v / 12.92 if v <= 0.04045 else ((v + 0.055) / 1.055) ** 2.4
    return 0.2126 * lin(c[0]) + 0.7152 * lin(c[1]) + 0.0722 * lin(c[2])


def worst_contrast(img, box, text):
    """Lowest contrast of the text colour against any pixel of img inside box."""
    lt = luminance(text)
    worst = None
    for _, c in img.crop(box).convert('RGB').getcolors(1 << 20):
        a, b = sorted((lt, luminance(c)), reverse=True)
        k = (a + 0.05) / (b + 0.05)
        worst = k if worst is None else min(worst, k)
    return worst


def over(img, colour):
    """An image with alpha, as it looks drawn over a plain colour."""
    base = Image.new('RGBA', img.size, colour + (255,))
    base.alpha_composite(img.convert('RGBA'))
    return base.convert('RGB')


def main(src):
    art = os.path.join(src, 'resources', 'art')
    errors = []
    imgs = {}
    for i, (w, h, mode) in sorted(expected().items()):
        p = path(art, i)
        if not os.path.isfile(p):
            errors.append('%d: missing %s' % (i, p))
            continue
        img = Image.open(p)
        img.load()
        imgs[i] = img
        if img.size != (w, h) or img.mode != mode:
            errors.append('%d: %dx%d %s, want %dx%d %s' % (i, *img.size, img.mode, w, h, mode))
        if i >= 1500:
            with open(p, 'rb') as f:
                head = f.read(34)
            if head[:2] != b'BM' or struct.unpack_from('<HI', head, 28) != (24, 0):
                errors.append('%d: not an uncompressed 24-bit bitmap' % i)
        elif img.mode == mode == 'RGBA' and img.getchannel('A').getextrema()[0] == 255:
            errors.append('%d: drawn with alpha but nothing is transparent' % i)
    if errors:
        return errors

    white, page = (255, 255, 255), imgs[1504]
    page_colour = page.getpixel((430, 20))
    checks = [  # what, image, box, text colour, minimum contrast
        ('welcome heading', imgs[1000], (70, 144, 790, 186), white, 7),
        ('welcome text', imgs[1000], (70, 200, 790, 500), white, 7),
        ('title bar', imgs[1000], (26, 0, 860, 29), white, 7),
        ('page texts', page, (60, 20, 830, 340), white, 7),
        ('message text', imgs[1043], (50, 40, 494, 106), white, 7),
        ('progress message text', imgs[1044], (34, 40, 510, 88), white, 7),
        ('import captions', imgs[1033], (5, 10, 717, 48), white, 4.5),
        ('convert captions', imgs[1049], (3, 11, 717, 49), white, 4.5),
        ('progress over track', over(imgs[1032], page_colour), (8, 6, 605, 24), white, 4.5),
        ('progress over fill', over(imgs[1031], page_colour), (8, 6, 605, 24), white, 4.5),
    ]
    for step in range(4):
        strip = imgs[1500 + step]
        for k, left in enumerate((25, 261, 463, 673)):
            colour = white if k == step else (63, 63, 63)
            checks.append(('strip %d, step %d text' % (step + 1, k + 1), strip,
                           (left, 12, 215 * (k + 1) - 20, 78), colour, 4.5))
    faces = [(first + s, colour) for first, n, colour in (
        (1007, 4, white), (1007, 4, (254, 84, 18)), (1011, 8, white), (1027, 4, white),
        (1034, 4, white), (1045, 3, white), (1178, 4, white)) for s in range(n)]
    for i, colour in faces:
        img = imgs[i]
        w, h = img.size
        checks.append(('%d caption' % i, over(img, page_colour),
                       (12, 10, w - 12, h - 11), colour, 4.5 if colour == white else 4))
    for i in range(1038, 1042):
        checks.append(('%d caption' % i, over(imgs[i], imgs[1000].getpixel((60, 47))),
                       (20, 8, 84, 26), white, 4.5))
    for what, img, box, colour, minimum in checks:
        k = worst_contrast(img, box, colour)
        if k < minimum:
            errors.append('%s: contrast %.1f:1, want at least %g:1' % (what, k, minimum))

    with tempfile.TemporaryDirectory() as tmp:
        subprocess.run([sys.executable, os.path.join(src, 'tools', 'make_art.py'), tmp],
                       check=True)
        for i in sorted(expected()):
            if not filecmp.cmp(path(art, i), path(tmp, i), shallow=False):
                errors.append('%d: committed file differs from the generator\'s output' % i)
        for name in ('skin_ids.h', 'skin_ids.json'):
            if not filecmp.cmp(os.path.join(src, 'resources', name), os.path.join(tmp, name), shallow=False):
                errors.append('resources/%s differs from the generator\'s output' % name)
        made = {n for n in os.listdir(tmp) if not n.endswith('.md') and not n.startswith('skin_ids.')}
        known = {os.path.basename(path(tmp, i)) for i in expected()}
        for n in sorted(made - known):
            errors.append('generator writes %s, which nothing here expects' % n)
    return errors


if __name__ == '__main__':
    problems = main(sys.argv[1] if len(sys.argv) > 1 else
                    os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..'))
    for p in problems:
        print(p)
    sys.exit(1 if problems else 0)
