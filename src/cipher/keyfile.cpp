#include "keyfile.h"

#include "alphabet.h"
#include "lineend.h"

#include <QDir>
#include <QFile>
#include <QTextCodec>

#include <algorithm>
#include <vector>

namespace {

constexpr int MaxQuotedLength = 24;

// Decodes UTF-8; false for bytes that are no UTF-8.
bool decodeUtf8(const char *begin, const char *end, QString &text)
{
    static QTextCodec *const utf8 = QTextCodec::codecForMib(106);
    QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
    text = utf8->toUnicode(begin, int(end - begin), &state);
    return state.invalidChars == 0 && state.remainingChars == 0;
}

bool isContent(QStringView text)
{
    return !text.startsWith(QLatin1Char('#'))
        && std::any_of(text.begin(), text.end(), [](QChar c) { return !c.isSpace(); });
}

// The family named by a line of content, or an empty string for a line that
// states none.
QString statedFamily(QStringView text)
{
    const QString word = keyFileFamilyWord();
    if (text.size() <= word.size() || !text.startsWith(word) || text.at(word.size()) != QLatin1Char('\t'))
        return QString();
    return text.mid(word.size() + 1).trimmed().toString();
}

// A byte-order mark, as some editors write, is not part of the first line.
const char *contentStart(const QByteArray &bytes)
{
    return bytes.constData() + (bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0);
}

// The lines of a key file, decoded once. Valid UTF-8 as a whole is valid
// line by line (no sequence holds a line feed), so most files are decoded in
// one call; only a file with a bad line is decoded a line at a time, to find
// which lines are bad.
class DecodedLines
{
public:
    explicit DecodedLines(const QByteArray &bytes)
    {
        const char *begin = contentStart(bytes);
        const char *end = bytes.constData() + bytes.size();
        if (decodeUtf8(begin, end, m_text))
            return;
        m_text.clear();
        m_text.reserve(int(end - begin) + 1);
        QString line;
        forEachLine(begin, end, [&](const char *lineBegin, const char *lineEnd, LineEnding) {
            m_valid.push_back(decodeUtf8(lineBegin, lineEnd, line));
            m_text += line;
            m_text += QLatin1Char('\n');
        });
    }

    // Calls onLine(number, line) for every line, line null for one that is
    // no UTF-8, until it returns false.
    template <typename OnLine>
    void forEach(OnLine &&onLine) const
    {
        const auto *begin = reinterpret_cast<const char16_t *>(m_text.utf16());
        const char16_t *end = begin + m_text.size();
        for (std::size_t index = 0; begin != end; ++index) {
            const LineEnd<char16_t> line = findLineEnd(begin, end);
            const QStringView text(begin, line.contentEnd);
            const bool valid = m_valid.empty() || m_valid[index];
            if (!onLine(int(index + 1), valid ? &text : nullptr))
                return;
            begin = line.next;
        }
    }

private:
    QString m_text;
    std::vector<bool> m_valid; // line by line, when some line is no UTF-8
};

// The family its first line of content states, homophonicFamilyName() when
// it states none.
QString familyOf(const DecodedLines &lines)
{
    QString family = homophonicFamilyName();
    lines.forEach([&](int, const QStringView *line) {
        if (!line || !isContent(*line))
            return true;
        const QString stated = statedFamily(*line);
        if (!stated.isEmpty())
            family = stated;
        return false;
    });
    return family;
}

} // namespace

QString homophonicFamilyName()
{
    return QStringLiteral("homophonic");
}

QString keyFileFamilyWord()
{
    return QStringLiteral("шифр");
}

KeyFileProblems::KeyFileProblems(const QString &fileName, KeyFileReasons reasons)
    : m_name(QChar(0x00AB) + QDir::toNativeSeparators(fileName) + QChar(0x00BB))
    , m_reasons(reasons)
{
}

QString keyFileFamily(const QByteArray &bytes)
{
    return familyOf(DecodedLines(bytes));
}

