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

QString rowWord()
{
    return QStringLiteral("строка");
}

QString matrixWord()
{
    return QStringLiteral("матрица");
}

QString fillerWord()
{
    return QStringLiteral("заполнитель");
}

QString noSymbolProblem(QStringView keyword)
{
    return QStringLiteral("в ключевом слове «%1» нет ни одного символа алфавита (пробел и буквы от А до Я без Ё и Й)")
        .arg(keyword);
}

// A rectangle's row as a key file writes it.
QString rowText(const std::array<std::int8_t, Alphabet::Size> &rectangle, int row)
{
    QString text;
    for (int column = 0; column < Polygram::Columns; ++column)
        text += keyFileSymbolText(rectangle[std::size_t(Polygram::cellAt(row, column))]);
    return text;
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

std::optional<SymbolKey> rectangle(SymbolRule rule, QStringView keyword)
{
    std::optional<SymbolKey> key = keywordAlphabet(keyword);
    if (key)
        key->rule = rule;
    return key;
}

std::optional<SymbolKey> twoSquare(QStringView first, QStringView second, QString &problem)
{
    std::optional<SymbolKey> key = rectangle(SymbolRule::TwoSquare, first);
    const std::optional<SymbolKey> other = keywordAlphabet(second);
    if (!key || !other) {
        problem = noSymbolProblem(key ? second : first);
        return std::nullopt;
    }
    key->second = other->alphabet;
    return key;
}

std::optional<SymbolKey> hillKeyword(QStringView keyword, QString &problem)
{
    const std::vector<std::int8_t> symbols = Alphabet::indicesOf(keyword);
    if (symbols.size() != 4 && symbols.size() != 9) {
        problem = QStringLiteral("в ключевом слове шифра Хилла должно быть 4 символа алфавита (матрица 2 × 2) или 9 "
                                 "(3 × 3), а в «%1» их %2")
                      .arg(keyword)
                      .arg(symbols.size());
        return std::nullopt;
    }
    SymbolKey key;
    key.rule = SymbolRule::Hill;
    key.matrix = symbols;
    problem = Polygram::matrixProblem(key.matrix);
    if (!problem.isEmpty()) {
        problem = QStringLiteral("ключевое слово «%1» даёт матрицу, которая не годится: ").arg(keyword) + problem;
        return std::nullopt;
    }
    return key;
}

std::optional<SymbolKey> hillMatrix(QStringView text, QString &problem)
{
    std::optional<Polygram::Matrix> matrix = Polygram::matrixFromText(text, problem);
    if (!matrix)
        return std::nullopt;
    SymbolKey key;
    key.rule = SymbolRule::Hill;
    key.matrix = std::move(*matrix);
    return key;
}

SymbolKey randomRectangles(SymbolRule rule, QRandomGenerator &source)
{
    SymbolKey key = randomAlphabet(source);
    key.rule = rule;
    if (rule == SymbolRule::TwoSquare)
        key.second = randomAlphabet(source).alphabet;
    return key;
}

SymbolKey randomMatrix(int size, QRandomGenerator &source)
{
    SymbolKey key;
    key.rule = SymbolRule::Hill;
    // Half the matrices or so have an odd determinant: a few draws do.
    do {
        key.matrix.assign(std::size_t(size * size), 0);
        for (std::int8_t &value : key.matrix)
            value = std::int8_t(source.bounded(Alphabet::Size));
    } while (!Polygram::isInvertible(key.matrix));
    return key;
}

int fillerFromText(QStringView text, QString &problem)
{
    const int symbol = text.size() != 1 ? -1
        : text.at(0) == QChar(KeyFileSpace) ? 0
                                            : Alphabet::indexOf(text.at(0).unicode());
    if (symbol < 0)
        problem = QStringLiteral("заполнитель — один символ алфавита (␣ или буква от А до Я без Ё и Й), а не «%1»")
                      .arg(text);
    return symbol;
}

QString rectangleText(const std::array<std::int8_t, Alphabet::Size> &rectangle)
{
    QStringList rows;
    for (int row = 0; row < Polygram::Rows; ++row)
        rows << rowText(rectangle, row);
    return rows.join(QLatin1Char('/'));
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
    case KeyFileForm::Rectangle:
        text += QStringLiteral("# Прямоугольник 4 × 8 по строкам; ␣ — пробел. Заполнитель встаёт между одинаковыми "
                               "символами пары и в конец строки с нечётным числом символов.\n");
        break;
    case KeyFileForm::TwoRectangles:
        text += QStringLiteral("# Два прямоугольника 4 × 8 по строкам, сначала первый; ␣ — пробел. Заполнитель "
                               "встаёт в конец строки с нечётным числом символов.\n");
        break;
    case KeyFileForm::Matrix:
        text += QStringLiteral("# Матрица по строкам, строки через точку с запятой; блок открытого текста — столбец "
                               "номеров символов (␣ — 0, А — 1, ..., Я — 31), шифр — матрица на столбец по модулю "
                               "32. Заполнитель дополняет последний блок строки.\n");
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
    case KeyFileForm::Rectangle:
    case KeyFileForm::TwoRectangles:
        for (int row = 0; row < Polygram::Rows; ++row)
            text += rowWord() + QLatin1Char('\t') + rowText(key.alphabet, row) + QLatin1Char('\n');
        if (form == KeyFileForm::TwoRectangles) {
            for (int row = 0; row < Polygram::Rows; ++row)
                text += rowWord() + QLatin1Char('\t') + rowText(key.second, row) + QLatin1Char('\n');
        }
        break;
    case KeyFileForm::Matrix:
        text += matrixWord() + QLatin1Char('\t') + Polygram::matrixText(key.matrix) + QLatin1Char('\n');
        break;
    }
    if (form == KeyFileForm::Rectangle || form == KeyFileForm::TwoRectangles || form == KeyFileForm::Matrix)
        text += fillerWord() + QLatin1Char('\t') + keyFileSymbolText(key.filler) + QLatin1Char('\n');
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

// The rows, matrix and filler of a block cipher's key file.
class BlockKeyLines
{
public:
    BlockKeyLines(KeyFileForm form, KeyFileProblems &problems)
        : m_form(form)
        , m_problems(problems)
    {
    }

    void read(int lineNumber, const QString &text, SymbolKey &key);
    // The problems of the file as a whole, once every line is read.
    void finish();

private:
    void readRow(int lineNumber, const QString &row, SymbolKey &key);
    int rowsWanted() const { return m_form == KeyFileForm::TwoRectangles ? 2 * Polygram::Rows : Polygram::Rows; }

    KeyFileForm m_form;
    KeyFileProblems &m_problems;
    int m_rows = 0;
    int m_matrixLine = 0;
    int m_fillerLine = 0;
    // The line that placed each symbol, per rectangle.
    std::array<std::array<int, Alphabet::Size>, 2> m_placedAt {};
};

void BlockKeyLines::read(int lineNumber, const QString &text, SymbolKey &key)
{
    const QStringList fields = text.split(QLatin1Char('\t'));
    const QString word = fields.size() == 2 ? fields.at(0) : QString();
    const QString wanted = m_form == KeyFileForm::Matrix ? matrixWord() : rowWord();
    if (word != wanted && word != fillerWord()) {
        m_problems.add(lineNumber, [&] {
            return m_form == KeyFileForm::Matrix
                ? QStringLiteral("ожидается строка «%1<TAB>3 5; 2 7» или «%2<TAB>СИМВОЛ»").arg(matrixWord(), fillerWord())
                : QStringLiteral("ожидается строка «%1<TAB>8 СИМВОЛОВ» или «%2<TAB>СИМВОЛ»").arg(rowWord(), fillerWord());
        });
        return;
    }
    const QString value = fields.at(1);
    if (word == fillerWord()) {
        if (m_fillerLine != 0) {
            m_problems.add(lineNumber, [&] { return QStringLiteral("заполнитель уже задан в строке %1").arg(m_fillerLine); });
            return;
        }
        m_fillerLine = lineNumber;
        const int filler = keyFileSymbolIndex(value);
        if (filler < 0)
            m_problems.add(lineNumber, [&] { return keyFileSymbolProblem(value); });
        else
            key.filler = std::int8_t(filler);
        return;
    }
    if (m_form != KeyFileForm::Matrix) {
        readRow(lineNumber, value, key);
        return;
    }
    if (m_matrixLine != 0) {
        m_problems.add(lineNumber, [&] { return QStringLiteral("матрица уже задана в строке %1").arg(m_matrixLine); });
        return;
    }
    m_matrixLine = lineNumber;
    QString problem;
    std::optional<Polygram::Matrix> matrix = Polygram::matrixFromText(value, problem);
    if (!matrix)
        m_problems.add(lineNumber, [&] { return problem; });
    else
        key.matrix = std::move(*matrix);
}

void BlockKeyLines::readRow(int lineNumber, const QString &row, SymbolKey &key)
{
    if (m_rows == rowsWanted()) {
        m_problems.add(lineNumber, [&] {
            return QStringLiteral("строк прямоугольника больше %1").arg(rowsWanted());
        });
        return;
    }
    const int square = m_rows / Polygram::Rows;
    const int rowIndex = m_rows % Polygram::Rows;
    ++m_rows;
    if (row.size() != Polygram::Columns) {
        m_problems.add(lineNumber, [&] {
            return QStringLiteral("в строке прямоугольника нужно %1 символов, а их %2: %3")
                .arg(Polygram::Columns)
                .arg(row.size())
                .arg(quotedFromKeyFile(row));
        });
        return;
    }
    std::array<std::int8_t, Alphabet::Size> &rectangle = square == 0 ? key.alphabet : key.second;
    std::array<int, Alphabet::Size> &placedAt = m_placedAt[std::size_t(square)];
    for (int column = 0; column < Polygram::Columns; ++column) {
        const QChar c = row.at(column);
        const int symbol = keyFileSymbolIndex(QString(c));
        if (symbol < 0) {
            m_problems.add(lineNumber, [&] { return keyFileSymbolProblem(QString(c)); });
            continue;
        }
        if (placedAt[std::size_t(symbol)] != 0) {
            m_problems.add(lineNumber, [&] {
                return QStringLiteral("символ %1 уже стоит в прямоугольнике, в строке %2")
                    .arg(quotedFromKeyFile(keyFileSymbolText(symbol)))
                    .arg(placedAt[std::size_t(symbol)]);
            });
            continue;
        }
        placedAt[std::size_t(symbol)] = lineNumber;
        rectangle[std::size_t(Polygram::cellAt(rowIndex, column))] = std::int8_t(symbol);
    }
}

void BlockKeyLines::finish()
{
    if (m_form == KeyFileForm::Matrix) {
        if (m_matrixLine == 0)
            m_problems.add([] { return QStringLiteral("нет строки «%1<TAB>3 5; 2 7»").arg(matrixWord()); });
        return;
    }
    if (m_rows < rowsWanted()) {
        m_problems.add([&] {
            return QStringLiteral("строк прямоугольника %1, а нужно %2 («%3<TAB>8 СИМВОЛОВ»)")
                .arg(m_rows)
                .arg(rowsWanted())
                .arg(rowWord());
        });
    }
}

Reading readKeyFile(const QByteArray &bytes, const QString &fileName, const QString &family, SymbolRule rule,
                    KeyFileForm form, KeyFileReasons reasons)
{
    KeyFileProblems problems(fileName, reasons);
    SymbolKey key;
    key.rule = rule;
    std::array<int, Alphabet::Size> plainLine {};
    std::array<int, Alphabet::Size> cipherLine {};
    int keywordLine = 0;
    const bool blocks =
        form == KeyFileForm::Rectangle || form == KeyFileForm::TwoRectangles || form == KeyFileForm::Matrix;
    BlockKeyLines blockLines(form, problems);
    const bool read = forEachKeyFileLine(bytes, family, problems, [&](int lineNumber, QStringView line) {
        const QString text = line.toString();
        if (blocks) {
            blockLines.read(lineNumber, text, key);
            return;
        }
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
    } else if (blocks) {
        blockLines.finish();
    } else if (keywordLine == 0) {
        problems.add([&] { return QStringLiteral("нет строки «%1<TAB>КЛЮЧ»").arg(keywordWord()); });
    }
    if (!problems.isEmpty())
        return {std::nullopt, problems.take()};
    return {key, {}};
}

} // namespace SymbolKeys
