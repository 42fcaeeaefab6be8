#!/usr/bin/env python3
"""Evaluation sets of varied layouts (make_sets.py, pollute.py) whose advertising
comes from chosen ad_folds.py folds only, with a rule table that has not seen
them.

    python3 tools/eval/ad_sets.py --out DIR [--folds 3,4] [--sets heldout,heldout-layout,heldout-novel]

pollute.py deals the ad table into folds of its own (by family or host);
ad_folds.py also keeps near-copies of one slogan together, and the detector
was tuned looking at its folds 0-2 only. So the table given to make_sets.py
holds only the rows of --folds (as DIR/shared/ads/dev.tsv, the clean novels
linked beside it), and all of pollute.py's folds of it are used. DIR/rules
is the rule table without the rows only those folds need (ablate_rules.py),
for `run_eval.py DIR/SET -- --rules DIR/rules`.
"""
import argparse, os, subprocess, sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import ad_folds  # noqa: E402


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--out', required=True)
    ap.add_argument('--folds', default='3,4')
    ap.add_argument('--sets', default='heldout,heldout-layout,heldout-novel')
    ap.add_argument('--files', type=int, default=8)
    o = ap.parse_args()
    keep = {int(x) for x in o.folds.split(',')}
    rows = ad_folds.load_ads()
    fold_of = ad_folds.assign_folds(rows)
    shared = os.path.join(o.out, 'shared')
    os.makedirs(os.path.join(shared, 'ads'), exist_ok=True)
    clean = os.path.join(shared, 'clean')
    if not os.path.exists(clean):
        os.symlink(os.path.join(os.path.dirname(os.path.dirname(ad_folds.DEFAULT_ADS)), 'clean'), clean)
    # The rows copied as they are written (ids are the first column).
    with open(ad_folds.DEFAULT_ADS, encoding='utf-8', newline='') as f:
        lines = f.read().splitlines(keepends=True)
    with open(os.path.join(shared, 'ads', 'dev.tsv'), 'w', encoding='utf-8', newline='') as f:
        f.write(lines[0])
        for line in lines[1:]:
            rid = line.split('\t', 1)[0]
            if rid in fold_of and fold_of[rid] in keep:
                f.write(line)
    every = ','.join(str(k) for k in range(5))
    subprocess.run([sys.executable, os.path.join(HERE, 'make_sets.py'), '--out', o.out, '--shared', shared,
                    '--sets', o.sets, '--tune-folds', every, '--heldout-folds', every,
                    '--files', str(o.files)], check=True)
    subprocess.run([sys.executable, os.path.join(HERE, 'ablate_rules.py'), '--held-out', o.folds,
                    '--out', os.path.join(o.out, 'rules')], check=True, stdout=subprocess.DEVNULL)


if __name__ == '__main__':
    main()
