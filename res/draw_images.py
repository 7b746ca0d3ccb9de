#!/usr/bin/env python3
"""Draws every picture of Pelloran's resources into res/images/.

Standard library only: shapes are rasterised on a supersampled canvas and averaged down (soft
edges), then written as BMP, PNG, ICO and CUR bytes by hand. The output is deterministic; the
build uses the committed files, never this script.

Usage: python3 res/draw_images.py [--preview FILE]   (the preview is for eyes only, not committed)
"""
import math
import os
import struct
import sys
import zlib

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "images")
MAGENTA = (255, 0, 255)
FACE = (236, 233, 216)  # button face that half-transparent edges are blended with in the BMPs

# Palette.
WHITE, BLACK = (255, 255, 255), (0, 0, 0)
INK, GREY, LIGHT = (45, 50, 60), (120, 125, 135), (200, 205, 212)
BLUE, DBLUE, SKY = (50, 110, 210), (20, 55, 130), (110, 170, 240)
GREEN, DGREEN = (45, 170, 70), (20, 95, 40)
RED, DRED = (225, 35, 35), (130, 10, 10)
ORANGE, YELLOW, VIOLET = (245, 150, 30), (250, 210, 40), (150, 70, 190)
BROWN, BEIGE = (160, 100, 45), (232, 200, 150)
CLEAR = None  # paints transparency (holes)


