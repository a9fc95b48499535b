// What prose shows of the space without any key: it never stands next to
// itself, never starts or ends a line, stands after a comma and never before
// one. A search that holds the space to these rules cannot read a text by
// another split into words; only some restarts do, since a text that is no
// prose (double spaces, a space at a line's end) breaks them.
#pragma once

#include "ciphertext.h"

#include <vector>

namespace Cryptanalysis {

class OccurrenceIndex;

class SpaceEvidence
{
public:
    // Over the searched prefix of cipher, whose codes index numbers.
    SpaceEvidence(const CipherText &cipher, const OccurrenceIndex &index);

    int codes() const { return int(m_mayBeSpace.size()); }
    // Whether dense code x may be the space: it never starts or ends a line,
    // stands before a closing mark or after an opening one, nor next to
    // itself.
    bool mayBeSpace(int x) const { return m_mayBeSpace[size_t(x)]; }
    // Whether x is the space by the marks: it stands after a comma, colon,
    // semicolon, closing bracket, question or exclamation mark, and may be
    // the space. A full stop is left out: abbreviations (Т.Е.) go on with
    // a letter.
    bool isAnchor(int x) const { return m_anchor[size_t(x)]; }
    // Whether x and y stand next to each other somewhere: then they are not
    // both the space.
    bool adjacent(int x, int y) const { return m_adjacent[size_t(x) * m_mayBeSpace.size() + size_t(y)]; }

private:
    std::vector<char> m_mayBeSpace;
    std::vector<char> m_anchor;
    std::vector<char> m_adjacent;
};

} // namespace Cryptanalysis
