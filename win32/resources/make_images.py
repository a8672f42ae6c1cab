#!/usr/bin/env python3
"""Draws the program's toolbar bitmap and icon.

toolbar.bmp: ten images of 60 x 20 pixels side by side (600 x 20), 16 colours,
one per toolbar button in button order: a pictogram and a short label. The
background is the silver that the toolbar maps to the button face.
toolbar-150.bmp, toolbar-200.bmp: the same drawn for 150 % and 200 % display
scale (90 x 30 and 120 x 40 per image). The drawings keep their 100 %
coordinates; each pixel of them becomes a block of the scale, and circles
are traced at the full resolution, so nothing is blurred.
zanteq.ico: a monitor showing a four-way split, 16 colours, at 16, 24, 32, 48 and
64 pixels, so the icon is drawn for the display scale rather than stretched.

Run it after changing a drawing and commit both outputs:
    python3 win32/resources/make_images.py
"""
import math
import os
import struct

# The standard 16-colour palette, in its usual order.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GRAY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)

# 5 x 7 capitals, one string per row, '#' = ink.
FONT = {
    'A': [" ### ", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"],
    'C': [" ### ", "#   #", "#    ", "#    ", "#    ", "#   #", " ### "],
    'D': ["#### ", "#   #", "#   #", "#   #", "#   #", "#   #", "#### "],
    'E': ["#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#####"],
    'F': ["#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#    "],
    'G': [" ### ", "#   #", "#    ", "# ###", "#   #", "#   #", " ####"],
    'H': ["#   #", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"],
    'I': [" ### ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "],
    'J': ["  ###", "   # ", "   # ", "   # ", "   # ", "#  # ", " ##  "],
    'K': ["#   #", "#  # ", "# #  ", "##   ", "# #  ", "#  # ", "#   #"],
    'L': ["#    ", "#    ", "#    ", "#    ", "#    ", "#    ", "#####"],
    'M': ["#   #", "## ##", "# # #", "# # #", "#   #", "#   #", "#   #"],
    'N': ["#   #", "##  #", "# # #", "#  ##", "#   #", "#   #", "#   #"],
    'O': [" ### ", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "],
    'R': ["#### ", "#   #", "#   #", "#### ", "# #  ", "#  # ", "#   #"],
    'S': [" ####", "#    ", "#    ", " ### ", "    #", "    #", "#### "],
    'T': ["#####", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  "],
    'U': ["#   #", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "],
    'V': ["#   #", "#   #", "#   #", "#   #", "#   #", " # # ", "  #  "],
    'Z': ["#####", "    #", "   # ", "  #  ", " #   ", "#    ", "#####"],
    '.': ["     ", "     ", "     ", "     ", "     ", " ##  ", " ##  "],
}


class Canvas:
    """Drawn in 100 % coordinates; `scale` is the size of a pixel of those
    in pixels of the image (1, 1.5, 2)."""

    def __init__(self, width, height, background, scale=1):
        self.scale = scale
        self.width, self.height = round(width * scale), round(height * scale)
        self.pixels = [[background] * self.width for _ in range(self.height)]

    def _span(self, first, last):
        """Image pixels whose centres fall into 100 % pixels first..last."""
        s = self.scale
        return range(math.ceil(first * s - 0.5), math.ceil((last + 1) * s - 0.5))

    def _put(self, px, py, colour):
        if 0 <= px < self.width and 0 <= py < self.height:
            self.pixels[py][px] = colour

    def dot(self, x, y, colour):
        self.box(x, y, x, y, colour)

    def box(self, x0, y0, x1, y1, colour):  # filled, corners inclusive
        for py in self._span(y0, y1):
            for px in self._span(x0, x1):
                self._put(px, py, colour)

    def _round_shape(self, cx, cy, r, inside, colour):
        """Image pixels whose centre, in 100 % coordinates, passes `inside`
        (given the squared distance from the centre)."""
        for py in self._span(cy - r - 1, cy + r + 1):
            for px in self._span(cx - r - 1, cx + r + 1):
                u = (px + 0.5) / self.scale - 0.5
                v = (py + 0.5) / self.scale - 0.5
                if inside((u - cx) ** 2 + (v - cy) ** 2):
                    self._put(px, py, colour)

    def frame(self, x0, y0, x1, y1, colour):
        for x in range(x0, x1 + 1):
            self.dot(x, y0, colour)
            self.dot(x, y1, colour)
        for y in range(y0, y1 + 1):
            self.dot(x0, y, colour)
            self.dot(x1, y, colour)

    def line(self, x0, y0, x1, y1, colour):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for k in range(steps + 1):
            self.dot(round(x0 + (x1 - x0) * k / steps), round(y0 + (y1 - y0) * k / steps), colour)

    def disc(self, cx, cy, r, colour):
        self._round_shape(cx, cy, r, lambda d: d <= r * r + r, colour)

    def ring(self, cx, cy, r, colour):
        self._round_shape(cx, cy, r, lambda d: r * r - r <= d <= r * r + r, colour)

    def text(self, x, y, string, colour):
        for ch in string:
            glyph = FONT[ch]
            width = 3 if ch == '.' else 5
            for row, bits in enumerate(glyph):
                for col, bit in enumerate(bits[:width] if ch != '.' else bits[1:4]):
                    if bit == '#':
                        self.dot(x + col, y + row, colour)
            x += width + 1
        return x


def monitor(c, x, y, screen=BLACK):
    """A 16 x 14 monitor on a stand at (x, y); returns the screen's inner box."""
    c.box(x, y, x + 15, y + 11, NAVY)
    c.box(x + 2, y + 2, x + 13, y + 9, screen)
    c.box(x + 6, y + 12, x + 9, y + 12, GRAY)
    c.box(x + 4, y + 13, x + 11, y + 13, GRAY)
    return x + 2, y + 2, x + 13, y + 9


def bell(c, x, y):
    c.disc(x + 7, y + 5, 4, YELLOW)
    c.box(x + 3, y + 5, x + 12, y + 11, YELLOW)
    c.box(x + 1, y + 11, x + 14, y + 12, YELLOW)
    c.ring(x + 7, y + 5, 4, BLACK)
    c.line(x + 3, y + 5, x + 3, y + 10, BLACK)
    c.line(x + 11, y + 5, x + 11, y + 10, BLACK)
    c.line(x + 1, y + 13, x + 14, y + 13, BLACK)
    c.line(x + 0, y + 11, x + 0, y + 12, BLACK)
    c.line(x + 15, y + 11, x + 15, y + 12, BLACK)
    c.box(x + 6, y + 14, x + 8, y + 15, BLACK)
    c.dot(x + 7, y + 0, BLACK)


def video_loss(c, x, y):
    x0, y0, x1, y1 = monitor(c, x, y)
    c.line(x0 + 1, y0, x1 - 1, y1, RED)
    c.line(x0 + 2, y0, x1, y1, RED)
    c.line(x1 - 1, y0, x0 + 1, y1, RED)
    c.line(x1, y0, x0 + 2, y1, RED)


def clock(c, x, y):
    c.disc(x + 7, y + 8, 7, WHITE)
    c.ring(x + 7, y + 8, 7, BLACK)
    for dx, dy in ((0, -6), (6, 0), (0, 6), (-6, 0)):
        c.dot(x + 7 + dx, y + 8 + dy, BLACK)
    c.line(x + 7, y + 8, x + 7, y + 3, BLACK)
    c.line(x + 7, y + 8, x + 11, y + 8, RED)


def title(c, x, y):
    x0, y0, x1, y1 = monitor(c, x, y, screen=TEAL)
    c.box(x0 + 1, y0 + 1, x1 - 1, y0 + 3, WHITE)
    c.line(x0 + 2, y0 + 2, x1 - 2, y0 + 2, BLACK)


def auto_switch(c, x, y):
    x0, y0, x1, y1 = monitor(c, x, y)
    for k in range(4):  # two right-pointing triangles
        c.line(x0 + 2 + k, y0 + 1 + k, x0 + 2 + k, y1 - 1 - k, LIME)
        c.line(x0 + 6 + k, y0 + 1 + k, x0 + 6 + k, y1 - 1 - k, LIME)


def adjust(c, x, y):
    for k, (knob, colour) in enumerate(((9, RED), (4, LIME), (11, BLUE))):
        tx = x + 2 + k * 5
        c.line(tx + 1, y + 1, tx + 1, y + 14, BLACK)
        c.box(tx, y + knob - 1, tx + 2, y + knob + 1, colour)
        c.frame(tx - 1, y + knob - 2, tx + 3, y + knob + 2, BLACK)


def screen_split(c, x, y):
    c.box(x, y + 1, x + 15, y + 14, BLACK)
    c.box(x + 1, y + 2, x + 7, y + 7, BLUE)
    c.box(x + 8, y + 2, x + 14, y + 7, LIME)
    c.box(x + 1, y + 8, x + 7, y + 13, RED)
    c.box(x + 8, y + 8, x + 14, y + 13, YELLOW)


def video_format(c, x, y):
    x0, y0, _, _ = monitor(c, x, y)
    c.text(x0, y0 + 1, "HD", WHITE)


def agc(c, x, y):
    for k in range(5):
        height = 3 + k * 3
        c.box(x + k * 3, y + 15 - height, x + k * 3 + 1, y + 15, GREEN)
    c.line(x, y + 15, x + 15, y + 15, BLACK)


def gear(c, x, y):
    c.disc(x + 7, y + 8, 5, GRAY)
    for dx, dy in ((0, -7), (0, 6), (-7, 0), (6, 0), (-5, -5), (4, -5), (-5, 4), (4, 4)):
        c.box(x + 7 + dx, y + 8 + dy, x + 8 + dx, y + 9 + dy, BLACK)
    c.ring(x + 7, y + 8, 5, BLACK)
    c.disc(x + 7, y + 8, 2, SILVER)


BUTTONS = [
    (bell, "ALARM"), (video_loss, "V.LOSS"), (clock, "CLOCK"), (title, "TITLE"),
    (auto_switch, "AUTO"), (adjust, "ADJUST"), (screen_split, "SCREEN"),
    (video_format, "FORMAT"), (agc, "AGC"), (gear, "OTHER"),
]


def toolbar(scale=1):
    c = Canvas(60 * len(BUTTONS), 20, SILVER, scale)
    for k, (draw, label) in enumerate(BUTTONS):
        left = 60 * k
        draw(c, left + 2, 2)
        c.text(left + 21, 7, label, BLACK)
    return c


def icon(size):
    c = Canvas(size, size, None)
    s = size / 32.0

    def sc(v):
        return int(round(v * s))

    c.box(sc(1), sc(3), sc(30) , sc(24), BLACK)
    c.box(sc(3), sc(5), sc(15), sc(13), BLUE)
    c.box(sc(16), sc(5), sc(28), sc(13), LIME)
    c.box(sc(3), sc(14), sc(15), sc(22), RED)
    c.box(sc(16), sc(14), sc(28), sc(22), YELLOW)
    c.box(sc(13), sc(25), sc(18), sc(27), GRAY)
    c.box(sc(8), sc(28), sc(23), sc(29), GRAY)
    return c


def rows_4bpp(canvas, transparent_as):
    """Bottom-up rows of 4-bit indexes, each padded to a multiple of 4 bytes."""
    data = bytearray()
    for row in reversed(canvas.pixels):
        packed = bytearray()
        for x in range(0, canvas.width, 2):
            hi = row[x] if row[x] is not None else transparent_as
            lo = row[x + 1] if x + 1 < canvas.width and row[x + 1] is not None else transparent_as
            packed.append((hi << 4) | lo)
        while len(packed) % 4:
            packed.append(0)
        data += packed
    return bytes(data)


def palette_bytes():
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)


def info_header(width, height, bits, image_size):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size, 2835, 2835, 16, 0)


def write_bmp(path, canvas):
    pixels = rows_4bpp(canvas, SILVER)
    offset = 14 + 40 + 64
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    with open(path, "wb") as out:
        out.write(header + info_header(canvas.width, canvas.height, 4, len(pixels)) + palette_bytes() + pixels)


def and_mask(canvas):
    data = bytearray()
    for row in reversed(canvas.pixels):
        packed = bytearray()
        for x in range(0, canvas.width, 8):
            byte = 0
            for bit in range(8):
                if x + bit < canvas.width and canvas.pixels and row[x + bit] is None:
                    byte |= 0x80 >> bit
            packed.append(byte)
        while len(packed) % 4:
            packed.append(0)
        data += packed
    return bytes(data)


def write_ico(path, canvases):
    images = []
    for c in canvases:
        xor = rows_4bpp(c, BLACK)
        mask = and_mask(c)
        body = info_header(c.width, c.height * 2, 4, len(xor) + len(mask)) + palette_bytes() + xor + mask
        images.append((c, body))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for c, body in images:
        out += struct.pack("<BBBBHHII", c.width, c.height, 16, 0, 1, 4, len(body), offset)
        offset += len(body)
    for _, body in images:
        out += body
    with open(path, "wb") as f:
        f.write(out)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    write_bmp(os.path.join(here, "toolbar.bmp"), toolbar())
    write_bmp(os.path.join(here, "toolbar-150.bmp"), toolbar(1.5))
    write_bmp(os.path.join(here, "toolbar-200.bmp"), toolbar(2))
    write_ico(os.path.join(here, "zanteq.ico"), [icon(size) for size in (32, 16, 24, 48, 64)])


if __name__ == "__main__":
    main()
