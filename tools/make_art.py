#!/usr/bin/python3
"""Draws the wizard's skin: every PNG and bitmap resource, into resources/art/ named by ID.

Everything is computed (no fonts, no input files), so the same bytes come out on every run.
Shapes are drawn at four times their size and averaged down, which gives smooth corners and
crisp one-pixel edges. Needs Debian's python3-pil; run it with /usr/bin/python3.

Usage:
    tools/make_art.py [output folder]            the resources (default resources/art), and
                                                 skin_ids.h and .json (in resources/ by
                                                 default): the art's names and where the
                                                 controls stand
    tools/make_art.py --ids                      only skin_ids.h and skin_ids.json
    tools/make_art.py --preview [output folder]  also the contact sheet and screen mock-ups,
                                                 which use a system font and are for people only
"""
import json
import os
import sys

from PIL import Image, ImageDraw

S = 4  # supersampling factor per axis

# Palette. Every painted caption and page text is white (a few are given colours), so the
# surfaces behind text are dark; the step strip's other steps carry dark grey text, so those
# chevrons are light. Orange is the brand colour of the icon and the progress fill.
TITLE = (0x13, 0x20, 0x33)        # title bar
TITLE_LINE = (0x0B, 0x14, 0x21)   # 1-px rules between the bars
MENU = (0x1A, 0x2B, 0x42)         # menu bar
STRIP = (0x16, 0x25, 0x3A)        # behind the chevrons
PAGE_TOP = (0x20, 0x35, 0x51)     # page area, top ...
PAGE_BOTTOM = (0x1B, 0x2E, 0x47)  # ... to bottom
FOOTER = (0x16, 0x26, 0x3B)       # button row
FOOTER_LINE = (0x2D, 0x44, 0x63)
PANEL = (0x2A, 0x42, 0x63)        # column caption bars
PANEL_EDGE = (0x45, 0x63, 0x8C)
ACCENT = (0x2B, 0x64, 0xBF)       # interactive blue
ACCENT_LIGHT = (0x5B, 0x8E, 0xDB)
ORANGE = (0xF2, 0x8C, 0x1E)       # brand (icon ring)
FILL_TOP = (0xC4, 0x51, 0x11)     # progress fill
FILL_BOTTOM = (0xB3, 0x43, 0x0B)
WELL = (0x10, 0x1B, 0x2A)         # progress track
WELL_EDGE = (0x3C, 0x56, 0x78)
CHEV_TODO = (0xCD, 0xD6, 0xE1)    # later steps
CHEV_DONE = (0xB3, 0xC9, 0xE6)    # earlier steps
WHITE = (0xFF, 0xFF, 0xFF)
GLYPH = (0xC6, 0xD2, 0xE2)        # title-bar glyphs at rest
CLOSE_RED = (0xD2, 0x3F, 0x3F)

# Window geometry the art must match (client pixels).
W, H = 860, 600
TITLE_BOTTOM, MENU_TOP, MENU_BOTTOM, STRIP_TOP, PAGE_TOP_Y = 29, 30, 64, 65, 151
PAGE_H = H - PAGE_TOP_Y           # 449
FOOTER_Y = 362                    # page row where the button row begins (buttons at 384..426)


# ---------------------------------------------------------------- drawing helpers

def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def vgradient(w, h, top, bottom):
    """RGB image of w x h going from top to bottom colour."""
    col = Image.new('RGB', (1, h))
    col.putdata([mix(top, bottom, y / max(1, h - 1)) for y in range(h)])
    return col.resize((w, h), Image.NEAREST)


class Canvas:
    """An RGBA drawing at S times the final size; coordinates are given in final pixels."""

    def __init__(self, w, h, base=None):
        self.w, self.h = w, h
        if base is None:
            self.img = Image.new('RGBA', (w * S, h * S), (0, 0, 0, 0))
        else:
            self.img = base.convert('RGBA').resize((w * S, h * S), Image.NEAREST)

    def mask(self):
        return Image.new('L', self.img.size, 0)

    def rrect(self, box, r, m=None):
        """Mask of a rounded rectangle; box = left, top, right, bottom (right, bottom exclusive)."""
        m = m or self.mask()
        x0, y0, x1, y1 = box
        ImageDraw.Draw(m).rounded_rectangle(
            [round(x0 * S), round(y0 * S), round(x1 * S) - 1, round(y1 * S) - 1],
            radius=round(r * S), fill=255)
        return m

    def poly(self, points, m=None):
        m = m or self.mask()
        ImageDraw.Draw(m).polygon([(round(x * S), round(y * S)) for x, y in points], fill=255)
        return m

    def ellipse(self, box, m=None):
        m = m or self.mask()
        x0, y0, x1, y1 = box
        ImageDraw.Draw(m).ellipse([round(x0 * S), round(y0 * S), round(x1 * S) - 1,
                                   round(y1 * S) - 1], fill=255)
        return m

    def lines(self, points, width, m=None):
        m = m or self.mask()
        d = ImageDraw.Draw(m)
        pts = [(round(x * S), round(y * S)) for x, y in points]
        wd = round(width * S)
        d.line(pts, fill=255, width=wd, joint='curve')
        for x, y in (pts[0], pts[-1]):  # round caps
            d.ellipse([x - wd / 2, y - wd / 2, x + wd / 2, y + wd / 2], fill=255)
        return m

    def paint(self, m, colour, opacity=1.0, gradient=None):
        """Composite colour (or a (top, bottom, y0, y1) gradient) through mask m."""
        if gradient:
            top, bottom, gy0, gy1 = gradient
            src = Image.new('RGB', self.img.size, top)
            g = vgradient(self.img.size[0], round((gy1 - gy0) * S), top, bottom)
            src.paste(g, (0, round(gy0 * S)))
            src.paste(Image.new('RGB', self.img.size, bottom).crop(
                (0, 0, self.img.size[0], max(0, self.img.size[1] - round(gy1 * S)))),
                (0, round(gy1 * S)))
            src = src.convert('RGBA')
        else:
            src = Image.new('RGBA', self.img.size, colour + (255,))
        alpha = m if opacity >= 1.0 else m.point(lambda v: round(v * opacity))
        src.putalpha(alpha)
        self.img = Image.alpha_composite(self.img, src)

    def cut(self, m):
        """Makes the pixels under mask m fully transparent."""
        a = self.img.getchannel('A')
        a.paste(0, mask=m)
        self.img.putalpha(a)

    def result(self, mode='RGBA'):
        out = self.img.resize((self.w, self.h), Image.BOX)
        return out if mode == 'RGBA' else out.convert(mode)


def inset(box, d):
    x0, y0, x1, y1 = box
    return (x0 + d, y0 + d, x1 - d, y1 - d)


