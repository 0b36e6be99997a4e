#!/usr/bin/env python3
"""Makes the images the window program reads from media/.

    media/voxeltexture.bmp  the texture drawn once on every voxel face: a light
                            face with a soft bevel, so each voxel's edges show
                            while the vertex colour (the palette) shows through.
    media/sans.bmp          a bitmap font in the engine's format for GETFONT,
                            rendered from DejaVu Sans Bold (Debian's
                            fonts-dejavu-core; the DejaVu fonts are free to
                            redistribute and modify, see
                            /usr/share/doc/fonts-dejavu-core/copyright).

The results are committed; run this again only to change them. It needs
python3 and, for the font, ImageMagick's convert with fonts-dejavu-core.

Usage: scripts/make-media.py [--only texture|font]
"""

import os
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MEDIA = os.path.join(ROOT, "media")
CONVERT = "/usr/bin/convert" if os.path.exists("/usr/bin/convert") else "convert"


def write_bmp(path, width, height, pixel):
    """Writes a 24-bit BMP; pixel(x, y) gives (r, g, b) with y = 0 at the top."""
    row_size = (width * 3 + 3) & ~3
    image_size = row_size * height
    header = bytearray()
    header += b"BM"
    header += (54 + image_size).to_bytes(4, "little")
    header += (0).to_bytes(4, "little")
    header += (54).to_bytes(4, "little")
    header += (40).to_bytes(4, "little")
    header += width.to_bytes(4, "little", signed=True)
    header += height.to_bytes(4, "little", signed=True)  # positive: rows bottom-up
    header += (1).to_bytes(2, "little")
    header += (24).to_bytes(2, "little")
    header += (0).to_bytes(4, "little")  # no compression
    header += image_size.to_bytes(4, "little")
    header += (2835).to_bytes(4, "little") * 2  # 72 dpi
    header += (0).to_bytes(4, "little") * 2
    body = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (row_size - len(row))
        body += row
    with open(path, "wb") as f:
        f.write(bytes(header) + bytes(body))


# ---------------------------------------------------------------- texture

TEXTURE_SIZE = 64


def texture_pixel(x, y):
    """A light face, a thin darker seam at the edge, lit top-left bevel."""
    n = TEXTURE_SIZE
    edge = min(x, y, n - 1 - x, n - 1 - y)
    # A small fixed ripple keeps large flat areas from looking plastic.
    grain = ((x * 7 + y * 13) % 5) - 2
    if edge == 0:
        value = 150
    elif edge < 4:
        # Bevel: the top and left sides catch the light, the others fall off.
        lit = (x < n - 1 - x and x == edge) or (y < n - 1 - y and y == edge)
        value = 255 if lit else 190
    else:
        value = 232 + grain
    return (value, value, value)


def make_texture():
    path = os.path.join(MEDIA, "voxeltexture.bmp")
    write_bmp(path, TEXTURE_SIZE, TEXTURE_SIZE, texture_pixel)
    print("wrote", os.path.relpath(path, ROOT))


# ---------------------------------------------------------------- font

FONT = "DejaVu-Sans-Bold"
POINT_SIZE = 18
FIRST_CHAR, LAST_CHAR = 32, 126  # the engine maps the n-th box to character 32 + n
ROW_WIDTH = 512

BACKGROUND = (0, 0, 0)
TOP_LEFT = (255, 0, 0)     # marks a glyph box's upper left corner
LOWER_RIGHT = (0, 0, 255)  # marks its lower right corner
COVERAGE_CUT = 64          # fainter anti-aliasing pixels become background


def render_glyph(ch):
    """Returns (width, height, rows of 0..255 coverage) for one character."""
    if ch == " ":
        w, h, _ = render_glyph("-")
        return w, h, [[0] * w for _ in range(h)]
    text = {"\\": "\\\\", "%": "%%"}.get(ch, ch)
    out = subprocess.run(
        [CONVERT, "-background", "black", "-fill", "white", "-font", FONT,
         "-pointsize", str(POINT_SIZE), "label:" + text, "-depth", "8", "pgm:-"],
        check=True, capture_output=True).stdout
    # Binary PGM: "P5\n<w> <h>\n<max>\n" then w*h bytes.
    fields = []
    pos = 0
    while len(fields) < 4:
        while out[pos:pos + 1].isspace():
            pos += 1
        start = pos
        while not out[pos:pos + 1].isspace():
            pos += 1
        fields.append(out[start:pos])
    pos += 1
    w, h = int(fields[1]), int(fields[2])
    data = out[pos:pos + w * h]
    return w, h, [list(data[y * w:(y + 1) * w]) for y in range(h)]


def make_font():
    glyphs = [render_glyph(chr(c)) for c in range(FIRST_CHAR, LAST_CHAR + 1)]
    glyph_height = max(h for _, h, _ in glyphs)
    box_height = glyph_height + 2  # a marker row above and below the glyph
    # Lay the boxes out in rows; every box of a row shares its top and bottom,
    # so the engine meets the corner marks in the order of the characters.
    placed = []
    x = y = 0
    for w, h, rows in glyphs:
        if x + w > ROW_WIDTH:
            x, y = 0, y + box_height
        placed.append((x, y, w, h, rows))
        x += w
    width = ROW_WIDTH
    height = y + box_height
    pixels = [[BACKGROUND] * width for _ in range(height)]
    for bx, by, w, h, rows in placed:
        for gy in range(h):
            for gx in range(w):
                c = rows[gy][gx]
                if c >= COVERAGE_CUT:
                    pixels[by + 1 + gy][bx + gx] = (c, c, c)
        pixels[by][bx] = TOP_LEFT
        pixels[by + box_height - 1][bx + w - 1] = LOWER_RIGHT
    # The engine reads the marker colours from the first pixels of the image.
    assert pixels[0][0] == TOP_LEFT
    pixels[0][1] = LOWER_RIGHT
    pixels[0][2] = BACKGROUND
    path = os.path.join(MEDIA, "sans.bmp")
    write_bmp(path, width, height, lambda px, py: pixels[py][px])
    print("wrote", os.path.relpath(path, ROOT), f"({len(glyphs)} glyphs, {box_height} px high)")


def main():
    only = sys.argv[2] if len(sys.argv) > 2 and sys.argv[1] == "--only" else None
    os.makedirs(MEDIA, exist_ok=True)
    if only in (None, "texture"):
        make_texture()
    if only in (None, "font"):
        make_font()


if __name__ == "__main__":
    main()
