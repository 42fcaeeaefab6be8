#!/usr/bin/env python3
"""Polluted-novel generator: turns chapters of a clean novel (one paragraph per
line, titles on their own lines) into a downloaded-looking TXT file plus a truth
JSON that ../shared/text/measure.py scores.

    pollute.py --novel clean/rulin.utf8.txt --ads ads/dev.tsv --out DIR/NAME [options]

writes DIR/NAME.txt and DIR/NAME.truth.json. Every random choice comes from
--seed, so a file can be rebuilt exactly.

Layout, each a comma list to draw from (per file for width/eol/encoding/wrap
unit, per chapter for the rest, per paragraph where the value is "mixed"):
  --width 20-60            wrap width in characters (two columns each; ASCII is
                           one column), or 0 for no wrapping
  --width-scope file,chapter  one width for the file or a new one per chapter
  --quote-cols 2,1         columns a curly quote takes (1: it counts as half-width)
  --indent full,blank4,tab,none,mixed
  --indent-scope first,all first line only, or every line of a paragraph
  --blank never,always,some   blank lines between paragraphs
  --breaks naive,kinsoku,mixed  naive cuts at the width (a line may start
                           with "，" or "。"); kinsoku pulls such marks up
  --quotes curly,corner    corner turns “”‘’ into 「」『』
  --split none,dialogue,sentences  cut paragraphs into shorter ones (the truth
                           follows): after a closing quote, or every 1-3 sentences
  --titles plain,indented,spaced
  --eol crlf,lf   --encoding gbk,utf8,utf8bom

Advertising from a TSV with the columns of ads/dev.tsv. Rows are grouped by
site (the family column, else a host read off the string, else the row itself)
and the groups dealt into --folds folds, largest first, each to the fold that
holds fewest rows; --use-folds picks the folds to draw from (the rest are held
out). --families / --exclude-families / --categories filter further;
--list-folds prints the assignment and exits.
"""
import argparse
import csv
import json
import os
import random
import re
import sys
import unicodedata

GENERATOR = 'tools/eval/pollute.py'

TITLE_RE = re.compile(r'^\s*第[0-9０-９一二三四五六七八九十百千零〇两壹贰叁肆伍陆柒捌玖拾佰]+[回章节卷節]')
# Marks a line should not start with (kinsoku) and openers it should not end with.
NO_START = set('，。、；：？！”’」』）》〉…—,.;:?!)')
NO_END = set('“‘「『（《〈(')
CLAUSE_END = set('，。！？；：”」')
SENTENCE_END = set('。！？')
QUOTE_CLOSE = set('”」')

INDENTS = {'full': ('\u3000\u3000', 2), 'blank4': ('    ', 2), 'tab': ('\t', 1), 'none': ('', 0)}

# Per-chapter chances of an advertising line at each place, and per-paragraph
# rates between paragraphs, inside paragraphs and between wrapped lines.
P_BEFORE_TITLE = 0.35
P_AFTER_TITLE = 0.35
P_CHAPTER_END = 0.65
RATE_BETWEEN = 0.08
RATE_INLINE = 0.06
RATE_BETWEEN_LINES = 0.025


def read_text(path):
    b = open(path, 'rb').read()
    if b.startswith(b'\xef\xbb\xbf'):
        return b[3:].decode('utf-8')
    try:
        return b.decode('utf-8')
    except UnicodeDecodeError:
        return b.decode('gb18030')


def parse_chapters(text):
    """[(title, [paragraphs])] for chapters that have a body; a table of
    contents (titles without paragraphs) and front matter are left out."""
    chapters, cur = [], None
    for line in re.split(r'\r\n|\r|\n', text):
        line = line.strip(' \t\u3000')
        if not line:
            continue
        if TITLE_RE.match(line):
            cur = (line, [])
            chapters.append(cur)
        elif cur is not None:
            cur[1].append(line)
    return [c for c in chapters if len(c[1]) >= 3]


def choices(listing):
    return [s.strip() for s in listing.split(',') if s.strip()]


def width_choices(listing):
    out = []
    for part in choices(listing):
        if '-' in part:
            lo, hi = (int(x) for x in part.split('-'))
            out.append((lo, hi))
        else:
            out.append((int(part), int(part)))
    return out


# ---------------------------------------------------------------- advertising

HOST_RE = re.compile(r'([a-z0-9][a-z0-9-]*\.(?:[a-z0-9-]+\.)*(?:com|net|org|cn|cc|la|info|me|tw|co))')


