#include "symbolkeys.h"

#include "keytable.h"

#include <numeric>

namespace SymbolKeys {

namespace {

constexpr int Mask = Alphabet::Size - 1;

SymbolKey substitution(const std::array<int, Alphabet::Size> &alphabet)
{
    SymbolKey key;
    for (int i = 0; i < Alphabet::Size; ++i)
        key.alphabet[std::size_t(i)] = std::int8_t(alphabet[std::size_t(i)] & Mask);
    return key;
}

QString keywordWord()
{
    return QStringLiteral("ключ");
}

} // namespace

SymbolKey shift(int shift)
{
    std::array<int, Alphabet::Size> alphabet {};
    for (int p = 0; p < Alphabet::Size; ++p)
        alphabet[std::size_t(p)] = p + shift;
    return substitution(alphabet);
}

std::optional<SymbolKey> affine(int a, int b)
{
    if (a % 2 == 0)
        return std::nullopt;
    std::array<int, Alphabet::Size> alphabet {};
    for (int p = 0; p < Alphabet::Size; ++p)
        alphabet[std::size_t(p)] = a * p + b;
    return substitution(alphabet);
}

SymbolKey atbash()
{
    std::array<int, Alphabet::Size> alphabet {};
    for (int p = 0; p < Alphabet::Size; ++p)
        alphabet[std::size_t(p)] = Mask - p;
    return substitution(alphabet);
}

std::optional<SymbolKey> keywordAlphabet(QStringView keyword)
{
    std::array<int, Alphabet::Size> alphabet {};
    std::array<bool, Alphabet::Size> used {};
    int filled = 0;
    for (const std::int8_t symbol : Alphabet::indicesOf(keyword)) {
        if (!used[std::size_t(symbol)]) {
            used[std::size_t(symbol)] = true;
            alphabet[std::size_t(filled++)] = symbol;
        }
    }
    if (filled == 0)
        return std::nullopt;
    for (int symbol = 0; symbol < Alphabet::Size; ++symbol) {
        if (!used[std::size_t(symbol)])
            alphabet[std::size_t(filled++)] = symbol;
    }
    return substitution(alphabet);
}

SymbolKey randomAlphabet(QRandomGenerator &source)
{
    std::array<int, Alphabet::Size> alphabet {};
    std::iota(alphabet.begin(), alphabet.end(), 0);
    shuffleExactly(source, alphabet.data(), Alphabet::Size);
    return substitution(alphabet);
}

std::optional<SymbolKey> alphabetFromText(QStringView text, QString &problem)
{
    std::array<int, Alphabet::Size> alphabet {};
    std::array<int, Alphabet::Size> placeOf {};
    placeOf.fill(-1);
    int count = 0;
    for (const QChar c : text) {
        const int symbol = c == QChar(KeyFileSpace) ? 0 : Alphabet::indexOf(c.unicode());
        if (symbol < 0) {
            problem = QStringLiteral("знак %1 — не символ алфавита (пробел, ␣ и буквы от А до Я без Ё и Й)")
                          .arg(quotedFromKeyFile(QString(c)));
            return std::nullopt;
        }
        if (placeOf[std::size_t(symbol)] >= 0) {
            problem = QStringLiteral("символ %1 встречается дважды: %2-м и %3-м")
                          .arg(quotedFromKeyFile(keyFileSymbolText(symbol)))
                          .arg(placeOf[std::size_t(symbol)] + 1)
                          .arg(count + 1);
            return std::nullopt;
        }
        if (count == Alphabet::Size) {
            problem = QStringLiteral("символов больше %1").arg(Alphabet::Size);
            return std::nullopt;
        }
        placeOf[std::size_t(symbol)] = count;
        alphabet[std::size_t(count++)] = symbol;
    }
    if (count < Alphabet::Size) {
        QStringList missing;
        for (int symbol = 0; symbol < Alphabet::Size; ++symbol) {
            if (placeOf[std::size_t(symbol)] < 0)
                missing << keyFileSymbolText(symbol);
        }
        problem = QStringLiteral("символов %1, а нужны все %2; нет %3")
                      .arg(count)
                      .arg(Alphabet::Size)
                      .arg(missing.join(QStringLiteral(", ")));
        return std::nullopt;
    }
    return substitution(alphabet);
}

std::optional<SymbolKey> keyword(SymbolRule rule, QStringView keyword)
{
    SymbolKey key;
    key.rule = rule;
    key.shifts = Alphabet::indicesOf(keyword);
    if (key.shifts.empty())
        return std::nullopt;
    return key;
}

std::optional<SymbolKey> digits(QStringView digits, QString &problem)
{
    SymbolKey key;
    key.rule = SymbolRule::Vigenere;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            problem = QStringLiteral("в ключе Гронсфельда только цифры от 0 до 9, а не %1")
                          .arg(quotedFromKeyFile(QString(c)));
            return std::nullopt;
        }
        key.shifts.push_back(std::int8_t(c.unicode() - u'0'));
    }
    if (key.shifts.empty()) {
        problem = QStringLiteral("ключ Гронсфельда пуст: нужна хотя бы одна цифра");
        return std::nullopt;
    }
    return key;
}

