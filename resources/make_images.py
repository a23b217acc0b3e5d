#!/usr/bin/env python3
"""make_images.py - draws the program's icon, cursors and button bitmaps and writes them
as .ico, .cur and 16-colour .bmp files into img/ (or the folder given as argument).

Button bitmaps are strips of two 24 x 20 cells: cell 0 the normal picture, cell 1 the
embossed grey picture for a disabled button. Each picture is 20 x 20 at x = 2 inside its
cell; the background is palette index 7 (the button face, 192,192,192). Standard library
only; the output is the same on every run, so the files can be kept in the tree.
"""
import os
import struct
import sys

# The sixteen colours of the standard VGA palette (r, g, b).
PAL = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
K, DRED, DGRN, OLIVE, NAVY, PURP, TEAL, FACE, GREY, RED, GRN, YEL, BLUE, MAG, CYAN, WHITE = range(16)

# 3 x 5 pixel letters for the small labels on buttons.
FONT = {
    'L': ["X..", "X..", "X..", "X..", "XXX"], 'R': ["XX.", "X.X", "XX.", "X.X", "X.X"],
    'B': ["XX.", "X.X", "XX.", "X.X", "XX."], 'S': [".XX", "X..", ".X.", "..X", "XX."],
    'i': [".X.", "...", ".X.", ".X.", ".X."], '?': ["XX.", "..X", ".X.", "...", ".X."],
    '+': ["...", ".X.", "XXX", ".X.", "..."], '-': ["...", "...", "XXX", "...", "..."],
    '0': ["XXX", "X.X", "X.X", "X.X", "XXX"], 'N': ["X.X", "XXX", "XXX", "X.X", "X.X"],
}


