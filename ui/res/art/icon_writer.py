"""Writes Windows .ico and .bmp files from pixel grids (standard library only).

A picture is a list of rows, top row first; each pixel is an (r, g, b) tuple, or
None for a transparent pixel (icons only).
"""
import struct

BLACK = (0, 0, 0)


def _row_bytes(bits):
    return (bits + 31) // 32 * 4


def _median_cut(colours, count):
    """Splits the colour set into at most count boxes; returns one mean colour per box."""
    boxes = [list(colours)]
    while len(boxes) < count:
        # Split the box with the widest channel range.
        best, best_range, best_channel = None, 0, 0
        for i, box in enumerate(boxes):
            if len(box) < 2:
                continue
            for ch in range(3):
                values = [c[ch] for c in box]
                spread = max(values) - min(values)
                if spread > best_range:
                    best, best_range, best_channel = i, spread, ch
        if best is None:
            break
        box = sorted(boxes.pop(best), key=lambda c: c[best_channel])
        half = len(box) // 2
        boxes += [box[:half], box[half:]]
    return [tuple(round(sum(c[ch] for c in box) / len(box)) for ch in range(3)) for box in boxes]


def quantize(pixels, limit, keep=()):
    """Maps the picture onto at most limit colours, keeping the colours in keep exact."""
    used = {p for row in pixels for p in row if p is not None}
    if len(used) <= limit:
        return pixels
    fixed = [c for c in keep if c in used]
    rest = sorted(c for c in used if c not in fixed)
    palette = fixed + _median_cut(rest, limit - len(fixed))

    def nearest(c):
        if c in fixed:
            return c
        return min(palette[len(fixed):], key=lambda p: sum((p[i] - c[i]) ** 2 for i in range(3)))

    table = {c: nearest(c) for c in used}
    return [[None if p is None else table[p] for p in row] for row in pixels]


def _palette(pixels, limit):
    # Entry 0 is black: transparent pixels point at it, so the XOR image leaves the
    # screen untouched under the mask.
    colours = [BLACK]
    for row in pixels:
        for p in row:
            if p is not None and p not in colours:
                colours.append(p)
    if len(colours) > limit:
        raise ValueError(f"{len(colours)} colours do not fit a {limit}-colour palette")
    while len(colours) < limit:
        colours.append(BLACK)
    return colours


def icon_bytes(pixels, bpp):
    """One-image icon: a palette DIB (4 or 8 bits per pixel) and its AND mask."""
    h, w = len(pixels), len(pixels[0])
    colours = _palette(pixels, 1 << bpp)
    index = {}
    for i, c in enumerate(colours):
        index.setdefault(c, i)
    xor = bytearray()
    mask = bytearray()
    for row in reversed(pixels):  # DIBs are stored bottom-up
        line = bytearray(_row_bytes(w * bpp))
        bits = bytearray(_row_bytes(w))
        for x, p in enumerate(row):
            i = 0 if p is None else index[p]
            if bpp == 8:
                line[x] = i
            else:
                line[x // 2] |= i << (4 if x % 2 == 0 else 0)
            if p is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        xor += line
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, bpp, 0, len(xor) + len(mask), 0, 0,
                         1 << bpp, 0)
    pal = b"".join(struct.pack("BBBB", b, g, r, 0) for (r, g, b) in colours)
    image = header + pal + bytes(xor) + bytes(mask)
    entry = struct.pack("<BBBBHHII", w % 256, h % 256, (1 << bpp) % 256, 0, 1, bpp, len(image),
                        6 + 16)
    return struct.pack("<HHH", 0, 1, 1) + entry + image


def bitmap_bytes(pixels):
    """Uncompressed 24-bit bottom-up BMP file."""
    h, w = len(pixels), len(pixels[0])
    stride = _row_bytes(w * 24)
    data = bytearray()
    for row in reversed(pixels):
        line = bytearray()
        for (r, g, b) in row:
            line += bytes((b, g, r))
        line += bytes(stride - len(line))
        data += line
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(data), 0, 0, 14 + len(info))
    return head + info + bytes(data)
