#!/usr/bin/python3
"""Writes one picture in every bitmap layout tarnel-cli reads, and beside each the pixels Pillow
decodes from it as a plain 24-bit bitmap (NAME.bmp and NAME.pillow.bmp). Where Pillow refuses a
layout, the reference is Pillow's picture of a twin file with the same pixels in a layout it
reads, or, for masks no twin can hold, the picture worked out here with Pillow's scaling
(value * 255 // largest value). Usage: make_bitmap_layouts.py OUTDIR"""

import os
import struct
import sys

from PIL import Image

WIDTH, HEIGHT = 45, 29  # odd: padded rows and half-filled bytes
RESOLUTION = 2835  # pixels per metre (72 dpi)


def colour(x, y):
    """A picture with every channel value spread over the range."""
    return ((x * 37 + y * 11) & 255, (x * 13 ^ y * 29) & 255, (x * y * 7 + 40) & 255)


def palette(bits, grey=False):
    n = 1 << bits
    if grey:
        return [(i * 255 // (n - 1),) * 3 for i in range(n)]
    return [((i * 53) & 255, (i * 101 + 17) & 255, (255 - i * 7) & 255) for i in range(n)]


def index(x, y, bits):
    return (x * 3 + y * 5 + (x * y) // 7) % (1 << bits)


def pack_indexes(row, bits):
    out, acc, filled = bytearray(), 0, 0
    for i in row:
        acc, filled = (acc << bits) | i, filled + bits
        if filled == 8:
            out.append(acc)
            acc, filled = 0, 0
    if filled:
        out.append(acc << (8 - filled))
    return bytes(out)


def masked(rgb, masks):
    value = 0
    for channel, mask in zip(rgb, masks):
        shift = (mask & -mask).bit_length() - 1
        width = (mask >> shift).bit_length()
        value |= (channel * ((1 << width) - 1) // 255) << shift
    return value


def pad(row):
    return row + b"\0" * (-len(row) % 4)


def pixel_rows(layout):
    """The rows as stored, top row first."""
    bits, masks = layout["bits"], layout.get("masks")
    rows = []
    for y in range(HEIGHT):
        if bits <= 8:
            rows.append(pad(pack_indexes([index(x, y, bits) for x in range(WIDTH)], bits)))
        elif bits == 24:
            rows.append(pad(b"".join(bytes(colour(x, y)[::-1]) for x in range(WIDTH))))
        else:
            default = [0x7C00, 0x3E0, 0x1F] if bits == 16 else [0xFF0000, 0xFF00, 0xFF]
            junk = 0x5A000000 if bits == 32 and not masks else 0  # an alpha byte to ignore
            fmt = "<H" if bits == 16 else "<I"
            rows.append(pad(b"".join(struct.pack(fmt, masked(colour(x, y), masks or default) | junk)
                                     for x in range(WIDTH))))
    return rows


def run_length(bits):
    """Bottom row first: a stretch stored as it is, then runs; row 9 ends early (the rest of it
    is colour 0). Moves are left out: Pillow 9 misreads them, and the reader's own tests cover
    them."""
    out = bytearray()
    for y in reversed(range(HEIGHT)):
        row = [index(x, y, bits) for x in range(WIDTH)]
        if y == 9:
            out += bytes([5, 7 if bits == 8 else 0x77]) + b"\0\0"
            continue
        stretch = row[:6]
        packed = bytes(stretch) if bits == 8 else pack_indexes(stretch, 4)
        out += bytes([0, len(stretch)]) + packed + b"\0" * (len(packed) % 2)
        x = len(stretch)
        while x < WIDTH:
            run = 1
            while x + run < WIDTH and run < 255 and row[x + run] == row[x]:
                run += 1
            out += bytes([run, row[x] if bits == 8 else row[x] << 4 | row[x]])
            x += run
        out += b"\0\0"
    return bytes(out + b"\0\x01")


def build(layout):
    bits, header = layout["bits"], layout.get("header", 40)
    compression = layout.get("compression", 0)
    top_down, masks = layout.get("top_down", False), layout.get("masks")
    colours = palette(bits, layout.get("grey", False)) if bits <= 8 else []
    if compression in (1, 2):
        pixels = run_length(bits)
    else:
        rows = pixel_rows(layout)
        pixels = b"".join(rows if top_down else reversed(rows))
    if header == 12:
        info = struct.pack("<IHHHH", 12, WIDTH, HEIGHT, 1, bits)
        entries = b"".join(bytes(c[::-1]) for c in colours)
    else:
        height = -HEIGHT if top_down else HEIGHT
        info = struct.pack("<IiiHHIIiiII", header, WIDTH, height, 1, bits, compression,
                           len(pixels), RESOLUTION, RESOLUTION, 0, 0)
        if masks and header >= 52:
            info += struct.pack("<III", *masks)
        info = info.ljust(header, b"\0")
        entries = b"".join(bytes(c[::-1]) + b"\0" for c in colours)
    extra = struct.pack("<III", *masks) if masks and header == 40 else b""
    offset = 14 + len(info) + len(extra) + len(entries)
    return (b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + info + extra +
            entries + pixels)


def picture_from_masks(layout):
    """What Pillow's scaling makes of a bit-field file's pixels."""
    image = Image.new("RGB", (WIDTH, HEIGHT))
    for y in range(HEIGHT):
        for x in range(WIDTH):
            value = masked(colour(x, y), layout["masks"])
            rgb = []
            for mask in layout["masks"]:
                shift = (mask & -mask).bit_length() - 1
                largest = mask >> shift
                rgb.append(((value & mask) >> shift) * 255 // largest)
            image.putpixel((x, y), tuple(rgb))
    return image


def plain_24(image, resolution):
    """image as a bottom-up 24-bit bitmap with a 40-byte header, as cjpeg reads it."""
    rgb = image.convert("RGB")
    rows = [pad(b"".join(bytes(rgb.getpixel((x, y))[::-1]) for x in range(rgb.width)))
            for y in range(rgb.height)]
    pixels = b"".join(reversed(rows))
    info = struct.pack("<IiiHHIIiiII", 40, rgb.width, rgb.height, 1, 24, 0, len(pixels),
                       resolution, resolution, 0, 0)
    return b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54) + info + pixels


LAYOUTS = {
    "1bit": {"bits": 1},
    "8bit": {"bits": 8},
    "8bit-os2-64": {"bits": 8, "header": 64},
    "24bit": {"bits": 24},
    "24bit-56": {"bits": 24, "header": 56, "twin": "24bit"},
    "4bit": {"bits": 4},
    "8bit-grey": {"bits": 8, "grey": True},
    "8bit-top-down": {"bits": 8, "top_down": True},
    "8bit-v5": {"bits": 8, "header": 124},
    "4bit-os2": {"bits": 4, "header": 12},
    "16bit-555": {"bits": 16},
    "16bit-565": {"bits": 16, "compression": 3, "masks": [0xF800, 0x7E0, 0x1F]},
    "16bit-555-fields": {"bits": 16, "compression": 3, "masks": [0x7C00, 0x3E0, 0x1F]},
    "16bit-444": {"bits": 16, "compression": 3, "masks": [0xF00, 0xF0, 0xF]},
    "24bit-top-down": {"bits": 24, "top_down": True},
    "24bit-v4": {"bits": 24, "header": 108},
    "32bit": {"bits": 32},
    "32bit-fields": {"bits": 32, "compression": 3, "masks": [0xFF0000, 0xFF00, 0xFF]},
    "32bit-fields-v5": {"bits": 32, "header": 124, "compression": 3,
                        "masks": [0xFF0000, 0xFF00, 0xFF]},
    "32bit-fields-52": {"bits": 32, "header": 52, "compression": 3,
                        "masks": [0xFF0000, 0xFF00, 0xFF], "twin": "32bit-fields"},
    "32bit-rgba-order": {"bits": 32, "compression": 3, "masks": [0xFF, 0xFF00, 0xFF0000]},
    "32bit-10bit": {"bits": 32, "compression": 3, "masks": [0x3FF00000, 0xFFC00, 0x3FF]},
    "rle8": {"bits": 8, "compression": 1},
    "rle4": {"bits": 4, "compression": 2},
}


def main(out_dir):
    os.makedirs(out_dir, exist_ok=True)
    for name, layout in LAYOUTS.items():
        path = os.path.join(out_dir, name + ".bmp")
        with open(path, "wb") as f:
            f.write(build(layout))
        resolution = 0 if layout.get("header") == 12 else RESOLUTION
        if "twin" in layout:
            path = os.path.join(out_dir, layout["twin"] + ".bmp")
        try:
            with Image.open(path) as image:
                image.load()
                reference = plain_24(image, resolution)
        except (OSError, ValueError, SyntaxError):  # Pillow does not decode this layout
            reference = plain_24(picture_from_masks(layout), resolution)
        with open(os.path.join(out_dir, name + ".pillow.bmp"), "wb") as f:
            f.write(reference)


if __name__ == "__main__":
    main(sys.argv[1])
