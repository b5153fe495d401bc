"""libjpeg-turbo's own decode time of a JPEG file, in milliseconds, from tjbench."""
import re
import subprocess
import sys

out = subprocess.run(["tjbench", sys.argv[1], "-benchtime", "2", "-warmup", "1"],
                     capture_output=True, text=True).stdout
# tjbench prints decompression throughput in megapixels a second.
rates = re.findall(r"Decomp(?:ression)?\s*(?:\.\.\.|:)?.*?([0-9.]+)\s*Megapixels/sec", out)
if not rates:
    rates = re.findall(r"([0-9.]+)\s*Megapixels/sec", out)
size = re.search(r"(\d+)\s*x\s*(\d+)", out)
if not rates or not size:
    print("nan")
    sys.exit(0)
pixels = int(size.group(1)) * int(size.group(2))
print("%.3f" % (pixels / (float(rates[-1]) * 1e6) * 1000))
