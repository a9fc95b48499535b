// crack and model: breaking the cipher without its key, and building the
// language model that the attack scores Russian text by.
#include "commandline.h"
#include "commands.h"
#include "filecipher.h"
#include "frequencycount.h"
#include "frequencyreport.h"
#include "keytable.h"
#include "languagemodel.h"
#include "textfile.h"
#include "solver.h"
#include "textencoding.h"

#include <QBuffer>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>

#include <optional>

#include <unistd.h>

namespace {

using namespace Cryptanalysis;

// Ciphertexts far beyond what the attack needs would only take its time.
constexpr qint64 MaxCipherTextBytes = qint64(16) << 20;
// The search reads its clock in milliseconds.
constexpr qint64 MinTimeLimitMs = 1;
constexpr qint64 MaxTimeLimitMs = qint64(24) * 60 * 60 * 1000;

std::optional<double> chosenTimeLimit(const Invocation &invocation)
{
    if (!invocation.isSet(invocation.options.timeLimit))
        return 10.0;
    const std::optional<qint64> milliseconds
        = chosenMilliseconds(invocation, invocation.options.timeLimit, QStringLiteral("лимит времени должен"),
                             MinTimeLimitMs, MaxTimeLimitMs);
    if (!milliseconds)
        return std::nullopt;
    return *milliseconds / 1000.0;
}

// "17=О": two digits, '=', one symbol of the table (␣ or a space for the
// space, a letter in either case). A lock written otherwise is reported
// with its value; the checks against the ciphertext come later.
std::optional<CodeLock> parsedLock(const QString &value)
{
    const auto refuse = [&value](const QString &reason) {
        usageError(QStringLiteral("параметр --lock %1: %2").arg(quoted(value), reason));
        return std::nullopt;
    };
    const int equals = value.indexOf(QLatin1Char('='));
    if (equals < 0)
        return refuse(QStringLiteral("ожидается КОД=СИМВОЛ, например 17=О"));
    const QString code = value.left(equals);
    const QString symbol = value.mid(equals + 1);
    const auto digit = [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); };
    if (code.size() != 2 || !digit(code.at(0)) || !digit(code.at(1)))
        return refuse(QStringLiteral("код должен быть двузначным, от 00 до 99"));
    const QChar openBox(0x2423);
    const int row = symbol == QString(openBox) ? 0 : (symbol.size() == 1 ? symbolOf(symbol.at(0)) : -1);
    if (row < 0)
        return refuse(QStringLiteral("символ должен быть один из таблицы: пробел (␣) или заглавная буква без Ё и Й"));
    CodeLock lock;
    lock.code = (code.at(0).unicode() - '0') * 10 + (code.at(1).unicode() - '0');
    lock.symbol = row;
    return lock;
}

bool loadModel(const Invocation &invocation, LanguageModel &model)
{
    QString error;
    const bool loaded = invocation.isSet(invocation.options.model)
        ? model.load(invocation.value(invocation.options.model), &error)
        : model.loadBuiltIn(&error);
    if (!loaded)
        reportError(QStringLiteral("модель языка не загружена: ") + error);
    return loaded;
}

QString choiceDescription(ChoiceMode choice)
{
    switch (choice) {
    case ChoiceMode::Cyclic:
        return QStringLiteral("по очереди (коды символа чередуются по кругу)");
    case ChoiceMode::Random:
        return QStringLiteral("случайный (коды не чередуются по кругу)");
    case ChoiceMode::NotShown:
        break;
    }
    return QStringLiteral("не виден (у символов по одному коду)");
}


// The search's progress on a terminal: time, restarts, the best score and
// the start of the best plaintext so far.
class CrackProgressLine
{
public:
    explicit CrackProgressLine(bool enabled)
        : m_enabled(enabled)
    {
    }

