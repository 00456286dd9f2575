#!/usr/bin/python3
"""How well each free Japanese proportional Gothic fits the dialogs' texts.

The dialogs ask for MS PGothic (and MS Shell Dlg, MS UI Gothic in a Japanese locale), which
Debian cannot ship; the screenshots substitute a free face. For each candidate this lays out
every text of ui/res/dialogs.rc the way Wine's controls do: dialog units become pixels with the
face's own base units (average width of the 52 Latin letters, cell height), a check box keeps
13 px and half a '0' for its box, a group box 7 px each side, an edit box its sunken edge and
the CJK margins, a left static wraps at spaces unless it centres an image. Widths are FreeType's
hinted advances at the dialog's size (9 pt at 96 DPI is 12 px), summed without kerning as GDI
does. It prints, for each face, the texts that do not fit and by how many pixels. Asserts nothing.
Usage: ui/res/art/font_fit.py [face ...]   (Debian's python3-pil and python3-fonttools; a face
whose package, named in FACES, is not installed is skipped)
"""
import logging
import os
import re
import struct
import sys

from fontTools.ttLib import TTFont
from PIL import ImageFont

FACES = {  # family: file (the Debian package in the comment)
    "IPAPGothic": "opentype/ipafont-gothic/ipagp.ttf",  # fonts-ipafont-gothic
    "IPAexGothic": "opentype/ipaexfont-gothic/ipaexg.ttf",  # fonts-ipaexfont-gothic
    "VL PGothic": "truetype/vlgothic/VL-PGothic-Regular.ttf",  # fonts-vlgothic
    "TakaoPGothic": "truetype/takao-gothic/TakaoPGothic.ttf",  # fonts-takao-gothic
    "Ume P Gothic": "truetype/horai-umefont/ume-pgo4.ttf",  # fonts-horai-umefont
    "Ume P Gothic C4": "truetype/horai-umefont/ume-pgc4.ttf",
    "Ume P Gothic S4": "truetype/horai-umefont/ume-pgs4.ttf",
    "Ume P Gothic O5": "truetype/horai-umefont/ume-pgo5.ttf",
    "Ume UI Gothic": "truetype/horai-umefont/ume-ugo4.ttf",
    "UmePlus P Gothic": "truetype/umeplus/umeplus-p-gothic.ttf",  # fonts-umeplus
    "Noto Sans CJK JP": "opentype/noto/NotoSansCJK-Regular.ttc",  # fonts-noto-cjk
    "M PLUS 1": "opentype/mplus/Mplus1-Regular.otf",  # fonts-mplus
    "M PLUS 2": "opentype/mplus/Mplus2-Regular.otf",
    "Sawarabi Gothic": "truetype/sawarabi-gothic/sawarabi-gothic-medium.ttf",
    "Konatu": "truetype/konatu/Konatu.ttf",  # fonts-konatu
    "MigMix 1P": "truetype/migmix/migmix-1p-regular.ttf",  # fonts-migmix
    "MigMix 2P": "truetype/migmix/migmix-2p-regular.ttf",
    "Migu 1P": "truetype/migmix/migu-1p-regular.ttf",
    "BIZ UDPGothic": "truetype/bizud-gothic/BIZUDPGothic-Regular.ttf",  # fonts-morisawa-...
    "Mona": "truetype/mona/mona.ttf",  # fonts-mona
    "Monapo": "truetype/monapo/monapo.ttf",  # fonts-monapo
}
CJK_INDEX = {"Noto Sans CJK JP": 0}  # the JP face is the first of the collection
BS_GROUPBOX, BS_AUTOCHECKBOX = "BS_GROUPBOX", "BS_AUTOCHECKBOX"


def dialogs(rc_path):
    """[(dialog, points, [(text, kind, w, h)])] from the templates; kind says how it lays out."""
    text = open(rc_path, encoding="utf-8").read()
    out = []
    for name, body in re.findall(r"^(\w+) DIALOGEX.*?\n(.*?)^END", text, re.S | re.M):
        points = int(re.search(r"^FONT (\d+)", body, re.M).group(1))
        controls = []
        for ctl in re.findall(r"CONTROL (\".*?\".*?)(?=\n\s*(?:CONTROL|//|$))", body, re.S):
            quoted = re.match(r'"(.*?)"', ctl)
            label = quoted.group(1)
            fields = [f.strip() for f in ctl[quoted.end() :].split(",")]
            w, h = int(fields[6]), int(fields[7])
            style = fields[3]
            if not label or "NOT WS_VISIBLE" in style:
                continue
            if "CLS_STATIC" in fields[2]:
                kind = "line" if "SS_CENTERIMAGE" in style else "wrap"
            elif BS_GROUPBOX in style:
                kind = "group"
            elif BS_AUTOCHECKBOX in style:
                kind = "check-wrap" if "BS_MULTILINE" in style else "check"
            else:
                kind = "push"
            controls.append((label, kind, w, h))
        if name == "IDD_SETTING":  # the address the current-address box must show whole
            controls.append(("192.168.10.21", "edit", 54, 14))
        out.append((name, points, controls))
    return out


