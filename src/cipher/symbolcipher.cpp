#include "symbolcipher.h"

#include "lineend.h"

namespace {

constexpr int Mask = Alphabet::Size - 1;

std::uint16_t pairValue(int first, int second)
{
    return std::uint16_t((first & Mask) * Alphabet::Size + (second & Mask));
}

} // namespace

SymbolCipher::SymbolCipher(const SymbolKey &key)
    : m_key(key)
{
    if (takesKeyStream() && m_key.shifts.empty())
        m_key.shifts.push_back(0);
    for (int plain = 0; plain < Alphabet::Size; ++plain)
        m_inverse[std::size_t(m_key.alphabet[std::size_t(plain)] & Mask)] = std::int8_t(plain);
    m_key.filler = std::int8_t(m_key.filler & Mask);
    switch (m_key.rule) {
    case SymbolRule::Substitution:
    case SymbolRule::Vigenere:
    case SymbolRule::Beaufort:
    case SymbolRule::Autokey:
        return;
    case SymbolRule::Playfair:
    case SymbolRule::TwoSquare:
        m_blockSize = 2;
        break;
    case SymbolRule::Hill:
        // A matrix that is no key is refused where keys are read; one that
        // slips through here ciphers as the identity rather than reading
        // outside it.
        if (!Polygram::isInvertible(m_key.matrix))
            m_key.matrix = { 1, 0, 0, 1 };
        m_blockSize = Polygram::matrixSize(m_key.matrix);
        if (m_blockSize == 3) {
            m_inverseMatrix = Polygram::inverse(m_key.matrix);
            return;
        }
        break;
    }
    m_encryptedPairs.resize(std::size_t(Alphabet::Size * Alphabet::Size));
    m_decryptedPairs.resize(m_encryptedPairs.size());
    const Polygram::Rectangle first = Polygram::Rectangle::of(m_key.alphabet);
    const Polygram::Rectangle second = Polygram::Rectangle::of(m_key.second);
    const Polygram::Matrix inverse =
        m_key.rule == SymbolRule::Hill ? Polygram::inverse(m_key.matrix) : Polygram::Matrix();
    for (int a = 0; a < Alphabet::Size; ++a) {
        for (int b = 0; b < Alphabet::Size; ++b) {
            const std::size_t index = std::size_t(a * Alphabet::Size + b);
            switch (m_key.rule) {
            case SymbolRule::Playfair: {
                int cellA = first.cellOf[std::size_t(a)];
                int cellB = first.cellOf[std::size_t(b)];
                Polygram::playfairCells(cellA, cellB, +1);
                m_encryptedPairs[index] =
                    pairValue(first.symbolAt[std::size_t(cellA)], first.symbolAt[std::size_t(cellB)]);
                cellA = first.cellOf[std::size_t(a)];
                cellB = first.cellOf[std::size_t(b)];
                Polygram::playfairCells(cellA, cellB, -1);
                m_decryptedPairs[index] =
                    pairValue(first.symbolAt[std::size_t(cellA)], first.symbolAt[std::size_t(cellB)]);
                break;
            }
            case SymbolRule::TwoSquare: {
                int x = a, y = b;
                Polygram::twoSquareEncrypt(first, second, x, y);
                m_encryptedPairs[index] = pairValue(x, y);
                x = a;
                y = b;
                Polygram::twoSquareDecrypt(first, second, x, y);
                m_decryptedPairs[index] = pairValue(x, y);
                break;
            }
            case SymbolRule::Hill: {
                const Polygram::Matrix &k = m_key.matrix;
                m_encryptedPairs[index] = pairValue(k[0] * a + k[1] * b, k[2] * a + k[3] * b);
                m_decryptedPairs[index] =
                    pairValue(inverse[0] * a + inverse[1] * b, inverse[2] * a + inverse[3] * b);
                break;
            }
            case SymbolRule::Substitution:
            case SymbolRule::Vigenere:
            case SymbolRule::Beaufort:
            case SymbolRule::Autokey:
                break;
            }
        }
    }
}

KeyStreamPlace SymbolCipher::start() const
{
    return KeyStreamPlace { 0, m_key.shifts };
}

template <bool Encrypt>
void SymbolCipher::append(QStringView text, KeyStreamPlace &place, QString &out) const
{
    if (m_blockSize > 1) {
        appendBlocks<Encrypt>(text, out);
        return;
    }
    const int begin = int(out.size());
    out.resize(begin + int(text.size()));
    QChar *written = out.data() + begin;
    for (const QChar c : text) {
        const int symbol = Alphabet::indexOf(c.unicode());
        *written++ = symbol < 0 ? c : Alphabet::symbol(cipherSymbol<Encrypt>(symbol, place));
    }
}

template <typename OnBlock>
void SymbolCipher::forEachPlainBlock(QStringView line, OnBlock &&onBlock) const
{
    PlainBlock block {};
    int filled = 0;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const int symbol = Alphabet::indexOf(line[i].unicode());
        if (symbol < 0)
            continue;
        if (m_key.rule == SymbolRule::Playfair && filled == 1 && block.symbol[0] == symbol) {
            block.position[1] = -1;
            block.symbol[1] = symbol == m_key.filler ? Polygram::secondFiller(m_key.filler) : m_key.filler;
            onBlock(block);
            filled = 0;
        }
        block.position[std::size_t(filled)] = i;
        block.symbol[std::size_t(filled)] = symbol;
        if (++filled == m_blockSize) {
            onBlock(block);
            filled = 0;
        }
    }
    if (filled == 0)
        return;
    for (; filled < m_blockSize; ++filled) {
        const bool doubled = m_key.rule == SymbolRule::Playfair && block.symbol[0] == m_key.filler;
        block.position[std::size_t(filled)] = -1;
        block.symbol[std::size_t(filled)] = doubled ? Polygram::secondFiller(m_key.filler) : m_key.filler;
    }
    onBlock(block);
}

