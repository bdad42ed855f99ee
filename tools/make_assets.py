#!/usr/bin/env python3
"""Renders the program's icon and draws the link labels' hand cursor.

Writes about/vtr.ico from the vector drawing about/vtr.svg, at every size
that Windows asks of a tray and a window icon at 100 to 200 % scale (16, 20,
24, 32, 40, 48) and for Explorer's large views (256), 32-bit colour with
alpha, the 256-pixel one stored as PNG; and about/hand.cur (32x32, 16
colours, hot spot 12,1 at the tip of the raised index finger) in the 4-bit
DIB layout that Windows' resource compiler (and windres) takes. The icon's
rendering needs rsvg-convert (Debian's librsvg2-bin, which tools/deps.sh
installs); the build needs neither, since both files are kept in the
repository. Run it again after changing a picture:

    bash tools/deps.sh librsvg2-bin && python3 tools/make_assets.py [output-folder]
"""
import re
import struct
import subprocess
import sys
import zlib
from pathlib import Path

ICON_SIZES = [16, 20, 24, 32, 40, 48, 256]

# The 16 colours of the standard Windows palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, SILVER, WHITE = 0, 7, 15
CLEAR = None  # a transparent pixel (AND mask bit set)


def dib(pixels):
    """One image of an .ico/.cur file: header, palette, colour and mask bits."""
    height, width = len(pixels), len(pixels[0])
    xor_stride = ((width * 4 + 31) // 32) * 4
    and_stride = ((width + 31) // 32) * 4
    xor_rows, and_rows = [], []
    for row in reversed(pixels):  # DIBs are stored bottom-up
        xor = bytearray(xor_stride)
        mask = bytearray(and_stride)
        for x, colour in enumerate(row):
            if colour is CLEAR:
                mask[x // 8] |= 0x80 >> (x % 8)
                colour = BLACK  # transparent pixels keep colour 0 so the screen shows through
            xor[x // 2] |= colour << (4 if x % 2 == 0 else 0)
        xor_rows.append(bytes(xor))
        and_rows.append(bytes(mask))
    bits = b"".join(xor_rows) + b"".join(and_rows)
    # The height counts the colour and the mask images together.
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 4, 0, len(bits), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + bits


def icon_file(images, hotspot=None):
    """An .ico file of the given images, or a .cur file when a hot spot is given."""
    kind = 1 if hotspot is None else 2
    out = struct.pack("<HHH", 0, kind, len(images))
    blobs = [dib(p) for p in images]
    offset = 6 + 16 * len(images)
    for pixels, blob in zip(images, blobs):
        size = len(pixels)
        # In a cursor the planes and bit-count fields hold the hot spot.
        a, b = (1, 4) if hotspot is None else hotspot
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 16, 0, a, b, len(blob), offset)
        offset += len(blob)
    return out + b"".join(blobs)


def svg_for_size(svg, size):
    """The drawing with its light edge and dark rim a whole number of pixels
    wide at this size (a fraction of a pixel would blur into the disc); at
    256 pixels it stays as drawn."""
    if size >= 256:
        return svg
    edge = 1 if size < 40 else 2
    rim = 1 if size < 32 else 2
    unit = 256.0 / size

    def radius(ident, r):
        nonlocal svg
        svg, n = re.subn(r'(id="%s"[^>]*?\br=")[0-9.]+"' % ident, lambda m: m.group(1) + "%.3f\"" % r, svg)
        assert n == 1, "the drawing has one circle " + ident

    radius("rim", 128 - edge * unit)
    radius("disc", 128 - (edge + rim) * unit)
    radius("shine", 128 - (edge + rim) * unit)
    return svg


def render_png(svg, size):
    out = subprocess.run(["rsvg-convert", "-w", str(size), "-h", str(size), "-f", "png"],
                         input=svg_for_size(svg, size).encode(), capture_output=True, check=True)
    return out.stdout


def png_rgba(png):
    """The rows of (r, g, b, a) pixels of an 8-bit RGBA PNG without interlace,
    as rsvg-convert writes it."""
    assert png[:8] == b"\x89PNG\r\n\x1a\n", "a PNG file"
    pos, data, width, height = 8, b"", 0, 0
    while pos < len(png):
        length, kind = struct.unpack(">I4s", png[pos:pos + 8])
        body = png[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert (depth, colour, interlace) == (8, 6, 0), "8-bit RGBA, not interlaced"
        elif kind == b"IDAT":
            data += body
        pos += 12 + length
    raw = zlib.decompress(data)
    stride = width * 4
    rows, prev = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            a = line[x - 4] if x >= 4 else 0
            b = prev[x]
            c = prev[x - 4] if x >= 4 else 0
            if kind == 1:
                line[x] = (line[x] + a) & 0xFF
            elif kind == 2:
                line[x] = (line[x] + b) & 0xFF
            elif kind == 3:
                line[x] = (line[x] + (a + b) // 2) & 0xFF
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else b if pb <= pc else c
                line[x] = (line[x] + pred) & 0xFF
        rows.append([tuple(line[i:i + 4]) for i in range(0, stride, 4)])
        prev = line
    return rows


def dib32(rows):
    """A 32-bit image of an .ico file: BGRA bottom-up, and a mask that is set
    where a pixel is wholly transparent (for whatever ignores the alpha)."""
    height, width = len(rows), len(rows[0])
    and_stride = ((width + 31) // 32) * 4
    colour, mask = b"", b""
    for row in reversed(rows):
        colour += b"".join(struct.pack("<BBBB", b, g, r, a) for r, g, b, a in row)
        bits = bytearray(and_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    return header + colour + mask


def vector_icon_file(svg_path):
    """vtr.ico: every size of ICON_SIZES, the largest as PNG."""
    svg = Path(svg_path).read_text()
    blobs = []
    for size in ICON_SIZES:
        png = render_png(svg, size)
        blobs.append(png if size >= 256 else dib32(png_rgba(png)))
    out = struct.pack("<HHH", 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    for size, blob in zip(ICON_SIZES, blobs):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    return out + b"".join(blobs)


# The hand: K outline, W fill, G shading, "." transparent. The index finger's
# tip is row 1, column 12: the hot spot.
HAND = """
................................
...........KKK..................
..........KWWWK.................
..........KWWWK.................
..........KWWWK.................
..........KWWWK.................
..........KWWWK.................
..........KWWWKKKK..............
..........KWWWKWWWKKKK..........
..........KWWWKWWWKWWWKKK.......
..........KWWWKWWWKWWWKWWK......
..........KWWWKWWWKWWWKWWK......
....KKK...KWWWKWWWKWWWKWWK......
...KWWWK..KWWWWWWWWWWWWWWK......
...KWWWWK.KWWWWWWWWWWWWWWK......
....KWWWWKKWWWWWWWWWWWWWWK......
.....KWWWWWWWWWWWWWWWWWWWK......
......KWWWWWWWWWWWWWWWWWGK......
.......KWWWWWWWWWWWWWWWWGK......
........KWWWWWWWWWWWWWWGK.......
.........KWWWWWWWWWWWWWGK.......
..........KWWWWWWWWWWWGK........
..........KWWWWWWWWWWWGK........
..........KKKKKKKKKKKKKK........
................................
................................
................................
................................
................................
................................
................................
................................
"""
HAND_HOTSPOT = (12, 1)


def draw_hand():
    colours = {".": CLEAR, "K": BLACK, "W": WHITE, "G": SILVER}
    rows = [line for line in HAND.split("\n") if line]
    assert len(rows) == 32 and all(len(r) == 32 for r in rows), "the hand is 32x32"
    x, y = HAND_HOTSPOT
    assert rows[y][x] == "K" and rows[y - 1][x] == ".", "the hot spot is the finger's tip"
    return [[colours[c] for c in r] for r in rows]


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "about"
    out.mkdir(parents=True, exist_ok=True)
    (out / "vtr.ico").write_bytes(vector_icon_file(Path(__file__).resolve().parent.parent / "about" / "vtr.svg"))
    (out / "hand.cur").write_bytes(icon_file([draw_hand()], hotspot=HAND_HOTSPOT))
    print(f"wrote {out / 'vtr.ico'} and {out / 'hand.cur'}")


if __name__ == "__main__":
    main()
