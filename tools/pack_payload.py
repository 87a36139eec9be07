#!/usr/bin/env python3
"""Packs the product for the installer's EXE_FILE resource.

    pack_payload.py PRODUCT OUTPUT [--method best|stored|lzma|lzma-x86]

The output is a 36-byte header followed by the product, stored or compressed with LZMA
(Python's lzma module: liblzma, as xz uses it), after the x86-64 branch filter when that makes
it smaller. The installer reads the header, decodes while it writes Quorvalent.exe and checks
the size and CRC-32 before anything is kept. "best" (the default) takes the smallest of the
three forms. The output depends only on the product and liblzma's version: no time stamps.

Header, little-endian:
    0  4  magic "QVZ\\x1a"
    4  1  format version, 1
    5  1  method: 0 stored, 1 LZMA
    6  1  filter: 0 none, 1 x86-64 branch filter
    7  1  LZMA properties (pb * 5 + lp) * 9 + lc; 0 when stored
    8  4  LZMA dictionary size; 0 when stored
   12  8  size of the product
   20  8  size of the data after the header
   28  4  CRC-32 of the product
   32  4  CRC-32 of bytes 0 to 31
"""
import argparse
import concurrent.futures
import lzma
import re
import struct
import sys
import zlib

MAGIC = b"QVZ\x1a"
VERSION = 1
METHOD_STORED, METHOD_LZMA = 0, 1
FILTER_NONE, FILTER_X86 = 0, 1
LC, LP, PB = 3, 0, 2
# The decoder holds this much of the product at a time.
DICTIONARY_MAX = 8 << 20
DICTIONARY_MIN = 4096

# The x86-64 branch filter, the forward direction of utils/branch_filter.cpp: the same
# opcodes, the same decisions, the same arithmetic.
MODRM_OPCODES = bytes([0x01, 0x03, 0x09, 0x0B, 0x21, 0x23, 0x29, 0x2B, 0x31, 0x33, 0x39, 0x3B, 0x63, 0x69,
                       0x80, 0x81, 0x83, 0x85, 0x87, 0x88, 0x89, 0x8A, 0x8B, 0x8D, 0xC6, 0xC7, 0xF6, 0xF7,
                       0xFE])


def _byte_class(values):
    # Every byte escaped: 0x2D unescaped would make a range of the class.
    return b"[" + b"".join(re.escape(bytes([value])) for value in values) + b"]"


def _opcode_pattern():
    ops = _byte_class(MODRM_OPCODES)
    rip = _byte_class([modrm for modrm in range(256) if modrm & 0xC7 == 0x05])  # mod 00, rm 101
    alternatives = [_byte_class([0xE8, 0xE9]), b"\x0f" + _byte_class(range(0x80, 0x90)),
                    b"\xff" + _byte_class([0x15, 0x25]), _byte_class(range(0x40, 0x50)) + ops + rip, ops + rip]
    # A look-ahead finds every position, also those inside another match.
    return re.compile(b"(?=(" + b"|".join(alternatives) + b"))", re.S)


OPCODES = _opcode_pattern()


def branch_filter(data):
    out = bytearray(data)
    size = len(out)
    resume = 0
    for match in OPCODES.finditer(data):
        start = match.start()
        if start < resume:
            continue
        displacement = start + len(match.group(1))
        if displacement + 4 > size:
            continue
        if out[displacement + 3] in (0x00, 0xFF):
            value = int.from_bytes(out[displacement:displacement + 4], "little")
            value = (value + displacement + 4) & 0x01FFFFFF
            if value & 0x01000000:
                value |= 0xFE000000
            out[displacement:displacement + 4] = value.to_bytes(4, "little")
        resume = displacement + 4
    return bytes(out)


def lzma_compress(data, dictionary):
    return lzma.compress(data, format=lzma.FORMAT_RAW, filters=[{
        "id": lzma.FILTER_LZMA1, "preset": 9 | lzma.PRESET_EXTREME,
        "dict_size": dictionary, "lc": LC, "lp": LP, "pb": PB}])


def header(method, filter_id, dictionary, product, packed_size):
    properties = (PB * 5 + LP) * 9 + LC if method == METHOD_LZMA else 0
    head = MAGIC + struct.pack("<BBBBIQQI", VERSION, method, filter_id, properties,
                               dictionary if method == METHOD_LZMA else 0,
                               len(product), packed_size, zlib.crc32(product))
    return head + struct.pack("<I", zlib.crc32(head))


def pack(product, method="best"):
    if len(product) > 0xFFFFFFFF:
        sys.exit("pack_payload: a resource holds at most 4 GiB")
    dictionary = min(DICTIONARY_MAX, max(DICTIONARY_MIN, len(product)))
    forms = []
    if method in ("best", "stored"):
        forms.append((METHOD_STORED, FILTER_NONE, product))
    # liblzma releases the interpreter's lock while it compresses: the two run side by side.
    with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
        jobs = []
        if method in ("best", "lzma"):
            jobs.append((FILTER_NONE, pool.submit(lzma_compress, product, dictionary)))
        if method in ("best", "lzma-x86"):
            jobs.append((FILTER_X86, pool.submit(lzma_compress, branch_filter(product), dictionary)))
        forms += [(METHOD_LZMA, filter_id, job.result()) for filter_id, job in jobs]
    # The smallest; on a tie the simpler form, which comes first.
    method_id, filter_id, data = min(forms, key=lambda form: len(form[2]))
    return header(method_id, filter_id, dictionary, product, len(data)) + data


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("product")
    parser.add_argument("output")
    parser.add_argument("--method", choices=["best", "stored", "lzma", "lzma-x86"], default="best")
    args = parser.parse_args()
    with open(args.product, "rb") as f:
        product = f.read()
    packed = pack(product, args.method)
    with open(args.output, "wb") as f:
        f.write(packed)


if __name__ == "__main__":
    main()
