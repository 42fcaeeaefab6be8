#!/usr/bin/env python3
"""The PDF peer table: for every PDF in the given folders that has
pdftotext's text beside it (FILE.pdftotext.txt), Folian's text
(folian-cli convert) is compared with it by compare_text.py (Han characters
for Chinese files, words for English ones, in order; also in compatibility
form), and both tools are timed as whole processes.

    tools/eval/pdf_peer_table.py FOLIAN_CLI DIR... [--runs N]

Times are per file: the mean wall time and the mean CPU time (user +
system) over N runs after one warm-up. On a busy machine the CPU time is
the steadier figure. Prints a Markdown table.
"""
import argparse
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from compare_text import compare  # noqa: E402
from proc_time import timed  # noqa: E402



def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("cli")
    ap.add_argument("dirs", nargs="+")
    ap.add_argument("--runs", type=int, default=5)
    args = ap.parse_args()
    out = tempfile.mkdtemp(prefix="pdfpeer")
    print("| sample | unit | pdftotext | ours | in order | % | % NFKC | Folian wall / CPU s | pdftotext wall / CPU s |")
    print("|---|---|---|---|---|---|---|---|---|")
    for d in args.dirs:
        for name in sorted(os.listdir(d)):
            if not name.endswith(".pdf"):
                continue
            pdf = os.path.join(d, name)
            ref = pdf + ".pdftotext.txt"
            if not os.path.exists(ref):
                continue
            r = subprocess.run([args.cli, "convert", "--replace", "-o", out, pdf], capture_output=True, text=True)
            if r.returncode != 0:
                print(f"| {name} | failed: {r.stderr.strip()} |")
                continue
            ours = r.stdout.strip().splitlines()[-1]
            mode, nr, no, common, pct = compare(ours, ref, "auto")
            _, _, _, _, pct_nfkc = compare(ours, ref, mode, nfkc=True)
            fw, fc = timed([args.cli, "convert", "--replace", "-o", out, pdf], args.runs)
            pw, pc = timed(["pdftotext", pdf, os.path.join(out, "p.txt")], args.runs)
            unit = "Han" if mode == "zh" else "words"
            print(f"| {name} | {unit} | {nr} | {no} | {common} | {pct:.2f} | {pct_nfkc:.2f} | "
                  f"{fw:.3f} / {fc:.3f} | {pw:.3f} / {pc:.3f} |")
    return 0


if __name__ == "__main__":
    sys.exit(main())
