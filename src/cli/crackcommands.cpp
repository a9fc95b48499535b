// crack and model: breaking the cipher without its key, and building the
// language model that the attack scores Russian text by.
#include "commandline.h"
#include "commands.h"
#include "familyoptions.h"
#include "filecipher.h"
#include "frequencycount.h"
#include "frequencyreport.h"
#include "identificationreport.h"
#include "keytable.h"
#include "languagemodel.h"
#include "textfile.h"
#include "solver.h"
#include "textencoding.h"

#include <QBuffer>
#include <QCoreApplication>
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
    if (!invocation.isSet("time-limit"))
        return 10.0;
    const std::optional<qint64> milliseconds = chosenMilliseconds(
        invocation, "time-limit", QStringLiteral("лимит времени должен"), MinTimeLimitMs, MaxTimeLimitMs);
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

// Every option of crack, read before the search starts.
struct CrackSettings
{
    const CipherFamily *family = nullptr;
    TextEncoding::Kind encoding = TextEncoding::Kind::Windows1251;
    std::optional<quint64> seed;
    double timeLimitSeconds = 10.0;
    std::vector<CodeLock> locks;
    // The locks as written, for messages about them.
    QStringList lockValues;
    QStringList cribs;
    // 0: the search's own choice.
    int jobs = 0;
    // Empty: the built-in model.
    QString modelFile;
    // Empty: the standard streams.
    QString inputFile;
    QString outputFile;
    std::optional<QString> keyOutFile;
    bool quiet = false;
};

std::optional<CrackSettings> chosenCrackSettings(const Invocation &invocation)
{
    CrackSettings settings;
    const std::optional<const CipherFamily *> family = chosenFamily(invocation);
    if (!family)
        return std::nullopt;
    settings.family = *family;
    const std::optional<TextEncoding::Kind> encoding = chosenEncoding(invocation);
    if (!encoding)
        return std::nullopt;
    settings.encoding = *encoding;
    if (invocation.isSet("seed")) {
        settings.seed = chosenSeed(invocation);
        if (!settings.seed)
            return std::nullopt;
    }
    const std::optional<double> timeLimit = chosenTimeLimit(invocation);
    if (!timeLimit)
        return std::nullopt;
    settings.timeLimitSeconds = *timeLimit;
    settings.lockValues = invocation.values("lock");
    // The other families read their own locks, against the ciphertext.
    for (const QString &value : settings.family->isHomophonic() ? settings.lockValues : QStringList()) {
        const std::optional<CodeLock> lock = parsedLock(value);
        if (!lock)
            return std::nullopt;
        settings.locks.push_back(*lock);
    }
    if (invocation.isSet("jobs")) {
        const std::optional<int> jobs = chosenJobs(invocation);
        if (!jobs)
            return std::nullopt;
        settings.jobs = *jobs;
    }
    settings.cribs = invocation.values("crib");
    settings.modelFile = invocation.value("model");
    settings.inputFile = invocation.value("input");
    settings.outputFile = invocation.value("output");
    if (invocation.isSet("key-out"))
        settings.keyOutFile = invocation.value("key-out");
    settings.quiet = invocation.isSet("quiet");
    return settings;
}

