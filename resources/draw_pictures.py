#!/usr/bin/env python3
"""Draws the button pictures and the program icons of Tolvane.

The pictures are plain shapes, so they are drawn here from their geometry rather than kept
only as binaries: rerun this script after changing a shape, and commit what it writes.

Outputs, beside this script:
  command1.bmp  37x39  orange arrow pointing right (remove the selected entries)
  command2.bmp  39x37  orange arrow pointing up (move the current entry up)
  command3.bmp  39x37  orange arrow pointing down (move the current entry down)
  command7.bmp  42x40  red power sign (end the program)
  command1@2x.bmp to command7@2x.bmp  the same pictures at twice the size, for screens at a
                scale above 1 (Qt takes a name@2x file for name at scales from 1.5 up)
  tolvane-16.png, tolvane-32.png, tolvane.ico  the program icon (a numbered list)
  tolvane-48.png to tolvane-256.png  the same icon at the other sizes of the desktop's icon theme
  tolvane-96.png  the 48 pixel icon at twice the size (the theme's 48x48@2); the other sizes'
                doubles are the sizes above them

The bitmaps are uncompressed 24-bit BMP files on a white ground; the icons are RGBA PNG
files, and the .ico holds the 16 and 32 pixel images for the Windows version resource.
Only the Python 3 standard library is used.
"""

import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SUBSAMPLES = 4  # per axis, for smooth edges

WHITE = (255, 255, 255)
ORANGE = (255, 140, 0)
ORANGE_EDGE = (196, 84, 0)
RED = (214, 40, 40)
RED_EDGE = (140, 20, 20)
LIGHT_BLUE = (216, 228, 248)
DARK_BLUE = (40, 72, 150)
GREY = (120, 130, 150)


# Shapes are predicates over a point (x, y) in pixel units, (0, 0) the top-left corner.

def polygon(points):
    def inside(x, y):
        result = False
        for (x1, y1), (x2, y2) in zip(points, points[1:] + points[:1]):
            if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
                result = not result
        return result
    return inside


def distance_to_outline(points, x, y):
    best = math.inf
    for (x1, y1), (x2, y2) in zip(points, points[1:] + points[:1]):
        dx, dy = x2 - x1, y2 - y1
        t = max(0.0, min(1.0, ((x - x1) * dx + (y - y1) * dy) / (dx * dx + dy * dy)))
        best = min(best, math.hypot(x - x1 - t * dx, y - y1 - t * dy))
    return best


def outlined_polygon(points, edge_width):
    """Two predicates: the whole polygon, and its inner part without the edge."""
    whole = polygon(points)
    return whole, lambda x, y: whole(x, y) and distance_to_outline(points, x, y) > edge_width


def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def rounded_rect(left, top, right, bottom, radius):
    def inside(x, y):
        if not (left <= x <= right and top <= y <= bottom):
            return False
        nx = min(max(x, left + radius), right - radius)
        ny = min(max(y, top + radius), bottom - radius)
        return (x - nx) ** 2 + (y - ny) ** 2 <= radius * radius
    return inside


def render(width, height, layers, ground, scale=1):
    """Each pixel averages its subsamples; a subsample takes the colour of the last layer that
    covers it, or the ground (None for transparent). Returns rows of (r, g, b, a), top first.
    The shapes are given in pixels of scale 1; at scale 2 the picture has four times the
    pixels, each a quarter of one at scale 1, and scale 1 draws exactly as it always has."""
    rows = []
    step = 1.0 / SUBSAMPLES
    for py in range(height * scale):
        row = []
        for px in range(width * scale):
            total = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SUBSAMPLES):
                for sx in range(SUBSAMPLES):
                    x, y = (px + (sx + 0.5) * step) / scale, (py + (sy + 0.5) * step) / scale
                    colour = ground
                    for covers, layer_colour in layers:
                        if covers(x, y):
                            colour = layer_colour
                    if colour is not None:
                        for i in range(3):
                            total[i] += colour[i]
                        total[3] += 1
            n = SUBSAMPLES * SUBSAMPLES
            alpha = total[3] / n
            rgb = [round(total[i] / total[3]) if total[3] else 0 for i in range(3)]
            row.append((rgb[0], rgb[1], rgb[2], round(alpha * 255)))
        rows.append(row)
    return rows


# Writers.

