#!/usr/bin/env python3
"""Draws the program's icon and the link labels' hand cursor.

Writes about/vtr.ico (32x32 and 16x16, 16 colours) and about/hand.cur
(32x32, 16 colours, hot spot 12,1 at the tip of the raised index finger), in
the 4-bit DIB layout that Windows' resource compiler (and windres) takes.
Standard library only; run it again after changing a picture:

    python3 tools/make_assets.py [output-folder]
"""
import struct
import sys
from pathlib import Path

# The 16 colours of the standard Windows palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, PURPLE, SILVER, GREY, FUCHSIA, WHITE = 0, 5, 7, 8, 13, 15
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


def inside_polygon(x, y, points):
    inside = False
    for (x1, y1), (x2, y2) in zip(points, points[1:] + points[:1]):
        if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
            inside = not inside
    return inside


# The V of the small image, drawn by hand: per row, the white spans.
SMALL_V = {
    3: [(3, 5), (10, 12)], 4: [(3, 5), (10, 12)], 5: [(4, 6), (9, 11)], 6: [(4, 6), (9, 11)],
    7: [(5, 10)], 8: [(5, 10)], 9: [(6, 9)], 10: [(6, 9)], 11: [(7, 8)],
}


def in_v(size, x, y):
    if size == 16:
        return any(a <= x <= b for a, b in SMALL_V.get(y, []))
    s = size / 32.0
    v = [(7, 8), (12.5, 8), (16, 19), (19.5, 8), (25, 8), (18.5, 25), (13.5, 25)]
    return inside_polygon(x + 0.5, y + 0.5, [(px * s, py * s) for px, py in v])


def draw_icon(size):
    """A purple disc with a lit rim and a white V: the program's mark."""
    centre = (size - 1) / 2.0
    radius = size / 2.0 - 0.5
    shift = 1  # light comes from the upper left
    pixels = []
    for y in range(size):
        row = []
        for x in range(size):
            dx, dy = x - centre, y - centre
            d2 = dx * dx + dy * dy
            lit2 = (dx - size / 16) ** 2 + (dy - size / 16) ** 2
            if d2 > radius * radius:
                row.append(CLEAR)
            elif d2 > (radius - 1.2) ** 2:
                row.append(BLACK)  # outline
            elif in_v(size, x, y):
                row.append(WHITE)
            elif in_v(size, x - shift, y - shift):
                row.append(BLACK)  # the V's shadow, down and to the right
            elif lit2 > (radius - 1.0) ** 2 and dx + dy < 0:
                row.append(FUCHSIA)  # light on the upper-left rim
            else:
                row.append(PURPLE)
        pixels.append(row)
    return pixels


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
    (out / "vtr.ico").write_bytes(icon_file([draw_icon(32), draw_icon(16)]))
    (out / "hand.cur").write_bytes(icon_file([draw_hand()], hotspot=HAND_HOTSPOT))
    print(f"wrote {out / 'vtr.ico'} and {out / 'hand.cur'}")


if __name__ == "__main__":
    main()
