#!/usr/bin/env python3
"""How much of a reference text (a peer tool's output) a converter's text
holds, in order.

    compare_text.py OURS REFERENCE [--mode auto|zh|en]

OURS is read as UTF-8 when it starts with a UTF-8 mark or decodes as UTF-8
strictly, else as GBK; REFERENCE as UTF-8. The texts are cut into units:
Han characters for Chinese texts ("zh"), words (letters and digits, with
inner apostrophes) for English ones ("en"); "auto" picks zh when the
reference holds more Han characters than words. The score is the length of
the longest common subsequence of the two unit sequences over the number of
units in the reference: the share of the reference's units that appear in
our text in the same order. Printed as one line:

    mode units_ref units_ours lcs percent

With --nfkc both texts are first brought to Unicode compatibility form
(NFKC): ligature glyphs such as U+FB01 become "fi", Kangxi radicals the
ideographs they stand for, full-width Latin letters plain ones -- the same
text written with other code points.

Several pairs: compare_text.py --pairs OURS1 REF1 OURS2 REF2 ...
"""
import argparse
import re
import sys
import unicodedata

HAN = re.compile(
    "[\u3400-\u4dbf\u4e00-\u9fff\uf900-\ufaff\U00020000-\U0002ebef\U00030000-\U0003134f]")
WORD = re.compile(r"[^\W_]+(?:['\u2019][^\W_]+)*")


def read_ours(path):
    data = open(path, "rb").read()
    if data.startswith(b"\xef\xbb\xbf"):
        return data[3:].decode("utf-8", errors="replace")
    if data.startswith(b"\xff\xfe"):
        return data[2:].decode("utf-16-le", errors="replace")
    try:
        return data.decode("utf-8")
    except UnicodeDecodeError:
        return data.decode("gbk", errors="replace")


def units(text, mode):
    if mode == "zh":
        return HAN.findall(text)
    return WORD.findall(text)


def lcs_length(a, b):
    """Exact LCS length, bit-parallel over `a` (Allison-Dix): every unit of
    `b` updates one big integer, so the cost is len(b) * len(a) / 64 words."""
    if not a or not b:
        return 0
    n = len(a)
    positions = {}
    for i, u in enumerate(a):
        positions.setdefault(u, []).append(i)
    masks = {}
    for u, ps in positions.items():
        bits = bytearray((n + 7) // 8)
        for p in ps:
            bits[p >> 3] |= 1 << (p & 7)
        masks[u] = int.from_bytes(bits, "little")
    full = (1 << n) - 1
    v = full
    for u in b:
        m = masks.get(u)
        if m is None:
            continue
        x = v & m
        v = ((v + x) | (v - x)) & full
    return n - bin(v).count("1")


def compare(ours_path, ref_path, mode, nfkc=False):
    ours = read_ours(ours_path)
    ref = open(ref_path, "rb").read().decode("utf-8", errors="replace")
    if nfkc:
        ours = unicodedata.normalize("NFKC", ours)
        ref = unicodedata.normalize("NFKC", ref)
    if mode == "auto":
        mode = "zh" if len(HAN.findall(ref)) > len(WORD.findall(ref)) else "en"
    ru = units(ref, mode)
    ou = units(ours, mode)
    common = lcs_length(ru, ou)
    pct = 100.0 * common / len(ru) if ru else 100.0
    return mode, len(ru), len(ou), common, pct


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("files", nargs="+")
    ap.add_argument("--mode", default="auto", choices=["auto", "zh", "en"])
    ap.add_argument("--pairs", action="store_true", help="files are OURS REF pairs")
    ap.add_argument("--nfkc", action="store_true", help="compare in compatibility form")
    args = ap.parse_args()
    files = args.files
    if not args.pairs and len(files) != 2:
        ap.error("two files, or --pairs")
    if len(files) % 2:
        ap.error("pairs of files")
    for i in range(0, len(files), 2):
        mode, nr, no, common, pct = compare(files[i], files[i + 1], args.mode, args.nfkc)
        print(f"{mode} {nr} {no} {common} {pct:.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
