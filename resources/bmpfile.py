"""Writes Windows BMP files for the picture generators of this folder."""
import struct


def write_bmp(path, width, height, bits, table, body, used=0):
    """body: the rows bottom-up, each padded to 4 bytes; table: the colour table's bytes."""
    offset = 14 + 40 + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(body), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(body),
                       2835, 2835, used, used)
    with open(path, "wb") as out:
        out.write(header + info + table + body)


def write_bmp24(path, pixels):
    """pixels: rows top-down of (r, g, b)."""
    height, width = len(pixels), len(pixels[0])
    stride = (width * 3 + 3) & ~3
    body = bytearray()
    for row in reversed(pixels):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        body += line + bytes(stride - len(line))
    write_bmp(path, width, height, 24, b"", body)
