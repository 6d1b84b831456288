#!/usr/bin/env python3
"""Draws the program icon and writes it as a Windows .ico with 16x16 and 32x32 images.

    make_icon.py OUT.ico

The picture: a blue rounded tile holding a white sheet of text, with an orange badge
whose arrow says "convert". Shapes are described in unit coordinates and rendered with
8x8 supersampling, so both sizes come from the same drawing. Pure standard library.
"""
import struct
import sys

SUPERSAMPLE = 8

BLUE_TOP = (0x3B, 0x82, 0xF6)
BLUE_BOTTOM = (0x1D, 0x4E, 0xD8)
SHEET = (0xFF, 0xFF, 0xFF)
FOLD = (0xC7, 0xD2, 0xE0)
LINE = (0x94, 0xA3, 0xB8)
BADGE = (0xF9, 0x73, 0x16)
ARROW = (0xFF, 0xFF, 0xFF)


def rounded_rect(x, y, left, top, right, bottom, radius):
    if not (left <= x <= right and top <= y <= bottom):
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def sheet(x, y, size):
    """The page, with its top-right corner cut off for the fold; edges on whole pixels."""
    if size >= 32:
        left, top, right, bottom, fold = 7 / 32, 4 / 32, 23 / 32, 27 / 32, 5 / 32
    else:
        left, top, right, bottom, fold = 3 / 16, 2 / 16, 11 / 16, 14 / 16, 3 / 16
    if not (left <= x <= right and top <= y <= bottom):
        return None
    if x - (right - fold) > y - top:
        return None
    if x >= right - fold and y <= top + fold:
        return FOLD
    return SHEET


def text_line(x, y, size):
    # Lines snap to whole pixels at both sizes, so they stay crisp rather than grey.
    thickness = 2.0 / 32 if size >= 32 else 1.0 / 16
    for index, row in enumerate((0.375, 0.5, 0.625)):
        right = 0.60 if index != 2 else 0.46
        if 0.28 <= x <= right and row <= y < row + thickness:
            return True
    return False


def badge(x, y):
    cx, cy, r = 0.70, 0.70, 0.25
    return (x - cx) ** 2 + (y - cy) ** 2 <= r ** 2


def arrow(x, y):
    cx, cy = 0.70, 0.70
    shaft = cx - 0.13 <= x <= cx + 0.02 and abs(y - cy) <= 0.045
    head = cx + 0.02 <= x <= cx + 0.14 and abs(y - cy) <= (cx + 0.14 - x) * 1.0
    return shaft or head


def colour_at(x, y, size):
    """Colour and coverage of one sample point, painted back to front."""
    if badge(x, y):
        return (ARROW if arrow(x, y) else BADGE), 1.0
    page = sheet(x, y, size)
    if page is not None:
        return (LINE if page is SHEET and text_line(x, y, size) else page), 1.0
    if rounded_rect(x, y, 0.03, 0.03, 0.97, 0.97, 0.18):
        t = y
        tile = tuple(round(a + (b - a) * t) for a, b in zip(BLUE_TOP, BLUE_BOTTOM))
        return tile, 1.0
    return (0, 0, 0), 0.0


def render(size):
    """Rows of (r, g, b, a) from the top, premultiplied averaging of the samples."""
    pixels = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0.0
            for sy in range(SUPERSAMPLE):
                for sx in range(SUPERSAMPLE):
                    x = (px + (sx + 0.5) / SUPERSAMPLE) / size
                    y = (py + (sy + 0.5) / SUPERSAMPLE) / size
                    colour, cover = colour_at(x, y, size)
                    r += colour[0] * cover
                    g += colour[1] * cover
                    b += colour[2] * cover
                    a += cover
            n = SUPERSAMPLE * SUPERSAMPLE
            if a:
                row.append((round(r / a), round(g / a), round(b / a), round(255 * a / n)))
            else:
                row.append((0, 0, 0, 0))
        pixels.append(row)
    return pixels


def icon_image(size):
    """One icon image: a 32-bit DIB (bottom-up, height doubled for the mask) plus its AND mask."""
    pixels = render(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(
        bytes((b, g, r, a)) for row in reversed(pixels) for (r, g, b, a) in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(mask_stride)
        for px, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[px // 8] |= 0x80 >> (px % 8)
        mask += bits
    return header + colour + bytes(mask)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_icon.py OUT.ico")
    sizes = (16, 32)
    images = [icon_image(size) for size in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    out += b"".join(images)
    with open(sys.argv[1], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