bool loadModel(const QString &fileName, LanguageModel &model)
{
    QString error;
    const bool loaded = fileName.isEmpty() ? model.loadBuiltIn(&error) : model.load(fileName, &error);
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

// The ciphertext's bytes, at most MaxCipherTextBytes; empty after a failure,
// which has been reported.
std::optional<QByteArray> readCipherBytes(const Invocation &invocation, const CrackSettings &settings)
{
    QFile input;
    if (!openInput(settings.inputFile, invocation.closed, input))
        return std::nullopt;
    const QByteArray bytes = input.read(MaxCipherTextBytes + 1);
    if (input.error() != QFileDevice::NoError) {
        reportReadFailure(settings.inputFile, input);
        return std::nullopt;
    }
    if (bytes.size() > MaxCipherTextBytes) {
        reportError(describeInput(settings.inputFile)
                    + QStringLiteral(": шифртекст длиннее %1 МиБ, столько для вскрытия не нужно")
                          .arg(MaxCipherTextBytes >> 20));
        return std::nullopt;
    }
    return bytes;
}

// Opens the plaintext's output and, when asked for, the key's: before the
// attack, so that a run of seconds does not end in a failure to write that
// was known from the start.
bool openCrackOutputs(const Invocation &invocation, const CrackSettings &settings, OutputTarget &plaintext,
                      std::optional<OutputTarget> &keyOut)
{
    if (!plaintext.open(invocation.closed))
        return false;
    if (settings.keyOutFile) {
        keyOut.emplace(*settings.keyOutFile, OutputTarget::Readers::OwnerOnly);
        if (!keyOut->open(invocation.closed))
            return false;
    }
    return true;
}

// Neither file changes unless both are written whole.
bool finishCrackOutputs(OutputTarget &plaintext, std::optional<OutputTarget> &keyOut)
{
    return plaintext.flush() && (!keyOut || keyOut->flush()) && plaintext.commit() && (!keyOut || keyOut->commit());
}

// A symbol family's attack: its locks and cribs checked against the
// ciphertext, the key found, the plaintext deciphered with it.
int crackSymbols(const Invocation &invocation, const CrackSettings &settings, const TextEncoding &encoding,
                 const LanguageModel &model, const QByteArray &bytes)
{
    const CipherFamily &family = *settings.family;
    const QString inputName = describeInput(settings.inputFile);
    const QString decoded = decodeTextBytes(bytes, encoding).text;
    if (Alphabet::indicesOf(decoded).empty()) {
        reportError(inputName + QStringLiteral(": в тексте нет ни одного символа алфавита, вскрывать нечего"));
        return FileError;
    }
    FamilyAttackOptions options;
    options.seed = settings.seed.value_or(QRandomGenerator::system()->generate64());
    options.timeLimitSeconds = settings.timeLimitSeconds;
    options.jobs = settings.jobs;
    options.locks = settings.lockValues;
    options.cribs = settings.cribs;
    const QStringList problems = family.attackOptionProblems(decoded, options);
    if (!problems.isEmpty()) {
        for (int i = 0; i + 1 < problems.size(); ++i)
            reportError(problems.at(i));
        return usageError(problems.last());
    }

    OutputTarget plaintext(settings.outputFile);
    std::optional<OutputTarget> keyOut;
    if (!openCrackOutputs(invocation, settings, plaintext, keyOut))
        return FileError;

    TerminalLine line;
    const bool showProgress = !settings.quiet && isatty(STDERR_FILENO);
    options.progress = [&](double seconds, const SymbolKey &key, double score) {
        if (showProgress && seconds >= 1.0)
            line.show(QStringLiteral("%1 с, оценка %2: %3")
                          .arg(decimalText(seconds, 1), decimalText(score, 3), family.keyText(key)));
    };
    const FamilyAttackResult result = family.attack(decoded, model, options);
    line.clear();
    if (!result.succeeded()) {
        reportError(inputName + QStringLiteral(": ") + result.problem);
        return FileError;
    }

    const SymbolCipher cipher(result.key);
    CipherJob job;
    job.direction = CipherJob::Direction::Decrypt;
    job.encoding = &encoding;
    job.symbolCipher = &cipher;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    if (cipherLines(buffer, plaintext.device(), job).status == CipherOutcome::Status::WriteFailed) {
        plaintext.reportWriteFailure();
        return FileError;
    }
    if (keyOut) {
        const QString key = QStringLiteral("# Ключ восстановлен командой %1 crack по шифртексту %2.\n")
                                .arg(QCoreApplication::applicationName(), inputName)
            + family.keyFileText(result.key, QDateTime::currentDateTime());
        if (!keyOut->write(key.toUtf8()))
            return FileError;
    }
    if (!finishCrackOutputs(plaintext, keyOut))
        return FileError;

    for (const QString &reason : result.reasons)
        reportError(reason);
    reportError(QStringLiteral("%1; %2; оценка %3 нат на символ%4; время %5 с%6")
                    .arg(family.title(), family.keyText(result.key), decimalText(result.score, 3),
                         result.readsAsRussian ? QString() : QStringLiteral(" (на русский текст не похоже)"),
                         decimalText(result.seconds, 2),
                         result.cutShort ? QStringLiteral(", поиск остановлен лимитом времени") : QString()));
    return Success;
}

// crack --identify: the ranking of the families, with what decided, as the
// command's output; no attack.
int identifyOnly(const CrackSettings &settings, const Invocation &invocation, const TextEncoding &encoding,
                 const LanguageModel &model, const QByteArray &bytes)
{
    const FamilyIdentification identification = identifyFamily(decodeTextBytes(bytes, encoding).text, model);
    if (!identification.succeeded()) {
        reportError(describeInput(settings.inputFile) + QStringLiteral(": ") + identification.problem);
        return FileError;
    }
    OutputTarget output(settings.outputFile);
    if (!output.open(invocation.closed))
        return FileError;
    const QString text = identificationRanking(identification).join(QLatin1Char('\n')) + QLatin1Char('\n');
    return output.write(text.toUtf8()) && output.finish() ? Success : FileError;
}

// crack without --cipher on a text of letters: the family is identified,
// said with its evidence, and attacked.
int crackIdentified(const Invocation &invocation, const CrackSettings &settings, const TextEncoding &encoding,
                    const LanguageModel &model, const QByteArray &bytes, const QString &decoded)
{
    const FamilyIdentification identification = identifyFamily(decoded, model);
    const CipherFamily *family = identifiedFamily(identification);
    if (!family || family->isHomophonic()) {
        reportError(describeInput(settings.inputFile) + QStringLiteral(": ")
                    + (identification.succeeded() ? QStringLiteral("шифр не определён") : identification.problem));
        return FileError;
    }
    for (const QString &reason : identificationReasons(identification))
        reportError(reason);
    CrackSettings identified = settings;
    identified.family = family;
    return crackSymbols(invocation, identified, encoding, model, bytes);
}

} // namespace

