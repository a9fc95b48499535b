#include "polyalphabeticfamily.h"

QString PolyalphabeticFamily::name() const
{
    switch (m_variant) {
    case Variant::Vigenere:
        return QStringLiteral("vigenere");
    case Variant::Gronsfeld:
        return QStringLiteral("gronsfeld");
    case Variant::Beaufort:
        return QStringLiteral("beaufort");
    case Variant::Autokey:
        break;
    }
    return QStringLiteral("autokey");
}

QString PolyalphabeticFamily::title() const
{
    switch (m_variant) {
    case Variant::Vigenere:
        return QStringLiteral("шифр Виженера");
    case Variant::Gronsfeld:
        return QStringLiteral("шифр Гронсфельда");
    case Variant::Beaufort:
        return QStringLiteral("шифр Бофора");
    case Variant::Autokey:
        break;
    }
    return QStringLiteral("самоключ (автоключ Виженера)");
}

QList<KeyForm> PolyalphabeticFamily::keyForms() const
{
    if (m_variant == Variant::Gronsfeld)
        return {KeyForm::Digits};
    return {KeyForm::Keyword};
}

SymbolRule PolyalphabeticFamily::rule() const
{
    switch (m_variant) {
    case Variant::Vigenere:
    case Variant::Gronsfeld:
        return SymbolRule::Vigenere;
    case Variant::Beaufort:
        return SymbolRule::Beaufort;
    case Variant::Autokey:
        break;
    }
    return SymbolRule::Autokey;
}

SymbolKeys::KeyFileForm PolyalphabeticFamily::keyFileForm() const
{
    return m_variant == Variant::Gronsfeld ? SymbolKeys::KeyFileForm::Digits : SymbolKeys::KeyFileForm::Keyword;
}

std::optional<SymbolKey> PolyalphabeticFamily::key(KeyForm form, const QString &text, QString &problem) const
{
    if (!keyForms().contains(form)) {
        problem = m_variant == Variant::Gronsfeld ? QStringLiteral("ключ шифра Гронсфельда — цифры (--digits)")
                                                  : QStringLiteral("ключ этого шифра — слово (--keyword)");
        return std::nullopt;
    }
    if (form == KeyForm::Digits)
        return SymbolKeys::digits(text, problem);
    std::optional<SymbolKey> key = SymbolKeys::keyword(rule(), text);
    if (!key)
        problem = QStringLiteral("в ключевом слове «%1» нет ни одного символа алфавита (пробел и буквы от А до Я "
                                 "без Ё и Й)")
                      .arg(text);
    return key;
}

SymbolKey PolyalphabeticFamily::randomKey(QRandomGenerator &source) const
{
    SymbolKey key;
    key.rule = rule();
    for (int i = 0; i < RandomKeyLength; ++i) {
        const int shift = m_variant == Variant::Gronsfeld ? int(source.bounded(10))
                                                          : 1 + int(source.bounded(Alphabet::Size - 1));
        key.shifts.push_back(std::int8_t(shift));
    }
    return key;
}

QString PolyalphabeticFamily::keyText(const SymbolKey &key) const
{
    if (m_variant == Variant::Gronsfeld)
        return QStringLiteral("ключ ") + SymbolKeys::digitsText(key);
    return QStringLiteral("ключевое слово «%1»").arg(SymbolKeys::keywordText(key));
}