def site_label(host):
    """foo for www.foo.com, m.foo.net, foo.com.cn: one site however it is reached"""
    parts = [p for p in host.lower().split('.') if p]
    while len(parts) > 1 and parts[-1] in TLDS:
        parts.pop()
    return parts[-1] if parts else host


TLDS = {'com', 'net', 'org', 'cn', 'cc', 'la', 'info', 'me', 'tw', 'co'}


def site_key(row):
    fam = row.get('family', '').strip()
    if fam:
        return 'site:' + (site_label(fam) if re.fullmatch(r'[A-Za-z0-9.-]+', fam) else fam)
    s = unicodedata.normalize('NFKC', row['string']).lower()
    m = HOST_RE.search(re.sub(r'\s+', '', s))
    if m:
        return 'site:' + site_label(m.group(1))
    return 'row:' + row['id']


def load_ads(path):
    with open(path, encoding='utf-8', newline='') as f:
        rows = list(csv.DictReader(f, delimiter='\t'))
    return [r for r in rows if r.get('string')]


def assign_folds(rows, k):
    """site key -> fold. Deterministic: groups by size (largest first, then by
    key), each to the fold holding fewest rows so far (lowest index on a tie)."""
    groups = {}
    for r in rows:
        groups.setdefault(site_key(r), []).append(r)
    order = sorted(groups, key=lambda g: (-len(groups[g]), g))
    load = [0] * k
    fold_of = {}
    for g in order:
        f = min(range(k), key=lambda i: (load[i], i))
        fold_of[g] = f
        load[f] += len(groups[g])
    return fold_of


def filter_ads(rows, args):
    fold_of = assign_folds(rows, args.folds)
    out = []
    use = set(int(x) for x in choices(args.use_folds)) if args.use_folds else None
    fams = set(choices(args.families)) if args.families else None
    xfams = set(choices(args.exclude_families)) if args.exclude_families else set()
    cats = set(choices(args.categories)) if args.categories else None
    for r in rows:
        if use is not None and fold_of[site_key(r)] not in use:
            continue
        if fams is not None and r.get('family', '') not in fams:
            continue
        if r.get('family', '') in xfams:
            continue
        if cats is not None and r.get('category') not in cats:
            continue
        out.append(r)
    return out, fold_of


# ---------------------------------------------------------------- layout

NARROW = set('“”‘’')


def columns(ch, narrow_quotes=False):
    return 1 if ord(ch) < 0x80 or (narrow_quotes and ch in NARROW) else 2


def wrap(text, width, first_cap_cols, kinsoku, narrow_quotes=False, cap_cols=None):
    """Cuts `text` into lines of at most `width` characters (2*width columns,
    or `cap_cols`; the first line has `first_cap_cols` columns). Returns
    [(start, end)]."""
    if width <= 0:
        return [(0, len(text))]
    spans, start, cap = [], 0, first_cap_cols
    n = len(text)
    while start < n:
        cols, i = 0, start
        while i < n and cols + columns(text[i], narrow_quotes) <= cap:
            cols += columns(text[i], narrow_quotes)
            i += 1
        if i == start:
            i = start + 1
        if kinsoku and i < n:
            # pull closing marks up onto this line (at most two), push a
            # trailing opener down
            pulled = 0
            while i < n and text[i] in NO_START and pulled < 2:
                i += 1
                pulled += 1
            if pulled == 0 and i - start > 1 and text[i - 1] in NO_END:
                i -= 1
        spans.append((start, i))
        start = i
        cap = cap_cols if cap_cols else 2 * width
    return spans


def to_corner(s):
    return s.translate(str.maketrans({'“': '「', '”': '」', '‘': '『', '’': '』'}))


def split_paragraph(p, mode, rng):
    if mode == 'none' or len(p) < 12:
        return [p]
    cuts = []
    for i in range(1, len(p) - 1):
        prev = p[i - 1]
        if mode == 'dialogue':
            # after a quote that closes a sentence, before a new clause
            if prev in QUOTE_CLOSE and i >= 2 and p[i - 2] in SENTENCE_END and rng.random() < 0.6:
                cuts.append(i)
        elif mode == 'sentences':
            if prev in SENTENCE_END and p[i] not in NO_START and rng.random() < 0.45:
                cuts.append(i)
            elif prev in QUOTE_CLOSE and i >= 2 and p[i - 2] in SENTENCE_END and rng.random() < 0.6:
                cuts.append(i)
    out, last = [], 0
    for c in cuts:
        if c - last >= 2:
            out.append(p[last:c])
            last = c
    out.append(p[last:])
    return [x for x in out if x]


