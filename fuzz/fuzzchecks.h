// The rules that the fuzz targets check, kept apart from libFuzzer so that the
// test suite replays the corpora and every reproducer through the same code.
#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

// Arbitrary UTF-16 text to decryption, which must give what the reference
// gives, and the round trip of its digit-free part. The first byte picks the key, keys outside 1 to 3 included; the rest
// is the text, two bytes a unit in the machine's byte order.
QString checkDecryptInput(const std::uint8_t *data, std::size_t size);

// Arbitrary bytes through cipherLines, read and written in small pieces.
// Five header bytes come first:
//   0  the key, 1 + byte % 3
//   1  bit 0: decrypt; bit 1: UTF-8 rather than Windows-1251;
//      bits 2-3: 1 = reading fails at the failure offset, 2 = writing does,
//      3 = lines longer than the failure offset are too long
//   2  the most bytes one read hands over, 1 + byte % 32; the top three
//      bits pick the block size: 1, 2, 3, 7, 16, 64, 256 or 4096 bytes
//   3  the most bytes one write takes, 1 + byte % 32; bit 5: through UTF-16
//      even where the bytes could be ciphered directly
//   4  the failure offset in bytes
QString checkCipherLinesInput(const std::uint8_t *data, std::size_t size);

// Arbitrary bytes as a key file. A table that readKeyTable accepts has no
// problems, lists its rows in the fixed table's order, and keyTableText
// writes it to a file that reads back to the same table and the same text; a
// refused file has at least one problem, each naming the file. The reasons
// are written only when the size is a multiple of 4.
QString checkKeyFileInput(const std::uint8_t *data, std::size_t size);

// A language model file for LanguageModel::read. The first byte chooses:
//   even  the rest is the file as it stands
//   odd   a valid model with patches: records of a 3-byte little-endian
//         offset (taken modulo the file's size), a length byte and that many
//         bytes; bit 1: the checksum is made right afterwards; bit 2: the
//         file ends at the first record's offset
// A model that read accepts holds exactly the file's scores, each from
// -32768 to 0 (a log-probability), and scores any text from -32.768 to 0
// nats a symbol; a refused one gives a reason and stays invalid.
QString checkModelInput(const std::uint8_t *data, std::size_t size);

// A ciphertext with locks and cribs through the attack's option checks and
// one short restart of crackHomophonic, whose search reads a prefix of a few
// dozen to a few hundred codes, so that codes first seen past it are common.
//   0  the codes searched, 8 + byte
//   1  bit 0: the attack gets the options as given rather than the sound
//      ones; bits 1-3: locks; bits 4-5: cribs; bits 6-7: the occurrences of
//      a late code read to place it, 1, 4, 16 or 64
//   2  bits 0-3: the seed; bits 4-7: how often the search may read the
//      clock before it stops
// then two bytes a lock, the code (byte % 104 - 2) and the symbol
// (byte % 36 - 2); a length byte (% 8) a crib and that many bytes, a row of
// the table below 224, else a character outside it; then the ciphertext, a
// byte a piece: below 200 the code byte % 100 and its separator, then a
// space, LF, CR LF, CR, a lone digit, other characters. Exactly the faulty
// locks are refused (code out of range or not in the text, no such symbol,
// an earlier lock says otherwise), a crib outside the table is refused, and
// the sound options have no problems. Every code of the text reads as a symbol and
// in that row of the table, every accepted lock holds, codes not in the text
// read as none, the table is a key table, and the codes dealt and listed as
// unseen are exactly the codes the text lacks that the key file shows.
QString checkCrackInput(const std::uint8_t *data, std::size_t size);

// Each returns an empty string when every rule holds, otherwise what broke.

// Arbitrary bytes as a key file of every symbol family. A key that a family
// accepts is sound (a permutation, or shifts from 0 to 31) and writes back to
// a file that reads as the same key; a refused file has a problem naming it.
QString checkFamilyKeyFileInput(const std::uint8_t *data, std::size_t size);

// Arbitrary bytes through cipherLines with a symbol family. Four header
// bytes: 0 the family; 1 the seed of its random key; 2 bit 0: UTF-8 rather
// than Windows-1251, bits 1-3: the block size (1, 2, 3, 7, 16, 64, 256 or 4096
// bytes), bits 4-5: threads, 1 to 4; 3 the most bytes one read hands over,
// 1 + byte % 32. Blocks on threads write what one pass through UTF-16 writes,
// in both directions, and in Windows-1251 deciphering gives the text back.
QString checkSymbolLinesInput(const std::uint8_t *data, std::size_t size);

// A ciphertext and locks through a symbol family's option checks and attack,
// a twentieth of a second long. Byte 0 picks the family, byte 1 the seed and
// the threads; the rest is UTF-8 text whose lines starting with "=" are
// locks as the user writes them. Options the checks accept never fail the
// attack's own way of reading them, and a key it finds is sound.
QString checkFamilyAttackInput(const std::uint8_t *data, std::size_t size);
