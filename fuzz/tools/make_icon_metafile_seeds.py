"""Seeds of the icon and metafile fuzzer: a leading 0 byte picks the icon
reader, 1 the metafile reader. Icons come from the files named on the
command line; the metafiles are written here."""
import os
import struct
import sys

out = sys.argv[1]
for i, path in enumerate(sys.argv[2:]):
    with open(path, "rb") as f, open(os.path.join(out, "icon%d" % i), "wb") as g:
        g.write(b"\0" + f.read())


def wmf_records(extent):
    header = struct.pack("<HHHIHIH", 1, 9, 0x300, 0, 0, 0, 0)
    body = b""
    if extent:
        body += struct.pack("<IHhh", 5, 0x020C, 300, 400)
        body += struct.pack("<IHhh", 5, 0x020B, 0, 0)  # SetWindowOrg
    body += struct.pack("<IHhhhh", 7, 0x041B, 10, 10, 50, 50)  # Rectangle
    return header + body + struct.pack("<IH", 3, 0)


def placeable(left, top, right, bottom, inch):
    words = struct.unpack("<10H", struct.pack("<IHhhhhHI", 0x9AC6CDD7, 0, left, top, right, bottom, inch, 0))
    checksum = 0
    for w in words:
        checksum ^= w
    return struct.pack("<10HH", *words, checksum)


def emf(frame):
    header = struct.pack("<II4i4iI", 1, 88, 0, 0, 99, 49, *frame, 0x464D4520)
    return header.ljust(88, b"\0") + struct.pack("<IIIIII", 14, 20, 0, 0, 0, 20)


seeds = {
    "wmf-placeable": placeable(0, 0, 1440, 720, 1440) + wmf_records(False),
    "wmf-placeable-negative": placeable(100, 100, -200, 50, 576) + wmf_records(True),
    "wmf-plain": wmf_records(True),
    "wmf-plain-noextent": wmf_records(False),
    "emf": emf((0, 0, 2540, 5080)),
    "emf-offset": emf((-100, 200, 1000, 900)),
}
for name, data in seeds.items():
    with open(os.path.join(out, name), "wb") as f:
        f.write(b"\1" + data)
