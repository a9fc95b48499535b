// The attack off the window's thread: the solver runs on a thread of its own
// and talks to the window only through signals, queued to the worker's thread.
#pragma once

#include "ciphertext.h"
#include "solver.h"

#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <vector>

namespace Cryptanalysis {
class LanguageModel;
}

struct CrackRequest
{
    QString cipherText;
    quint64 seed = 1;
    double timeLimitSeconds = 10;
    std::vector<Cryptanalysis::CodeLock> locks; // codes the search must keep
    QStringList cribs;                          // words expected in the plaintext
};

class CrackWorker : public QObject
{
    Q_OBJECT

public:
    explicit CrackWorker(QObject *parent = nullptr);
    ~CrackWorker() override;

    // Why the text cannot be attacked, in Russian, or an empty string.
    static QString cipherTextProblem(const QString &text);

    // False (with the reason in *error) when the text cannot be attacked, a
    // lock or crib does not fit it (as the solver judges them), or a search
    // is already running.
    bool start(const CrackRequest &request, QString *error);
    // Ends the search at its next look at the clock; finished follows with
    // the best key so far.
    void stop();
    // From start until finished is emitted.
    bool isRunning() const { return m_running; }

    // The text that a result's key reads the ciphertext as.
    static QString plaintextOf(const Cryptanalysis::CrackResult &result, const QString &cipherText);

signals:
    void progressed(const Cryptanalysis::CrackProgress &progress);
    // stopped: Stop was pressed; error: the model could not be loaded.
    void finished(const Cryptanalysis::CrackResult &result, bool stopped, const QString &error);

private:
    struct Outcome
    {
        Cryptanalysis::CrackResult result;
        QString error;
    };

    void deliver();

    QFutureWatcher<Outcome> m_watcher;
    bool m_running = false;
    std::atomic<bool> m_stopRequested { false };
    std::shared_ptr<Cryptanalysis::LanguageModel> m_model;
};

// For signals queued between threads and for QSignalSpy.
Q_DECLARE_METATYPE(Cryptanalysis::CrackProgress)
Q_DECLARE_METATYPE(Cryptanalysis::CrackResult)
