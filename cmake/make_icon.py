#!/usr/bin/env python3
"""Writes the program's icon: a 32x32 32-bit ICO of a blue box with an arrow."""
import struct
import sys

SIZE = 32


def pixel(x, y):
    if 3 <= x <= 28 and 3 <= y <= 28:
        # a white downward arrow on blue
        if (13 <= x <= 18 and 7 <= y <= 17) or (y >= 17 and y <= 24 and abs(x - 15.5) <= 24 - y):
            return (255, 255, 255, 255)
        return (200, 110, 30, 255)  # BGRA
    return (0, 0, 0, 0)


def main(out):
    rows = []
    for y in range(SIZE - 1, -1, -1):  # bottom-up
        rows.append(b"".join(bytes(pixel(x, y)) for x in range(SIZE)))
    xor = b"".join(rows)
    and_mask = b"\x00" * (SIZE * SIZE // 8)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    image = header + xor + and_mask
    ico = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 22) + image
    with open(out, "wb") as f:
        f.write(ico)


if __name__ == "__main__":
    main(sys.argv[1])
