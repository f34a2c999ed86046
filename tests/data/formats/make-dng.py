#!/usr/bin/env python3
"""Writes a small camera RAW file (DNG: a Bayer mosaic with the tags a raw
developer needs), optionally with an embedded JPEG preview.

    make-dng.py OUT [--preview JPEG] [--orientation N] [--claim WxH]

The scene is the formats corpus's own layout at 240 x 160: a light band on
the left third over a red-to-blue gradient, sampled through an RGGB mosaic
of 12-bit values, as a camera with a sRGB-like response and a warm as-shot
white balance would record it. The preview, when given, sits in the first
directory (as cameras write it) and the mosaic in a sub-directory. With
--claim, the mosaic's directory names that size (a hostile file: its data
stays 240 x 160).
"""
import argparse
import struct

WIDTH, HEIGHT = 240, 160
WHITE = 4095
# The camera sees white as (0.5, 1, 0.7): red and blue are recorded weaker,
# so a developer that ignores the as-shot balance shows a green cast.
NEUTRAL = (0.5, 1.0, 0.7)


def srgb_to_linear(c):
    c /= 255.0
    return c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4


def scene(x, y):
    """The scene's linear colour at a pixel, as the corpus's reference has it."""
    if x < WIDTH // 3:
        srgb = (0xf0, 0xc0, 0x40)
    else:
        t = x / (WIDTH - 1)
        srgb = tuple(a + (b - a) * t for a, b in zip((0xc0, 0x30, 0x20), (0x20, 0x60, 0xc0)))
    return tuple(srgb_to_linear(c) for c in srgb)


def mosaic():
    data = bytearray()
    for y in range(HEIGHT):
        for x in range(WIDTH):
            channel = (0, 1, 1, 2)[(y % 2) * 2 + x % 2]
            value = scene(x, y)[channel] * NEUTRAL[channel]
            data += struct.pack("<H", min(WHITE, round(value * WHITE)))
    return bytes(data)


# TIFF field types
BYTE, ASCII, SHORT, LONG, RATIONAL, SRATIONAL = 1, 2, 3, 4, 5, 10
SIZES = {BYTE: 1, ASCII: 1, SHORT: 2, LONG: 4, RATIONAL: 8, SRATIONAL: 8}


def rational(v, signed=False):
    return (round(v * 10000), 10000)


class Ifd:
    def __init__(self):
        self.entries = {}

    def add(self, tag, kind, values):
        if kind == ASCII:
            values = list(values.encode() + b"\0")
        elif not isinstance(values, list):
            values = [values]  # one value, or one ("blob", name) to resolve
        self.entries[tag] = (kind, list(values))


def pack_values(kind, values):
    if kind in (BYTE, ASCII):
        return bytes(values)
    if kind == SHORT:
        return struct.pack("<%dH" % len(values), *values)
    if kind == LONG:
        return struct.pack("<%dI" % len(values), *values)
    if kind == RATIONAL:
        return b"".join(struct.pack("<II", *rational(v)) for v in values)
    if kind == SRATIONAL:
        return b"".join(struct.pack("<ii", *rational(v)) for v in values)
    raise ValueError(kind)


def write(path, directories, blobs):
    """directories: [Ifd], the first one the file's first; blobs: {name: bytes}
    placed after them. Values naming ("blob", name) become the blob's offset,
    ("length", name) its length, ("ifd", i) the offset of directory i."""
    # Lay out: header, then each directory with its out-of-line values, then blobs.
    offsets = {}
    at = 8
    layout = []
    for ifd in directories:
        size = 2 + 12 * len(ifd.entries) + 4
        extra = sum(len(pack_values(k, [0] * len(v))) for k, v in ifd.entries.values()
                    if len(pack_values(k, [0] * len(v))) > 4)
        layout.append(at)
        at += size + extra
        at += at % 2
    for name, blob in blobs.items():
        offsets[name] = at
        at += len(blob) + len(blob) % 2

    def resolve(value):
        if isinstance(value, tuple):
            what, name = value
            return {"blob": lambda: offsets[name], "length": lambda: len(blobs[name]),
                    "ifd": lambda: layout[name]}[what]()
        return value

    out = bytearray(b"II*\0" + struct.pack("<I", layout[0]))
    for i, ifd in enumerate(directories):
        assert len(out) == layout[i]
        entries = sorted(ifd.entries.items())
        table = bytearray(struct.pack("<H", len(entries)))
        extra = bytearray()
        extra_at = layout[i] + 2 + 12 * len(entries) + 4
        for tag, (kind, values) in entries:
            packed = pack_values(kind, [resolve(v) for v in values])
            if len(packed) <= 4:
                table += struct.pack("<HHI", tag, kind, len(values)) + packed.ljust(4, b"\0")
            else:
                table += struct.pack("<HHII", tag, kind, len(values), extra_at + len(extra))
                extra += packed
                extra += b"\0" * (len(extra) % 2)
        table += struct.pack("<I", 0)
        out += table + extra
        out += b"\0" * (len(out) % 2)
    for name, blob in blobs.items():
        assert len(out) == offsets[name]
        out += blob + b"\0" * (len(blob) % 2)
    with open(path, "wb") as f:
        f.write(out)