void SymbolCipher::appendEncryptedBlocks(QStringView line, QString &out) const
{
    qsizetype copied = 0;
    forEachPlainBlock(line, [&](const PlainBlock &block) {
        int symbols[3];
        std::copy(block.symbol.begin(), block.symbol.end(), symbols);
        encryptBlock(symbols);
        for (int i = 0; i < m_blockSize; ++i) {
            const qsizetype position = block.position[std::size_t(i)];
            if (position >= 0) { // a filler goes right after the symbol before it
                out.append(line.mid(copied, position - copied));
                copied = position + 1;
            }
            out.append(Alphabet::symbol(symbols[i]));
        }
    });
    out.append(line.mid(copied));
}

void SymbolCipher::appendDecryptedBlocks(QStringView line, QString &out) const
{
    const qsizetype begin = out.size();
    out.append(line);
    QChar *written = out.data() + begin;
    qsizetype position[3];
    int symbols[3];
    int filled = 0;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const int symbol = Alphabet::indexOf(line[i].unicode());
        if (symbol < 0)
            continue;
        position[filled] = i;
        symbols[filled] = symbol;
        if (++filled < m_blockSize)
            continue;
        decryptBlock(symbols);
        for (int k = 0; k < m_blockSize; ++k)
            written[position[k]] = Alphabet::symbol(symbols[k]);
        filled = 0;
    }
}

template <bool Encrypt>
void SymbolCipher::appendBlocks(QStringView text, QString &out) const
{
    const char16_t *const begin = reinterpret_cast<const char16_t *>(text.utf16());
    forEachLine(begin, begin + text.size(), [&](const char16_t *line, const char16_t *contentEnd, LineEnding ending) {
        const QStringView content(line, contentEnd - line);
        if (Encrypt)
            appendEncryptedBlocks(content, out);
        else
            appendDecryptedBlocks(content, out);
        if (ending == LineEnding::CrLf)
            out.append(QLatin1String("\r\n"));
        else if (ending == LineEnding::Lf)
            out.append(QLatin1Char('\n'));
    });
}

void SymbolCipher::appendEncrypted(QStringView text, KeyStreamPlace &place, QString &out) const
{
    append<true>(text, place, out);
}

void SymbolCipher::appendDecrypted(QStringView text, KeyStreamPlace &place, QString &out) const
{
    append<false>(text, place, out);
}

QString SymbolCipher::encrypt(QStringView text) const
{
    QString out;
    KeyStreamPlace place = start();
    appendEncrypted(text, place, out);
    return out;
}

QString SymbolCipher::decrypt(QStringView text) const
{
    QString out;
    KeyStreamPlace place = start();
    appendDecrypted(text, place, out);
    return out;
}

qsizetype SymbolCipher::pass(QStringView text, KeyStreamPlace &place) const
{
    qsizetype passed = 0;
    for (const QChar c : text) {
        const int symbol = Alphabet::indexOf(c.unicode());
        if (symbol >= 0) {
            pass(symbol, place);
            ++passed;
        }
    }
    return passed;
}

std::optional<SymbolStep> SymbolCipher::step(QStringView text, qsizetype position, KeyStreamPlace place) const
{
    if (m_blockSize > 1 || position < 0 || position >= text.size())
        return std::nullopt;
    const int plain = Alphabet::indexOf(text.at(position).unicode());
    if (plain < 0)
        return std::nullopt;
    SymbolStep step;
    step.number = pass(text.left(position), place);
    step.plain = plain;
    if (takesKeyStream()) {
        step.column = place.column;
        step.shift = place.shifts[std::size_t(place.column)];
    }
    step.cipher = encryptSymbol(plain, place);
    return step;
}

std::optional<BlockStep> SymbolCipher::blockStep(QStringView text, qsizetype position) const
{
    if (m_blockSize < 2 || position < 0 || position >= text.size()
        || Alphabet::indexOf(text.at(position).unicode()) < 0)
        return std::nullopt;
    const char16_t *const begin = reinterpret_cast<const char16_t *>(text.utf16());
    const char16_t *lineBegin = begin;
    for (;;) {
        const LineEnd<char16_t> line = findLineEnd(lineBegin, begin + text.size());
        if (line.next - begin > position)
            break;
        lineBegin = line.next;
    }
    const qsizetype offset = lineBegin - begin;
    const LineEnd<char16_t> line = findLineEnd(lineBegin, begin + text.size());
    std::optional<BlockStep> found;
    qsizetype number = 0;
    forEachPlainBlock(QStringView(lineBegin, line.contentEnd - lineBegin), [&](const PlainBlock &block) {
        if (found || std::find(block.position.begin(), block.position.begin() + m_blockSize, position - offset)
                == block.position.begin() + m_blockSize) {
            ++number;
            return;
        }
        BlockStep step;
        step.size = m_blockSize;
        step.number = number;
        int symbols[3];
        for (int i = 0; i < m_blockSize; ++i) {
            const qsizetype at = block.position[std::size_t(i)];
            step.position[std::size_t(i)] = at < 0 ? -1 : at + offset;
            step.plain[std::size_t(i)] = symbols[i] = block.symbol[std::size_t(i)];
        }
        encryptBlock(symbols);
        std::copy(symbols, symbols + m_blockSize, step.cipher.begin());
        found = step;
    });
    return found;
}

int SymbolCipher::cipherSymbolUnder(int plain, int shift) const
{
    KeyStreamPlace place { 0, { std::int8_t(shift & (Alphabet::Size - 1)) } };
    return encryptSymbol(plain, place);
}