    void show(const CrackProgress &progress)
    {
        if (progress.plaintextChanged) {
            m_start = progress.bestPlaintext.left(60);
            m_start.replace(QLatin1Char('\n'), QLatin1Char(' '));
        }
        if (!m_enabled || progress.elapsedSeconds < 1.0)
            return;
        m_line.show(QStringLiteral("%1 с, перезапусков %2, оценка %3: %4")
                        .arg(decimalText(progress.elapsedSeconds, 1))
                        .arg(progress.restarts)
                        .arg(decimalText(progress.bestScore, 3), m_start));
    }

    void clear() { m_line.clear(); }

private:
    bool m_enabled;
    QString m_start;
    TerminalLine m_line;
};

} // namespace

int runCrack(const Invocation &invocation)
{
    const Options &options = invocation.options;
    int status = Success;
    const TextEncoding *encoding = chosenEncoding(invocation, status);
    if (!encoding)
        return status;
    bool ok = true;
    const std::optional<quint64> seed = chosenSeed(invocation, ok);
    if (!ok)
        return UsageError;
    const std::optional<double> timeLimit = chosenTimeLimit(invocation);
    if (!timeLimit)
        return UsageError;

    std::vector<CodeLock> locks;
    for (const QString &value : invocation.parser.values(options.lock)) {
        const std::optional<CodeLock> lock = parsedLock(value);
        if (!lock)
            return UsageError;
        locks.push_back(*lock);
    }
    int jobs = 0;
    if (invocation.isSet(options.jobs)) {
        jobs = chosenJobs(invocation);
        if (jobs == 0)
            return UsageError;
    }

    LanguageModel model;
    if (!loadModel(invocation, model))
        return FileError;

    QFile input;
    if (!openInput(invocation, input))
        return FileError;
    const QByteArray bytes = input.read(MaxCipherTextBytes + 1);
    if (input.error() != QFileDevice::NoError) {
        reportReadFailure(invocation, input);
        return FileError;
    }
    const QString inputName = describeInput(invocation.value(options.input));
    if (bytes.size() > MaxCipherTextBytes) {
        reportError(inputName + QStringLiteral(": шифртекст длиннее %1 МиБ, столько для вскрытия не нужно")
                        .arg(MaxCipherTextBytes >> 20));
        return FileError;
    }

    // Read as decryption reads it: a byte-order mark decides the encoding.
    const QString decoded = decodeTextBytes(bytes, *encoding).text;
    const CipherText cipher = readCipherText(decoded);
    if (cipher.tokenCount == 0) {
        reportError(inputName + QStringLiteral(": шифртекста нет, вскрывать нечего"));
        return FileError;
    }
    CodeTokenTally tally;
    tally.addText(decoded);
    if (!tally.looksLikeCipher()) {
        reportError(inputName + QStringLiteral(": это не шифртекст: двузначных кодов меньше %1 % слов (%2 из %3)")
                        .arg(CodeTokenTally::MinCodePercent)
                        .arg(tally.codeTokens())
                        .arg(tally.tokens()));
        return FileError;
    }

    CrackOptions crackOptions;
    crackOptions.seed = seed.value_or(QRandomGenerator::system()->generate64());
    crackOptions.timeLimitSeconds = *timeLimit;
    crackOptions.jobs = jobs;
    crackOptions.locks = locks;
    crackOptions.cribs = invocation.parser.values(options.crib);
    const std::vector<CrackOptionProblem> problems = crackOptionProblems(cipher, crackOptions);
    if (!problems.empty()) {
        const QStringList lockValues = invocation.parser.values(options.lock);
        QStringList messages;
        for (const CrackOptionProblem &problem : problems) {
            const bool isLock = problem.kind == CrackOptionProblem::Kind::Lock;
            messages << QStringLiteral("параметр %1 %2: %3")
                            .arg(isLock ? QStringLiteral("--lock") : QStringLiteral("--crib"),
                                 quoted(isLock ? lockValues.at(problem.index) : crackOptions.cribs.at(problem.index)),
                                 problem.reason);
        }
        for (int i = 0; i + 1 < messages.size(); ++i)
            reportError(messages.at(i));
        return usageError(messages.last());
    }

    // Both outputs are opened before the attack: a run of seconds should not
    // end in a failure to write that was known from the start. Neither file
    // changes unless both are written whole.
    OutputTarget plaintext(invocation.value(options.output));
    if (!plaintext.open(invocation.closed))
        return FileError;
    std::optional<OutputTarget> keyOut;
    if (invocation.isSet(options.keyOut)) {
        keyOut.emplace(invocation.value(options.keyOut), OutputTarget::Readers::OwnerOnly);
        if (!keyOut->open(invocation.closed))
            return FileError;
    }

    CrackProgressLine progress(!invocation.isSet(options.quiet) && isatty(STDERR_FILENO));
    crackOptions.progress = [&progress](const CrackProgress &step) { progress.show(step); };
    QElapsedTimer timer;
    timer.start();
    const CrackResult result = crackHomophonic(cipher, model, crackOptions);
    progress.clear();

    // The plaintext as decryption prints it with the key found: every code
    // of every row, since the table holds only the codes that were seen.
    int longestRow = 1;
    for (const KeyRow &row : result.table)
        longestRow = qMax(longestRow, int(row.codes.size()));
    CipherJob job;
    job.direction = CipherJob::Direction::Decrypt;
    job.alphabetCount = longestRow;
    job.encoding = encoding;
    job.table = &result.table;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const CipherOutcome outcome = cipherLines(buffer, plaintext.device(), job);
    if (outcome.status == CipherOutcome::Status::WriteFailed) {
        plaintext.reportWriteFailure();
        return FileError;
    }
    if (keyOut) {
        QString comments = QStringLiteral("# Таблица восстановлена командой homophonic crack по шифртексту %1.\n")
                               .arg(inputName);
        comments += unseenCodesComment(result);
        const QString key = comments + keyFileText(result.table, QDateTime::currentDateTime());
        if (!keyOut->write(key.toUtf8()))
            return FileError;
    }
    if (!plaintext.flush() || (keyOut && !keyOut->flush()) || !plaintext.commit() || (keyOut && !keyOut->commit()))
        return FileError;

    reportError(QStringLiteral("таблица: %1; k = %2; выбор кодов: %3; оценка %4 нат на символ; время %5 с")
                    .arg(result.fixedTable     ? QStringLiteral("постоянная, как в окне")
                             : result.proportional ? QStringLiteral("восстановлена, коды в пропорции к частотам")
                                                   : QStringLiteral("восстановлена"))
                    .arg(result.alphabetCount)
                    .arg(choiceDescription(result.choice), decimalText(result.score, 3),
                         decimalText(timer.elapsed() / 1000.0, 2)));
    return Success;
}

