#include "rectangleattack.h"

#include "restartbatches.h"
#include "solver.h"
#include "wordlist.h"

#include "alphabet.h"
#include "keyfile.h"
#include "lineend.h"

#include <QElapsedTimer>
#include <QThread>
#include <QThreadPool>

#include <algorithm>

namespace Cryptanalysis {

namespace {

QString shownSymbol(int symbol)
{
    return symbol == 0 ? QString(QChar(KeyFileSpace)) : QString(Alphabet::symbol(symbol));
}

SymbolKey symbolKeyOf(RectangleVariant variant, const RectangleKey &key)
{
    SymbolKey symbolKey;
    symbolKey.rule = variant == RectangleVariant::Playfair ? SymbolRule::Playfair : SymbolRule::TwoSquare;
    symbolKey.alphabet = key.first.symbolAt;
    if (variant == RectangleVariant::TwoSquare)
        symbolKey.second = key.second.symbolAt;
    return symbolKey;
}

// The text the search reads: on a long ciphertext its start, a whole number
// of pairs.
KeywordCipherText searchedPart(const KeywordCipherText &text, int limit)
{
    if (text.size() <= limit)
        return text;
    const std::size_t kept = std::size_t(limit & ~1);
    KeywordCipherText part;
    part.symbols.assign(text.symbols.begin(), text.symbols.begin() + std::ptrdiff_t(kept));
    part.history.assign(text.history.begin(), text.history.begin() + std::ptrdiff_t(kept));
    return part;
}

std::vector<std::int8_t> cribSymbols(const QString &crib)
{
    std::vector<std::int8_t> symbols;
    for (const QChar c : crib)
        symbols.push_back(std::int8_t(Alphabet::indexOf(c.unicode())));
    return symbols;
}

std::vector<Crib> placedCribs(RectangleVariant variant, const QStringList &cribs, const KeywordCipherText &text)
{
    std::vector<Crib> placed;
    for (int i = 0; i < cribs.size(); ++i) {
        Crib crib;
        crib.symbols = cribSymbols(cribs.at(i));
        for (int start = 0; start + int(crib.symbols.size()) <= text.size(); ++start) {
            if (cribFits(variant, text.symbols, crib.symbols, start))
                crib.placements.push_back({ i, start });
        }
        placed.push_back(std::move(crib));
    }
    return placed;
}

QString cellText(int cell)
{
    return QStringLiteral("%1,%2").arg(Polygram::rowOf(cell) + 1).arg(Polygram::columnOf(cell) + 1);
}

} // namespace

QString cellLockForm(RectangleVariant variant)
{
    return variant == RectangleVariant::TwoSquare ? QStringLiteral("ПРЯМОУГОЛЬНИК:СИМВОЛ=СТРОКА,СТОЛБЕЦ")
                                                  : QStringLiteral("СИМВОЛ=СТРОКА,СТОЛБЕЦ");
}

std::optional<CellLock> parsedCellLock(RectangleVariant variant, QStringView text, QString *problem)
{
    const auto refuse = [&](const QString &reason) {
        if (problem)
            *problem = reason;
        return std::nullopt;
    };
    const bool two = variant == RectangleVariant::TwoSquare;
    const QString example = two ? QStringLiteral("2:А=1,3") : QStringLiteral("А=1,3");
    const QString expected = QStringLiteral("ожидается %1, например %2 (строка от 1 до %3, столбец от 1 до %4), "
                                            "а не «%5»")
                                 .arg(cellLockForm(variant), example)
                                 .arg(Polygram::Rows)
                                 .arg(Polygram::Columns)
                                 .arg(text);
    CellLock lock;
    QStringView rest = text;
    if (two) {
        if (rest.size() < 2 || rest.at(1) != QLatin1Char(':'))
            return refuse(expected);
        if (rest.at(0) != QLatin1Char('1') && rest.at(0) != QLatin1Char('2'))
            return refuse(QStringLiteral("прямоугольников два: 1 или 2, а не «%1»").arg(rest.at(0)));
        lock.rectangle = rest.at(0).unicode() - u'1';
        rest = rest.mid(2);
    }
    if (rest.size() < 2 || rest.at(1) != QLatin1Char('='))
        return refuse(expected);
    const QChar symbol = rest.at(0);
    lock.symbol = symbol == QChar(KeyFileSpace) ? 0 : Alphabet::indexOf(symbol.unicode());
    if (lock.symbol < 0)
        return refuse(QStringLiteral("«%1» — не символ алфавита (␣ и буквы от А до Я без Ё и Й)").arg(symbol));
    const QStringView place = rest.mid(2);
    const qsizetype comma = place.indexOf(QLatin1Char(','));
    bool rowRead = comma > 0, columnRead = comma > 0;
    const int row = rowRead ? place.left(comma).toInt(&rowRead) : 0;
    const int column = columnRead ? place.mid(comma + 1).toInt(&columnRead) : 0;
    if (!rowRead || !columnRead || place.contains(QLatin1Char('+')))
        return refuse(expected);
    if (row < 1 || row > Polygram::Rows || column < 1 || column > Polygram::Columns)
        return refuse(QStringLiteral("в прямоугольнике строки от 1 до %1 и столбцы от 1 до %2, а клетки %3,%4 нет")
                          .arg(Polygram::Rows)
                          .arg(Polygram::Columns)
                          .arg(row)
                          .arg(column));
    lock.cell = Polygram::cellAt(row - 1, column - 1);
    return lock;
}

QString rectangleTextProblem(RectangleVariant variant, QStringView ciphertext)
{
    QString problem;
    int lineNumber = 0;
    const char16_t *begin = reinterpret_cast<const char16_t *>(ciphertext.utf16());
    forEachLine(begin, begin + ciphertext.size(), [&](const char16_t *line, const char16_t *end, LineEnding) {
        ++lineNumber;
        if (!problem.isEmpty())
            return;
        std::vector<int> symbols;
        for (const char16_t *c = line; c != end; ++c) {
            const int symbol = Alphabet::indexOf(*c);
            if (symbol >= 0)
                symbols.push_back(symbol);
        }
        if (symbols.size() % 2 != 0) {
            problem = QStringLiteral("в строке %1 нечётное число символов алфавита (%2), а этот шифр пишет каждую "
                                     "строку целыми парами: это не его шифртекст или строка повреждена")
                          .arg(lineNumber)
                          .arg(symbols.size());
            return;
        }
        if (variant != RectangleVariant::Playfair)
            return;
        for (std::size_t i = 0; i < symbols.size(); i += 2) {
            if (symbols[i] == symbols[i + 1]) {
                problem = QStringLiteral("в строке %1 пара «%2%2» из двух одинаковых символов, а шифр Плейфера "
                                         "такой пары не даёт: это не его шифртекст")
                              .arg(lineNumber)
                              .arg(shownSymbol(symbols[i]));
                return;
            }
        }
    });
    if (problem.isEmpty() && Alphabet::indicesOf(ciphertext).empty())
        problem = QStringLiteral("в шифртексте нет ни одного символа алфавита");
    return problem;
}

namespace {

void addLockProblems(RectangleVariant variant, const std::vector<CellLock> &locks,
                     std::vector<CrackOptionProblem> &problems)
{
    const bool two = variant == RectangleVariant::TwoSquare;
    for (int i = 0; i < int(locks.size()); ++i) {
        const CellLock &lock = locks[std::size_t(i)];
        const QString prefix = two ? QStringLiteral("в прямоугольнике %1 ").arg(lock.rectangle + 1) : QString();
        for (int j = 0; j < i; ++j) {
            const CellLock &other = locks[std::size_t(j)];
            if (other.rectangle != lock.rectangle)
                continue;
            if (other.cell == lock.cell && other.symbol != lock.symbol) {
                problems.push_back({ CrackOptionProblem::Kind::Lock, i,
                                     prefix + QStringLiteral("клетка %1 уже отдана символу «%2»")
                                                  .arg(cellText(lock.cell), shownSymbol(other.symbol)) });
                break;
            }
            if (other.symbol == lock.symbol && other.cell != lock.cell) {
                problems.push_back({ CrackOptionProblem::Kind::Lock, i,
                                     prefix + QStringLiteral("символ «%1» уже закреплён в клетке %2")
                                                  .arg(shownSymbol(lock.symbol), cellText(other.cell)) });
                break;
            }
        }
    }
}

// Placed exactly as the search places them, so that an accepted crib is one
// the search uses.
void addCribProblems(RectangleVariant variant, QStringView ciphertext, const RectangleAttackOptions &options,
                     std::vector<CrackOptionProblem> &problems)
{
    const KeywordCipherText full = KeywordCipherText::fromText(ciphertext);
    const KeywordCipherText searched = searchedPart(full, options.schedule.searchedSymbols);
    const QString rule = variant == RectangleVariant::Playfair
        ? QStringLiteral(" (в шифре Плейфера символ не переходит сам в себя, одинаковые символы не стоят в "
                         "одной паре, и одна пара шифра всегда читается одной парой)")
        : QStringLiteral(" (одна пара шифра всегда читается одной и той же парой)");
    for (int i = 0; i < options.cribs.size(); ++i) {
        const QString &crib = options.cribs.at(i);
        const auto problem = [&](const QString &reason) {
            problems.push_back({ CrackOptionProblem::Kind::Crib, i, reason });
        };
        if (crib.isEmpty()) {
            problem(QStringLiteral("пустое слово"));
            continue;
        }
        const auto outside =
            std::find_if(crib.begin(), crib.end(), [](QChar c) { return Alphabet::indexOf(c.unicode()) < 0; });
        if (outside != crib.end()) {
            problem(QStringLiteral("символа «%1» нет в алфавите").arg(*outside));
            continue;
        }
        if (crib.size() > searched.size()) {
            problem(QStringLiteral("слово длиннее шифртекста, который читает поиск (%1 символов)").arg(searched.size()));
            continue;
        }
        if (!placedCribs(variant, { crib }, searched).front().placements.empty())
            continue;
        if (searched.size() < full.size())
            problem(QStringLiteral("слово не может читаться ни в одном месте первых %1 символов шифртекста, "
                                   "которые читает поиск")
                        .arg(searched.size())
                    + rule);
        else
            problem(QStringLiteral("слово не может читаться ни в одном месте шифртекста") + rule);
    }
}

} // namespace

std::vector<CrackOptionProblem> rectangleOptionProblems(RectangleVariant variant, QStringView ciphertext,
                                                        const RectangleAttackOptions &options)
{
    std::vector<CrackOptionProblem> problems;
    addLockProblems(variant, options.locks, problems);
    addCribProblems(variant, ciphertext, options, problems);
    return problems;
}

namespace {

class Attack
{
public:
    Attack(RectangleVariant variant, QStringView ciphertext, const LanguageModel &model,
           const RectangleAttackOptions &options, const QElapsedTimer &clock)
        : m_variant(variant)
        , m_model(model)
        , m_coarse(model, options.schedule.floorNats(variant))
        , m_options(options)
        , m_clock(clock)
        , m_full(KeywordCipherText::fromText(ciphertext))
        , m_searched(searchedPart(m_full, options.schedule.searchedSymbols))
        , m_cribs(placedCribs(variant, options.cribs, m_searched))
        , m_deadline(clock, qint64(options.timeLimitSeconds * 1000), options.stopRequested)
        , m_jobs(options.jobs > 0 ? options.jobs : qMax(1, QThread::idealThreadCount()))
    {
    }

