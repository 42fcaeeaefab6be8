#!/usr/bin/env python3
"""The RTF and Word peer table: for every .rtf, .doc and .docx in the given
folders, Folian's text (folian-cli convert) is compared by compare_text.py
(Han characters for Chinese files, words for English ones, in order) with
each peer text stored beside the sample (FILE.<tool>.txt: striprtf's
expected text, pandoc, unrtf, calibre, antiword, catdoc, LibreOffice), and
Folian and the peers installed here (pandoc, unrtf, antiword, catdoc) are
timed as whole processes on it.

    tools/eval/word_peer_table.py FOLIAN_CLI DIR... [--runs N]

Times are the mean wall time and the mean CPU time (user + system) over N
runs after one warm-up. Prints two Markdown tables.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from compare_text import compare  # noqa: E402
from proc_time import timed  # noqa: E402

EXTS = (".rtf", ".doc", ".docx")


def peers_for(path, out):
    ext = os.path.splitext(path)[1].lower()
    if ext == ".rtf":
        return {"pandoc": ["pandoc", "-f", "rtf", "-t", "plain", path, "-o", os.path.join(out, "p.txt")],
                "unrtf": ["unrtf", "--text", path]}
    if ext == ".docx":
        return {"pandoc": ["pandoc", "-f", "docx", "-t", "plain", path, "-o", os.path.join(out, "p.txt")]}
    return {"antiword": ["antiword", path], "catdoc": ["catdoc", path]}



def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("cli")
    ap.add_argument("dirs", nargs="+")
    ap.add_argument("--runs", type=int, default=3)
    args = ap.parse_args()
    out = tempfile.mkdtemp(prefix="wordpeer")
    rows, times = [], []
    for d in args.dirs:
        for name in sorted(os.listdir(d)):
            if not name.lower().endswith(EXTS):
                continue
            path = os.path.join(d, name)
            r = subprocess.run([args.cli, "convert", "--replace", "-o", out, path], capture_output=True, text=True)
            if r.returncode != 0:
                rows.append(f"| {name} | failed: {r.stderr.strip()} |")
                continue
            ours = r.stdout.strip().splitlines()[-1]
            for ref_name in sorted(os.listdir(d)):
                if not (ref_name.startswith(name + ".") and ref_name.endswith(".txt")):
                    continue
                tool = ref_name[len(name) + 1:-4]
                mode, nr, no, common, pct = compare(ours, os.path.join(d, ref_name), "auto")
                unit = "Han" if mode == "zh" else "words"
                rows.append(f"| {name} | {tool} | {unit} | {nr} | {no} | {common} | {pct:.2f} |")
            fw, fc = timed([args.cli, "convert", "--replace", "-o", out, path], args.runs)
            cells = [f"{fw:.3f} / {fc:.3f}"]
            for tool, cmd in peers_for(path, out).items():
                if shutil.which(cmd[0]) is None:
                    continue
                pw, pc = timed(cmd, args.runs)
                cells.append(f"{tool} {pw:.3f} / {pc:.3f}")
            times.append(f"| {name} | {os.path.getsize(path)} | " + " | ".join(cells) + " |")
    print("| sample | peer text | unit | peer units | our units | in order | % of peer |")
    print("|---|---|---|---|---|---|---|")
    print("\n".join(rows))
    print()
    print("| sample | bytes | Folian wall / CPU s | peers wall / CPU s |")
    print("|---|---|---|---|")
    print("\n".join(times))
    return 0


if __name__ == "__main__":
    sys.exit(main())
