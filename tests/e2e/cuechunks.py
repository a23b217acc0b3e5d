#!/usr/bin/env python3
"""Markers and regions in wave files, the way other editors write them, for the cue tests.

  cuechunks.py add IN OUT MARK...   copy IN to OUT with a "cue " chunk and a LIST/adtl
                                    (labl, note, ltxt) after the data; each MARK is
                                    id:frame:length:label[:note] (length 0: a marker)
  cuechunks.py dump FILE            print one line per cue point, in the file's order:
                                    "id frame length label|note" (length from ltxt, 0 without)

The parser is written from the RIFF layout alone and knows nothing of the program.
"""
import struct
import sys


def chunks(data, start, end):
    at = start
    while at + 8 <= end:
        cid, size = struct.unpack_from("<4sI", data, at)
        body = data[at + 8:at + 8 + size]
        yield cid, body
        at += 8 + size + (size & 1)


def add(src, dst, marks):
    data = open(src, "rb").read()
    assert data[:4] == b"RIFF" and data[8:12] == b"WAVE"
    body = data[12:12 + struct.unpack_from("<I", data, 4)[0] - 4]
    cues = []
    for s in marks:
        parts = s.split(":")
        cues.append((int(parts[0]), int(parts[1]), int(parts[2]), parts[3], parts[4] if len(parts) > 4 else ""))
    cue = struct.pack("<I", len(cues))
    for cid, frame, _, _, _ in cues:
        cue += struct.pack("<II4sIII", cid, frame, b"data", 0, 0, frame)
    adtl = b"adtl"

    def sub(tag, payload):
        out = tag + struct.pack("<I", len(payload)) + payload
        return out + (b"\0" if len(payload) & 1 else b"")

    for cid, frame, length, label, note in cues:
        adtl += sub(b"labl", struct.pack("<I", cid) + label.encode() + b"\0")
        if note:
            adtl += sub(b"note", struct.pack("<I", cid) + note.encode() + b"\0")
        if length:
            adtl += sub(b"ltxt", struct.pack("<II4sHHHH", cid, length, b"rgn ", 0, 0, 0, 0))
    extra = b"cue " + struct.pack("<I", len(cue)) + cue + b"LIST" + struct.pack("<I", len(adtl)) + adtl
    if len(adtl) & 1:
        extra += b"\0"
    riff = b"WAVE" + body + extra
    open(dst, "wb").write(b"RIFF" + struct.pack("<I", len(riff)) + riff)


def dump(path):
    data = open(path, "rb").read()
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        print("not a wave file")
        return
    points, labels, notes, lengths = [], {}, {}, {}
    for cid, body in chunks(data, 12, len(data)):
        if cid == b"cue ":
            n = struct.unpack_from("<I", body, 0)[0]
            for k in range(n):
                ident, _, _, _, _, offset = struct.unpack_from("<II4sIII", body, 4 + 24 * k)
                points.append((ident, offset))
        elif cid == b"LIST" and body[:4] == b"adtl":
            for sid, sb in chunks(body, 4, len(body)):
                ident = struct.unpack_from("<I", sb, 0)[0]
                if sid == b"labl":
                    labels[ident] = sb[4:].split(b"\0")[0].decode()
                elif sid == b"note":
                    notes[ident] = sb[4:].split(b"\0")[0].decode()
                elif sid == b"ltxt":
                    lengths[ident] = struct.unpack_from("<I", sb, 4)[0]
    for ident, offset in points:
        print(ident, offset, lengths.get(ident, 0), labels.get(ident, "") + "|" + notes.get(ident, ""))


if __name__ == "__main__":
    if sys.argv[1] == "add":
        add(sys.argv[2], sys.argv[3], sys.argv[4:])
    else:
        dump(sys.argv[2])
