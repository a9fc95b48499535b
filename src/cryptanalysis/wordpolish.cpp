#include "wordpolish.h"

#include "keystate.h"
#include "languagemodel.h"
#include "occurrenceindex.h"
#include "searchschedule.h"
#include "wordlist.h"

#include <algorithm>
#include <cmath>

namespace Cryptanalysis {

WordPolish::WordPolish(const CipherText &cipher, const OccurrenceIndex &index, const WordList &words)
    : m_words(words)
    , m_chunksOfCode(size_t(index.codes()))
{
    Chunk chunk;
    bool holdsCode = false;
    const auto endChunk = [&] {
        // A chunk without codes reads alike under every key.
        if (holdsCode) {
            for (const int item : chunk.items) {
                if (item < 0)
                    continue;
                std::vector<int> &chunks = m_chunksOfCode[size_t(item)];
                if (chunks.empty() || chunks.back() != int(m_chunks.size()))
                    chunks.push_back(int(m_chunks.size()));
            }
            m_chunks.push_back(chunk);
        }
        chunk = Chunk();
        holdsCode = false;
    };
    const bool prefixOnly = index.occurrenceCount() < cipher.codeCount;
    int codesRead = 0;
    int copiedIndex = 0;
    for (size_t u = 0; u < cipher.units.size(); ++u) {
        const qint16 unit = cipher.units[u];
        if (prefixOnly && codesRead == index.occurrenceCount()) {
            chunk.cutOff = true; // the searched prefix stops here
            break;
        }
        if (unit >= 0) {
            chunk.items.push_back(index.denseOf(unit));
            holdsCode = true;
            ++codesRead;
        } else if (unit == CipherText::Copied) {
            const QString copied = cipher.copied.value(copiedIndex++);
            const int letter = copied.size() == 1 ? WordList::letterOf(copied.at(0)) : -1;
            if (letter > 0)
                chunk.items.push_back(-letter);
            else
                endChunk();
        } else {
            chunk.cutOff = u + 1 == cipher.units.size();
            endChunk();
        }
    }
    endChunk();
}

int WordPolish::unknownIn(const Chunk &chunk, const KeyState &key) const
{
    std::vector<std::uint8_t> word;
    word.reserve(32);
    int unknown = 0;
    for (const int item : chunk.items) {
        const int letter = item >= 0 ? key.symbolOf(item) : -item;
        if (letter > 0) {
            word.push_back(std::uint8_t(letter));
        } else if (!word.empty()) {
            unknown += !m_words.contains(word);
            word.clear();
        }
    }
    if (!word.empty())
        unknown += !(chunk.cutOff ? m_words.startsAWord(word) : m_words.contains(word));
    return unknown;
}

int WordPolish::unknownWords(const KeyState &key) const
{
    int unknown = 0;
    for (const Chunk &chunk : m_chunks)
        unknown += unknownIn(chunk, key);
    return unknown;
}

int WordPolish::unknownChange(int x, int y, const KeyState &key, const std::vector<int> &unknownOfChunk,
                              std::vector<int> &affected) const
{
    affected = m_chunksOfCode[size_t(x)];
    if (y >= 0) {
        affected.insert(affected.end(), m_chunksOfCode[size_t(y)].begin(), m_chunksOfCode[size_t(y)].end());
        std::sort(affected.begin(), affected.end());
        affected.erase(std::unique(affected.begin(), affected.end()), affected.end());
    }
    int change = 0;
    for (const int c : affected)
        change += unknownIn(m_chunks[size_t(c)], key) - unknownOfChunk[size_t(c)];
    return change;
}

int WordPolish::polish(KeyState &key, const SearchSchedule &schedule) const
{
    if (m_words.isEmpty() || schedule.unknownWordNats <= 0)
        return 0;
    const qint64 wordCost = std::llround(schedule.unknownWordNats * LanguageModel::Scale);
    std::vector<int> unknownOfChunk;
    for (const Chunk &chunk : m_chunks)
        unknownOfChunk.push_back(unknownIn(chunk, key));

    std::vector<int> rare, partners;
    for (int x = 0; x < key.codes(); ++x) {
        if (key.isLocked(x))
            continue;
        partners.push_back(x);
        if (key.count(x) <= schedule.wordPolishMaxCount)
            rare.push_back(x);
    }

    struct Move
    {
        int x = -1, y = -1, symbol = -1; // y trades with x, or x takes symbol
        qint64 gain = 0;
    };
    // A move of x's letter, tried and taken back: its gain, or none when it
    // lowers the cribs' reward.
    std::vector<int> affected;
    const auto tryMove = [&](Move move, Move &best) {
        const qint64 reward = key.total() - key.languageScore();
        const qint64 change = move.y >= 0 ? key.swap(move.x, move.y) : key.move(move.x, move.symbol);
        const bool keepsCribs = key.total() - key.languageScore() >= reward;
        move.gain = change - wordCost * unknownChange(move.x, move.y, key, unknownOfChunk, affected);
        key.undo();
        if (keepsCribs && move.gain > best.gain)
            best = move;
    };

    int kept = 0;
    for (int round = 0; round < schedule.wordPolishRounds; ++round) {
        Move best;
        for (const int x : rare) {
            for (const int y : partners) {
                // Two rare codes trade once, not twice.
                if (y != x && key.symbolOf(y) != key.symbolOf(x)
                    && !(y < x && std::binary_search(rare.begin(), rare.end(), y)))
                    tryMove({ x, y, -1, 0 }, best);
            }
            for (int symbol = 0; symbol < SymbolCount; ++symbol) {
                if (key.size(symbol) == 0 && key.fits(x, symbol))
                    tryMove({ x, -1, symbol, 0 }, best);
            }
        }
        if (best.x < 0)
            break;
        if (best.y >= 0)
            key.swap(best.x, best.y);
        else
            key.move(best.x, best.symbol);
        key.keep();
        std::vector<int> chunks = m_chunksOfCode[size_t(best.x)];
        if (best.y >= 0)
            chunks.insert(chunks.end(), m_chunksOfCode[size_t(best.y)].begin(), m_chunksOfCode[size_t(best.y)].end());
        for (const int c : chunks)
            unknownOfChunk[size_t(c)] = unknownIn(m_chunks[size_t(c)], key);
        ++kept;
    }
    return kept;
}

} // namespace Cryptanalysis
