#!/usr/bin/env python3
"""A product the size of a real one for the end-to-end tests, and its packed forms.

    make_test_products.py OUTPUT_FOLDER STAND_IN SOURCE_FOLDER

big-product.exe is the stand-in product (so it still opens its window when started) with
6 MiB of real Windows machine code and resources after its image, Wine's own 64-bit DLLs in
name order; the loader ignores such an overlay. big-product.qvz is it packed as the build
packs, big-product.stored.qvz packed without compression. Packed as soundly, and still no
programs: text-product.qvz, a text, and unsigned-product.qvz, the stand-in whose "PE\0\0"
was wiped.
"""
import glob
import os
import sys

out_dir, stand_in, source_dir = sys.argv[1:4]
sys.path.insert(0, os.path.join(source_dir, "tools"))
import pack_payload  # noqa: E402

SIZE = 6 << 20
with open(stand_in, "rb") as f:
    product = bytearray(f.read())
for path in sorted(glob.glob("/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/*.dll")):
    if len(product) >= SIZE:
        break
    with open(path, "rb") as f:
        product += f.read()
if len(product) < SIZE:
    sys.exit("make_test_products: Wine's 64-bit DLLs are needed as real machine code")
product = bytes(product[:SIZE])

with open(stand_in, "rb") as f:
    unsigned = bytearray(f.read())
signature = int.from_bytes(unsigned[0x3C:0x40], "little")
if unsigned[signature:signature + 4] != b"PE\0\0":
    sys.exit("make_test_products: the stand-in has no PE header where its DOS header points")
unsigned[signature:signature + 4] = b"\0" * 4
text = b"Quorvalent 3.3.0: the REST client's release notes, not the program itself.\r\n" * 20000

os.makedirs(out_dir, exist_ok=True)
for name, data in [("big-product.exe", product), ("big-product.qvz", pack_payload.pack(product)),
                   ("big-product.stored.qvz", pack_payload.pack(product, "stored")),
                   ("text-product.qvz", pack_payload.pack(text)),
                   ("unsigned-product.qvz", pack_payload.pack(bytes(unsigned)))]:
    with open(os.path.join(out_dir, name), "wb") as f:
        f.write(data)