# ---------------------------------------------------------------------------------------------
# Drawing toolkit: a canvas in design units (28 for the toolbar set, 32 for icons), sampled
# `ss` x `ss` times per output pixel. A colour is an (r, g, b) tuple, CLEAR, or a function of
# (x, y) in units giving a tuple (gradients).
# ---------------------------------------------------------------------------------------------
class Canvas:
    def __init__(self, size, units=28, ss=4):
        self.size, self.ss, self.n = size, ss, size * ss
        self.k = self.n / units          # samples per unit
        self.px = units / size           # one output pixel in units (minimum stroke width)
        self.buf = [None] * (self.n * self.n)

    def shape(self, bbox, inside, colour, clip=None):
        x0, y0, x1, y1 = bbox
        if clip:
            x0, y0, x1, y1 = max(x0, clip[0]), max(y0, clip[1]), min(x1, clip[2]), min(y1, clip[3])
        i0, i1 = max(0, int(x0 * self.k)), min(self.n, int(math.ceil(x1 * self.k)) + 1)
        j0, j1 = max(0, int(y0 * self.k)), min(self.n, int(math.ceil(y1 * self.k)) + 1)
        for j in range(j0, j1):
            y = (j + 0.5) / self.k
            row = j * self.n
            for i in range(i0, i1):
                x = (i + 0.5) / self.k
                if inside(x, y):
                    self.buf[row + i] = colour(x, y) if callable(colour) else colour

    def stroke(self, w):
        return max(w, self.px)

    def rect(self, x0, y0, x1, y1, c, clip=None):
        self.shape((x0, y0, x1, y1), lambda x, y: x0 <= x < x1 and y0 <= y < y1, c, clip)

    def rrect(self, x0, y0, x1, y1, r, c):
        def inside(x, y):
            dx = max(x0 + r - x, 0, x - (x1 - r))
            dy = max(y0 + r - y, 0, y - (y1 - r))
            return x0 <= x < x1 and y0 <= y < y1 and dx * dx + dy * dy <= r * r
        self.shape((x0, y0, x1, y1), inside, c)

    def box(self, x0, y0, x1, y1, fill, edge, w=1.0, r=0.0):
        """A rectangle with an edge line of width w (rounded corners with r > 0)."""
        w = self.stroke(w)
        self.rrect(x0, y0, x1, y1, r, edge)
        self.rrect(x0 + w, y0 + w, x1 - w, y1 - w, max(r - w, 0), fill)

    def ellipse(self, cx, cy, a, b, c, clip=None):
        self.shape((cx - a, cy - b, cx + a, cy + b),
                   lambda x, y: ((x - cx) / a) ** 2 + ((y - cy) / b) ** 2 <= 1, c, clip)

    def circle(self, cx, cy, r, c, clip=None):
        self.ellipse(cx, cy, r, r, c, clip)

    def ring(self, cx, cy, r, w, c, a0=None, a1=None):
        """Circle line of width w; with a0..a1 (degrees, clockwise on screen from east) an arc."""
        h = self.stroke(w) / 2

        def inside(x, y):
            d = math.hypot(x - cx, y - cy)
            if abs(d - r) > h:
                return False
            return a0 is None or (math.degrees(math.atan2(y - cy, x - cx)) - a0) % 360 <= (a1 - a0) % 360
        self.shape((cx - r - h, cy - r - h, cx + r + h, cy + r + h), inside, c)

    def ellipse_ring(self, cx, cy, a, b, w, c):
        h = self.stroke(w) / 2
        self.shape((cx - a - h, cy - b - h, cx + a + h, cy + b + h),
                   lambda x, y: ((x - cx) / (a + h)) ** 2 + ((y - cy) / (b + h)) ** 2 <= 1
                   and ((x - cx) / (a - h)) ** 2 + ((y - cy) / (b - h)) ** 2 > 1, c)

    def line(self, x0, y0, x1, y1, w, c, clip=None):
        """A line of width w with round caps."""
        h = self.stroke(w) / 2
        self.shape((min(x0, x1) - h, min(y0, y1) - h, max(x0, x1) + h, max(y0, y1) + h),
                   lambda x, y: seg_dist(x, y, x0, y0, x1, y1) <= h, c, clip)

    def capsule_ring(self, x0, y0, x1, y1, r, w, c, clip=None):
        """Outline of a stadium (a chain link) around the segment x0,y0 - x1,y1."""
        h = self.stroke(w) / 2
        self.shape((min(x0, x1) - r - h, min(y0, y1) - r - h, max(x0, x1) + r + h, max(y0, y1) + r + h),
                   lambda x, y: abs(seg_dist(x, y, x0, y0, x1, y1) - r) <= h, c, clip)

    def poly(self, pts, c):
        xs, ys = [p[0] for p in pts], [p[1] for p in pts]

        def inside(x, y):
            hit, j = False, len(pts) - 1
            for i, (xi, yi) in enumerate(pts):
                xj, yj = pts[j]
                if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                    hit = not hit
                j = i
            return hit
        self.shape((min(xs), min(ys), max(xs), max(ys)), inside, c)

    def pixels(self):
        """Averages the samples down: rows of (r, g, b, a) bytes."""
        out, ss, n = [], self.ss, self.n
        for py in range(self.size):
            row = []
            for px in range(self.size):
                r = g = b = cnt = 0
                for j in range(py * ss, py * ss + ss):
                    for s in self.buf[j * n + px * ss: j * n + px * ss + ss]:
                        if s is not None:
                            r, g, b, cnt = r + s[0], g + s[1], b + s[2], cnt + 1
                if cnt == 0:
                    row.append((0, 0, 0, 0))
                else:
                    row.append((round(r / cnt), round(g / cnt), round(b / cnt), round(255 * cnt / (ss * ss))))
            out.append(row)
        return out


def seg_dist(x, y, x0, y0, x1, y1):
    dx, dy = x1 - x0, y1 - y0
    t = 0.0 if dx == dy == 0 else max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - x0 - t * dx, y - y0 - t * dy)


def shade(base, cx, cy, r, light=0.45, dark=0.35):
    """Spherical shading: lighter towards the upper left, darker at the lower right."""
    def colour(x, y):
        t = ((x - cx) + (y - cy)) / (2 * r)  # -0.7 .. 0.7
        if t < 0:
            return tuple(round(v + (255 - v) * light * -t) for v in base)
        return tuple(round(v * (1 - dark * t)) for v in base)
    return colour


# ---------------------------------------------------------------------------------------------
# Reusable parts (28-unit design space unless a picture says otherwise).
# ---------------------------------------------------------------------------------------------
def page(c, x0, y0, x1, y1, lines=3, lx1=None):
    c.box(x0, y0, x1, y1, WHITE, GREY, 1.0)
    step = (y1 - y0 - 3) / (lines + 0.5)
    for i in range(lines):
        y = y0 + 3 + i * step
        c.rect(x0 + 2.5, y, lx1 or x1 - 2.5, y + 1.5, (90, 100, 125))


