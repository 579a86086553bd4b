#!/usr/bin/env python3
"""Draws the settings dialog's images: cookies.bmp (two 16x16 tree images, white is the
mask: 0 a cookie, 1 a domain) and hand.cur (the link cursor, a pointing hand).
Run from this folder; the outputs are committed."""
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
            [[cookie(x, y) if x < 16 else domain(x - 16, y) for x in range(32)] for y in range(16)])
write_cursor('hand.cur')
