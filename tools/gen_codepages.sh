#!/usr/bin/env bash
# Regenerates src/charset/codepage_tables.cc from ICU's Windows code-page data.
set -euo pipefail
cd "$(dirname "$0")/.."
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
g++ -std=c++20 -O1 -Wall -Wextra tools/gen_codepages.cc -o "$tmp/gen" $(pkg-config --cflags --libs icu-uc)
"$tmp/gen" src/charset/codepage_tables.cc
