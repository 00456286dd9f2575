"""Bold capitals for the banner, drawn as shapes on a 100-unit cap height (y down,
0 at the cap line, 100 on the base line)."""
from raster import ellipse, minus, polygon, rect, transformed, union


def _right_of(s, x0):
    return minus(s, rect(-1000, -1000, x0, 1000))


def _k():
    return union(rect(0, 0, 24, 100),
                 polygon([(22, 72), (22, 38), (46, 0), (76, 0)]),
                 polygon([(34, 52), (54, 34), (80, 100), (50, 100)]))


def _o():
    return minus(ellipse(40, 50, 40, 51), ellipse(40, 50, 16, 30))


def _r():
    bowl = union(rect(0, 0, 38, 60), _right_of(ellipse(38, 30, 32, 30), 38))
    counter = union(rect(24, 20, 38, 40), _right_of(ellipse(38, 30, 11, 10), 38))
    leg = polygon([(28, 56), (54, 52), (80, 100), (52, 100)])
    return union(rect(0, 0, 24, 100), minus(bowl, counter), leg)


def _v():
    return polygon([(0, 0), (26, 0), (40, 68), (54, 0), (80, 0), (54, 100), (26, 100)])


def _a():
    outer = polygon([(28, 0), (56, 0), (84, 100), (58, 100), (53, 80), (31, 80), (26, 100),
                     (0, 100)])
    return minus(outer, polygon([(35, 60), (49, 60), (42, 28)]))


def _n():
    return union(rect(0, 0, 22, 100), rect(54, 0, 76, 100),
                 polygon([(0, 0), (26, 0), (76, 100), (50, 100)]))


def _e():
    return union(rect(0, 0, 24, 100), rect(0, 0, 62, 20), rect(0, 40, 56, 59),
                 rect(0, 80, 62, 100))


def _bang():
    return union(polygon([(2, 0), (26, 0), (20, 66), (8, 66)]), rect(3, 78, 25, 100))


GLYPHS = {"K": (_k, 80), "O": (_o, 80), "R": (_r, 80), "V": (_v, 80), "A": (_a, 84),
          "N": (_n, 76), "E": (_e, 62), "!": (_bang, 26)}


def text_width(text, gap=10):
    return sum(GLYPHS[c][1] for c in text) + gap * (len(text) - 1)


def glyph(ch, ox, oy, sx, sy, slant=0.0):
    """The glyph with its top left at (ox, oy), scaled, its top leaning right by slant
    (horizontal units per unit of height)."""
    make, width = GLYPHS[ch]
    g = make()

    def back(x, y):
        gy = (y - oy) / sy
        return (x - ox) / sx - slant * (100 - gy), gy
    bbox = (ox - 1, oy - 1, ox + (width + slant * 100) * sx + 1, oy + 100 * sy + 1)
    return transformed(g, back, bbox)


def text(s, ox, oy, sx, sy, gap=10, italic=()):
    shapes = []
    x = ox
    for ch in s:
        shapes.append(glyph(ch, x, oy, sx, sy, 0.22 if ch in italic else 0.0))
        x += (GLYPHS[ch][1] + gap) * sx
    return shapes

