#!/usr/bin/env python3
"""Draws the main window's decorative pictures as PNG files (no image library needed)."""
import math
import struct
import sys
import zlib
from pathlib import Path


def write_png(path, width, height, pixel):
    rows = b"".join(b"\0" + b"".join(bytes(pixel(x, y)) for x in range(width)) for y in range(height))
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b"")
    Path(path).write_bytes(png)


def sd_card(x, y):
    """A memory card with gold contacts and a small star: where the certificate goes."""
    w, h = 62, 78
    inside = 4 <= x < w - 4 and 4 <= y < h - 4 and not (y - 4 < 14 - (x - 4) and x < 18)
    if not inside:
        return (0, 0, 0, 0)
    if 8 <= y < 20 and x >= 20 and (x - 20) % 7 < 4 and x < w - 8:
        return (212, 175, 55, 255)
    cx, cy = w / 2, 50
    angle = math.atan2(y - cy, x - cx)
    radius = math.hypot(x - cx, y - cy)
    star = 6 + 5 * (0.5 + 0.5 * math.cos(5 * angle))
    if radius < star:
        return (255, 251, 240, 255)
    shade = int(40 + 60 * y / h)
    return (shade, shade, 128 + shade // 2, 255)


def shield(x, y):
    """A small quartered shield for the buttons that open and close the connection."""
    cx = 7.5
    top = 1 <= y <= 14 and abs(x - cx) <= 6.5 - max(0, y - 8) * 0.9
    if not top:
        return (0, 0, 0, 0)
    left, upper = x < 8, y < 8
    return (0, 90, 200, 255) if left == upper else (250, 200, 30, 255)


out = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "app" / "pictures")
write_png(out / "sdcard.png", 62, 78, sd_card)
write_png(out / "shield.png", 16, 16, shield)
