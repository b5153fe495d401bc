"""Median milliseconds of one Pillow operation on a file, over repeated runs in one interpreter.
usage: pillow_time.py load FILE | pillow_time.py OPERATION FILE [ARG...]
Operations other than load run on the decoded picture (its decode not counted)."""
import statistics
import sys
import time

from PIL import Image, ImageEnhance, ImageFilter, ImageOps


def operation(name, args):
    if name == "load":
        path = args[0]
        return lambda: Image.open(path).load()
    picture = Image.open(args[0])
    picture.load()
    picture = picture.convert("RGB") if picture.mode not in ("RGB", "P") or name != "load_palette" else picture
    table = {
        "posterize": lambda: ImageOps.posterize(picture, int(args[1])),
        "contrast": lambda: ImageEnhance.Contrast(picture).enhance(float(args[1])),
        "color": lambda: ImageEnhance.Color(picture).enhance(float(args[1])),
        "kernel3": lambda: picture.filter(ImageFilter.Kernel((3, 3), [0, -1, 0, -1, 5, -1, 0, -1, 0])),
        "gaussian": lambda: picture.filter(ImageFilter.GaussianBlur(float(args[1]))),
        "resize": lambda: picture.resize((int(args[1]), int(args[2])), getattr(Image.Resampling, args[3])),
    }
    return table[name]


def main():
    run = operation(sys.argv[1], sys.argv[2:])
    run()
    times = []
    for _ in range(7):
        start = time.perf_counter()
        run()
        times.append((time.perf_counter() - start) * 1000)
    print("%.3f" % statistics.median(times))


main()
