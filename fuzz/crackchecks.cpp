// The attack's rules on locks, cribs and the key it completes, for
// fuzz_crack and the corpus replay.
#include "fuzzchecks.h"

#include "ciphertext.h"
#include "keytable.h"
#include "languagemodel.h"
#include "optionchecks.h"
#include "searchedtext.h"
#include "solver.h"
#include "tablecompletion.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <set>

using namespace Cryptanalysis;

namespace {

const LanguageModel &builtInModel()
{
    static const LanguageModel model = [] {
        LanguageModel loaded;
        QString error;
        if (!loaded.loadBuiltIn(&error)) {
            std::fprintf(stderr, "the built-in model: %s\n", error.toLocal8Bit().constData());
            std::abort();
        }
        return loaded;
    }();
    return model;
}

// Reads the input front to back; past its end every byte is 0.
class InputReader
{
public:
    InputReader(const std::uint8_t *data, std::size_t size)
        : m_data(data)
        , m_size(size)
    {
    }

    int next() { return m_at < m_size ? m_data[m_at++] : 0; }
    bool atEnd() const { return m_at >= m_size; }

private:
    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

QString cribCharacter(int byte)
{
    // Characters the table lacks; lower-case letters would read as its rows.
    static const char16_t outside[] = { u'a', u'7', u'ё', u'й', u'\t', u'Ё', u'-', u'Й' };
    if (byte < 224)
        return QString(characterOf(byte % SymbolCount));
    return QString(QChar(outside[byte % 8]));
}

QString cipherPiece(int byte)
{
    // A code and the separator that decryption skips after it.
    if (byte < 200)
        return QStringLiteral("%1 ").arg(byte % CodeCount, 2, 10, QLatin1Char('0'));
    if (byte < 216)
        return QStringLiteral(" ");
    if (byte < 224)
        return QStringLiteral("\n");
    if (byte < 232)
        return QStringLiteral("\r\n");
    if (byte < 240)
        return QStringLiteral("\r");
    if (byte < 250)
        return QString(QLatin1Char(char('0' + byte - 240)));
    static const char16_t others[] = { u'x', u'Я', u'.', u'\u0663', u'\u00a0', u'9' };
    return QString(QChar(others[byte - 250]));
}

QString codeText(int code)
{
    return QStringLiteral("%1").arg(code, 2, 10, QLatin1Char('0'));
}

// The problems crackOptionProblems gave, held against what the locks and
// cribs are: a lock is refused exactly when its code is out of range or not
// in the text, its symbol is not in the table, or an earlier accepted lock
// gave its code another symbol.
QString optionProblemsFailure(const CrackOptions &options, const std::vector<CrackOptionProblem> &problems,
                              const std::array<int, CodeCount> &counts)
{
    std::vector<int> lockProblems(options.locks.size()), cribProblems(size_t(options.cribs.size()));
    for (const CrackOptionProblem &problem : problems) {
        std::vector<int> &of = problem.kind == CrackOptionProblem::Kind::Lock ? lockProblems : cribProblems;
        if (problem.index < 0 || problem.index >= int(of.size()))
            return QStringLiteral("a problem for option %1 of %2").arg(problem.index).arg(of.size());
        if (problem.reason.isEmpty())
            return QStringLiteral("a problem without a reason");
        ++of[size_t(problem.index)];
    }
    std::array<int, CodeCount> lockedTo;
    lockedTo.fill(-1);
    for (size_t i = 0; i < options.locks.size(); ++i) {
        const CodeLock &lock = options.locks[i];
        const bool faulty = lock.code < 0 || lock.code >= CodeCount || lock.symbol < 0 || lock.symbol >= SymbolCount
            || counts[size_t(lock.code)] == 0
            || (lockedTo[size_t(lock.code)] >= 0 && lockedTo[size_t(lock.code)] != lock.symbol);
        if (lockProblems[i] != (faulty ? 1 : 0))
            return QStringLiteral("the lock %1=%2 (option %3) has %4 problems")
                .arg(lock.code).arg(lock.symbol).arg(i).arg(lockProblems[i]);
        if (!faulty)
            lockedTo[size_t(lock.code)] = lock.symbol;
    }
    for (int i = 0; i < options.cribs.size(); ++i) {
        const QString &crib = options.cribs.at(i);
        const bool outside = crib.isEmpty()
            || std::any_of(crib.begin(), crib.end(), [](QChar c) { return symbolOf(c) < 0; });
        if (cribProblems[size_t(i)] > 1 || (outside && cribProblems[size_t(i)] == 0))
            return QStringLiteral("the crib «%1» has %2 problems").arg(crib).arg(cribProblems[size_t(i)]);
    }
    return QString();
}

QString resultFailure(const CrackResult &result, const std::vector<CodeLock> &keptLocks,
                      const std::array<int, CodeCount> &counts)
{
    for (int code = 0; code < CodeCount; ++code) {
        const int symbol = result.symbolOfCode[size_t(code)];
        if (counts[size_t(code)] > 0 && (symbol < 0 || symbol >= SymbolCount))
            return QStringLiteral("code %1 occurs %2 times and reads as %3")
                .arg(codeText(code)).arg(counts[size_t(code)]).arg(symbol);
        if (counts[size_t(code)] == 0 && symbol != -1)
            return QStringLiteral("code %1 does not occur and reads as %2").arg(codeText(code)).arg(symbol);
    }
    for (const CodeLock &lock : keptLocks) {
        if (result.symbolOfCode[size_t(lock.code)] != lock.symbol)
            return QStringLiteral("the lock %1=%2 reads as %3")
                .arg(codeText(lock.code)).arg(lock.symbol).arg(result.symbolOfCode[size_t(lock.code)]);
    }
    const QStringList problems = keyTableProblems(result.table);
    if (!problems.isEmpty())
        return QStringLiteral("a table with problems: ") + problems.join(QLatin1Char('\n'));

    // Decryption with the table must read what symbolOfCode says.
    std::array<int, CodeCount> rowOfCode;
    rowOfCode.fill(-1);
    int dealt = 0;
    for (int row = 0; row < SymbolCount; ++row) {
        for (const QString &text : result.table[size_t(row)].codes) {
            const int code = text.toInt();
            rowOfCode[size_t(code)] = row;
            dealt += counts[size_t(code)] == 0;
        }
    }
    for (int code = 0; code < CodeCount; ++code) {
        if (counts[size_t(code)] > 0 && rowOfCode[size_t(code)] != result.symbolOfCode[size_t(code)])
            return QStringLiteral("code %1 reads as %2, the table puts it in row %3")
                .arg(codeText(code)).arg(result.symbolOfCode[size_t(code)]).arg(rowOfCode[size_t(code)]);
    }

    const QString comment = unseenCodesComment(result);
    if (result.fixedTable) {
        // The fixed table is the key itself: no code in it was dealt.
        if (result.dealtCodes != 0 || !result.unseenCodes.empty() || !comment.isEmpty())
            return QStringLiteral("the fixed table with %1 codes dealt").arg(result.dealtCodes);
        return QString();
    }
    if (result.dealtCodes != dealt)
        return QStringLiteral("%1 codes dealt, %2 codes of the table do not occur").arg(result.dealtCodes).arg(dealt);
    std::set<int> unseen;
    for (const int code : result.unseenCodes) {
        if (code < 0 || code >= CodeCount || counts[size_t(code)] > 0 || rowOfCode[size_t(code)] >= 0
            || !unseen.insert(code).second)
            return QStringLiteral("code %1 among the unseen codes").arg(code);
    }
    if (!result.proportional && !unseen.empty())
        return QStringLiteral("unseen codes listed for a key of equal rows");
    if (result.proportional) {
        for (int code = 0; code < CodeCount; ++code) {
            if (rowOfCode[size_t(code)] < 0 && !unseen.count(code))
                return QStringLiteral("code %1 is neither in the table nor among the unseen").arg(codeText(code));
        }
    }

    // The comment states the count dealt and lists the unseen codes.
    if (dealt > 0 && !comment.contains(QStringLiteral(" %1:").arg(dealt)))
        return QStringLiteral("%1 codes dealt, the comment says: ").arg(dealt) + comment;
    std::set<int> listed;
    const int listAt = comment.indexOf(QStringLiteral("розданы):"));
    if (listAt >= 0) {
        const QString list = comment.mid(listAt).section(QLatin1Char('\n'), 0, 0);
        QRegularExpressionMatchIterator codes = QRegularExpression(QStringLiteral("\\b\\d\\d\\b")).globalMatch(list);
        while (codes.hasNext())
            listed.insert(codes.next().captured().toInt());
    }
    if (listed != unseen)
        return QStringLiteral("the comment lists other codes than the unseen ones: ") + comment;
    if (dealt == 0 && unseen.empty() && !comment.isEmpty())
        return QStringLiteral("a comment on no codes: ") + comment;
    return QString();
}

} // namespace

QString checkCrackInput(const std::uint8_t *data, std::size_t size)
{
    InputReader input(data, size);
    CrackOptions options;
    SearchSchedule &schedule = options.schedule;
    schedule.maxSearchedOccurrences = 8 + input.next();
    const int flags = input.next();
    const bool asGiven = flags & 1;
    const int lockCount = (flags >> 1) & 7;
    const int cribCount = (flags >> 4) & 3;
    schedule.unsearchedOccurrencesRead = 1 << (2 * (flags >> 6));
    const int searchByte = input.next();
    options.seed = quint64(searchByte & 15);
    const int clockReadings = searchByte >> 4;
    for (int i = 0; i < lockCount; ++i) {
        const int code = input.next() % 104 - 2;
        const int symbol = input.next() % 36 - 2;
        options.locks.push_back({ code, symbol });
    }
    for (int i = 0; i < cribCount; ++i) {
        QString crib;
        for (int length = input.next() % 8; length > 0; --length)
            crib += cribCharacter(input.next());
        options.cribs << crib;
    }
    QString text;
    while (!input.atEnd())
        text += cipherPiece(input.next());

    // One short restart: the rules hold for any key the search ends with.
    // It stops after a number of readings of the clock rather than of
    // milliseconds, so that an input always runs the same way; the hill
    // climbing at its end would otherwise take most of the time.
    options.jobs = 1;
    options.timeLimitSeconds = 1;
    std::atomic<int> readings { 0 };
    options.stopRequested = [&readings, clockReadings] { return ++readings > clockReadings; };
    schedule.maxRestarts = 1;
    schedule.annealWork = 0;
    schedule.minSteps = schedule.maxSteps = 64;
    schedule.groupMinSteps = schedule.groupStepsFloor = schedule.groupStepsCeiling = 64;
    schedule.clockEvery = 64;
    schedule.rareCodeLimit = 4;

    const CipherText cipher = readCipherText(text);
    std::array<int, CodeCount> counts {};
    for (const qint16 unit : cipher.units) {
        if (unit >= 0)
            ++counts[size_t(unit)];
    }

    const SearchedText searched(cipher, schedule);
    const std::vector<CrackOptionProblem> problems = crackOptionProblems(searched, options);
    QString failure = optionProblemsFailure(options, problems, counts);
    if (!failure.isEmpty())
        return failure;
    const CrackOptions sound = soundOptions(options, problems);
    const std::vector<CrackOptionProblem> again = crackOptionProblems(searched, sound);
    if (!again.empty())
        return QStringLiteral("%1 problems left in the sound options: ").arg(again.size()) + again.front().reason;

    const CrackResult result = crackHomophonic(cipher, builtInModel(), asGiven ? options : sound);
    failure = resultFailure(result, sound.locks, counts);
    if (!failure.isEmpty())
        return failure + QStringLiteral("\nprefix %1 of %2 codes").arg(schedule.maxSearchedOccurrences).arg(cipher.codeCount);
    return QString();
}
