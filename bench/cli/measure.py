#!/usr/bin/env python3
"""Runs a command and prints "SECONDS PEAK_RSS_KB" of it (wall-clock time and
the largest resident set of the process). Exits with the command's status.
Usage: measure.py COMMAND [ARG...]"""
import resource
import subprocess
import sys
import time

start = time.monotonic()
status = subprocess.call(sys.argv[1:])
elapsed = time.monotonic() - start
peak_kb = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss  # kB on Linux
print("%.3f %d" % (elapsed, peak_kb))
sys.exit(status)
