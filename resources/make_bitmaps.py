#!/usr/bin/python3
"""Draws the toolbar and menu images of the program and writes them as BMP files.

Run from this folder: ./make_bitmaps.py. Writes into bitmaps/ toolbar.bmp (twelve 24x24 images),
toolbar-hot.bmp, toolbar-disabled.bmp (white is transparent), toolbar-8bit.bmp (the same
images in the 16 standard colours on the mask colour 0x808000) and menu.bmp (thirteen 16x16 images,
white transparent).
"""
import math

from bmpfile import write_bmp, write_bmp24

WHITE = (255, 255, 255)
TEAL = (0, 128, 128)  # COLORREF 0x808000
OUTLINE = (40, 40, 40)


class Canvas:
    def __init__(self, width, height, background):
        self.width, self.height = width, height
        self.pixels = [[background] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour


class Cell:
    """One image of a strip; shapes are given on a 0..1 square."""

    def __init__(self, canvas, left, size):
        self.canvas, self.left, self.size = canvas, left, size

    def _px(self, v):
        return v * self.size

    def fill(self, inside, colour):
        for y in range(self.size):
            for x in range(self.size):
                if inside((x + 0.5) / self.size, (y + 0.5) / self.size):
                    self.canvas.put(self.left + x, y, colour)

    def rect(self, x0, y0, x1, y1, colour, outline=OUTLINE):
        self.fill(lambda x, y: x0 <= x <= x1 and y0 <= y <= y1, outline)
        t = 1.0 / self.size
        self.fill(lambda x, y: x0 + t <= x <= x1 - t and y0 + t <= y <= y1 - t, colour)

    def polygon(self, points, colour):
        def inside(x, y):
            hit = False
            for i in range(len(points)):
                (ax, ay), (bx, by) = points[i], points[i - 1]
                if (ay > y) != (by > y) and x < (bx - ax) * (y - ay) / (by - ay) + ax:
                    hit = not hit
            return hit
        self.fill(inside, colour)

    def disc(self, cx, cy, r, colour):
        self.fill(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r, colour)

    def ring(self, cx, cy, r0, r1, colour):
        self.fill(lambda x, y: r0 * r0 <= (x - cx) ** 2 + (y - cy) ** 2 <= r1 * r1, colour)


def page(c, colour=(250, 250, 250)):
    c.polygon([(0.18, 0.06), (0.62, 0.06), (0.84, 0.28), (0.84, 0.94), (0.18, 0.94)], OUTLINE)
    c.polygon([(0.23, 0.11), (0.6, 0.11), (0.79, 0.3), (0.79, 0.89), (0.23, 0.89)], colour)
    c.polygon([(0.6, 0.11), (0.79, 0.3), (0.6, 0.3)], (190, 190, 190))


def draw_new(c, hue):
    page(c, (254, 254, 240))
    c.disc(0.72, 0.74, 0.2, hue((240, 200, 40)))


def draw_open(c, hue):
    c.rect(0.06, 0.22, 0.5, 0.4, hue((230, 180, 60)))
    c.rect(0.06, 0.3, 0.94, 0.86, hue((245, 200, 80)))
    c.polygon([(0.2, 0.5), (0.98, 0.5), (0.86, 0.86), (0.06, 0.86)], hue((250, 220, 120)))


def draw_save(c, hue):
    c.rect(0.1, 0.1, 0.9, 0.9, hue((50, 80, 170)))
    c.rect(0.26, 0.1, 0.74, 0.42, (250, 250, 250))
    c.rect(0.3, 0.6, 0.7, 0.9, hue((180, 180, 190)))


def draw_settings(c, hue):
    teeth = []
    for i in range(16):
        a = i * math.pi / 8
        r = 0.44 if i % 2 == 0 else 0.32
        teeth.append((0.5 + r * math.cos(a), 0.5 + r * math.sin(a)))
    c.polygon(teeth, hue((110, 110, 130)))
    c.disc(0.5, 0.5, 0.14, WHITE)


def draw_start(c, hue):
    c.polygon([(0.22, 0.1), (0.88, 0.5), (0.22, 0.9)], OUTLINE)
    c.polygon([(0.27, 0.19), (0.8, 0.5), (0.27, 0.81)], hue((40, 170, 60)))


def draw_pause(c, hue):
    c.rect(0.18, 0.12, 0.42, 0.88, hue((50, 110, 210)))
    c.rect(0.58, 0.12, 0.82, 0.88, hue((50, 110, 210)))


def draw_stop(c, hue):
    c.rect(0.14, 0.14, 0.86, 0.86, hue((210, 50, 40)))


def draw_globe(c, hue):
    c.disc(0.5, 0.5, 0.44, OUTLINE)
    c.disc(0.5, 0.5, 0.4, hue((70, 150, 220)))
    c.polygon([(0.3, 0.22), (0.55, 0.2), (0.5, 0.45), (0.28, 0.55)], hue((60, 170, 70)))
    c.polygon([(0.6, 0.55), (0.8, 0.5), (0.72, 0.82)], hue((60, 170, 70)))


def draw_export(c, hue):
    page(c)
    c.polygon([(0.3, 0.5), (0.62, 0.5), (0.62, 0.36), (0.96, 0.62), (0.62, 0.88), (0.62, 0.74),
               (0.3, 0.74)], hue((40, 160, 60)))


def window_frame(c, hue):
    c.rect(0.06, 0.1, 0.94, 0.9, (250, 250, 250))
    c.rect(0.06, 0.1, 0.94, 0.24, hue((40, 80, 170)))


def draw_framed(c, hue):
    window_frame(c, hue)
    c.rect(0.12, 0.3, 0.88, 0.56, hue((210, 225, 245)))
    c.rect(0.12, 0.62, 0.88, 0.84, hue((245, 215, 210)))


def draw_tabbed(c, hue):
    window_frame(c, hue)
    c.rect(0.12, 0.3, 0.4, 0.42, hue((210, 225, 245)))
    c.rect(0.4, 0.3, 0.68, 0.42, (220, 220, 220))
    c.rect(0.12, 0.42, 0.88, 0.84, hue((210, 225, 245)))


def glyph(c, rows, colour):
    """A 5x7 dot glyph centred in the cell."""
    dot = 0.09
    for j, row in enumerate(rows):
        for i, ch in enumerate(row):
            if ch == '#':
                x, y = 0.275 + i * dot, 0.185 + j * dot
                c.fill(lambda px, py, x=x, y=y: x <= px < x + dot and y <= py < y + dot, colour)


def draw_help(c, hue):
    c.disc(0.5, 0.5, 0.46, OUTLINE)
    c.disc(0.5, 0.5, 0.42, hue((40, 100, 200)))
    glyph(c, [" ### ", "#   #", "    #", "   # ", "  #  ", "     ", "  #  "], WHITE)


def draw_about(c, hue):
    c.disc(0.5, 0.5, 0.46, OUTLINE)
    c.disc(0.5, 0.5, 0.42, hue((40, 100, 200)))
    glyph(c, ["  #  ", "     ", " ##  ", "  #  ", "  #  ", "  #  ", " ### "], WHITE)


TOOLBAR = [draw_new, draw_open, draw_save, draw_start, draw_pause, draw_stop, draw_globe,
           draw_settings, draw_export, draw_framed, draw_tabbed, draw_help]
MENU = [draw_new, draw_open, draw_save, draw_settings, draw_start, draw_pause, draw_stop,
        draw_export, draw_help, draw_framed, draw_tabbed, draw_globe, draw_about]


def plain(colour):
    return colour


def hot(colour):
    return tuple(min(255, int(v * 1.15 + 20)) for v in colour)


def grey(colour):
    level = int(0.3 * colour[0] + 0.59 * colour[1] + 0.11 * colour[2])
    level = 128 + level // 2
    return (level, level, level)


def strip(images, size, hue, background=WHITE):
    canvas = Canvas(size * len(images), size, background)
    for i, draw in enumerate(images):
        draw(Cell(canvas, i * size, size), hue)
    if hue is grey:
        for row in canvas.pixels:
            for x, colour in enumerate(row):
                if colour != background and colour != WHITE:
                    row[x] = grey(colour)
    return canvas


def bmp24(canvas, path):
    write_bmp24(path, canvas.pixels)


# The 16 colours every 8-bit display palette holds, so the strip shows unchanged there.
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def nearest_vga(colour):
    """The mask colour stays only where it was drawn: no image pixel becomes transparent."""
    if colour == TEAL:
        return TEAL
    def saturation(c):
        return (max(c) - min(c)) / 255

    def distance(v):
        close = sum((a - b) ** 2 for a, b in zip(v, colour))
        return close + 20000 * abs(saturation(colour) - saturation(v))  # keep colours coloured
    return min((v for v in VGA if v != TEAL), key=distance)


def bmp8(canvas, path):
    palette = []
    index = {}
    canvas.pixels = [[nearest_vga(c) for c in row] for row in canvas.pixels]
    for row in canvas.pixels:
        for colour in row:
            if colour not in index:
                index[colour] = len(palette)
                palette.append(colour)
    if len(palette) > 256:
        raise SystemExit("more than 256 colours in " + path)
    stride = (canvas.width + 3) & ~3
    body = bytearray()
    for row in reversed(canvas.pixels):
        line = bytes(index[c] for c in row)
        body += line + bytes(stride - len(line))
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    write_bmp(path, canvas.width, canvas.height, 8, table, body, len(palette))


def main():
    bmp24(strip(TOOLBAR, 24, plain), "bitmaps/toolbar.bmp")
    bmp24(strip(TOOLBAR, 24, hot), "bitmaps/toolbar-hot.bmp")
    bmp24(strip(TOOLBAR, 24, grey), "bitmaps/toolbar-disabled.bmp")
    bmp8(strip(TOOLBAR, 24, plain, TEAL), "bitmaps/toolbar-8bit.bmp")
    bmp24(strip(MENU, 16, plain), "bitmaps/menu.bmp")


if __name__ == "__main__":
    main()
