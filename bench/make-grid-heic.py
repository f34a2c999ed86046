#!/usr/bin/env python3
"""Writes a HEIC as phones write one: the picture as a grid of 512 x 512
tiles, each coded on its own, with a 320 x 240 thumbnail beside it.

    make-grid-heic.py [--tile N] [--irot N] [--bare-thumbnail] [--icc FILE]
                      [--gain-map] SOURCE OUTPUT [THUMBNAIL]

SOURCE is any picture ImageMagick reads (the bench gives a 12 MP photo);
the thumbnail is made from THUMBNAIL if given (the bench makes it of
another photo, to tell it from the picture on the screen), else from
SOURCE. --tile makes the tiles N x N (the tests' small grids); --irot turns
the picture N quarter turns anticlockwise once pasted, and its thumbnail
with it unless --bare-thumbnail says the turn of the picture alone. --icc tags the picture, its tiles and its thumbnail with the ICC profile in
FILE, as phones tag theirs Display P3; --gain-map adds a hidden picture of
half the size as an auxiliary of the grid, as phones store an HDR gain map
beside the photo. Tiles coded alike share one hvcC, as a phone's do. Each
tile and the thumbnail are coded by heif-enc (libheif's own tool), and
their coded pictures are gathered into one file here, since this libheif
writes no grids of its own.
"""

import os
import struct
import subprocess
import sys
import tempfile

TILE = 512
THUMBNAIL = (320, 240)
GAIN_MAP = b"urn:com:apple:photo:2020:aux:hdrgainmap"


def box(kind, payload):
    return struct.pack(">I4s", 8 + len(payload), kind) + payload


def full_box(kind, version, flags, payload):
    return box(kind, struct.pack(">I", (version << 24) | flags) + payload)


def children(data, start, end):
    """(type, payload start, payload end) of each box in data[start:end]."""
    at = start
    while at + 8 <= end:
        size, kind = struct.unpack(">I4s", data[at:at + 8])
        header = 8
        if size == 1:
            size = struct.unpack(">Q", data[at + 8:at + 16])[0]
            header = 16
        elif size == 0:
            size = end - at
        yield kind, at + header, at + size
        at += size


def find(data, start, end, kind):
    for found, payload, stop in children(data, start, end):
        if found == kind:
            return payload, stop
    raise ValueError("no %s box" % kind)


def coded_picture(path):
    """The hvcC property and the coded data of the primary item of a HEIC
    that heif-enc wrote whole (no grid)."""
    data = open(path, "rb").read()
    meta, meta_end = find(data, 0, len(data), b"meta")
    meta += 4  # version and flags
    pitm, _ = find(data, meta, meta_end, b"pitm")
    primary = struct.unpack(">H", data[pitm + 4:pitm + 6])[0]
    iloc, _ = find(data, meta, meta_end, b"iloc")
    version = data[iloc]
    sizes = struct.unpack(">H", data[iloc + 4:iloc + 6])[0]
    offset_size, length_size, base_size = sizes >> 12, (sizes >> 8) & 15, (sizes >> 4) & 15
    index_size = sizes & 15 if version in (1, 2) else 0
    at = iloc + 6
    count_format = ">I" if version == 2 else ">H"
    count = struct.unpack(count_format, data[at:at + struct.calcsize(count_format)])[0]
    at += struct.calcsize(count_format)

    def number(size):
        nonlocal at
        value = int.from_bytes(data[at:at + size], "big") if size else 0
        at += size
        return value

    coded = None
    for _ in range(count):
        item = number(4 if version == 2 else 2)
        if version in (1, 2):
            number(2)  # construction method: 0, the file
        number(2)  # data reference
        base = number(base_size)
        extents = number(2)
        pieces = []
        for _ in range(extents):
            number(index_size)
            offset = number(offset_size)
            length = number(length_size)
            pieces.append(data[base + offset:base + offset + length])
        if item == primary:
            coded = b"".join(pieces)
    iprp, iprp_end = find(data, meta, meta_end, b"iprp")
    ipco, ipco_end = find(data, iprp, iprp_end, b"ipco")
    properties = [data[payload - 8:stop] for _, payload, stop in children(data, ipco, ipco_end)]
    ipma, _ = find(data, iprp, iprp_end, b"ipma")
    flags = int.from_bytes(data[ipma + 1:ipma + 4], "big")
    at = ipma + 4
    entries = struct.unpack(">I", data[at:at + 4])[0]
    at += 4
    hvcc = None
    for _ in range(entries):
        item = struct.unpack(">H", data[at:at + 2])[0]
        at += 2
        associations = data[at]
        at += 1
        for _ in range(associations):
            if flags & 1:
                index = struct.unpack(">H", data[at:at + 2])[0] & 0x7FFF
                at += 2
            else:
                index = data[at] & 0x7F
                at += 1
            if item == primary and properties[index - 1][4:8] == b"hvcC":
                hvcc = properties[index - 1]
    if coded is None or hvcc is None:
        raise ValueError("%s: no coded picture" % path)
    return hvcc, coded


