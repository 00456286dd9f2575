"""Lists what each resource of a built Korvane.exe takes (standard library only).

Run: python3 ui/res/art/resource_sizes.py build/Korvane.exe
An icon counts its group entry and its image together; the rest of the resource section
is the directory tables, the names and the alignment between the entries.
"""
import struct
import sys

TYPES = {1: "cursor", 2: "bitmap", 3: "icon image", 4: "menu", 5: "dialog", 6: "string table",
         9: "accelerators", 10: "data", 14: "icon", 16: "version", 24: "manifest"}


def sections(pe):
    lfanew = struct.unpack_from("<I", pe, 0x3C)[0]
    count = struct.unpack_from("<H", pe, lfanew + 6)[0]
    optional = struct.unpack_from("<H", pe, lfanew + 20)[0]
    table = lfanew + 24 + optional
    out = {}
    for i in range(count):
        name, vsize, rva, raw_size, raw_ptr = struct.unpack_from("<8sIIII", pe, table + 40 * i)
        out[name.rstrip(b"\0").decode()] = (rva, vsize, raw_ptr, raw_size)
    return out


def leaves(pe, base, rva, offset=0, path=()):
    """(type, name, language, data rva, size) for every resource under the directory."""
    named, numbered = struct.unpack_from("<HH", pe, base + offset + 12)
    for i in range(named + numbered):
        ident, child = struct.unpack_from("<II", pe, base + offset + 16 + 8 * i)
        key = ident if not ident & 0x80000000 else "name@%x" % (ident & 0x7FFFFFFF)
        if child & 0x80000000:
            yield from leaves(pe, base, rva, child & 0x7FFFFFFF, path + (key,))
        else:
            data_rva, size = struct.unpack_from("<II", pe, base + child)
            yield path + (key, data_rva, size)


def main(path):
    pe = open(path, "rb").read()
    rva, vsize, raw_ptr, raw_size = sections(pe)[".rsrc"]
    items = list(leaves(pe, raw_ptr, rva))
    groups = {}
    icon_images = {}
    rows = []
    for rtype, name, lang, _, size in items:
        if rtype == 3:
            icon_images[name] = size
        elif rtype == 14:
            groups[name] = size
        else:
            rows.append((TYPES.get(rtype, str(rtype)), name, lang, size))
    # The image of each group, by the id its one entry names.
    for rtype, name, lang, data_rva, size in items:
        if rtype == 14:
            off = raw_ptr + data_rva - rva
            count = struct.unpack_from("<H", pe, off + 4)[0]
            image_ids = [struct.unpack_from("<H", pe, off + 6 + 14 * k + 12)[0]
                         for k in range(count)]
            total = size + sum(icon_images.get(i, 0) for i in image_ids)
            rows.append(("icon", name, lang, total))
    rows.sort(key=lambda r: (r[0], str(r[1])))
    data = 0
    print("%-14s %6s %6s %8s" % ("kind", "id", "lang", "bytes"))
    for kind, name, lang, size in rows:
        print("%-14s %6s %6s %8d" % (kind, name, lang, size))
        data += size
    print("%-14s %6s %6s %8d" % ("all data", "", "", data))
    print("%-14s %6s %6s %8d" % ("directory", "", "", vsize - data))
    print(".rsrc: %d bytes in memory, %d in the file; %s: %d bytes"
          % (vsize, raw_size, path, len(pe)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "build/Korvane.exe"))
