#!/usr/bin/env python3
"""Builds the standard evaluation sets with pollute.py: one set to tune on and
sets that hold out layouts, novels and advertising folds.

    make_sets.py --out DIR [--shared ../shared/text] [--sets tune,heldout-layout,...]
                 [--tune-folds 0,1,2] [--heldout-folds 3,4] [--files N]

Sets (DIR/SET/NAME.txt + NAME.truth.json):
  tune            tune novels, tune layouts, tune ad folds
  heldout-layout  tune novels (other chapters), held-out layouts, held-out folds
  heldout-novel   held-out novels, tune layouts, held-out folds
  heldout         held-out novels, held-out layouts, held-out folds
  clean-layout    every novel, every layout, no advertising (the scanner alone)
  tune-layout     tune novels, held-out layouts, tune folds: the layouts the
                  held-out sets are weak on, studied on novels tuned on (run
                  it with its own --seed so its chapters differ)
  tune-noads, heldout-noads  the tune and held-out set without advertising

Tune novels: 西游记, 三国演义, 红楼梦 and chapters 1-28 of 儒林外史 (traditional).
Held out: 老残游记 and chapters 29-55 of 儒林外史.
Tune layouts: widths 20-44, indentation 　　 / four blanks / none / mixed
(first lines only), blank lines never or always, wraps before punctuation or
not, curly or corner quotes, paragraphs as written or cut after dialogue.
Held-out layouts: widths 20-60 (45-60 never tuned on), tab indentation,
indentation on every line, blank lines between some paragraphs, wraps of both
kinds inside one chapter, paragraphs cut every few sentences, titles set off
by blank lines.
"""
import argparse
import os
import random
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))

# NAME or NAME:A-B (only chapters A..B of it, counting chapters with a body).
TUNE_NOVELS = ['xiyouji', 'sanguo', 'hongloumeng', 'rulin:1-28']
HELD_NOVELS = ['laocan', 'rulin:29-55']

TUNE_LAYOUT = ['--width', '20-44', '--indent', 'full,blank4,none,mixed', '--indent-scope', 'first',
               '--blank', 'never,always', '--breaks', 'naive,kinsoku', '--quotes', 'curly,corner',
               '--split', 'none,none,dialogue', '--titles', 'plain,indented']
HELD_LAYOUT = ['--width', '20-60', '--indent', 'tab,mixed,full,none', '--indent-scope', 'first,all',
               '--blank', 'some,never', '--breaks', 'mixed,naive,kinsoku', '--quotes', 'corner,curly',
               '--split', 'sentences,dialogue,none', '--titles', 'spaced,plain']
ALL_LAYOUT = []   # pollute.py's defaults: every family


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument('--out', required=True)
    ap.add_argument('--shared', default=os.path.join(ROOT, '..', 'shared', 'text'))
    ap.add_argument('--sets', default='tune,heldout-layout,heldout-novel,heldout,clean-layout')
    ap.add_argument('--tune-folds', default='0,1,2')
    ap.add_argument('--heldout-folds', default='3,4')
    ap.add_argument('--files', type=int, default=8, help='files per set')
    ap.add_argument('--chapters', type=int, default=10, help='chapters per file')
    ap.add_argument('--seed', type=int, default=100)
    o = ap.parse_args()

    specs = {
        'tune': (TUNE_NOVELS, TUNE_LAYOUT, o.tune_folds, 1.0),
        'heldout-layout': (TUNE_NOVELS, HELD_LAYOUT, o.heldout_folds, 1.0),
        'heldout-novel': (HELD_NOVELS, TUNE_LAYOUT, o.heldout_folds, 1.0),
        'heldout': (HELD_NOVELS, HELD_LAYOUT, o.heldout_folds, 1.0),
        'clean-layout': (TUNE_NOVELS + HELD_NOVELS, ALL_LAYOUT, None, 0.0),
        'tune-layout': (TUNE_NOVELS, HELD_LAYOUT, o.tune_folds, 1.0),
        'tune-noads': (TUNE_NOVELS, TUNE_LAYOUT, None, 0.0),
        'heldout-noads': (HELD_NOVELS, HELD_LAYOUT, None, 0.0),
    }
    ads = os.path.join(o.shared, 'ads', 'dev.tsv')
    for si, name in enumerate(s for s in o.sets.split(',') if s):
        if name not in specs:
            sys.exit('make_sets.py: unknown set %s' % name)
        novels, layout, folds, density = specs[name]
        for i in range(o.files):
            novel, _, span = novels[i % len(novels)].partition(':')
            # sets differ in seed, so the same novel gives other chapters
            seed = o.seed + 1000 * si + i
            if span:
                a, b = (int(x) for x in span.split('-'))
                start = random.Random(seed).randint(a, max(a, b - o.chapters + 1))
                chapters = ['--chapter-range', '%d-%d' % (start, min(b, start + o.chapters - 1))]
            else:
                chapters = ['--chapters', str(o.chapters)]
            cmd = [sys.executable, os.path.join(HERE, 'pollute.py'),
                   '--novel', os.path.join(o.shared, 'clean', novel + '.utf8.txt'),
                   '--ads', ads, '--seed', str(seed)] + chapters + [
                   '--split-name', name, '--ad-density', str(density),
                   '--out', os.path.join(o.out, name, '%s-%02d-%s' % (name, i + 1, novel))] + layout
            if folds:
                cmd += ['--use-folds', folds]
            subprocess.run(cmd, check=True)


if __name__ == '__main__':
    main()