class Ads:
    def __init__(self, rows, rng, gbk):
        self.rng = rng
        self.rows = [r for r in rows if not gbk or can_gbk(r['string'])]
        # a pirate file repeats a few house lines in chapter after chapter
        self.house = rng.sample(self.rows, min(len(self.rows), rng.randint(1, 3))) if self.rows else []

    def pick(self, house_bias=0.0):
        if not self.rows:
            return None
        if self.house and self.rng.random() < house_bias:
            return self.rng.choice(self.house)
        return self.rng.choice(self.rows)


def can_gbk(s):
    try:
        s.encode('gbk')
        return True
    except UnicodeEncodeError:
        return False


def gbk_safe(s):
    return ''.join(c if can_gbk(c) else '\u25a1' for c in s)


# ---------------------------------------------------------------- build

class Builder:
    """Collects output lines and records where each ad landed."""

    def __init__(self, eol):
        self.lines = []
        self.offset = 0
        self.eol_len = len(eol)
        self.ads = []

    def add(self, line):
        self.lines.append(line)
        off = self.offset
        self.offset += len(line) + self.eol_len
        return len(self.lines), off   # 1-based line, char offset of its start

    def blank(self):
        self.add('')

    def ad_line(self, row, where, para_index, prefix=''):
        line_no, off = self.add(prefix + row['string'])
        self.ads.append({'ad_id': row['id'], 'string': row['string'], 'category': row['category'],
                         'mode': 'line', 'where': where, 'clean_paragraph_index': para_index,
                         'polluted_line': line_no, 'polluted_char_offset': off + len(prefix),
                         'spans_line_break': False})


def draw(rng, options):
    return rng.choice(options)


