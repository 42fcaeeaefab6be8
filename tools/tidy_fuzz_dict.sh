#!/usr/bin/env bash
# Writes a libFuzzer dictionary of the rule table's find strings in GBK (the
# form the tidy fuzz target reads), so fuzzed texts hold real advertising.
# Usage: tools/tidy_fuzz_dict.sh > tidy.dict
set -euo pipefail
cd "$(dirname "$0")/.."
for f in data/ads/*.tsv; do
  grep -v '^#' "$f" | cut -f2 | grep -v '^$' || true
done | iconv -f UTF-8 -t GBK -c | python3 -c '
import sys
for i, line in enumerate(sys.stdin.buffer.read().split(b"\n")):
    if not line or len(line) > 64: continue
    line = line.replace(b"\\r", b"\r").replace(b"\\n", b"\n").replace(b"\\t", b"\t")
    esc = "".join(chr(c) if 32 <= c < 127 and c not in (34, 92) else "\\x%02X" % c for c in line)
    print("r%d=\"%s\"" % (i, esc))
'
