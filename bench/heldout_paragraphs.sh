#!/usr/bin/env bash
# Russian prose that is not in the model's corpus, for the attacks' accuracy:
# paragraphs of the Debian FAQ in Russian (package debian-faq-ru) that are
# mostly Cyrillic, one a line, digits dropped (the homophonic cipher copies
# digit pairs, which decryption reads back as codes). Needs python3.
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
