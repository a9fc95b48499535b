#include "monoalphabeticfamily.h"

namespace {

// A whole number written in ASCII digits, below 1000; -1 otherwise.
int smallNumber(QStringView text)
{
    if (text.isEmpty() || text.size() > 3)
        return -1;
    int value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

} // namespace

std::optional<SymbolKey> MonoalphabeticFamily::key(KeyForm form, const QString &text, QString &problem) const
{
    switch (form) {
    case KeyForm::Shift: {
        const int shift = smallNumber(text);
        if (shift < 0 || shift >= Alphabet::Size) {
            problem = QStringLiteral("сдвиг должен быть целым числом от 0 до %1, а не «%2»")
                          .arg(Alphabet::Size - 1)
                          .arg(text);
            return std::nullopt;
        }
        return SymbolKeys::shift(shift);
    }
    case KeyForm::Affine: {
        const int comma = int(text.indexOf(QLatin1Char(',')));
        const int a = comma < 0 ? -1 : smallNumber(QStringView(text).left(comma));
        const int b = comma < 0 ? -1 : smallNumber(QStringView(text).mid(comma + 1));
        if (a < 0 || b < 0 || a >= Alphabet::Size || b >= Alphabet::Size) {
            problem = QStringLiteral("нужны два числа через запятую, A,B, каждое от 0 до %1, а не «%2»")
                          .arg(Alphabet::Size - 1)
                          .arg(text);
            return std::nullopt;
        }
        if (a % 2 == 0) {
            problem = QStringLiteral("множитель A = %1 чётный: у чётного A нет обратного по модулю %2, и "
                                     "разные символы совпали бы; нужно нечётное A")
                          .arg(a)
                          .arg(Alphabet::Size);
            return std::nullopt;
        }
        return SymbolKeys::affine(a, b);
    }
    case KeyForm::Keyword: {
        std::optional<SymbolKey> key = SymbolKeys::keywordAlphabet(text);
        if (!key)
            problem = QStringLiteral("в ключевом слове «%1» нет ни одного символа алфавита (пробел и буквы от А "
                                     "до Я без Ё и Й)")
                          .arg(text);
        return key;
    }
    case KeyForm::Atbash:
        return SymbolKeys::atbash();
    case KeyForm::Digits:
        break;
    }
    problem = QStringLiteral("простая замена не задаётся цифрами");
    return std::nullopt;
}

QString MonoalphabeticFamily::keyText(const SymbolKey &key) const
{
    return QStringLiteral("алфавит замены ") + SymbolKeys::alphabetText(key);
}