def raw_tags(ifd, claim):
    ifd.add(254, LONG, 0)
    ifd.add(256, LONG, claim[0])
    ifd.add(257, LONG, claim[1])
    ifd.add(258, SHORT, 16)
    ifd.add(259, SHORT, 1)
    ifd.add(262, SHORT, 32803)  # a colour filter array
    ifd.add(273, LONG, ("blob", "mosaic"))
    ifd.add(277, SHORT, 1)
    ifd.add(278, LONG, HEIGHT)
    ifd.add(279, LONG, ("length", "mosaic"))
    ifd.add(284, SHORT, 1)
    ifd.add(33421, SHORT, [2, 2])
    ifd.add(33422, BYTE, [0, 1, 1, 2])  # RGGB
    ifd.add(50717, LONG, WHITE)


def common_tags(ifd, orientation):
    ifd.add(271, ASCII, "Zelvo")
    ifd.add(272, ASCII, "Test camera")
    ifd.add(274, SHORT, orientation)
    ifd.add(50706, BYTE, [1, 4, 0, 0])
    ifd.add(50707, BYTE, [1, 1, 0, 0])
    ifd.add(50708, ASCII, "Zelvo Test camera")
    # XYZ (D65) to the camera's primaries: sRGB's, so the developed colours
    # are the scene's own.
    ifd.add(50721, SRATIONAL, [3.2406, -1.5372, -0.4986, -0.9689, 1.8758, 0.0415, 0.0557, -0.2040, 1.0570])
    ifd.add(50728, RATIONAL, list(NEUTRAL))
    ifd.add(50778, SHORT, 21)  # D65


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("out")
    parser.add_argument("--preview")
    parser.add_argument("--orientation", type=int, default=1)
    parser.add_argument("--claim", default="%dx%d" % (WIDTH, HEIGHT))
    args = parser.parse_args()
    claim = tuple(int(side) for side in args.claim.split("x"))
    blobs = {"mosaic": mosaic()}
    if not args.preview:
        ifd = Ifd()
        raw_tags(ifd, claim)
        common_tags(ifd, args.orientation)
        write(args.out, [ifd], blobs)
        return
    with open(args.preview, "rb") as f:
        jpeg = f.read()
    # The JPEG's own size, from its start-of-frame segment.
    at = 2
    while jpeg[at + 1] not in (0xc0, 0xc1, 0xc2):
        at += 2 + struct.unpack(">H", jpeg[at + 2:at + 4])[0]
    height, width = struct.unpack(">HH", jpeg[at + 5:at + 9])
    blobs["preview"] = jpeg
    first = Ifd()
    first.add(254, LONG, 1)  # a reduced picture
    first.add(256, LONG, width)
    first.add(257, LONG, height)
    first.add(258, SHORT, [8, 8, 8])
    first.add(259, SHORT, 7)  # JPEG
    first.add(262, SHORT, 6)  # YCbCr
    first.add(273, LONG, ("blob", "preview"))
    first.add(277, SHORT, 3)
    first.add(278, LONG, height)
    first.add(279, LONG, ("length", "preview"))
    first.add(330, LONG, ("ifd", 1))  # the mosaic's directory
    common_tags(first, args.orientation)
    raw = Ifd()
    raw_tags(raw, claim)
    write(args.out, [first, raw], blobs)


main()