    void run(RectangleAttackResult &result);

private:
    void report(int restarts, const RectangleOutcome &best);
    double averageOf(qint64 languageScore) const
    {
        return double(languageScore) / LanguageModel::Scale / qMax(1, m_searched.size());
    }

    const RectangleVariant m_variant;
    const LanguageModel &m_model;
    const CoarseScores m_coarse;
    const RectangleAttackOptions &m_options;
    const QElapsedTimer &m_clock;
    const KeywordCipherText m_full;
    const KeywordCipherText m_searched;
    const std::vector<Crib> m_cribs;
    const Deadline m_deadline;
    const int m_jobs;
    RectangleBoard m_board;
};

void Attack::report(int restarts, const RectangleOutcome &best)
{
    if (!m_options.progress)
        return;
    RectangleProgress progress;
    progress.elapsedSeconds = m_clock.elapsed() / 1000.0;
    progress.restarts = restarts;
    progress.key = symbolKeyOf(m_variant, best.key);
    progress.score = averageOf(best.languageScore);
    m_options.progress(progress);
}

void Attack::run(RectangleAttackResult &result)
{
    const RectangleSchedule &schedule = m_options.schedule;
    QThreadPool pool;
    pool.setMaxThreadCount(m_jobs);
    std::vector<RectangleOutcome> outcomes;
    int best = -1;
    bool done = false;
    // The first batch always runs: its keys are the answer however short
    // the limit.
    while (!done && (outcomes.empty() || !m_deadline.passed())) {
        const int first = int(outcomes.size());
        const int batch = qMin(m_jobs, schedule.maxRestarts - first);
        outcomes.resize(std::size_t(first + batch));
        // Reheated restarts start from the best of the batches before, so
        // that a seed and a number of threads give one answer.
        const bool reheating = best >= 0 && schedule.reheatShare > 0;
        const RectangleKey bestSoFar = best >= 0 ? outcomes[std::size_t(best)].key : RectangleKey();
        for (int i = first; i < first + batch; ++i) {
            pool.start([this, &outcomes, &bestSoFar, reheating, i] {
                RectangleSearch search(m_variant, m_searched, m_model, m_coarse, m_options.locks, m_cribs,
                                       m_options.schedule,
                                       m_deadline, restartSeed(m_options.seed, i));
                outcomes[std::size_t(i)] =
                    reheating && i % 2 == 1 ? search.reheat(bestSoFar, &m_board) : search.run(&m_board);
            });
        }
        while (!pool.waitForDone(schedule.progressIntervalMs)) {
            RectangleOutcome posted;
            if (m_board.best(posted))
                report(first, posted);
        }
        // Judged in their order, so that the threads' timing decides nothing.
        for (int i = first; i < first + batch && !done; ++i) {
            const RectangleOutcome &outcome = outcomes[std::size_t(i)];
            // A reheated restart that ends where it began confirms nothing.
            const bool fresh = !reheating || i % 2 == 0;
            if (best < 0 || outcome.total > outcomes[std::size_t(best)].total) {
                best = i;
                result.agreeing = 1;
            } else if (outcome.total == outcomes[std::size_t(best)].total && fresh) {
                ++result.agreeing;
            }
            result.restarts = i + 1;
            done = result.agreeing >= schedule.confirmations;
        }
        done = done || result.restarts >= schedule.maxRestarts;
        report(result.restarts, outcomes[std::size_t(best)]);
    }
    result.cutShort = !done;
    RectangleSearch last(m_variant, m_searched, m_model, m_coarse, m_options.locks, m_cribs, schedule, m_deadline,
                         m_options.seed);
    last.polishWords(outcomes[std::size_t(best)], WordList::builtIn());
    result.key = symbolKeyOf(m_variant, outcomes[std::size_t(best)].key);
}

} // namespace

RectangleAttackResult crackRectangles(RectangleVariant variant, QStringView ciphertext, const LanguageModel &model,
                                      const RectangleAttackOptions &options)
{
    QElapsedTimer clock;
    clock.start();
    RectangleAttackResult result;
    result.problem = rectangleTextProblem(variant, ciphertext);
    if (!result.succeeded())
        return result;
    const std::vector<CrackOptionProblem> problems = rectangleOptionProblems(variant, ciphertext, options);
    if (!problems.empty()) {
        result.problem = problems.front().reason;
        return result;
    }

    Attack attack(variant, ciphertext, model, options, clock);
    attack.run(result);

    result.score = model.averageScore(SymbolCipher(result.key).decrypt(ciphertext));
    result.readsAsRussian = result.score >= RussianScoreThreshold;
    result.seconds = clock.elapsed() / 1000.0;
    const int symbols = int(Alphabet::indicesOf(ciphertext).size());
    const RectangleSchedule &schedule = options.schedule;
    result.reasons << QStringLiteral("Перезапусков поиска %1, к лучшей расшифровке пришли %2.")
                          .arg(result.restarts)
                          .arg(result.agreeing);
    if (symbols / 2 < schedule.enoughPairs)
        result.reasons << QStringLiteral("В шифртексте всего %1 пар символов, меньше %2: по такому короткому тексту "
                                         "ключ часто находится неверно, расшифровку стоит проверить.")
                              .arg(symbols / 2)
                              .arg(schedule.enoughPairs);
    if (symbols > schedule.searchedSymbols)
        result.reasons << QStringLiteral("Поиск читал первые %1 символов шифртекста из %2.")
                              .arg(schedule.searchedSymbols & ~1)
                              .arg(symbols);
    if (variant == RectangleVariant::Playfair)
        result.reasons << QStringLiteral("Прямоугольник, сдвинутый по кругу на строку или на столбец, "
                                         "расшифровывает так же: найден один из таких равноценных ключей.");
    else
        result.reasons << QStringLiteral("Порядок столбцов в каждом прямоугольнике и одна перестановка строк в обоих "
                                         "сразу на расшифровку не влияют: найден один из таких равноценных ключей.");
    return result;
}

} // namespace Cryptanalysis
