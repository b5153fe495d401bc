"""Writes a clip-art-like Windows metafile of about 200 KB (placeable,
1920 x 1080 pixels at 96 dpi): filled polygons, poly-polygons, outlined
curves as polylines, ellipses and a few lines of text, each shape with its
own brush and pen created, selected and deleted as drawing programs do.
As in clip art, shapes are mostly small parts of a larger picture and most
outlines are hairlines; one in six has a wide pen. With WIDE as the second
argument every outline is wide (2 to 6 pixels), the heavy case."""
import math
import random
import struct
import sys

rng = random.Random(19)
wide = len(sys.argv) > 2 and sys.argv[2] == "WIDE"
records = []
largest = 3


def record(function, words=b""):
    global largest
    if len(words) % 2:
        words += b"\0"
    size = 3 + len(words) // 2
    largest = max(largest, size)
    records.append(struct.pack("<IH", size, function) + words)


def shorts(*values):
    return struct.pack("<%dh" % len(values), *values)


def colour():
    return rng.randrange(1 << 24)


def brush_and_pen():
    record(0x02FC, struct.pack("<HIH", 0, colour(), 0))  # brush -> slot 0
    widths = [10, 20, 30] if wide else [0, 0, 0, 1, 1, rng.choice([10, 20, 30])]
    record(0x02FA, struct.pack("<HhhI", 0, rng.choice(widths), 0, colour()))  # pen -> slot 1
    record(0x012D, shorts(0))
    record(0x012D, shorts(1))


def done():
    record(0x01F0, shorts(0))
    record(0x01F0, shorts(1))


def blob(cx, cy, r, n):
    points = []
    for i in range(n):
        a = 6.2832 * i / n
        d = r * (0.6 + 0.4 * rng.random())
        points.append((int(cx + d * math.cos(a)), int(cy + d * math.sin(a))))
    return points


record(0x0103, shorts(8))  # anisotropic
record(0x020B, shorts(0, 0))  # window origin
record(0x020C, shorts(5400, 9600))  # window extent
record(0x0102, shorts(1))  # transparent text background
size = 0
while size < 200_000:
    kind = rng.random()
    cx, cy = rng.randrange(9600), rng.randrange(5400)
    r = rng.randrange(100, 1200) if wide else int(rng.choice([60, 120, 250, 500, 1000]) * (0.5 + rng.random()))
    brush_and_pen()
    if kind < 0.55:
        pts = blob(cx, cy, r, rng.randrange(12, 60))
        record(0x0324, shorts(len(pts)) + b"".join(shorts(x, y) for x, y in pts))
    elif kind < 0.75:
        a, b = blob(cx, cy, r, 30), blob(cx, cy, r // 2, 20)
        record(0x0538, shorts(2, len(a), len(b)) + b"".join(shorts(x, y) for x, y in a + b))
    elif kind < 0.9:
        pts = blob(cx, cy, r, rng.randrange(20, 80))
        record(0x0325, shorts(len(pts)) + b"".join(shorts(x, y) for x, y in pts))
    elif kind < 0.98:
        record(0x0418, shorts(cy + r // 2, cx + r, cy - r // 2, cx - r))  # bottom, right, top, left
    else:
        record(0x02FB, struct.pack("<hhhhh8B32s", -rng.randrange(100, 400), 0, 0, 0, 700, 0, 0, 0, 0, 0, 0, 0, 0,
                                   b"Sans"))
        record(0x012D, shorts(2))
        text = b"Clip art"
        record(0x0521, shorts(len(text)) + text + shorts(cy, cx))
        record(0x01F0, shorts(2))
    done()
    size = sum(len(r) for r in records)

body = b"".join(records) + struct.pack("<IH", 3, 0)
header = struct.pack("<HHHIHIH", 1, 9, 0x300, 9 + len(body) // 2, 3, largest, 0)
words = struct.unpack("<10H", struct.pack("<IHhhhhHI", 0x9AC6CDD7, 0, 0, 0, 9600, 5400, 480, 0))
checksum = 0
for w in words:
    checksum ^= w
with open(sys.argv[1], "wb") as f:
    f.write(struct.pack("<10HH", *words, checksum) + header + body)
