#!/usr/bin/env python3
"""Draws the demo's small PNG pictures (plain zlib, no imaging library needed)."""
import struct
import sys
import zlib
from pathlib import Path


def png(width, height, pixel):
    rows = b"".join(
        b"\0" + b"".join(bytes(pixel(x, y, width, height)) for x in range(width))
        for y in range(height))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def halva(x, y, w, h):
    # A rounded amber tile with a darker diagonal band.
    cx, cy, r = w / 2, h / 2, min(w, h) / 2 - 1
    inside = (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    if not inside:
        return (0, 0, 0, 0)
    band = abs((x - y)) < w / 6
    return (150, 90, 20, 255) if band else (235, 170, 60, 255)


def shell(x, y, w, h):
    border = x < 3 or y < 3 or x >= w - 3 or y >= h - 3
    prompt = h // 3 <= y < h // 3 + 4 and w // 5 <= x < w // 2
    return (40, 40, 40, 255) if border or prompt else (200, 230, 200, 255)


def gradient(x, y, w, h):
    t = y / max(h - 1, 1)
    return (int(77 + 100 * t), int(116 + 80 * t), int(198 - 60 * t), 255)


def banner(x, y, w, h):
    t = x / max(w - 1, 1)
    return (int(245 - 40 * t), int(235 - 30 * t), int(215 - 10 * t), 255)


PICTURES = {
    "installer/logo.png": (64, 64, halva),
    "installer/icon.png": (32, 32, halva),
    "installer/banner.png": (600, 64, banner),
    "installer/watermark.png": (164, 314, gradient),
    "product/bin/icons/48x48/halvaron.png": (48, 48, halva),
    "product/bin/icons/48x48/halvaron-shell.png": (48, 48, shell),
}

if __name__ == "__main__":
    root = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).parent)
    for name, (w, h, pixel) in PICTURES.items():
        (root / name).parent.mkdir(parents=True, exist_ok=True)
        (root / name).write_bytes(png(w, h, pixel))
