#!/usr/bin/env python3
"""Writes the corpus that scripts/compare-builds.sh runs both builds on.

    scripts/compare-corpus.py OUTPUT_DIR PROSE.txt

PROSE.txt is Russian prose in UTF-8 (compare-builds.sh takes the README of
the base commit); its sentences are shuffled by a seeded generator and mixed
with everything the tool treats specially, so the same prose always gives
the same bytes. What each file is for is said where it is made; the total is
a little over 64 MiB, most of it in the two mixed files.
"""

import os
import random
import re
import sys

MiB = 1 << 20
# The tool cuts its input into blocks of at least this many bytes at a LF.
BLOCK = 2 * MiB

# Things outside the table: Latin, Ё and Й, punctuation, digits alone, in
# pairs and in odd runs, digits glued to letters, tabs, a no-break space.
OUTSIDE = ["Qt", "CMake", "UTF-8", "hello", "x", "ЁЖИК", "ёлка", "йод", "ЙОГУРТ",
           "«кавычки»", "—", "№", "…", "(скобки)", "[1]", "?!", ";", ":", "@", "%",
           "7", "42", "123", "2026", "0", "00", "99", "100", "12 34", "А1", "5Б",
           "1-2", "3,14", "\t", "\u00a0", "€", "‰"]
# Only in UTF-8: emoji (a surrogate pair in UTF-16), skin tones, CJK, a
# combining breve, a zero-width no-break space and a line separator.
OUTSIDE_UTF8 = ["😀", "👍🏽", "漢字", "и\u0306", "\ufeff", "\u2028", "Ω", "ß"]
# Raw bytes: Windows-1251 leaves 0x98 undefined; NUL and ESC are control bytes.
RAW_1251 = [b"\x98", b"\x00", b"\x1b", b"\x01"]
# Not UTF-8: a lone continuation byte, a lead byte without its continuation,
# an overlong NUL, 0xFF, an encoded surrogate, a code point above U+10FFFF.
RAW_UTF8 = [b"\x80", b"\xd0", b"\xc0\x80", b"\xff", b"\xed\xa0\x80", b"\xf4\x90\x80\x80"]


def sentences_of(prose):
    lines = [line.strip() for line in prose.split("\n")]
    lines = [line for line in lines
             if line and len(re.findall("[А-Яа-яЁё]", line)) > 0.6 * len(line)]
    text = " ".join(lines)
    return [s for s in re.split(r"(?<=[.!?])\s+", text) if len(s) > 3]


class Writer:
    """Random lines of shuffled prose with everything above mixed in."""

    def __init__(self, rng, sentences, utf8):
        self.rng = rng
        self.sentences = sentences
        self.utf8 = utf8

    def encode(self, text):
        # The README's few symbols that Windows-1251 lacks (₂, ≈) become '?'.
        return text.encode("utf-8") if self.utf8 else text.encode("cp1251", errors="replace")

    def word(self):
        rng = self.rng
        roll = rng.random()
        if roll < 0.04:
            return self.encode(rng.choice(OUTSIDE))
        if roll < 0.042:
            return rng.choice(RAW_UTF8 if self.utf8 else RAW_1251)
        if roll < 0.05 and self.utf8:
            return self.encode(rng.choice(OUTSIDE_UTF8))
        return None

    def text(self, length):
        rng = self.rng
        parts = []
        size = 0
        while size < length:
            sentence = rng.choice(self.sentences)
            case = rng.random()
            if case < 0.2:
                sentence = sentence.upper()
            elif case < 0.3:
                sentence = sentence.lower()
            words = sentence.split(" ")
            out = []
            for word in words:
                extra = self.word()
                if extra is not None:
                    out.append(extra)
                out.append(self.encode(word))
            piece = b" ".join(out)
            parts.append(piece)
            size += len(piece) + 1
        return b" ".join(parts)

    def line_end(self):
        roll = self.rng.random()
        if roll < 0.55:
            return b"\n"
        if roll < 0.85:
            return b"\r\n"
        if roll < 0.92:
            return b"\r"  # a lone CR stays inside its line
        if roll < 0.96:
            return b"\r\r\n"
        return b"\n\r"

    def line(self):
        roll = self.rng.random()
        if roll < 0.06:
            length = 0
        elif roll < 0.08:
            length = self.rng.randint(2000, 20000)
        else:
            length = self.rng.randint(1, 300)
        body = self.text(length) if length else b""
        if roll < 0.01:
            body = b" \t "
        # What ends a line matters too (a digit pair needs both its digits
        # in the line): a token from the lists above, or a cut anywhere.
        ending = self.rng.random()
        if body and ending < 0.2:
            body += b" " + self.encode(self.rng.choice(OUTSIDE))
        elif body and ending < 0.25:
            body = body[: self.rng.randrange(1, len(body) + 1)]
        return body + self.line_end()

    def lines(self, size):
        out = bytearray()
        while len(out) < size:
            out += self.line()
        return bytes(out)

    def letters(self, count):
        """count bytes of text without line ends."""
        out = bytearray()
        while len(out) < count:
            out += self.encode(self.rng.choice(self.sentences)) + b" "
        if self.utf8:
            # Never end inside a two-byte letter: pad with spaces instead.
            out = out[:count]
            while out and (out[-1] & 0xC0) == 0xC0:
                out = out[:-1]
            out += b" " * (count - len(out))
            return bytes(out)
        return bytes(out[:count])


