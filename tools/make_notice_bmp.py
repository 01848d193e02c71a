#!/usr/bin/env python3
"""Writes assets/notice.bmp: the notice window's 39 x 36 picture, 24 bits per
pixel, uncompressed, rows bottom-up (4,374 bytes). A blue question mark in a
white speech bubble on the grey that the window draws transparent (its
bottom-left pixel, RGB 214, 211, 206). Usage: make_notice_bmp.py [OUT]"""
import struct
import sys

W, H = 39, 36
GREY = (214, 211, 206)
WHITE = (255, 255, 255)
EDGE = (96, 96, 96)
BLUE = (0, 0, 255)

# The question mark, one character per 2 x 2 pixel block.
GLYPH = [
    "..###..",
    ".#...#.",
    ".....#.",
    "....#..",
    "...#...",
    "...#...",
    ".......",
    "...#...",
]


def inside_bubble(x, y):
    cx, cy, rx, ry = 19.0, 13.5, 17.0, 12.0
    if ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0:
        return True
    # The tail: a triangle from the bubble's lower left down to (7, 32).
    if 22 <= y <= 32:
        t = (y - 22) / 10.0
        left = 9 + (7 - 9) * t
        right = 17 + (7 - 17) * t
        return left <= x <= right
    return False


def picture():
    px = [[GREY] * W for _ in range(H)]
    for y in range(H):
        for x in range(W):
            if inside_bubble(x, y):
                px[y][x] = WHITE
    # Outline: bubble pixels with a neighbour outside.
    for y in range(H):
        for x in range(W):
            if px[y][x] != WHITE:
                continue
            for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                nx, ny = x + dx, y + dy
                if not (0 <= nx < W and 0 <= ny < H) or not inside_bubble(nx, ny):
                    px[y][x] = EDGE
                    break
    ox, oy = 12, 5
    for gy, row in enumerate(GLYPH):
        for gx, c in enumerate(row):
            if c == "#":
                for sy in range(2):
                    for sx in range(2):
                        px[oy + gy * 2 + sy][ox + gx * 2 + sx] = BLUE
    return px


def bmp(px):
    stride = (W * 3 + 3) & ~3
    data = bytearray()
    for y in range(H - 1, -1, -1):
        row = bytearray()
        for r, g, b in px[y]:
            row += bytes((b, g, r))
        row += b"\0" * (stride - len(row))
        data += row
    ppm = 3780
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 24, 0, len(data), ppm, ppm, 0, 0)
    return header + info + bytes(data)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "assets/notice.bmp"
    blob = bmp(picture())
    assert len(blob) == 4374, len(blob)
    with open(out, "wb") as f:
        f.write(blob)


if __name__ == "__main__":
    main()
