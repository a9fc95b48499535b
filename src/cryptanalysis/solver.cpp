#include "solver.h"

#include "languagemodel.h"
#include "optionchecks.h"
#include "restartbatches.h"
#include "searchedtext.h"
#include "searchplan.h"

#include "keytable.h"

#include <QElapsedTimer>

#include <algorithm>
#include <vector>

namespace Cryptanalysis {

namespace {

// The tool's keys of equal rows hold three codes a symbol.
constexpr int EqualRowLength = 3;
constexpr int NoSymbol = -1;

double averageScoreOf(const CipherText &cipher, const LanguageModel &model, const std::array<int, CodeCount> &symbolOfCode)
{
    qint64 sum = 0;
    int symbols = 0;
    int a = Boundary, b = Boundary, c = Boundary;
    for (const qint16 unit : cipher.units) {
        const int d = unit >= 0 ? symbolOfCode[unit] : NoSymbol;
        if (d < 0) {
            a = b = c = Boundary;
            continue;
        }
        sum += model.score(a, b, c, d);
        ++symbols;
        a = b;
        b = c;
        c = d;
    }
    return symbols == 0 ? 0 : double(sum) / LanguageModel::Scale / symbols;
}

std::array<int, CodeCount> codeFrequencies(const CipherText &cipher)
{
    std::array<int, CodeCount> frequency {};
    for (const qint16 unit : cipher.units) {
        if (unit >= 0)
            ++frequency[unit];
    }
    return frequency;
}

} // namespace

bool tryFixedTable(const CipherText &cipher, const LanguageModel &model, CrackResult *result,
                   const SearchSchedule &schedule)
{
    // The model numbers its symbols as the fixed table's rows.
    const KeyTable &fixed = fixedKeyTable();
    const std::array<CodePlace, CodeCount> places = codePlacesOf(fixed, EqualRowLength);
    const std::array<int, CodeCount> frequency = codeFrequencies(cipher);
    std::array<int, CodeCount> symbolOfCode;
    int columns = 0;
    for (int code = 0; code < CodeCount; ++code) {
        if (frequency[code] == 0) {
            symbolOfCode[code] = NoSymbol;
        } else if (places[code].row < 0) {
            return false;
        } else {
            symbolOfCode[code] = places[code].row;
            columns = qMax(columns, places[code].column + 1);
        }
    }
    if (columns == 0)
        return false;
    const double score = averageScoreOf(cipher, model, symbolOfCode);
    if (score < RussianScoreThreshold)
        return false;

    // With the table known, the order of each symbol's codes in a line
    // tells cyclic choice from random choice. Digit pairs of the plaintext
    // are copied and read as codes, so a few codes out of turn are allowed.
    int inTurn = 0;
    int codes = 0;
    std::array<int, SymbolCount> counter {};
    for (const qint16 unit : cipher.units) {
        if (unit == CipherText::LineEnd) {
            counter.fill(0);
        } else if (unit >= 0) {
            const CodePlace &place = places[unit];
            inTurn += place.column == counter[place.row] % columns;
            ++codes;
            ++counter[place.row];
        }
    }
    const bool cyclic = inTurn >= codes - codes * schedule.outOfTurnPerMille / 1000;

    result->fixedTable = true;
    result->symbolOfCode = symbolOfCode;
    result->table = fixed;
    result->dealtCodes = 0;
    result->alphabetCount = columns;
    result->choice = columns == 1 ? ChoiceMode::NotShown : (cyclic ? ChoiceMode::Cyclic : ChoiceMode::Random);
    result->score = score;
    result->restarts = 0;
    return true;
}

namespace {

// Everything one search shares between its restarts, read-only once built.
class Search
{
public:
    Search(const SearchedText &text, const LanguageModel &model, const CrackOptions &options)
        : m_text(text)
        , m_index(text.index())
        , m_model(model)
        , m_options(options)
        , m_setup(planSearch(text, model, options.locks, options.schedule))
        , m_cribs(text.cribPlacements(options.cribs, options.locks))
    {
    }

    CrackResult run(const QElapsedTimer &clock) const
    {
        CrackResult result;
        result.symbolOfCode.fill(NoSymbol);
        result.proportional = m_setup.plan.proportional;
        result.choice = m_setup.plan.cyclic ? ChoiceMode::Cyclic : ChoiceMode::Random;
        if (m_index.codes() == 0)
            return result;
        const auto plaintextOf = [this](const std::vector<int> &assignment) {
            return m_text.cipher().plaintext(symbolsOf(assignment), m_options.progressPlaintextLength);
        };
        const RestartsOutcome outcome
            = runRestarts(m_index, m_model, m_setup, m_cribs, m_options.schedule, m_options, clock, plaintextOf);
        result.restarts = outcome.restarts;
        result.score = outcome.averageScore;
        result.symbolOfCode = symbolsOf(outcome.best.assignment);
        return result;
    }

private:
    std::array<int, CodeCount> symbolsOf(const std::vector<int> &assignment) const
    {
        std::array<int, CodeCount> symbolOfCode;
        symbolOfCode.fill(NoSymbol);
        for (int x = 0; x < m_index.codes(); ++x)
            symbolOfCode[size_t(m_index.codeOf(x))] = assignment[size_t(x)];
        return symbolOfCode;
    }

    const SearchedText &m_text;
    const OccurrenceIndex &m_index;
    const LanguageModel &m_model;
    const CrackOptions &m_options;
    const SearchSetup m_setup;
    const CribPlacements m_cribs;
};

bool keepsLocks(const CrackResult &result, const std::vector<CodeLock> &locks)
{
    return std::all_of(locks.begin(), locks.end(), [&result](const CodeLock &lock) {
        return lock.code >= 0 && lock.code < CodeCount && result.symbolOfCode[size_t(lock.code)] == lock.symbol;
    });
}

} // namespace

CrackResult crackHomophonic(const CipherText &cipher, const LanguageModel &model, const CrackOptions &options)
{
    QElapsedTimer clock;
    clock.start();
    CrackResult result;
    if (!tryFixedTable(cipher, model, &result, options.schedule) || !keepsLocks(result, options.locks)) {
        const SearchedText text(cipher, options.schedule);
        // Locks and cribs the checks refuse are the caller's to report; the
        // search goes on without them.
        const CrackOptions sound = soundOptions(options, crackOptionProblems(text, options));
        const Search search(text, model, sound);
        result = search.run(clock);
        completeKey(text, model, sound, &result);
    }
    result.seconds = clock.elapsed() / 1000.0;
    return result;
}

} // namespace Cryptanalysis