def no_entry(c, cx, cy, r):
    c.circle(cx, cy, r + 1, WHITE)
    c.circle(cx, cy, r, DRED)
    c.circle(cx, cy, r - 1, shade(RED, cx, cy, r, 0.3, 0.2))
    c.rect(cx - r + 2.2, cy - 1.3, cx + r - 2.2, cy + 1.3, WHITE)


def red_x(c, cx, cy, s):
    for w, col in ((4.6, DRED), (2.8, RED)):
        c.line(cx - s, cy - s, cx + s, cy + s, w, col)
        c.line(cx - s, cy + s, cx + s, cy - s, w, col)


def plus(c, cx, cy, s):
    for w, col in ((2.4, DGREEN), (1.4, GREEN)):
        h = w + (1.4 if col == DGREEN else 0)
        c.rect(cx - s - w / 2 + 1.2, cy - h / 2, cx + s + w / 2 - 1.2, cy + h / 2, col)
        c.rect(cx - h / 2, cy - s - w / 2 + 1.2, cx + h / 2, cy + s + w / 2 - 1.2, col)


def arrow_arc(c, cx, cy, r, w, a0, a1, col, dark):
    """Arc from a0 to a1 (clockwise) with an arrowhead at a1."""
    c.ring(cx, cy, r, w + 1.4, dark, a0, a1)
    c.ring(cx, cy, r, w, col, a0 - 3, a1)
    a = math.radians(a1)
    px, py = cx + r * math.cos(a), cy + r * math.sin(a)
    tx, ty, rx, ry = -math.sin(a), math.cos(a), math.cos(a), math.sin(a)
    for g, colour in ((1.2, dark), (0.0, col)):
        hw, ln = 4.0 + g * 0.8, 4.5 + g
        c.poly([(px + rx * hw - tx * g * 0.6, py + ry * hw - ty * g * 0.6), (px + tx * ln, py + ty * ln),
                (px - rx * hw - tx * g * 0.6, py - ry * hw - ty * g * 0.6)], colour)


def gear_shape(cx, cy, rb, rt, tw, n):
    def inside(x, y):
        dx, dy = x - cx, y - cy
        d = math.hypot(dx, dy)
        if d <= rb:
            return True
        if d > rt:
            return False
        ta = round(math.atan2(dy, dx) / (2 * math.pi / n)) * 2 * math.pi / n + math.pi / n
        return abs(-math.sin(ta) * dx + math.cos(ta) * dy) <= tw / 2
    return (cx - rt, cy - rt, cx + rt, cy + rt), inside


def link(c, x0, y0, x1, y1, col=GREEN, dark=DGREEN, clip=None):
    c.capsule_ring(x0, y0, x1, y1, 4.2, 3.6, dark, clip)
    c.capsule_ring(x0, y0, x1, y1, 4.2, 2.0, col, clip)


# ---------------------------------------------------------------------------------------------
# The pictures, each drawn into a 28-unit canvas.
# ---------------------------------------------------------------------------------------------
def pic_save(c):
    c.rrect(3, 3, 25, 25, 2.5, DBLUE)
    c.rrect(4.2, 4.2, 23.8, 23.8, 1.5, shade(BLUE, 14, 14, 14, 0.3, 0.3))
    c.rect(8, 3, 20, 11, DBLUE)
    c.rect(9, 4.2, 19, 10, LIGHT)
    c.rect(15, 5.2, 17.5, 9, INK)
    c.rect(6.5, 14, 21.5, 25, DBLUE)
    c.rect(7.7, 15.2, 20.3, 25, WHITE)
    c.rect(9.5, 17.5, 18.5, 18.7, (150, 160, 185))
    c.rect(9.5, 20.5, 18.5, 21.7, (150, 160, 185))


def pic_refresh(c):
    arrow_arc(c, 14, 14, 9, 3.0, 190, 305, GREEN, DGREEN)
    arrow_arc(c, 14, 14, 9, 3.0, 10, 125, GREEN, DGREEN)


