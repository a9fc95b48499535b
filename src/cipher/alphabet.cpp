#include "alphabet.h"

#include "homophonic.h"

namespace Alphabet {

namespace {

const SymbolRows &fixedRows()
{
    static const SymbolRows rows(fixedKeyTable());
    return rows;
}

} // namespace

QChar symbol(int index)
{
    Q_ASSERT(index >= 0 && index < Size);
    return fixedKeyTable()[std::size_t(index)].symbol.at(0);
}

int indexOf(char16_t unit)
{
    return fixedRows().rowOf(unit);
}

std::vector<std::int8_t> indicesOf(QStringView text)
{
    std::vector<std::int8_t> indices;
    indices.reserve(std::size_t(text.size()));
    for (const QChar c : text) {
        const int index = indexOf(c.unicode());
        if (index >= 0)
            indices.push_back(std::int8_t(index));
    }
    return indices;
}

} // namespace Alphabet