class Face:
    def __init__(self, path, index, px):
        self.font = ImageFont.truetype(path, px, index=index, layout_engine=ImageFont.Layout.BASIC)
        tt = TTFont(path, fontNumber=index, lazy=True)
        scale = px / tt["head"].unitsPerEm
        # Raw: some faces carry an OS/2 table shorter than its version says.
        win_ascent, win_descent = struct.unpack(">HH", tt.reader["OS/2"][74:78])
        self.height = round(win_ascent * scale) + round(win_descent * scale)
        letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
        self.base_x = (self.width(letters) // 26 + 1) // 2
        self.min_lsb = round(tt["hhea"].minLeftSideBearing * scale)
        self.min_rsb = round(tt["hhea"].minRightSideBearing * scale)

    def width(self, s):
        return int(sum(self.font.getlength(c) for c in s))

    def px(self, dlu_w, dlu_h):
        return (dlu_w * self.base_x + 2) // 4, (dlu_h * self.height + 4) // 8

    def wrap(self, s, room):
        lines, line = [], ""
        for word in s.split(" "):
            trial = word if not line else line + " " + word
            if line and self.width(trial) > room:
                lines.append(line)
                line = word
            else:
                line = trial
        return lines + [line]


def lost(face, label, kind, w, h):
    """(pixels of text that do not show, pixels to spare on the fullest line, room, text width)."""
    pw, ph = face.px(w, h)
    tw = face.width(label)
    if kind in ("check", "check-wrap"):
        pw -= 13 + face.width("0") // 2
    elif kind == "group":
        pw -= 14
    elif kind == "push":
        pw -= 4
    elif kind == "edit":
        pw -= 4  # the sunken edge Wine and Windows give a bordered edit in a dialog
        margins = [min(-b, face.base_x // 2) if b < 0 else 0 for b in (face.min_lsb, face.min_rsb)]
        if pw >= sum(margins) + 2 * face.base_x:
            pw -= sum(margins)
    if kind in ("wrap", "check-wrap"):
        lines = face.wrap(label, pw)
        shown = max(1, ph // face.height)
        over = sum(max(0, face.width(l) - pw) for l in lines[:shown])
        over += sum(face.width(l) for l in lines[shown:])
        return over, pw - max(face.width(l) for l in lines), pw * shown, tw
    return max(0, tw - pw), pw - tw, pw, tw


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    templates = dialogs(os.path.join(root, "ui/res/dialogs.rc"))
    names = sys.argv[1:] or list(FACES)
    logging.disable(logging.WARNING)  # fontTools' remarks on old time stamps
    rows = []
    for name in names:
        path = os.path.join("/usr/share/fonts", FACES[name])
        if not os.path.exists(path):
            print(f"{name}: {path} not installed")
            continue
        faces, overs, spare = {}, [], []
        try:
            for dialog, points, controls in templates:
                px = (points * 96 + 36) // 72
                face = faces.setdefault(px, Face(path, CJK_INDEX.get(name, 0), px))
                for label, kind, w, h in controls:
                    over, slack, room, tw = lost(face, label, kind, w, h)
                    spare.append((slack, label))
                    if over:
                        overs.append((over, f"{label!r} {tw}/{room} -{over}"))
        except OSError as err:  # FreeType refuses the face's hinting program
            print(f"{name}: cannot be measured ({err})")
            continue
        least = min(spare)
        total = sum(o for o, _ in overs)
        rows.append((len(overs), total, -least[0], name, faces[12], overs, least))
    rows.sort(key=lambda r: r[:3])
    print("base: dialog base units at 12 px; n, lost: texts cut and their pixels cut;")
    print("least: the fewest pixels any text has to spare (negative: cut) and which text")
    print(f"{'face':17} {'base':>5} {'n':>2} {'lost':>4} {'least':>5}  texts cut (text/room px -lost)")
    for n, total, _, name, f12, overs, least in rows:
        base = f"{f12.base_x}x{f12.height}"
        cut = "; ".join(o for _, o in overs) or f"tightest: {least[1]!r}"
        print(f"{name:17} {base:>5} {n:2} {total:4} {least[0]:5}  {cut}")


if __name__ == "__main__":
    main()
