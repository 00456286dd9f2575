"""Draws every icon and bitmap of Korvane.exe into ui/res/.

Placeholder shapes for now: each picture has its catalogue size, colour depth and
transparency, and the four tray frames differ by the place of their marker disc.
"""
import os
import sys

from icon_writer import bitmap_bytes, icon_bytes

OUT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))

BLUE = (40, 90, 200)
DISC = (204, 255, 0)
WHITE = (255, 255, 255)


def canvas(w, h, fill=None):
    return [[fill for _ in range(w)] for _ in range(h)]


def disc(pix, cx, cy, r, colour):
    for y in range(len(pix)):
        for x in range(len(pix[0])):
            if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                pix[y][x] = colour


def globe(size):
    pix = canvas(size, size)
    disc(pix, (size - 1) / 2, (size - 1) / 2, size / 2 - 1, BLUE)
    return pix


def tray_frame(quarter):
    pix = globe(16)
    cx, cy = {"lr": (11.5, 11.5), "ll": (3.5, 11.5), "ul": (3.5, 3.5), "ur": (11.5, 3.5)}[quarter]
    for y in range(int(cy - 3), int(cy + 4)):
        for x in range(int(cx - 3), int(cx + 4)):
            pix[y][x] = DISC
    return pix


def solid(size, colour):
    return canvas(size, size, colour)


def main():
    icons = {
        "agent.ico": (globe(32), 8),
        "tray1.ico": (tray_frame("lr"), 8),
        "tray2.ico": (tray_frame("ll"), 8),
        "tray3.ico": (tray_frame("ul"), 8),
        "tray4.ico": (tray_frame("ur"), 8),
        "computer_lock.ico": (solid(32, (255, 176, 0)), 8),
        "exit.ico": (solid(32, (0, 150, 60)), 8),
        "setting.ico": (globe(32), 4),
        "computer_lock_gray.ico": (solid(32, (150, 150, 150)), 8),
        "padlock.ico": (globe(48), 8),
    }
    for name, (pix, bpp) in icons.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(icon_bytes(pix, bpp))
    bitmaps = {"banner.bmp": canvas(180, 65, WHITE), "reboot.bmp": canvas(36, 32, (0, 150, 60))}
    for name, pix in bitmaps.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(bitmap_bytes(pix))
    return 0


if __name__ == "__main__":
    sys.exit(main())
