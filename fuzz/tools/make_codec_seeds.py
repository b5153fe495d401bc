"""Writes the codec fuzzer's seeds: for each decoder a few packed streams made
by small encoders of our own. Seed layout: decoder number, unpacked size (two
bytes, little-endian), parameter byte, then the packed bytes."""
import os
import random
import sys

out = sys.argv[1]
random.seed(5)


def lzw(data, gif, code_size=8):
    clear = 1 << code_size
    table = {bytes([i]): i for i in range(clear)}
    next_code, width = clear + 2, code_size + 1
    bits, held, packed = 0, 0, bytearray()

    def put(code):
        nonlocal bits, held
        if gif:
            bits |= code << held
            held += width
            while held >= 8:
                packed.append(bits & 255)
                bits >>= 8
                held -= 8
        else:
            bits = (bits << width) | code
            held += width
            while held >= 8:
                packed.append((bits >> (held - 8)) & 255)
                held -= 8

    put(clear)
    w = b""
    for c in data:
        wc = w + bytes([c])
        if wc in table:
            w = wc
            continue
        put(table[w])
        if next_code < 4094:
            table[wc] = next_code
            next_code += 1
            # The decoder adds its entries one code behind us; TIFF's grows its width one code early.
            if next_code + (0 if gif else 1) > (1 << width) and width < 12:
                width += 1
        w = bytes([c])
    if w:
        put(table[w])
    put(clear + 1)
    if held:
        packed.append((bits << (8 - held)) & 255 if not gif else bits & 255)
    return bytes(packed)


def packbits(data):
    out, i = bytearray(), 0
    while i < len(data):
        run = 1
        while i + run < len(data) and run < 128 and data[i + run] == data[i]:
            run += 1
        if run > 1:
            out += bytes([(257 - run) & 255, data[i]])
            i += run
        else:
            j = i
            while j < len(data) and j - i < 128 and (j + 1 >= len(data) or data[j + 1] != data[j]):
                j += 1
            j = max(j, i + 1)
            out += bytes([j - i - 1]) + data[i:j]
            i = j
    return bytes(out)


def pcx(data):
    out = bytearray()
    for b in data:
        if b >= 192:
            out += bytes([193, b])
        else:
            out.append(b)
    return bytes(out) + bytes([200, 7])


def samples(kind, n):
    if kind == 0:
        return bytes(random.randrange(4) for _ in range(n))
    if kind == 1:
        return bytes((i // 9) & 255 for i in range(n))
    return bytes(random.randrange(256) for _ in range(n))


def seed(name, decoder, unpacked, parameter, packed):
    with open(os.path.join(out, name), "wb") as f:
        f.write(bytes([decoder, unpacked & 255, unpacked >> 8, parameter]) + packed)


for k in range(3):
    data = samples(k, 300 + 700 * k)
    seed(f"tifflzw{k}", 0, len(data), 0, lzw(data, False))
    seed(f"giflzw{k}", 1, len(data), 8, lzw(data, True))
    seed(f"packbits{k}", 2, len(data), 0, packbits(data))
    seed(f"pcx{k}", 3, len(data) + 7, 0, pcx(data))
small = bytes(random.randrange(4) for _ in range(200))
seed("giflzw-size2", 1, len(small), 2, lzw(small, True, 2))
seed("sgi1", 4, 40, 0, bytes([0x85, 1, 2, 3, 4, 5, 0x10, 9, 0x81, 7, 0]))
seed("sgi2", 4, 40, 1, bytes([0, 0x83, 1, 0, 2, 0, 3, 0, 0, 0x05, 9, 0, 0, 0]))
seed("cut", 5, 30, 0, bytes([12, 0, 0x85, 7, 3, 1, 2, 3, 0x81, 9, 0]))
seed("rla", 6, 40, 0, bytes([4, 7, 0xFD, 1, 2, 3, 0, 9]))
seed("targa24", 7, 60, 3, bytes([0x83, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9]))
seed("targa8", 7, 20, 0, bytes([0x85, 1, 0x02, 4, 5, 6]))
seed("targa-encode", 8, 0, 2, bytes([1, 1, 1, 1, 2, 3, 4, 4, 4, 9, 9, 8]))
seed("targa-encode32", 8, 0, 3, bytes(range(64)) + bytes(64))
