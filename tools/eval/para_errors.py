#!/usr/bin/env python3
"""Lists where a tidied file's paragraphs differ from the truth: each run of
clean paragraphs not reproduced, next to the tidied lines in its place, with
the layout of the chapter it is in and a guess at the kind of fault.

    para_errors.py --tidied TIDIED.txt --truth NAME.truth.json [--measure measure.py] [--max 40]

Kinds: glued (several clean paragraphs in one tidied line), split (one clean
paragraph over several lines), ad (the only difference is left-over text),
other.
"""
import argparse
import collections
import json
import os
import sys
from difflib import SequenceMatcher

HERE = os.path.dirname(os.path.abspath(__file__))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--tidied', required=True)
    ap.add_argument('--truth', required=True)
    ap.add_argument('--measure', default=os.path.join(HERE, '..', '..', '..', 'shared', 'text', 'measure.py'))
    ap.add_argument('--max', type=int, default=40)
    o = ap.parse_args()
    sys.path.insert(0, os.path.dirname(os.path.abspath(o.measure)))
    import measure as m
    truth = json.load(open(o.truth, encoding='utf-8'))
    clean = [m.norm(p['text']) for p in truth['clean_paragraphs']]
    tid = m.paragraphs(m.read_text(o.tidied))
    chapter_of, ch = [], -1
    for p in truth['clean_paragraphs']:
        ch += p['is_title']
        chapter_of.append(max(ch, 0))
    layouts = truth.get('layout', {}).get('chapters', [])
    kinds = collections.Counter()
    shown = 0
    sm = SequenceMatcher(None, clean, tid, autojunk=False)
    for tag, a0, a1, b0, b1 in sm.get_opcodes():
        if tag == 'equal':
            continue
        if tag == 'insert':
            kinds['extra line'] += b1 - b0
            continue
        got, want = ''.join(tid[b0:b1]), ''.join(clean[a0:a1])
        if got == want:
            kind = 'glued' if b1 - b0 < a1 - a0 else 'split' if b1 - b0 > a1 - a0 else 'other'
        elif b1 - b0 == a1 - a0 and all(w in g for w, g in zip(clean[a0:a1], tid[b0:b1])):
            kind = 'ad'
        elif len(got) > len(want) and b1 - b0 < a1 - a0:
            kind = 'glued+ad'
        else:
            kind = 'other'
        kinds[kind] += a1 - a0
        if shown < o.max:
            shown += 1
            lay = layouts[chapter_of[a0]] if chapter_of[a0] < len(layouts) else {}
            print('--- %s: clean %d-%d, chapter %d %s' % (kind, a0, a1 - 1, chapter_of[a0],
                                                       ' '.join('%s=%s' % kv for kv in lay.items())))
            for p in clean[a0:a1]:
                print('  want %4d  %s…%s' % (len(p), p[:16], p[-12:]))
            for p in tid[b0:b1]:
                print('  got  %4d  %s…%s' % (len(p), p[:16], p[-12:]))
    print('paragraphs missed by kind:', dict(kinds), 'of', len(clean))


if __name__ == '__main__':
    main()
