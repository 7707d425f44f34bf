#!/usr/bin/env python3
"""Turns an X window dump (xwd -root, 24 or 32 bits per pixel, ZPixmap)
into an RGB PNG, so the Wine runs need no image tool beyond Python.

Usage: xwd_to_png.py <in.xwd> <out.png>
"""
import struct
import sys
import zlib


def read_xwd(data, alpha=False):
    """Width, height and rows of RGB bytes (RGBA with alpha=True: the byte
    above the colour masks of a 32-bit dump, as a window of depth 32 keeps
    it)."""
    header = struct.unpack(">25I", data[:100])
    header_size, _version, pixmap_format, depth, width, height = header[:6]
    byte_order, bits_per_pixel, bytes_per_line = header[7], header[11], header[12]
    ncolors = header[19]
    if pixmap_format != 2 or bits_per_pixel not in (24, 32):
        raise ValueError("only 24/32-bit ZPixmap dumps are read (format %d, %d bpp)" % (pixmap_format, bits_per_pixel))
    red_mask, green_mask, blue_mask = header[14], header[15], header[16]
    offset = header_size + ncolors * 12
    step = bits_per_pixel // 8
    rows = []
    for y in range(height):
        line = data[offset + y * bytes_per_line: offset + y * bytes_per_line + width * step]
        channels = 4 if alpha else 3
        out = bytearray(width * channels)
        for x in range(width):
            p = line[x * step: x * step + step]
            v = int.from_bytes(p, "little" if byte_order == 0 else "big")
            out[x * channels] = (v & red_mask) >> (red_mask & -red_mask).bit_length() - 1
            out[x * channels + 1] = (v & green_mask) >> (green_mask & -green_mask).bit_length() - 1
            out[x * channels + 2] = (v & blue_mask) >> (blue_mask & -blue_mask).bit_length() - 1
            if alpha:
                out[x * channels + 3] = (v >> 24) & 0xFF if bits_per_pixel == 32 else 0xFF
        rows.append(bytes(out))
    return width, height, rows


def write_png(path, width, height, rows):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
    raw = b"".join(b"\0" + row for row in rows)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 6)))
        f.write(chunk(b"IEND", b""))


def main():
    if len(sys.argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    with open(sys.argv[1], "rb") as f:
        width, height, rows = read_xwd(f.read())
    write_png(sys.argv[2], width, height, rows)
    return 0


if __name__ == "__main__":
    sys.exit(main())