def build(args):
    rng = random.Random(args.seed)
    text = read_text(args.novel)
    chapters = parse_chapters(text)
    if not chapters:
        sys.exit('pollute.py: no chapters found in %s' % args.novel)
    if args.chapter_range:
        a, b = (int(x) for x in args.chapter_range.split('-'))
    else:
        count = min(args.chapters, len(chapters))
        a = rng.randint(1, len(chapters) - count + 1)
        b = a + count - 1
    chosen = chapters[a - 1:b]

    encoding = draw(rng, choices(args.encoding))
    gbk = encoding == 'gbk'
    eol_name = draw(rng, choices(args.eol))
    eol = '\r\n' if eol_name == 'crlf' else '\n'
    lo, hi = draw(rng, width_choices(args.width))
    width = rng.randint(lo, hi)
    width_scope = draw(rng, choices(args.width_scope))
    narrow_quotes = draw(rng, choices(args.quote_cols)) == '1'
    indent_counts = rng.random() < 0.7   # the indent takes room on the first line

    rows, _ = filter_ads(load_ads(args.ads), args) if args.ads else ([], {})
    ads = Ads(rows, rng, gbk)
    dens = args.ad_density

    out = Builder(eol)
    clean = []
    layout_log = []

    for _ in range(rng.choice([0, 1, 1, 2, 3]) if dens > 0 else 0):
        r = ads.pick()
        if r:
            out.ad_line(r, 'file-header', 0)
    if out.lines:
        out.blank()

    for ci, (title, paras) in enumerate(chosen):
        lay = {
            'indent': draw(rng, choices(args.indent)),
            'indent_scope': draw(rng, choices(args.indent_scope)),
            'blank': draw(rng, choices(args.blank)),
            'breaks': draw(rng, choices(args.breaks)),
            'quotes': draw(rng, choices(args.quotes)),
            'split': draw(rng, choices(args.split)),
            'titles': draw(rng, choices(args.titles)),
        }
        if width_scope == 'chapter' and width > 0:
            width = rng.randint(lo, hi)
        lay['width'] = width
        layout_log.append(lay)
        title_text = gbk_safe(title) if gbk else title
        if lay['quotes'] == 'corner':
            title_text = to_corner(title_text)
        title_index = len(clean)
        # before the title
        if dens > 0 and rng.random() < P_BEFORE_TITLE * dens:
            r = ads.pick(0.4)
            if r:
                out.ad_line(r, 'before-title', title_index)
        if lay['titles'] == 'spaced' and out.lines and out.lines[-1] != '':
            out.blank()
        out.add(('\u3000\u3000' if lay['titles'] == 'indented' else '') + title_text)
        clean.append({'text': title_text, 'is_title': True})
        if lay['titles'] == 'spaced':
            out.blank()
        if dens > 0 and rng.random() < P_AFTER_TITLE * dens:
            r = ads.pick(0.4)
            if r:
                out.ad_line(r, 'after-title', title_index + 1)

        body = []
        for p in paras:
            p = gbk_safe(p) if gbk else p
            if lay['quotes'] == 'corner':
                p = to_corner(p)
            body.extend(split_paragraph(p, lay['split'], rng))

        for pi, p in enumerate(body):
            index = len(clean)
            clean.append({'text': p, 'is_title': False})
            if pi > 0:
                gap_blank = lay['blank'] == 'always' or (lay['blank'] == 'some' and rng.random() < 0.5)
                if dens > 0 and rng.random() < RATE_BETWEEN * dens:
                    r = ads.pick(0.15)
                    if r:
                        if gap_blank:
                            out.blank()
                        prefix = ''
                        if lay['indent'] != 'none' and rng.random() < 0.5:
                            prefix = INDENTS['full' if lay['indent'] == 'mixed' else lay['indent']][0]
                        out.ad_line(r, 'between-paragraphs', index, prefix)
                if gap_blank:
                    out.blank()
            ind_name = lay['indent']
            if ind_name == 'mixed':
                ind_name = rng.choice(['full', 'full', 'blank4', 'tab', 'none'])
            ind, ind_cols = INDENTS[ind_name]
            # inline ads go into the paragraph before it is wrapped
            inline = []
            if dens > 0 and len(p) >= 8:
                k = 0
                while rng.random() < RATE_INLINE * dens and k < 2:
                    k += 1
                    r = ads.pick()
                    if r is None:
                        break
                    bounds = [i + 1 for i, c in enumerate(p[:-1]) if c in CLAUSE_END]
                    pos = rng.choice(bounds) if bounds and rng.random() < 0.7 else rng.randint(1, len(p) - 1)
                    inline.append((pos, r))
            inline.sort(key=lambda t: t[0])
            s, marks, last = '', [], 0
            for pos, r in inline:
                s += p[last:pos]
                marks.append((len(s), r, pos))
                s += r['string']
                last = pos
            s += p[last:]
            kinsoku = lay['breaks'] == 'kinsoku' or (lay['breaks'] == 'mixed' and rng.random() < 0.5)
            first_cap = 2 * width - (2 * ind_cols if indent_counts else 0)
            # indenting every line takes the room from every line
            rest_cap = max(first_cap, 2) if lay['indent_scope'] == 'all' else None
            spans = wrap(s, width, max(first_cap, 2), kinsoku, narrow_quotes, rest_cap)
            line_starts = []
            between_at = None
            if len(spans) > 1 and dens > 0 and rng.random() < RATE_BETWEEN_LINES * dens * len(spans) / 4:
                # a break that no inline ad straddles
                free = [li for li in range(1, len(spans))
                        if not any(at < spans[li][0] < at + len(r['string']) for at, r, _ in marks)]
                between_at = rng.choice(free) if free else None
            for li, (a0, a1) in enumerate(spans):
                if li == between_at:
                    r = ads.pick()
                    if r:
                        out.ad_line(r, 'between-lines', index)
                prefix = ind if (li == 0 or lay['indent_scope'] == 'all') else ''
                _, off = out.add(prefix + s[a0:a1])
                line_starts.append((a0, a1, len(out.lines), off + len(prefix)))
            for at, r, clean_pos in marks:
                end = at + len(r['string'])
                for a0, a1, ln, off in line_starts:
                    if a0 <= at < a1:
                        out.ads.append({'ad_id': r['id'], 'string': r['string'], 'category': r['category'],
                                        'mode': 'inline', 'where': 'in-paragraph',
                                        'clean_paragraph_index': index, 'clean_char_offset': clean_pos,
                                        'polluted_char_offset': off + (at - a0), 'polluted_line': ln,
                                        'spans_line_break': end > a1})
                        break
        # chapter end
        if dens > 0 and rng.random() < P_CHAPTER_END * dens:
            r = ads.pick(0.6)
            if r:
                if lay['blank'] != 'never':
                    out.blank()
                out.ad_line(r, 'chapter-end', len(clean) - 1)
        if lay['blank'] != 'never' or rng.random() < 0.5:
            out.blank()

    for _ in range(rng.choice([0, 0, 1, 2]) if dens > 0 else 0):
        r = ads.pick()
        if r:
            out.ad_line(r, 'file-footer', len(clean) - 1)

    body = eol.join(out.lines) + eol
    name = os.path.basename(args.out) + '.txt'
    if encoding == 'gbk':
        data = body.encode('gbk')
    elif encoding == 'utf8bom':
        data = b'\xef\xbb\xbf' + body.encode('utf-8')
    else:
        data = body.encode('utf-8')
    truth = {
        'file': name,
        'split': args.split_name,
        'novel': os.path.basename(args.novel).split('.')[0],
        'chapters': [a, b],
        'encoding': {'gbk': 'GBK', 'utf8': 'UTF-8', 'utf8bom': 'UTF-8-BOM'}[encoding],
        'line_ending': eol_name.upper(),
        'seed': args.seed,
        'generator': GENERATOR,
        'notes': 'clean_paragraphs are the ground-truth paragraphs (chapter titles flagged); in GBK files '
                 'characters GBK cannot hold were replaced by U+25A1 in both text and truth and ads GBK '
                 'cannot hold were not used. polluted_char_offset counts characters of the decoded text '
                 '(CRLF = 2). With split set, paragraphs were cut into shorter ones and the truth follows.',
        'variants': [],
        'layout': {'width': width, 'width_scope': width_scope, 'narrow_quotes': narrow_quotes,
                   'indent_counts': indent_counts, 'chapters': layout_log,
                   'ads_pool': len(ads.rows), 'use_folds': args.use_folds or 'all', 'folds': args.folds},
        'clean_paragraphs': clean,
        'inserted_ads': out.ads,
    }
    os.makedirs(os.path.dirname(os.path.abspath(args.out)), exist_ok=True)
    with open(args.out + '.txt', 'wb') as f:
        f.write(data)
    with open(args.out + '.truth.json', 'w', encoding='utf-8') as f:
        json.dump(truth, f, ensure_ascii=False, indent=1)
    return truth