def pic_statistics(c):
    for x, top, col in ((7, 14, BLUE), (12, 7, GREEN), (17, 17, ORANGE), (22, 10, RED)):
        c.box(x - 0.5, top, x + 4.5, 23.5, col, tuple(v // 2 for v in col))
    c.rect(3, 3, 5, 25, INK)
    c.rect(3, 23, 26, 25, INK)


def pic_gear(c):
    bb, dark = gear_shape(14, 14, 9.6, 13.0, 6.6, 8)
    c.shape(bb, dark, (45, 55, 75))
    bb, body = gear_shape(14, 14, 8.5, 11.9, 4.6, 8)
    c.shape(bb, body, shade((125, 140, 165), 14, 14, 12))
    c.circle(14, 14, 4.4, (45, 55, 75))
    c.circle(14, 14, 3.2, CLEAR)


def pic_colors(c):
    c.ellipse(14, 14.5, 12.5, 10.5, BROWN)
    c.ellipse(14, 14.5, 11.3, 9.3, BEIGE)
    c.circle(17.5, 20, 3.0, BROWN)
    c.circle(17.5, 20, 2.0, CLEAR)
    for x, y, col in ((7.8, 12.8, RED), (11.3, 8.0, YELLOW), (17.0, 7.6, GREEN), (21.3, 11.8, BLUE),
                      (8.8, 18.5, VIOLET)):
        c.circle(x, y, 3.0, tuple(v // 2 for v in col))
        c.circle(x, y, 2.1, col)


def pic_blacklist(c):
    page(c, 3, 2, 20, 25, 4)
    no_entry(c, 19.5, 19.5, 7)


def pic_clock(c):
    c.circle(14, 14, 12.5, DBLUE)
    c.circle(14, 14, 11.2, shade(BLUE, 14, 14, 12))
    c.circle(14, 14, 9.6, WHITE)
    for k in range(12):
        a = math.radians(k * 30)
        r0 = 7.0 if k % 3 == 0 else 8.0
        c.line(14 + r0 * math.cos(a), 14 + r0 * math.sin(a), 14 + 8.6 * math.cos(a), 14 + 8.6 * math.sin(a),
               1.3 if k % 3 == 0 else 0.8, INK)
    c.line(14, 14, 14, 6.8, 1.6, INK)
    c.line(14, 14, 18.5, 16.5, 2.0, INK)
    c.circle(14, 14, 1.5, RED)


def pic_established(c):
    link(c, 6.5, 21.5, 11.5, 16.5)
    link(c, 16.5, 11.5, 21.5, 6.5)
    link(c, 6.5, 21.5, 11.5, 16.5, clip=(14, 0, 28, 15))  # re-draw a piece: the links interlock
    c.line(11, 17, 17, 11, 3.6, DGREEN)
    c.line(11, 17, 17, 11, 2.0, GREEN)


def pic_globe(c):
    c.circle(14, 14, 12.5, DBLUE)
    c.circle(14, 14, 11.5, shade((60, 130, 215), 14, 14, 12))
    lc = (205, 230, 255)
    for d in (-5.5, 0, 5.5):
        h = math.sqrt(11.5 ** 2 - d * d)
        c.line(14 - h, 14 + d, 14 + h, 14 + d, 1.1, lc)
    c.line(14, 2.5, 14, 25.5, 1.1, lc)
    c.ellipse_ring(14, 14, 5.5, 11.5, 1.1, lc)


def pic_about(c):
    c.circle(14, 14, 12.5, DBLUE)
    c.circle(14, 14, 11.5, shade(BLUE, 14, 14, 12))
    c.circle(14, 8.2, 2.0, WHITE)
    c.rect(12.3, 11.5, 15.7, 20.5, WHITE)
    c.rect(10.8, 11.5, 15.7, 13.0, WHITE)
    c.rect(10.8, 19.5, 17.2, 21.5, WHITE)


def pic_exit(c):
    c.rect(3, 2, 17, 27, INK)
    c.rect(5, 4, 15, 27, (70, 75, 85))
    c.poly([(5, 4), (12, 6.5), (12, 27.5), (5, 26)], BROWN)
    c.circle(10.5, 16, 1.0, YELLOW)
    c.line(13, 16, 21, 16, 6.0, DGREEN)
    c.line(13, 16, 21, 16, 3.6, GREEN)
    c.poly([(19, 9), (27, 16), (19, 23)], DGREEN)
    c.poly([(20.4, 12.2), (25.2, 16), (20.4, 19.8)], GREEN)


def pic_copy(c):
    page(c, 2, 2, 17, 19, 3)
    page(c, 10, 9, 26, 27, 4)


def pic_copy_rows(c):
    """A table of four rows, the middle two selected, over a page: the rows as text."""
    page(c, 2, 2, 17, 19, 3)
    c.box(8, 8, 26, 26, WHITE, INK, 1.0)
    for i in range(1, 4):
        c.rect(9, 8 + 4.5 * i - 0.5, 25, 8 + 4.5 * i + 0.5, LIGHT)
    c.rect(9, 12.5, 25, 21.5, SKY)
    c.rect(15.5, 9, 16.5, 25, GREY)
    for i in range(4):
        y = 8 + 4.5 * i + 2.25
        colour = DBLUE if i in (1, 2) else (90, 100, 125)
        c.rect(10.2, y - 0.7, 14, y + 0.7, colour)
        c.rect(17.7, y - 0.7, 23.8, y + 0.7, colour)


def pic_add_blacklist(c):
    page(c, 3, 2, 20, 25, 4)
    c.circle(19.5, 19.5, 7.2, WHITE)
    plus(c, 19.5, 19.5, 6)


def pic_close_connection(c):
    link(c, 4.5, 23.5, 9, 19)
    link(c, 19, 9, 23.5, 4.5)
    red_x(c, 17, 17, 4.5)


def pic_kill_process(c):
    c.box(2, 3, 26, 23, WHITE, INK)
    c.rect(3, 4, 25, 8.5, shade(BLUE, 14, 6, 12))
    red_x(c, 18, 19, 5)


def pic_kill_tree(c):
    c.line(6.5, 8, 6.5, 20.5, 1.4, INK)
    c.line(6.5, 13.5, 12, 13.5, 1.4, INK)
    c.line(6.5, 20.5, 12, 20.5, 1.4, INK)
    c.box(2, 2, 12, 9, SKY, DBLUE)
    c.box(11, 10, 21, 17, SKY, DBLUE)
    c.box(11, 17.5, 21, 24.5, SKY, DBLUE)
    red_x(c, 21, 21, 4.5)


def pic_program(c):  # 32-unit design: a monitor showing a small network
    c.rrect(13, 22, 19, 27, 0.5, GREY)
    c.rrect(7, 26, 25, 30, 1.5, INK)
    c.rrect(8, 26.8, 24, 29.2, 1.0, GREY)
    c.rrect(1, 3, 31, 24, 2.5, INK)
    c.rect(3, 5, 29, 22, lambda x, y: (15, round(35 + 2 * y), round(80 + 4 * y)))
    if c.size > 16:
        nodes, r, w = [(8, 9), (24, 9), (16, 14.5), (8, 19), (24, 19)], 2.6, 1.6
        links = ((0, 2), (1, 2), (2, 3), (2, 4), (0, 1))
    else:  # fewer, bigger nodes so that 16 x 16 still reads
        nodes, links, r, w = [(8.5, 9.5), (23.5, 9.5), (16, 17)], ((0, 2), (1, 2), (0, 1)), 3.6, 2.4
    for a, b in links:
        c.line(*nodes[a], *nodes[b], w, (80, 220, 110))
    for i, (x, y) in enumerate(nodes):
        c.circle(x, y, r + 0.7 if i == 2 else r, WHITE)
        c.circle(x, y, r - 0.3 if i == 2 else r - 0.9, SKY if i == 2 else GREEN)


TOOLBAR = [pic_save, pic_refresh, pic_statistics, pic_gear, pic_colors, pic_blacklist, pic_clock,
           pic_established, pic_globe, pic_about]
MENU = [pic_save, pic_refresh, pic_statistics, pic_exit, pic_gear, pic_colors, pic_clock, pic_established,
        pic_globe, pic_blacklist, pic_about, pic_copy, pic_add_blacklist, pic_close_connection,
        pic_kill_process, pic_kill_tree, pic_copy_rows]


def render(fn, size, units=28):
    c = Canvas(size, units)
    fn(c)
    return c.pixels()


def strip(fns, size):
    pics = [render(fn, size) for fn in fns]
    return [sum((p[y] for p in pics), []) for y in range(size)]


# ---------------------------------------------------------------------------------------------
# Cursors: 32 x 32 monochrome pixel art ('X' black, 'o' white, '.' transparent).
# ---------------------------------------------------------------------------------------------
HAND_TOP = [
    "......XXXX",
    ".....XooooX",
    ".....XooooX",
    ".....XooooX",
    ".....XooooX",
    ".....XooooX",
]
HAND_BENT_TOP = [
    "",
    "",
    "",
    "......XXXX",
    ".....XooooX",
    ".....XXXXXX",
]
HAND_BOTTOM = [
    ".....XooooXXXX",
    ".....XooooXoooXXXX",
    ".....XooooXoooXoooX",
    ".....XooooXoooXoooXXX",
    ".....XooooXoooXoooXooX",
    ".XXX.XooooXoooXoooXooX",
    "XoooXXooooXoooXoooXooX",
    "XooooXoooooooooooooooX",
    ".XoooooooooooooooooooX",
    ".XoooooooooooooooooooX",
    "..XooooooooooooooooooX",
    "..XooooooooooooooooooX",
    "...XoooooooooooooooooX",
    "...XooooooooooooooooX",
    "....XoooooooooooooooX",
    "....XoooooooooooooooX",
    ".....XooooooooooooooX",
    ".....XoooooooooooooX",
    ".....XoooooooooooooX",
    ".....XXXXXXXXXXXXXXX",
]


def hand(top):
    rows = top + HAND_BOTTOM
    return [(r + "." * 32)[:32] for r in rows + [""] * (32 - len(rows))]


# ---------------------------------------------------------------------------------------------
# File formats.
# ---------------------------------------------------------------------------------------------
def to_bmp_rgb(rows, threshold):
    """Opaque enough pixels are blended with the button face; the rest become magenta."""
    out = []
    for row in rows:
        line = []
        for r, g, b, a in row:
            if a < threshold:
                line.append(MAGENTA)
            else:
                p = tuple((v * a + f * (255 - a)) // 255 for v, f in zip((r, g, b), FACE))
                line.append((254, 0, 254) if p == MAGENTA else p)
        out.append(line)
    return out


def bmp_bytes(rgb_rows):
    h, w = len(rgb_rows), len(rgb_rows[0])
    stride = (w * 3 + 3) & ~3
    data = b"".join(bytes(v for r, g, b in row for v in (b, g, r)).ljust(stride, b"\0")
                    for row in reversed(rgb_rows))
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 14 + 40) + info + data


def png_bytes(rows, alpha=True):
    h, w = len(rows), len(rows[0])
    raw = b"".join(b"\0" + bytes(v for px in row for v in (px if alpha else px[:3])) for row in rows)

    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data))
    ihdr = struct.pack(">IIBBBBB", w, h, 8, 6 if alpha else 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def mask_bits(bits_rows):
    """1-bit rows (lists of 0/1), bottom-up, each padded to 32 bits."""
    out = b""
    for row in reversed(bits_rows):
        stride = (len(row) + 31) // 32 * 4
        val = bytearray(stride)
        for x, bit in enumerate(row):
            if bit:
                val[x >> 3] |= 0x80 >> (x & 7)
        out += bytes(val)
    return out


def icon_image(rows):
    """BITMAPINFOHEADER, BGRA pixels (bottom-up) and the AND mask of one icon image."""
    n = len(rows)
    xor = b"".join(bytes(v for r, g, b, a in row for v in ((b, g, r, a) if a else (0, 0, 0, 0)))
                   for row in reversed(rows))
    andm = mask_bits([[1 if a == 0 else 0 for r, g, b, a in row] for row in rows])
    info = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, len(xor) + len(andm), 0, 0, 0, 0)
    return info + xor + andm


def ico_bytes(images):
    head = struct.pack("<HHH", 0, 1, len(images))
    offset, entries, blobs = 6 + 16 * len(images), b"", b""
    for rows in images:
        blob = icon_image(rows)
        n = len(rows)
        entries += struct.pack("<BBBBHHII", n % 256, n % 256, 0, 0, 1, 32, len(blob), offset)
        blobs += blob
        offset += len(blob)
    return head + entries + blobs


def cur_bytes(art, hot):
    xor = mask_bits([[1 if ch == "o" else 0 for ch in row] for row in art])
    andm = mask_bits([[1 if ch == "." else 0 for ch in row] for row in art])
    info = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 1, 0, len(xor) + len(andm), 0, 0, 2, 0)
    blob = info + bytes((0, 0, 0, 0, 255, 255, 255, 0)) + xor + andm
    return struct.pack("<HHH", 0, 2, 1) + struct.pack("<BBBBHHII", 32, 32, 2, 0, hot[0], hot[1], len(blob), 22) + blob


# ---------------------------------------------------------------------------------------------
def preview(path, tb, main_bmp, menu_bmp, icons, cursors, scale=4):
    """One picture of everything on grey, scaled up (for checking by eye only)."""
    bg = (160, 160, 160, 255)
    blocks = [tb, [[(0, 0, 0, 0) if p == MAGENTA else p + (255,) for p in row] for row in main_bmp],
              [[(0, 0, 0, 0) if p == MAGENTA else p + (255,) for p in row] for row in menu_bmp]]
    icon_row = [[] for _ in range(48)]
    for rows in icons + cursors:
        for y in range(48):
            icon_row[y] += (rows[y] if y < len(rows) else [(0, 0, 0, 0)] * len(rows[0])) + [(0, 0, 0, 0)] * 4
    blocks.append(icon_row)
    width = max(len(b[0]) for b in blocks)
    canvas = []
    for b in blocks:
        for row in b + [[]] * 4:
            line = []
            for p in row + [(0, 0, 0, 0)] * (width - len(row)):
                a = p[3]
                q = tuple((p[i] * a + bg[i] * (255 - a)) // 255 for i in range(3)) + (255,)
                line += [q] * scale
            canvas += [line] * scale
    with open(path, "wb") as f:
        f.write(png_bytes(canvas, alpha=False))


def cursor_rows(art):
    colours = {"X": (0, 0, 0, 255), "o": (255, 255, 255, 255), ".": (0, 0, 0, 0)}
    return [[colours[ch] for ch in row] for row in art]


def main():
    os.makedirs(OUT, exist_ok=True)

    def write(name, data):
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)

    tb = strip(TOOLBAR, 28)
    main_bmp = to_bmp_rgb(tb, 128)
    menu_bmp = to_bmp_rgb(strip(MENU, 18), 110)
    write("toolbar.png", png_bytes(tb))
    write("mainframe.bmp", bmp_bytes(main_bmp))
    write("menuimages.bmp", bmp_bytes(menu_bmp))

    program = {n: render(pic_program, n, 32) for n in (16, 32, 48)}
    stats = {n: render(pic_statistics, n) for n in (16, 32)}
    black = {n: render(pic_blacklist, n) for n in (16, 32)}
    colors = {n: render(pic_colors, n) for n in (16, 32)}
    gear = {n: render(pic_gear, n) for n in (16, 32)}
    write("pelloran.ico", ico_bytes([program[16], program[32]]))
    write("pelloran-large.ico", ico_bytes([program[32], program[48]]))
    write("statistics.ico", ico_bytes([stats[16], stats[32]]))
    write("blacklist.ico", ico_bytes([black[16], black[32]]))
    write("colors.ico", ico_bytes([colors[16], colors[32]]))
    write("options.ico", ico_bytes([gear[16], gear[32]]))

    up, bent = hand(HAND_TOP), hand(HAND_BENT_TOP)
    write("hand.cur", cur_bytes(up, (7, 0)))
    write("hand-pressed.cur", cur_bytes(bent, (7, 0)))

    if "--preview" in sys.argv:
        icons = [program[16], program[32], program[48], stats[16], stats[32], black[16], black[32],
                 colors[16], colors[32], gear[16], gear[32]]
        preview(sys.argv[sys.argv.index("--preview") + 1], tb, main_bmp, menu_bmp, icons,
                [cursor_rows(up), cursor_rows(bent)])


if __name__ == "__main__":
    main()
