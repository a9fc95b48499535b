#include "ciphertext.h"
#include "keystate.h"
#include "languagemodel.h"
#include "searchedtext.h"
#include "searchplan.h"
#include "symbolcipher.h"
#include "symbolkeys.h"
#include "wordlist.h"
#include "wordpolish.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QtEndian>
#include <QtTest>

#include <algorithm>
#include <set>
#include <vector>

using namespace Cryptanalysis;

namespace {

std::vector<std::uint8_t> lettersOf(const QString &word)
{
    std::vector<std::uint8_t> letters;
    for (const QChar c : word)
        letters.push_back(std::uint8_t(WordList::letterOf(c)));
    return letters;
}

WordList listOf(const char *words)
{
    return WordList::fromWords(QString::fromUtf8(words).split(QLatin1Char(' ')));
}

// A word list file: the header, then the entries as given, packed.
QByteArray wordListFile(quint32 version, quint32 count, const QByteArray &entries)
{
    QByteArray bytes("HOMWL\0\0\0", 8);
    char le[4];
    qToLittleEndian(version, le);
    bytes.append(le, 4);
    qToLittleEndian(count, le);
    bytes.append(le, 4);
    return bytes + qCompress(entries);
}

// A ciphertext under a key from a fixed seed, and the key state of the
// attack's search over it, the codes read as a reading key gives them.
class Reading
{
public:
    Reading(const QString &plaintext, const LanguageModel &model, const CrackOptions &options = {})
        : m_key(keyFromSeed())
        , m_cipher(readSymbolText(SymbolCipher(m_key).encrypt(plaintext)))
        , m_text(SearchedText::monoalphabetic(m_cipher, options))
        , m_setup(planMonoalphabeticSearch(m_text, model, codeLocksOf(options.symbolLocks), options.monoalphabeticSchedule))
        , m_cribs(m_text.cribPlacements(options.cribs, codeLocksOf(options.symbolLocks), CodesPerSymbol::One))
        , m_state(m_text.index(), model, m_setup.rules, m_cribs)
    {
    }

    const SymbolKey &key() const { return m_key; }
    const CipherText &cipher() const { return m_cipher; }
    const OccurrenceIndex &index() const { return m_text.index(); }
    KeyState &state() { return m_state; }

    // Reads every cipher symbol as reading says.
    void readAs(const SymbolKey &reading)
    {
        std::vector<int> assignment;
        for (int x = 0; x < index().codes(); ++x) {
            const auto plain = std::find(reading.alphabet.begin(), reading.alphabet.end(), index().codeOf(x));
            assignment.push_back(int(plain - reading.alphabet.begin()));
        }
        m_state.reset(assignment);
    }

    QString plaintext() const
    {
        std::array<int, CodeCount> plainOf;
        plainOf.fill(-1);
        for (int x = 0; x < index().codes(); ++x)
            plainOf[size_t(index().codeOf(x))] = m_state.symbolOf(x);
        return m_cipher.plaintext(plainOf).trimmed();
    }

    // The cipher symbol of a plain letter.
    int cipherOf(char16_t letter) const { return m_key.alphabet[size_t(Alphabet::indexOf(letter))]; }

private:
    static SymbolKey keyFromSeed()
    {
        QRandomGenerator random(7);
        return SymbolKeys::randomAlphabet(random);
    }
    static std::vector<CodeLock> codeLocksOf(const std::vector<SymbolLock> &locks)
    {
        std::vector<CodeLock> codeLocks;
        for (const SymbolLock &lock : locks)
            codeLocks.push_back({ lock.cipher, lock.plain });
        return codeLocks;
    }

    SymbolKey m_key;
    CipherText m_cipher;
    SearchedText m_text;
    SearchSetup m_setup;
    CribPlacements m_cribs;
    KeyState m_state;
};

// Prose written for this test. Ф occurs once, and the model reads ЗАЙЛ
// better than ФАЙЛ: the kind of letter the four-gram model cannot settle.
const char fileProse[] = "ОТКРОЙТЕ ФАЙЛ НАСТРОЕК И ПРОЧИТАЙТЕ ЕГО ДО КОНЦА";

// The key of fileProse with Ф and З read the other way round.
SymbolKey misreadingOf(const SymbolKey &key)
{
    SymbolKey misread = key;
    std::swap(misread.alphabet[size_t(Alphabet::indexOf(u'Ф'))], misread.alphabet[size_t(Alphabet::indexOf(u'З'))]);
    return misread;
}

} // namespace

