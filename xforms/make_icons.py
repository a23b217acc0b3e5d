#!/usr/bin/env python3
"""make_icons.py - draws the toolbar pictures of the bundled transform modules and writes
each as <module>/toolbar.bmp (the module's "TOOLBARICON"), with the drawing kit and the
two-cell button strip of resources/make_images.py, so they look like the program's own
buttons.  Run it again after changing it; the output is the same on every run.
"""
import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "resources"))
import make_images as mi  # noqa: E402


def d_amplify(c):
    # A small wave growing into a large one, and a plus.
    for x in range(1, 19):
        amp = 1 + x * 7 // 18
        y = 10 - int(round(amp * math.sin(x * 1.2)))
        c.line(x, 10, x, y, mi.GRN)
    c.line(0, 10, 19, 10, mi.K)
    c.text(15, 1, '+', mi.RED)


def d_tone(c):
    # One period each of sine and square over a baseline.
    c.line(0, 10, 19, 10, mi.GREY)
    prev = None
    for x in range(0, 10):
        y = 10 - int(round(6 * math.sin(x * 2 * math.pi / 10)))
        if prev:
            c.line(prev[0], prev[1], x, y, mi.BLUE)
        prev = (x, y)
    c.line(10, 4, 14, 4, mi.RED)
    c.line(14, 4, 14, 16, mi.RED)
    c.line(14, 16, 19, 16, mi.RED)
    c.line(10, 4, 10, 10, mi.RED)


def d_stats(c):
    # Bars of a level chart with a red peak line.
    for i, h in enumerate((6, 11, 15, 9, 13)):
        x = 2 + i * 3
        c.rect(x, 18 - h, x + 1, 18, mi.NAVY)
    c.line(1, 2, 18, 2, mi.RED)
    c.line(0, 18, 19, 18, mi.K)


def d_fade(c):
    # A wave under a rising ramp.
    for x in range(1, 19):
        amp = x * 8 // 18
        y = 10 - int(round(amp * math.sin(x * 1.3)))
        c.line(x, 10, x, y, mi.GRN)
    c.line(1, 18, 18, 2, mi.RED)


def d_normalize(c):
    # A wave stretched up to two red limit lines.
    c.line(0, 2, 19, 2, mi.RED)
    c.line(0, 18, 19, 18, mi.RED)
    for x in range(1, 19):
        y = 10 - int(round(8 * math.sin(x * 0.9)))
        c.line(x, 10, x, y, mi.GRN)


def d_echo(c):
    # A burst followed by smaller and smaller copies.
    for i, h in enumerate((8, 5, 3, 2)):
        x = 1 + i * 5
        c.line(x, 10 - h, x, 10 + h, mi.BLUE)
        c.line(x + 1, 10 - h // 2, x + 1, 10 + h // 2, mi.BLUE)
    c.line(0, 10, 19, 10, mi.GREY)


def d_dcoffset(c):
    # A wave riding above the centre line, and an arrow down to it.
    c.line(0, 12, 19, 12, mi.K)
    for x in range(1, 14):
        y = 6 - int(round(4 * math.sin(x * 0.9)))
        c.line(x, 6, x, y, mi.GRN)
    c.line(16, 3, 16, 11, mi.RED)
    c.line(14, 9, 16, 11, mi.RED)
    c.line(18, 9, 16, 11, mi.RED)


def d_compressor(c):
    # The static curve: a diagonal that bends flat past the threshold.
    c.line(1, 18, 10, 9, mi.NAVY)
    c.line(10, 9, 18, 6, mi.NAVY)
    c.line(1, 3, 18, 3, mi.RED)
    c.line(1, 18, 18, 18, mi.K)
    c.line(1, 2, 1, 18, mi.K)


def d_noise(c):
    # A ragged trace over a baseline.
    import random
    r = random.Random(5)
    c.line(0, 10, 19, 10, mi.GREY)
    prev = None
    for x in range(0, 20):
        y = 10 + r.randint(-7, 7)
        if prev:
            c.line(prev[0], prev[1], x, y, mi.NAVY)
        prev = (x, y)


PICTURES = [("amplify", d_amplify), ("tone", d_tone), ("stats", d_stats), ("fade", d_fade),
            ("normalize", d_normalize), ("echo", d_echo), ("dcoffset", d_dcoffset),
            ("compressor", d_compressor), ("noise", d_noise)]


def d_fftfilter(c):
    # A low-pass response over a frequency axis: flat, then falling away.
    c.line(0, 18, 19, 18, mi.K)
    c.line(1, 5, 9, 5, mi.BLUE)
    c.line(9, 5, 13, 15, mi.BLUE)
    c.line(13, 15, 18, 16, mi.BLUE)
    for x in (3, 7, 11, 15):
        c.line(x, 17, x, 18, mi.GREY)


def d_stretch(c):
    # A wave pulled apart by two arrows.
    prev = None
    for x in range(2, 18):
        y = 7 - int(round(5 * math.sin((x - 2) * 2 * math.pi / 8)))
        if prev:
            c.line(prev[0], prev[1], x, y, mi.BLUE)
        prev = (x, y)
    c.line(0, 15, 6, 15, mi.RED)
    c.line(0, 15, 2, 13, mi.RED)
    c.line(0, 15, 2, 17, mi.RED)
    c.line(13, 15, 19, 15, mi.RED)
    c.line(19, 15, 17, 13, mi.RED)
    c.line(19, 15, 17, 17, mi.RED)


PICTURES += [("fftfilter", d_fftfilter), ("stretch", d_stretch)]

if __name__ == "__main__":
    for folder, draw in PICTURES:
        mi.write_bmp(os.path.join(HERE, folder, "toolbar.bmp"), mi.button_strip(draw))