def desaturate(c, toward=PAGE_BOTTOM, t=0.45):
    """Disabled look: grey of the same lightness, pulled toward the page colour."""
    y = round(0.299 * c[0] + 0.587 * c[1] + 0.114 * c[2])
    return mix((y, y, y), toward, t)


# ---------------------------------------------------------------- backgrounds

def page_background(h_total=PAGE_H):
    """The page area: a calm vertical gradient and the button row below a 1-px rule."""
    img = vgradient(W, h_total, PAGE_TOP, PAGE_BOTTOM)
    d = ImageDraw.Draw(img)
    d.rectangle([0, FOOTER_Y, W - 1, h_total - 1], fill=FOOTER)
    d.line([(0, FOOTER_Y), (W - 1, FOOTER_Y)], fill=FOOTER_LINE)
    return img


def main_background():
    img = Image.new('RGB', (W, H), PAGE_TOP)
    img.paste(vgradient(W, TITLE_BOTTOM, mix(TITLE, WHITE, 0.04), TITLE), (0, 0))
    img.paste(Image.new('RGB', (W, 1), TITLE_LINE), (0, TITLE_BOTTOM))
    img.paste(vgradient(W, MENU_BOTTOM - MENU_TOP, mix(MENU, WHITE, 0.03), MENU), (0, MENU_TOP))
    img.paste(Image.new('RGB', (W, 1), TITLE_LINE), (0, MENU_BOTTOM))
    # The welcome screen shows the strip's band and the page as one surface.
    welcome = vgradient(W, PAGE_TOP_Y - STRIP_TOP, PAGE_TOP, PAGE_TOP)
    img.paste(welcome, (0, STRIP_TOP))
    img.paste(page_background(), (0, PAGE_TOP_Y))
    # A short orange rule under the welcome heading (70,144..176); the text begins at 214.
    c = Canvas(W, H, img)
    c.paint(c.rrect((70, 188, 134, 192), 2), ORANGE)
    return c.result('RGB')


# ---------------------------------------------------------------- push buttons

BUTTON_STYLES = {
    # border, face top, face bottom
    'primary': ((0x1C, 0x47, 0x8E), (0x2C, 0x66, 0xC2), (0x24, 0x57, 0xAA)),
    'secondary': ((0x55, 0x72, 0x98), (0x40, 0x58, 0x79), (0x35, 0x4B, 0x68)),
    # dark face: carries white captions and the orange one of the "Template" button
    'ghost': ((0x5B, 0x8E, 0xDB), (0x17, 0x26, 0x3A), (0x12, 0x1F, 0x31)),
}


