#include "keyfile.h"

#include "alphabet.h"
#include "lineend.h"

#include <QDir>
#include <QFile>
#include <QTextCodec>

#include <algorithm>

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
    const QString prefix = keyFileFamilyWord() + QLatin1Char('\t');
    return text.startsWith(prefix) ? text.mid(prefix.size()).trimmed().toString() : QString();
}

// A byte-order mark, as some editors write, is not part of the first line.
const char *contentStart(const QByteArray &bytes)
{
    return bytes.constData() + (bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0);
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
    QString family = homophonicFamilyName();
    QString text;
    bool found = false;
    forEachLine(contentStart(bytes), bytes.constData() + bytes.size(),
                [&](const char *begin, const char *end, LineEnding) {
        if (found || !decodeUtf8(begin, end, text) || !isContent(text))
            return;
        found = true;
        const QString stated = statedFamily(text);
        if (!stated.isEmpty())
            family = stated;
    });
    return family;
}

bool forEachKeyFileLine(const QByteArray &bytes, const QString &family, KeyFileProblems &problems,
                        const std::function<void(int, QStringView)> &onLine)
{
    if (bytes.size() > MaxKeyFileSize) {
        problems.add(QStringLiteral("файл больше 64 КиБ (%1 байт) — это не файл ключа").arg(MaxKeyFileSize));
        return false;
    }
    const QString stated = keyFileFamily(bytes);
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
    int lineNumber = 0;
    bool firstContent = true;
    const auto onText = [&](QStringView text) {
        if (!isContent(text))
            return;
        // The line stating the family, checked above.
        if (std::exchange(firstContent, false) && !statedFamily(text).isEmpty())
            return;
        onLine(lineNumber, text);
    };
    const char *begin = contentStart(bytes);
    const char *end = bytes.constData() + bytes.size();
    // Valid UTF-8 as a whole is valid line by line (no sequence holds a line
    // feed), so most files are decoded once instead of once a line.
    QString text;
    if (decodeUtf8(begin, end, text)) {
        const auto *units = reinterpret_cast<const char16_t *>(text.utf16());
        forEachLine(units, units + text.size(), [&](const char16_t *lineBegin, const char16_t *lineEnd, LineEnding) {
            ++lineNumber;
            onText(QStringView(lineBegin, lineEnd));
        });
        return true;
    }
    forEachLine(begin, end, [&](const char *lineBegin, const char *lineEnd, LineEnding) {
        ++lineNumber;
        if (!decodeUtf8(lineBegin, lineEnd, text)) {
            problems.add(lineNumber,
                         [] { return QStringLiteral("текст не в кодировке UTF-8 (неверная последовательность байтов)"); });
            return;
        }
        onText(text);
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
    QString shown;
    int count = 0;
    for (const QChar c : text) {
        if (++count > MaxQuotedLength) {
            shown += QChar(0x2026);
            break;
        }
        if (c.isPrint() && c.category() != QChar::Separator_Space)
            shown += c;
        else if (c == QLatin1Char(' '))
            shown += QLatin1Char(' ');
        else
            shown += QStringLiteral("<U+%1>").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
    }
    return QChar(0x00AB) + shown + QChar(0x00BB);
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