def write(directory, name, data):
    with open(os.path.join(directory, name), "wb") as file:
        file.write(data)


def at_offset(writer, offset, pattern, tail=64 * 1024):
    """Lines up to a little before offset, one line padded so that pattern
    starts exactly there, then more lines."""
    head = writer.lines(offset)
    head = head[: head.rfind(b"\n", 0, offset - 100) + 1]
    head += writer.letters(offset - len(head))
    assert len(head) == offset
    return head + pattern + writer.lines(tail)


def main():
    directory, prose_path = sys.argv[1], sys.argv[2]
    with open(prose_path, encoding="utf-8") as file:
        sentences = sentences_of(file.read())
    rng = random.Random(20261208)
    w1251 = Writer(rng, sentences, utf8=False)
    w8 = Writer(rng, sentences, utf8=True)

    # The bulk, with no line end at the very end.
    write(directory, "mixed-1251.txt", w1251.lines(34 * MiB).rstrip(b"\r\n"))
    write(directory, "mixed-utf8.txt", w8.lines(14 * MiB).rstrip(b"\r\n"))
    # One line of several MiB, longer than a block, then a short line.
    write(directory, "longline-1251.txt", w1251.letters(6 * MiB) + "\r\nКОНЕЦ\n".encode("cp1251"))
    write(directory, "longline-utf8.txt", w8.letters(3 * MiB) + "\nконец".encode("utf-8"))

    # Byte-order marks: the text is read in the mark's encoding whatever
    # --encoding says. After the UTF-8 mark a U+FEFF of the text itself; in
    # UTF-16 a lone surrogate and an odd last byte; in UTF-32 a value above
    # U+10FFFF.
    text = w8.lines(MiB).decode("utf-8", errors="replace")
    write(directory, "bom-utf8.txt", b"\xef\xbb\xbf" + text.encode("utf-8"))
    write(directory, "bom-utf8-feff.txt", b"\xef\xbb\xbf" + "\ufeffПРИВЕТ МИР\r\nещё строка\n".encode("utf-8"))
    write(directory, "bom-utf16le.txt", b"\xff\xfe" + text.encode("utf-16-le") + b"\x00\xd8" + "А\n".encode("utf-16-le") + b"\x41")
    write(directory, "bom-utf16be.txt", b"\xfe\xff" + text.encode("utf-16-be") + b"\xdc\x00" + "Б\r\n".encode("utf-16-be"))
    write(directory, "bom-utf32le.txt", b"\xff\xfe\x00\x00" + text.encode("utf-32-le") + b"\x00\x00\x11\x00" + "В".encode("utf-32-le"))
    write(directory, "bom-utf32be.txt", b"\x00\x00\xfe\xff" + text[: len(text) // 4].encode("utf-32-be") + "Г\n".encode("utf-32-be") + b"\x00\x11")
    write(directory, "bom-only.txt", b"\xef\xbb\xbf")

    # Line ends and characters where the first block ends.
    for delta in (-1, 0, 1):
        write(directory, f"boundary-1251-crlf{delta:+d}.txt", at_offset(w1251, BLOCK + delta, b"\r\n"))
    write(directory, "boundary-1251-cr.txt", at_offset(w1251, BLOCK, "\rПОСЛЕ CR\n".encode("cp1251")))
    write(directory, "boundary-1251-lf-1.txt", at_offset(w1251, BLOCK - 1, b"\n"))
    write(directory, "boundary-1251-lf+0.txt", at_offset(w1251, BLOCK, b"\n"))
    write(directory, "boundary-utf8-crlf.txt", at_offset(w8, BLOCK, b"\r\n"))
    write(directory, "boundary-utf8-letter.txt", at_offset(w8, BLOCK - 1, "Ж\n".encode("utf-8")))

    # Small files where every byte counts.
    small = {
        "empty.txt": b"",
        "lf.txt": b"\n",
        "cr.txt": b"\r",
        "crlf.txt": b"\r\n",
        "cr-cr-lf.txt": "\r\r\nА\r".encode("cp1251"),
        "lines-empty.txt": b"\n\n\r\n\n",
        "no-final-eol.txt": "ПРИВЕТ МИР".encode("cp1251"),
        "lone-cr-1251.txt": "ПРИВЕТ\rМИР\rАННА\r\nАЛЛА\r".encode("cp1251"),
        "digits-1251.txt": "1\n12\n123\n1234\n12 34\n00 99\nА1Б\n5Б 7\n1\r\n10 20 30\n9".encode("cp1251"),
        "digits-utf8.txt": "1\n12\n123\n1234\n12 34\n00 99\nА1Б\n5Б 7\n1\r\n10 20 30\n9\n".encode("utf-8"),
        "outside-1251.txt": "Ёлка, йод; Qt\tCMake — «№7» € ‰\u00a0конец!\n".encode("cp1251") + b"\x98\x00\x1b\n",
        "outside-utf8.txt": "Ёлка, йод; Qt\tCMake — «№7» 😀 👍🏽 漢字 и\u0306\u00a0конец!\n".encode("utf-8")
        + b"\x80\xd0 \xc0\x80\xff\xed\xa0\x80\n\xd0",
    }
    for name, data in small.items():
        write(directory, name, data)

    # Prose for crack: whole sentences in their own order, a few KiB each.
    prose = " ".join(sentences).upper()
    chunk = 1900
    for index in range(3):
        part = prose[index * chunk: (index + 1) * chunk]
        part = part[: part.rfind(" ")]
        words = part.split(" ")
        lines = [" ".join(words[i: i + 12]) for i in range(0, len(words), 12)]
        write(directory, f"prose{index}-lf.txt", ("\n".join(lines) + "\n").encode("cp1251", errors="replace"))
        write(directory, f"prose{index}-crlf.txt", ("\r\n".join(lines) + "\r\n").encode("cp1251", errors="replace"))
        write(directory, f"prose{index}-lonecr.txt", ("\r".join(lines) + "\r").encode("cp1251", errors="replace"))
        write(directory, f"prose{index}-utf8.txt", ("\n".join(lines) + "\n").encode("utf-8"))
    write(directory, "model-corpus.txt", (" ".join(sentences) + "\n").encode("utf-8"))

    # How many words are codes decides whether a text is ciphertext: crack
    # wants half, analyze 90 %. One line per share of codes, in tenths.
    for tenths in (4, 5, 8, 9, 10):
        line = " ".join(["17"] * tenths + ["СЛОВО"] * (10 - tenths))
        write(directory, f"codes-{tenths * 10}pct.txt", ((line + "\n") * 200).encode("cp1251"))

    # Ciphertext-looking start and plaintext after it, and the other way
    # round: analyze guesses from the first 64 KiB and must read again.
    codes = " ".join(f"{rng.randrange(100):02d}" for _ in range(30)) + "\n"
    head = (codes * (70 * 1024 // len(codes) + 1)).encode("cp1251")
    write(directory, "cipher-then-plain.txt", head + w1251.lines(512 * 1024))
    write(directory, "plain-then-cipher.txt", w1251.lines(70 * 1024) + head * 40)


if __name__ == "__main__":
    main()