int runModel(const Invocation &invocation)
{
    const Options &options = invocation.options;
    if (!invocation.isSet(options.corpus))
        return usageError(QStringLiteral("не указан корпус: --corpus ФАЙЛ (русский текст в UTF-8)"));
    if (!invocation.isSet(options.output))
        return usageError(QStringLiteral("не указан файл модели: --output ФАЙЛ"));

    QFile corpus(invocation.value(options.corpus));
    if (!corpus.open(QIODevice::ReadOnly)) {
        reportError(QStringLiteral("не удалось открыть ") + describeInput(corpus.fileName()) + QStringLiteral(": ")
                    + corpus.errorString());
        return FileError;
    }
    OutputTarget output(invocation.value(options.output));
    if (!output.open(invocation.closed))
        return FileError;

    NgramCounts counts;
    QString error;
    if (!counts.addCorpus(corpus, &error)) {
        reportError(describeInput(corpus.fileName()) + QStringLiteral(": ") + error);
        return FileError;
    }
    const LanguageModel model = LanguageModel::fromCounts(counts);
    if (!model.write(output.device(), &error)) {
        reportError(QStringLiteral("не удалось записать ") + output.description() + QStringLiteral(": ") + error);
        return FileError;
    }
    return output.finish() ? Success : FileError;
}