def push_button(w, h, style, state, radius=5):
    """One face of a push button. The body leaves 2 px at the sides (so buttons that touch
    keep a gap), 1 px above and 2 below for the shadow and for the pressed shift."""
    border, top, bottom = BUTTON_STYLES[style]
    if state == 'hover':
        # the dark face also carries an orange caption, so it lightens mostly at its edge
        face = 0.04 if style == 'ghost' else 0.1
        border, top, bottom = mix(border, WHITE, 0.2), mix(top, WHITE, face), \
            mix(bottom, WHITE, face)
    elif state == 'pressed':
        border, top, bottom = mix(border, (0, 0, 0), 0.2), mix(bottom, (0, 0, 0), 0.22), \
            mix(top, (0, 0, 0), 0.16)
    elif state == 'disabled':
        border, top, bottom = (desaturate(c, t=0.3) for c in (border, top, bottom))
    dy = 1 if state == 'pressed' else 0
    body = (2, 1 + dy, w - 2, h - 2 + dy)
    c = Canvas(w, h)
    if state not in ('pressed', 'disabled'):
        c.paint(c.rrect((2, 2, w - 2, h - 1), radius), (0, 0, 0), 0.35)  # soft drop shadow
    c.paint(c.rrect(body, radius), border)
    inner = inset(body, 1)
    c.paint(c.rrect(inner, radius - 1), None, gradient=(top, bottom, inner[1], inner[3]))
    if state in ('normal', 'hover'):
        # a faint light line along the top edge inside the border
        hl = c.rrect(inner, radius - 1)
        below = c.rrect((inner[0], inner[1] + 1, inner[2], inner[3] + 1), radius - 1)
        hl.paste(0, mask=below)
        c.paint(hl, WHITE, 0.10)
    if state == 'pressed':
        # inner shadow along the top: the face is pushed in
        sh = c.rrect(inner, radius - 1)
        below = c.rrect((inner[0], inner[1] + 2, inner[2], inner[3] + 2), radius - 1)
        sh.paste(0, mask=below)
        c.paint(sh, (0, 0, 0), 0.25)
    out = c.result()
    if state == 'disabled':
        # faded into whatever lies beneath; the caption keeps its colour, so the face stays dark
        out.putalpha(out.getchannel('A').point(lambda v: v * 3 // 4))
    return out


def button_set(w, h, style, states=('normal', 'pressed', 'hover', 'disabled')):
    return [push_button(w, h, style, s) for s in states]


# ---------------------------------------------------------------- title-bar buttons

def title_button(kind, state):
    """22 x 22 minimize (kind 'min') or close ('close') button on the dark title bar."""
    c = Canvas(22, 22)
    glyph = GLYPH
    dy = 1 if state == 'pressed' else 0
    if state == 'hover':
        c.paint(c.rrect((0, 0, 22, 22), 4), CLOSE_RED if kind == 'close' else WHITE,
                1.0 if kind == 'close' else 0.16)
        glyph = WHITE
    elif state == 'pressed':
        c.paint(c.rrect((0, 0, 22, 22), 4),
                mix(CLOSE_RED, (0, 0, 0), 0.25) if kind == 'close' else (0, 0, 0),
                1.0 if kind == 'close' else 0.30)
        glyph = WHITE
    if kind == 'min':
        c.paint(c.lines([(7, 14.5 + dy), (15, 14.5 + dy)], 1.6), glyph)
    else:
        c.paint(c.lines([(7.5, 7.5 + dy), (14.5, 14.5 + dy)], 1.6), glyph)
        c.paint(c.lines([(14.5, 7.5 + dy), (7.5, 14.5 + dy)], 1.6), glyph)
    return c.result()


# ---------------------------------------------------------------- menu headers

def menu_header(state):
    """104 x 35 header of the menu bar (the bar is 34 high, so the last row never shows).
    At rest it is clear: only the painted caption sits on the bar."""
    c = Canvas(104, 35)
    body = (3, 3, 101, 31)
    if state == 'hover':
        c.paint(c.rrect(body, 5), WHITE, 0.12)
        c.paint(c.rrect((34, 28, 70, 30), 1), ORANGE)
    elif state == 'pressed':
        c.paint(c.rrect(body, 5), (0, 0, 0), 0.28)
        c.paint(c.rrect((34, 28, 70, 30), 1), mix(ORANGE, (0, 0, 0), 0.15))
    return c.result()


# ---------------------------------------------------------------- check box and radio button

def choice_colours(checked, state):
    if checked:
        edge, fill = ACCENT_LIGHT, ACCENT
        if state == 'hover':
            edge, fill = mix(edge, WHITE, 0.25), mix(fill, WHITE, 0.15)
        elif state == 'pressed':
            edge, fill = mix(edge, (0, 0, 0), 0.2), mix(fill, (0, 0, 0), 0.25)
        return edge, fill, WHITE
    edge, fill = (0xA9, 0xBB, 0xD3), (0x12, 0x20, 0x33)
    if state == 'hover':
        edge, fill = WHITE, (0x1E, 0x33, 0x4F)
    elif state == 'pressed':
        edge, fill = ACCENT_LIGHT, (0x0C, 0x17, 0x26)
    elif state == 'disabled':
        edge, fill = desaturate(edge, t=0.6), desaturate(fill)
    return edge, fill, None


def radio(checked, state):
    c = Canvas(19, 19)
    edge, fill, dot = choice_colours(checked, state)
    c.paint(c.ellipse((1, 1, 18, 18)), edge)
    c.paint(c.ellipse((2.5, 2.5, 16.5, 16.5)), fill)
    if dot:
        c.paint(c.ellipse((6, 6, 13, 13)), dot)
    return c.result()


def check_box(checked, state):
    c = Canvas(18, 18)
    edge, fill, mark = choice_colours(checked, state)
    c.paint(c.rrect((1, 1, 17, 17), 3.5), edge)
    c.paint(c.rrect((2.5, 2.5, 15.5, 15.5), 2.2), fill)
    if mark:
        c.paint(c.lines([(5, 9.2), (7.8, 12), (13, 6.2)], 1.9), mark)
    return c.result()


# ---------------------------------------------------------------- progress bar

def progress_track(w=613, h=30):
    c = Canvas(w, h)
    c.paint(c.rrect((0, 0, w, h), 6), WELL_EDGE)
    c.paint(c.rrect((1, 1, w - 1, h - 1), 5), None,
            gradient=(mix(WELL, (0, 0, 0), 0.25), WELL, 1, 8))
    return c.result()


def progress_fill(w=613, h=30):
    c = Canvas(w, h)
    c.paint(c.rrect((1, 1, w - 1, h - 1), 5), mix(FILL_BOTTOM, (0, 0, 0), 0.15))
    c.paint(c.rrect((2, 2, w - 2, h - 2), 4), None, gradient=(FILL_TOP, FILL_BOTTOM, 2, h - 2))
    hl = c.rrect((2, 2, w - 2, h - 2), 4)
    hl.paste(0, mask=c.rrect((2, 3, w - 2, h - 1), 4))
    c.paint(hl, WHITE, 0.18)
    return c.result()


# ---------------------------------------------------------------- step strip

STEP_W, STEP_H = 860, 86
CHEV_TOP, CHEV_BOTTOM, CHEV_POINT, CHEV_GAP = 3, 83, 14, 4


def chevron_points(i):
    """Chevron of step i: flat left edge for the first, notched for the others; pointed right
    edge except for the last. The painted titles begin at x 25, 261, 463, 673 and wrap before
    the next quarter, so each body spans its quarter and the point reaches into the next."""
    q = STEP_W // 4
    left = 0 if i == 0 else q * i + 2 + CHEV_GAP
    right = q * (i + 1) + 2
    mid = (CHEV_TOP + CHEV_BOTTOM) / 2
    pts = [(left, CHEV_TOP)]
    if i < 3:
        pts += [(right, CHEV_TOP), (right + CHEV_POINT, mid), (right, CHEV_BOTTOM)]
    else:
        pts += [(STEP_W, CHEV_TOP), (STEP_W, CHEV_BOTTOM)]
    pts.append((left, CHEV_BOTTOM))
    if i > 0:
        pts.append((left + CHEV_POINT, mid))
    return pts


def step_strip(current):
    c = Canvas(STEP_W, STEP_H, Image.new('RGB', (STEP_W, STEP_H), STRIP))
    for i in range(4):
        pts = chevron_points(i)
        if i == current:
            c.paint(c.poly(pts), None, gradient=(mix(ACCENT, WHITE, 0.08),
                                                 mix(ACCENT, (0, 0, 0), 0.08),
                                                 CHEV_TOP, CHEV_BOTTOM))
            hl = c.poly(pts)
            hl.paste(0, mask=c.poly([(x, y + 1) for x, y in pts]))
            c.paint(hl, WHITE, 0.25)
        else:
            base = CHEV_DONE if i < current else CHEV_TODO
            c.paint(c.poly(pts), None, gradient=(mix(base, WHITE, 0.25), base,
                                                 CHEV_TOP, CHEV_BOTTOM))
    return c.result('RGB')


# ---------------------------------------------------------------- column caption bars

def column_captions(origin, size, cells, cell_top, cell_bottom, left, right):
    """Opaque caption bar drawn by a page at origin (page pixels): it repeats the page
    background around the bar, so it looks the same whether drawn with alpha or as a plain
    bitmap. The bar spans left..right, the width of the table under it; a hairline separates
    the caption cells."""
    ox, oy = origin
    w, h = size
    c = Canvas(w, h, page_background().crop((ox, oy, ox + w, oy + h)))
    x0, x1 = left - ox, right - ox
    y0, y1 = cell_top - oy, cell_bottom - oy
    bar = (x0, y0, x1, y1 + 4)  # runs under the table's top edge, which covers the rest
    c.paint(c.rrect(bar, 5), PANEL_EDGE)
    c.paint(c.rrect(inset(bar, 1), 4), None,
            gradient=(mix(PANEL, WHITE, 0.06), PANEL, y0 + 1, y1))
    for (_, right), (left, _) in zip(cells, cells[1:]):
        gx = (right + left) / 2 - ox
        c.paint(c.rrect((gx - 0.5, y0 + 8, gx + 0.5, y1 - 8), 0), PANEL_EDGE)
    return c.result('RGB')


def import_captions():
    """1033: six caption cells 68..780 x 68..106 (page), drawn at 63,58."""
    cells = [(68, 185), (187, 304), (306, 423), (425, 542), (544, 661), (663, 780)]
    return column_captions((63, 58), (739, 48), cells, 68, 106, 67, 798)  # list 67..798


def convert_captions():
    """1049: five caption cells 68..782 x 101..139 (page), drawn at 65,90."""
    cells = [(68, 210), (211, 353), (354, 496), (497, 639), (640, 782)]
    return column_captions((65, 90), (720, 50), cells, 101, 139, 66, 784)  # rows 69..781


# ---------------------------------------------------------------- message box

def message_box(h, progress):
    """Opaque box (the window is a plain rectangle): dark panel, light 1-px edge, an orange
    band on top, and a darker footer behind the buttons."""
    w = 544
    img = vgradient(w, h, mix(MENU, WHITE, 0.04), MENU)
    c = Canvas(w, h, img)
    footer_y = 160 if progress else 114
    foot = c.rrect((0, footer_y, w, h), 0)
    c.paint(foot, FOOTER)
    c.paint(c.rrect((0, footer_y, w, footer_y + 1), 0), FOOTER_LINE)
    c.paint(c.rrect((0, 0, w, 3), 0), ORANGE)
    edge = c.rrect((0, 0, w, h), 0)
    edge.paste(0, mask=c.rrect((1, 1, w - 1, h - 1), 0))
    c.paint(edge, (0x4A, 0x68, 0x90))
    out = c.result('RGB')
    if progress:
        # The bar's window is 399 px wide (74..473) and shows the left part of the 613-px
        # track; the box supplies the track's right end just beyond it.
        track = progress_track(400, 30)
        out.paste(track, (74, 98), track)
    return out


# ---------------------------------------------------------------- icon and picture

def emblem(c, box):
    """The application's mark: dark blue rounded square, orange ring, white lens."""
    x0, y0, x1, y1 = box
    s = x1 - x0
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    c.paint(c.rrect(box, s * 0.2), (0x1B, 0x2E, 0x4F))
    edge = c.rrect(box, s * 0.2)
    edge.paste(0, mask=c.rrect(inset(box, max(1, s / 24)), s * 0.2 - 1))
    c.paint(edge, (0x4A, 0x6C, 0xA0))
    c.paint(c.ellipse((cx - 0.37 * s, cy - 0.37 * s, cx + 0.37 * s, cy + 0.37 * s)), ORANGE)
    c.paint(c.ellipse((cx - 0.25 * s, cy - 0.25 * s, cx + 0.25 * s, cy + 0.25 * s)),
            (0x1B, 0x2E, 0x4F))
    c.paint(c.ellipse((cx - 0.14 * s, cy - 0.14 * s, cx + 0.14 * s, cy + 0.14 * s)), WHITE)


def title_icon():
    c = Canvas(16, 16)
    emblem(c, (0, 0, 16, 16))
    return c.result()


def about_picture():
    """151 x 54: the mark, chevrons, and a memory card: camera data goes to the recorder."""
    c = Canvas(151, 54)
    emblem(c, (2, 2, 52, 52))
    for k, t in enumerate((0.45, 0.7, 1.0)):
        x = 62 + k * 11
        c.paint(c.lines([(x, 19), (x + 7, 27), (x, 35)], 3), ORANGE, t)
    # memory card: a rounded body with a cut corner and gold contacts
    body = c.rrect((104, 8, 144, 48), 4)
    body.paste(0, mask=c.poly([(104, 8), (118, 8), (104, 20)]))
    c.paint(body, (0xE6, 0xEC, 0xF3))
    inner = c.rrect((106, 10, 142, 46), 3)
    inner.paste(0, mask=c.poly([(104, 8), (119, 8), (104, 23)]))
    c.paint(inner, (0x2E, 0x45, 0x66))
    for k in range(4):
        x = 117 + k * 6
        c.paint(c.rrect((x, 12, x + 4, 21), 1), (0xE8, 0xB0, 0x4A))
    c.paint(c.rrect((111, 32, 137, 42), 2), (0x40, 0x5C, 0x82))
    return c.result()


# ---------------------------------------------------------------- the catalogue

def catalogue():
    """(id, image, role, state) for every resource, in ID order; bitmaps have ids 1500+."""
    items = []

    def add(i, img, role, state=''):
        items.append((i, img, role, state))

    add(1000, main_background(), 'dialog background', '')
    for k, st in enumerate(('normal', 'pressed', 'hover')):
        add(1001 + k, title_button('min', st), 'minimize button', st)
    for k, st in enumerate(('normal', 'pressed', 'hover')):
        add(1004 + k, title_button('close', st), 'close button', st)
    states = ('normal', 'pressed', 'hover', 'disabled')
    for k, img in enumerate(button_set(103, 42, 'ghost')):
        add(1007 + k, img, 'Start / Skip / Template button', states[k])
    for k, img in enumerate(button_set(103, 42, 'secondary')):
        add(1011 + k, img, '"< Back" / "< Correct Prev" button', states[k])
    for k, img in enumerate(button_set(103, 42, 'primary')):
        add(1015 + k, img, '"Next >" / "Convert" / "Correct Next >" button', states[k])
    rstates = ('normal', 'pressed', 'hover', 'disabled')
    for k, st in enumerate(rstates):
        add(1020 + k, radio(False, st), 'radio button, unchecked', st)
    for k, st in enumerate(rstates[:3]):
        add(1024 + k, radio(True, st), 'radio button, checked', st)
    for k, img in enumerate(button_set(130, 37, 'secondary')):
        add(1027 + k, img, '"Browse..." button', states[k])
    add(1031, progress_fill(), 'progress bar fill', '')
    add(1032, progress_track(), 'progress bar track', '')
    add(1033, import_captions(), 'import page column captions', '')
    for k, img in enumerate(button_set(206, 42, 'secondary')):
        add(1034 + k, img, 'wide button: Cancel Download / Remove', states[k])
    for k, st in enumerate(states):
        add(1038 + k, menu_header(st), 'menu bar header', st)
    add(1042, about_picture(), 'About picture', '')
    add(1043, message_box(177, False), 'message box background', '')
    add(1044, message_box(227, True), 'message box background, progress', '')
    for k, img in enumerate(button_set(130, 37, 'primary', ('normal', 'pressed', 'hover'))):
        add(1045 + k, img, 'message box button', states[k])
    add(1049, convert_captions(), 'convert page column captions', '')
    for k, st in enumerate(rstates):
        add(1150 + k, check_box(False, st), 'check box, unchecked', st)
    for k, st in enumerate(rstates[:3]):
        add(1154 + k, check_box(True, st), 'check box, checked', st)
    for k, img in enumerate(button_set(206, 42, 'primary')):
        add(1178 + k, img, 'wide button: Try Again / Open Folder', states[k])
    add(1182, title_icon(), 'title-bar icon', '')
    for k in range(4):
        add(1500 + k, step_strip(k), 'step strip, step %d current' % (k + 1), '')
    add(1504, page_background(), 'page background', '')
    return items


# Names for the code: the first ID of each set of images (a button's faces follow it as normal,
# pressed, hover, disabled; a toggle's unchecked then checked states).
ART_NAMES = [
    ('kArtDialogBackground', 1000), ('kArtMinimizeButton', 1001), ('kArtCloseButton', 1004),
    ('kArtGhostButton', 1007), ('kArtSecondaryButton', 1011), ('kArtPrimaryButton', 1015),
    ('kArtRadio', 1020), ('kArtBrowseButton', 1027), ('kArtProgressFill', 1031),
    ('kArtProgressTrack', 1032), ('kArtImportCaptions', 1033), ('kArtWideButton', 1034),
    ('kArtMenuHeader', 1038), ('kArtAboutPicture', 1042), ('kArtMessageBox', 1043),
    ('kArtMessageBoxProgress', 1044), ('kArtMessageBoxButton', 1045),
    ('kArtConvertCaptions', 1049), ('kArtCheckBox', 1150), ('kArtWidePrimaryButton', 1178),
    ('kArtTitleIcon', 1182), ('kArtStepStrip', 1500), ('kArtPageBackground', 1504),
]

# Where the controls the art is drawn for stand: main window pixels for the window's own
# controls, page pixels (below the step strip, which ends at y 151) for the pages'. The program
# places its controls here and the end-to-end driver clicks them here.
PAGE_TOP_IN_WINDOW = 151
LAYOUT = [
    # main window
    ('MinimizeButton', (807, 4, 829, 26)), ('CloseButton', (832, 4, 854, 26)),
    ('StartButton', (732, 535, 834, 577)),
    # import pages: step 1, and the partner and customized steps below it
    ('DownloadChoice', (120, 110, 600, 158)), ('PreviousChoice', (120, 174, 600, 198)),
    ('ImportPath', (120, 214, 696, 252)), ('ImportBrowse', (706, 214, 836, 251)),
    ('LaterImportPath', (120, 274, 696, 312)), ('LaterImportBrowse', (706, 274, 836, 311)),
    ('ImportNext', (732, 384, 835, 426)), ('ImportBack', (629, 384, 732, 426)),
    ('LaterImportNext', (622, 384, 725, 426)), ('LaterImportBack', (519, 384, 622, 426)),
    ('Skip', (733, 384, 836, 426)), ('Template', (406, 384, 509, 426)),
    ('Progress', (118, 190, 731, 220)), ('CancelDownload', (629, 384, 835, 426)),
    ('CameraList', (67, 106, 798, 223)),
    ('RemoveCamera', (78, 295, 284, 337)), ('RemoveAll', (294, 295, 500, 337)),
    ('CorrectPrev', (567, 295, 670, 337)), ('CorrectNext', (670, 295, 773, 337)),
    # convert page
    ('ModelList', (288, 203, 522, 278)), ('DestPath', (288, 250, 586, 285)),
    ('DestBrowse', (595, 249, 725, 286)), ('Convert', (732, 384, 835, 426)),
    ('ConvertBack', (629, 384, 732, 426)), ('NextSet', (732, 384, 835, 426)),
    ('AlwaysSelect', (66, 270, 254, 306)), ('SourceList', (258, 270, 492, 306)),
    ('CameraRow1', (69, 140, 781, 176)), ('CameraRow2', (69, 176, 781, 212)),
    ('CameraRow3', (69, 212, 781, 248)), ('Log', (118, 125, 740, 293)),
    ('TryAgain', (516, 384, 722, 426)), ('OpenFolder', (516, 384, 722, 426)),
    ('ShowOnMap', (306, 384, 512, 426)),
]
WINDOW_LAYOUT = {'MinimizeButton', 'CloseButton', 'StartButton'}


def write_ids(header, json_path):
    """The art's names and the layout as a C++ header and as JSON for the driver."""
    lines = ['// The skin\'s art IDs and where its controls stand. Written by tools/make_art.py from',
             '// its tables: change them there and run it again.',
             '#pragma once', '', '#include <windows.h>', '',
             '// The first image of each set.', 'enum : WORD {']
    lines += ['    %s = %d,' % (name, i) for name, i in ART_NAMES]
    lines += ['};', '', '// Main window pixels for the window\'s own controls, page pixels for the pages\'.']
    lines += ['constexpr RECT kLayout%s{%d, %d, %d, %d};' % ((name,) + rect) for name, rect in LAYOUT]
    with open(header, 'w', encoding='utf-8') as f:
        f.write('\n'.join(lines) + '\n')
    data = {'page_top': PAGE_TOP_IN_WINDOW,
            'art': {name: i for name, i in ART_NAMES},
            'window': {name: list(rect) for name, rect in LAYOUT if name in WINDOW_LAYOUT},
            'page': {name: list(rect) for name, rect in LAYOUT if name not in WINDOW_LAYOUT}}
    with open(json_path, 'w', encoding='utf-8') as f:
        json.dump(data, f, indent=1, sort_keys=True)
        f.write('\n')


def file_name(i):
    return '%d.bmp' % i if i >= 1500 else '%d.png' % i


def write_all(out):
    os.makedirs(out, exist_ok=True)
    items = catalogue()
    for i, img, _, _ in items:
        path = os.path.join(out, file_name(i))
        if i >= 1500:
            img.convert('RGB').save(path, format='BMP')
        else:
            img.save(path, format='PNG', optimize=False, compress_level=9)
    return items


def write_readme(out, items):
    lines = ['# Skin images',
             '',
             'Drawn by `tools/make_art.py` (run it again after changing it; the output is',
             'the same on every run). PNG resources are `<ID>.png`; the step strip and the page',
             'background are 24-bit bitmap resources, `<ID>.bmp`. `contact_sheet.png` and the',
             '`mock_*.png` screens come from `tools/make_art.py --preview` and are not resources.',
             '',
             '| ID | size | mode | role | state |',
             '|---|---|---|---|---|']
    for i, img, role, state in items:
        mode = 'BMP 24-bit' if i >= 1500 else img.mode
        lines.append('| %d | %d × %d | %s | %s | %s |' % (i, img.width, img.height, mode,
                                                          role, state))
    lines += ['', 'Palette:', '']
    for name, c in (('title bar', TITLE), ('menu bar', MENU), ('page, top', PAGE_TOP),
                    ('page, bottom', PAGE_BOTTOM), ('button row', FOOTER), ('caption bars', PANEL),
                    ('accent blue (current step, main buttons)', ACCENT),
                    ('orange (brand, progress)', ORANGE), ('progress fill', FILL_BOTTOM),
                    ('later steps', CHEV_TODO), ('earlier steps', CHEV_DONE)):
        lines.append('- #%02X%02X%02X %s' % (c + (name,)))
    lines += ['', 'Captions and page texts are painted white on the dark surfaces; the step',
              'strip paints the other steps in dark grey on the light chevrons.']
    with open(os.path.join(out, 'README.md'), 'w', encoding='utf-8') as f:
        f.write('\n'.join(lines) + '\n')


# ---------------------------------------------------------------- previews (for people only)
#
# The contact sheet and the mock-ups place the images where the program draws them and paint
# placeholder captions at the program's rectangles, so the art can be judged in context. They
# depend on the system's fonts and are not resources.

FONT_DIRS = ('/usr/share/fonts/truetype/liberation', '/usr/share/fonts/truetype/dejavu')


def font(size, bold=False):
    from PIL import ImageFont
    names = (('LiberationSans-Bold.ttf', 'DejaVuSans-Bold.ttf') if bold
             else ('LiberationSans-Regular.ttf', 'DejaVuSans.ttf'))
    for d in FONT_DIRS:
        for n in names:
            if os.path.exists(os.path.join(d, n)):
                return ImageFont.truetype(os.path.join(d, n), size)
    return ImageFont.load_default()


def wrap(text, f, width):
    lines = []
    for para in text.split('\n'):
        line = ''
        for word in para.split(' '):
            trial = word if not line else line + ' ' + word
            if f.getlength(trial) <= width or not line:
                line = trial
            else:
                lines.append(line)
                line = word
        lines.append(line)
    return lines


CONTRAST = []  # (what, contrast) of every placeholder text, reported by --preview
LAYERS = {}    # id(image) -> (image, text layer): text is measured against the art alone


def flat(img):
    """The image with its placeholder texts painted on."""
    entry = LAYERS.pop(id(img), None)
    if entry is None:
        return img
    out = img.convert('RGBA')
    out.alpha_composite(entry[1])
    return out.convert(img.mode)


def luminance(c):
    def lin(v):
        v /= 255
        return v / 12.92 if v <= 0.04045 else ((v + 0.055) / 1.055) ** 2.4
    return 0.2126 * lin(c[0]) + 0.7152 * lin(c[1]) + 0.0722 * lin(c[2])


def contrast(a, b):
    la, lb = sorted((luminance(a), luminance(b)), reverse=True)
    return (la + 0.05) / (lb + 0.05)


def text(img, rect, s, size, bold=False, colour=WHITE, align='left', valign='top',
         multiline=True, label=None):
    """Paints s in rect as the program would, and notes the worst contrast against the
    background pixels under the text."""
    f = font(size, bold)
    x0, y0, x1, y1 = rect
    lines = wrap(s, f, x1 - x0) if multiline else [s]
    lh = round(size * 1.15)
    total = lh * len(lines)
    y = y0 + ((y1 - y0 - total) // 2 if valign == 'center' else 0)
    worst = None
    layer = LAYERS.setdefault(id(img), (img, Image.new('RGBA', img.size, (0, 0, 0, 0))))[1]
    d = ImageDraw.Draw(layer)
    for ln in lines:
        w = f.getlength(ln)
        x = x0 + ((x1 - x0 - w) / 2 if align == 'center' else 0)
        box = (max(0, int(x)), max(0, y), min(img.width, int(x + w) + 1), min(img.height, y + lh))
        if box[2] > box[0] and box[3] > box[1]:
            region = img.crop(box).convert('RGB')
            for c in set(region.getdata()):
                k = contrast(c, colour)
                worst = k if worst is None else min(worst, k)
        d.text((x, y + (lh - size) / 2), ln, font=f, fill=colour)
        y += lh
    if label and worst is not None:
        CONTRAST.append((label, worst))
    return total


def put(img, art, i, x, y, w=None, h=None):
    """Draws image i at x,y with alpha, cut to w x h like a window of that size."""
    im = art[i]
    if w or h:
        im = im.crop((0, 0, w or im.width, h or im.height))
    if im.mode == 'RGBA':
        img.paste(im, (x, y), im)
    else:
        img.paste(im, (x, y))


def button(img, art, first, state, rect, caption, size=12, colour=WHITE, label=None):
    x0, y0, x1, y1 = rect
    put(img, art, first + {'normal': 0, 'pressed': 1, 'hover': 2, 'disabled': 3}[state],
        x0, y0, x1 - x0, y1 - y0)
    d = 1 if state == 'pressed' else 0
    text(img, (x0 + d, y0 + d, x1 + d, y1 + d), caption, size, True, colour, 'center', 'center',
         False, label=label or 'button "%s" (%s)' % (caption, state))


def field(img, rect, s, disabled=False):
    d = ImageDraw.Draw(img)
    d.rectangle(rect, fill=(0xF0, 0xF0, 0xF0) if disabled else WHITE, outline=(0x7A, 0x7A, 0x7A))
    text(img, (rect[0] + 4, rect[1], rect[2], rect[3]), s, 16 if rect[3] - rect[1] < 36 else 18,
         False, (0x6D, 0x6D, 0x6D) if disabled else (0, 0, 0), valign='center', multiline=False)


def frame(art, step=None, started=True):
    """The main dialog with its bars; with a step, also the strip and an empty page."""
    img = art[1000].copy().convert('RGB')
    put(img, art, 1182, 6, 7)
    text(img, (26, 0, 860, 29), 'Kovra Converter', 16, valign='center', multiline=False,
         label='title bar')
    put(img, art, 1001, 807, 4)
    put(img, art, 1004, 832, 4)
    button(img, art, 1038, 'normal', (7, 30, 111, 64), 'Language', 14, label='menu header')
    button(img, art, 1038, 'hover', (111, 30, 215, 64), 'Info', 14, label='menu header hover')
    if step is not None:
        strip = art[1500 + step].copy()
        titles = ('Import Speed Camera Data', 'Import Zel Partner Speed Camera Data',
                  'Import customized speed camera data', 'Convert Data')
        lefts = (25, 261, 463, 673)
        for i in range(4):
            colour = WHITE if i == step else (63, 63, 63)
            r = 215 * (i + 1) - 1
            text(strip, (lefts[i], 12, r, 36), 'Step %d' % (i + 1), 18, True, colour,
                 multiline=False, label='strip title %s' % ('current' if i == step else 'other'))
            text(strip, (lefts[i], 37, r, 86), titles[i], 15, False, colour,
                 label='strip text %s' % ('current' if i == step else 'other'))
        img.paste(flat(strip), (0, 65))
        img.paste(art[1504], (0, 151))
    return img


class Page:
    """Draws into the page rectangle with page coordinates."""

    def __init__(self, img, art):
        self.img, self.art = img, art

    def r(self, rect):
        return (rect[0], rect[1] + 151, rect[2], rect[3] + 151)

    def text(self, rect, s, size, **kw):
        return text(self.img, self.r(rect), s, size, **kw)

    def put(self, i, x, y, w=None, h=None):
        put(self.img, self.art, i, x, y + 151, w, h)

    def button(self, first, state, rect, caption, size=12, colour=WHITE):
        button(self.img, self.art, first, state, self.r(rect), caption, size, colour)

    def field(self, rect, s, disabled=False):
        field(self.img, self.r(rect), s, disabled)

    def radio(self, checked, rect, s, size=18):
        self.put(1024 if checked else 1020, rect[0], rect[1])
        self.text((rect[0] + 24, rect[1], rect[2], rect[3]), s, size, label='radio caption')


def mock_welcome(art):
    img = frame(art)
    text(img, (70, 144, 790, 176), 'Kovra Converter', 24, True, valign='center',
         multiline=False, label='welcome heading')
    body = ('This wizard helps you convert speed camera data from file format of Excel (.XLS) '
            'and Text ( .TXT) to output file (.RAW) so that you can update it into your DVR.')
    h = text(img, (70, 214, 790, 384), body, 18, label='welcome text')
    top = 214 + h + h // 2
    text(img, (70, top, 790, top + h // 2), 'Click Start to continue.', 18, valign='center',
         multiline=False, label='welcome text')
    button(img, art, 1007, 'normal', (732, 535, 834, 577), 'Start')
    return img


def mock_import(art):
    img = frame(art, 0)
    p = Page(img, art)
    p.text((116, 48, 716, 84), 'Step 1 - Import Speed Camera Data from (.XLS)', 24, bold=True,
           valign='center', multiline=False, label='page title')
    p.radio(True, (120, 110, 600, 158), 'Zel-certified speed camera data.\n'
            'Download the latest data from Zel website')
    p.radio(False, (120, 174, 600, 198), 'Select previous output data from the computer')
    p.field((120, 214, 696, 252), '', disabled=True)
    p.button(1027, 'disabled', (706, 214, 836, 251), 'Browse...', 14)
    p.button(1011, 'normal', (629, 384, 732, 426), '< Back')
    p.button(1015, 'hover', (732, 384, 835, 426), 'Next >')
    return img


def mock_download(art, percent=42):
    img = frame(art, 0)
    p = Page(img, art)
    p.text((116, 48, 716, 84), 'Step 1 - Import Speed Camera Data from (.XLS)', 24, bold=True,
           valign='center', multiline=False, label='page title')
    p.text((118, 150, 538, 170), 'Downloading the latest Base Data from server...', 18,
           multiline=False, label='status')
    p.put(1032, 118, 190)
    fill = 613 * percent // 100
    if fill:
        p.put(1031, 118, 190, fill, 30)
    p.text((118, 190, 731, 220), '%d%%' % percent, 18, align='center', valign='center',
           multiline=False, label='progress text over track')
    p.button(1034, 'normal', (629, 384, 835, 426), 'Cancel Download')
    # the percentage over the fill alone
    probe = Image.new('RGB', (200, 30))
    probe.paste(art[1031].crop((0, 0, 200, 30)).convert('RGB'))
    text(probe, (0, 0, 200, 30), '100%', 18, align='center', valign='center', multiline=False,
         label='progress text over fill')
    flat(probe)
    return img


def mock_partner(art):
    img = frame(art, 1)
    p = Page(img, art)
    p.text((116, 48, 716, 84), 'Step 2 - Import Zel Partner Speed Camera Data', 24, bold=True,
           valign='center', multiline=False, label='page title')
    p.text((120, 100, 820, 260),
           'Download recommended speed camera data from Zel Partner Website:\n'
           'a. Go to partners.kovra-dvr.example\nb. Select "SpeedCam for Zel" from the drop-down list\n'
           'c. Click "Download Camera."\nd. Download the TEXT file (.txt) to your computer\n'
           'e. Select the downloaded TEXT file from your computer', 18, label='instructions')
    p.field((120, 274, 696, 312), 'C:\\Users\\driver\\Downloads\\speedcam.txt')
    p.button(1027, 'normal', (706, 274, 836, 311), 'Browse...', 14)
    p.button(1011, 'normal', (519, 384, 622, 426), '< Back')
    p.button(1015, 'disabled', (622, 384, 725, 426), 'Next >')
    p.button(1007, 'hover', (733, 384, 836, 426), 'Skip')
    return img


def mock_template(art):
    img = frame(art, 2)
    p = Page(img, art)
    p.text((116, 48, 716, 84), 'Step 3 - Import customized speed camera data', 24, bold=True,
           valign='center', multiline=False, label='page title')
    p.text((120, 100, 820, 260),
           'Select your customized data from computer\nNote:\na. To create the customized speed '
           'camera data, please use Zel template file to get started. Click Template to '
           'download\nb. You can skip this step if your customized data have been added in '
           'Step 1', 18, label='instructions')
    p.field((120, 274, 696, 312), '')
    p.button(1027, 'pressed', (706, 274, 836, 311), 'Browse...', 14)
    p.button(1007, 'normal', (406, 384, 509, 426), 'Template', colour=(254, 84, 18))
    p.button(1011, 'hover', (519, 384, 622, 426), '< Back')
    p.button(1015, 'normal', (622, 384, 725, 426), 'Next >')
    p.button(1007, 'normal', (733, 384, 836, 426), 'Skip')
    return img


def mock_correct(art):
    img = frame(art, 0)
    p = Page(img, art)
    p.text((66, 20, 666, 40), 'Some data are invalid. Please correct the marked one.', 18,
           label='status')
    p.put(1033, 63, 58)
    cells = [(68, 185), (187, 304), (306, 423), (425, 542), (544, 661), (663, 780)]
    names = ('Latitude', 'Longitude', 'Bearing Angle', 'Speed Limit', 'Camera Type', 'DIR Type')
    for (x0, x1), n in zip(cells, names):
        p.text((x0, 68, x1, 106), n, 16, align='center', valign='center',
               label='column caption')
    d = ImageDraw.Draw(img)
    lx0, ly0, lx1, ly1 = p.r((67, 106, 798, 223))
    d.rectangle((lx0, ly0, lx1 - 1, ly1 - 1), fill=WHITE, outline=(0x82, 0x87, 0x90))
    rows = (('55.751244', '37.618423', '400', '60', '1', '0'),
            ('55.801120', '137.60001', '90', '60', '2', '1'),
            ('56.010002', '37.902211', '180', '250', '1', '0'))
    bad = ({2}, {1}, {3})
    for r, (vals, b) in enumerate(zip(rows, bad)):
        y = ly0 + 1 + r * 38
        for k, v in enumerate(vals):
            x = lx0 + 1 + k * 118
            if k in b:
                d.rectangle((x + 2, y, x + 117, y + 37), fill=(255, 255, 0))
            text(img, (x + 6, y, x + 118, y + 38), v, 14, colour=(0, 0, 0), valign='center',
                 multiline=False)
            d.line((x + 117, y, x + 117, y + 37), fill=(0xE0, 0xE0, 0xE0))
        d.line((lx0, y + 37, lx1 - 1, y + 37), fill=(0xE0, 0xE0, 0xE0))
    p.text((66, 227, 772, 292), 'Bearing angle in degrees, 0 to 359, clockwise from north.',
           18, label='column note')
    p.button(1034, 'normal', (78, 295, 284, 337), 'Remove this camera')
    p.button(1034, 'hover', (294, 295, 500, 337), 'Remove all invalid data')
    p.button(1011, 'normal', (567, 295, 670, 337), '< Correct Prev')
    p.button(1015, 'normal', (670, 295, 773, 337), 'Correct Next >')
    p.button(1011, 'normal', (629, 384, 732, 426), '< Back')
    p.button(1015, 'disabled', (732, 384, 835, 426), 'Next >')
    return img


def mock_convert(art):
    img = frame(art, 3)
    p = Page(img, art)
    p.text((66, 26, 796, 64), 'Some cameras are located in the same place. Please select the '
           'one you want to keep.', 18, label='status')
    p.text((66, 66, 796, 86), 'Location: 55.751244, 37.618423', 18, label='location')
    p.put(1049, 65, 90)
    cells = [(68, 210), (211, 353), (354, 496), (497, 639), (640, 782)]
    names = ('Source', 'Bearing Angle', 'Speed Limit', 'Camera Type', 'DIR Type')
    for (x0, x1), n in zip(cells, names):
        p.text((x0, 101, x1, 139), n, 16, align='center', valign='center',
               label='column caption')
    rows = (('Step 1', '90', '60', '1', '0'), ('Step 2', '92', '60', '1', '0'),
            ('Step 3', '90', '80', '2', '0'))
    for r, vals in enumerate(rows):
        y = 140 + 36 * r
        p.put(1024 if r == 0 else (1022 if r == 2 else 1020), 69, y)
        for k, v in enumerate(vals):
            p.text((69 + 24 + k * 143, y, 69 + 24 + (k + 1) * 143, y + 36), v, 18,
                   multiline=False, label='camera row')
    p.put(1150, 66, 270 + 9)
    p.text((66 + 28, 270, 254, 306), 'Always select', 16, valign='center', multiline=False,
           label='check box caption')
    p.field((258, 270, 492, 300), 'Step 1')
    p.button(1011, 'normal', (629, 384, 732, 426), '< Back')
    p.button(1015, 'normal', (732, 384, 835, 426), 'Next Set >')
    return img


def mock_boxes(art):
    img = Image.new('RGB', (1128, 520), PAGE_BOTTOM)
    a = art[1043].copy()
    text(a, (50, 50, 494, 106), 'Unable to connect to the Internet. Make sure that you have an '
         'active Internet connection and try again.', 14, True, label='message text')
    button(a, art, 1045, 'normal', (390, 125, 520, 162), 'OK')
    img.paste(flat(a), (10, 10))
    b = art[1043].copy()
    put(b, art, 1042, 20, 40)
    text(b, (215, 50, 494, 106), 'Kovra Converter\nVersion: 1.0.10.1\nSpeed camera data for '
         'your recorder.', 14, True, label='message text')
    button(b, art, 1045, 'hover', (390, 125, 520, 162), 'OK')
    img.paste(flat(b), (574, 10))
    c = art[1044].copy()
    text(c, (34, 40, 510, 88), 'A new version of Kovra Converter 1.0.11.0 is available.\n'
         'Downloading...', 14, True, label='message text')
    put(c, art, 1032, 74, 98, 399, 30)
    put(c, art, 1031, 74, 98, 399 * 63 // 100, 30)
    text(c, (74, 98, 473, 128), '63%', 14, True, align='center', valign='center',
         multiline=False, label='progress text')
    button(c, art, 1045, 'normal', (390, 172, 520, 209), 'Cancel')
    img.paste(flat(c), (10, 207))
    d = art[1043].copy()
    text(d, (50, 50, 494, 106), 'Do you want to continue?', 14, True, label='message text')
    button(d, art, 1045, 'normal', (246, 125, 376, 162), 'Yes')
    button(d, art, 1045, 'pressed', (390, 125, 520, 162), 'No')
    img.paste(flat(d), (574, 207))
    return img


def contact_sheet(items):
    """Every image at its own size on the colour it is drawn over, with its ID."""
    behind = {}
    for i in (1001, 1002, 1003, 1004, 1005, 1006, 1182):
        behind[i] = TITLE
    for i in (1038, 1039, 1040, 1041):
        behind[i] = MENU
    for i in (1042, 1045, 1046, 1047):
        behind[i] = MENU
    f = font(12)
    margin, width = 14, 1780
    placed, x, y, row_h = [], margin, margin, 0
    for i, im, role, state in items:
        zoom = 3 if im.width <= 22 else 1
        label = '%d  %d×%d %s' % (i, im.width, im.height, state)
        tw, th = max(im.width * zoom, round(f.getlength(label))), im.height * zoom + 18
        if x + tw > width - margin:
            x, y, row_h = margin, y + row_h + margin, 0
        placed.append((i, im, label, zoom, x, y))
        x += tw + margin
        row_h = max(row_h, th)
    sheet = Image.new('RGB', (width, y + row_h + margin), (0x9A, 0xA3, 0xAE))
    d = ImageDraw.Draw(sheet)
    for i, im, label, zoom, x, y in placed:
        tile = Image.new('RGB', im.size, behind.get(i, PAGE_TOP))
        if im.mode == 'RGBA':
            tile.paste(im, (0, 0), im)
        else:
            tile = im.convert('RGB')
        if zoom > 1:
            tile = tile.resize((im.width * zoom, im.height * zoom), Image.NEAREST)
        sheet.paste(tile, (x, y))
        d.text((x, y + tile.height + 3), label, font=f, fill=(0x10, 0x10, 0x10))
    return sheet


def write_previews(out, items):
    art = {i: im for i, im, _, _ in items}
    contact_sheet(items).save(os.path.join(out, 'contact_sheet.png'))
    CONTRAST.clear()
    for name, fn in (('welcome', mock_welcome), ('import', mock_import),
                     ('download', mock_download), ('partner', mock_partner),
                     ('template', mock_template), ('correct', mock_correct),
                     ('convert', mock_convert), ('boxes', mock_boxes)):
        flat(fn(art)).save(os.path.join(out, 'mock_%s.png' % name))
    worst = {}
    for what, k in CONTRAST:
        worst[what] = min(k, worst.get(what, k))
    for what, k in sorted(worst.items(), key=lambda t: t[1]):
        print('%5.1f:1  %s' % (k, what))



def main(argv):
    preview = '--preview' in argv
    args = [a for a in argv if a != '--preview']
    here = os.path.dirname(os.path.abspath(__file__))
    resources = os.path.join(here, '..', 'resources')
    if args == ['--ids']:
        write_ids(os.path.join(resources, 'skin_ids.h'), os.path.join(resources, 'skin_ids.json'))
        return
    out = args[0] if args else os.path.join(resources, 'art')
    # Beside the art in the resources; in another output folder, beside the images there.
    ids = out if args else resources
    write_ids(os.path.join(ids, 'skin_ids.h'), os.path.join(ids, 'skin_ids.json'))
    items = write_all(out)
    write_readme(out, items)
    if preview:
        write_previews(out, items)


if __name__ == '__main__':
    main(sys.argv[1:])
