#!/usr/bin/env python3
"""Draws the setup program's pictures into res/art/: the side picture,
the two mouse pictures, the logo and the three icons. Standard library
only; the .rc takes the files as they are written here.

    python3 tools/make_art.py [output directory]
"""
import os
import struct
import sys

# The 16-colour palette of the 16-colour pictures (the usual VGA set);
# index 13 is 0xFF00FF, the logo's transparent colour.
VGA = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, LIME, YELLOW, BLUE, MAGENTA, CYAN, WHITE = range(8, 16)

# 8 x 8 ordered dither, for blends between two palette colours.
BAYER = [
    [0, 32, 8, 40, 2, 34, 10, 42], [48, 16, 56, 24, 50, 18, 58, 26],
    [12, 44, 4, 36, 14, 46, 6, 38], [60, 28, 52, 20, 62, 30, 54, 22],
    [3, 35, 11, 43, 1, 33, 9, 41], [51, 19, 59, 27, 49, 17, 57, 25],
    [15, 47, 7, 39, 13, 45, 5, 37], [63, 31, 55, 23, 61, 29, 53, 21],
]

# A 5 x 7 font for the letters the pictures use.
FONT = {
    'A': ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    'D': ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    'E': ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    'H': ["10001", "10001", "10001", "11111", "10001", "10001", "10001"],
    'I': ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    'L': ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    'M': ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    'O': ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    'R': ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    'S': ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    'T': ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    'U': ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    'V': ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    'W': ["10001", "10001", "10001", "10101", "10101", "11011", "10001"],
    '/': ["00001", "00010", "00010", "00100", "01000", "01000", "10000"],
    '2': ["01110", "10001", "00001", "00110", "01000", "10000", "11111"],
    ' ': ["00000"] * 7,
}


