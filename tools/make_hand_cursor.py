#!/usr/bin/env python3
"""Makes the toolkit's own hand pointer, for systems without one.

toolkit/hand_pointer.cur: one 32 x 32 monochrome cursor, a white hand with a
black outline pointing up, its hot spot at the tip of the index finger.

Usage: make_hand_cursor.py [OUTPUT_FILE]
"""
import os
import struct
import sys

# '#' black, '.' white, anything else transparent.
HAND = [
    "     ##",
    "    #..#",
    "    #..#",
    "    #..#",
    "    #..#",
    "    #..###",
    "    #..#..###",
    "    #..#..#..##",
    "    #..#..#..#.#",
    " ## #..#..#..#..#",
    "#..##........#..#",
    "#...#...........#",
    " #..............#",
    "  #.............#",
    "  #............#",
    "   #...........#",
    "   #..........#",
    "    #.........#",
    "    #.........#",
    "    ###########",
]
HOT_SPOT = (5, 0)
SIZE = 32


def pixel(x, y):
    row = HAND[y] if y < len(HAND) else ""
    return row[x] if x < len(row) else " "


def mask(bit_of):
    """A 1-bit mask, rows bottom-up, each row 4 bytes."""
    out = bytearray()
    for y in reversed(range(SIZE)):
        value = 0
        for x in range(SIZE):
            value = (value << 1) | bit_of(pixel(x, y))
        out += struct.pack(">I", value)
    return bytes(out)


def cursor():
    # XOR 1 and AND 0: white; both 0: black; AND 1 and XOR 0: see-through.
    xor = mask(lambda c: 1 if c == "." else 0)
    and_ = mask(lambda c: 0 if c in "#." else 1)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 1, 0, len(xor) + len(and_), 0, 0, 2, 0)
    palette = struct.pack("<BBBBBBBB", 0, 0, 0, 0, 255, 255, 255, 0)
    image = header + palette + xor + and_
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 2, 0, HOT_SPOT[0], HOT_SPOT[1], len(image), 6 + 16)
    return directory + entry + image


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "toolkit", "hand_pointer.cur")
    with open(target, "wb") as f:
        f.write(cursor())


if __name__ == "__main__":
    main()