class TestWordPolish : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void letters_data();
    void letters();
    void lookUps_data();
    void lookUps();
    void lookUpsAgreeWithASet();
    void fileRoundTrip();
    void damagedFilesAreRefused_data();
    void damagedFilesAreRefused();
    void builtInListHoldsEveryForm_data();
    void builtInListHoldsEveryForm();

    void unknownWords_data();
    void unknownWords();
    void polishReadsWhatTheModelMisreads();
    void polishKeepsALock();
    void polishKeepsACrib();

private:
    LanguageModel m_model;
};

void TestWordPolish::initTestCase()
{
    QString error;
    QVERIFY2(m_model.loadBuiltIn(&error), qPrintable(error));
}

void TestWordPolish::letters_data()
{
    QTest::addColumn<QString>("character");
    QTest::addColumn<int>("letter");
    QTest::newRow("А is the alphabet's first letter") << QStringLiteral("А") << 1;
    QTest::newRow("a lower-case letter reads as its capital") << QStringLiteral("я") << 31;
    QTest::newRow("Ё reads as Е") << QStringLiteral("ё") << Alphabet::indexOf(u'Е');
    QTest::newRow("Й, which the alphabet lacks, is a letter of its own") << QStringLiteral("й") << int(WordList::ShortI);
    QTest::newRow("the space is no letter") << QStringLiteral(" ") << -1;
    QTest::newRow("a Latin letter is none") << QStringLiteral("a") << -1;
    QTest::newRow("a hyphen is none") << QStringLiteral("-") << -1;
}

void TestWordPolish::letters()
{
    QFETCH(QString, character);
    QFETCH(int, letter);
    QCOMPARE(WordList::letterOf(character.at(0)), letter);
}

void TestWordPolish::lookUps_data()
{
    QTest::addColumn<QString>("letters");
    QTest::addColumn<bool>("isWord");
    QTest::addColumn<bool>("startsAWord");
    QTest::newRow("the first word") << QStringLiteral("АБАК") << true << true;
    QTest::newRow("the last word") << QStringLiteral("ЯМА") << true << true;
    QTest::newRow("past the last word") << QStringLiteral("ЯМЫ") << false << false;
    QTest::newRow("before the first word") << QStringLiteral("АБ") << false << true;
    QTest::newRow("a word that goes on in another") << QStringLiteral("КОТ") << true << true;
    QTest::newRow("the start of a word only") << QStringLiteral("КОТО") << false << true;
    QTest::newRow("longer than the word it starts with") << QStringLiteral("КОТОРЫЙЕ") << false << false;
    QTest::newRow("between two words") << QStringLiteral("КОС") << false << false;
    QTest::newRow("Ё listed is Е looked up") << QStringLiteral("ЕЖ") << true << true;
    QTest::newRow("Й is not И") << QStringLiteral("ИОД") << false << false;
    QTest::newRow("a word with Й") << QStringLiteral("ЙОД") << true << true;
    QTest::newRow("no letters start every word") << QString() << false << true;
}

void TestWordPolish::lookUps()
{
    QFETCH(QString, letters);
    QFETCH(bool, isWord);
    QFETCH(bool, startsAWord);
    const WordList list = listOf("кот КОТЫ который ёж йод ЯМА абак лес из-за");
    QCOMPARE(list.size(), 8);
    QCOMPARE(list.contains(lettersOf(letters)), isWord);
    QCOMPARE(list.startsAWord(lettersOf(letters)), startsAWord);
}

// Many words make many blocks: a look-up must find the block a word is in,
// whichever place in it the word takes.
void TestWordPolish::lookUpsAgreeWithASet()
{
    QRandomGenerator random(2026);
    const auto randomWord = [&random] {
        QString word;
        const int length = 1 + int(random.bounded(4));
        for (int i = 0; i < length; ++i)
            word += QChar(u"АБВОЙ"[random.bounded(5)]);
        return word;
    };
    QStringList words;
    for (int i = 0; i < 300; ++i)
        words << randomWord();
    const WordList list = WordList::fromWords(words);
    const std::set<QString> set(words.begin(), words.end());
    QCOMPARE(list.size(), int(set.size()));
    QVERIFY(list.size() > 16 * 5);
    for (int i = 0; i < 2000; ++i) {
        const QString word = randomWord();
        const bool starts = std::any_of(set.begin(), set.end(), [&word](const QString &w) { return w.startsWith(word); });
        QVERIFY2(list.contains(lettersOf(word)) == (set.count(word) > 0), qPrintable(word));
        QVERIFY2(list.startsAWord(lettersOf(word)) == starts, qPrintable(word));
    }
}

