#include "familyattackworker.h"

#include "crackworker.h"
#include "labcipher.h"
#include "languagemodel.h"

#include <QtConcurrent>

using namespace Cryptanalysis;

namespace {

// As much of the best plaintext as the editor shows while the search runs.
constexpr int ShownPlaintextLength = 3000;

QString decipher(const QString &text, const SymbolKey &key)
{
    LabCipherRequest request;
    request.direction = LabCipherRequest::Direction::Decrypt;
    request.symbolKey = key;
    return cipherWholeText(text, request);
}

} // namespace

FamilyAttackWorker::FamilyAttackWorker(std::shared_ptr<LanguageModel> model, QObject *parent)
    : QObject(parent)
    , m_model(std::move(model))
{
    connect(&m_watcher, &QFutureWatcher<Outcome>::finished, this, &FamilyAttackWorker::deliver);
}

FamilyAttackWorker::~FamilyAttackWorker()
{
    stop();
    m_watcher.waitForFinished();
}

bool FamilyAttackWorker::start(const CipherFamily &family, const FamilyAttackRequest &request, QString *error)
{
    if (isRunning()) {
        *error = QStringLiteral("вскрытие уже идёт");
        return false;
    }
    FamilyAttackOptions options;
    options.seed = request.seed;
    options.timeLimitSeconds = request.timeLimitSeconds;
    options.locks = request.locks;
    options.cribs = request.cribs;
    m_stopRequested = false;
    m_running = true;
    options.stopRequested = [this] { return m_stopRequested.load(std::memory_order_relaxed); };
    // Queued to this object's thread; the destructor waits for the search,
    // so the worker outlives every call.
    const QString start = request.cipherText.left(ShownPlaintextLength);
    options.progress = [this, start](double seconds, const SymbolKey &key, double score) {
        const QString plaintext = decipher(start, key);
        QMetaObject::invokeMethod(
            this, [this, seconds, score, plaintext] { emit progressed(seconds, score, plaintext); },
            Qt::QueuedConnection);
    };
    m_watcher.setFuture(QtConcurrent::run(&FamilyAttackWorker::search, &family, request.cipherText, options, m_model));
    return true;
}

FamilyAttackWorker::Outcome FamilyAttackWorker::search(const CipherFamily *family, const QString &text,
                                                       const FamilyAttackOptions &options,
                                                       const std::shared_ptr<LanguageModel> &model)
{
    Outcome outcome;
    outcome.refusal = CrackWorker::missingCipherText(text);
    if (outcome.refusal.isEmpty())
        outcome.refusal = family->attackOptionProblems(text, options).join(QStringLiteral("; "));
    if (!outcome.refusal.isEmpty())
        return outcome;
    QString error;
    if (!model->isValid() && !model->loadBuiltIn(&error)) {
        outcome.error = QStringLiteral("модель языка не загружена: ") + error;
        return outcome;
    }
    outcome.result = family->attack(text, *model, options);
    if (!outcome.result.succeeded()) {
        outcome.refusal = outcome.result.problem;
        return outcome;
    }
    if (!outcome.result.family)
        outcome.result.family = family;
    outcome.plaintext = decipher(text, outcome.result.key);
    return outcome;
}

void FamilyAttackWorker::stop()
{
    m_stopRequested = true;
}

void FamilyAttackWorker::deliver()
{
    const Outcome outcome = m_watcher.result();
    m_running = false;
    if (!outcome.refusal.isEmpty())
        emit refused(outcome.refusal);
    else
        emit finished(outcome.result, outcome.plaintext, m_stopRequested.load(), outcome.error);
}
