#!/usr/bin/env python3
"""Makes the setup window's picture and the program icon.

assets/setup_picture.bmp: 530 x 190, 24 bits per pixel, uncompressed,
3780 pixels per metre: a green to pale yellow-green gradient with a pale
yellow frame, the progress bar's track and the two answer buttons' outlines.

assets/setup.ico: two 32 x 32 images (16 colours, 24-bit) of a light grey
reader box at an angle with a red lamp and a cable.

Usage: make_setup_assets.py [ASSETS_DIR]
"""
import math
import os
import struct
import sys

PPM = 3780


def lerp(a, b, t):
    return a + (b - a) * t


def mix(c1, c2, t):
    return tuple(lerp(a, b, t) for a, b in zip(c1, c2))


def rounded_box_distance(px, py, x0, y0, x1, y1, r):
    """Signed distance from a point to a box with rounded corners."""
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    bx, by = (x1 - x0) / 2, (y1 - y0) / 2
    qx = abs(px - cx) - (bx - r)
    qy = abs(py - cy) - (by - r)
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    inside = min(max(qx, qy), 0.0)
    return outside + inside - r


def outline_coverage(d, width):
    """How much a pixel at distance d lies on an outline of the given width."""
    return max(0.0, min(1.0, width / 2 + 0.5 - abs(d)))


# ---- the setup picture ----

W, H = 530, 190
TOP_LEFT, TOP_RIGHT = (66, 211, 75), (107, 218, 85)
BOTTOM_LEFT, BOTTOM_RIGHT = (224, 243, 155), (234, 245, 170)
PALE_YELLOW = (255, 252, 196)
DARK_GREEN = (0, 96, 16)

# (x0, y0, x1, y1, corner radius, colour, line width); pixel spans inclusive.
SHAPES = [
    (5, 12, 526, 179, (179 - 12) / 2, PALE_YELLOW, 2.5),   # frame, semicircular ends
    (47, 102, 477, 115, (115 - 102) / 2, DARK_GREEN, 1.5),  # progress track
    (281, 127, 375, 161, 9, DARK_GREEN, 1.5),               # Yes button
    (383, 127, 477, 161, 9, DARK_GREEN, 1.5),               # No button
]


def picture_pixel(x, y):
    tx, ty = x / (W - 1), y / (H - 1)
    top = mix(TOP_LEFT, TOP_RIGHT, tx)
    bottom = mix(BOTTOM_LEFT, BOTTOM_RIGHT, tx)
    colour = mix(top, bottom, ty)
    for x0, y0, x1, y1, r, ink, width in SHAPES:
        cover = outline_coverage(rounded_box_distance(x, y, x0, y0, x1, y1, r), width)
        if cover > 0:
            colour = mix(colour, ink, cover)
    return tuple(int(round(c)) for c in colour)


def bmp_24(width, height, pixel):
    row_size = (width * 3 + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):  # bottom-up
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (row_size - len(row))
        rows.append(bytes(row))
    data = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), PPM, PPM, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(data), 0, 0, 14 + len(info))
    return header + info + data


# ---- the icon ----

VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]

LIGHT_GREY = (208, 208, 208)
MID_GREY = (128, 128, 128)
DARK = (40, 40, 40)
RED = (240, 0, 0)
CABLE = (64, 64, 64)
ANGLE = math.radians(-25)


def box_frame(x, y):
    """The point in the reader box's own (unrotated) frame."""
    cx, cy = 17.0, 13.0
    dx, dy = x - cx, y - cy
    c, s = math.cos(-ANGLE), math.sin(-ANGLE)
    return dx * c - dy * s, dx * s + dy * c


def icon_pixel(x, y):
    """RGB and opacity of one icon pixel (sampled at the pixel's centre)."""
    px, py = x + 0.5, y + 0.5
    # Cable: a curve from the box's back corner down to the bottom-left.
    for i in range(60):
        t = i / 59
        cx = lerp(7.0, 2.0, t) + 3.0 * math.sin(t * math.pi)
        cy = lerp(19.0, 31.0, t)
        if math.hypot(px - cx, py - cy) < 1.3:
            return CABLE, True
    bx, by = box_frame(px, py)
    half_w, half_h = 12.0, 7.0
    d = rounded_box_distance(bx, by, -half_w, -half_h, half_w, half_h, 2.0)
    if d > 0.0:
        return (0, 0, 0), False
    if d > -1.2:
        return MID_GREY, True
    # The card slot along the top, the lamp on the right.
    if -9.0 < bx < 5.0 and -4.5 < by < -3.0:
        return DARK, True
    if math.hypot(bx - 8.0, by - 2.0) < 2.2:
        return RED, True
    # A little shading toward the lower edge.
    shade = max(0.0, (by + half_h) / (2 * half_h))
    return tuple(int(round(c)) for c in mix(LIGHT_GREY, (176, 176, 176), shade * 0.6)), True


def nearest_vga(colour):
    return min(range(16), key=lambda i: sum((a - b) ** 2 for a, b in zip(colour, VGA16[i])))


def and_mask(opaque):
    rows = []
    for y in range(31, -1, -1):
        bits = 0
        for x in range(32):
            if not opaque[y][x]:
                bits |= 1 << (31 - x)
        rows.append(struct.pack(">I", bits))  # 4 bytes per row, most significant bit first
    return b"".join(rows)


def icon_image(bits, colours, opaque):
    info = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, bits, 0, 0, 0, 0, 16 if bits == 4 else 0, 0)
    body = bytearray()
    if bits == 4:
        for r, g, b in VGA16:
            body += bytes((b, g, r, 0))
        for y in range(31, -1, -1):
            row = bytearray()
            for x in range(0, 32, 2):
                hi = nearest_vga(colours[y][x]) if opaque[y][x] else 0
                lo = nearest_vga(colours[y][x + 1]) if opaque[y][x + 1] else 0
                row.append((hi << 4) | lo)
            body += row
    else:
        for y in range(31, -1, -1):
            for x in range(32):
                r, g, b = colours[y][x] if opaque[y][x] else (0, 0, 0)
                body += bytes((b, g, r))
    return info + bytes(body) + and_mask(opaque)


def ico():
    colours = [[None] * 32 for _ in range(32)]
    opaque = [[False] * 32 for _ in range(32)]
    for y in range(32):
        for x in range(32):
            colours[y][x], opaque[y][x] = icon_pixel(x, y)
    images = [(4, 16, icon_image(4, colours, opaque)), (24, 0, icon_image(24, colours, opaque))]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for bits, count, data in images:
        out += struct.pack("<BBBBHHII", 32, 32, count, 0, 1, bits, len(data), offset)
        offset += len(data)
    for _, _, data in images:
        out += data
    return out


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    assets = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "assets")
    with open(os.path.join(assets, "setup_picture.bmp"), "wb") as f:
        f.write(bmp_24(W, H, picture_pixel))
    with open(os.path.join(assets, "setup.ico"), "wb") as f:
        f.write(ico())


if __name__ == "__main__":
    main()
