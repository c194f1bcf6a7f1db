#!/usr/bin/python3
"""Draws Veltrano's application icon and logo and writes them into res/.

    /usr/bin/python3 tools/artwork/draw_artwork.py [res-dir]

Writes Veltrano.ico (32x32 and 16x16, 16 colours, with AND masks) and
logo.bmp (132x36, 24 bits per pixel, uncompressed), plus the same icon
images as veltrano-32.png and veltrano-16.png for desktop menus, whose icon
themes take PNG rather than ICO. PIL (Debian's
python3-pil) only draws; both file formats are written here byte by byte, so
the result is exactly what the resource compiler and the dialog expect.
The motif: a strip of film with an arrow leaving it, i.e. a recording being
turned into a file.
"""

import os
import struct
import sys

try:
    from PIL import Image, ImageDraw, ImageFont
except ImportError:
    sys.exit("draw_artwork: needs PIL (Debian: python3-pil); run it with /usr/bin/python3")

# The 16-colour palette of the Windows system icons, so the icon looks right
# wherever only those colours are available.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, DARK_RED, NAVY, TEAL, SILVER, GREY, RED, YELLOW, BLUE, CYAN, WHITE = (
    0, 1, 4, 6, 7, 8, 9, 11, 12, 14, 15)

BOLD_FONTS = [
    "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
    "/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf",
]
REGULAR_FONTS = [
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf",
]


def load_font(candidates, size):
    for path in candidates:
        if os.path.exists(path):
            return ImageFont.truetype(path, size)
    sys.exit("draw_artwork: none of these fonts is installed: " + ", ".join(candidates))


def film_and_arrow(size):
    """Returns (indexed image, opacity mask) of the icon motif at size x size."""
    img = Image.new("P", (size, size), BLACK)
    mask = Image.new("1", (size, size), 0)
    d, m = ImageDraw.Draw(img), ImageDraw.Draw(mask)
    s = size / 32.0

    def box(x0, y0, x1, y1, colour):
        r = [round(x0 * s), round(y0 * s), round(x1 * s) - 1, round(y1 * s) - 1]
        d.rectangle(r, fill=colour)
        m.rectangle(r, fill=1)

    # Film strip: dark body, sprocket holes down both edges, two frames.
    box(2, 3, 22, 29, BLACK)
    holes = range(5, 27, 4) if size >= 32 else range(5, 27, 6)
    for y in holes:
        box(4, y, 6, y + 2, WHITE)
        box(18, y, 20, y + 2, WHITE)
    box(8, 5, 16, 15, TEAL)
    box(8, 17, 16, 27, NAVY)
    box(9, 7, 15, 10, CYAN)  # a glint of the picture in the upper frame

    # Arrow pointing out of the strip, outlined in dark red for contrast.
    shaft = [(12, 13), (22, 13), (22, 8), (30, 16), (22, 24), (22, 19), (12, 19)]
    pts = [(round(x * s), round(y * s)) for x, y in shaft]
    d.polygon(pts, fill=YELLOW, outline=DARK_RED)
    m.polygon(pts, fill=1, outline=1)
    return img, mask


def icon_image(size):
    """One icon directory image: BITMAPINFOHEADER, palette, XOR and AND bitmaps."""
    img, mask = film_and_arrow(size)
    xor_stride = ((size * 4 + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    xor_rows, and_rows = [], []
    for y in range(size - 1, -1, -1):  # bottom-up, as in every DIB
        row = bytearray(xor_stride)
        bits = bytearray(and_stride)
        for x in range(size):
            opaque = mask.getpixel((x, y)) != 0
            index = img.getpixel((x, y)) if opaque else 0
            row[x // 2] |= index << 4 if x % 2 == 0 else index
            if not opaque:
                bits[x // 8] |= 0x80 >> (x % 8)
        xor_rows.append(bytes(row))
        and_rows.append(bytes(bits))
    pixels = b"".join(xor_rows) + b"".join(and_rows)
    # Height counts the XOR and the AND bitmap together.
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(pixels), 0, 0,
                         16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + pixels


def write_icon(path):
    images = [(32, icon_image(32)), (16, icon_image(16))]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    with open(path, "wb") as f:
        f.write(out)


def write_png_icon(path, size):
    img, mask = film_and_arrow(size)
    img.putpalette([c for rgb in PALETTE for c in rgb])
    rgba = img.convert("RGBA")
    rgba.putalpha(mask.convert("L"))
    rgba.save(path, "PNG")


def draw_logo():
    w, h = 132, 36
    img = Image.new("RGB", (w, h))
    d = ImageDraw.Draw(img)
    # Navy to teal, left to right.
    for x in range(w):
        t = x / (w - 1)
        d.line([(x, 0), (x, h - 1)],
               fill=(round(16 + 8 * t), round(40 + 80 * t), round(96 + 40 * t)))
    # The icon's motif, drawn at full colour on the left.
    motif, mask = film_and_arrow(32)
    motif = motif.copy()
    motif.putpalette([c for rgb in PALETTE for c in rgb])
    img.paste(motif.convert("RGB"), (3, 2), mask)

    title = load_font(BOLD_FONTS, 19)
    sub = load_font(REGULAR_FONTS, 9)
    d.text((39, 1), "Veltrano", font=title, fill=(255, 255, 255))
    d.text((40, 23), ".264 \u2192 AVI", font=sub, fill=(255, 230, 120))
    return img


def write_bmp(path, img):
    w, h = img.size
    stride = ((w * 24 + 31) // 32) * 4
    rows = []
    for y in range(h - 1, -1, -1):
        row = bytearray()
        for x in range(w):
            r, g, b = img.getpixel((x, y))
            row += bytes((b, g, r))
        row += bytes(stride - len(row))
        rows.append(bytes(row))
    pixels = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    offset = 14 + len(info)
    head = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    with open(path, "wb") as f:
        f.write(head + info + pixels)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    res = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "res")
    write_icon(os.path.join(res, "Veltrano.ico"))
    for size in (32, 16):
        write_png_icon(os.path.join(res, "veltrano-%d.png" % size), size)
    write_bmp(os.path.join(res, "logo.bmp"), draw_logo())


if __name__ == "__main__":
    main()