QString keywordText(const SymbolKey &key)
{
    QString text;
    for (const std::int8_t shift : key.shifts)
        text += Alphabet::symbol(shift);
    return text;
}

QString digitsText(const SymbolKey &key)
{
    QString text;
    for (const std::int8_t shift : key.shifts)
        text += QChar(u'0' + (shift % 10));
    return text;
}

QString alphabetText(const SymbolKey &key)
{
    QString text;
    for (const std::int8_t symbol : key.alphabet)
        text += keyFileSymbolText(symbol);
    return text;
}

QString keyFileText(const QString &family, const QString &title, KeyFileForm form, const SymbolKey &key,
                    const QDateTime &madeAt, std::optional<quint64> seed)
{
    const QString when = madeAt.toOffsetFromUtc(madeAt.offsetFromUtc()).toString(Qt::ISODate);
    QString text = QStringLiteral("# Ключ: %1, создан %2").arg(title, when);
    if (seed)
        text += QStringLiteral(" из зерна ") + QString::number(*seed);
    text += QLatin1Char('\n');
    switch (form) {
    case KeyFileForm::Alphabet:
        text += QStringLiteral("# В строке символ открытого текста и его замена через табуляцию; ␣ — пробел.\n");
        break;
    case KeyFileForm::Keyword:
        text += QStringLiteral("# Ключевое слово; сдвиг символа — его номер в алфавите (␣ — 0, А — 1, ..., Я — 31).\n");
        break;
    case KeyFileForm::Digits:
        text += QStringLiteral("# Цифры ключа — сдвиги символов по очереди.\n");
        break;
    }
    text += keyFileFamilyWord() + QLatin1Char('\t') + family + QLatin1Char('\n');
    switch (form) {
    case KeyFileForm::Alphabet:
        for (int plain = 0; plain < Alphabet::Size; ++plain) {
            text += keyFileSymbolText(plain) + QLatin1Char('\t')
                + keyFileSymbolText(key.alphabet[std::size_t(plain)]) + QLatin1Char('\n');
        }
        break;
    case KeyFileForm::Keyword:
        text += keywordWord() + QLatin1Char('\t') + keywordText(key).replace(QLatin1Char(' '), QChar(KeyFileSpace))
            + QLatin1Char('\n');
        break;
    case KeyFileForm::Digits:
        text += keywordWord() + QLatin1Char('\t') + digitsText(key) + QLatin1Char('\n');
        break;
    }
    return text;
}

