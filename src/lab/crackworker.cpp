#include "crackworker.h"

#include "frequencycount.h"
#include "keytable.h"
#include "languagemodel.h"

#include <QtConcurrent>

using namespace Cryptanalysis;

namespace {

// A few screens of the best plaintext while the search runs: the editor
// shows no more, and a longer start would only be decoded to be thrown away.
constexpr int ShownPlaintextLength = 3000;

} // namespace

CrackWorker::CrackWorker(QObject *parent, std::shared_ptr<LanguageModel> model)
    : QObject(parent)
    , m_model(std::move(model))
{
    connect(&m_watcher, &QFutureWatcher<Outcome>::finished, this, &CrackWorker::deliver);
}

CrackWorker::~CrackWorker()
{
    stop();
    m_watcher.waitForFinished();
}

QString CrackWorker::missingCipherText(const QString &text)
{
    if (text.trimmed().isEmpty())
        return QStringLiteral("шифртекста нет: вставьте или откройте шифртекст");
    return QString();
}

QString CrackWorker::cipherTextProblem(const QString &text)
{
    if (const QString missing = missingCipherText(text); !missing.isEmpty())
        return missing;
    CodeTokenTally tally;
    tally.addText(text);
    if (!tally.looksLikeCipher()) {
        return QStringLiteral("это не шифртекст: двузначных кодов меньше %1 % слов (%2 из %3)")
            .arg(CodeTokenTally::MinCodePercent)
            .arg(tally.codeTokens())
            .arg(tally.tokens());
    }
    return QString();
}

bool CrackWorker::start(const CrackRequest &request, QString *error)
{
    if (isRunning()) {
        *error = QStringLiteral("вскрытие уже идёт");
        return false;
    }
    CrackOptions options;
    options.seed = request.seed;
    options.timeLimitSeconds = request.timeLimitSeconds;
    options.locks = request.locks;
    options.cribs = request.cribs;
    options.progressPlaintextLength = ShownPlaintextLength;
    m_stopRequested = false;
    m_running = true;
    if (!m_model)
        m_model = std::make_shared<LanguageModel>();

    options.stopRequested = [this] { return m_stopRequested.load(std::memory_order_relaxed); };
    // Queued to this object's thread; the destructor waits for the search,
    // so the worker outlives every call.
    options.progress = [this](const CrackProgress &progress) {
        QMetaObject::invokeMethod(this, [this, progress] { emit progressed(progress); }, Qt::QueuedConnection);
    };
    m_watcher.setFuture(QtConcurrent::run(&CrackWorker::search, request.cipherText, options, m_model));
    return true;
}

// Runs on the search's thread: the text is read once, for the checks, the
// search and the plaintext.
CrackWorker::Outcome CrackWorker::search(const QString &text, const CrackOptions &options,
                                         const std::shared_ptr<LanguageModel> &model)
{
    Outcome outcome;
    outcome.refusal = cipherTextProblem(text);
    if (!outcome.refusal.isEmpty())
        return outcome;
    const CipherText cipher = readCipherText(text);
    outcome.refusal = optionProblems(cipher, options);
    if (!outcome.refusal.isEmpty())
        return outcome;
    QString error;
    if (!model->isValid() && !model->loadBuiltIn(&error)) {
        outcome.error = QStringLiteral("модель языка не загружена: ") + error;
        return outcome;
    }
    outcome.result = crackHomophonic(cipher, *model, options);
    outcome.plaintext = cipher.plaintext(outcome.result.symbolOfCode);
    return outcome;
}

QString CrackWorker::optionProblems(const CipherText &cipher, const CrackOptions &options)
{
    QStringList reasons;
    for (const CrackOptionProblem &problem : crackOptionProblems(cipher, options)) {
        const QString what = problem.kind == CrackOptionProblem::Kind::Lock
            ? QStringLiteral("закреплённый код %1").arg(codeText(options.locks.at(size_t(problem.index)).code))
            : QStringLiteral("подсказка «%1»").arg(options.cribs.at(problem.index));
        reasons << what + QStringLiteral(": ") + problem.reason;
    }
    return reasons.join(QStringLiteral("; "));
}

void CrackWorker::stop()
{
    m_stopRequested = true;
}

void CrackWorker::deliver()
{
    const Outcome outcome = m_watcher.result();
    m_running = false;
    if (!outcome.refusal.isEmpty())
        emit refused(outcome.refusal);
    else
        emit finished(outcome.result, outcome.plaintext, m_stopRequested.load(), outcome.error);
}
