#!/usr/bin/env python3
"""png-pixels.py A.png B.png: exits 0 when the two pictures hold the same
pixels (8-bit RGB or RGBA, any filter): the desktop's libpng and the web
build's encoder write the same picture as different bytes."""
import struct, sys, zlib


def pixels(path):
    data = open(path, "rb").read()
    pos, idat, head = 8, b"", None
    while pos < len(data):
        size, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + size]
        if kind == b"IHDR":
            head = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + size
    width, height, depth, colour = head[0], head[1], head[2], head[3]
    bpp = {2: 3, 6: 4}[colour] if depth == 8 else None
    raw, stride, out, prev = zlib.decompress(idat), width * bpp, [], bytearray(width * bpp)
    for y in range(height):
        f, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b, c = prev[i], prev[i - bpp] if i >= bpp else 0
            if f == 1: line[i] = (line[i] + a) & 255
            elif f == 2: line[i] = (line[i] + b) & 255
            elif f == 3: line[i] = (line[i] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        out.append(bytes(line[j] for j in range(stride) if bpp == 3 or j % 4 != 3))
        prev = line
    return width, height, b"".join(out)


sys.exit(0 if pixels(sys.argv[1]) == pixels(sys.argv[2]) else 1)
