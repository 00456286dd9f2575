"""A small anti-aliased rasteriser: shapes are inside-tests on continuous coordinates,
painted in layers onto a canvas with a coverage found by supersampling.

Coordinates: x to the right, y downwards, pixel (i, j) covers [i, i+1) x [j, j+1).
"""
import math


class Canvas:
    def __init__(self, w, h, fill=None):
        self.w, self.h = w, h
        colour = (0.0, 0.0, 0.0) if fill is None else fill
        alpha = 0.0 if fill is None else 1.0
        self.rgb = [[tuple(float(c) for c in colour) for _ in range(w)] for _ in range(h)]
        self.alpha = [[alpha] * w for _ in range(h)]

    def paint(self, shape, colour, ss=4, opacity=1.0):
        """Paints shape (an inside-test with an optional bbox) in colour, which is an
        (r, g, b) tuple or a function (x, y) -> (r, g, b) sampled per subpixel."""
        x0, y0, x1, y1 = getattr(shape, "bbox", (0, 0, self.w, self.h))
        x0, y0 = max(0, int(math.floor(x0))), max(0, int(math.floor(y0)))
        x1, y1 = min(self.w, int(math.ceil(x1))), min(self.h, int(math.ceil(y1)))
        flat = not callable(colour)
        step = 1.0 / ss
        offsets = [(i + 0.5) * step for i in range(ss)]
        for j in range(y0, y1):
            for i in range(x0, x1):
                hits, acc = 0, [0.0, 0.0, 0.0]
                for oy in offsets:
                    for ox in offsets:
                        x, y = i + ox, j + oy
                        if shape(x, y):
                            hits += 1
                            if not flat:
                                c = colour(x, y)
                                acc[0] += c[0]
                                acc[1] += c[1]
                                acc[2] += c[2]
                if not hits:
                    continue
                cover = hits / (ss * ss) * opacity
                c = colour if flat else (acc[0] / hits, acc[1] / hits, acc[2] / hits)
                old_a = self.alpha[j][i]
                old = self.rgb[j][i]
                new_a = cover + old_a * (1.0 - cover)
                self.rgb[j][i] = tuple(
                    (c[k] * cover + old[k] * old_a * (1.0 - cover)) / new_a for k in range(3))
                self.alpha[j][i] = new_a

    def set(self, i, j, colour):
        if 0 <= i < self.w and 0 <= j < self.h:
            self.rgb[j][i] = tuple(float(c) for c in colour)
            self.alpha[j][i] = 1.0

    def clear(self, i, j):
        if 0 <= i < self.w and 0 <= j < self.h:
            self.alpha[j][i] = 0.0

    def pixels(self, threshold=0.5):
        """Rows of (r, g, b) or None: a pixel is opaque when its coverage reaches threshold."""
        return [[tuple(max(0, min(255, round(c))) for c in self.rgb[j][i])
                 if self.alpha[j][i] >= threshold else None
                 for i in range(self.w)] for j in range(self.h)]


# --- shapes -------------------------------------------------------------------------

def shape(test, bbox):
    test.bbox = bbox
    return test


def rect(x0, y0, x1, y1):
    return shape(lambda x, y: x0 <= x < x1 and y0 <= y < y1, (x0, y0, x1, y1))


def ellipse(cx, cy, rx, ry=None):
    ry = rx if ry is None else ry
    return shape(lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0,
                 (cx - rx, cy - ry, cx + rx, cy + ry))


def round_rect(x0, y0, x1, y1, r):
    def test(x, y):
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        dx = max(x0 + r - x, 0, x - (x1 - r))
        dy = max(y0 + r - y, 0, y - (y1 - r))
        return dx * dx + dy * dy <= r * r
    return shape(test, (x0, y0, x1, y1))


def polygon(points):
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]

    def test(x, y):
        inside = False
        n = len(points)
        for k in range(n):
            (ax, ay), (bx, by) = points[k], points[(k + 1) % n]
            if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                inside = not inside
        return inside
    return shape(test, (min(xs), min(ys), max(xs), max(ys)))


def stroke(points, width):
    """A polyline of the given width with round joints and ends."""
    r2 = (width / 2.0) ** 2
    segs = list(zip(points, points[1:]))
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]

    def test(x, y):
        for (ax, ay), (bx, by) in segs:
            dx, dy = bx - ax, by - ay
            length = dx * dx + dy * dy
            t = 0.0 if length == 0 else max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length))
            px, py = ax + t * dx - x, ay + t * dy - y
            if px * px + py * py <= r2:
                return True
        return False
    pad = width / 2.0 + 1
    return shape(test, (min(xs) - pad, min(ys) - pad, max(xs) + pad, max(ys) + pad))


def union(*shapes):
    boxes = [s.bbox for s in shapes]
    return shape(lambda x, y: any(s(x, y) for s in shapes),
                 (min(b[0] for b in boxes), min(b[1] for b in boxes),
                  max(b[2] for b in boxes), max(b[3] for b in boxes)))


def minus(a, *holes):
    return shape(lambda x, y: a(x, y) and not any(h(x, y) for h in holes), a.bbox)


def transformed(s, fn, bbox):
    """s seen through fn, which maps canvas coordinates back into s's coordinates."""
    return shape(lambda x, y: s(*fn(x, y)), bbox)


def bezier(p0, p1, p2, p3, steps=24):
    out = []
    for k in range(steps + 1):
        t = k / steps
        u = 1 - t
        out.append(tuple(u ** 3 * a + 3 * u * u * t * b + 3 * u * t * t * c + t ** 3 * d
                         for a, b, c, d in zip(p0, p1, p2, p3)))
    return out


def mix(a, b, t):
    return tuple(a[k] + (b[k] - a[k]) * t for k in range(3))
