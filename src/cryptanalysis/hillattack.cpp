#include "hillattack.h"

#include "frequencyreport.h"
#include "languagemodel.h"
#include "restartsearch.h"
#include "solver.h"

#include <QElapsedTimer>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <map>
#include <mutex>

namespace Cryptanalysis {

namespace {

int minimumSymbols(int n, const HillSchedule &schedule)
{
    return n == 2 ? schedule.minSymbols2 : schedule.minSymbols3;
}

// A crib of m symbols at an unknown place covers at least m / n − 1 whole
// blocks; n² symbols make n blocks when it happens to start one.
int minimumCribSymbols(int n)
{
    return n * n;
}

QString cribName(const QString &crib)
{
    return QStringLiteral("«%1»").arg(crib);
}

// Runs work(0) to work(count − 1) on jobs threads (here, for one); each
// writes only its own results, so the order they finish in decides nothing.
template <typename Work>
void runParallel(int count, int jobs, Work work)
{
    if (jobs <= 1 || count <= 1) {
        for (int i = 0; i < count; ++i)
            work(i);
        return;
    }
    QThreadPool pool;
    pool.setMaxThreadCount(jobs);
    for (int i = 0; i < count; ++i)
        pool.start([&work, i] { work(i); });
    pool.waitForDone();
}

// The ciphertext as the search reads it for one block size: the blocks of
// the lines in turn, at most searchedSymbols of them, and where each line
// starts, since the model's context starts afresh there.
struct SearchedBlocks
{
    int n = 2;
    std::vector<std::int8_t> cipher; // block after block
    std::vector<char> startsLine;    // a flag per block
    int blocks() const { return int(startsLine.size()); }
};

SearchedBlocks searchedBlocks(const HillText &text, int n, int limit)
{
    SearchedBlocks searched;
    searched.n = n;
    for (const std::vector<std::int8_t> &line : text.lines) {
        bool first = true;
        for (std::size_t at = 0; at + std::size_t(n) <= line.size(); at += std::size_t(n)) {
            if (int(searched.cipher.size()) + n > limit)
                return searched;
            searched.cipher.insert(searched.cipher.end(), line.begin() + std::ptrdiff_t(at),
                                   line.begin() + std::ptrdiff_t(at) + n);
            searched.startsLine.push_back(first);
            first = false;
        }
    }
    return searched;
}

// A row of the inverse matrix, its n numbers 5 bits each. The attack's own
// decomposition of the cipher: one row alone deciphers one position of
// every block, which is all that lets the rows be searched apart.
int rowEntry(int row, int i)
{
    return (row >> (5 * i)) & (Alphabet::Size - 1);
}

bool allEven(int row, int n)
{
    for (int i = 0; i < n; ++i) {
        if (rowEntry(row, i) % 2 != 0)
            return false;
    }
    return true;
}

void decipherRow(const SearchedBlocks &searched, int row, std::int8_t *stream)
{
    const int n = searched.n;
    const int blocks = searched.blocks();
    const std::int8_t *cipher = searched.cipher.data();
    int v[3] = {rowEntry(row, 0), rowEntry(row, 1), n == 3 ? rowEntry(row, 2) : 0};
    for (int j = 0; j < blocks; ++j, cipher += n) {
        int sum = v[0] * cipher[0] + v[1] * cipher[1];
        if (n == 3)
            sum += v[2] * cipher[2];
        stream[j] = std::int8_t(sum & (Alphabet::Size - 1));
    }
}

Polygram::Matrix matrixOfRows(const int *rows, int n)
{
    Polygram::Matrix matrix(std::size_t(n * n));
    for (int r = 0; r < n; ++r) {
        for (int i = 0; i < n; ++i)
            matrix[std::size_t(r * n + i)] = std::int8_t(rowEntry(rows[r], i));
    }
    return matrix;
}

SymbolKey keyOfInverse(const Polygram::Matrix &inverse)
{
    SymbolKey key;
    key.rule = SymbolRule::Hill;
    key.matrix = Polygram::inverse(inverse);
    return key;
}

// A matrix of the search: the inverse's rows and the model's score of what
// they decipher, in scaled units summed over the searched symbols.
struct Candidate
{
    std::array<int, 3> rows {};
    qint64 score = std::numeric_limits<qint64>::min();
};

bool better(const Candidate &a, const Candidate &b)
{
    return a.score != b.score ? a.score > b.score : a.rows < b.rows;
}

class SizeSearch
{
public:
    SizeSearch(const HillText &text, int n, const LanguageModel &model, const HillAttackOptions &options,
               const Deadline &deadline, int jobs)
        : m_searched(searchedBlocks(text, n, options.schedule.searchedSymbols))
        , m_n(n)
        , m_model(model)
        , m_schedule(options.schedule)
        , m_deadline(deadline)
        , m_jobs(jobs)
    {
    }

