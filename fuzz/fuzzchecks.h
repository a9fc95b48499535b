// The rules that the fuzz targets check, kept apart from libFuzzer so that the
// test suite replays the corpora and every reproducer through the same code.
#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

// Arbitrary UTF-16 text to decryption, and the round trip of its digit-free
// part. The first byte picks the key, keys outside 1 to 3 included; the rest
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

// Both return an empty string when every rule holds, otherwise what broke.
