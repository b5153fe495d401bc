"""Median milliseconds of a command (run through no shell) over 7 runs after a warm-up."""
import statistics
import subprocess
import sys
import time

command = sys.argv[1:]
subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
times = []
for _ in range(7):
    start = time.perf_counter()
    subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
    times.append((time.perf_counter() - start) * 1000)
print("%.3f" % statistics.median(times))