    void rankRows();
    void combineKeptRows();
    void climb();
    const Candidate &best() const { return m_starts.front(); }
    bool found() const { return !m_starts.empty(); }
    double averageScore(const Candidate &candidate) const
    {
        return double(candidate.score) / LanguageModel::Scale / qMax(1, m_searched.blocks() * m_n);
    }
    Polygram::Matrix inverseOf(const Candidate &candidate) const { return matrixOfRows(candidate.rows.data(), m_n); }
    int rowsScored() const { return int(m_ranked.size()); }
    int keptRows() const { return m_kept; }
    int matricesScored() const { return m_matricesScored; }
    qint64 scoreOfInverse(const Polygram::Matrix &inverse) const;

private:
    qint64 scoreStreams(const std::int8_t *const *streams) const;
    const std::int8_t *streamOf(int ranked) const { return m_streams.data() + std::size_t(ranked) * std::size_t(m_searched.blocks()); }
    bool invertible(const int *rankedRows) const;
    Candidate climbFrom(Candidate start) const;

    SearchedBlocks m_searched;
    int m_n;
    const LanguageModel &m_model;
    const HillSchedule &m_schedule;
    const Deadline &m_deadline;
    int m_jobs;
    // Rows that can stand in an invertible matrix, best single frequencies
    // first, and what each deciphers (only for the first m_streamRows).
    std::vector<int> m_ranked;
    std::vector<std::int8_t> m_streams;
    int m_streamRows = 0;
    int m_kept = 0;
    int m_matricesScored = 0;
    // Candidates with rows as indices into m_ranked, best first.
    std::vector<Candidate> m_starts;
};

qint64 SizeSearch::scoreStreams(const std::int8_t *const *streams) const
{
    const std::int16_t *scores = m_model.scores();
    const int blocks = m_searched.blocks();
    qint64 sum = 0;
    int a = Boundary, b = Boundary, c = Boundary;
    for (int j = 0; j < blocks; ++j) {
        if (m_searched.startsLine[std::size_t(j)])
            a = b = c = Boundary;
        for (int r = 0; r < m_n; ++r) {
            const int d = streams[r][j];
            sum += scores[ngramIndex(a, b, c, d)];
            a = b;
            b = c;
            c = d;
        }
    }
    return sum;
}

qint64 SizeSearch::scoreOfInverse(const Polygram::Matrix &inverse) const
{
    std::vector<std::int8_t> streams(std::size_t(m_n * m_searched.blocks()));
    const std::int8_t *pointers[3] = {};
    for (int r = 0; r < m_n; ++r) {
        int row = 0;
        for (int i = 0; i < m_n; ++i)
            row |= inverse[std::size_t(r * m_n + i)] << (5 * i);
        std::int8_t *stream = streams.data() + std::size_t(r * m_searched.blocks());
        decipherRow(m_searched, row, stream);
        pointers[r] = stream;
    }
    return scoreStreams(pointers);
}

// Every row that is not even throughout (no such row stands in a matrix with
// an odd determinant), scored by the log-likelihood of its symbols under
// Russian single frequencies.
void SizeSearch::rankRows()
{
    std::array<double, Alphabet::Size> logFrequency {};
    const std::array<quint64, SymbolCount> counts = m_model.symbolCounts();
    quint64 total = 0;
    for (const quint64 count : counts)
        total += count;
    for (int s = 0; s < Alphabet::Size; ++s)
        logFrequency[std::size_t(s)] = std::log((double(counts[std::size_t(s)]) + 1) / (double(total) + Alphabet::Size));

    const int rowCount = 1 << (5 * m_n);
    std::vector<double> rowScore(std::size_t(rowCount), -HUGE_VAL);
    constexpr int Chunk = 1024;
    runParallel((rowCount + Chunk - 1) / Chunk, m_jobs, [&](int chunk) {
        std::vector<std::int8_t> stream(std::size_t(m_searched.blocks()));
        for (int row = chunk * Chunk; row < qMin(rowCount, (chunk + 1) * Chunk); ++row) {
            if (allEven(row, m_n))
                continue;
            decipherRow(m_searched, row, stream.data());
            int histogram[Alphabet::Size] = {};
            for (const std::int8_t symbol : stream)
                ++histogram[symbol];
            double score = 0;
            for (int s = 0; s < Alphabet::Size; ++s)
                score += histogram[s] * logFrequency[std::size_t(s)];
            rowScore[std::size_t(row)] = score;
        }
    });
    for (int row = 0; row < rowCount; ++row) {
        if (rowScore[std::size_t(row)] > -HUGE_VAL)
            m_ranked.push_back(row);
    }
    std::stable_sort(m_ranked.begin(), m_ranked.end(),
                     [&rowScore](int a, int b) { return rowScore[std::size_t(a)] > rowScore[std::size_t(b)]; });

    m_streamRows = qMin(int(m_ranked.size()), m_n == 2 ? int(m_ranked.size()) : m_schedule.climbRows3);
    m_kept = qMin(m_streamRows, m_n == 2 ? m_schedule.keptRows2 : m_schedule.keptRows3);
    m_streams.resize(std::size_t(m_streamRows) * std::size_t(m_searched.blocks()));
    runParallel(m_streamRows, m_jobs, [this](int ranked) {
        decipherRow(m_searched, m_ranked[std::size_t(ranked)],
                    m_streams.data() + std::size_t(ranked) * std::size_t(m_searched.blocks()));
    });
}

bool SizeSearch::invertible(const int *rankedRows) const
{
    int rows[3];
    for (int r = 0; r < m_n; ++r)
        rows[r] = m_ranked[std::size_t(rankedRows[r])];
    return Polygram::isInvertible(matrixOfRows(rows, m_n));
}

// Every ordered choice of distinct kept rows that makes an invertible
// matrix, scored by the model; the best climbStarts are kept.
void SizeSearch::combineKeptRows()
{
    const int kept = m_kept;
    const int starts = qMax(1, m_schedule.climbStarts);
    std::vector<std::vector<Candidate>> bestOf(static_cast<std::size_t>(kept));
    std::vector<int> scored(std::size_t(kept), 0);
    runParallel(kept, m_jobs, [&](int first) {
        // The first row's matrices are always scored, so that a limit of a
        // millisecond still gives an answer.
        if (first > 0 && m_deadline.passed())
            return;
        std::vector<Candidate> &best = bestOf[std::size_t(first)];
        Candidate candidate;
        candidate.rows[0] = first;
        const auto consider = [&] {
            if (!invertible(candidate.rows.data()))
                return;
            const std::int8_t *streams[3] = {streamOf(candidate.rows[0]), streamOf(candidate.rows[1]),
                                             m_n == 3 ? streamOf(candidate.rows[2]) : nullptr};
            candidate.score = scoreStreams(streams);
            ++scored[std::size_t(first)];
            if (int(best.size()) == starts && !better(candidate, best.back()))
                return;
            best.insert(std::upper_bound(best.begin(), best.end(), candidate, better), candidate);
            if (int(best.size()) > starts)
                best.pop_back();
        };
        for (int second = 0; second < kept; ++second) {
            if (second == first)
                continue;
            candidate.rows[1] = second;
            if (m_n == 2) {
                consider();
                continue;
            }
            for (int third = 0; third < kept; ++third) {
                if (third == first || third == second)
                    continue;
                candidate.rows[2] = third;
                consider();
            }
        }
    });
    for (int first = 0; first < kept; ++first) {
        m_matricesScored += scored[std::size_t(first)];
        m_starts.insert(m_starts.end(), bestOf[std::size_t(first)].begin(), bestOf[std::size_t(first)].end());
    }
    std::sort(m_starts.begin(), m_starts.end(), better);
    if (int(m_starts.size()) > starts)
        m_starts.resize(std::size_t(starts));
    for (Candidate &start : m_starts) {
        for (int r = 0; r < m_n; ++r)
            start.rows[std::size_t(r)] = m_ranked[std::size_t(start.rows[std::size_t(r)])];
    }
}

// Each row in turn replaced by the row that reads best in its place, of the
// first m_streamRows, while that improves the whole.
Candidate SizeSearch::climbFrom(Candidate start) const
{
    std::array<int, 3> place {};
    for (int r = 0; r < m_n; ++r) {
        const auto found = std::find(m_ranked.begin(), m_ranked.begin() + m_streamRows, start.rows[std::size_t(r)]);
        place[std::size_t(r)] = int(found - m_ranked.begin());
    }
    Candidate current = start;
    bool improved = true;
    while (improved && !m_deadline.passed()) {
        improved = false;
        for (int r = 0; r < m_n; ++r) {
            std::array<int, 3> trial = place;
            for (int other = 0; other < m_streamRows; ++other) {
                trial[std::size_t(r)] = other;
                if (other == place[std::size_t(r)] || !invertible(trial.data()))
                    continue;
                const std::int8_t *streams[3] = {streamOf(trial[0]), streamOf(trial[1]),
                                                 m_n == 3 ? streamOf(trial[2]) : nullptr};
                const qint64 score = scoreStreams(streams);
                if (score > current.score) {
                    current.score = score;
                    place = trial;
                    improved = true;
                }
            }
            for (int i = 0; i < m_n; ++i)
                current.rows[std::size_t(i)] = m_ranked[std::size_t(place[std::size_t(i)])];
        }
    }
    return current;
}

void SizeSearch::climb()
{
    std::vector<Candidate> climbed(m_starts.size());
    runParallel(int(m_starts.size()), m_jobs, [&](int i) {
        climbed[std::size_t(i)] = m_deadline.passed() && i > 0 ? m_starts[std::size_t(i)]
                                                                 : climbFrom(m_starts[std::size_t(i)]);
    });
    std::sort(climbed.begin(), climbed.end(), better);
    m_starts = climbed;
}

// What a crib found: the key its blocks give at its best place.
struct CribFinding
{
    SymbolKey key;
    qint64 score = std::numeric_limits<qint64>::min();
    double average = 0;
    int line = 0;     // from 1
    int position = 0; // the crib's first symbol in the line, from 1
    int places = 0;   // the places whose blocks gave a key
};

QString sizeName(int n)
{
    return QStringLiteral("%1 × %1").arg(n);
}

class Attack
{
public:
    Attack(const HillText &text, QStringView ciphertext, const LanguageModel &model, const HillAttackOptions &options,
           const QElapsedTimer &clock)
        : m_text(text)
        , m_ciphertext(ciphertext)
        , m_model(model)
        , m_options(options)
        , m_deadline(clock, qint64(options.timeLimitSeconds * 1000), options.stopRequested)
        , m_clock(clock)
        , m_jobs(options.jobs > 0 ? options.jobs : qMax(1, QThread::idealThreadCount()))
    {
    }

