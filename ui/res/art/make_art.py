"""Draws every icon and bitmap of Korvane.exe into ui/res/ (standard library only).

Run:  python3 ui/res/art/make_art.py      then  ui/res/art/contact_sheet.sh
The output is committed; the build only reads the .ico and .bmp files.

Pictures of 16 x 16 and the small pictograms are pixel grids written out below, one
character per pixel; the larger ones are painted from shapes with anti-aliasing.
"""
import math
import os
import sys

import globe
import lettering
from icon_writer import bitmap_bytes, icon_bytes, quantize
from raster import (Canvas, bezier, ellipse, minus, mix, polygon, rect, round_rect, stroke,
                    transformed, union)

OUT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))

DISC = (204, 255, 0)
WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
OUTLINE = (8, 36, 104)
CABLE_EDGE = (110, 110, 116)
CABLE = (212, 212, 216)
PLUG = (236, 236, 240)
CONTACTS = (226, 184, 48)

# --- pixel grids ----------------------------------------------------------------------

GRID_COLOURS = {
    "K": OUTLINE, "B": (38, 104, 222), "b": (96, 156, 244), "D": (20, 64, 168),
    "G": (64, 178, 48), "g": (136, 216, 96), "F": (30, 120, 36), "W": (220, 240, 255),
    "o": CABLE_EDGE, "c": CABLE, "p": PLUG, "y": CONTACTS, "Y": DISC,
}


def from_grid(text, colours):
    rows = [line for line in text.strip("\n").split("\n")]
    return [[None if ch == "." else colours[ch] for ch in row] for row in rows]


# The small globe: the same face as the large one (Asia, with Australia at the lower
# right), lit from the upper left, with a stub of cable and its plug.
GLOBE_16 = """
................
.....KKKKK......
...KKggGGDKK....
..KbgWgGGGGDK...
..KgggGGGGGFK...
.KbggGGGGGFFDK..
.KbbgGGGGGGFDK..
.KbbbbGGBGFDDK..
.KbbbBGGBBFDDK..
.KBbBBBGBBDDDK..
..KBBBBBBDFFK...
..KDBBBBBFFFK...
...KKDDDDDKKco..
.....KKKKK..oco.
.............opp
.............opy
"""

DISC_7 = ["..###..", ".#####.", "#######", "#######", "#######", ".#####.", "..###.."]

# Top left corner of the disc in each animation picture: lower right, lower left, upper
# left, upper right, so that shown in turn it goes round clockwise.
DISC_PLACES = [(8, 8), (1, 8), (1, 1), (8, 1)]


