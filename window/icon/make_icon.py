#!/usr/bin/env python3
"""Draws the program's icon, a calendar page with a clock in its corner: the window icon as
32x32 and 16x16 XPM files, and PNG files of 16, 32, 48 and 64 pixels for the desktop's icon
theme. Run it from this folder to make them again."""

import struct
import zlib

PALETTE = {
    ' ': None,        # transparent
    'k': '#202020',   # outline
    'r': '#B22222',   # binding
    'w': '#FFFFFF',   # page
    'g': '#C0C0C0',   # grid
    'G': '#00C000',   # clock green, as in the window's clock
    'd': '#404040',   # dark grey of the clock face
    's': '#808080',   # rings
}


def draw(size):
    px = [[' '] * size for _ in range(size)]
    u = size / 32.0

    def rect(x0, y0, x1, y1, c):
        for y in range(round(y0 * u), round(y1 * u)):
            for x in range(round(x0 * u), round(x1 * u)):
                if 0 <= x < size and 0 <= y < size:
                    px[y][x] = c

    rect(2, 4, 30, 30, 'k')        # page outline
    rect(3, 5, 29, 29, 'w')        # page
    rect(3, 5, 29, 11, 'r')        # red binding strip
    for x in (8, 16, 23):          # rings
        rect(x, 2, x + 2, 8, 's')
    for gx in range(5, 27, 6):     # day grid
        for gy in range(13, 28, 5):
            rect(gx, gy, gx + 4, gy + 3, 'g')
    rect(17, 18, 29, 30, 'k')      # clock face in the corner
    rect(18, 19, 28, 29, 'd')
    rect(22, 20, 24, 25, 'G')      # hands: twelve and three
    rect(22, 23, 27, 25, 'G')
    return px


def xpm(name, px):
    used = sorted({c for row in px for c in row})
    lines = ['/* XPM */', f'static const char *{name}[] = {{',
             f'"{len(px[0])} {len(px)} {len(used)} 1",']
    lines += [f'"{c} c {PALETTE[c] or "None"}",' for c in used]
    lines += [f'"{"".join(row)}",' for row in px]
    lines[-1] = lines[-1].rstrip(',')
    lines.append('};')
    return '\n'.join(lines) + '\n'


def png(px):
    def rgba(c):
        colour = PALETTE[c]
        if colour is None:
            return b'\0\0\0\0'
        return bytes.fromhex(colour[1:]) + b'\xff'

    raw = b''.join(b'\0' + b''.join(rgba(c) for c in row) for row in px)

    def chunk(kind, data):
        body = kind + data
        return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body))

    size = len(px)
    return (b'\x89PNG\r\n\x1a\n'
            + chunk(b'IHDR', struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


for size in (32, 16):
    with open(f'zentavo-{size}.xpm', 'w') as out:
        out.write(xpm(f'zentavo_{size}', draw(size)))
for size in (16, 32, 48, 64):
    with open(f'zentavo-{size}.png', 'wb') as out:
        out.write(png(draw(size)))
