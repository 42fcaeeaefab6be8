#!/usr/bin/env python3
"""Checks that a generated file and its truth agree: every advertising line
stands alone on the line recorded for it, every inline ad starts at its
recorded offset, and deleting the ads at those offsets leaves exactly the
clean paragraphs (blanks, indentation and line breaks aside).

    check_truth.py NAME.txt [NAME.truth.json]      exit status 1 on a mismatch
    check_truth.py --generate DIR [SHARED_TEXT]    builds one file per layout
                                                   family into DIR and checks each
                                                   (exit status 77: no shared text)
"""
import json
import os
import re
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SHARED = os.path.join(os.path.dirname(os.path.dirname(HERE)), '..', 'shared', 'text')
sys.path.insert(0, HERE)
import pollute  # noqa: E402

WS = re.compile(r'[\s\u3000]+')


def check(txt, truth_path):
    truth = json.load(open(truth_path, encoding='utf-8'))
    text = pollute.read_text(txt)
    errors = []
    lines = text.split('\r\n' if truth['line_ending'] == 'CRLF' else '\n')
    if truth['line_ending'] == 'LF' and '\r' in text:
        errors.append('CR in an LF file')
    cut = []
    for a in truth['inserted_ads']:
        off = a['polluted_char_offset']
        s = a['string']
        if a['mode'] == 'line':
            line = lines[a['polluted_line'] - 1]
            if line.strip(' \t\u3000') != s.strip(' \t\u3000'):
                errors.append('line %d is not the ad %s alone: %r' % (a['polluted_line'], a['ad_id'], line))
            if text[off:off + len(s)] != s:
                errors.append('ad %s not at offset %d' % (a['ad_id'], off))
            cut.append((off, off + len(s)))
        else:
            # a wrap may split it: match it with line breaks and indentation between its characters
            pat = r'[\r\n\t \u3000]*'.join(re.escape(c) for c in s)
            m = re.compile(pat).match(text, off)
            if not m:
                errors.append('inline ad %s not at offset %d' % (a['ad_id'], off))
                continue
            spans = '\n' in m.group(0)
            if spans != a['spans_line_break']:
                errors.append('inline ad %s: spans_line_break is %s' % (a['ad_id'], a['spans_line_break']))
            cut.append((m.start(), m.end()))
    cut.sort()
    rest, last = [], 0
    for a, b in cut:
        if a < last:
            errors.append('ads overlap at offset %d' % a)
            continue
        rest.append(text[last:a])
        last = b
    rest.append(text[last:])
    left = WS.sub('', ''.join(rest))
    want = WS.sub('', ''.join(p['text'] for p in truth['clean_paragraphs']))
    if left != want:
        k = next((i for i, (x, y) in enumerate(zip(left, want)) if x != y), min(len(left), len(want)))
        errors.append('text without the ads differs from the clean paragraphs at %d: %r vs %r'
                      % (k, left[k:k + 20], want[k:k + 20]))
    return errors


def generate_and_check(out, shared):
    novel = os.path.join(shared, 'clean', 'rulin.utf8.txt')
    ads = os.path.join(shared, 'ads', 'dev.tsv')
    if not (os.path.exists(novel) and os.path.exists(ads)):
        print('check_truth.py: no shared text under %s; skipped' % shared)
        return 77
    families = {
        'indent': ['full', 'blank4', 'tab', 'none', 'mixed'],
        'indent-scope': ['first', 'all'],
        'blank': ['never', 'always', 'some'],
        'breaks': ['naive', 'kinsoku'],
        'quotes': ['curly', 'corner'],
        'split': ['none', 'dialogue', 'sentences'],
        'titles': ['plain', 'indented', 'spaced'],
        'encoding': ['gbk', 'utf8', 'utf8bom'],
        'eol': ['crlf', 'lf'],
        'width': ['0', '20', '60'],
        'width-scope': ['chapter'],
        'quote-cols': ['1'],
    }
    failed = 0
    seed = 7
    for opt, values in families.items():
        for v in values:
            seed += 1
            stem = os.path.join(out, '%s-%s' % (opt, v))
            subprocess.run([sys.executable, os.path.join(HERE, 'pollute.py'), '--novel', novel, '--ads', ads,
                            '--seed', str(seed), '--chapters', '2', '--ad-density', '3', '--out', stem,
                            '--' + opt, v], check=True, stdout=subprocess.DEVNULL)
            errs = check(stem + '.txt', stem + '.truth.json')
            for e in errs[:5]:
                print('%s: %s' % (os.path.basename(stem), e))
            failed += bool(errs)
    print('check_truth.py: %d of %d generated files disagree with their truth' % (failed, seed - 7))
    return 1 if failed else 0


def main():
    if len(sys.argv) in (3, 4) and sys.argv[1] == '--generate':
        sys.exit(generate_and_check(sys.argv[2], sys.argv[3] if len(sys.argv) == 4 else SHARED))
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    txt = sys.argv[1]
    truth = sys.argv[2] if len(sys.argv) == 3 else txt[:-4] + '.truth.json'
    errs = check(txt, truth)
    for e in errs:
        print(e)
    sys.exit(1 if errs else 0)


if __name__ == '__main__':
    main()
