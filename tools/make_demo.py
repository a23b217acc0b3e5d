#!/usr/bin/env python3
"""Writes the demo sound the editor opens when started without a file: four seconds of a
soft chord that swells, with a short rest, as 22050 Hz 16-bit stereo PCM.  Made at build
time from nothing but arithmetic, so the project ships no sample files."""
import math
import struct
import sys
import wave

RATE = 22050
SECONDS = 4.0


def sample(t):
    notes = (220.0, 277.18, 329.63, 440.0)            # A major, close voicing
    env = min(1.0, t / 0.4) * max(0.0, min(1.0, (3.3 - t) / 1.2))
    left = sum(math.sin(2 * math.pi * f * t) / (i + 1) for i, f in enumerate(notes))
    right = sum(math.sin(2 * math.pi * f * 1.002 * t + i) / (i + 1) for i, f in enumerate(notes))
    return 0.33 * env * left, 0.33 * env * right


def main(path):
    frames = bytearray()
    for n in range(int(RATE * SECONDS)):
        left, right = sample(n / RATE)
        frames += struct.pack('<hh', int(max(-1, min(1, left)) * 32000), int(max(-1, min(1, right)) * 32000))
    with wave.open(path, 'wb') as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(bytes(frames))


if __name__ == '__main__':
    main(sys.argv[1])
