#!/usr/bin/env python3
"""Split the shared advertisement strings into folds by site family.

    python3 tools/eval/ad_folds.py [--ads ../shared/text/ads/dev.tsv] [--folds 5] [--show]

Rows of one site must never sit in two folds, or a held-out fold would hold
near-copies of strings the detector was tuned on. The `family` column names
the site where one could be read off; rows without one are grouped with the
rows they are near-copies of (the same slogan in another script or with other
junk between its characters), judged on a normalised form: NFKC, lower case,
traditional characters folded to simplified (opencc), only letters, digits and
CJK kept. Two rows join when
  - their families are equal and non-empty, or
  - they share a distinctive ASCII token (5+ letters/digits, not www/http/...),
  - they share a site name: a CJK 3-gram ending in a character that ends
    site names (网 阁 楼 城 屋 盟 站 吧) that at most MAX_GRAM_ROWS rows hold
    (generic phrases such as 小说网 occur in more rows than that),
  - their character-bigram sets overlap by Jaccard >= 0.5.
Groups are dealt to folds largest first, each to the fold with the fewest rows.
The split is deterministic.
"""
import argparse, csv, collections, os, re, subprocess, sys, unicodedata

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_ADS = os.path.normpath(os.path.join(HERE, '..', '..', '..', 'shared', 'text', 'ads', 'dev.tsv'))
MAX_GRAM_ROWS = 6
GENERIC_TOKENS = {'www', 'http', 'https', 'html', 'index', 'wap', 'com', 'net', 'txt'}
NAME_ENDS = set('网阁楼城屋盟站吧')
CJK = re.compile(r'[\u3400-\u9fff\uf900-\ufaff]')


def load_ads(path=DEFAULT_ADS):
    with open(path, encoding='utf-8', newline='') as f:
        return list(csv.DictReader(f, delimiter='\t', quoting=csv.QUOTE_NONE))


def to_simplified(strings):
    """Traditional -> simplified through the opencc command; identity when it is missing."""
    joined = '\n'.join(s.replace('\n', ' ') for s in strings)
    try:
        out = subprocess.run(['opencc', '-c', 't2s.json'], input=joined, capture_output=True,
                             text=True, check=True).stdout
    except (OSError, subprocess.CalledProcessError):
        return list(strings)
    lines = out.split('\n')
    return lines[:len(strings)] if len(lines) >= len(strings) else list(strings)


def normalise(strings):
    out = []
    for s in to_simplified([unicodedata.normalize('NFKC', s).lower() for s in strings]):
        out.append(''.join(c for c in s if c.isalnum() or CJK.match(c)))
    return out


class Union:
    def __init__(self, n):
        self.p = list(range(n))

    def find(self, x):
        while self.p[x] != x:
            self.p[x] = self.p[self.p[x]]
            x = self.p[x]
        return x

    def join(self, a, b):
        a, b = self.find(a), self.find(b)
        if a != b:
            self.p[max(a, b)] = min(a, b)


def groups(rows):
    n = len(rows)
    norm = normalise([r['string'] for r in rows])
    u = Union(n)
    by_family = {}
    for i, r in enumerate(rows):
        fam = r['family'].strip().lower()
        if fam:
            by_family.setdefault(to_simplified([fam])[0], []).append(i)
    for members in by_family.values():
        for j in members[1:]:
            u.join(members[0], j)
    tokens = collections.defaultdict(set)
    grams = collections.defaultdict(set)
    bigrams = []
    # Host tokens are read off the string with its separators still in it.
    hosts = [unicodedata.normalize('NFKC', r['string']).lower() for r in rows]
    for i, s in enumerate(norm):
        for t in re.findall(r'[a-z0-9]{5,}', hosts[i]):
            if t not in GENERIC_TOKENS:
                tokens[t].add(i)
        cjk = ''.join(CJK.findall(s))
        for k in range(len(cjk) - 2):
            if cjk[k + 2] in NAME_ENDS:
                grams[cjk[k:k + 3]].add(i)
        bigrams.append({s[k:k + 2] for k in range(len(s) - 1)})
    for members in list(tokens.values()) + [g for g in grams.values() if len(g) <= MAX_GRAM_ROWS]:
        members = sorted(members)
        for j in members[1:]:
            u.join(members[0], j)
    for i in range(n):
        for j in range(i + 1, n):
            a, b = bigrams[i], bigrams[j]
            if a and b and len(a & b) / len(a | b) >= 0.5:
                u.join(i, j)
    out = collections.defaultdict(list)
    for i in range(n):
        out[u.find(i)].append(i)
    return sorted(out.values(), key=lambda g: (-len(g), g[0]))


def assign_folds(rows, folds=5):
    """{row id: fold number}"""
    sizes = [0] * folds
    fold_of = {}
    for g in groups(rows):
        f = min(range(folds), key=lambda k: (sizes[k], k))
        sizes[f] += len(g)
        for i in g:
            fold_of[rows[i]['id']] = f
    return fold_of


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--ads', default=DEFAULT_ADS)
    ap.add_argument('--folds', type=int, default=5)
    ap.add_argument('--show', action='store_true', help='print each fold\'s groups')
    o = ap.parse_args()
    rows = load_ads(o.ads)
    fold_of = assign_folds(rows, o.folds)
    for k in range(o.folds):
        members = [r for r in rows if fold_of[r['id']] == k]
        cats = collections.Counter(r['category'] for r in members)
        print(f'fold {k}: {len(members)} rows  ' + ' '.join(f'{c}={n}' for c, n in sorted(cats.items())))
        if o.show:
            for r in members:
                print(f'  {r["id"]}\t{r["family"] or "-"}\t{r["string"]}')


if __name__ == '__main__':
    main()
