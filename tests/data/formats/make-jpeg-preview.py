#!/usr/bin/env python3
"""Gives a JPEG the previews cameras write: an EXIF thumbnail (IFD1) and,
optionally, a larger MPF preview appended after the picture, as a camera's
second image.

    make-jpeg-preview.py MAIN.jpg OUT.jpg THUMBNAIL.jpg [--orientation N] [--mpf PREVIEW.jpg [--gain-map]] [--corrupt]

--gain-map names the MPF picture a gain map's way (an MP type of 0, not a
large thumbnail). --corrupt writes the thumbnail's bytes scrambled past its
first four.
"""
import argparse
import struct


def tiff(entries_by_directory):
    """A little-endian TIFF structure of directories of (tag, type, count,
    value) entries whose values fit in four bytes, then `blobs` (bytes)
    placed after them: an entry value of ("blob", i) becomes blob i's offset."""
    directories, blobs = entries_by_directory
    out = bytearray(b"II*\0" + struct.pack("<I", 8))
    sizes = [2 + 12 * len(d) + 4 for d in directories]
    blob_at = 8 + sum(sizes)
    offsets = []
    for blob in blobs:
        offsets.append(blob_at)
        blob_at += len(blob)
    at = 8
    for i, directory in enumerate(directories):
        out += struct.pack("<H", len(directory))
        for tag, kind, count, value in directory:
            if isinstance(value, tuple):
                value = offsets[value[1]]
            packed = struct.pack("<H", value) + b"\0\0" if kind == 3 else struct.pack("<I", value)
            out += struct.pack("<HHI", tag, kind, count) + packed
        at += sizes[i]
        out += struct.pack("<I", at if i + 1 < len(directories) else 0)
    for blob in blobs:
        out += blob
    return bytes(out)


def segment(marker, payload):
    return bytes([0xFF, marker]) + struct.pack(">H", len(payload) + 2) + payload


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("main")
    parser.add_argument("out")
    parser.add_argument("thumbnail")
    parser.add_argument("--orientation", type=int, default=1)
    parser.add_argument("--mpf")
    parser.add_argument("--gain-map", action="store_true")
    parser.add_argument("--corrupt", action="store_true")
    args = parser.parse_args()
    picture = open(args.main, "rb").read()
    thumbnail = open(args.thumbnail, "rb").read()
    if args.corrupt:
        thumbnail = thumbnail[:4] + bytes(reversed(thumbnail[4:]))
    exif = tiff(([[(0x0112, 3, 1, args.orientation)],
                  [(0x0103, 3, 1, 6), (0x0201, 4, 1, ("blob", 0)), (0x0202, 4, 1, len(thumbnail))]],
                 [thumbnail]))
    head = segment(0xE1, b"Exif\0\0" + exif)
    body = picture[2:]
    if not args.mpf:
        open(args.out, "wb").write(b"\xFF\xD8" + head + body)
        return
    preview = open(args.mpf, "rb").read()
    # The index's size is known before its offsets: one pass with zeros, then the real one.
    def mpf(preview_offset, total):
        entries = struct.pack("<IIIHH", 0x030000, total, 0, 0, 0) + struct.pack("<IIIHH", 0 if args.gain_map else 0x010002, len(preview),
                                                                                preview_offset, 0, 0)
        index = tiff(([[(0xB000, 7, 4, int.from_bytes(b"0100", "little")), (0xB001, 4, 1, 2),
                        (0xB002, 7, len(entries), ("blob", 0))]], [entries]))
        return segment(0xE2, b"MPF\0" + index)
    size = len(mpf(0, 0))
    main_length = 2 + len(head) + size + len(body)
    mpf_tiff_at = 2 + len(head) + 4 + 4  # the index's TIFF header: after the segment's marker, length and "MPF\0"
    open(args.out, "wb").write(b"\xFF\xD8" + head + mpf(main_length - mpf_tiff_at, main_length) + body + preview)


main()
