#!/usr/bin/env python3
"""Packs the game's PNG icons into one Windows .ico file, each size kept as
the PNG it is (Windows Vista and later read PNG entries).

    python3 make_ico.py OUT.ico ICON.png...
"""
import struct
import sys


def png_size(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise SystemExit("not a PNG")
    return struct.unpack(">II", data[16:24])


def main(out, pngs):
    images = [open(path, "rb").read() for path in pngs]
    offset = 6 + 16 * len(images)
    directory, blobs = b"", b""
    for data in images:
        width, height = png_size(data)
        # 256 is written as 0, as the format has one byte for each side.
        directory += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(data), offset + len(blobs))
        blobs += data
    with open(out, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, len(images)) + directory + blobs)


if __name__ == "__main__":
    if len(sys.argv) < 3:
        raise SystemExit(__doc__)
    main(sys.argv[1], sys.argv[2:])