class Canvas:
    def __init__(self, width, height, fill):
        self.width, self.height = width, height
        self.pixels = [[fill] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.put(x, y, colour)

    def ellipse(self, cx, cy, rx, ry, colour, outline=None):
        for y in range(int(cy - ry) - 1, int(cy + ry) + 2):
            for x in range(int(cx - rx) - 1, int(cx + rx) + 2):
                d = ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2
                if d <= 1.0:
                    edge = outline is not None and d > (1 - 2.2 / min(rx, ry))
                    self.put(x, y, outline if edge else colour)

    def line(self, x0, y0, x1, y1, colour, width=1):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            x = x0 + (x1 - x0) * i / steps
            y = y0 + (y1 - y0) * i / steps
            for dy in range(width):
                for dx in range(width):
                    self.put(int(round(x)) + dx, int(round(y)) + dy, colour)

    def text(self, x, y, text, colour, scale=1, shadow=None):
        for ch in text:
            glyph = FONT[ch]
            for gy, row in enumerate(glyph):
                for gx, bit in enumerate(row):
                    if bit == '1':
                        if shadow is not None:
                            self.rect(x + gx * scale + 2, y + gy * scale + 2,
                                      x + (gx + 1) * scale + 2, y + (gy + 1) * scale + 2, shadow)
                        self.rect(x + gx * scale, y + gy * scale,
                                  x + (gx + 1) * scale, y + (gy + 1) * scale, colour)
            x += 6 * scale

    def blend(self, x0, y0, x1, y1, first, second, share):
        """Fills with an ordered dither of two colours; share(x, y) is the
        part of the second colour, 0 to 1."""
        for y in range(y0, y1):
            for x in range(x0, x1):
                level = share(x, y) * 64
                self.put(x, y, second if BAYER[y % 8][x % 8] < level else first)


def bmp_bytes(canvas, palette, bits):
    row_bytes = ((canvas.width * bits + 31) // 32) * 4
    body = bytearray()
    for y in range(canvas.height - 1, -1, -1):
        row = canvas.pixels[y]
        packed = bytearray()
        if bits == 8:
            packed.extend(row)
        else:
            for x in range(0, canvas.width, 2):
                high = row[x]
                low = row[x + 1] if x + 1 < canvas.width else 0
                packed.append((high << 4) | low)
        packed.extend(b'\0' * (row_bytes - len(packed)))
        body.extend(packed)
    colours = 1 << bits
    table = bytearray()
    for i in range(colours):
        r, g, b = palette[i] if i < len(palette) else (0, 0, 0)
        table.extend((b, g, r, 0))
    info = struct.pack('<IiiHHIIiiII', 40, canvas.width, canvas.height, 1, bits, 0,
                       len(body), 2835, 2835, colours, 0)
    offset = 14 + len(info) + len(table)
    header = struct.pack('<2sIHHI', b'BM', offset + len(body), 0, 0, offset)
    return bytes(header + info + table + body)


def ico_bytes(canvas, transparent):
    """A 32 x 32, 16-colour icon; pixels of the colour `transparent` are
    left out through the AND mask."""
    size = canvas.width
    xor = bytearray()
    mask = bytearray()
    mask_row = ((size + 31) // 32) * 4
    for y in range(size - 1, -1, -1):
        row = canvas.pixels[y]
        for x in range(0, size, 2):
            a = 0 if row[x] == transparent else row[x]
            b = 0 if row[x + 1] == transparent else row[x + 1]
            xor.append((a << 4) | b)
        bits = bytearray(mask_row)
        for x in range(size):
            if row[x] == transparent:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask.extend(bits)
    table = bytearray()
    for r, g, b in VGA:
        table.extend((b, g, r, 0))
    info = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0,
                       len(xor) + len(mask), 0, 0, 16, 0)
    image = info + table + xor + mask
    directory = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(image), 6 + 16)
    return bytes(directory + entry + image)


def side_picture():
    """118 x 234: a night-blue panel fading to teal, with a wheel mouse
    standing on its cable."""
    c = Canvas(118, 234, NAVY)
    c.blend(0, 0, 118, 234, NAVY, TEAL, lambda x, y: y / 233.0)
    c.blend(0, 150, 118, 234, TEAL, CYAN, lambda x, y: max(0.0, (y - 150) / 84.0) * 0.5)
    c.line(59, 20, 59, 60, SILVER, 2)
    c.line(59, 20, 90, 8, SILVER, 2)
    c.ellipse(59, 120, 38, 56, SILVER, outline=BLACK)
    for y in range(64, 176):
        for x in range(21, 98):
            inside = ((x - 59) / 35.0) ** 2 + ((y - 120) / 53.0) ** 2 <= 1
            light = 1 - (((x - 48) / 30.0) ** 2 + ((y - 100) / 45.0) ** 2)
            if inside and BAYER[y % 8][x % 8] < light * 64:
                c.put(x, y, WHITE)
    c.line(59, 66, 59, 112, BLACK)
    c.line(22, 112, 96, 112, BLACK)
    c.ellipse(59, 86, 5, 11, GREY, outline=BLACK)
    c.rect(57, 80, 61, 84, WHITE)
    for i in range(3):
        c.line(20 + i * 30, 200, 40 + i * 30, 214, WHITE)
    c.text(20, 212, "VELTO", WHITE, 3, shadow=BLACK)
    return c


def mouse_picture(serial):
    """70 x 55, 256 colours: a mouse with its plug, a DB-9 for the serial
    mouse and a round mini-DIN for the PS/2 one."""
    palette = list(VGA) + [(i, i, i) for i in range(0, 256, 16)]
    palette += [(40 + i * 10, 70 + i * 8, 160 + i * 4) for i in range(16)]
    palette += [(0, 0, 0)] * (256 - len(palette))
    grey = lambda level: 16 + max(0, min(15, level))
    c = Canvas(70, 55, grey(12))
    for y in range(55):
        for x in range(70):
            c.put(x, y, grey(13 + (x + y) // 60))
    for y in range(55):
        for x in range(70):
            d = ((x - 22) / 17.0) ** 2 + ((y - 30) / 22.0) ** 2
            if d <= 1:
                shade = 15 - int(7 * (((x - 14) / 30.0) ** 2 + ((y - 16) / 40.0) ** 2) * 2)
                c.put(x, y, grey(max(6, shade)))
                if d > 0.88:
                    c.put(x, y, grey(3))
    c.line(22, 8, 22, 27, grey(3))
    c.line(6, 27, 38, 27, grey(3))
    c.rect(20, 14, 25, 24, grey(5))
    c.rect(21, 15, 24, 17, grey(10))
    c.line(22, 8, 30, 3, grey(2), 2)
    c.line(30, 3, 48, 6, grey(2), 2)
    c.line(48, 6, 50, 18, grey(2), 2)
    if serial:
        # DB-9: a trapezoid shell with two rows of pins.
        for y in range(18, 34):
            inset = (y - 18) // 4
            c.line(41 + inset, y, 63 - inset, y, 32 + 6)
        c.line(41, 18, 63, 18, grey(2))
        for i in range(5):
            c.put(45 + i * 4, 23, grey(1))
        for i in range(4):
            c.put(47 + i * 4, 28, grey(1))
        c.rect(46, 34, 58, 38, grey(5))
    else:
        # Mini-DIN: a round shell with six pins and a key.
        c.ellipse(52, 30, 11, 11, 32 + 9, outline=grey(2))
        for px, py in ((47, 27), (57, 27), (46, 32), (58, 32), (49, 36), (55, 36)):
            c.rect(px, py, px + 2, py + 2, grey(1))
        c.rect(51, 21, 54, 25, grey(3))
    return c, palette


def logo():
    """490 x 43, 16 colours; 0xFF00FF is transparent."""
    c = Canvas(490, 43, MAGENTA)
    c.text(4, 4, "VELTO", WHITE, 5, shadow=BLACK)
    for x in range(160, 486):
        y = 30 - int(14 * ((x - 160) / 326.0) ** 1.6)
        c.rect(x, y, x + 1, y + 3, YELLOW if x % 40 < 36 else OLIVE)
    c.text(175, 8, "WHEEL MOUSE", CYAN, 2, shadow=NAVY)
    return c


def mouse_icon():
    c = Canvas(32, 32, MAGENTA)
    c.ellipse(16, 18, 10, 13, SILVER, outline=BLACK)
    c.line(16, 6, 16, 16, BLACK)
    c.line(6, 16, 26, 16, BLACK)
    c.rect(15, 9, 18, 14, GREY)
    c.line(16, 5, 22, 1, BLACK)
    return c


def disk_icon(done):
    c = Canvas(32, 32, MAGENTA)
    c.rect(4, 3, 28, 29, NAVY)
    c.rect(9, 3, 23, 12, SILVER)
    c.rect(18, 5, 21, 10, NAVY)
    c.rect(7, 16, 25, 29, WHITE)
    for y in (19, 22, 25):
        c.line(9, y, 23, y, GREY)
    if done:
        c.line(12, 23, 16, 27, GREEN, 3)
        c.line(16, 27, 27, 12, GREEN, 3)
    return c


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), '..', 'res', 'art')
    os.makedirs(out, exist_ok=True)
    files = {
        'side.bmp': bmp_bytes(side_picture(), VGA, 4),
        'logo.bmp': bmp_bytes(logo(), VGA, 4),
        'setup.ico': ico_bytes(mouse_icon(), MAGENTA),
        'disk.ico': ico_bytes(disk_icon(False), MAGENTA),
        'diskdone.ico': ico_bytes(disk_icon(True), MAGENTA),
    }
    for name, serial in (('serial.bmp', True), ('ps2.bmp', False)):
        picture, palette = mouse_picture(serial)
        files[name] = bmp_bytes(picture, palette, 8)
    for name, data in sorted(files.items()):
        with open(os.path.join(out, name), 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main()
