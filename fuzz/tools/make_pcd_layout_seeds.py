"""Writes the Photo-CD layout fuzzer's seeds (fuzz/PcdLayout.cpp reads them):
selector, orientation byte, signature damage and its place, lead-in, the
file's end (three bytes, little-endian; the pack's size keeps it whole),
then the bytes the image's lines repeat."""
import os
import sys

out = sys.argv[1]
os.makedirs(out, exist_ok=True)
SIZES = [194636, 194636, 786432]  # each pack reaches past its orientation byte
# Luma and chroma that push every channel past both ends of its range.
LINES = bytes([0, 255, 188, 40, 156, 137, 0, 255, 90, 200, 17, 250, 3])


def seed(name, selector, orientation, damage=0, place=0, lead_in=0, end=None, lines=LINES):
    if end is None:  # the whole pack
        end = SIZES[selector if 0 <= selector <= 2 else 0]
    head = bytes([selector & 255, orientation, damage, place, lead_in]) + end.to_bytes(3, "little")
    with open(os.path.join(out, name), "wb") as f:
        f.write(head + lines)


seed("landscape-base", 2, 0)
seed("portrait-base16", 0, 1, lead_in=7)
seed("upside-down-base4", 1, 2)
seed("clockwise-base16", 0, 3, lines=bytes(range(256)))
seed("orientation-high-bits-base16", 0, 0xFD)
seed("base-cut-in-the-lines", 2, 0, end=196608 + 768 * 3 * 40 + 1000)
seed("base-cut-in-the-last-chroma", 2, 1, end=196608 + 768 * 3 * 256 - 50)
seed("cut-before-the-orientation", 0, 0, end=194635)
seed("cut-in-the-signature", 2, 0, end=2051)
seed("wrong-signature", 2, 0, damage=0x20, place=6)
seed("unsupported-selector", 3, 0)
seed("no-lines", 0, 0, lines=b"")
