#include "symbolcipher.h"

SymbolCipher::SymbolCipher(const SymbolKey &key)
    : m_key(key)
{
    if (m_key.rule != SymbolRule::Substitution && m_key.shifts.empty())
        m_key.shifts.push_back(0);
    for (int plain = 0; plain < Alphabet::Size; ++plain)
        m_inverse[std::size_t(m_key.alphabet[std::size_t(plain)] & 31)] = std::int8_t(plain);
}

KeyStreamPlace SymbolCipher::start() const
{
    return KeyStreamPlace { 0, m_key.shifts };
}

template <bool Encrypt>
void SymbolCipher::append(QStringView text, KeyStreamPlace &place, QString &out) const
{
    const int begin = int(out.size());
    out.resize(begin + int(text.size()));
    QChar *written = out.data() + begin;
    for (const QChar c : text) {
        const int symbol = Alphabet::indexOf(c.unicode());
        *written++ = symbol < 0 ? c : Alphabet::symbol(cipherSymbol<Encrypt>(symbol, place));
    }
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
    if (position < 0 || position >= text.size())
        return std::nullopt;
    const int plain = Alphabet::indexOf(text.at(position).unicode());
    if (plain < 0)
        return std::nullopt;
    SymbolStep step;
    step.number = pass(text.left(position), place);
    step.plain = plain;
    if (m_key.rule != SymbolRule::Substitution) {
        step.column = place.column;
        step.shift = place.shifts[std::size_t(place.column)];
    }
    step.cipher = encryptSymbol(plain, place);
    return step;
}

int SymbolCipher::cipherSymbolUnder(int plain, int shift) const
{
    KeyStreamPlace place { 0, { std::int8_t(shift & (Alphabet::Size - 1)) } };
    return encryptSymbol(plain, place);
}
