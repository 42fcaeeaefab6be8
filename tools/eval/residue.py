#!/usr/bin/env python3
"""List what a tidied polluted file holds beyond its clean text.

    python3 tools/eval/residue.py TIDIED.txt TRUTH.json

Each tidied line that is not part of the clean text is printed with the
pieces the clean text lacks marked [like this]; a line that is all residue is
printed whole. A reading aid for the training folds (see ad_eval.py).
"""
import json, os, sys
from difflib import SequenceMatcher

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', '..', 'shared', 'text'))
import measure  # noqa: E402


def main():
    tidied, truth = sys.argv[1], json.load(open(sys.argv[2], encoding='utf-8'))
    clean = ''.join(measure.norm(p['text']) for p in truth['clean_paragraphs'])
    pos = 0
    for line in measure.paragraphs(measure.read_text(tidied)):
        at = clean.find(line, pos)
        if at >= 0:
            pos = at + len(line)
            continue
        anchor = clean.find(line[:8], pos) if len(line) >= 8 else -1
        if anchor < 0 and len(line) >= 8:
            anchor = clean.find(line[-8:], pos)
            anchor = anchor - len(line) if anchor >= 0 else -1
        if anchor < 0:
            print('LINE  ' + line)
            continue
        window = clean[max(0, anchor - 20):anchor + len(line) + 40]
        sm = SequenceMatcher(None, window, line, autojunk=False)
        out, j = [], 0
        for m in sm.get_matching_blocks():
            if m.b > j:
                out.append('[' + line[j:m.b] + ']')
            out.append(line[m.b:m.b + m.size])
            j = m.b + m.size
        print('IN    ' + ''.join(out))
        pos = max(pos, anchor)


if __name__ == '__main__':
    main()
