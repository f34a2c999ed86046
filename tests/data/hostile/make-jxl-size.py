#!/usr/bin/python3
"""Writes a JPEG XL codestream that claims another size: the size header of
../formats/jxl-8bit.jxl (a bare codestream) rewritten, the rest of its bits
following as they were. The header is read, the pixels cannot be.

    make-jxl-size.py WIDTH HEIGHT OUT.jxl

The committed jxl-claims-25000x20000.jxl is made with:
    make-jxl-size.py 25000 20000 jxl-claims-25000x20000.jxl
"""
import os
import sys

here = os.path.dirname(os.path.abspath(__file__))
source = open(os.path.join(here, "..", "formats", "jxl-8bit.jxl"), "rb").read()
assert source[:2] == b"\xff\x0a", "a bare codestream"


class Bits:
    """JPEG XL reads bits from the lowest of each byte up."""

    def __init__(self, data):
        self.data, self.at = data, 0

    def read(self, count):
        value = 0
        for i in range(count):
            byte = self.data[(self.at + i) // 8]
            value |= ((byte >> ((self.at + i) % 8)) & 1) << i
        self.at += count
        return value

    def u32(self, *bits):
        return self.read(bits[self.read(2)]) + 1


def size_header(bits):
    if bits.read(1):  # small: multiples of 8 up to 256
        height = (bits.read(5) + 1) * 8
        ratio = bits.read(3)
        width = (bits.read(5) + 1) * 8 if ratio == 0 else None
    else:
        height = bits.u32(9, 13, 18, 30)
        ratio = bits.read(3)
        width = bits.u32(9, 13, 18, 30) if ratio == 0 else None
    return width, height


def main():
    width, height, out = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
    bits = Bits(source[2:])
    print("was", size_header(bits))
    rest_at = bits.at
    written = []

    def put(value, count):
        written.extend((value >> i) & 1 for i in range(count))

    def u32(value):
        for selector, count in enumerate((9, 13, 18, 30)):
            if value - 1 < (1 << count):
                put(selector, 2)
                put(value - 1, count)
                return
        raise ValueError(value)

    put(0, 1)  # not small
    u32(height)
    put(0, 3)  # no ratio: the width follows
    u32(width)
    tail = Bits(source[2:])
    tail.at = rest_at
    total = (len(source) - 2) * 8
    while tail.at < total:
        written.append(tail.read(1))
    while len(written) % 8:
        written.append(0)
    body = bytes(sum(written[i + j] << j for j in range(8)) for i in range(0, len(written), 8))
    with open(out, "wb") as f:
        f.write(b"\xff\x0a" + body)


main()