def parser():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument('--novel', help='clean novel: one paragraph per line, GBK or UTF-8')
    ap.add_argument('--out', help='output path without extension')
    ap.add_argument('--ads', help='advertising TSV (columns of ads/dev.tsv)')
    ap.add_argument('--seed', type=int, default=1)
    ap.add_argument('--chapters', type=int, default=12, help='how many consecutive chapters')
    ap.add_argument('--chapter-range', help='A-B: these chapters (1-based, chapters with a body)')
    ap.add_argument('--split-name', default='generated', help='the truth\'s "split" field')
    ap.add_argument('--width', default='20-60')
    ap.add_argument('--width-scope', default='file,chapter', help='one width per file or per chapter')
    ap.add_argument('--quote-cols', default='2,1', help='columns a curly quote takes in the wrap')
    ap.add_argument('--indent', default='full,blank4,tab,none,mixed')
    ap.add_argument('--indent-scope', default='first,first,first,all')
    ap.add_argument('--blank', default='never,always,some')
    ap.add_argument('--breaks', default='naive,kinsoku,mixed')
    ap.add_argument('--quotes', default='curly,corner')
    ap.add_argument('--split', default='none,none,dialogue,sentences')
    ap.add_argument('--titles', default='plain,indented,spaced')
    ap.add_argument('--eol', default='crlf,lf')
    ap.add_argument('--encoding', default='gbk,utf8,utf8bom')
    ap.add_argument('--ad-density', type=float, default=1.0, help='scales every ad rate; 0 for none')
    ap.add_argument('--folds', type=int, default=5)
    ap.add_argument('--use-folds', help='comma list of folds to draw ads from (default all)')
    ap.add_argument('--families', help='only rows of these families')
    ap.add_argument('--exclude-families', help='no rows of these families')
    ap.add_argument('--categories', help='only rows of these categories')
    ap.add_argument('--list-folds', action='store_true', help='print fold, site key, id, string and exit')
    return ap


def main():
    args = parser().parse_args()
    if args.list_folds:
        rows = load_ads(args.ads)
        fold_of = assign_folds(rows, args.folds)
        for r in sorted(rows, key=lambda r: (fold_of[site_key(r)], site_key(r), r['id'])):
            print('%d\t%s\t%s\t%s\t%s' % (fold_of[site_key(r)], site_key(r), r['id'], r['category'], r['string']))
        return
    if not args.novel or not args.out:
        parser().error('--novel and --out are required')
    t = build(args)
    print('%s\t%d paragraphs\t%d ads\twidth %d' % (t['file'], len(t['clean_paragraphs']),
                                                   len(t['inserted_ads']), t['layout']['width']))


if __name__ == '__main__':
    main()