void TestWordPolish::fileRoundTrip()
{
    const WordList list = listOf("кот коты который ёж йод яма");
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    QVERIFY(list.write(buffer, nullptr));
    buffer.seek(0);
    WordList read;
    QString error;
    QVERIFY2(read.read(buffer, &error), qPrintable(error));
    QCOMPARE(read.size(), list.size());
    for (const char *word : { "КОТ", "КОТЫ", "КОТОРЫЙ", "ЕЖ", "ЙОД", "ЯМА" })
        QVERIFY2(read.contains(lettersOf(QString::fromUtf8(word))), word);
    QVERIFY(!read.contains(lettersOf(QStringLiteral("КО"))));
}

void TestWordPolish::damagedFilesAreRefused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    // А = 1, Б = 2, В = 3.
    const QByteArray twoWords("\x00\x02\x01\x02\x01\x01\x03", 7); // АБ, АВ
    QTest::newRow("another file") << QByteArray("HOMLM\0\0\0", 8) + wordListFile(1, 2, twoWords).mid(8)
                                  << QStringLiteral("это не файл списка слов");
    QTest::newRow("a header cut short") << wordListFile(1, 2, twoWords).left(12)
                                        << QStringLiteral("файл списка слов обрезан");
    QTest::newRow("another version") << wordListFile(2, 2, twoWords)
                                     << QStringLiteral("версия формата списка слов 2 не поддерживается (нужна 1)");
    QTest::newRow("entries that do not unpack") << wordListFile(1, 2, twoWords).left(20)
                                                << QStringLiteral("файл списка слов повреждён");
    QTest::newRow("more words counted than written")
        << wordListFile(1, 3, twoWords)
        << QStringLiteral("файл списка слов повреждён: слова не по порядку или обрезаны");
    QTest::newRow("words out of order")
        << wordListFile(1, 2, QByteArray("\x00\x02\x01\x03\x01\x01\x02", 7))
        << QStringLiteral("файл списка слов повреждён: слова не по порядку или обрезаны");
    QTest::newRow("a word twice") << wordListFile(1, 2, QByteArray("\x00\x02\x01\x02\x02\x00", 6))
                                  << QStringLiteral("файл списка слов повреждён: слова не по порядку или обрезаны");
    QTest::newRow("more letters shared than the word before has")
        << wordListFile(1, 2, QByteArray("\x00\x02\x01\x02\x03\x01\x03", 7))
        << QStringLiteral("файл списка слов повреждён: слова не по порядку или обрезаны");
    QTest::newRow("a character that is no letter")
        << wordListFile(1, 1, QByteArray("\x00\x02\x01\x21", 4))
        << QStringLiteral("файл списка слов повреждён: слова не по порядку или обрезаны");
    QTest::newRow("fewer words counted than written") << wordListFile(1, 1, twoWords)
                                                      << QStringLiteral("после списка слов в файле лишние данные");
}

void TestWordPolish::damagedFilesAreRefused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    WordList list = listOf("кот");
    QString error;
    QVERIFY(!list.read(buffer, &error));
    QCOMPARE(error, reason);
    // A refused file leaves the list as it was.
    QVERIFY(list.contains(lettersOf(QStringLiteral("КОТ"))));
}

void TestWordPolish::builtInListHoldsEveryForm_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<bool>("isWord");
    QTest::newRow("a noun's genitive") << QStringLiteral("ФАЙЛА") << true;
    QTest::newRow("a reflexive verb's present") << QStringLiteral("РЕКОМЕНДУЕТСЯ") << true;
    QTest::newRow("a reflexive verb in -ится") << QStringLiteral("ПРОИЗНОСИТСЯ") << true;
    QTest::newRow("a word with Й") << QStringLiteral("НАЙТИ") << true;
    QTest::newRow("a word with Ё") << QStringLiteral("НАШЁЛ") << true;
    QTest::newRow("a preposition of one letter") << QStringLiteral("В") << true;
    QTest::newRow("a misreading") << QStringLiteral("ЗАЙЛА") << false;
    QTest::newRow("another misreading") << QStringLiteral("ЩЕКОМЕНДУЕТСЯ") << false;
}

void TestWordPolish::builtInListHoldsEveryForm()
{
    QFETCH(QString, word);
    QFETCH(bool, isWord);
    QVERIFY(WordList::builtIn().size() > 1000000);
    QCOMPARE(WordList::builtIn().contains(lettersOf(word)), isWord);
}