def tray_frame(frame):
    pix = from_grid(GLOBE_16, GRID_COLOURS)
    ox, oy = DISC_PLACES[frame]

    def on_disc(x, y):
        return 0 <= x < 7 and 0 <= y < 7 and DISC_7[y][x] == "#"
    # A dark rim keeps the disc apart from the green land under it.
    for y in range(-1, 8):
        for x in range(-1, 8):
            near = any(on_disc(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
            if not on_disc(x, y) and near and 0 <= ox + x < 16 and 0 <= oy + y < 16:
                pix[oy + y][ox + x] = OUTLINE
    for y in range(7):
        for x in range(7):
            if on_disc(x, y):
                pix[oy + y][ox + x] = DISC
    return pix


# A page with a red title band and a tree of coloured nodes, in the 16 standard colours.
SETTING_COLOURS = {
    "k": (0, 0, 0), "s": (128, 128, 128), "w": (255, 255, 255), "R": (255, 0, 0),
    "r": (128, 0, 0), "c": (0, 255, 255), "y": (255, 255, 0), "g": (0, 255, 0),
}


def setting_icon():
    grid = [["."] * 32 for _ in range(32)]

    def fill(x0, y0, x1, y1, ch):  # inclusive corners
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                grid[y][x] = ch

    def node(x, y, ch):  # 5 x 5: black rim, 3 x 3 colour
        fill(x, y, x + 4, y + 4, "k")
        fill(x + 1, y + 1, x + 3, y + 3, ch)
    fill(6, 2, 26, 31, "s")          # shadow
    fill(5, 1, 25, 30, "k")          # page rim
    fill(6, 2, 24, 29, "w")
    fill(6, 2, 24, 4, "R")           # title band
    fill(6, 5, 24, 5, "r")
    fill(10, 13, 10, 26, "s")        # trunk
    fill(11, 16, 13, 16, "s")
    fill(11, 26, 13, 26, "s")
    fill(16, 19, 16, 21, "s")        # branch under the yellow node
    fill(17, 21, 18, 21, "s")
    fill(14, 10, 21, 10, "s")        # captions
    fill(20, 16, 23, 16, "s")
    fill(20, 26, 23, 26, "s")
    node(8, 8, "c")
    node(14, 14, "y")
    node(19, 19, "g")
    node(14, 24, "R")
    return [[None if ch == "." else SETTING_COLOURS[ch] for ch in row] for row in grid]


# --- painted pictures -----------------------------------------------------------------


def draw_globe(cv, cx, cy, r, ss=6, **kw):
    cv.paint(ellipse(cx, cy, r + 0.9), OUTLINE, ss)
    cv.paint(ellipse(cx, cy, r), lambda x, y: globe.surface((x - cx) / r, (y - cy) / r, **kw),
             ss)


def draw_cable(cv, path, width):
    cv.paint(stroke(path, width + 1.6), CABLE_EDGE, 6)
    cv.paint(stroke(path, width), CABLE, 6)


def draw_plug(cv, x, y):
    """A network plug pointing right, 6 x 5 pixels, with its contacts at the tip."""
    cv.paint(rect(x, y, x + 6, y + 5), CABLE_EDGE)
    cv.paint(rect(x + 1, y + 1, x + 5, y + 4), PLUG)
    cv.paint(rect(x + 5, y + 1, x + 6, y + 4), CONTACTS)
    cv.paint(rect(x + 2, y + 2, x + 4, y + 3), (150, 150, 156))


def agent_icon():
    cv = Canvas(32, 32)
    path = bezier((18, 18), (23, 23), (23, 26), (21, 27)) + \
        bezier((21, 27), (18, 28.5), (21, 31), (26, 29))[1:]
    draw_cable(cv, path, 1.6)
    draw_plug(cv, 25, 26)
    draw_globe(cv, 12, 12, 10.5, grid_width=3)
    return cv.pixels()


def key_shape(d, cx, cy, angle, size):
    """A key grown by d pixels: bow (with its hole) at (cx, cy), shaft along angle."""
    ca, sa = math.cos(angle), math.sin(angle)
    k = size / 32.0

    def local(x, y):
        dx, dy = (x - cx) / k, (y - cy) / k
        return dx * ca + dy * sa, -dx * sa + dy * ca
    e = d / k
    bow = ellipse(0, 0, 6.2 + e)
    hole = ellipse(0, 0, max(0.1, 2.2 - e))
    shaft = rect(4, -1.9 - e, 21 + e, 1.9 + e)
    teeth = union(rect(13.5 - e, 0, 16 + e, 5.6 + e), rect(18 - e, 0, 21 + e, 4.6 + e))
    tip = polygon([(20, -1.9 - e), (22.6 + e, 0), (20, 1.9 + e)])
    key = minus(union(bow, shaft, teeth, tip), hole)
    return transformed(key, local, (0, 0, size, size))


def lock_key_icon(ground_top, ground_bottom, outside):
    """The Computer Lock picture: a white key outline on a rounded square."""
    cv = Canvas(32, 32, outside)
    square = round_rect(0, 0, 32, 32, 7)
    cv.paint(square, lambda x, y: mix(ground_top, ground_bottom, y / 32.0), 8)
    angle = math.radians(40)
    # Two samples a side: enough to round the bow, few enough to keep the line crisp.
    cv.paint(key_shape(2.0, 9.5, 10, angle, 32), WHITE, 2)
    cv.paint(key_shape(0.0, 9.5, 10, angle, 32),
             lambda x, y: mix(ground_top, ground_bottom, y / 32.0), 2)
    return cv.pixels()


def exit_icon():
    """Green ground, a white door opening, a green figure running out through it."""
    green = (0, 150, 70)
    cv = Canvas(32, 32, green)
    cv.paint(rect(8, 3, 27, 29), WHITE)
    limbs = [
        [(17.5, 11.5), (14.8, 17.5)],                    # body
        [(17.2, 12.5), (13.5, 14.5), (11.2, 12.0)],      # front arm
        [(17.0, 12.6), (20.2, 15.0), (23.0, 14.0)],      # back arm
        [(14.8, 17.5), (12.4, 21.0), (10.3, 25.5)],      # front leg
        [(14.8, 17.5), (18.8, 20.4), (20.6, 25.6), (23.4, 25.6)],  # back leg
    ]
    for limb in limbs:
        cv.paint(stroke(limb, 2.8), green, 8)
    cv.paint(ellipse(19.6, 7.6, 2.4), green, 8)
    return cv.pixels()


def padlock_icon():
    cv = Canvas(48, 48)
    dark = (104, 66, 0)

    def shackle(d):
        arch = minus(ellipse(24, 18, 12.5 + d), ellipse(24, 18, 7.5 - d), rect(0, 18, 48, 48))
        return union(arch, rect(11.5 - d, 18, 16.5 + d, 26), rect(31.5 - d, 18, 36.5 + d, 26))
    cv.paint(shackle(1.0), dark, 8)
    cv.paint(shackle(0.0), lambda x, y: mix((252, 236, 160), (184, 132, 16),
                                            min(1.0, abs(x - 22) / 14.0 + y / 80.0)), 8)
    # Body.
    cv.paint(round_rect(6, 21, 42, 46, 4), dark, 8)
    cv.paint(round_rect(7, 22, 41, 45, 3),
             lambda x, y: mix((255, 226, 96), (214, 150, 12), (y - 22) / 23.0), 8)
    cv.paint(round_rect(9, 24, 39, 27, 1.5), (255, 244, 190), 8)
    cv.paint(rect(7, 42, 41, 45), (190, 128, 8), 8, opacity=0.6)
    # Keyhole.
    keyhole = union(ellipse(24, 31.5, 3.2), polygon([(22.3, 32), (25.7, 32), (26.6, 40.5),
                                                    (21.4, 40.5)]))
    cv.paint(keyhole, (36, 24, 8), 8)
    return cv.pixels()


def banner():
    cv = Canvas(180, 65, WHITE)
    # The cable leaves the globe at its lower right, curls once and runs off the bottom.
    loop = [(40 + 5.0 * math.cos(a), 50 + 5.0 * math.sin(a))
            for a in [math.radians(-90 - 12 * i) for i in range(0, 31)]]
    path = bezier((33, 33), (40, 39), (45, 42), (40, 45))[:-1] + loop + \
        bezier(loop[-1], (35, 46), (33, 56), (35, 67))[1:]
    cv.paint(stroke(path, 4.6), CABLE_EDGE, 6)
    cv.paint(stroke(path, 2.8), CABLE, 6)
    draw_globe(cv, 22, 24, 18.5, grid_width=2.4)
    width = lettering.text_width("KORVANE!")
    sx = 124.0 / width
    for s in lettering.text("KORVANE!", 50, 19, sx, 0.25, italic="!"):
        cv.paint(s, BLACK, 6)
    return cv.pixels()


def reboot_bitmap():
    """A green rounded square in a white frame, with eight white rays round its centre."""
    cv = Canvas(36, 32, WHITE)
    cv.paint(round_rect(1, 1, 35, 31, 6), lambda x, y: mix((70, 196, 70), (0, 128, 40), y / 32.0),
             8)
    cx, cy = 18, 16
    for k in range(8):
        a = math.radians(45 * k)
        r0, r1 = 5.2, 11.0
        cv.paint(stroke([(cx + r0 * math.cos(a), cy + r0 * math.sin(a)),
                         (cx + r1 * math.cos(a), cy + r1 * math.sin(a))], 2.6), WHITE, 8)
    return cv.pixels()


# --- output ---------------------------------------------------------------------------

ICONS = [
    # file, picture, bits per pixel
    ("agent.ico", agent_icon, 8),
    ("tray1.ico", lambda: tray_frame(0), 8),
    ("tray2.ico", lambda: tray_frame(1), 8),
    ("tray3.ico", lambda: tray_frame(2), 8),
    ("tray4.ico", lambda: tray_frame(3), 8),
    ("computer_lock.ico", lambda: lock_key_icon((255, 196, 46), (236, 128, 0), WHITE), 8),
    ("exit.ico", exit_icon, 8),
    ("setting.ico", setting_icon, 4),
    ("computer_lock_gray.ico",
     lambda: lock_key_icon((178, 178, 178), (120, 120, 120), (244, 244, 244)), 8),
    ("padlock.ico", padlock_icon, 8),
]

BITMAPS = [
    ("banner.bmp", banner),
    ("reboot.bmp", reboot_bitmap),
]


def main():
    only = set(sys.argv[1:])
    for name, draw, bpp in ICONS:
        if only and name not in only:
            continue
        # One palette entry stays black for the transparent pixels.
        pix = quantize(draw(), (1 << bpp) - 1, keep=(DISC, WHITE))
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(icon_bytes(pix, bpp))
    for name, draw in BITMAPS:
        if only and name not in only:
            continue
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(bitmap_bytes(draw()))
    return 0


if __name__ == "__main__":
    sys.exit(main())
