#include "tablecompletion.h"

#include "languagemodel.h"
#include "searchedtext.h"
#include "solver.h"

#include "keytable.h"

#include <algorithm>
#include <numeric>

namespace Cryptanalysis {

namespace {

// The tool's keys of equal rows hold three codes a symbol.
constexpr int EqualRowLength = 3;

// The model's score of the windows that a code's occurrence at unit u takes
// part in, reading it as symbol: the occurrence and up to three symbols
// after it, each with the three before (pads at a run's start, as the search
// scores). Codes without a symbol yet end the run on either side.
qint64 scoreInContext(const CipherText &cipher, const LanguageModel &model,
                      const std::array<int, CodeCount> &symbolOfCode, size_t u, int symbol)
{
    const auto symbolAt = [&](size_t at) {
        const qint16 unit = cipher.units[at];
        if (unit < 0)
            return -1;
        return unit == cipher.units[u] ? symbol : symbolOfCode[size_t(unit)];
    };
    // window[0..2] before, [3] the occurrence, [4..6] after; -1 ends it.
    int window[7];
    window[HistoryLength] = symbol;
    bool open = true;
    for (int k = HistoryLength - 1; k >= 0; --k) {
        const size_t back = size_t(HistoryLength - k);
        const int s = open && u >= back ? symbolAt(u - back) : -1;
        open = s >= 0;
        window[k] = open ? s : Boundary;
    }
    open = true;
    for (int k = HistoryLength + 1; k < 7; ++k) {
        const size_t ahead = u + size_t(k - HistoryLength);
        const int s = open && ahead < cipher.units.size() ? symbolAt(ahead) : -1;
        open = s >= 0;
        window[k] = s;
    }
    qint64 score = 0;
    for (int end = HistoryLength; end < 7 && window[end] >= 0; ++end)
        score += model.score(window[end - 3], window[end - 2], window[end - 1], window[end]);
    return score;
}

using Rows = std::array<std::vector<int>, SymbolCount>;

// The codes of each symbol in increasing order; the codes of none go to
// unseen.
Rows rowsOf(const std::array<int, CodeCount> &symbolOfCode, std::vector<int> *unseen)
{
    Rows rows;
    for (int code = 0; code < CodeCount; ++code) {
        const int symbol = symbolOfCode[size_t(code)];
        if (symbol >= 0 && symbol < SymbolCount)
            rows[size_t(symbol)].push_back(code);
        else
            unseen->push_back(code);
    }
    return rows;
}

// The key table of the rows, each row's codes from the most frequent.
KeyTable tableOf(Rows &rows, const std::array<int, CodeCount> &codeFrequency)
{
    KeyTable table = fixedKeyTable();
    for (int symbol = 0; symbol < SymbolCount; ++symbol) {
        std::vector<int> &row = rows[size_t(symbol)];
        std::stable_sort(row.begin(), row.end(),
                         [&codeFrequency](int a, int b) { return codeFrequency[a] > codeFrequency[b]; });
        table[size_t(symbol)].codes.clear();
        for (const int code : row)
            table[size_t(symbol)].codes << codeText(code);
    }
    return table;
}

} // namespace

void placeUnsearchedCodes(const CipherText &cipher, const LanguageModel &model, const std::vector<CodeLock> &locks,
                          int rowLimit, int occurrencesRead, std::array<int, CodeCount> &symbolOfCode)
{
    std::array<std::vector<size_t>, CodeCount> occurrences;
    std::array<int, CodeCount> count {};
    for (size_t u = 0; u < cipher.units.size(); ++u) {
        const qint16 unit = cipher.units[u];
        if (unit < 0)
            continue;
        ++count[size_t(unit)];
        if (symbolOfCode[size_t(unit)] < 0 && int(occurrences[size_t(unit)].size()) < occurrencesRead)
            occurrences[size_t(unit)].push_back(u);
    }
    std::vector<int> unplaced;
    for (int code = 0; code < CodeCount; ++code) {
        if (count[size_t(code)] > 0 && symbolOfCode[size_t(code)] < 0)
            unplaced.push_back(code);
    }
    for (const CodeLock &lock : locks) {
        if (lock.code >= 0 && lock.code < CodeCount && symbolOfCode[size_t(lock.code)] < 0 && lock.symbol >= 0
            && lock.symbol < SymbolCount && count[size_t(lock.code)] > 0) {
            symbolOfCode[size_t(lock.code)] = lock.symbol;
            unplaced.erase(std::find(unplaced.begin(), unplaced.end(), lock.code));
        }
    }
    std::stable_sort(unplaced.begin(), unplaced.end(), [&count](int a, int b) { return count[a] > count[b]; });

    std::array<int, SymbolCount> rowSize {};
    for (const int symbol : symbolOfCode) {
        if (symbol >= 0)
            ++rowSize[size_t(symbol)];
    }
    const auto place = [&](int code) {
        int best = -1;
        qint64 bestScore = 0;
        for (int symbol = 0; symbol < SymbolCount; ++symbol) {
            if (rowLimit > 0 && rowSize[size_t(symbol)] >= rowLimit)
                continue;
            qint64 score = 0;
            for (const size_t u : occurrences[size_t(code)])
                score += scoreInContext(cipher, model, symbolOfCode, u, symbol);
            if (best < 0 || score > bestScore) {
                best = symbol;
                bestScore = score;
            }
        }
        symbolOfCode[size_t(code)] = best;
        if (best >= 0)
            ++rowSize[size_t(best)];
    };
    // Most frequent first, each in the context of those before it; then
    // each again in the context of all.
    for (const int code : unplaced)
        place(code);
    for (const int code : unplaced) {
        if (symbolOfCode[size_t(code)] >= 0)
            --rowSize[size_t(symbolOfCode[size_t(code)])];
        symbolOfCode[size_t(code)] = -1;
        place(code);
    }
}

void completeKey(const SearchedText &text, const LanguageModel &model, const CrackOptions &options,
                 CrackResult *result)
{
    placeUnsearchedCodes(text.cipher(), model, options.locks, result->proportional ? 0 : EqualRowLength,
                         options.schedule.unsearchedOccurrencesRead, result->symbolOfCode);
    std::array<int, SymbolCount> codesOfSymbol {};
    for (const int symbol : result->symbolOfCode) {
        if (symbol >= 0)
            ++codesOfSymbol[size_t(symbol)];
    }
    result->alphabetCount = qMax(1, *std::max_element(codesOfSymbol.begin(), codesOfSymbol.end()));
    if (result->alphabetCount == 1)
        result->choice = ChoiceMode::NotShown;
    if (result->proportional)
        result->table = foundTable(result->symbolOfCode, text.codeCounts(), &result->dealtCodes, &result->unseenCodes,
                                   options.locks);
    else
        result->table = completeTable(result->symbolOfCode, text.codeCounts(), &result->dealtCodes);
}

KeyTable completeTable(const std::array<int, CodeCount> &symbolOfCode,
                       const std::array<int, CodeCount> &codeFrequency, int *dealtCodes)
{
    // Locks may give a symbol more codes than a row of the search holds: the
    // row keeps them all, or decryption with the table would read another
    // symbol than the attack found.
    std::vector<int> unseen;
    Rows codes = rowsOf(symbolOfCode, &unseen);
    int dealt = 0;
    size_t nextUnseen = 0;
    // Where long rows leave too few codes to fill every row, a symbol
    // without codes still gets one.
    size_t emptyRowsLeft = size_t(std::count_if(codes.begin(), codes.end(),
                                                [](const std::vector<int> &row) { return row.empty(); }));
    for (std::vector<int> &row : codes) {
        if (row.empty())
            --emptyRowsLeft;
        while (row.size() < EqualRowLength && unseen.size() - nextUnseen > (row.empty() ? 0 : emptyRowsLeft)) {
            row.push_back(unseen[nextUnseen++]);
            ++dealt;
        }
    }
    if (dealtCodes)
        *dealtCodes = dealt;
    return tableOf(codes, codeFrequency);
}

KeyTable foundTable(std::array<int, CodeCount> &symbolOfCode, const std::array<int, CodeCount> &codeFrequency,
                    int *dealtCodes, std::vector<int> *unseenCodes, const std::vector<CodeLock> &locks)
{
    std::array<bool, CodeCount> locked {};
    for (const CodeLock &lock : locks) {
        if (lock.code >= 0 && lock.code < CodeCount)
            locked[size_t(lock.code)] = true;
    }
    std::vector<int> unseen;
    Rows codes = rowsOf(symbolOfCode, &unseen);
    int dealt = 0;
    size_t nextUnseen = 0;
    for (int symbol = 0; symbol < SymbolCount; ++symbol) {
        if (!codes[symbol].empty())
            continue;
        if (nextUnseen < unseen.size()) {
            codes[symbol].push_back(unseen[nextUnseen++]);
            ++dealt;
            continue;
        }
        // Every code occurs: the longest row gives up its rarest code, which
        // then reads as this symbol; a locked code stays where the user put
        // it, as long as another row has a code to give.
        const auto unlocked = [&locked](const std::vector<int> &row) {
            return std::count_if(row.begin(), row.end(), [&locked](int code) { return !locked[size_t(code)]; });
        };
        std::vector<int> *longest = &codes[0];
        std::vector<int> *longestUnlocked = nullptr;
        for (std::vector<int> &row : codes) {
            if (row.size() > longest->size())
                longest = &row;
            if (row.size() > 1 && unlocked(row) > 0 && (!longestUnlocked || row.size() > longestUnlocked->size()))
                longestUnlocked = &row;
        }
        const bool keepLocks = longestUnlocked != nullptr;
        if (keepLocks)
            longest = longestUnlocked;
        const auto rarest = std::min_element(longest->begin(), longest->end(), [&](int a, int b) {
            if (keepLocks && locked[size_t(a)] != locked[size_t(b)])
                return !locked[size_t(a)];
            return codeFrequency[a] < codeFrequency[b];
        });
        codes[symbol].push_back(*rarest);
        symbolOfCode[*rarest] = symbol;
        longest->erase(rarest);
    }
    if (dealtCodes)
        *dealtCodes = dealt;
    if (unseenCodes)
        unseenCodes->assign(unseen.begin() + qint64(nextUnseen), unseen.end());
    return tableOf(codes, codeFrequency);
}

QString unseenCodesComment(const CrackResult &result)
{
    QString comments;
    if (result.proportional) {
        if (result.dealtCodes > 0) {
            comments += QStringLiteral("# Символов, которых в шифртексте нет, %1: им даны коды, "
                                       "которых в нём тоже нет.\n")
                            .arg(result.dealtCodes);
        }
        if (!result.unseenCodes.empty()) {
            QStringList unseen;
            for (const int code : result.unseenCodes)
                unseen << codeText(code);
            comments += QStringLiteral("# Коды, которых в шифртексте нет (ни одному символу не розданы): %1\n")
                            .arg(unseen.join(QLatin1Char(' ')));
        }
    } else if (result.dealtCodes > 0) {
        comments += QStringLiteral("# Кодов, которых в шифртексте нет, %1: они розданы свободным местам "
                                   "таблицы произвольно.\n")
                        .arg(result.dealtCodes);
    }
    return comments;
}

} // namespace Cryptanalysis