int runCrack(const Invocation &invocation)
{
    const std::optional<CrackSettings> settings = chosenCrackSettings(invocation);
    if (!settings)
        return UsageError;
    const TextEncoding *encoding = loadedEncoding(settings->encoding);
    if (!encoding)
        return FileError;

    LanguageModel model;
    if (!loadModel(settings->modelFile, model))
        return FileError;

    const std::optional<QByteArray> read = readCipherBytes(invocation, *settings);
    if (!read)
        return FileError;
    const QByteArray &bytes = *read;
    if (invocation.isSet("identify"))
        return identifyOnly(*settings, invocation, *encoding, model, bytes);
    if (!settings->family->isHomophonic())
        return crackSymbols(invocation, *settings, *encoding, model, bytes);
    const QString inputName = describeInput(settings->inputFile);

    // Read as decryption reads it: a byte-order mark decides the encoding.
    const QString decoded = decodeTextBytes(bytes, *encoding).text;
    const CipherText cipher = readCipherText(decoded);
    if (cipher.tokenCount == 0) {
        reportError(inputName + QStringLiteral(": шифртекста нет, вскрывать нечего"));
        return FileError;
    }
    CodeTokenTally tally;
    tally.addText(decoded);
    if (!tally.looksLikeCipher() && !invocation.isSet("cipher"))
        return crackIdentified(invocation, *settings, *encoding, model, bytes, decoded);
    if (!tally.looksLikeCipher()) {
        reportError(inputName + QStringLiteral(": это не шифртекст: двузначных кодов меньше %1 % слов (%2 из %3)")
                        .arg(CodeTokenTally::MinCodePercent)
                        .arg(tally.codeTokens())
                        .arg(tally.tokens()));
        return FileError;
    }

    CrackOptions crackOptions;
    crackOptions.seed = settings->seed.value_or(QRandomGenerator::system()->generate64());
    crackOptions.timeLimitSeconds = settings->timeLimitSeconds;
    crackOptions.jobs = settings->jobs;
    crackOptions.locks = settings->locks;
    crackOptions.cribs = settings->cribs;
    const std::vector<CrackOptionProblem> problems = crackOptionProblems(cipher, crackOptions);
    if (!problems.empty()) {
        QStringList messages;
        for (const CrackOptionProblem &problem : problems) {
            const bool isLock = problem.kind == CrackOptionProblem::Kind::Lock;
            messages << QStringLiteral("параметр %1 %2: %3")
                            .arg(isLock ? QStringLiteral("--lock") : QStringLiteral("--crib"),
                                 quoted(isLock ? settings->lockValues.at(problem.index)
                                               : settings->cribs.at(problem.index)),
                                 problem.reason);
        }
        for (int i = 0; i + 1 < messages.size(); ++i)
            reportError(messages.at(i));
        return usageError(messages.last());
    }

    OutputTarget plaintext(settings->outputFile);
    std::optional<OutputTarget> keyOut;
    if (!openCrackOutputs(invocation, *settings, plaintext, keyOut))
        return FileError;

    CrackProgressLine progress(!settings->quiet && isatty(STDERR_FILENO));
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
        QString comments = QStringLiteral("# Таблица восстановлена командой %1 crack по шифртексту %2.\n")
                               .arg(QCoreApplication::applicationName(), inputName);
        comments += unseenCodesComment(result);
        const QString key = comments + keyFileText(result.table, QDateTime::currentDateTime());
        if (!keyOut->write(key.toUtf8()))
            return FileError;
    }
    if (!finishCrackOutputs(plaintext, keyOut))
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
    if (!invocation.isSet("corpus"))
        return usageError(QStringLiteral("не указан корпус: --corpus ФАЙЛ (русский текст в UTF-8)"));
    if (!invocation.isSet("output"))
        return usageError(QStringLiteral("не указан файл модели: --output ФАЙЛ"));

    QFile corpus(invocation.value("corpus"));
    if (!corpus.open(QIODevice::ReadOnly)) {
        reportError(QStringLiteral("не удалось открыть ") + describeInput(corpus.fileName()) + QStringLiteral(": ")
                    + corpus.errorString());
        return FileError;
    }
    OutputTarget output(invocation.value("output"));
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
