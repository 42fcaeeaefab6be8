#!/usr/bin/env python3
"""Write a copy of the advertisement rule table without the rows that only
held-out advertising needs.

    python3 tools/eval/ablate_rules.py --held-out 3,4 --out DIR [--folds 5]

The built-in table was written with every string of the shared dev set in
view, so on held-out strings it would score as if it had seen them. To judge
a fold as unseen, every row that fires on some string of the held-out folds
and on no string of the other folds is dropped (commented out). "Fires" is
found by running the rows, in table order, over each string as the line
scanner would hand it on (full-width letters and digits made ASCII, the
full-width blank two blanks, corner quotes curly; once more with letters
lower-cased and blanks dropped, as for a text that names a known site).
Pattern rows run as Python byte patterns on the GBK text, which is close to
the engine's reading for the table's simple patterns. The site fragments and
footer token of site.tsv are treated the same way (a dropped one becomes a
token no text holds).

With --words, the detector's word list (data/ads/words.tsv) is written too,
without the words found (normalised as ad_folds.py does) in held-out strings
and in no other fold's: the detector's vocabulary was chosen looking at the
tuning folds, so on one of those it has seen every word; this makes a tuning
fold's words as unseen as a held-out fold's (`ad_eval.py --configs table-kw+det`).

The table in DIR is meant for `folian-cli tidy --rules DIR`.
"""
import argparse, os, re, sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import ad_folds  # noqa: E402

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..'))
STAGES = ['stage1.tsv', 'stage2.tsv', 'stage3.tsv', 'stage4.tsv', 'stage6.tsv', 'stage8.tsv']


def unescape(field):
    out, i = [], 0
    while i < len(field):
        c = field[i]
        if c == '\\' and i + 1 < len(field) and field[i + 1] in 'rnt\\':
            out.append({'r': '\r', 'n': '\n', 't': '\t', '\\': '\\'}[field[i + 1]])
            i += 2
        else:
            out.append(c)
            i += 1
    return ''.join(out)


def gbk(s):
    return s.encode('gbk', 'replace')


def read_rows(path):
    rows = []
    with open(path, encoding='utf-8') as f:
        for n, line in enumerate(f.read().split('\n')):
            if not line or line.startswith('#'):
                continue
            parts = line.split('\t')
            kind, find = parts[0], unescape(parts[1])
            rep = unescape(parts[2]) if len(parts) > 2 else ''
            rx = None
            if kind == 'pattern':
                try:
                    rx = re.compile(gbk(find), re.I)
                except re.error:
                    rx = None
            rows.append(dict(line=n, kind=kind, find=gbk(find), rep=gbk(rep), rx=rx))
    return rows


def scanned_forms(s):
    t = []
    for c in s:
        o = ord(c)
        if 0xFF10 <= o <= 0xFF19 or 0xFF21 <= o <= 0xFF3A or 0xFF41 <= o <= 0xFF5A:
            t.append(chr(o - 0xFEE0))
        elif c == '\u3000':
            t.append('  ')
        elif c in '「『':
            t.append('“')
        elif c in '」』':
            t.append('”')
        else:
            t.append(c)
    plain = ''.join(t)
    return [gbk(plain), gbk(plain.lower().replace(' ', ''))]


def fired_rows(tables, text):
    """{(file, line)} of rows that change `text` when run in order"""
    fired = set()
    for name in STAGES:
        for r in tables[name]:
            before = text
            if r['kind'] == 'pattern':
                if r['rx'] is not None:
                    text = r['rx'].sub(b'', text)
            elif r['kind'] == 'repeat':
                guard = 0
                while r['find'] and r['find'] in text and guard < 100:
                    text = text.replace(r['find'], r['rep'])
                    guard += 1
            elif r['find']:
                text = text.replace(r['find'], r['rep'])
            if text != before:
                fired.add((name, r['line']))
    return fired


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--held-out', required=True, help='fold numbers, comma-separated')
    ap.add_argument('--folds', type=int, default=5)
    ap.add_argument('--ads', default=ad_folds.DEFAULT_ADS)
    ap.add_argument('--table', default=os.path.join(ROOT, 'data', 'ads'))
    ap.add_argument('--out', required=True)
    ap.add_argument('--words', action='store_true', help="also write the detector's words without the held-out ones")
    o = ap.parse_args()
    held = {int(x) for x in o.held_out.split(',')}
    rows = ad_folds.load_ads(o.ads)
    fold_of = ad_folds.assign_folds(rows, o.folds)
    tables = {name: read_rows(os.path.join(o.table, name)) for name in STAGES}
    fired_held, fired_rest = set(), set()
    held_lower, rest_lower = [], []
    for r in rows:
        into = fired_held if fold_of[r['id']] in held else fired_rest
        for form in scanned_forms(r['string']):
            into |= fired_rows(tables, form)
        (held_lower if fold_of[r['id']] in held else rest_lower).append(r['string'].lower())
    drop = fired_held - fired_rest
    os.makedirs(o.out, exist_ok=True)
    for name in STAGES:
        with open(os.path.join(o.table, name), encoding='utf-8') as f:
            lines = f.read().split('\n')
        for (n_name, n) in drop:
            if n_name == name:
                lines[n] = '# held out: ' + lines[n]
        with open(os.path.join(o.out, name), 'w', encoding='utf-8') as f:
            f.write('\n'.join(lines))
    # Site markers: a fragment or token only held-out strings hold is replaced.
    with open(os.path.join(o.table, 'site.tsv'), encoding='utf-8') as f:
        site = f.read().split('\n')
    dropped_site = 0
    for i, line in enumerate(site):
        parts = line.split('\t')
        if len(parts) != 2 or parts[0] not in ('fragment', 'footer_token'):
            continue
        probe = parts[1].strip('.')
        if any(probe in s for s in held_lower) and not any(probe in s for s in rest_lower):
            site[i] = parts[0] + '\t' + ('.zqzqz%d.' % i if parts[0] == 'fragment' else 'zqzqz')
            dropped_site += 1
    with open(os.path.join(o.out, 'site.tsv'), 'w', encoding='utf-8') as f:
        f.write('\n'.join(site))
    dropped_words = []
    if o.words:
        norm = ad_folds.normalise([r['string'] for r in rows])
        held_norm = [s for r, s in zip(rows, norm) if fold_of[r['id']] in held]
        rest_norm = [s for r, s in zip(rows, norm) if fold_of[r['id']] not in held]
        with open(os.path.join(o.table, 'words.tsv'), encoding='utf-8') as f:
            words = f.read().split('\n')
        entries = [(i, line.split('\t')[0]) for i, line in enumerate(words)
                   if line and not line.startswith('#') and '\t' in line]
        forms = ad_folds.normalise([w for _, w in entries])
        for (i, w), wn in zip(entries, forms):
            if wn and any(wn in s for s in held_norm) and not any(wn in s for s in rest_norm):
                words[i] = '# held out: ' + words[i]
                dropped_words.append(w)
        with open(os.path.join(o.out, 'words.tsv'), 'w', encoding='utf-8') as f:
            f.write('\n'.join(words))
    total = sum(len(t) for t in tables.values())
    print(f'held out folds {sorted(held)}: {len(drop)} of {total} rows dropped, '
          f'{dropped_site} site markers replaced; {len(fired_rest)} rows fire on the other folds'
          + (f'; {len(dropped_words)} detector words dropped: {" ".join(dropped_words)}' if o.words else ''))


if __name__ == '__main__':
    main()
