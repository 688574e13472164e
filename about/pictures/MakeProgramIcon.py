#!/usr/bin/env python3
"""Draws ProgramIcon.png, the About box's picture: a night-sky disc with a cluster of seven
hexagonal sensor pixels, and the same picture as the program's icon in the sizes the desktop's
icon theme asks for (app/icons/hicolor). Standard library only; run it again after changing the drawing."""
import math
import os
import struct
import zlib

SIZE = 120  # the drawing's own coordinates; other sizes are scaled from them
ICON_SIZES = (48, 64, 128, 256)
SAMPLES = 4  # per axis, for smooth edges

SKY_TOP = (18, 32, 84)
SKY_BOTTOM = (54, 92, 150)
RIM = (230, 236, 245)
PIXEL_FACE = (250, 204, 88)
PIXEL_CENTRE = (255, 246, 200)
PIXEL_EDGE = (120, 82, 20)
STARS = [(28, 34, 1.6), (90, 26, 1.3), (98, 62, 1.1), (22, 78, 1.2), (70, 18, 0.9), (40, 96, 1.0), (86, 94, 1.4)]


def hexagon_distance(x, y, cx, cy, radius):
    """How far (x, y) lies inside a pointy-top hexagon, in units of its inner radius: below 1 is inside."""
    dx, dy = abs(x - cx), abs(y - cy)
    inner = radius * math.sqrt(3) / 2
    return max(dx / inner, (dx * 0.5 + dy * math.sqrt(3) / 2) / inner)


HEX_RADIUS = 13.0
HEX_STEP = HEX_RADIUS * math.sqrt(3) + 2.5
CENTRES = [(60.0, 60.0)] + [(60 + HEX_STEP * math.cos(math.radians(a)), 60 + HEX_STEP * math.sin(math.radians(a)))
                            for a in range(30, 390, 60)]


def colour_at(x, y):
    """RGBA of one sample point."""
    r = math.hypot(x - 60, y - 60)
    if r > 58:
        return (0, 0, 0, 0)
    if r > 55:
        return RIM + (255,)
    t = y / SIZE
    colour = tuple(int(a + (b - a) * t) for a, b in zip(SKY_TOP, SKY_BOTTOM))
    for sx, sy, size in STARS:
        if math.hypot(x - sx, y - sy) < size:
            colour = (255, 255, 240)
    for index, (cx, cy) in enumerate(CENTRES):
        d = hexagon_distance(x, y, cx, cy, HEX_RADIUS)
        if d < 1:
            if d > 0.86:
                colour = PIXEL_EDGE
            else:
                glow = PIXEL_CENTRE if index == 0 else PIXEL_FACE
                shade = 1 - 0.35 * d
                colour = tuple(min(255, int(c * shade + 40 * (1 - d))) for c in glow)
    return colour + (255,)


def render(size):
    scale = SIZE / size
    rows = []
    for py in range(size):
        row = bytearray([0])  # filter: none
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = colour_at((px + (sx + 0.5) / SAMPLES) * scale, (py + (sy + 0.5) / SAMPLES) * scale)
                    for i in range(3):
                        acc[i] += c[i] * c[3]
                    acc[3] += c[3]
            alpha = acc[3] / (SAMPLES * SAMPLES)
            rgb = [int(acc[i] / acc[3]) if acc[3] else 0 for i in range(3)]
            row += bytes(rgb + [int(alpha)])
        rows.append(bytes(row))
    return b"".join(rows)


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def write_png(path, size):
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(render(size), 9)) + chunk(b"IEND", b"")
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(png)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    write_png(os.path.join(here, "ProgramIcon.png"), SIZE)
    icons = os.path.join(here, "..", "..", "app", "icons", "hicolor")
    for size in ICON_SIZES:
        write_png(os.path.join(icons, f"{size}x{size}", "apps", "morvane.png"), size)


if __name__ == "__main__":
    main()