def bmp_bytes(rows):
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):  # BMP rows run bottom-up
        line = bytearray()
        for r, g, b, _ in row:
            line += bytes((b, g, r))
        pixels += line + bytes(stride - len(line))
    header_size = 14 + 40
    file_header = struct.pack("<2sIHHI", b"BM", header_size + len(pixels), 0, 0, header_size)
    info_header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 3780, 3780, 0, 0)
    return file_header + info_header + bytes(pixels)


def png_bytes(rows):
    height, width = len(rows), len(rows[0])
    raw = bytearray()
    for row in rows:
        raw.append(0)  # no filter
        for pixel in row:
            raw += bytes(pixel)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b"")


def ico_bytes(pngs):
    """An icon file whose images are stored as PNG, as Windows accepts since Vista."""
    header = struct.pack("<HHH", 0, 1, len(pngs))
    offset = len(header) + 16 * len(pngs)
    directory, images = b"", b""
    for size, data in pngs:
        directory += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset + len(images))
        images += data
    return header + directory + images


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as out:
        out.write(data)


# The pictures.

def right_arrow(width, height):
    """Shaft and head of an arrow pointing right, centred in the box."""
    cy = height / 2
    return [(5, cy - 5), (19, cy - 5), (19, cy - 13), (width - 4, cy), (19, cy + 13), (19, cy + 5), (5, cy + 5)]


def arrow_layers(points):
    whole, inner = outlined_polygon(points, 1.2)
    return [(whole, ORANGE_EDGE), (inner, ORANGE)]


def turned(points, width, to):
    """The right arrow of a width-by-height box turned to point up or down in a height-by-width box."""
    if to == "up":
        return [(y, width - x) for x, y in points]
    return [(y, x) for x, y in points]


def power_sign_layers(width, height):
    cx, cy, r = width / 2, height / 2, 17
    ring_outer, ring_inner = 10.5, 7.0

    def ring(x, y):
        d = math.hypot(x - cx, y - cy)
        gap = abs(math.atan2(x - cx, cy - y)) < math.radians(35)
        return ring_inner <= d <= ring_outer and not gap

    bar = rounded_rect(cx - 1.75, cy - 13, cx + 1.75, cy - 1, 1.75)
    return [(disc(cx, cy, r), RED_EDGE), (disc(cx, cy, r - 1.3), RED), (ring, WHITE), (bar, WHITE)]


def icon_layers(size):
    """A light blue card holding three numbered rows: an orange number and a grey name each."""
    s = size / 32.0
    layers = [(rounded_rect(1 * s, 1 * s, 31 * s, 31 * s, 4 * s), DARK_BLUE),
              (rounded_rect(2.5 * s, 2.5 * s, 29.5 * s, 29.5 * s, 3 * s), LIGHT_BLUE)]
    for row in range(3):
        top = (6 + row * 8) * s
        layers.append((rounded_rect(5 * s, top, 11 * s, top + 5.5 * s, 1.2 * s), ORANGE))
        layers.append((rounded_rect(13 * s, top + 1.25 * s, 27 * s, top + 4.25 * s, 1 * s), GREY))
    return layers


# The sizes the hicolor icon theme asks of an application, and those the .ico holds.
ICON_SIZES = (16, 32, 48, 64, 128, 256)
ICO_SIZES = (16, 32)


def write_picture(name, width, height, layers):
    """The button picture at scale 1 and, as name@2x, at scale 2."""
    write(name + ".bmp", bmp_bytes(render(width, height, layers, WHITE)))
    write(name + "@2x.bmp", bmp_bytes(render(width, height, layers, WHITE, scale=2)))


def main():
    write_picture("command1", 37, 39, arrow_layers(right_arrow(37, 39)))
    up_down = right_arrow(37, 39)
    write_picture("command2", 39, 37, arrow_layers(turned(up_down, 37, "up")))
    write_picture("command3", 39, 37, arrow_layers(turned(up_down, 37, "down")))
    write_picture("command7", 42, 40, power_sign_layers(42, 40))
    pngs = []
    for size in ICON_SIZES:
        data = png_bytes(render(size, size, icon_layers(size), None))
        write("tolvane-%d.png" % size, data)
        pngs.append((size, data))
    write("tolvane.ico", ico_bytes([(size, data) for size, data in pngs if size in ICO_SIZES]))
    write("tolvane-96.png", png_bytes(render(48, 48, icon_layers(48), None, scale=2)))


if __name__ == "__main__":
    main()
