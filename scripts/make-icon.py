#!/usr/bin/env python3
"""Writes resources/KRDL.ico: the title panel's maroon-to-red gradient with a white K, as PNG
images of 16, 32, 48 and 256 pixels in one icon file. Run from the top of the checkout."""
import struct
import zlib


def png(size):
    rows = []
    for y in range(size):
        row = bytearray([0])  # filter: none
        for x in range(size):
            t = x / (size - 1)
            r, g, b = int(0x80 + (0xFF - 0x80) * t), 0, 0  # maroon to red
            u, v = x / size, y / size
            stroke = 0.11
            bar = 0.22 <= u <= 0.22 + stroke * 1.3 and 0.15 <= v <= 0.85
            # two strokes from the middle of the bar to the right corners
            upper = 0.15 <= v <= 0.5 and abs((u - 0.36) - (0.5 - v) * 1.1) <= stroke * 0.75
            lower = 0.5 <= v <= 0.85 and abs((u - 0.36) - (v - 0.5) * 1.1) <= stroke * 0.75
            if bar or upper or lower:
                r, g, b = 255, 255, 255
            row += bytes([r, g, b, 255])
        rows.append(bytes(row))
    raw = zlib.compress(b"".join(rows), 9)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", raw) + chunk(b"IEND", b"")


sizes = [16, 32, 48, 256]
images = [png(s) for s in sizes]
out = struct.pack("<HHH", 0, 1, len(images))
offset = 6 + 16 * len(images)
for s, data in zip(sizes, images):
    out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
    offset += len(data)
out += b"".join(images)
with open("resources/KRDL.ico", "wb") as f:
    f.write(out)