void TestWordPolish::unknownWords_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("unknown");
    QTest::newRow("every word listed") << QStringLiteral("КОТ И ЛЕС") << 0;
    QTest::newRow("one word not listed") << QStringLiteral("КОТ И ЛИС") << 1;
    QTest::newRow("the last word cut off starts a word") << QStringLiteral("КОТ И ЛЕ") << 0;
    QTest::newRow("a word inside is whole") << QStringLiteral("ЛЕ И КОТ") << 1;
    QTest::newRow("the last word of an earlier line is whole") << QStringLiteral("КОТ ЛЕ\nИ КОТ") << 1;
    QTest::newRow("a word before a comma is whole") << QStringLiteral("КОТ И ЛЕ,") << 1;
    QTest::newRow("a line end ends a word") << QStringLiteral("КО\nТ") << 2;
    QTest::newRow("a copied Й is part of its word") << QStringLiteral("ЙОД И КОТ") << 0;
    QTest::newRow("a copied ё is part of its word") << QStringLiteral("ёЖ И КОТ") << 0;
    QTest::newRow("punctuation splits a word") << QStringLiteral("КО-Т И ЛЕС") << 2;
    QTest::newRow("spaces in a row make no word") << QStringLiteral("КОТ  И  ЛЕС") << 0;
}

void TestWordPolish::unknownWords()
{
    QFETCH(QString, text);
    QFETCH(int, unknown);
    const WordList list = listOf("кот и лес ёж йод");
    Reading reading(text, m_model);
    reading.readAs(reading.key());
    QCOMPARE(WordPolish(reading.cipher(), reading.index(), list).unknownWords(reading.state()), unknown);
}

void TestWordPolish::polishReadsWhatTheModelMisreads()
{
    const QString prose = QString::fromUtf8(fileProse);
    Reading reading(prose, m_model);
    reading.readAs(misreadingOf(reading.key()));
    const QString misread = reading.plaintext();
    QVERIFY(misread.contains(QStringLiteral("ЗАЙЛ")));
    // The model prefers the misreading: no search over it alone reads ФАЙЛ.
    QVERIFY(m_model.averageScore(misread) >= m_model.averageScore(prose));

    const WordPolish polish(reading.cipher(), reading.index(), WordList::builtIn());
    QCOMPARE(polish.unknownWords(reading.state()), 1);
    QVERIFY(polish.polish(reading.state(), SearchSchedule::monoalphabetic()) > 0);
    QCOMPARE(reading.plaintext(), prose);
    QCOMPARE(polish.unknownWords(reading.state()), 0);
}

void TestWordPolish::polishKeepsALock()
{
    const QString prose = QString::fromUtf8(fileProse);
    CrackOptions options;
    Reading probe(prose, m_model);
    // The user says, wrongly, that Ф's cipher symbol is З.
    options.symbolLocks.push_back({ probe.cipherOf(u'Ф'), Alphabet::indexOf(u'З') });
    Reading reading(prose, m_model, options);
    reading.readAs(misreadingOf(reading.key()));
    const WordPolish polish(reading.cipher(), reading.index(), WordList::builtIn());
    polish.polish(reading.state(), SearchSchedule::monoalphabetic());
    QVERIFY2(reading.plaintext().startsWith(QStringLiteral("ОТКРОЙТЕ ЗАЙ")), qPrintable(reading.plaintext()));
}

void TestWordPolish::polishKeepsACrib()
{
    const QString prose = QString::fromUtf8(fileProse);
    CrackOptions options;
    // Й is no symbol of the alphabet: the crib is the letters before it.
    options.cribs << QStringLiteral("ЗА");
    Reading reading(prose, m_model, options);
    reading.readAs(misreadingOf(reading.key()));
    const qint64 reward = reading.state().total() - reading.state().languageScore();
    QVERIFY(reward > 0);
    const WordPolish polish(reading.cipher(), reading.index(), WordList::builtIn());
    polish.polish(reading.state(), SearchSchedule::monoalphabetic());
    QVERIFY2(reading.plaintext().startsWith(QStringLiteral("ОТКРОЙТЕ ЗАЙ")), qPrintable(reading.plaintext()));
    QCOMPARE(reading.state().total() - reading.state().languageScore(), reward);
}

QTEST_GUILESS_MAIN(TestWordPolish)
#include "tst_wordpolish.moc"
