#!/usr/bin/python3
"""Writes HEIC grids that cost far more to decode than their few kilobytes
suggest: one small HEVC tile (taken from ../formats/heic-8bit.heic, 302 x
202) named again and again by a grid picture, boxes written by hand.

    make-heic-grid.py [--overlay] WIDTH HEIGHT OUT.heic [ROWS COLUMNS [TILE_ID]]

ROWS and COLUMNS default to just enough tiles to cover the picture; more
puts tiles outside it. TILE_ID names the tile item (1 is the one there).
--overlay: an overlay ('iovl') instead of a grid, the tile placed where a
grid would place it, on a grey canvas.

The committed files are made with:
    make-heic-grid.py 14000 14000 heic-grid-14000x14000.heic
    make-heic-grid.py 19881 64 heic-grid-tiles-outside.heic 40 100
    make-heic-grid.py 3000 2000 heic-grid-missing-tiles.heic 10 10 7
    make-heic-grid.py --overlay 14000 14000 heic-overlay-14000x14000.heic
"""
import math
import os
import struct
import sys

here = os.path.dirname(os.path.abspath(__file__))
source = open(os.path.join(here, "..", "formats", "heic-8bit.heic"), "rb").read()


def box(kind, payload):
    return struct.pack(">I4s", 8 + len(payload), kind) + payload


def full(kind, version, flags, payload):
    return box(kind, struct.pack(">I", (version << 24) | flags) + payload)


def find(data, kind, start=0, end=None):
    """The first box of `kind` among the boxes from `start`: (offset, size)."""
    end = len(data) if end is None else end
    at = start
    while at < end:
        size, found = struct.unpack(">I4s", data[at:at + 8])
        if found == kind:
            return at, size
        at += size
    raise KeyError(kind)


def main():
    overlay = sys.argv[1] == "--overlay"
    if overlay:
        del sys.argv[1]
    width, height, out = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
    tile_width, tile_height = 302, 202
    columns, rows = math.ceil(width / tile_width), math.ceil(height / tile_height)
    if len(sys.argv) > 5:
        rows, columns = int(sys.argv[4]), int(sys.argv[5])
    tile_id = int(sys.argv[6]) if len(sys.argv) > 6 else 1
    assert columns <= 256 and rows <= 256 and width < 65536 and height < 65536

    ftyp_at, ftyp_size = find(source, b"ftyp")
    meta_at, meta_size = find(source, b"meta")
    inner = meta_at + 12
    parts = {}
    for kind in (b"hdlr", b"pitm", b"iinf", b"iprp"):
        at, size = find(source, kind, inner, meta_at + meta_size)
        parts[kind] = source[at:at + size]
    # The grid's own size, in its ispe (the second one: the tile's comes first).
    iprp = bytearray(parts[b"iprp"])
    second = iprp.find(b"ispe", iprp.find(b"ispe") + 4)
    iprp[second + 8:second + 16] = struct.pack(">II", width, height)
    mdat_at, mdat_size = find(source, b"mdat")
    tile = source[mdat_at + 8:mdat_at + mdat_size]

    descriptor = struct.pack(">BBBBHH", 0, 0, rows - 1, columns - 1, width, height)
    if overlay:
        # version 0, 16-bit fields: the canvas's colour and size, then each
        # tile's place.
        descriptor = struct.pack(">BB4HHH", 0, 0, 0x8000, 0x8000, 0x8000, 0xFFFF, width, height)
        for row in range(rows):
            for column in range(columns):
                descriptor += struct.pack(">hh", min(column * tile_width, 32767), min(row * tile_height, 32767))
        parts[b"iinf"] = parts[b"iinf"].replace(b"grid", b"iovl")
    idat = box(b"idat", descriptor)
    iref = full(b"iref", 0, 0, box(b"dimg", struct.pack(">HH", 2, rows * columns) + struct.pack(">H", tile_id) * (rows * columns)))

    def iloc(tile_offset):
        # version 1: offsets, lengths and base offsets of 4 bytes.
        entries = struct.pack(">HHHIHII", 1, 0, 0, tile_offset, 1, 0, len(tile))
        entries += struct.pack(">HHHIHII", 2, 1, 0, 0, 1, 0, len(descriptor))
        return full(b"iloc", 1, 0, struct.pack(">BBH", 0x44, 0x40, 2) + entries)

    def meta(tile_offset):
        body = parts[b"hdlr"] + parts[b"pitm"] + idat + iloc(tile_offset) + parts[b"iinf"] + bytes(iprp) + iref
        return full(b"meta", 0, 0, body)

    head = source[ftyp_at:ftyp_at + ftyp_size]
    tile_offset = len(head) + len(meta(0)) + 8
    with open(out, "wb") as f:
        f.write(head + meta(tile_offset) + box(b"mdat", tile))


main()