class Canvas:
    def __init__(self, w, h, bg=FACE):
        self.w, self.h = w, h
        self.p = [[bg] * w for _ in range(h)]
        self.ox = self.oy = 0

    def px(self, x, y, c):
        x += self.ox
        y += self.oy
        if 0 <= x < self.w and 0 <= y < self.h:
            self.p[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.px(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1 + 1):
            self.px(x, y0, c)
            self.px(x, y1, c)
        for y in range(y0, y1 + 1):
            self.px(x0, y, c)
            self.px(x1, y, c)

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.px(x0, y0, c)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def poly(self, pts, c):
        """Fills a polygon: a pixel belongs to it when its centre lies inside."""
        ys = [p[1] for p in pts]
        for y in range(min(ys), max(ys) + 1):
            cy = y + 0.5
            xs = []
            for i in range(len(pts)):
                (ax, ay), (bx, by) = pts[i], pts[(i + 1) % len(pts)]
                if (ay <= cy < by) or (by <= cy < ay):
                    xs.append(ax + (cy - ay) * (bx - ax) / (by - ay))
            xs.sort()
            for i in range(0, len(xs) - 1, 2):
                for x in range(int(xs[i] + 0.5), int(xs[i + 1] + 0.5)):
                    self.px(x, y, c)

    def disc(self, cx, cy, r, c, inner=-1.0):
        for y in range(int(cy - r) - 1, int(cy + r) + 2):
            for x in range(int(cx - r) - 1, int(cx + r) + 2):
                d = ((x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2) ** 0.5
                if inner < d <= r:
                    self.px(x, y, c)

    def text(self, x, y, s, c):
        for ch in s:
            for r, row in enumerate(FONT[ch]):
                for k, v in enumerate(row):
                    if v == 'X':
                        self.px(x + k, y + r, c)
            x += 4


def wave(c, x0, x1, mid, amp, col, period=8):
    """A sine stroke from x0 to x1 around row mid."""
    import math
    prev = None
    for x in range(x0, x1 + 1):
        y = mid - int(round(amp * math.sin((x - x0) * 2 * math.pi / period)))
        if prev is not None:
            c.line(x - 1, prev, x, y, col)
        prev = y


def page(c, x0, y0, x1, y1):
    c.rect(x0, y0, x1, y1, WHITE)
    c.frame(x0, y0, x1, y1, K)
    for k in range(4):
        c.line(x1 - 3 + k, y0, x1 - 3 + k, y0 + k, FACE)
    c.line(x1 - 3, y0, x1 - 3, y0 + 3, K)
    c.line(x1 - 3, y0 + 3, x1, y0 + 3, K)
    c.line(x1 - 3, y0, x1, y0 + 3, K)


def floppy(c, x0, y0):
    c.rect(x0, y0, x0 + 13, y0 + 13, NAVY)
    c.rect(x0 + 3, y0 + 1, x0 + 10, y0 + 5, WHITE)
    c.rect(x0 + 3, y0 + 8, x0 + 10, y0 + 13, GREY)
    c.rect(x0 + 8, y0 + 9, x0 + 9, y0 + 12, K)


def clipboard(c):
    c.rect(3, 3, 15, 18, OLIVE)
    c.frame(3, 3, 15, 18, K)
    c.rect(6, 1, 12, 4, GREY)
    c.frame(6, 1, 12, 4, K)
    c.rect(5, 6, 13, 16, WHITE)


def arrow_right(c, x0, y, x1, col):
    c.line(x0, y, x1, y, col)
    c.line(x1 - 3, y - 3, x1, y, col)
    c.line(x1 - 3, y + 3, x1, y, col)


def arrow_left(c, x0, y, x1, col):
    c.line(x0, y, x1, y, col)
    c.line(x0 + 3, y - 3, x0, y, col)
    c.line(x0 + 3, y + 3, x0, y, col)


def screen(c):
    """The waveform 'screen' most edit pictures start from."""
    c.rect(1, 4, 18, 15, K)


def flag(c, x, y, col):
    c.line(x, y, x, y + 10, K)
    c.poly([(x + 1, y), (x + 8, y + 3), (x + 1, y + 6)], col)


def note(c, x, y, col):
    c.disc(x + 2, y + 11, 2.6, col)
    c.line(x + 4, y, x + 4, y + 11, col)
    c.line(x + 4, y, x + 8, y + 3, col)
    c.line(x + 4, y + 1, x + 8, y + 4, col)


# ---- the button pictures, each drawn on a 20 x 20 area -------------------------------
def d_new(c): page(c, 4, 1, 15, 18)
def d_open(c):
    c.poly([(1, 6), (7, 6), (8, 8), (17, 8), (17, 17), (1, 17)], OLIVE)
    c.poly([(4, 10), (19, 10), (16, 17), (1, 17)], YEL)
    c.frame(1, 6, 17, 17, K)
def d_save(c): floppy(c, 3, 3)
def d_newinst(c):
    page(c, 2, 1, 12, 13)
    page(c, 7, 6, 17, 18)
def d_savesel(c):
    floppy(c, 1, 1)
    c.rect(12, 13, 19, 18, RED)
def d_undo(c):
    c.disc(10, 11, 6, BLUE, inner=4)
    c.rect(10, 4, 19, 18, FACE)
    c.poly([(4, 3), (10, 3), (10, 9)], BLUE)
    c.line(10, 5, 14, 5, BLUE)
    c.line(10, 15, 14, 15, BLUE)
    c.line(14, 5, 16, 8, BLUE)
    c.line(14, 15, 16, 12, BLUE)
    c.line(16, 8, 16, 12, BLUE)
def d_trim(c):
    screen(c)
    wave(c, 6, 13, 9, 4, GRN)
    c.rect(1, 4, 4, 15, GREY)
    c.rect(15, 4, 18, 15, GREY)
def d_del(c):
    for k in range(-1, 2):
        c.line(4 + k, 4, 15 + k, 15, RED)
        c.line(15 + k, 4, 4 + k, 15, RED)
def d_copy(c):
    page(c, 1, 1, 11, 13)
    page(c, 7, 6, 17, 18)
    wave(c, 9, 15, 13, 2, GRN, 6)
def d_cut(c):
    c.line(6, 1, 12, 12, NAVY)
    c.line(13, 1, 7, 12, NAVY)
    c.disc(5.5, 15, 3, NAVY, inner=1.5)
    c.disc(13.5, 15, 3, NAVY, inner=1.5)
def d_paste(c):
    clipboard(c)
    wave(c, 6, 12, 11, 3, DGRN, 6)
def d_pastesp(c):
    clipboard(c)
    c.poly([(9, 7), (11, 10), (14, 11), (11, 12), (9, 16), (7, 12), (4, 11), (7, 10)], RED)
def d_reverse(c):
    screen(c)
    wave(c, 2, 17, 9, 4, GRN)
    arrow_left(c, 3, 17, 16, RED)
def d_silence(c):
    screen(c)
    wave(c, 2, 6, 9, 4, GRN)
    c.line(7, 9, 12, 9, GRN)
    wave(c, 13, 17, 9, 4, GRN)
def d_invert(c):
    screen(c)
    wave(c, 2, 17, 9, 4, GRN)
    c.line(18, 1, 18, 18, RED)
    c.poly([(15, 4), (18, 0), (21, 4)], RED)
    c.poly([(15, 15), (18, 19), (21, 15)], RED)
def d_music(c):
    note(c, 2, 3, K)
    note(c, 10, 1, NAVY)
def d_gsilence(c):
    screen(c)
    c.line(2, 9, 17, 9, GRN)
    c.text(1, 0, '+', RED)
    c.rect(0, 2, 4, 2, RED)
    c.rect(2, 0, 2, 4, RED)
def d_loop(c):
    c.disc(10, 10, 7, BLUE, inner=5)
    c.poly([(13, 0), (19, 4), (13, 8)], FACE)
    c.poly([(12, 1), (17, 4), (12, 7)], BLUE)
def d_unloop(c):
    arrow_right(c, 2, 10, 17, BLUE)
    c.line(2, 9, 16, 9, BLUE)
def d_monitor(c):
    for i, hgt in enumerate((6, 10, 14, 11, 7)):
        x = 2 + i * 3
        c.rect(x, 18 - hgt, x + 1, 18, GRN if hgt < 12 else RED)
def d_setting(c):
    for x, y in ((5, 6), (10, 12), (15, 4)):
        c.line(x, 2, x, 17, GREY)
        c.rect(x - 2, y, x + 2, y + 2, NAVY)
def d_analys(c):
    c.rect(1, 2, 18, 17, K)
    for i, hgt in enumerate((3, 9, 13, 8, 5, 10, 4, 2)):
        x = 2 + i * 2
        c.rect(x, 16 - hgt, x, 16, YEL)
def d_info(c):
    c.disc(10, 10, 8, BLUE)
    c.rect(9, 4, 10, 5, WHITE)
    c.rect(9, 8, 10, 15, WHITE)
    c.rect(8, 15, 11, 15, WHITE)
def d_scripts(c):
    page(c, 3, 1, 16, 18)
    for y in (5, 8, 11, 14):
        c.line(5, y, 13, y, NAVY)
def d_cuelst(c):
    flag(c, 3, 3, RED)
    flag(c, 11, 6, BLUE)
    c.line(0, 17, 19, 17, K)
def d_playlst(c):
    for y in (3, 8, 13):
        c.rect(2, y, 12, y + 2, NAVY)
    c.poly([(14, 6), (19, 10), (14, 14)], DGRN)
def d_cdplayer(c):
    c.disc(10, 10, 8, GREY)
    c.disc(10, 10, 7, CYAN, inner=3)
    c.disc(10, 10, 1.5, WHITE)
    c.line(10, 4, 14, 7, WHITE)
def chan_pic(c, letters):
    screen(c)
    wave(c, 2, 17, 7 if 'L' in letters and 'R' not in letters else 9, 2, GRN, 6)
    if letters == 'LR':
        wave(c, 2, 17, 12, 2, GRN, 6)
    c.rect(0, 16, 19, 19, FACE)
    c.text(1, 0, 'L' if 'L' in letters else 'R', RED)
    if letters == 'LR':
        c.text(15, 0, 'R', RED)
def d_eleft(c): chan_pic(c, 'L')
def d_eright(c): chan_pic(c, 'R')
def d_eboth(c): chan_pic(c, 'LR')
def d_espec(c):
    ramp = [NAVY, BLUE, TEAL, CYAN, GRN, YEL, WHITE]
    for x in range(1, 19):
        for y in range(3, 17):
            c.px(x, y, ramp[(x * 3 + (17 - y) * 2 + (x * y) % 5) // 7 % 7])
def d_zero(c):
    screen(c)
    c.line(2, 9, 17, 9, GREY)
    wave(c, 2, 17, 9, 4, GRN, 16)
    c.rect(9, 8, 11, 10, RED)
def d_help(c):
    c.disc(10, 10, 8, YEL)
    c.text(7, 6, '?', K)
    c.text(8, 6, '?', K)
def d_cdplay(c): c.poly([(6, 3), (16, 10), (6, 17)], K)
def d_cdpause(c):
    c.rect(5, 4, 8, 16, K)
    c.rect(12, 4, 15, 16, K)
def d_cdstop(c): c.rect(5, 5, 15, 15, K)
def d_cdrr(c):
    c.poly([(10, 4), (2, 10), (10, 16)], K)
    c.poly([(18, 4), (10, 10), (18, 16)], K)
def d_cdff(c):
    c.poly([(2, 4), (10, 10), (2, 16)], K)
    c.poly([(10, 4), (18, 10), (10, 16)], K)
def d_cdmark(c): flag(c, 6, 4, RED)
def d_cdgotomark(c):
    flag(c, 10, 4, RED)
    arrow_right(c, 1, 10, 9, K)
def d_cdnew(c):
    c.poly([(3, 11), (10, 3), (17, 11)], K)
    c.rect(3, 14, 16, 16, K)
def d_cdinsrt(c):
    c.poly([(3, 3), (10, 11), (17, 3)], K)
    c.rect(3, 14, 16, 16, K)
def d_bplay(c): c.poly([(6, 4), (15, 10), (6, 16)], DGRN)
def d_bpause(c):
    c.rect(5, 5, 8, 15, NAVY)
    c.rect(12, 5, 15, 15, NAVY)
def d_bstop(c): c.rect(5, 5, 14, 14, K)
def d_brecord(c): c.disc(10, 10, 5.5, RED)
def magnifier(c, sign):
    c.disc(8, 8, 6, K, inner=4.6)
    c.disc(8, 8, 4.6, WHITE)
    for k in range(3):
        c.line(12 + k, 13, 17 + k, 18, K)
    if sign:
        c.line(5, 8, 11, 8, K)
        if sign == '+':
            c.line(8, 5, 8, 11, K)
def d_bzoomin(c): magnifier(c, '+')
def d_bzoomout(c): magnifier(c, '-')
def d_bfull(c):
    c.rect(2, 4, 17, 15, K)
    wave(c, 3, 16, 9, 4, GRN, 7)
    arrow_left(c, 0, 18, 8, K)
    arrow_right(c, 11, 18, 19, K)
def d_arrup(c): c.poly([(10, 3), (17, 11), (13, 11), (13, 17), (7, 17), (7, 11), (3, 11)], BLUE)
def d_arrdn(c): c.poly([(10, 17), (17, 9), (13, 9), (13, 3), (7, 3), (7, 9), (3, 9)], BLUE)
def d_arrzap(c):
    c.poly([(3, 6), (12, 6), (12, 2), (18, 10), (12, 18), (12, 14), (3, 14)], RED)

BUTTONS = [
    ("INEW2", d_new), ("IOpen", d_open), ("ISave", d_save), ("INewInst", d_newinst),
    ("ISaveSel", d_savesel), ("IUndo", d_undo), ("ITrim", d_trim), ("IDel", d_del),
    ("ICopy", d_copy), ("ICut", d_cut), ("IPaste", d_paste), ("IPasteSp", d_pastesp),
    ("IReverse", d_reverse), ("ISilence", d_silence), ("IInvert", d_invert),
    ("IMusic", d_music), ("IGSilence", d_gsilence), ("ILoop", d_loop), ("IUnLoop", d_unloop),
    ("IMonitor", d_monitor), ("ISetting", d_setting), ("IAnalys", d_analys),
    ("IInfo", d_info), ("IScripts", d_scripts), ("ICueLst", d_cuelst),
    ("IPlayLst", d_playlst), ("ICDPlayer", d_cdplayer), ("IELeft", d_eleft),
    ("IERight", d_eright), ("IEBoth", d_eboth), ("IESpec", d_espec), ("IZero", d_zero),
    ("IHelp", d_help), ("ICDPlay", d_cdplay), ("ICDPause", d_cdpause),
    ("ICDStop", d_cdstop), ("ICDRR", d_cdrr), ("ICDFF", d_cdff), ("ICDMark", d_cdmark),
    ("ICDGotoMark", d_cdgotomark), ("ICDNew", d_cdnew), ("ICDInsrt", d_cdinsrt),
    ("IBPlay", d_bplay), ("IBPause", d_bpause), ("IBStop", d_bstop),
    ("IBRecord", d_brecord), ("IBZoomIn", d_bzoomin), ("IBZoomOut", d_bzoomout),
    ("IBFull", d_bfull), ("IArrUp", d_arrup), ("IArrDn", d_arrdn), ("IArrZap", d_arrzap),
]


def button_strip(draw):
    c = Canvas(48, 20)
    c.ox = 2
    draw(c)
    c.ox = 0
    # Disabled cell: the outlines of the picture in grey, each with a white highlight
    # below and to the right (inner edges too, so a filled screen keeps its wave).
    def ink(x, y):
        v = c.p[y][x]
        if v == FACE:
            return False
        for nx, ny in ((x - 1, y), (x + 1, y), (x, y - 1), (x, y + 1)):
            if not (0 <= nx < 24 and 0 <= ny < 20) or c.p[ny][nx] != v:
                return True
        return False
    marks = [(x, y) for y in range(20) for x in range(24) if ink(x, y)]
    for x, y in marks:
        if x + 1 < 24 and y + 1 < 20:
            c.p[y + 1][24 + x + 1] = WHITE
    for x, y in marks:
        c.p[y][24 + x] = GREY
    return c


# ---- file writers ------------------------------------------------------------------------
def dib4(c, height_field=None):
    """BITMAPINFOHEADER, palette and bottom-up 4-bit rows of a canvas."""
    stride = ((c.w * 4 + 31) // 32) * 4
    rows = b""
    for y in range(c.h - 1, -1, -1):
        row = bytearray(stride)
        for x in range(c.w):
            v = c.p[y][x] & 15
            row[x // 2] |= v << 4 if x % 2 == 0 else v
        rows += bytes(row)
    hdr = struct.pack("<IiiHHIIiiII", 40, c.w, height_field or c.h, 1, 4, 0, len(rows),
                      0, 0, 16, 0)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PAL)
    return hdr, pal, rows


def mask1(w, h, bit):
    """Bottom-up 1-bit rows; bit(x, y) gives each pixel's value."""
    stride = ((w + 31) // 32) * 4
    out = b""
    for y in range(h - 1, -1, -1):
        row = bytearray(stride)
        for x in range(w):
            if bit(x, y):
                row[x // 8] |= 0x80 >> (x % 8)
        out += bytes(row)
    return out


def write_bmp(path, c):
    hdr, pal, rows = dib4(c)
    off = 14 + len(hdr) + len(pal)
    with open(path, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", off + len(rows), 0, 0, off) + hdr + pal + rows)


def write_ico(path, canvases, transparent=None):
    images = []
    for c in canvases:
        hdr, pal, rows = dib4(c, c.h * 2)
        andm = mask1(c.w, c.h, lambda x, y: transparent is not None and c.p[y][x] == transparent)
        if transparent is not None:
            for y in range(c.h):
                for x in range(c.w):
                    if c.p[y][x] == transparent:
                        c.p[y][x] = K
            hdr, pal, rows = dib4(c, c.h * 2)
        images.append((c, hdr + pal + rows + andm))
    out = struct.pack("<HHH", 0, 1, len(images))
    off = 6 + 16 * len(images)
    for c, data in images:
        out += struct.pack("<BBBBHHII", c.w, c.h, 16, 0, 1, 4, len(data), off)
        off += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(d for _, d in images))


def write_cur(path, art, hot):
    """A 32 x 32 monochrome cursor from ASCII art: 'X' black, 'o' white, others clear."""
    art = [row.ljust(32, '.') for row in art] + ['.' * 32] * (32 - len(art))
    hdr = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 1, 0, 0, 0, 0, 2, 0)
    pal = struct.pack("<BBBBBBBB", 0, 0, 0, 0, 255, 255, 255, 0)
    xor = mask1(32, 32, lambda x, y: art[y][x] == 'o')
    andm = mask1(32, 32, lambda x, y: art[y][x] not in 'Xo')
    data = hdr + pal + xor + andm
    out = struct.pack("<HHH", 0, 2, 1)
    out += struct.pack("<BBBBHHII", 32, 32, 0, 0, hot[0], hot[1], len(data), 22)
    with open(path, "wb") as f:
        f.write(out + data)


ARROW = [
    "X", "XX", "XoX", "XooX", "XoooX", "XooooX", "XoooooX", "XooooooX", "XoooooooX",
    "XooooooooX", "XoooooXXXXX", "XooXooX", "XoX XooX", "XX  XooX", "X    XooX",
    "     XooX", "      XX",
]


def channel_cursor(letter):
    art = [row.ljust(13, '.') for row in ARROW]
    glyph = {'L': ["XX....", "XX....", "XX....", "XX....", "XX....", "XXXXXX", "XXXXXX"],
             'R': ["XXXXX.", "XX..XX", "XX..XX", "XXXXX.", "XX.XX.", "XX..XX", "XX..XX"]}[letter]
    for r, row in enumerate(glyph):
        art[8 + r] = art[8 + r][:13].ljust(13, '.') + ''.join(
            'X' if ch == 'X' else '.' for ch in row)
    return [r.replace(' ', '.') for r in art]


SELECT = ["..XXX.XXX", "....XoX", "....XoX", "....XoX", "....XoX", "....XoX", "....XoX",
          "....XoX", "....XoX", "....XoX", "....XoX", "....XoX", "....XoX", "....XoX",
          "....XoX", "..XXX.XXX"]

POINT = ["......X", "......X", "......X", "......X", "...XXXXXXX", "...XoooooX",
         "XXXXoooooXXXX", "...XoooooX", "...XXXXXXX", "......X", "......X", "......X",
         "......X"]


def program_icon(size):
    c = Canvas(size, size, bg=GREY)
    s = size / 32.0
    c.rect(0, 0, size - 1, size - 1, GREY)
    c.frame(0, 0, size - 1, size - 1, K)
    c.rect(int(3 * s), int(3 * s), size - 1 - int(3 * s), size - 1 - int(9 * s), K)
    import math
    mid = int(12 * s)
    prev = None
    for x in range(int(4 * s), size - int(4 * s)):
        amp = 7 * s * math.exp(-((x / s - 16) ** 2) / 60.0)
        y = mid - int(round(amp * math.sin(x / s * 1.3)))
        if prev is not None:
            c.line(x - 1, prev, x, y, GRN)
        prev = y
    c.line(int(3 * s), mid, size - 1 - int(3 * s), mid, DGRN) if size >= 32 else None
    # Redraw the wave over the axis line so it stays on top.
    prev = None
    for x in range(int(4 * s), size - int(4 * s)):
        amp = 7 * s * math.exp(-((x / s - 16) ** 2) / 60.0)
        y = mid - int(round(amp * math.sin(x / s * 1.3)))
        if prev is not None:
            c.line(x - 1, prev, x, y, GRN)
        prev = y
    # A red "Z" on the control panel below the screen.
    y0, y1 = size - int(7 * s), size - 1 - int(2 * s)
    x0, x1 = int(12 * s), size - 1 - int(12 * s)
    c.line(x0, y0, x1, y0, RED)
    c.line(x1, y0, x0, y1, RED)
    c.line(x0, y1, x1, y1, RED)
    return c


# Files whose name would not follow from the bitmap name alone.
FILE_NAMES = {"IESpec": "ie_sgram"}


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(
        os.path.abspath(__file__)), "img")
    os.makedirs(out, exist_ok=True)
    write_ico(os.path.join(out, "zelo.ico"), [program_icon(32), program_icon(16)])
    write_cur(os.path.join(out, "select.cur"), SELECT, (5, 8))
    write_cur(os.path.join(out, "leftchan.cur"), channel_cursor('L'), (0, 0))
    write_cur(os.path.join(out, "rightchan.cur"), channel_cursor('R'), (0, 0))
    write_cur(os.path.join(out, "point.cur"), POINT, (6, 6))
    for name, draw in BUTTONS:
        write_bmp(os.path.join(out, FILE_NAMES.get(name, name.lower()) + ".bmp"), button_strip(draw))
    chk = Canvas(8, 8)
    for y in range(8):
        for x in range(8):
            chk.p[y][x] = WHITE if (x + y) % 2 == 0 else FACE
    write_bmp(os.path.join(out, "checkers.bmp"), chk)
    # A sheet of every button, for looking at them all at once (not used by the program).
    if os.environ.get("ZELO_IMAGE_SHEET"):
        sheet = Canvas(48 * 6, 22 * ((len(BUTTONS) + 5) // 6))
        for i, (_, draw) in enumerate(BUTTONS):
            b = button_strip(draw)
            for y in range(20):
                for x in range(48):
                    sheet.p[(i // 6) * 22 + y][(i % 6) * 48 + x] = b.p[y][x]
        write_bmp(os.environ["ZELO_IMAGE_SHEET"], sheet)


if __name__ == "__main__":
    main()
