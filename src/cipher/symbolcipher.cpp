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
int SymbolCipher::cipherSymbol(int symbol, KeyStreamPlace &place) const
{
    switch (m_key.rule) {
    case SymbolRule::Substitution:
        return Encrypt ? m_key.alphabet[std::size_t(symbol)] : m_inverse[std::size_t(symbol)];
    case SymbolRule::Vigenere:
    case SymbolRule::Beaufort:
    case SymbolRule::Autokey:
        break;
    }
    const std::size_t column = std::size_t(place.column);
    const int shift = place.shifts[column];
    int result;
    if (m_key.rule == SymbolRule::Beaufort)
        result = (shift - symbol) & (Alphabet::Size - 1);
    else
        result = (Encrypt ? symbol + shift : symbol - shift) & (Alphabet::Size - 1);
    if (m_key.rule == SymbolRule::Autokey)
        place.shifts[column] = std::int8_t(Encrypt ? symbol : result);
    if (++place.column == int(place.shifts.size()))
        place.column = 0;
    return result;
}

int SymbolCipher::encryptSymbol(int plain, KeyStreamPlace &place) const
{
    return cipherSymbol<true>(plain, place);
}

int SymbolCipher::decryptSymbol(int cipher, KeyStreamPlace &place) const
{
    return cipherSymbol<false>(cipher, place);
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

void SymbolCipher::pass(QStringView text, KeyStreamPlace &place) const
{
    for (const QChar c : text) {
        const int symbol = Alphabet::indexOf(c.unicode());
        if (symbol >= 0)
            pass(symbol, place);
    }
}
