#!/usr/bin/python3
"""Writes avif-pq.avif with a light-level property ('clli') added to its
primary image: the brightest pixel it claims, in cd/m². PQ codes up to
10000; a claim past that (up to 65535) is absurd.

    make-pq-light.py OUT.avif LEVEL
"""
import os
import struct
import sys

here = os.path.dirname(os.path.abspath(__file__))
source = open(os.path.join(here, "avif-pq.avif"), "rb").read()


def boxes(data, start, end):
    at = start
    while at < end:
        size, kind = struct.unpack(">I4s", data[at:at + 8])
        yield kind, data[at:at + size]
        at += size


def box(kind, payload):
    return struct.pack(">I4s", 8 + len(payload), kind) + payload


def with_association(ipma, item, index):
    """ipma with property `index` (essential no) added to `item`'s list."""
    version_flags, count = struct.unpack(">II", ipma[8:16])
    wide = version_flags & 1
    out, at = bytearray(ipma[8:16]), 16
    size = 2 if wide else 1
    for _ in range(count):
        item_id, n = struct.unpack(">HB", ipma[at:at + 3])
        entry = ipma[at + 3:at + 3 + n * size]
        at += 3 + n * size
        if item_id == item:
            n += 1
            entry += struct.pack(">H" if wide else ">B", index)
        out += struct.pack(">HB", item_id, n) + entry
    return box(b"ipma", bytes(out))


def main():
    level = int(sys.argv[2])
    top = list(boxes(source, 0, len(source)))
    meta = dict(top)[b"meta"]
    parts = list(boxes(meta, 12, len(meta)))
    iprp = dict(parts)[b"iprp"]
    properties = dict(boxes(iprp, 8, len(iprp)))
    ipco = properties[b"ipco"]
    count = len(list(boxes(ipco, 8, len(ipco))))
    ipco = box(b"ipco", ipco[8:] + box(b"clli", struct.pack(">HH", level, level)))
    iprp = box(b"iprp", ipco + with_association(properties[b"ipma"], 1, count + 1))
    grown = len(iprp) - len(dict(parts)[b"iprp"])
    body = b""
    for kind, data in parts:
        if kind == b"iprp":
            data = iprp
        elif kind == b"iloc":
            # version 0, 4-byte offsets and lengths, no base offset: one extent
            # per item, whose offset moves with the grown meta box.
            data = bytearray(data)
            assert data[8] == 0 and data[12:14] == b"\x44\x00"
            at = 16
            for _ in range(struct.unpack(">H", data[14:16])[0]):
                extents = struct.unpack(">H", data[at + 4:at + 6])[0]
                for e in range(extents):
                    offset_at = at + 6 + e * 8
                    offset = struct.unpack(">I", data[offset_at:offset_at + 4])[0]
                    data[offset_at:offset_at + 4] = struct.pack(">I", offset + grown)
                at += 6 + extents * 8
            data = bytes(data)
        body += data
    out = b""
    for kind, data in top:
        out += box(b"meta", meta[8:12] + body) if kind == b"meta" else data
    open(sys.argv[1], "wb").write(out)


main()
