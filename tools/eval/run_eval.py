#!/usr/bin/env python3
"""Tidies a set of polluted novels with folian-cli and scores each with the
shared measure.

    run_eval.py [--cli build/dev/cli/folian-cli] SET_DIR|FILE.txt... [-- TIDY OPTIONS]

Every NAME.txt needs NAME.truth.json beside it. The files are copied to a
scratch folder and tidied there (the set is left as it is), with an empty
settings store so local options do not leak in. Prints one row per file (the
four figures of measure.py plus the layout), then the mean and the minimum.
"""
import argparse
import concurrent.futures
import json
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
FIGURES = ['ad_recall', 'ad_chars_gone', 'content_kept', 'paragraphs_ok']


def find_cli():
    for d in ['build/dev', 'build/release', 'build/asan']:
        p = os.path.join(ROOT, d, 'cli', 'folian-cli')
        if os.access(p, os.X_OK):
            return p
    return None


def collect(inputs, clean=False):
    files = []
    if clean:
        for i in inputs:
            files += sorted(os.path.join(i, f) for f in os.listdir(i) if f.endswith('.txt')) if os.path.isdir(i) else [i]
        return files
    for i in inputs:
        if os.path.isdir(i):
            files += sorted(os.path.join(i, f) for f in os.listdir(i)
                            if f.endswith('.txt') and os.path.exists(os.path.join(i, f[:-4] + '.truth.json')))
        else:
            files.append(i)
    return files


def truth_of(txt):
    stem = txt[:-4]
    if os.path.exists(stem + '.truth.json'):
        return stem + '.truth.json'
    # a variant (NAME.utf8bom.txt) shares NAME.truth.json
    base = os.path.join(os.path.dirname(txt), os.path.basename(txt).split('.')[0])
    return base + '.truth.json'


def layout_note(truth):
    lay = truth.get('layout')
    if not lay:
        return truth.get('novel', '')
    kinds = sorted({c['indent'] for c in lay['chapters']})
    return '%s w%d %s' % (truth.get('novel', ''), lay['width'], '/'.join(kinds))


def main():
    argv = sys.argv[1:]
    tidy_args = []
    if '--' in argv:
        k = argv.index('--')
        argv, tidy_args = argv[:k], argv[k + 1:]
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument('inputs', nargs='+')
    ap.add_argument('--cli', default=find_cli())
    ap.add_argument('--measure', default=os.path.join(ROOT, '..', 'shared', 'text', 'measure.py'))
    ap.add_argument('--jobs', type=int, default=1, help='measure runs at once')
    ap.add_argument('--keep', help='leave the tidied files in this folder')
    ap.add_argument('--json', help='write every figure to this file')
    ap.add_argument('--clean', action='store_true',
                    help='the inputs are clean novels (one paragraph per line, no truth file): '
                         'score content kept and paragraphs against the input itself')
    o = ap.parse_args(argv)
    if not o.cli:
        sys.exit('run_eval.py: no folian-cli found; pass --cli')
    files = collect(o.inputs, o.clean)
    if not files:
        sys.exit('run_eval.py: no NAME.txt with NAME.truth.json found')

    scratch = tempfile.mkdtemp(prefix='folian_eval_')
    try:
        work = o.keep or os.path.join(scratch, 'tidied')
        os.makedirs(work, exist_ok=True)
        copies = []
        for f in files:
            dst = os.path.join(work, os.path.basename(f))
            shutil.copyfile(f, dst)
            copies.append(dst)
        env = dict(os.environ, FOLIAN_CONFIG_HOME=os.path.join(scratch, 'config'))
        os.makedirs(env['FOLIAN_CONFIG_HOME'], exist_ok=True)
        r = subprocess.run([o.cli, 'tidy', '-j', '1'] + tidy_args + copies, env=env, cwd=scratch,
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        if r.returncode != 0:
            sys.exit('run_eval.py: folian-cli tidy failed:\n' + r.stderr)

        def measure_clean(i):
            sys.path.insert(0, os.path.dirname(os.path.abspath(o.measure)))
            import measure as m
            from difflib import SequenceMatcher
            pa = m.paragraphs(m.read_text(files[i]))
            pb = m.paragraphs(m.read_text(copies[i]))
            a = ''.join(m.CJK.findall(''.join(pa)))
            b = ''.join(m.CJK.findall(''.join(pb)))
            ok = sum(x.size for x in SequenceMatcher(None, pa, pb, autojunk=False).get_matching_blocks())
            return dict(ad_recall=1.0, ad_chars_gone=1.0, content_kept=m.lcs_kept(a, b) / len(a) if a else 1.0,
                        paragraphs_ok=ok / len(pa) if pa else 1.0)

        def measure(i):
            if o.clean:
                return measure_clean(i)
            out = os.path.join(scratch, 'm%d.json' % i)
            m = subprocess.run([sys.executable, o.measure, '--tidied', copies[i], '--truth', truth_of(files[i]),
                                '--json', out], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
            if m.returncode != 0:
                raise RuntimeError('measure.py failed on %s:\n%s' % (files[i], m.stderr))
            return json.load(open(out))

        with concurrent.futures.ThreadPoolExecutor(max_workers=max(1, o.jobs)) as ex:
            results = list(ex.map(measure, range(len(files))))
    finally:
        shutil.rmtree(scratch, ignore_errors=True)

    print('%-28s %-26s %9s %9s %9s %9s' % ('file', 'layout', 'recall', 'adgone', 'content', 'paras'))
    rows = []
    for f, res in zip(files, results):
        truth = {'novel': os.path.basename(f)} if o.clean else json.load(open(truth_of(f), encoding='utf-8'))
        rows.append(dict(file=os.path.basename(f), layout=layout_note(truth), **{k: res[k] for k in FIGURES},
                         detail=res))
        print('%-28s %-26s %9.4f %9.4f %9.4f %9.4f' % (os.path.basename(f), layout_note(truth)[:26],
                                                       *[res[k] for k in FIGURES]))
    for name, fn in (('mean', lambda v: sum(v) / len(v)), ('min', min)):
        print('%-28s %-26s %9.4f %9.4f %9.4f %9.4f' % (name, '', *[fn([r[k] for r in rows]) for k in FIGURES]))
    if o.json:
        json.dump(rows, open(o.json, 'w'), indent=1)


if __name__ == '__main__':
    main()
