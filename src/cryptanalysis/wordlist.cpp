#include "wordlist.h"

#include "alphabet.h"
#include "savepath.h"

#include <QFile>
#include <QIODevice>
#include <QtEndian>

#include <algorithm>

namespace Cryptanalysis {

namespace {

constexpr char Magic[8] = {'H', 'O', 'M', 'W', 'L', 0, 0, 0};
constexpr quint32 FormatVersion = 1;
constexpr int HeaderSize = 8 + 2 * 4;
// The unpacked list is about 4 MB; a header that asks for more than this is
// a damaged file, not a reason to allocate gigabytes.
constexpr quint32 MaxUnpackedSize = 64u << 20;

using Letters = std::vector<std::uint8_t>;

// Reads the entry at pos onto word (which holds the word before it) and
// moves pos past it; false when the entry runs past the end or shares more
// letters than the word before has.
bool readEntry(const QByteArray &entries, int &pos, Letters &word)
{
    if (pos + 2 > entries.size())
        return false;
    const int shared = std::uint8_t(entries[pos]);
    const int added = std::uint8_t(entries[pos + 1]);
    if (shared > int(word.size()) || pos + 2 + added > entries.size())
        return false;
    word.resize(size_t(shared));
    word.insert(word.end(), entries.constData() + pos + 2, entries.constData() + pos + 2 + added);
    pos += 2 + added;
    return true;
}

} // namespace

int WordList::letterOf(QChar c)
{
    switch (c.toUpper().unicode()) {
    case u'Ё':
        return Alphabet::indexOf(u'Е');
    case u'Й':
        return ShortI;
    default: {
        const int index = Alphabet::indexOf(c.unicode());
        return index > 0 ? index : -1;
    }
    }
}

WordList WordList::fromWords(const QStringList &words)
{
    std::vector<Letters> sorted;
    sorted.reserve(size_t(words.size()));
    for (const QString &word : words) {
        Letters letters;
        for (const QChar c : word) {
            const int letter = letterOf(c);
            if (letter < 0)
                break;
            letters.push_back(std::uint8_t(letter));
        }
        if (!letters.empty() && int(letters.size()) == word.size() && word.size() <= MaxLength)
            sorted.push_back(std::move(letters));
    }
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());

    WordList list;
    const Letters none;
    for (size_t i = 0; i < sorted.size(); ++i) {
        const Letters &before = i % BlockSize ? sorted[i - 1] : none;
        const Letters &word = sorted[i];
        const size_t shared =
            size_t(std::mismatch(word.begin(), word.end(), before.begin(), before.end()).first - word.begin());
        if (i % BlockSize == 0)
            list.m_blockStarts.push_back(list.m_entries.size());
        list.m_entries.append(char(shared));
        list.m_entries.append(char(word.size() - shared));
        list.m_entries.append(reinterpret_cast<const char *>(word.data()) + shared, int(word.size() - shared));
    }
    list.m_count = int(sorted.size());
    return list;
}

bool WordList::lowerBound(const Letters &letters, Letters *found) const
{
    if (m_count == 0)
        return false;
    // The last block whose first word is not past letters.
    int low = 0, high = int(m_blockStarts.size());
    Letters word;
    while (high - low > 1) {
        const int middle = (low + high) / 2;
        int pos = m_blockStarts[size_t(middle)];
        word.clear();
        readEntry(m_entries, pos, word);
        if (word <= letters)
            low = middle;
        else
            high = middle;
    }
    int pos = m_blockStarts[size_t(low)];
    word.clear();
    const int words = std::min(BlockSize, m_count - low * BlockSize);
    for (int i = 0; i < words; ++i) {
        readEntry(m_entries, pos, word);
        if (word >= letters) {
            *found = word;
            return true;
        }
    }
    // Every word of the block is smaller: the next block starts with the one.
    if (low + 1 == int(m_blockStarts.size()))
        return false;
    pos = m_blockStarts[size_t(low + 1)];
    found->clear();
    readEntry(m_entries, pos, *found);
    return true;
}

bool WordList::contains(const Letters &letters) const
{
    Letters found;
    return lowerBound(letters, &found) && found == letters;
}

