#!/usr/bin/python3
"""Draws the message box's pictures: the strip of button icons (boxbuttons.bmp) and the
three animations (boxerror.gif, boxquestion.gif, boxother.gif). Standard library only;
run it in this folder and commit what it writes."""

import math
import struct

from bmpfile import write_bmp24

# Button icons: 32 x 26 each, on white (the image list's mask colour).
ICON_W, ICON_H = 32, 26
WHITE = (255, 255, 255)


def blank(width, height, fill):
    return [[fill] * width for _ in range(height)]


def near_segment(x, y, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / float(dx * dx + dy * dy)))
    return math.hypot(x - (ax + t * dx), y - (ay + t * dy))


def stroke(canvas, points, width, colour, ox=0, oy=0):
    for y in range(len(canvas)):
        for x in range(len(canvas[0])):
            cx, cy = x + 0.5 - ox, y + 0.5 - oy
            for (ax, ay), (bx, by) in zip(points, points[1:]):
                if near_segment(cx, cy, ax, ay, bx, by) <= width / 2.0:
                    canvas[y][x] = colour
                    break


def disc(canvas, cx, cy, radius, colour):
    for y in range(len(canvas)):
        for x in range(len(canvas[0])):
            if math.hypot(x + 0.5 - cx, y + 0.5 - cy) <= radius:
                canvas[y][x] = colour


def polygon(canvas, points, colour, ox=0, oy=0):
    n = len(points)
    for y in range(len(canvas)):
        for x in range(len(canvas[0])):
            px, py = x + 0.5 - ox, y + 0.5 - oy
            inside = False
            for i in range(n):
                (ax, ay), (bx, by) = points[i], points[(i + 1) % n]
                if (ay > py) != (by > py) and px < ax + (py - ay) * (bx - ax) / (by - ay):
                    inside = not inside
            if inside:
                canvas[y][x] = colour


def arc(canvas, cx, cy, radius, width, start, end, colour, ox=0):
    for y in range(len(canvas)):
        for x in range(len(canvas[0])):
            dx, dy = x + 0.5 - ox - cx, y + 0.5 - cy
            angle = math.degrees(math.atan2(-dy, dx)) % 360
            if abs(math.hypot(dx, dy) - radius) <= width / 2.0 and start <= angle <= end:
                canvas[y][x] = colour


GLYPHS = {
    "?": [".###.", "#...#", "....#", "...#.", "..#..", ".....", "..#.."],
    "!": ["..#..", "..#..", "..#..", "..#..", "..#..", ".....", "..#.."],
}


def glyph(canvas, char, left, top, scale, colour):
    for row, line in enumerate(GLYPHS[char]):
        for col, mark in enumerate(line):
            if mark != "#":
                continue
            for y in range(top + row * scale, top + (row + 1) * scale):
                for x in range(left + col * scale, left + (col + 1) * scale):
                    if 0 <= y < len(canvas) and 0 <= x < len(canvas[0]):
                        canvas[y][x] = colour


def button_strip():
    strip = blank(ICON_W * 6, ICON_H, WHITE)
    icons = [blank(ICON_W, ICON_H, WHITE) for _ in range(6)]
    # 0 OK / Yes: a green tick.
    stroke(icons[0], [(8, 13), (13, 19), (24, 6)], 4, (0, 140, 40))
    # 1 Cancel / No: a red cross.
    stroke(icons[1], [(9, 5), (23, 20)], 4, (200, 30, 30))
    stroke(icons[1], [(23, 5), (9, 20)], 4, (200, 30, 30))
    # 2 is not used.
    # 3 Abort: a stop sign.
    octagon = [(16 + 10 * math.cos(math.radians(22.5 + 45 * i)),
                13 + 10 * math.sin(math.radians(22.5 + 45 * i))) for i in range(8)]
    polygon(icons[3], octagon, (170, 20, 20))
    stroke(icons[3], [(11, 13), (21, 13)], 3, (250, 240, 240))
    # 4 Retry: a blue circular arrow.
    arc(icons[4], 16, 13, 8, 3, 60, 360, (30, 80, 190))
    polygon(icons[4], [(19, 1), (27, 6), (19, 11)], (30, 80, 190))
    # 5 Ignore: a grey arrow stepping over a bar.
    stroke(icons[5], [(6, 17), (11, 8), (21, 8)], 3, (90, 90, 90))
    polygon(icons[5], [(20, 3), (27, 8), (20, 13)], (90, 90, 90))
    stroke(icons[5], [(14, 20), (26, 20)], 3, (210, 140, 0))
    for i, icon in enumerate(icons):
        for y in range(ICON_H):
            strip[y][i * ICON_W:(i + 1) * ICON_W] = icon[y]
    return strip


