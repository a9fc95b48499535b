// What every family's key file shares: UTF-8 text of at most MaxKeyFileSize
// bytes, '#' comments and blank lines ignored, and problems reported with the
// file's name and the line. A file of a family other than homophonic states
// it on its first line of content, "шифр<TAB>name"; a file without that line
// is a homophonic key table, as key files have always been.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <optional>
#include <utility>

// Larger files are refused unread: a key file takes about 1 KiB.
constexpr qint64 MaxKeyFileSize = 64 * 1024;

// How a key file writes the space symbol.
constexpr char16_t KeyFileSpace = u'\u2423';

// Whether a problem of a line says what is wrong or only where: a caller
// that needs no more than that reads bad files several times faster.
enum class KeyFileReasons { Written, Left };

// The name of the family whose key file states none.
QString homophonicFamilyName();
// The word that starts the line stating a file's family.
QString keyFileFamilyWord();

// Collects the problems of one key file, each with the file's name. A
// line's reason comes as a callable, called only when reasons are written:
// writing one costs more than reading the line.
class KeyFileProblems
{
public:
    KeyFileProblems(const QString &fileName, KeyFileReasons reasons);

    void add(const QString &problem) { m_problems << m_name + QStringLiteral(": ") + problem; }
    template <typename Reason>
    void add(const Reason &reason)
    {
        if (m_reasons == KeyFileReasons::Written)
            add(QString(reason()));
        else
            m_problems << m_name;
    }
    template <typename Reason>
    void add(int line, const Reason &reason)
    {
        if (m_reasons == KeyFileReasons::Written) {
            m_problems << QStringLiteral("%1, строка %2: %3").arg(m_name, QString::number(line), reason());
        } else if (line != m_lastLine) {
            // Where alone: a second problem of the same line would say nothing new.
            m_problems << QStringLiteral("%1, строка %2").arg(m_name, QString::number(line));
        }
        m_lastLine = line;
    }
    bool isEmpty() const { return m_problems.isEmpty(); }
    QStringList take() { return std::exchange(m_problems, {}); }

private:
    QString m_name;
    KeyFileReasons m_reasons;
    QStringList m_problems;
    int m_lastLine = 0;
};

// Walks the lines of content of a key file meant for family, calling
// onLine(number, text) for each but the one stating the family (text is valid
// only during the call). The size limit, the encoding and the family are
// checked here: a file of another family is one problem, and then no line is
// read: false then.
bool forEachKeyFileLine(const QByteArray &bytes, const QString &family, KeyFileProblems &problems,
                        const std::function<void(int, QStringView)> &onLine);

// The family a key file states, homophonicFamilyName() when it states none.
QString keyFileFamily(const QByteArray &bytes);

// The bytes of the key file at path, at most MaxKeyFileSize + 1 of them; empty
// with the system's reason in problem when it cannot be opened or read.
std::optional<QByteArray> readKeyFileBytes(const QString &path, QString &problem);

// Text from a key file, quoted for a message: cut short, and with characters
// that would not show written as their code points.
QString quotedFromKeyFile(const QString &text);

// The index (0 to 31) of an alphabet symbol as key files write it: the space
// as ␣, a letter as its capital. -1 for anything else.
int keyFileSymbolIndex(QStringView field);
// Why a field names no symbol.
QString keyFileSymbolProblem(const QString &field);
// An alphabet symbol as key files write it.
QString keyFileSymbolText(int index);