bool WordList::startsAWord(const Letters &letters) const
{
    Letters found;
    return lowerBound(letters, &found) && found.size() >= letters.size()
        && std::equal(letters.begin(), letters.end(), found.begin());
}

bool WordList::write(QIODevice &device, QString *error) const
{
    QByteArray bytes(Magic, sizeof Magic);
    char le[4];
    qToLittleEndian(FormatVersion, le);
    bytes.append(le, 4);
    qToLittleEndian(quint32(m_count), le);
    bytes.append(le, 4);
    bytes.append(qCompress(m_entries, 9));
    if (device.write(bytes) != bytes.size()) {
        if (error)
            *error = device.errorString();
        return false;
    }
    return true;
}

bool WordList::save(const QString &path, QString *error) const
{
    return saveDataFile(path, QStringLiteral("список слов"), [this](QIODevice &device) { return write(device, nullptr); },
                        error);
}

bool WordList::read(QIODevice &device, QString *error)
{
    const auto fail = [error](const QString &reason) {
        if (error)
            *error = reason;
        return false;
    };
    const QByteArray header = device.read(HeaderSize);
    if (header.size() < int(sizeof Magic) || !header.startsWith(QByteArray::fromRawData(Magic, sizeof Magic)))
        return fail(QStringLiteral("это не файл списка слов"));
    if (header.size() < HeaderSize)
        return fail(QStringLiteral("файл списка слов обрезан"));
    const quint32 version = qFromLittleEndian<quint32>(header.constData() + 8);
    if (version != FormatVersion)
        return fail(QStringLiteral("версия формата списка слов %1 не поддерживается (нужна %2)")
                        .arg(version)
                        .arg(FormatVersion));
    const quint32 count = qFromLittleEndian<quint32>(header.constData() + 12);
    const QByteArray packed = device.readAll();
    // qCompress puts the unpacked size first, big-endian.
    if (packed.size() < 4 || qFromBigEndian<quint32>(packed.constData()) > MaxUnpackedSize)
        return fail(QStringLiteral("файл списка слов повреждён"));
    WordList list;
    list.m_entries = qUncompress(packed);
    list.m_count = int(qMin<quint32>(count, MaxUnpackedSize));
    if (list.m_entries.isEmpty() && count > 0)
        return fail(QStringLiteral("файл списка слов повреждён"));
    if (!list.index(error))
        return false;
    *this = std::move(list);
    return true;
}

// Finds where each block starts, and checks on the way what a look-up
// counts on: every entry whole, every block's first word sharing nothing,
// every word a letter longer at least and after the one before.
bool WordList::index(QString *error)
{
    const QString damaged = QStringLiteral("файл списка слов повреждён: слова не по порядку или обрезаны");
    Letters before, word;
    int pos = 0;
    for (int i = 0; i < m_count; ++i) {
        if (i % BlockSize == 0) {
            m_blockStarts.push_back(pos);
            if (pos < m_entries.size() && m_entries.at(pos) != 0) {
                if (error)
                    *error = damaged;
                return false;
            }
        }
        if (!readEntry(m_entries, pos, word) || word.empty() || int(word.size()) > MaxLength || word <= before
            || std::any_of(word.begin(), word.end(), [](std::uint8_t l) { return l < 1 || l > ShortI; })) {
            if (error)
                *error = damaged;
            return false;
        }
        before = word;
    }
    if (pos != m_entries.size()) {
        if (error)
            *error = QStringLiteral("после списка слов в файле лишние данные");
        return false;
    }
    return true;
}

QString WordList::builtInPath()
{
    return QStringLiteral(":/cryptanalysis/russian.words");
}

} // namespace Cryptanalysis

// Outside the namespace, as Q_INIT_RESOURCE requires.
static void initBuiltInWords()
{
    Q_INIT_RESOURCE(cryptanalysis);
}

namespace Cryptanalysis {

const WordList &WordList::builtIn()
{
    static const WordList list = [] {
        initBuiltInWords();
        WordList words;
        QFile file(builtInPath());
        if (!file.open(QIODevice::ReadOnly) || !words.read(file, nullptr))
            return WordList();
        return words;
    }();
    return list;
}

} // namespace Cryptanalysis
