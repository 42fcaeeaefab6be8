#!/usr/bin/env bash
# Regenerates examples/ from the UTF-8 sources in tools/example-sources/:
# one sample per stored encoding the program reads. The outputs are committed;
# run this only after editing a source.
set -euo pipefail
cd "$(dirname "$0")/.."
src=tools/example-sources
out=examples
mkdir -p "$out"

crlf() { sed 's/$/\r/'; }

# GBK (the ANSI code page), CR LF line ends as downloaded files usually have.
crlf <"$src/01-inn.txt" | iconv -f UTF-8 -t GBK >"$out/01-inn.gbk.txt"
# UTF-8 without a mark, LF line ends: the usual text file here.
cp "$src/02-scholar.txt" "$out/02-scholar.utf8.txt"
# UTF-8 with a mark.
{ printf '\xEF\xBB\xBF'; cat "$src/03-river.txt"; } >"$out/03-river.utf8bom.txt"
# UTF-16LE and UTF-16BE with their marks, CR LF line ends.
{ printf '\xFF\xFE'; crlf <"$src/04-lamp.txt" | iconv -f UTF-8 -t UTF-16LE; } >"$out/04-lamp.utf16le.txt"
{ printf '\xFE\xFF'; crlf <"$src/05-wind.txt" | iconv -f UTF-8 -t UTF-16BE; } >"$out/05-wind.utf16be.txt"
ls -l "$out"
