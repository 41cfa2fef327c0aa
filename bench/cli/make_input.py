#!/usr/bin/env python3
"""Writes a stereo 16-bit 48 kHz WAV file of the given length quickly: one
second of a busy signal (detuned partials with a tremolo) repeated, so that
hour-long inputs take seconds to make.
Usage: make_input.py PATH SECONDS"""
import math
import struct
import sys

path, seconds = sys.argv[1], int(sys.argv[2])
rate, channels = 48000, 2
freqs = [110.0, 164.8, 220.0, 277.2, 329.6]
second = bytearray()
for n in range(rate):
    t = n / rate
    env = 0.6 + 0.4 * math.sin(2 * math.pi * 2.0 * t)
    left = sum(math.sin(2 * math.pi * f * t) + 0.3 * math.sin(4 * math.pi * f * t) for f in freqs)
    right = sum(math.sin(2 * math.pi * f * 1.003 * t) for f in freqs)
    second += struct.pack("<hh", int(3000 * env * left), int(3000 * env * right))
data_bytes = len(second) * seconds
with open(path, "wb") as f:
    f.write(b"RIFF" + struct.pack("<I", 36 + data_bytes) + b"WAVE")
    f.write(b"fmt " + struct.pack("<IHHIIHH", 16, 1, channels, rate, rate * channels * 2, channels * 2, 16))
    f.write(b"data" + struct.pack("<I", data_bytes))
    for _ in range(seconds):
        f.write(second)