def encode(source, geometry, path):
    png = path + ".png"
    # 8-bit RGB whatever the crop holds: a flat one would otherwise be
    # written otherwise, and heif-enc would code it at another depth than
    # the others, which a grid may not mix.
    subprocess.run(["convert", source] + geometry + ["PNG24:" + png], check=True)
    subprocess.run(["heif-enc", "-q", "85", png, "-o", path], check=True, stdout=subprocess.DEVNULL)
    os.remove(png)
    return coded_picture(path)


def main(source, output, thumbnail_source, tile=TILE, irot=None, icc=None, gain_map=False, bare_thumbnail=False):
    width, height = (int(v) for v in subprocess.run(
        ["identify", "-format", "%w %h", source], check=True, capture_output=True, text=True).stdout.split())
    columns, rows = -(-width // tile), -(-height // tile)
    gain_size = (width // 2, height // 2)
    with tempfile.TemporaryDirectory() as work:
        tiles = []
        for row in range(rows):
            for column in range(columns):
                # The last row and column run past the picture, as a phone's do.
                crop = "%dx%d+%d+%d" % (tile, tile, column * tile, row * tile)
                tiles.append(encode(source, ["-crop", crop, "+repage", "-background", "gray",
                                             "-extent", "%dx%d" % (tile, tile)],
                                    os.path.join(work, "tile%d.heic" % len(tiles))))
        thumbnail = encode(thumbnail_source, ["-resize", "%dx%d!" % THUMBNAIL], os.path.join(work, "thumbnail.heic"))
        gain = encode(source, ["-resize", "%dx%d!" % gain_size, "-colorspace", "Gray"],
                      os.path.join(work, "gain.heic")) if gain_map else None

    grid_id, first_tile = 1, 2
    thumbnail_id = first_tile + len(tiles)
    gain_id = thumbnail_id + 1
    grid_data = struct.pack(">BBBBHH", 0, 0, rows - 1, columns - 1, width, height)
    pieces = [(grid_id, grid_data)] + [(first_tile + i, coded) for i, (_, coded) in enumerate(tiles)] \
        + [(thumbnail_id, thumbnail[1])] + ([(gain_id, gain[1])] if gain else [])

    # Properties, each written once however many items it is said of.
    properties = []

    def prop(data, essential=False):
        if data not in properties:
            properties.append(data)
        return properties.index(data) + 1, essential

    def ispe(w, h):
        return prop(full_box(b"ispe", 0, 0, struct.pack(">II", w, h)))

    tile_size = ispe(tile, tile)
    tile_codings = [prop(hvcc, True) for hvcc, _ in tiles]
    # The picture's size and depth, which libheif asks of a grid before it decodes a tile.
    grid_properties = [ispe(width, height), prop(full_box(b"pixi", 0, 0, bytes([3, 8, 8, 8])))]
    thumbnail_properties = [prop(thumbnail[0], True), ispe(*THUMBNAIL)]
    if icc is not None:
        with open(icc, "rb") as profile:
            colours = prop(box(b"colr", b"prof" + profile.read()))
        grid_properties.append(colours)
        thumbnail_properties.append(colours)
    if irot is not None:
        turn = prop(box(b"irot", bytes([irot & 3])), True)
        grid_properties.append(turn)
        if not bare_thumbnail:
            thumbnail_properties.append(turn)
    # A phone says the grid's profile of each tile too.
    tile_colours = [colours] if icc is not None else []
    associations = [(grid_id, grid_properties)]
    associations += [(first_tile + i, [coding, tile_size] + tile_colours) for i, coding in enumerate(tile_codings)]
    associations.append((thumbnail_id, thumbnail_properties))
    if gain:
        associations.append((gain_id, [prop(gain[0], True), ispe(*gain_size),
                                       prop(full_box(b"auxC", 0, 0, GAIN_MAP + b"\0"), True)]))
    # Indexes of 15 bits once 7 are not enough.
    wide = len(properties) > 127

    def association(index, essential):
        return struct.pack(">H", index | (0x8000 if essential else 0)) if wide \
            else bytes([index | (0x80 if essential else 0)])

    ipma = struct.pack(">I", len(associations)) + b"".join(
        struct.pack(">HB", item, len(said)) + b"".join(association(*p) for p in said) for item, said in associations)

    infes = [full_box(b"infe", 2, 0, struct.pack(">HH4s", grid_id, 0, b"grid") + b"\0")]
    infes += [full_box(b"infe", 2, 1, struct.pack(">HH4s", first_tile + i, 0, b"hvc1") + b"\0")
              for i in range(len(tiles))]
    infes.append(full_box(b"infe", 2, 0, struct.pack(">HH4s", thumbnail_id, 0, b"hvc1") + b"\0"))
    if gain:
        infes.append(full_box(b"infe", 2, 1, struct.pack(">HH4s", gain_id, 0, b"hvc1") + b"\0"))
    references = box(b"dimg", struct.pack(">HH", grid_id, len(tiles))
                     + b"".join(struct.pack(">H", first_tile + i) for i in range(len(tiles)))) \
        + box(b"thmb", struct.pack(">HHH", thumbnail_id, 1, grid_id))
    if gain:
        references += box(b"auxl", struct.pack(">HHH", gain_id, 1, grid_id))
    iref = full_box(b"iref", 0, 0, references)

    def meta(mdat_start):
        extents = []
        at = mdat_start + 8
        for item, data in pieces:
            extents.append(struct.pack(">HHHII", item, 0, 1, at, len(data)))
            at += len(data)
        iloc = full_box(b"iloc", 0, 0, struct.pack(">HH", 0x4400, len(pieces)) + b"".join(extents))
        return full_box(b"meta", 0, 0,
                        full_box(b"hdlr", 0, 0, struct.pack(">I4s12s", 0, b"pict", b"") + b"\0")
                        + full_box(b"pitm", 0, 0, struct.pack(">H", grid_id))
                        + iloc
                        + full_box(b"iinf", 0, 0, struct.pack(">H", len(infes)) + b"".join(infes))
                        + iref
                        + box(b"iprp", box(b"ipco", b"".join(properties))
                              + full_box(b"ipma", 0, 1 if wide else 0, ipma)))

    ftyp = box(b"ftyp", b"heic" + struct.pack(">I", 0) + b"mif1heicmiaf")
    head = ftyp + meta(0)
    head = ftyp + meta(len(head))  # the same length: offsets are fixed-size
    mdat = box(b"mdat", b"".join(data for _, data in pieces))
    with open(output, "wb") as file:
        file.write(head + mdat)


if __name__ == "__main__":
    arguments = sys.argv[1:]
    options = {"--tile": TILE, "--irot": None, "--icc": None, "--gain-map": False, "--bare-thumbnail": False}
    while arguments[:1] and arguments[0] in options:
        if arguments[0] in ("--gain-map", "--bare-thumbnail"):
            options[arguments[0]] = True
            arguments = arguments[1:]
        elif len(arguments) > 1:
            options[arguments[0]] = arguments[1] if arguments[0] == "--icc" else int(arguments[1])
            arguments = arguments[2:]
        else:
            break
    if len(arguments) not in (2, 3):
        sys.exit(__doc__)
    main(arguments[0], arguments[1], arguments[2] if len(arguments) == 3 else arguments[0], options["--tile"],
         options["--irot"], options["--icc"], options["--gain-map"], options["--bare-thumbnail"])
