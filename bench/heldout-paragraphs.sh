#!/usr/bin/env bash
# Writes the held-out prose the accuracy benchmarks draw their texts from:
# paragraphs of the Debian FAQ in Russian (debian-faq-ru), which are not in
# the language model's corpus, one a line, mostly Cyrillic, digits dropped
# (the homophonic cipher copies digit pairs, which decryption reads back as
# codes).
#
#   bench/heldout-paragraphs.sh > paragraphs.txt
set -euo pipefail
zcat /usr/share/doc/debian/FAQ/debian-faq.ru.txt.gz | python3 -c '
import re, sys
text = sys.stdin.read()
for block in re.split(r"\n\s*\n", text):
    para = " ".join(block.split())
    para = re.sub(r"[0-9]", "", para)
    cyr = sum(1 for c in para if "\u0410" <= c <= "\u044f" or c in "ёЁ")
    lat = sum(1 for c in para if c.isascii() and c.isalpha())
    if len(para) >= 150 and cyr >= 4 * lat:
        print(para)
'