    HillAttackResult run(const std::vector<int> &sizes);

private:
    HillAttackResult withoutCrib(const std::vector<int> &sizes);
    HillAttackResult withCribs(const std::vector<int> &sizes);
    std::optional<CribFinding> placeCrib(const std::vector<std::int8_t> &crib, int n, const SizeSearch &scorer) const;
    void finish(HillAttackResult &result) const;
    void report(const SymbolKey &key, double score) const
    {
        if (m_options.progress)
            m_options.progress(m_clock.elapsed() / 1000.0, key, score);
    }

    const HillText &m_text;
    QStringView m_ciphertext;
    const LanguageModel &m_model;
    const HillAttackOptions &m_options;
    const Deadline m_deadline;
    const QElapsedTimer &m_clock;
    const int m_jobs;
};

void Attack::finish(HillAttackResult &result) const
{
    result.score = m_model.averageScore(SymbolCipher(result.key).decrypt(m_ciphertext));
    result.readsAsRussian = result.score >= RussianScoreThreshold;
    result.cutShort = m_deadline.passed();
}

HillAttackResult Attack::withoutCrib(const std::vector<int> &sizes)
{
    HillAttackResult result;
    double bestAverage = -HUGE_VAL;
    QStringList sizeReasons;
    for (const int n : sizes) {
        SizeSearch search(m_text, n, m_model, m_options, m_deadline, m_jobs);
        search.rankRows();
        search.combineKeptRows();
        if (!search.found())
            continue;
        report(keyOfInverse(search.inverseOf(search.best())), search.averageScore(search.best()));
        search.climb();
        const Candidate &best = search.best();
        const double average = search.averageScore(best);
        sizeReasons << QStringLiteral("Матрица %1: из %2 строк обратной матрицы, какие могут стоять в обратимой, "
                                      "по частотам символов отобраны %3; модель оценила %4 матриц из них, "
                                      "лучшие %5 улучшены заменой строк; лучшая читается на %6 нат на символ.")
                           .arg(sizeName(n))
                           .arg(search.rowsScored())
                           .arg(search.keptRows())
                           .arg(search.matricesScored())
                           .arg(m_options.schedule.climbStarts)
                           .arg(decimalText(average, 3));
        if (average > bestAverage) {
            bestAverage = average;
            result.key = keyOfInverse(search.inverseOf(best));
        }
        report(result.key, bestAverage);
    }
    if (result.key.matrix.empty()) {
        result.problem = QStringLiteral("Ни одной обратимой матрицы не найдено: шифртекст не похож на шифр Хилла.");
        return result;
    }
    result.reasons << sizeReasons;
    if (sizes.size() > 1)
        result.reasons << QStringLiteral("Строки делятся и на блоки по 2, и по 3; выбрана матрица %1, её "
                                         "расшифровка читается лучше.")
                              .arg(sizeName(Polygram::matrixSize(result.key.matrix)));
    return result;
}

std::optional<CribFinding> Attack::placeCrib(const std::vector<std::int8_t> &crib, int n,
                                             const SizeSearch &scorer) const
{
    std::optional<CribFinding> best;
    std::map<Polygram::Matrix, qint64> seen;
    const int length = int(crib.size());
    for (std::size_t lineIndex = 0; lineIndex < m_text.lines.size(); ++lineIndex) {
        const std::vector<std::int8_t> &line = m_text.lines[lineIndex];
        for (int start = 0; start + length <= int(line.size()); ++start) {
            if (m_deadline.passed() && best)
                return best;
            std::vector<std::int8_t> plain, cipher;
            for (int block = (start + n - 1) / n; (block + 1) * n <= start + length; ++block) {
                for (int i = 0; i < n; ++i) {
                    plain.push_back(crib[std::size_t(block * n + i - start)]);
                    cipher.push_back(line[std::size_t(block * n + i)]);
                }
            }
            const HillSolution solution = solveHillMatrix(plain, cipher, n);
            if (!solution.matrix)
                continue;
            const Polygram::Matrix &matrix = *solution.matrix;
            auto known = seen.find(matrix);
            if (known == seen.end())
                known = seen.emplace(matrix, scorer.scoreOfInverse(Polygram::inverse(matrix))).first;
            if (!best)
                best = CribFinding();
            ++best->places;
            if (known->second > best->score) {
                best->score = known->second;
                best->key.rule = SymbolRule::Hill;
                best->key.matrix = matrix;
                best->line = int(lineIndex) + 1;
                best->position = start + 1;
                best->average = scorer.averageScore(Candidate {{}, known->second});
            }
        }
    }
    return best;
}

HillAttackResult Attack::withCribs(const std::vector<int> &sizes)
{
    HillAttackResult result;
    std::optional<CribFinding> best;
    QString bestCrib;
    QStringList unplaced;
    for (const QString &crib : m_options.cribs) {
        const std::vector<std::int8_t> symbols = Alphabet::indicesOf(crib);
        bool placed = false;
        for (const int n : sizes) {
            if (int(symbols.size()) < minimumCribSymbols(n))
                continue;
            const SizeSearch scorer(m_text, n, m_model, m_options, m_deadline, m_jobs);
            const std::optional<CribFinding> finding = placeCrib(symbols, n, scorer);
            if (!finding)
                continue;
            placed = true;
            if (!best || finding->average > best->average) {
                best = finding;
                bestCrib = crib;
                report(best->key, best->average);
            }
        }
        if (!placed)
            unplaced << cribName(crib);
    }
    if (!best) {
        result.problem = QStringLiteral("Подсказка %1 ни в одном месте шифртекста не даёт матрицы ключа: в каждом "
                                        "месте её блоки линейно зависимы по модулю 2 или не согласуются с "
                                        "шифртекстом. Нужна подсказка длиннее, с блоками разной чётности, или "
                                        "другая — быть может, её нет в тексте.")
                             .arg(unplaced.join(QStringLiteral(", ")));
        return result;
    }
    result.key = best->key;
    result.reasons << QStringLiteral("Подсказка %1 дала матрицу %2 в %3 местах шифртекста; лучше всех читается "
                                     "текст с подсказкой в строке %4 с символа %5.")
                          .arg(cribName(bestCrib), sizeName(Polygram::matrixSize(best->key.matrix)))
                          .arg(best->places)
                          .arg(best->line)
                          .arg(best->position);
    if (!unplaced.isEmpty())
        result.reasons << QStringLiteral("Подсказки %1 ни в одном месте ключа не дали.").arg(unplaced.join(QStringLiteral(", ")));
    return result;
}

HillAttackResult Attack::run(const std::vector<int> &sizes)
{
    HillAttackResult result = m_options.cribs.isEmpty() ? withoutCrib(sizes) : withCribs(sizes);
    if (result.succeeded())
        finish(result);
    return result;
}

// The sizes the lines allow and the options ask for, less those the text is
// too short to break without a crib; empty with why.
std::vector<int> sizesTried(const HillText &ciphertext, const HillAttackOptions &options, QString &problem)
{
    std::vector<int> sizes = hillBlockSizes(ciphertext, problem);
    if (sizes.empty())
        return sizes;
    if (options.blockSize != 0) {
        if (std::find(sizes.begin(), sizes.end(), options.blockSize) == sizes.end()) {
            problem = QStringLiteral("Строки шифртекста не делятся на блоки по %1 символа: это не шифртекст "
                                     "матрицы %2.")
                          .arg(options.blockSize)
                          .arg(sizeName(options.blockSize));
            return {};
        }
        sizes = {options.blockSize};
    }
    if (!options.cribs.isEmpty())
        return sizes;
    const int symbols = ciphertext.symbols();
    const HillSchedule &schedule = options.schedule;
    sizes.erase(std::remove_if(sizes.begin(), sizes.end(),
                               [&](int n) { return symbols < minimumSymbols(n, schedule); }),
                sizes.end());
    if (sizes.empty())
        problem = QStringLiteral("Шифртекст слишком короткий для вскрытия шифра Хилла без подсказки: в нём %1 "
                                 "символов алфавита, а для матрицы 2 × 2 нужно хотя бы %2 (для 3 × 3 — %3). Если "
                                 "известен кусок открытого текста, задайте его подсказкой (--crib).")
                      .arg(symbols)
                      .arg(schedule.minSymbols2)
                      .arg(schedule.minSymbols3);
    return sizes;
}

} // namespace

QStringList hillOptionProblems(const HillText &ciphertext, const HillAttackOptions &options)
{
    QString problem;
    const std::vector<int> sizes = sizesTried(ciphertext, options, problem);
    if (sizes.empty())
        return {problem};
    QStringList problems;
    const int smallest = sizes.front();
    for (const QString &crib : options.cribs) {
        const int symbols = int(Alphabet::indicesOf(crib).size());
        if (symbols < minimumCribSymbols(smallest))
            problems << QStringLiteral("%1: в подсказке символов алфавита %2, а матрицу %3 решают %4 блока по %4 "
                                       "символа — нужно хотя бы %5, а при неизвестном месте подсказки в блоке "
                                       "надёжнее %6")
                            .arg(crib)
                            .arg(symbols)
                            .arg(sizeName(smallest))
                            .arg(smallest)
                            .arg(minimumCribSymbols(smallest))
                            .arg(minimumCribSymbols(smallest) + smallest - 1);
    }
    return problems;
}

HillAttackResult crackHill(QStringView ciphertext, const LanguageModel &model, const HillAttackOptions &options)
{
    QElapsedTimer clock;
    clock.start();
    HillAttackResult result;
    const HillText text = HillText::fromText(ciphertext);
    const QStringList problems = hillOptionProblems(text, options);
    if (!problems.isEmpty()) {
        result.problem = problems.join(QLatin1Char('\n'));
    } else {
        QString unused;
        result = Attack(text, ciphertext, model, options, clock).run(sizesTried(text, options, unused));
    }
    result.seconds = clock.elapsed() / 1000.0;
    return result;
}

} // namespace Cryptanalysis
