#!/usr/bin/env python3
"""Encodes clear-text definition sources into the stored definition files.

Usage: encode.py KEY OUTDIR SOURCE.txt...  (writes OUTDIR/SOURCE.dat for each)
Every byte but CR and LF is shifted up by KEY, wrapping by 255; line ends stay in clear.
"""
import os
import sys


def encode(data: bytes, key: int) -> bytes:
    out = bytearray(data)
    for i, c in enumerate(out):
        if c in (10, 13):
            continue
        c += key
        if c > 255:
            c -= 255
        out[i] = c
    return bytes(out)


def main() -> int:
    if len(sys.argv) < 4:
        sys.stderr.write(__doc__)
        return 2
    key = int(sys.argv[1])
    if not 1 <= key <= 254:
        sys.stderr.write("encode.py: the key must be 1 to 254\n")
        return 2
    outdir = sys.argv[2]
    os.makedirs(outdir, exist_ok=True)
    for source in sys.argv[3:]:
        with open(source, "rb") as f:
            data = f.read()
        name = os.path.splitext(os.path.basename(source))[0] + ".dat"
        target = os.path.join(outdir, name)
        tmp = target + ".tmp"
        with open(tmp, "wb") as f:
            f.write(encode(data, key))
        os.replace(tmp, target)
    return 0


if __name__ == "__main__":
    sys.exit(main())
