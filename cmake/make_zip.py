"""Writes a zip whose bytes depend only on the files' contents: fixed names, order,
time stamps and permissions, and no extra fields (atime and ctime would differ)."""
import sys
import zipfile

out, *paths = sys.argv[1:]
with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as archive:
    for path in paths:
        info = zipfile.ZipInfo(path, date_time=(2009, 5, 11, 0, 0, 0))
        info.external_attr = 0o644 << 16
        info.compress_type = zipfile.ZIP_DEFLATED
        with open(path, "rb") as f:
            archive.writestr(info, f.read())
