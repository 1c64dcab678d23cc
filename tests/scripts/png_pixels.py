#!/usr/bin/env python3
"""Decodes 8-bit RGB/RGBA PNG files (any filter, no interlace) to their
pixels, for the script checks: `png_pixels.py md5 FILE...` prints the md5 of
each file's decoded RGBA rows (top first) and its size; `png_pixels.py crop
FILE X Y W H` prints the md5 of a region (from the top left) the same way;
`png_pixels.py black FILE X Y W H` exits 1 unless the region is opaque black;
`png_pixels.py near A X Y B X Y W H` exits 1 unless the regions of A and B
at their corners differ by at most 4 levels and in under 1 % of the pixels
(a picture drawn at another place of the drawable rounds a few edges
otherwise)."""
import hashlib
import struct
import sys
import zlib


def decode(path):
    data = open(path, 'rb').read()
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        raise SystemExit(path + ': not a PNG file')
    at, idat, width, height, channels = 8, [], 0, 0, 0
    while at < len(data):
        length, kind = struct.unpack('>I4s', data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b'IHDR':
            width, height, depth, colour, _, _, interlace = struct.unpack('>IIBBBBB', body)
            if depth != 8 or colour not in (2, 6) or interlace:
                raise SystemExit(path + ': only 8-bit RGB or RGBA without interlace')
            channels = 4 if colour == 6 else 3
        elif kind == b'IDAT':
            idat.append(body)
        at += 12 + length
    raw = zlib.decompress(b''.join(idat))
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride if kind else 0):
            a = line[i - channels] if i >= channels else 0
            b = previous[i]
            c = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line) if channels == 4 else
                    b''.join(bytes(line[x * 3:x * 3 + 3]) + b'\xff' for x in range(width)))
        previous = line
    return width, height, rows


def region(rows, x, y, w, h):
    return b''.join(row[x * 4:(x + w) * 4] for row in rows[y:y + h])


command = sys.argv[1]
if command == 'md5':
    for path in sys.argv[2:]:
        width, height, rows = decode(path)
        print(hashlib.md5(b''.join(rows)).hexdigest(), '%dx%d' % (width, height), path)
elif command == 'near':
    _, _, a = decode(sys.argv[2])
    _, _, b = decode(sys.argv[5])
    ax, ay, bx, by, w, h = (int(v) for v in sys.argv[3:5] + sys.argv[6:10])
    pa, pb = region(a, ax, ay, w, h), region(b, bx, by, w, h)
    differing = worst = 0
    for i in range(0, len(pa), 4):
        d = max(abs(pa[i + c] - pb[i + c]) for c in range(3))
        differing += d > 0
        worst = max(worst, d)
    if worst > 4 or differing * 100 >= w * h:
        print('%d pixels differ, by up to %d' % (differing, worst))
        sys.exit(1)
else:
    width, height, rows = decode(sys.argv[2])
    x, y, w, h = (int(v) for v in sys.argv[3:7])
    pixels = region(rows, x, y, w, h)
    if command == 'crop':
        print(hashlib.md5(pixels).hexdigest())
    elif command == 'black':
        sys.exit(0 if pixels == b'\x00\x00\x00\xff' * (w * h) else 1)
