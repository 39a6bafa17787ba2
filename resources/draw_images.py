#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Draws the program's pictures: the open-book icon (.ico with 32x32 and 16x16 images in the
standard 16 colours, plus PNG copies for the Linux desktop and XPM copies that the program builds
in, so that its window icon needs no image reader at start-up), the About picture (78x31 JPEG), and
the 48, 128 and 256 pixel PNGs of the scalable icon icons/rolvane.svg, which is drawn by hand.
Needs ImageMagick's convert and librsvg's rsvg-convert. Run from anywhere; writes next to this
script."""

import os
import struct
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))

# The standard 16-colour palette, in the order 4-bit bitmaps index it.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, MAROON, NAVY, SILVER, GREY, RED, BLUE, WHITE = 0, 1, 4, 7, 8, 9, 12, 15
CLEAR = None


def draw_book(size=32):
    """An open book seen from the front: two white pages whose top edges rise from the spine to
    the outer edges, ruled with lines of text, lying on a navy cover, with a red bookmark."""
    s = size / 32.0
    grid = [[CLEAR] * size for _ in range(size)]
    spine = size // 2  # first column of the right page
    margin = max(1, round(2 * s))
    rise = max(2, round(3 * s))
    height = round(17 * s)
    base = round(9 * s)

    def top(x):
        # Distance from the spine, 0 at the gutter and 1 at the outer edge, on a gentle curve.
        span = spine - 1 - margin
        d = (spine - 1 - x) / span if x < spine else (x - spine) / span
        return base - round(rise * d ** 0.8)

    # The cover shows one pixel (two at 32x32) beyond the pages at the sides and below.
    edge = 1 if size <= 16 else 2
    for x in range(margin - edge, size - margin + edge):
        xc = min(max(x, margin), size - 1 - margin)
        for y in range(top(xc) + edge, top(xc) + height + edge + 1):
            grid[y][x] = NAVY
    for x in range(margin - edge, size - margin + edge):
        xc = min(max(x, margin), size - 1 - margin)
        grid[top(xc) + height + edge][x] = BLACK
    for x in range(margin, size - margin):
        t, b = top(x), top(x) + height
        for y in range(t, b + 1):
            grid[y][x] = WHITE
        grid[t][x] = BLACK
        grid[b][x] = BLACK
    for x in (margin, size - 1 - margin):
        for y in range(top(x), top(x) + height + 1):
            grid[y][x] = BLACK
    # The gutter: a grey fold on each side of the spine.
    for y in range(top(spine), top(spine) + height):
        grid[y][spine - 1] = GREY
        grid[y][spine] = SILVER if size > 16 else GREY
    # Lines of text, a pixel row each, every three rows (two at 16x16).
    step = 3 if size > 16 else 2
    inset = max(2, round(3 * s))
    for x in list(range(margin + inset, spine - 1 - max(1, inset // 2))) + list(
            range(spine + 1 + max(1, inset // 2), size - margin - inset)):
        for y in range(top(x) + step, top(x) + height - 1, step):
            grid[y][x] = GREY if size > 16 else SILVER
    # A bookmark hanging from the gutter below the pages.
    mark = spine + max(1, round(3 * s))
    for y in range(top(mark) + height - 1, min(size, top(mark) + height + edge + round(4 * s))):
        grid[y][mark] = RED
    return grid


# At 16x16 the drawing above loses the fold and the curve of the pages, so the small image is
# drawn pixel by pixel in the same colours: K black, W white, G grey, S silver, N navy, R red.
SMALL_BOOK = """
................
................
.KKK........KKK.
.KWWKKK..KKKWWK.
.KWWWWWKKWWWWWK.
NKWGGGWGSWGGGWKN
NKWWWWWGSWWWWWKN
NKWGGGWGSWGGGWKN
NKWWWWWGSWWWWWKN
NKWGGGWGSWGGGWKN
NKWWWWWGSWWWWWKN
NKWGGWWGSWWGGWKN
NKKKWWWGSWWWKKKN
NNNNKKKKKKKKNNNN
.NNNNNNNNNNRNNN.
...........R....
"""
LETTERS = {'.': CLEAR, 'K': BLACK, 'W': WHITE, 'G': GREY, 'S': SILVER, 'N': NAVY, 'R': RED}


def small_book():
    rows = SMALL_BOOK.split()
    assert len(rows) == 16 and all(len(r) == 16 for r in rows)
    return [[LETTERS[c] for c in row] for row in rows]


def bitmap_entry(grid):
    """One icon image: BITMAPINFOHEADER, palette, 4-bit colour rows, 1-bit transparency mask,
    both bottom-up with rows padded to four bytes."""
    size = len(grid)
    colour_row = (size * 4 + 31) // 32 * 4
    mask_row = (size + 31) // 32 * 4
    colours = bytearray()
    mask = bytearray()
    for row in reversed(grid):
        packed = bytearray(colour_row)
        bits = bytearray(mask_row)
        for x, index in enumerate(row):
            value = 0 if index is CLEAR else index
            packed[x // 2] |= value << (4 if x % 2 == 0 else 0)
            if index is CLEAR:
                bits[x // 8] |= 0x80 >> (x % 8)
        colours += packed
        mask += bits
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, len(colours) + len(mask),
                         0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + bytes(colours) + bytes(mask)


def write_ico(path, grids):
    images = [bitmap_entry(g) for g in grids]
    offset = 6 + 16 * len(images)
    data = struct.pack('<HHH', 0, 1, len(images))
    for grid, image in zip(grids, images):
        size = len(grid)
        data += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    with open(path, 'wb') as out:
        out.write(data + b''.join(images))


def write_xpm(path, grid):
    """The image as XPM, a C array: one character per palette index, a blank where clear."""
    size = len(grid)
    name = os.path.basename(path).replace('-', '_').replace('.', '_')
    symbols = '0123456789abcdef'
    used = sorted({i for row in grid for i in row if i is not CLEAR})
    lines = ['"%d %d %d 1",' % (size, size, len(used) + 1), '"  c None",']
    lines += ['"%s c #%02X%02X%02X",' % ((symbols[i],) + PALETTE[i]) for i in used]
    lines += ['"%s",' % ''.join(' ' if i is CLEAR else symbols[i] for i in row) for row in grid]
    lines[-1] = lines[-1].rstrip(',')
    with open(path, 'w') as out:
        out.write('/* XPM */\n/* Written by draw_images.py from the same drawing as rolvane.ico. */\n')
        out.write('static const char* const %s[] = {\n' % name)
        out.write(''.join('    %s\n' % line for line in lines))
        out.write('};\n')


def convert(*args):
    subprocess.run(['convert', *args], check=True)


def mark_jfif_102(path):
    """libjpeg writes JFIF 1.01; the picture is to say 1.02 (same layout, version bytes only)."""
    with open(path, 'rb') as f:
        data = bytearray(f.read())
    at = data.find(b'JFIF\0')
    if data[:4] != b'\xff\xd8\xff\xe0' or at != 6:
        sys.exit('no JFIF header where expected in ' + path)
    data[at + 5:at + 7] = b'\x01\x02'
    with open(path, 'wb') as f:
        f.write(data)


def main():
    icons = os.path.join(HERE, 'icons')
    pictures = os.path.join(HERE, 'pictures')
    os.makedirs(icons, exist_ok=True)
    os.makedirs(pictures, exist_ok=True)
    large, small = draw_book(32), small_book()
    write_ico(os.path.join(icons, 'rolvane.ico'), [large, small])
    for grid in (large, small):
        write_xpm(os.path.join(icons, 'rolvane-%d.xpm' % len(grid)), grid)
    for grid in (large, small):
        size = len(grid)
        convert(os.path.join(icons, 'rolvane.ico') + '[%d]' % (0 if size == 32 else 1),
                '-strip', 'PNG32:' + os.path.join(icons, 'rolvane-%d.png' % size))

    # The About picture: the small book on a band of blue with the program's name beside it.
    book = os.path.join(icons, 'rolvane-16.png')
    font = '/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf'
    convert('-size', '31x78', 'gradient:#1c3f94-#000080', '-rotate', '-90',
            book, '-geometry', '+6+7', '-composite',
            '-font', font, '-pointsize', '13', '-fill', 'white',
            '-annotate', '+26+20', 'Rolvane',
            '-fill', '#c0c0c0', '-draw', 'line 26,23 73,23',
            '-strip', '-colorspace', 'sRGB', '-type', 'TrueColor',
            '-sampling-factor', '2x2,1x1,1x1', '-interlace', 'none', '-quality', '92',
            'JPEG:' + os.path.join(pictures, 'about.jpg'))
    mark_jfif_102(os.path.join(pictures, 'about.jpg'))

    for size in (48, 128, 256):
        subprocess.run(['rsvg-convert', '-w', str(size), '-h', str(size),
                        os.path.join(icons, 'rolvane.svg'),
                        '-o', os.path.join(icons, 'rolvane-%d.png' % size)], check=True)


if __name__ == '__main__':
    main()
