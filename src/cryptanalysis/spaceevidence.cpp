#include "spaceevidence.h"

#include "occurrenceindex.h"

#include <QStringView>

namespace Cryptanalysis {

namespace {

bool closes(QStringView mark)
{
    return mark.size() == 1 && QStringView(u",.;:!?)»").contains(mark.at(0));
}

bool opens(QStringView mark)
{
    return mark.size() == 1 && QStringView(u"(«").contains(mark.at(0));
}

bool anchors(QStringView mark)
{
    return mark.size() == 1 && QStringView(u",;:!?)").contains(mark.at(0));
}

} // namespace

SpaceEvidence::SpaceEvidence(const CipherText &cipher, const OccurrenceIndex &index)
    : m_mayBeSpace(size_t(index.codes()), 1)
    , m_anchor(size_t(index.codes()), 0)
    , m_adjacent(size_t(index.codes()) * size_t(index.codes()), 0)
{
    const size_t codes = size_t(index.codes());
    std::vector<char> followsMark(codes, 0);
    int taken = 0;
    int copied = 0;
    // The unit before the current one: a dense code, or a line start or a
    // copied character (its text in `mark`).
    int previous = -1;
    bool lineStart = true;
    QStringView mark;
    for (const qint16 unit : cipher.units) {
        if (unit >= 0 && taken == index.occurrenceCount())
            break;
        if (unit >= 0) {
            const int x = index.denseOf(unit);
            ++taken;
            if (previous >= 0) {
                m_adjacent[size_t(previous) * codes + size_t(x)] = 1;
                m_adjacent[size_t(x) * codes + size_t(previous)] = 1;
            } else if (lineStart || opens(mark)) {
                m_mayBeSpace[size_t(x)] = 0;
            } else if (anchors(mark)) {
                followsMark[size_t(x)] = 1;
            }
            previous = x;
            lineStart = false;
            continue;
        }
        if (previous >= 0 && unit == CipherText::LineEnd)
            m_mayBeSpace[size_t(previous)] = 0;
        if (unit == CipherText::Copied) {
            mark = cipher.copied.at(copied++);
            if (previous >= 0 && closes(mark))
                m_mayBeSpace[size_t(previous)] = 0;
        } else {
            mark = {};
        }
        lineStart = unit == CipherText::LineEnd;
        previous = -1;
    }
    for (size_t x = 0; x < codes; ++x) {
        if (m_adjacent[x * codes + x])
            m_mayBeSpace[x] = 0;
        m_anchor[x] = followsMark[x] && m_mayBeSpace[x];
    }
}

} // namespace Cryptanalysis
