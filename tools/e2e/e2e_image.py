"""Screenshots as plain RGB bytes: pixel queries for assertions and a PNG
writer so people can look at what a test saw. Standard library only."""

import collections
import struct
import zlib


def _matches(pixel, color, tol):
    return (abs(pixel[0] - color[0]) <= tol and abs(pixel[1] - color[1]) <= tol
            and abs(pixel[2] - color[2]) <= tol)


class Shot:
    """One captured image: width, height and row-major RGB bytes.

    Boxes are (x, y, w, h) in image pixels, the same order as
    Window.geometry(); a box reaching outside the image is clipped to it."""

    def __init__(self, width, height, rgb, path=None):
        if len(rgb) != width * height * 3:
            raise ValueError(f"{len(rgb)} bytes is not a {width}x{height} RGB image")
        self.width = width
        self.height = height
        self.rgb = bytes(rgb)
        self.path = path

    def __repr__(self):
        where = f" saved at {self.path}" if self.path else ""
        return f"<Shot {self.width}x{self.height}{where}>"

    def pixel(self, x, y):
        """The (r, g, b) at a pixel; raises IndexError outside the image."""
        if not (0 <= x < self.width and 0 <= y < self.height):
            raise IndexError(f"pixel ({x}, {y}) is outside the {self.width}x{self.height} shot")
        i = (y * self.width + x) * 3
        return (self.rgb[i], self.rgb[i + 1], self.rgb[i + 2])

    def _clip(self, box):
        if box is None:
            return 0, 0, self.width, self.height
        x, y, w, h = box
        x0, y0 = max(0, x), max(0, y)
        x1, y1 = min(self.width, x + w), min(self.height, y + h)
        return x0, y0, max(x0, x1), max(y0, y1)

    def _rows(self, box):
        """Yields (y, x0, pixels) per row of the box, pixels as (r, g, b) tuples."""
        x0, y0, x1, y1 = self._clip(box)
        for y in range(y0, y1):
            start = (y * self.width + x0) * 3
            row = self.rgb[start:start + (x1 - x0) * 3]
            yield y, x0, zip(row[0::3], row[1::3], row[2::3])

    def count(self, color, box=None, tol=0):
        """How many pixels in the box are within tol (per channel) of color."""
        color = tuple(color)
        total = 0
        for _, _, pixels in self._rows(box):
            if tol == 0:
                total += sum(1 for p in pixels if p == color)
            else:
                total += sum(1 for p in pixels if _matches(p, color, tol))
        return total

    def bbox_of(self, color, tol=0, box=None):
        """The (x, y, w, h) bounding box of the pixels matching color, or None."""
        color = tuple(color)
        left = top = right = bottom = None
        for y, x0, pixels in self._rows(box):
            for i, p in enumerate(pixels):
                if p == color or (tol and _matches(p, color, tol)):
                    x = x0 + i
                    if top is None:
                        top = y
                    bottom = y
                    left = x if left is None else min(left, x)
                    right = x if right is None else max(right, x)
        if top is None:
            return None
        return (left, top, right - left + 1, bottom - top + 1)

    def region_colors(self, box=None):
        """A Counter of (r, g, b) -> pixel count over the box."""
        counts = collections.Counter()
        for _, _, pixels in self._rows(box):
            counts.update(pixels)
        return counts

    def dominant_color(self, box=None):
        """The most common colour in the box."""
        common = self.region_colors(box).most_common(1)
        if not common:
            raise ValueError(f"box {box} holds no pixels of the {self.width}x{self.height} shot")
        return common[0][0]

    def save(self, path):
        """Writes the shot as a PNG and remembers the path."""
        write_png(path, self.width, self.height, self.rgb)
        self.path = path
        return path


def write_png(path, width, height, rgb):
    """Writes 8-bit RGB bytes as a PNG with no filtering."""
    stride = width * 3
    raw = b"".join(b"\x00" + rgb[y * stride:(y + 1) * stride] for y in range(height))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", header))
        f.write(chunk(b"IDAT", zlib.compress(raw, 6)))
        f.write(chunk(b"IEND", b""))
