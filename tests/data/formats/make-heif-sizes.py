#!/usr/bin/env python3
"""HEIFs whose pictures are not simply their coded one, rebuilt from
heic-8bit.heic (a 301 x 201 grid over one 302 x 202 coded tile):

- heic-size-box-smaller.heic: the coded tile itself as the picture, its size
  box saying 300 x 199 (less than was coded, as after a crop on a phone);
- heic-size-box-larger.heic: the same, its size box saying 310 x 206 (more);
- heic-derived-twice.heic: two derived images stacked on the grid, each
  cropping (clap) and turning (irot) the one below, the top one primary.
"""
import struct

SOURCE = open("heic-8bit.heic", "rb").read()


def boxes(data, at, end):
    while at + 8 <= end:
        size, kind = struct.unpack(">I4s", data[at:at + 8])
        yield kind.decode(), at, at + size
        at += size


def box(kind, body):
    return struct.pack(">I4s", 8 + len(body), kind.encode()) + body


def full_box(kind, flags, body, version=0):
    return box(kind, struct.pack(">I", version << 24 | flags) + body)


def ispe(width, height):
    return full_box("ispe", 0, struct.pack(">II", width, height))


def clap(width, height):
    # Centred: no offset.
    return box("clap", struct.pack(">IIIIiIiI", width, 1, height, 1, 0, 1, 0, 1))


def irot(quarters_anticlockwise):
    return box("irot", bytes([quarters_anticlockwise]))


top = {kind: (start, end) for kind, start, end in boxes(SOURCE, 0, len(SOURCE))}
meta = {kind: (start, end) for kind, start, end in boxes(SOURCE, top["meta"][0] + 12, top["meta"][1])}
ipco = next((s, e) for k, s, e in boxes(SOURCE, meta["iprp"][0] + 8, meta["iprp"][1]) if k == "ipco")
# hvcC, the tile's ispe, the grid's ispe, pixi (as heif-enc 1.15 writes them)
properties = [SOURCE[s:e] for _, s, e in boxes(SOURCE, ipco[0] + 8, ipco[1])]
assert [p[4:8] for p in properties] == [b"hvcC", b"ispe", b"ispe", b"pixi"]
coded = SOURCE[top["mdat"][0] + 8:top["mdat"][1]]
grid_description = SOURCE[meta["idat"][0] + 8:meta["idat"][1]]


def write(path, items, primary):
    """items: (id, type, [(property box, essential)], [derived from ids])."""
    table = list(properties)
    associations = []
    for item_id, _, props, _ in items:
        indices = []
        for prop, essential in props:
            if prop not in table:
                table.append(prop)
            indices.append((table.index(prop) + 1) | (0x80 if essential else 0))
        associations.append(struct.pack(">HB", item_id, len(indices)) + bytes(indices))
    infe = b"".join(full_box("infe", 0 if item_id == primary else 1,
                             struct.pack(">HH4s", item_id, 0, kind.encode()) + b"\0", version=2)
                    for item_id, kind, _, _ in items)
    references = b"".join(box("dimg", struct.pack(">HH", item_id, len(sources))
                              + b"".join(struct.pack(">H", s) for s in sources))
                          for item_id, _, _, sources in items if sources)

    def iloc(coded_at):
        body = bytes([0x44, 0x40]) + struct.pack(">H", len(items))
        for item_id, kind, _, _ in items:
            if kind == "hvc1":
                body += struct.pack(">HHHIHII", item_id, 0, 0, coded_at, 1, 0, len(coded))
            elif kind == "grid":  # from idat
                body += struct.pack(">HHHIHII", item_id, 1, 0, 0, 1, 0, len(grid_description))
            else:  # derived: no data of its own
                body += struct.pack(">HHHIH", item_id, 0, 0, 0, 0)
        return full_box("iloc", 0, body, version=1)

    def meta_box(coded_at):
        return full_box("meta", 0,
                        SOURCE[meta["hdlr"][0]:meta["hdlr"][1]]
                        + full_box("pitm", 0, struct.pack(">H", primary))
                        + box("idat", grid_description)
                        + iloc(coded_at)
                        + full_box("iinf", 0, struct.pack(">H", len(items)) + infe)
                        + box("iprp", box("ipco", b"".join(table))
                              + full_box("ipma", 0, struct.pack(">I", len(items)) + b"".join(associations)))
                        + (full_box("iref", 0, references) if references else b""))

    ftyp = box("ftyp", b"heic" + bytes(4) + b"mif1heic")
    coded_at = len(ftyp) + len(meta_box(0)) + 8
    open(path, "wb").write(ftyp + meta_box(coded_at) + box("mdat", coded))


hvcC, tile_ispe = (properties[0], True), (properties[1], False)
write("heic-size-box-smaller.heic", [(1, "hvc1", [hvcC, (ispe(300, 199), False)], [])], primary=1)
write("heic-size-box-larger.heic", [(1, "hvc1", [hvcC, (ispe(310, 206), False)], [])], primary=1)
grid = (2, "grid", [(properties[2], False), (properties[3], False)], [1])
write("heic-derived-twice.heic",
      [(1, "hvc1", [hvcC, tile_ispe], []), grid,
       (3, "iden", [(ispe(301, 201), False), (clap(200, 100), True), (irot(1), True)], [2]),
       (4, "iden", [(ispe(301, 201), False), (clap(60, 40), True), (irot(2), True)], [3])],
      primary=4)
