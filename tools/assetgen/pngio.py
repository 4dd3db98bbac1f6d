"""Minimal PNG writer and reader for 8-bit RGBA images.

Written against the PNG format itself with zlib and struct so the generator
needs nothing outside the standard library. The writer emits only IHDR, IDAT
and IEND (no time or text chunks), so the same pixels always give the same
bytes. The reader exists for the tests and for checking what was written.
"""

import struct
import zlib

SIGNATURE = b"\x89PNG\r\n\x1a\n"


def _chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def encode_rgba(width, height, pixels):
    """Encode pixels (a list of rows of (r, g, b, a) tuples) as PNG bytes."""
    raw = bytearray()
    for row in pixels:
        raw.append(0)  # filter type None: tiny images gain nothing from filters
        for r, g, b, a in row:
            raw += bytes((r, g, b, a))
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (SIGNATURE + _chunk(b"IHDR", header)
            + _chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + _chunk(b"IEND", b""))


class PngError(Exception):
    """The bytes are not a PNG this reader understands."""


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def decode_rgba(data):
    """Decode 8-bit RGBA PNG bytes into (width, height, rows of tuples).

    Every chunk CRC is verified, so a corrupted file is reported rather than
    silently misread.
    """
    if not data.startswith(SIGNATURE):
        raise PngError("missing PNG signature")
    pos, header, idat = len(SIGNATURE), None, bytearray()
    while pos < len(data):
        if pos + 8 > len(data):
            raise PngError("truncated chunk header")
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 4:pos + 8 + length]
        (crc,) = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length] or b"\0\0\0\0")
        if zlib.crc32(body) & 0xFFFFFFFF != crc:
            raise PngError(f"bad CRC in {kind.decode('latin-1')} chunk")
        payload = body[4:]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", payload)
        elif kind == b"IDAT":
            idat += payload
        elif kind == b"IEND":
            break
        pos += 12 + length
    if header is None:
        raise PngError("no IHDR chunk")
    width, height, depth, colour, _, _, interlace = header
    if (depth, colour, interlace) != (8, 6, 0):
        raise PngError("only 8-bit non-interlaced RGBA is supported")
    raw = zlib.decompress(bytes(idat))
    stride = width * 4
    if len(raw) != height * (stride + 1):
        raise PngError("image data has the wrong length")
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - 4] if i >= 4 else 0
            up = previous[i]
            corner = previous[i - 4] if i >= 4 else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + ((left + up) >> 1)) & 0xFF
            elif kind == 4:
                line[i] = (line[i] + _paeth(left, up, corner)) & 0xFF
            elif kind != 0:
                raise PngError(f"unknown filter type {kind}")
        rows.append([tuple(line[x * 4:x * 4 + 4]) for x in range(width)])
        previous = line
    return width, height, rows