# Animations: 32 x 32, 256-entry table, index 0 transparent.
ANIM = 32


def lzw_literals(indices):
    # Every pixel as a literal 9-bit code; a clear code before the table would need a
    # wider code keeps the width fixed.
    codes, since_clear = [256], 0
    for index in indices:
        if since_clear == 254:
            codes.append(256)
            since_clear = 0
        codes.append(index)
        since_clear += 1
    codes.append(257)
    data, bits, count = bytearray(), 0, 0
    for code in codes:
        bits |= code << count
        count += 9
        while count >= 8:
            data.append(bits & 0xFF)
            bits >>= 8
            count -= 8
    if count:
        data.append(bits & 0xFF)
    blocks = bytearray([8])
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        blocks += bytes([len(chunk)]) + chunk
    return blocks + b"\x00"


def write_gif(path, palette, frames, delay):
    table = bytearray()
    for colour in palette + [(0, 0, 0)] * (256 - len(palette)):
        table += bytes(colour)
    out = bytearray(b"GIF89a") + struct.pack("<HHBBB", ANIM, ANIM, 0xF7, 0, 0) + table
    out += b"\x21\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00"
    for frame in frames:
        out += b"\x21\xf9\x04" + struct.pack("<BHBB", 0x05, delay, 0, 0)
        out += b"\x2c" + struct.pack("<HHHHB", 0, 0, ANIM, ANIM, 0)
        out += lzw_literals([index for row in frame for index in row])
    out += b"\x3b"
    with open(path, "wb") as f:
        f.write(out)


def glinting_disc(body, mark, draw_mark):
    # A disc with a light glint circling its rim; index 1 is the rim, 2 the body, 3 the
    # glint, 4 the mark.
    frames = []
    for step in range(4):
        canvas = blank(ANIM, ANIM, 0)
        disc(canvas, 16, 16, 15, 1)
        disc(canvas, 16, 16, 13.5, 2)
        angle = math.radians(135 - 90 * step)
        disc(canvas, 16 + 9 * math.cos(angle), 16 - 9 * math.sin(angle), 3, 3)
        draw_mark(canvas, step)
        frames.append(canvas)
    return [(0, 0, 0), tuple(max(0, c - 70) for c in body), body,
            tuple(min(255, c + 90) for c in body), mark], frames


def error_mark(canvas, step):
    stroke(canvas, [(10, 10), (22, 22)], 4, 4)
    stroke(canvas, [(22, 10), (10, 22)], 4, 4)


def question_mark(canvas, step):
    glyph(canvas, "?", 9, 6 + (0, 1, 2, 1)[step], 3, 4)


def warning_frames():
    frames = []
    for step in range(4):
        canvas = blank(ANIM, ANIM, 0)
        polygon(canvas, [(16, 1), (31, 29), (1, 29)], 1)
        polygon(canvas, [(16, 5), (27.5, 27), (4.5, 27)], 2 if step % 2 == 0 else 3)
        glyph(canvas, "!", 11, 10, 2, 4)
        frames.append(canvas)
    return [(0, 0, 0), (150, 110, 0), (250, 200, 20), (255, 225, 90), (20, 20, 20)], frames


def main():
    write_bmp24("boxbuttons.bmp", button_strip())
    palette, frames = glinting_disc((210, 30, 30), (255, 255, 255), error_mark)
    write_gif("boxerror.gif", palette, frames, 20)
    palette, frames = glinting_disc((40, 90, 200), (255, 255, 255), question_mark)
    write_gif("boxquestion.gif", palette, frames, 20)
    palette, frames = warning_frames()
    write_gif("boxother.gif", palette, frames, 40)


if __name__ == "__main__":
    main()
