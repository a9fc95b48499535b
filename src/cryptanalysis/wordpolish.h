// The last step of the monoalphabetic attack: hill climbing over the letters
// of the cipher symbols that a short text shows once or twice. The four-gram
// model cannot tell such letters apart (to it ЗАЙЛА reads as well as ФАЙЛА);
// a list of word forms can. A move counts the language score and the cribs'
// reward, as the anneal does, and besides a cost for every word of the
// reading that is no Russian word form.
#pragma once

#include "ciphertext.h"

#include <cstdint>
#include <vector>

namespace Cryptanalysis {

class KeyState;
class OccurrenceIndex;
class WordList;
struct SearchSchedule;

class WordPolish
{
public:
    // The words of the searched prefix of cipher (the codes index holds),
    // read through whatever key is asked about. Line ends and copied
    // characters other than Й and Ё end a word; so does a code read as the
    // space. The text's last word may be cut off, and is taken for the start
    // of a word.
    WordPolish(const CipherText &cipher, const OccurrenceIndex &index, const WordList &words);

    // Words of key's reading that the list does not hold.
    int unknownWords(const KeyState &key) const;

    // Moves the letters of the codes seen at most schedule.wordPolishMaxCount
    // times, one trading with another code or taking a letter no code holds,
    // while a move gains: the best one each round, kept with key.keep().
    // Locked codes stay, and no move lowers the cribs' reward. Returns the
    // moves kept.
    int polish(KeyState &key, const SearchSchedule &schedule) const;

private:
    // A run of the text between line ends and copied characters that are no
    // letters: a code (a dense one, 0 and up) or a copied letter (its
    // negated WordList letter) an item.
    struct Chunk
    {
        std::vector<int> items;
        bool cutOff = false; // it ends the text: its last word may go on
    };

    int unknownIn(const Chunk &chunk, const KeyState &key) const;
    // The change of unknown words that a move of codes x and y (or -1) made,
    // over the chunks they occur in; affected is scratch.
    int unknownChange(int x, int y, const KeyState &key, const std::vector<int> &unknownOfChunk,
                      std::vector<int> &affected) const;

    const WordList &m_words;
    std::vector<Chunk> m_chunks;
    std::vector<std::vector<int>> m_chunksOfCode; // per dense code
};

} // namespace Cryptanalysis
