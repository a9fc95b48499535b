// Russian word forms as a reading of a ciphertext shows them: upper case, Ё
// read as Е, Й kept in its place (the ciphers copy it). An attack asks
// whether a run of letters is a word, or, where the text is cut off, the
// start of one.
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <vector>

class QIODevice;

namespace Cryptanalysis {

class WordList
{
public:
    // A word's letters are numbered as the alphabet's symbols (А is 1, Я is
    // 31) and Й, which the alphabet lacks, as ShortI. The space is no letter.
    static constexpr int ShortI = 32;
    static constexpr int MaxLength = 255;
    // The letter of a character (either case), or -1 when it is none.
    static int letterOf(QChar c);

    WordList() = default;
    // Words holding anything but letters, or longer than MaxLength, are left
    // out; repeats count once.
    static WordList fromWords(const QStringList &words);

    bool isEmpty() const { return m_count == 0; }
    int size() const { return m_count; }

    // Whether the letters are a word of the list; whether some word starts
    // with them (every word starts with no letters at all).
    bool contains(const std::vector<std::uint8_t> &letters) const;
    bool startsAWord(const std::vector<std::uint8_t> &letters) const;

    // The file format, little-endian:
    //   8 bytes  magic "HOMWL\0\0\0"
    //   4 bytes  version (1), 4 bytes word count
    //   the rest qCompress of the words in increasing order of their
    //   letters, each as: letters shared with the word before, letters
    //   after those, then those letters, one byte each (every
    //   BlockSize-th word shares none, so that a look-up starts there)
    bool save(const QString &path, QString *error) const;
    bool write(QIODevice &device, QString *error) const;
    bool read(QIODevice &device, QString *error);

    // The list made from hunspell-ru, compiled into the program, loaded on
    // first use; empty if it cannot be read.
    static const WordList &builtIn();
    static QString builtInPath();

private:
    static constexpr int BlockSize = 16;

    // The first word at or after letters, or the end: its block and its
    // letters, false at the end of the list.
    bool lowerBound(const std::vector<std::uint8_t> &letters, std::vector<std::uint8_t> *found) const;
    bool index(QString *error);

    QByteArray m_entries;
    std::vector<int> m_blockStarts;
    int m_count = 0;
};

} // namespace Cryptanalysis
