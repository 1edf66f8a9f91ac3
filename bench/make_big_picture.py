"""Writes a large 24-bit BMP row by row, so that making it needs no more memory than a row:
diagonal colour bands with a fine texture, compressible like a scan. Usage: WIDTH HEIGHT PATH"""
import struct
import sys

width, height, path = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
row_bytes = (width * 3 + 3) & ~3
pixel_bytes = row_bytes * height
with open(path, "wb") as out:
    out.write(b"BM" + struct.pack("<IHHI", 54 + pixel_bytes, 0, 0, 54))
    out.write(struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, pixel_bytes, 2835, 2835, 0, 0))
    period = 4096
    base = bytes((x * 7 + (x // 3) % 11) & 0xFF for x in range((width + period) * 3))
    pad = bytes(row_bytes - width * 3)
    for y in range(height):
        shift = (y * 3) % period * 3
        out.write(base[shift:shift + width * 3] + pad)
