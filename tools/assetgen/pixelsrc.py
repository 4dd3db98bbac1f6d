"""Turns the palette and the pixel-grid sources into RGBA images.

Palette file: one colour a line, `CHAR #RRGGBB[AA] name`. The character '.'
is always transparent and may not be redefined.

Image file directives (one a line, grids follow their directive):
  size W H                 canvas size; must come first
  grid X Y W H             H rows of W palette characters painted at X,Y;
                           '.' leaves what is already there, so grids layer
  part NAME W H            H rows of W characters kept for later stamping
  stamp NAME X Y [flip]    paints a part at X,Y, mirrored left-right if flip
  copy SX SY W H X Y [flip]
                           copies a canvas block (transparency included),
                           used for mirrored rows and shifted bob frames
  recolor X Y W H FROM TO  within the block, each colour of FROM becomes the
                           colour at the same place in TO (a hit flash)
"""

from errors import SourceError, parse_int, source_lines

TRANSPARENT = (0, 0, 0, 0)


def load_palette(path):
    """Read the shared palette: a dict from character to an (r, g, b, a) tuple."""
    colours = {".": TRANSPARENT}
    for line, text in source_lines(path):
        fields = text.split()
        if len(fields) < 2 or len(fields[0]) != 1:
            raise SourceError(path, line, "expected 'CHAR #RRGGBB name'")
        char, code = fields[0], fields[1]
        if char == "." or char in colours:
            raise SourceError(path, line, f"palette character {char!r} is already defined")
        hex_digits = code[1:]
        if not code.startswith("#") or len(hex_digits) not in (6, 8):
            raise SourceError(path, line, f"colour {code!r} must be #RRGGBB or #RRGGBBAA")
        try:
            values = [int(hex_digits[i:i + 2], 16) for i in range(0, len(hex_digits), 2)]
        except ValueError:
            raise SourceError(path, line, f"colour {code!r} is not hexadecimal") from None
        colours[char] = tuple(values + [255] * (4 - len(values)))
    return colours


class _Canvas:
    """The image being built, with bounds checks that name the source line."""

    def __init__(self, path, line, width, height):
        self.path, self.width, self.height = path, width, height
        if width <= 0 or height <= 0:
            raise SourceError(path, line, "size must be positive")
        self.rows = [[TRANSPARENT] * width for _ in range(height)]

    def check_area(self, line, x, y, w, h):
        if x < 0 or y < 0 or x + w > self.width or y + h > self.height:
            raise SourceError(self.path, line,
                              f"area {w}x{h} at ({x},{y}) falls outside the "
                              f"{self.width}x{self.height} image")

    def paint(self, line, x, y, grid, flip=False):
        self.check_area(line, x, y, len(grid[0]), len(grid))
        for dy, row in enumerate(grid):
            cells = row[::-1] if flip else row
            for dx, colour in enumerate(cells):
                if colour is not None:
                    self.rows[y + dy][x + dx] = colour


def _read_grid(path, lines, width, height, palette, start_line):
    """Consume `height` rows of `width` characters; None marks '.' (keep)."""
    grid = []
    for _ in range(height):
        try:
            line, text = next(lines)
        except StopIteration:
            raise SourceError(path, start_line,
                              f"grid needs {height} rows but the file ends after {len(grid)}") from None
        if len(text) != width:
            raise SourceError(path, line,
                              f"grid row has {len(text)} characters, expected {width}")
        row = []
        for column, char in enumerate(text, start=1):
            if char not in palette:
                raise SourceError(path, line,
                                  f"unknown palette character {char!r} in column {column}")
            row.append(None if char == "." else palette[char])
        grid.append(row)
    return grid


def _ints(path, line, fields, count, what):
    if len(fields) != count:
        raise SourceError(path, line, f"{what} needs {count} numbers")
    return [parse_int(path, line, value, what) for value in fields]


def _recolor(path, line, canvas, args, palette):
    if len(args) != 6 or len(args[4]) != len(args[5]):
        raise SourceError(path, line, "recolor needs X Y W H FROM TO, FROM and TO of equal length")
    x, y, w, h = _ints(path, line, args[:4], 4, "recolor X Y W H")
    canvas.check_area(line, x, y, w, h)
    for char in args[4] + args[5]:
        if char not in palette:
            raise SourceError(path, line, f"unknown palette character {char!r}")
    mapping = {palette[a]: palette[b] for a, b in zip(args[4], args[5])}
    for row in canvas.rows[y:y + h]:
        row[x:x + w] = [mapping.get(colour, colour) for colour in row[x:x + w]]


def build_image(path, palette):
    """Run an image source and return (width, height, rows of RGBA tuples)."""
    lines = source_lines(path)
    canvas, parts = None, {}
    for line, text in lines:
        fields = text.split()
        word, args = fields[0], fields[1:]
        if word == "size":
            if canvas is not None:
                raise SourceError(path, line, "size given twice")
            canvas = _Canvas(path, line, *_ints(path, line, args, 2, "size"))
            continue
        if canvas is None:
            raise SourceError(path, line, "the first directive must be 'size W H'")
        flip = bool(args) and args[-1] == "flip"
        if flip:
            args = args[:-1]
        if word == "grid":
            x, y, w, h = _ints(path, line, args, 4, "grid X Y W H")
            canvas.paint(line, x, y, _read_grid(path, lines, w, h, palette, line))
        elif word == "part":
            if len(args) != 3:
                raise SourceError(path, line, "part needs NAME W H")
            w, h = _ints(path, line, args[1:], 2, "part W H")
            parts[args[0]] = _read_grid(path, lines, w, h, palette, line)
        elif word == "stamp":
            if len(args) != 3 or args[0] not in parts:
                raise SourceError(path, line, "stamp needs a defined part NAME and X Y")
            x, y = _ints(path, line, args[1:], 2, "stamp X Y")
            canvas.paint(line, x, y, parts[args[0]], flip)
        elif word == "copy":
            sx, sy, w, h, x, y = _ints(path, line, args, 6, "copy SX SY W H X Y")
            canvas.check_area(line, sx, sy, w, h)
            block = [list(canvas.rows[sy + dy][sx:sx + w]) for dy in range(h)]
            canvas.check_area(line, x, y, w, h)
            for dy, row in enumerate(block):
                canvas.rows[y + dy][x:x + w] = row[::-1] if flip else row
        elif word == "recolor":
            _recolor(path, line, canvas, args, palette)
        else:
            raise SourceError(path, line, f"unknown directive {word!r}")
    if canvas is None:
        raise SourceError(path, 0, "no 'size W H' directive")
    return canvas.width, canvas.height, canvas.rows
