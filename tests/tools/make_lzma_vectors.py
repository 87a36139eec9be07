#!/usr/bin/env python3
"""Test data for the LZMA decoder, the branch filter and the packed product, made by the
standard tools: Python's lzma module (liblzma) for raw LZMA streams, the xz program for .lzma
files, and the build's own packer for packed products.

    make_lzma_vectors.py OUTPUT_FOLDER SOURCE_FOLDER

Writes the inputs, the streams made of them and OUTPUT_FOLDER/vectors.txt, one line each:
    raw    STREAM ORIGINAL PROPERTIES DICTIONARY   a raw LZMA stream of ORIGINAL
    alone  STREAM ORIGINAL                         an .lzma file made by xz
    packed STREAM ORIGINAL                         a packed product of ORIGINAL
    filter STREAM ORIGINAL                         ORIGINAL after the packer's branch filter
Everything is deterministic: the random inputs come from a seeded generator.
"""
import glob
import lzma
import os
import random
import subprocess
import sys

out_dir, source_dir = sys.argv[1], sys.argv[2]
sys.path.insert(0, os.path.join(source_dir, "tools"))
import pack_payload  # noqa: E402

os.makedirs(out_dir, exist_ok=True)
lines = []


def write(name, data):
    with open(os.path.join(out_dir, name), "wb") as f:
        f.write(data)


def real_pe_files():
    # Wine's own DLLs are real 64-bit Windows machine code and resources; the tests need Wine
    # anyway. Two of moderate size keep the run short.
    found = sorted(glob.glob("/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/*.dll"), key=os.path.getsize)
    moderate = [path for path in found if 150_000 <= os.path.getsize(path) <= 1_500_000]
    if len(moderate) < 2:
        sys.exit("make_lzma_vectors: Wine's 64-bit DLLs are needed as real PE files")
    return [moderate[len(moderate) // 4], moderate[-1]]


rng = random.Random(20261209)
inputs = {
    "empty": b"",
    "one-byte": b"Q",
    "zeros": bytes(300_000),
    "repeated": b"Quorvalent " * 40_000,
    "random": rng.randbytes(200_000),
    # Around the smallest dictionary (4 KiB), the decoder's 64 KiB input buffer and its
    # filter buffer: a window that wraps, and pieces that end just before or after a border.
    "dict-minus-1": rng.randbytes(2048) * 2 + b"x" * 4095,
    "dict-exact": (b"ab" * 2048) + rng.randbytes(4096),
    "dict-plus-1": rng.randbytes(4097) + rng.randbytes(100) * 50,
    "block-65535": (rng.randbytes(1000) * 66)[:65535],
    "block-65537": (rng.randbytes(1000) * 66)[:65537],
    "text-mix": b"".join(rng.choice([b"GET ", b"POST ", b"/api/v1/", b"{\"id\": ", b"}\r\n", rng.randbytes(3)])
                         for _ in range(50_000)),
}
for index, path in enumerate(real_pe_files()):
    with open(path, "rb") as f:
        inputs["pe-%d" % index] = f.read()

for name, data in inputs.items():
    original = name + ".bin"
    write(original, data)
    # Raw streams with several property sets and dictionaries, the smallest among them.
    for lc, lp, pb, dictionary in [(3, 0, 2, 1 << 20), (0, 2, 0, 4096), (4, 0, 4, 4096), (0, 4, 1, 1 << 16)]:
        stream = "%s.lc%dlp%dpb%d.d%d.lzma1" % (name, lc, lp, pb, dictionary)
        write(stream, lzma.compress(data, format=lzma.FORMAT_RAW, filters=[{
            "id": lzma.FILTER_LZMA1, "preset": 6, "dict_size": dictionary, "lc": lc, "lp": lp, "pb": pb}]))
        lines.append("raw %s %s %d %d" % (stream, original, (pb * 5 + lp) * 9 + lc, dictionary))
    # The xz program's .lzma file: a header of its own and an end marker after the data.
    alone = name + ".lzma"
    with open(os.path.join(out_dir, alone), "wb") as f:
        subprocess.run(["xz", "--format=lzma", "-6", "--stdout"], input=data, stdout=f, check=True)
    lines.append("alone %s %s" % (alone, original))
    for method in ("stored", "lzma", "lzma-x86", "best"):
        packed = "%s.%s.qvz" % (name, method)
        write(packed, pack_payload.pack(data, method))
        lines.append("packed %s %s" % (packed, original))
    filtered = name + ".filtered"
    write(filtered, pack_payload.branch_filter(data))
    lines.append("filter %s %s" % (filtered, original))

with open(os.path.join(out_dir, "vectors.txt"), "w") as f:
    f.write("\n".join(lines) + "\n")
