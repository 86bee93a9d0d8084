#!/usr/bin/env python3
"""Writes small OpenDML seeds for the AVI repair's fuzz corpus.

A real recording only starts its second RIFF part past 1 GiB; these files
have the same layout at a few kilobytes: a first RIFF "AVI " part with
super-indexes (indx), an odml list and idx1, then a RIFF "AVIX" part, each
part's movi list ending in standard indexes (ix00, ix01). Three forms:
whole, cut off inside the second part, and one whose sizes and counts were
never written (the writer was killed).

    fuzz/odmlseeds.py fuzz/corpus/avirepair
"""
import struct
import sys
from pathlib import Path

WIDTH, HEIGHT, FRAMES_PER_PART = 8, 8, 6
FRAME = WIDTH * HEIGHT * 2  # YUY2
AUDIO = 44  # bytes of 22050 Hz mono 16-bit sound per chunk
SUPER_ENTRIES = 4


def chunk(fourcc, data):
    pad = b"\0" if len(data) % 2 else b""
    return fourcc + struct.pack("<I", len(data)) + data + pad


def lst(kind, body):
    return b"LIST" + struct.pack("<I", len(body) + 4) + kind + body


def strl(video, frames, super_entries):
    if video:
        strh = struct.pack("<4s4sIHHIIIIIIII4h", b"vids", b"YUY2", 0, 0, 0, 0,
                           1000000, 30000000, 0, frames, FRAME, 0, 0,
                           0, 0, WIDTH, HEIGHT)
        strf = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 16,
                           0x32595559, FRAME, 0, 0, 0, 0)
        cid = b"00dc"
    else:
        strh = struct.pack("<4s4sIHHIIIIIIII4h", b"auds", b"\0\0\0\0", 0, 0, 0,
                           0, 1, 22050, 0, frames * AUDIO // 2, AUDIO, 0, 2,
                           0, 0, 0, 0)
        strf = struct.pack("<HHIIHHH", 1, 1, 22050, 44100, 2, 16, 0)
        cid = b"01wb"
    entries = b"".join(struct.pack("<QII", o, s, d) for o, s, d in super_entries)
    entries += b"\0" * 16 * (SUPER_ENTRIES - len(super_entries))
    indx = struct.pack("<HBBI4s12s", 4, 0, 0, len(super_entries), cid, b"") + entries
    return lst(b"strl", chunk(b"strh", strh) + chunk(b"strf", strf) + chunk(b"indx", indx))


def movi(movi_at, crash=False):
    """One part's movi list at file offset movi_at, with its standard indexes.

    Returns the list, the idx1 entries (offsets from the movi fourcc) and,
    per stream, (offset of its ix chunk, ix chunk size)."""
    body = b""
    base = movi_at + 8  # offsets in ix## count from the movi fourcc's list
    entries = {b"00dc": [], b"01wb": []}
    idx1 = []
    for n in range(FRAMES_PER_PART):
        for cid, size, fill in ((b"00dc", FRAME, n), (b"01wb", AUDIO, 0x40 + n)):
            at = movi_at + 12 + len(body)
            body += chunk(cid, bytes([fill]) * size)
            entries[cid].append((at + 8 - base, size))
            idx1.append((cid, at - (movi_at + 8), size))
    ix = {}
    for stream, cid in ((0, b"00dc"), (1, b"01wb")):
        rows = b"".join(struct.pack("<II", o, s) for o, s in entries[cid])
        data = struct.pack("<HBBI4sQI", 2, 0, 1, len(entries[cid]), cid, base, 0) + rows
        tag = b"ix0" + str(stream).encode()
        ix[stream] = (movi_at + 12 + len(body), len(data) + 8)
        body += chunk(tag, data)
    size = 0 if crash else len(body) + 4
    return b"LIST" + struct.pack("<I", size) + b"movi" + body, idx1, ix


def build(crash=False):
    frames = FRAMES_PER_PART
    # Header sizes do not depend on the values in them: lay out once with
    # placeholders to find the offsets, then again with the real values.
    def header(super0, super1, total, first):
        avih = struct.pack("<IIIIIIIIII16s", 33333, 0, 0, 0x10, first, 0, 2, FRAME,
                           WIDTH, HEIGHT, b"")
        odml = lst(b"odml", chunk(b"dmlh", struct.pack("<I", total) + b"\0" * 244))
        hdrl = lst(b"hdrl", chunk(b"avih", avih) + strl(True, total, super0) +
                   strl(False, total, super1) + odml)
        return hdrl

    hdrl_len = len(header([], [], 0, 0))
    movi1_at = 12 + hdrl_len
    movi1, idx1, ix1 = movi(movi1_at, crash)
    idx1_chunk = chunk(b"idx1", b"".join(struct.pack("<4sIII", c, 0x10, o, s) for c, o, s in idx1))
    part1_len = 12 + hdrl_len + len(movi1) + len(idx1_chunk)
    movi2_at = part1_len + 12
    movi2, _, ix2 = movi(movi2_at, crash)
    part2_len = 12 + len(movi2)

    def supers(stream, duration):
        return [(ix1[stream][0], ix1[stream][1], duration), (ix2[stream][0], ix2[stream][1], duration)]

    if crash:
        hdrl = header([], [], 0, 0)
    else:
        hdrl = header(supers(0, frames), supers(1, frames * AUDIO // 2), 2 * frames, frames)
    assert len(hdrl) == hdrl_len
    riff1 = 0 if crash else part1_len - 8
    riff2 = 0 if crash else part2_len - 8
    return (b"RIFF" + struct.pack("<I", riff1) + b"AVI " + hdrl + movi1 + idx1_chunk +
            b"RIFF" + struct.pack("<I", riff2) + b"AVIX" + movi2)


def main():
    out = Path(sys.argv[1] if len(sys.argv) > 1 else ".")
    whole = build()
    (out / "odml-whole.avi").write_bytes(whole)
    # Cut inside the second part's third video frame.
    second = whole.index(b"AVIX")
    (out / "odml-cut.avi").write_bytes(whole[:second + 16 + 2 * (FRAME + AUDIO + 16) + 40])
    (out / "odml-killed.avi").write_bytes(build(crash=True))


if __name__ == "__main__":
    main()
