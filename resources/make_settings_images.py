#!/usr/bin/env python3
"""Draws bitmap 6, cookies.bmp: 16x16 images, white is the mask; 0 a cookie and 1 a domain
for the settings dialog's cookie tree, then 2-7 the kinds of a link in the link list:
application, audio, HTML, image, text, video. Also hand.cur (the link cursor, a pointing
hand). Run from this folder; the outputs are committed."""
import math
import struct

from bmpfile import write_bmp24

WHITE = (255, 255, 255)


def cookie(x, y):
    cx, cy = 7.5, 7.5
    d = math.hypot(x - cx, y - cy)
    if d > 7.2:
        return WHITE
    if d > 6.2:
        return (120, 72, 24)
    if (x, y) in ((5, 5), (9, 4), (10, 9), (5, 10), (8, 7), (4, 8), (11, 6)):
        return (70, 40, 10)
    return (214, 160, 80)


def domain(x, y):
    cx, cy = 7.5, 7.5
    d = math.hypot(x - cx, y - cy)
    if d > 7.2:
        return WHITE
    if d > 6.2 or x in (7, 8) or y in (7, 8) or abs(math.hypot((x - cx) * 2.2, y - cy) - 7) < 0.8:
        return (16, 64, 160)
    return (120, 190, 240)


PAPER = (248, 248, 240)
INK = (64, 64, 64)


def page(x, y):
    """A sheet with a folded corner; None inside it, for the caller to fill."""
    if x < 2 or x > 13 or y > 15 or (x > 9 and y < x - 9):
        return WHITE
    if x in (2, 13) or y == 15 or (x > 9 and y == x - 9) or (x == 9 and y <= 4) or \
            (y == 4 and x >= 9):
        return INK
    return None


def application(x, y):
    if x < 1 or x > 14 or y < 2 or y > 13:
        return WHITE
    if x in (1, 14) or y in (2, 13):
        return INK
    if y in (3, 4):
        return (0, 84, 200) if x < 11 else (200, 40, 40) if x == 12 else (0, 84, 200)
    return (212, 208, 200)


NOTE = [
    '                ',
    '       XXXXXXX  ',
    '       XXXXXXX  ',
    '       X     X  ',
    '       X     X  ',
    '       X     X  ',
    '       X     X  ',
    '       X     X  ',
    '       X     X  ',
    '       X     X  ',
    '    XXXX  XXXX  ',
    '   XXXXX XXXXX  ',
    '   XXXXX XXXXX  ',
    '    XXX   XXX   ',
    '                ',
    '                ',
]


def audio(x, y):
    return (96, 32, 144) if NOTE[y][x] == 'X' else WHITE


def html(x, y):
    inside = page(x, y)
    if inside is not None:
        return inside
    d = math.hypot(x - 7.5, y - 9.5)
    if d <= 4.2:
        if d > 3.3 or x in (7, 8) or y in (9, 10):
            return (0, 96, 192)
        return (96, 176, 240)
    return PAPER


def image(x, y):
    if x > 15 or y < 2 or y > 13:
        return WHITE
    if x in (0, 15) or y in (2, 13):
        return (120, 80, 40)
    if math.hypot(x - 11, y - 5.5) < 1.8:
        return (255, 200, 0)
    if y > 8 + abs(x - 5) * 0.6:
        return (40, 150, 60)
    return (140, 200, 250)


def text(x, y):
    inside = page(x, y)
    if inside is not None:
        return inside
    if y in (7, 9, 11, 13) and 4 <= x <= 11 - (y == 13) * 3:
        return INK
    return PAPER


def video(x, y):
    if x < 1 or x > 14 or y < 1 or y > 14:
        return WHITE
    if x in (1, 2, 13, 14):
        return WHITE if y % 3 == 1 and x in (2, 13) else (32, 32, 32)
    if y in (1, 14) or y == 7 or y == 8:
        return (32, 32, 32)
    return (80, 140, 220)


IMAGES = [cookie, domain, application, audio, html, image, text, video]

HAND = [
    '     XX         ',
    '    X..X        ',
    '    X..X        ',
    '    X..X        ',
    '    X..X        ',
    '    X..XXX      ',
    '    X..X..XXX   ',
    '    X..X..X..XX ',
    'XXX X..X..X..X.X',
    'X..XX........X.X',
    'X...X..........X',
    ' X.............X',
    '  X............X',
    '  X...........X ',
    '   X..........X ',
    '   X.........X  ',
    '    X........X  ',
    '    X........X  ',
    '    XXXXXXXXXX  ',
]


def write_cursor(path):
    size = 32
    xor_rows, and_rows = [], []
    for y in range(size):
        line = HAND[y] if y < len(HAND) else ''
        xor_bits = and_bits = 0
        for x in range(size):
            ch = line[x] if x < len(line) else ' '
            bit = 1 << (31 - x)
            if ch == ' ':
                and_bits |= bit  # transparent
            elif ch == '.':
                xor_bits |= bit  # white
        xor_rows.append(struct.pack('>I', xor_bits))
        and_rows.append(struct.pack('>I', and_bits))
    image = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 1, 0, 0, 0, 0, 2, 0)
    image += bytes((0, 0, 0, 0, 255, 255, 255, 0))
    image += b''.join(reversed(xor_rows)) + b''.join(reversed(and_rows))
    hotspot = (5, 0)
    directory = struct.pack('<HHH', 0, 2, 1)
    entry = struct.pack('<BBBBHHII', size, size, 2, 0, hotspot[0], hotspot[1], len(image), 22)
    with open(path, 'wb') as f:
        f.write(directory + entry + image)


write_bmp24('cookies.bmp',
            [[IMAGES[x // 16](x % 16, y) for x in range(16 * len(IMAGES))] for y in range(16)])
write_cursor('hand.cur')