namespace {

void readAlphabetLine(const QString &text, int lineNumber, std::array<int, Alphabet::Size> &plainLine,
                      std::array<int, Alphabet::Size> &cipherLine, SymbolKey &key, KeyFileProblems &problems)
{
    const QStringList fields = text.split(QLatin1Char('\t'));
    if (fields.size() != 2) {
        problems.add(lineNumber, [] {
            return QStringLiteral("нужны два символа через табуляцию: символ открытого текста и его замена");
        });
        return;
    }
    const int plain = keyFileSymbolIndex(fields.at(0));
    const int cipher = keyFileSymbolIndex(fields.at(1));
    if (plain < 0)
        problems.add(lineNumber, [&] { return keyFileSymbolProblem(fields.at(0)); });
    if (cipher < 0)
        problems.add(lineNumber, [&] { return keyFileSymbolProblem(fields.at(1)); });
    if (plain >= 0 && plainLine[std::size_t(plain)] != 0) {
        problems.add(lineNumber, [&] {
            return QStringLiteral("символ %1 уже задан в строке %2")
                .arg(quotedFromKeyFile(fields.at(0)))
                .arg(plainLine[std::size_t(plain)]);
        });
        return;
    }
    if (plain >= 0)
        plainLine[std::size_t(plain)] = lineNumber;
    if (cipher >= 0 && cipherLine[std::size_t(cipher)] != 0) {
        problems.add(lineNumber, [&] {
            return QStringLiteral("замена %1 уже дана символу в строке %2")
                .arg(quotedFromKeyFile(fields.at(1)))
                .arg(cipherLine[std::size_t(cipher)]);
        });
    } else if (plain >= 0 && cipher >= 0) {
        cipherLine[std::size_t(cipher)] = lineNumber;
        key.alphabet[std::size_t(plain)] = std::int8_t(cipher);
    }
}

} // namespace

Reading readKeyFile(const QByteArray &bytes, const QString &fileName, const QString &family, SymbolRule rule,
                    KeyFileForm form, KeyFileReasons reasons)
{
    KeyFileProblems problems(fileName, reasons);
    SymbolKey key;
    key.rule = rule;
    std::array<int, Alphabet::Size> plainLine {};
    std::array<int, Alphabet::Size> cipherLine {};
    int keywordLine = 0;
    const bool read = forEachKeyFileLine(bytes, family, problems, [&](int lineNumber, const QString &text) {
        if (form == KeyFileForm::Alphabet) {
            readAlphabetLine(text, lineNumber, plainLine, cipherLine, key, problems);
            return;
        }
        const QStringList fields = text.split(QLatin1Char('\t'));
        if (fields.size() != 2 || fields.at(0) != keywordWord()) {
            problems.add(lineNumber, [] {
                return QStringLiteral("ожидается строка «%1<TAB>КЛЮЧ»").arg(keywordWord());
            });
            return;
        }
        if (keywordLine != 0) {
            problems.add(lineNumber, [&] { return QStringLiteral("ключ уже задан в строке %1").arg(keywordLine); });
            return;
        }
        keywordLine = lineNumber;
        QString problem;
        std::optional<SymbolKey> given;
        if (form == KeyFileForm::Digits) {
            given = digits(fields.at(1), problem);
        } else {
            given = keyword(rule, QString(fields.at(1)).replace(QChar(KeyFileSpace), QLatin1Char(' ')));
            if (!given)
                problem = QStringLiteral("в ключевом слове нет ни одного символа алфавита");
        }
        if (!given)
            problems.add(lineNumber, [&] { return problem; });
        else
            key.shifts = given->shifts;
    });
    if (!read)
        return {std::nullopt, problems.take()};
    if (form == KeyFileForm::Alphabet) {
        QStringList missing;
        for (int symbol = 0; symbol < Alphabet::Size; ++symbol) {
            if (plainLine[std::size_t(symbol)] == 0)
                missing << quotedFromKeyFile(keyFileSymbolText(symbol));
        }
        if (!missing.isEmpty()) {
            problems.add([&] {
                return missing.size() == 1 ? QStringLiteral("нет строки для символа ") + missing.first()
                                           : QStringLiteral("нет строк для символов ") + missing.join(QStringLiteral(", "));
            });
        }
    } else if (keywordLine == 0) {
        problems.add([&] { return QStringLiteral("нет строки «%1<TAB>КЛЮЧ»").arg(keywordWord()); });
    }
    if (!problems.isEmpty())
        return {std::nullopt, problems.take()};
    return {key, {}};
}

} // namespace SymbolKeys
