#!/usr/bin/env python3
"""Draws the caption-button bitmaps of the Macintosh-style window frame (windows/bitmaps/*.bmp).

Four sets: colour and monochrome, each with and without the three-dimensional look. The
three-dimensional pictures are glyphs drawn on a button face; the others are whole boxes in the
classic style, 13 pixels square. Run it again after changing a drawing; the bitmaps are checked in."""
import os
import struct

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'windows', 'bitmaps')
BLACK, WHITE, FACE, SHADOW = (0, 0, 0), (255, 255, 255), (192, 192, 192), (128, 128, 128)


def canvas(w, h, colour):
    return [[colour] * w for _ in range(h)]


def rect(img, l, t, r, b, colour):
    for x in range(l, r):
        img[t][x] = colour
        img[b - 1][x] = colour
    for y in range(t, b):
        img[y][l] = colour
        img[y][r - 1] = colour


def line(img, x0, y0, x1, y1, colour):
    n = max(abs(x1 - x0), abs(y1 - y0))
    for i in range(n + 1):
        img[y0 + (y1 - y0) * i // n][x0 + (x1 - x0) * i // n] = colour


def write_bmp(name, img, mono):
    h, w = len(img), len(img[0])
    if mono:
        row = ((w + 31) // 32) * 4
        data = bytearray()
        for y in range(h - 1, -1, -1):
            bits = bytearray(row)
            for x in range(w):
                if img[y][x] != BLACK:
                    bits[x // 8] |= 0x80 >> (x % 8)
            data += bits
        palette = bytes([0, 0, 0, 0, 255, 255, 255, 0])
        bpp = 1
    else:
        row = ((w * 3 + 3) // 4) * 4
        data = bytearray()
        for y in range(h - 1, -1, -1):
            line_bytes = bytearray()
            for x in range(w):
                r, g, b = img[y][x]
                line_bytes += bytes([b, g, r])
            data += line_bytes + bytes(row - len(line_bytes))
        palette = b''
        bpp = 24
    offset = 14 + 40 + len(palette)
    header = struct.pack('<2sIHHI', b'BM', offset + len(data), 0, 0, offset)
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, bpp, 0, len(data), 2835, 2835, 2 if mono else 0, 0)
    with open(os.path.join(OUT, name + '.bmp'), 'wb') as f:
        f.write(header + info + palette + data)


def classic(kind, pressed, face):
    img = canvas(13, 13, face)
    rect(img, 0, 0, 13, 13, BLACK)
    if kind == 'Close' and pressed:
        for (x0, y0, x1, y1) in ((2, 2, 10, 10), (2, 10, 10, 2), (6, 1, 6, 11), (1, 6, 11, 6)):
            line(img, x0, y0, x1, y1, BLACK)
    if kind == 'Zoom':
        rect(img, 0, 0, 7, 7, BLACK)
    if kind == 'Restore':
        rect(img, 3, 3, 13, 13, BLACK)
        rect(img, 0, 0, 8, 8, BLACK)
    if pressed and kind != 'Close':
        for y in range(1, 12):
            for x in range(1, 12):
                img[y][x] = BLACK if img[y][x] != BLACK else face
    return img


def glyph(kind, face):
    img = canvas(10, 9, face)
    if kind == 'Close':
        for d in range(7):
            img[1 + d][1 + d] = img[1 + d][2 + d] = BLACK
            img[1 + d][7 - d] = img[1 + d][8 - d] = BLACK
    elif kind == 'Zoom':
        rect(img, 1, 0, 10, 9, BLACK)
        line(img, 1, 1, 9, 1, BLACK)
    else:
        rect(img, 3, 0, 10, 6, BLACK)
        line(img, 3, 1, 9, 1, BLACK)
        rect(img, 0, 3, 7, 9, BLACK)
        line(img, 0, 4, 6, 4, BLACK)
        for y in range(5, 8):
            for x in range(1, 6):
                img[y][x] = face
    return img


def main():
    os.makedirs(OUT, exist_ok=True)
    for kind in ('Close', 'Zoom', 'Restore'):
        # One picture for both states, black on white: drawn in black on the button face.
        write_bmp(kind + 'Button3D', glyph(kind, WHITE), True)
        for pressed, state in ((False, 'Up'), (True, 'Dn')):
            write_bmp(kind + 'Button' + state, classic(kind, pressed, WHITE), False)
            write_bmp(kind + 'Button' + state + 'Mono', classic(kind, pressed, WHITE), True)
            img = glyph(kind, WHITE)
            if pressed:
                img = [[WHITE] + r[:-1] for r in img]
            write_bmp(kind + 'Button' + state + 'Mono3D', img, True)


main()
