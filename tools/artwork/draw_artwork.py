#!/usr/bin/python3
"""Draws Veltrano's application icon and logo and writes them into res/.

    /usr/bin/python3 tools/artwork/draw_artwork.py [res-dir]

Writes Veltrano.ico (32x32 and 16x16, 16 colours, with AND masks) and
logo.bmp (132x36, 24 bits per pixel, uncompressed), and for the desktop's
icon theme (hicolor), which takes PNG and SVG rather than ICO, icons/:
veltrano-16.png and veltrano-32.png (the .ico's images), veltrano-24, -48,
-64, -128 and -256.png (smoothed) and veltrano.svg (scalable). PIL (Debian's
python3-pil) only draws; ICO, BMP and SVG are written here byte by byte, so
the result is exactly what the resource compiler and the dialog expect.
The motif: a strip of film with an arrow leaving it, i.e. a recording being
turned into a file. Every image is drawn from the one description of it
below (motif_boxes and ARROW), on a grid of 32 x 32 units.
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


# The motif on its 32 x 32 grid: rectangles (x0, y0, x1, y1, colour) from
# the back to the front, then the arrow, outlined. Below 32 pixels the
# sprocket holes are spaced wider, so that they stay apart.
ARROW = [(12, 13), (22, 13), (22, 8), (30, 16), (22, 24), (22, 19), (12, 19)]


def motif_boxes(size):
    boxes = [(2, 3, 22, 29, BLACK)]  # the film's dark body
    for y in range(5, 27, 4) if size >= 32 else range(5, 27, 6):
        boxes += [(4, y, 6, y + 2, WHITE), (18, y, 20, y + 2, WHITE)]  # sprocket holes
    boxes += [(8, 5, 16, 15, TEAL), (8, 17, 16, 27, NAVY),  # two frames
              (9, 7, 15, 10, CYAN)]  # a glint of the picture in the upper frame
    return boxes


def film_and_arrow(size):
    """Returns (indexed image, opacity mask) of the motif at size x size, pixel
    for pixel: the 16-colour images of the .ico."""
    img = Image.new("P", (size, size), BLACK)
    mask = Image.new("1", (size, size), 0)
    d, m = ImageDraw.Draw(img), ImageDraw.Draw(mask)
    s = size / 32.0
    for x0, y0, x1, y1, colour in motif_boxes(size):
        r = [round(x0 * s), round(y0 * s), round(x1 * s) - 1, round(y1 * s) - 1]
        d.rectangle(r, fill=colour)
        m.rectangle(r, fill=1)
    # The arrow pointing out of the strip, outlined in dark red for contrast.
    pts = [(round(x * s), round(y * s)) for x, y in ARROW]
    d.polygon(pts, fill=YELLOW, outline=DARK_RED)
    m.polygon(pts, fill=1, outline=1)
    return img, mask


# Pixel (x, y) of the 32-pixel image covers the square from (x, y) to
# (x + 1, y + 1) of the grid, so the arrow's corners, which that image puts
# on pixels, sit at the centres of those squares, and its one-pixel outline
# is a stroke one unit wide.
def arrow_points(scale):
    return [((x + 0.5) * scale, (y + 0.5) * scale) for x, y in ARROW]


def smooth_icon(size):
    """The motif at any size, edges smoothed: drawn 8 times larger on the
    continuous grid (as the SVG is), then reduced."""
    big = size * 8
    k = big / 32.0
    img = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    for x0, y0, x1, y1, colour in motif_boxes(size):
        d.rectangle([round(x0 * k), round(y0 * k), round(x1 * k) - 1, round(y1 * k) - 1],
                    fill=PALETTE[colour] + (255,))
    pts = arrow_points(k)
    d.polygon(pts, fill=PALETTE[YELLOW] + (255,))
    d.line(pts + pts[:1], fill=PALETTE[DARK_RED] + (255,), width=round(k), joint="curve")
    return img.resize((size, size), Image.LANCZOS)


def svg_icon():
    """The motif as SVG on its 32-unit grid."""
    def hex_of(colour):
        return "#%02x%02x%02x" % PALETTE[colour]
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             '<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" '
             'viewBox="0 0 32 32">',
             '  <title>Veltrano</title>']
    for x0, y0, x1, y1, colour in motif_boxes(32):
        lines.append('  <rect x="%g" y="%g" width="%g" height="%g" fill="%s"/>'
                     % (x0, y0, x1 - x0, y1 - y0, hex_of(colour)))
    points = " ".join("%g,%g" % p for p in arrow_points(1))
    lines.append('  <polygon points="%s" fill="%s" stroke="%s" stroke-width="1" '
                 'stroke-linejoin="round"/>' % (points, hex_of(YELLOW), hex_of(DARK_RED)))
    lines.append("</svg>")
    return "\n".join(lines) + "\n"


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


# The sizes of the desktop's icon theme; 16 and 32 are the .ico's own images.
ICO_SIZES = (16, 32)
SMOOTH_SIZES = (24, 48, 64, 128, 256)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    res = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "res")
    write_icon(os.path.join(res, "Veltrano.ico"))
    write_bmp(os.path.join(res, "logo.bmp"), draw_logo())
    icons = os.path.join(res, "icons")
    os.makedirs(icons, exist_ok=True)
    for size in ICO_SIZES:
        write_png_icon(os.path.join(icons, "veltrano-%d.png" % size), size)
    for size in SMOOTH_SIZES:
        smooth_icon(size).save(os.path.join(icons, "veltrano-%d.png" % size), "PNG")
    with open(os.path.join(icons, "veltrano.svg"), "w", encoding="utf-8") as f:
        f.write(svg_icon())


if __name__ == "__main__":
    main()
