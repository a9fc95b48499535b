#include "crackworker.h"

#include "frequencycount.h"
#include "languagemodel.h"

#include <QtConcurrent>

using namespace Cryptanalysis;

CrackWorker::CrackWorker(QObject *parent)
    : QObject(parent)
{
    connect(&m_watcher, &QFutureWatcher<Outcome>::finished, this, &CrackWorker::deliver);
}

CrackWorker::~CrackWorker()
{
    stop();
    m_watcher.waitForFinished();
}

QString CrackWorker::cipherTextProblem(const QString &text)
{
    if (text.trimmed().isEmpty())
        return QStringLiteral("шифртекста нет: вставьте или откройте шифртекст");
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
    const QString problem = cipherTextProblem(request.cipherText);
    if (!problem.isEmpty()) {
        *error = problem;
        return false;
    }
    CrackOptions options;
    options.seed = request.seed;
    options.timeLimitSeconds = request.timeLimitSeconds;
    options.locks = request.locks;
    options.cribs = request.cribs;
    const std::vector<CrackOptionProblem> problems = crackOptionProblems(readCipherText(request.cipherText), options);
    if (!problems.empty()) {
        QStringList reasons;
        for (const CrackOptionProblem &problem : problems) {
            const QString what = problem.kind == CrackOptionProblem::Kind::Lock
                ? QStringLiteral("закреплённый код %1").arg(options.locks.at(size_t(problem.index)).code, 2, 10,
                                                             QLatin1Char('0'))
                : QStringLiteral("подсказка «%1»").arg(options.cribs.at(problem.index));
            reasons << what + QStringLiteral(": ") + problem.reason;
        }
        *error = reasons.join(QStringLiteral("; "));
        return false;
    }
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
    const std::shared_ptr<LanguageModel> model = m_model;
    const QString text = request.cipherText;
    m_watcher.setFuture(QtConcurrent::run([model, text, options] {
        Outcome outcome;
        QString error;
        if (!model->isValid() && !model->loadBuiltIn(&error)) {
            outcome.error = QStringLiteral("модель языка не загружена: ") + error;
            return outcome;
        }
        outcome.result = crackHomophonic(readCipherText(text), *model, options);
        return outcome;
    }));
    return true;
}

void CrackWorker::stop()
{
    m_stopRequested = true;
}

QString CrackWorker::plaintextOf(const CrackResult &result, const QString &cipherText)
{
    return readCipherText(cipherText).plaintext(result.symbolOfCode);
}

void CrackWorker::deliver()
{
    const Outcome outcome = m_watcher.result();
    m_running = false;
    emit finished(outcome.result, m_stopRequested.load(), outcome.error);
}
