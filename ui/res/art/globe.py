"""The globe: a lit sphere with a coarse world map, tilted so it is seen from above."""
import math

from raster import mix

# Land by bands of ten degrees of latitude, north to south: (west, east) longitudes.
LAND = [
    [(-60, -20)],
    [(-120, -75), (-70, -20), (15, 25), (55, 65), (90, 110), (140, 150)],
    [(-168, -140), (-140, -62), (-52, -22), (-24, -14), (6, 30), (30, 180)],
    [(-165, -155), (-132, -58), (-8, 2), (6, 140), (155, 163)],
    [(-125, -66), (-9, 40), (44, 135), (140, 146)],
    [(-122, -76), (-9, 12), (14, 34), (36, 122), (130, 141)],
    [(-112, -98), (-83, -80), (-16, 35), (36, 57), (62, 120)],
    [(-106, -86), (-17, 40), (43, 52), (73, 80), (96, 108), (120, 125)],
    [(-80, -52), (-12, 46), (98, 104), (110, 119)],
    [(-80, -36), (10, 41), (102, 115), (120, 126), (132, 150)],
    [(-76, -38), (12, 40), (44, 50), (125, 145)],
    [(-70, -42), (15, 35), (44, 48), (114, 153)],
    [(-72, -56), (18, 28), (116, 150)],
    [(-75, -64), (145, 148), (168, 178)],
    [(-75, -66)],
    [(-70, -56), (-40, 180), (-180, -80)],
    [(-180, 180)],
    [(-180, 180)],
]

STEP = 5  # degrees per cell of the smoothed land grid


def _is_land_at(lat, lon):
    band = LAND[min(17, max(0, int((90 - lat) // 10)))]
    return any(w <= lon < e for w, e in band)


# Cell centres of a 5-degree grid, interpolated later so coasts come out rounded.
_GRID = [[1.0 if _is_land_at(90 - (r + 0.5) * STEP, -180 + (c + 0.5) * STEP) else 0.0
          for c in range(360 // STEP)] for r in range(180 // STEP)]


def land(lat, lon):
    """0..1, bilinear over the grid: 0.5 is the coast."""
    fr = (90 - lat) / STEP - 0.5
    fc = (lon + 180) / STEP - 0.5
    r0 = int(math.floor(fr))
    c0 = int(math.floor(fc))
    tr, tc = fr - r0, fc - c0
    rows = len(_GRID)
    cols = len(_GRID[0])

    def at(r, c):
        return _GRID[min(rows - 1, max(0, r))][c % cols]
    top = at(r0, c0) * (1 - tc) + at(r0, c0 + 1) * tc
    bottom = at(r0 + 1, c0) * (1 - tc) + at(r0 + 1, c0 + 1) * tc
    return top * (1 - tr) + bottom * tr


OCEAN = (38, 104, 222)
OCEAN_DEEP = (16, 50, 150)
LAND_COL = (64, 178, 48)
LAND_DARK = (22, 104, 30)
GRID_COL = (150, 205, 255)
HIGHLIGHT = (235, 248, 255)


def surface(u, v, tilt=22, centre_lon=105, grid=30, grid_width=2.2):
    """Colour of the sphere at (u, v) on the unit disc (u right, v down)."""
    z = math.sqrt(max(0.0, 1.0 - u * u - v * v))
    x, y = u, -v
    t = math.radians(tilt)
    # Turn the view point back into globe coordinates: the north pole leans toward us.
    gy = y * math.cos(t) + z * math.sin(t)
    gz = -y * math.sin(t) + z * math.cos(t)
    lat = math.degrees(math.asin(max(-1.0, min(1.0, gy))))
    lon = math.degrees(math.atan2(x, gz)) + centre_lon
    lon = (lon + 180) % 360 - 180
    is_land = land(lat, lon) >= 0.5
    base = LAND_COL if is_land else OCEAN
    dark = LAND_DARK if is_land else OCEAN_DEEP
    # Light from the upper left, in front.
    lx, ly, lz = -0.55, 0.6, 0.58
    n = math.sqrt(lx * lx + ly * ly + lz * lz)
    diffuse = max(0.0, (x * lx + y * ly + z * lz) / n)
    colour = mix(dark, base, min(1.0, 0.25 + 0.95 * diffuse))
    if grid:
        # Lines of latitude and longitude, thinner toward the rim.
        px_deg = grid_width
        dlat = abs((lat + grid / 2) % grid - grid / 2)
        dlon = abs((lon + grid / 2) % grid - grid / 2) * math.cos(math.radians(lat))
        if min(dlat, dlon) < px_deg / 2:
            colour = mix(colour, GRID_COL, 0.45 * z)
    shine = max(0.0, (x * lx + y * ly + z * lz) / n) ** 24
    return mix(colour, HIGHLIGHT, 0.75 * shine)
