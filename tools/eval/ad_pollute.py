#!/usr/bin/env python3
"""Make a polluted novel from a clean one: hard-wrapped, indented, with ads.

    python3 tools/eval/ad_pollute.py --novel xiyouji --chapters 1-20 --fold 3 --seed 7 --out OUT.txt

Writes OUT.txt (GBK, CR LF) and OUT.truth.json in the form the shared
measure.py reads (clean_paragraphs with is_title, inserted_ads). The layout
is drawn per file and per chapter: no wrapping or a wrap width of 20 to 60
characters, indentation by two full-width blanks, four blanks or none, blank
lines between paragraphs or not. Ads come from the given folds of
tools/eval/ad_folds.py and go in as lines of their own (file header and
footer, before and after titles, at chapter ends, between paragraphs) or
inside a paragraph at a random character (where a wrap may split them),
about five a chapter, each string used about 1.5 times in a file, as in the
shared dev files. In a traditional-script novel half the ads are turned
into traditional script, as sites that convert a whole file do.
"""
import argparse, json, os, random, re, subprocess, sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import ad_folds  # noqa: E402

CLEAN = os.path.normpath(os.path.join(os.path.dirname(ad_folds.DEFAULT_ADS), '..', 'clean'))
TITLE = re.compile(r'^第[一二三四五六七八九十百零〇0-9]+[回章]')
TRADITIONAL_NOVELS = {'rulin'}
WHERE = [('between-paragraphs', 0.42), ('in-paragraph', 0.33), ('chapter-end', 0.12),
         ('before-title', 0.065), ('after-title', 0.065)]


def chapters_of(novel):
    with open(os.path.join(CLEAN, novel + '.utf8.txt'), encoding='utf-8') as f:
        lines = [l.strip() for l in f.read().split('\n')]
    chapters, cur = [], None
    for l in lines:
        if not l:
            continue
        if TITLE.match(l):
            cur = [l]
            chapters.append(cur)
        elif cur is not None:
            cur.append(l)
    return [c for c in chapters if len(c) >= 4]  # a table of contents has no body


def gbk_safe(s):
    return ''.join(c if c.encode('gbk', 'ignore') else '□' for c in s)


def to_traditional(strings):
    try:
        out = subprocess.run(['opencc', '-c', 's2t.json'], input='\n'.join(strings),
                             capture_output=True, text=True, check=True).stdout.split('\n')
        return out[:len(strings)] if len(out) >= len(strings) else strings
    except (OSError, subprocess.CalledProcessError):
        return strings


def wrap(text, width):
    if width <= 0:
        return [text]
    return [text[i:i + width] for i in range(0, len(text), width)]


def make(novel, first, last, ads, seed):
    rng = random.Random(seed)
    chs = chapters_of(novel)[first - 1:last]
    pool = [a for a in ads if a['string'].encode('gbk', 'ignore').decode('gbk') == a['string']]
    if novel in TRADITIONAL_NOVELS:
        trad = to_traditional([a['string'] for a in pool])
        pool = [dict(a, string=t) if rng.random() < 0.5 and t.encode('gbk', 'ignore').decode('gbk') == t
                else a for a, t in zip(pool, trad)]
    per_chapter = 5.0
    n_ads = int(per_chapter * len(chs))
    # About 1.5 uses per string: draw a subset, then sample from it.
    distinct = max(1, min(len(pool), int(n_ads / 1.5)))
    chosen = rng.sample(pool, distinct)

    def pick():
        return rng.choice(chosen)

    width = rng.choice([0, 0] + list(range(20, 61)))
    blank_between = rng.random() < 0.3
    out, truth_paras, inserted = [], [], []

    def emit_ad(ad, where, indent):
        out.append(indent + ad['string'])
        inserted.append(dict(ad_id=ad['id'], string=ad['string'], category=ad['category'],
                             mode='line', where=where))

    head = rng.randint(0, 2)
    for _ in range(head):
        emit_ad(pick(), 'file-header', '')
    for ch in chs:
        indent = rng.choice(['\u3000\u3000', '    ', ''])
        title, paras = gbk_safe(ch[0]), [gbk_safe(p) for p in ch[1:]]
        if rng.random() < WHERE[3][1] * 5:
            emit_ad(pick(), 'before-title', indent)
        out.append(('' if rng.random() < 0.5 else indent) + title)
        truth_paras.append(dict(text=title, is_title=True))
        if rng.random() < WHERE[4][1] * 5:
            emit_ad(pick(), 'after-title', indent)
        n_between = sum(1 for _ in range(len(paras)) if rng.random() < 2.1 / max(len(paras), 1))
        n_inline = sum(1 for _ in range(len(paras)) if rng.random() < 1.65 / max(len(paras), 1))
        between_at = set(rng.sample(range(1, len(paras)), min(n_between, len(paras) - 1)))
        inline_at = set(rng.sample(range(len(paras)), min(n_inline, len(paras))))
        for i, p in enumerate(paras):
            if i in between_at:
                emit_ad(pick(), 'between-paragraphs', indent)
            text = p
            if i in inline_at:
                ad = pick()
                at = rng.randint(1, max(1, len(p) - 1))
                text = p[:at] + ad['string'] + p[at:]
                inserted.append(dict(ad_id=ad['id'], string=ad['string'], category=ad['category'],
                                     mode='inline', where='in-paragraph'))
            truth_paras.append(dict(text=p, is_title=False))
            lines = wrap(text, width)
            out.append(indent + lines[0])
            out.extend(lines[1:])
            if blank_between:
                out.append('')
        if rng.random() < WHERE[2][1] * 5:
            emit_ad(pick(), 'chapter-end', indent)
    for _ in range(rng.randint(0, 1)):
        emit_ad(pick(), 'file-footer', '')
    text = '\r\n'.join(out) + '\r\n'
    truth = dict(file='', novel=novel, chapters=[first, last], encoding='GBK', line_ending='CRLF',
                 seed=seed, generator='tools/eval/pollute.py', wrap_width=width,
                 clean_paragraphs=truth_paras, inserted_ads=inserted)
    return text, truth


def write(path, text, truth):
    truth['file'] = os.path.basename(path)
    with open(path, 'wb') as f:
        f.write(text.encode('gbk'))
    with open(os.path.splitext(path)[0] + '.truth.json', 'w', encoding='utf-8') as f:
        json.dump(truth, f, ensure_ascii=False, indent=0)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--novel', required=True)
    ap.add_argument('--chapters', required=True, help='FIRST-LAST, 1-based, of chapters with a body')
    ap.add_argument('--fold', required=True, help='fold numbers whose ads to use, comma-separated')
    ap.add_argument('--folds', type=int, default=5)
    ap.add_argument('--seed', type=int, default=1)
    ap.add_argument('--out', required=True)
    o = ap.parse_args()
    rows = ad_folds.load_ads()
    fold_of = ad_folds.assign_folds(rows, o.folds)
    want = {int(x) for x in o.fold.split(',')}
    first, last = (int(x) for x in o.chapters.split('-'))
    text, truth = make(o.novel, first, last, [r for r in rows if fold_of[r['id']] in want], o.seed)
    write(o.out, text, truth)


if __name__ == '__main__':
    main()