bool forEachKeyFileLine(const QByteArray &bytes, const QString &family, KeyFileProblems &problems,
                        const std::function<void(int, QStringView)> &onLine)
{
    if (bytes.size() > MaxKeyFileSize) {
        problems.add(QStringLiteral("файл больше 64 КиБ (%1 байт) — это не файл ключа").arg(MaxKeyFileSize));
        return false;
    }
    const DecodedLines lines(bytes);
    const QString stated = familyOf(lines);
    if (stated != family) {
        problems.add([&] {
            return stated == homophonicFamilyName()
                ? QStringLiteral("это не ключ шифра %1: в начале нет строки «%2<TAB>%3»; файл без неё — "
                                 "ключ гомофонической замены")
                      .arg(quotedFromKeyFile(family), keyFileFamilyWord(), family)
                : QStringLiteral("это ключ шифра %1, а нужен ключ шифра %2")
                      .arg(quotedFromKeyFile(stated), quotedFromKeyFile(family));
        });
        return false;
    }
    bool firstContent = true;
    lines.forEach([&](int lineNumber, const QStringView *line) {
        if (!line) {
            problems.add(lineNumber,
                         [] { return QStringLiteral("текст не в кодировке UTF-8 (неверная последовательность байтов)"); });
            return true;
        }
        if (!isContent(*line))
            return true;
        // The line stating the family, checked above.
        if (std::exchange(firstContent, false) && !statedFamily(*line).isEmpty())
            return true;
        onLine(lineNumber, *line);
        return true;
    });
    return true;
}

std::optional<QByteArray> readKeyFileBytes(const QString &path, QString &problem)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        problem = QStringLiteral("не удалось открыть файл ключа «%1»: %2")
                      .arg(QDir::toNativeSeparators(path), file.errorString());
        return std::nullopt;
    }
    // Read in a loop: devices and pipes may give less than asked for. One
    // byte over the limit is enough to refuse a file of any size.
    QByteArray bytes;
    while (bytes.size() <= MaxKeyFileSize) {
        const QByteArray chunk = file.read(MaxKeyFileSize + 1 - bytes.size());
        if (chunk.isEmpty())
            break;
        bytes += chunk;
    }
    if (file.error() != QFileDevice::NoError) {
        problem = QStringLiteral("не удалось прочитать файл ключа «%1»: %2")
                      .arg(QDir::toNativeSeparators(path), file.errorString());
        return std::nullopt;
    }
    return bytes;
}

QString quotedFromKeyFile(const QString &text)
{
    static const char hexDigits[] = "0123456789ABCDEF";
    // Grown in place: a bad key file has a quote in nearly every message.
    QString shown;
    shown.reserve(2 + std::min(int(text.size()), MaxQuotedLength + 1) * 8);
    shown += QChar(0x00AB);
    int count = 0;
    for (const QChar c : text) {
        if (++count > MaxQuotedLength) {
            shown += QChar(0x2026);
            break;
        }
        if (c.isPrint() && c.category() != QChar::Separator_Space) {
            shown += c;
        } else if (c == QLatin1Char(' ')) {
            shown += QLatin1Char(' ');
        } else {
            shown += QLatin1String("<U+");
            for (int shift = 12; shift >= 0; shift -= 4)
                shown += QLatin1Char(hexDigits[(c.unicode() >> shift) & 0xF]);
            shown += QLatin1Char('>');
        }
    }
    shown += QChar(0x00BB);
    return shown;
}

int keyFileSymbolIndex(QStringView field)
{
    if (field.size() != 1)
        return -1;
    const QChar c = field.front();
    if (c == QChar(KeyFileSpace))
        return 0;
    if (c == QLatin1Char(' '))
        return -1;
    const int index = Alphabet::indexOf(c.unicode());
    // Letters are written as capitals.
    return index > 0 && c == Alphabet::symbol(index) ? index : -1;
}

QString keyFileSymbolProblem(const QString &field)
{
    if (field.isEmpty())
        return QStringLiteral("символ не указан: строка начинается с табуляции");
    if (field == QLatin1String(" "))
        return QStringLiteral("пробел записывается знаком ␣ (U+2423): простой пробел не виден в редакторах");
    if (field.size() == 1 && Alphabet::indexOf(field.at(0).unicode()) > 0)
        return QStringLiteral("буква %1 записывается заглавной: %2")
            .arg(quotedFromKeyFile(field), quotedFromKeyFile(field.toUpper()));
    return QStringLiteral("неизвестный символ %1: в таблице пробел (␣) и заглавные буквы от А до Я без Ё и Й")
        .arg(quotedFromKeyFile(field));
}

QString keyFileSymbolText(int index)
{
    return index == 0 ? QString(QChar(KeyFileSpace)) : QString(Alphabet::symbol(index));
}
