#!/usr/bin/env python3
"""Draws the launcher's icon (a green arrow pointing down into a tray, on a dark
rounded square) and writes it as a Windows .ico with 16, 32 and 48 pixel images."""
import struct
import sys


def pixel(x, y, size):
    """Returns (b, g, r, a) of one pixel; coordinates are scaled to a 16-unit grid."""
    u, v = x * 16.0 / size, y * 16.0 / size
    corner = 3.0
    cx = min(max(u, corner), 16 - corner)
    cy = min(max(v, corner), 16 - corner)
    if (u - cx) ** 2 + (v - cy) ** 2 > corner ** 2:
        return (0, 0, 0, 0)
    shaft = 6.5 <= u < 9.5 and 2.5 <= v < 8.0
    head = v >= 7.0 and v < 11.0 and abs(u - 8.0) <= (11.0 - v) * 1.1
    tray = 11.5 <= v < 13.0 and 3.5 <= u < 12.5
    if shaft or head:
        return (64, 200, 72, 255)
    if tray:
        return (220, 220, 220, 255)
    return (90, 48, 32, 255)


def image(size):
    rows = []
    for y in range(size - 1, -1, -1):  # bottom-up
        rows.append(b"".join(struct.pack("4B", *pixel(x, y, size)) for x in range(size)))
    mask_row = ((size + 31) // 32) * 4
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + b"".join(rows) + b"\0" * (mask_row * size)


def main(path):
    sizes = (16, 32, 48)
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    main(sys.argv[1])
