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
    // model is loaded on the search's thread the first time it is needed;
    // without one the worker makes its own.
    explicit CrackWorker(QObject *parent = nullptr, std::shared_ptr<Cryptanalysis::LanguageModel> model = {});
    ~CrackWorker() override;

    // Why the text cannot be attacked, in Russian, or an empty string.
    static QString cipherTextProblem(const QString &text);
    // The part of it that holds for every family: a text with nothing in it.
    static QString missingCipherText(const QString &text);

    // False (with the reason in *error) when a search is already running.
    // Everything else about the request is judged on the search's thread,
    // since reading a long ciphertext takes a while: refused follows when
    // the text cannot be attacked or a lock or crib does not fit it,
    // finished otherwise.
    bool start(const CrackRequest &request, QString *error);
    // Ends the search at its next look at the clock; finished follows with
    // the best key so far.
    void stop();
    // From start until finished or refused is emitted.
    bool isRunning() const { return m_running; }

signals:
    void progressed(const Cryptanalysis::CrackProgress &progress);
    // Nothing was searched; reason in Russian.
    void refused(const QString &reason);
    // plaintext: the whole ciphertext as the result's key reads it;
    // stopped: Stop was pressed; error: the model could not be loaded.
    void finished(const Cryptanalysis::CrackResult &result, const QString &plaintext, bool stopped,
                  const QString &error);

private:
    struct Outcome
    {
        QString refusal;
        Cryptanalysis::CrackResult result;
        QString plaintext;
        QString error;
    };

    static QString optionProblems(const Cryptanalysis::CipherText &cipher, const Cryptanalysis::CrackOptions &options);
    static Outcome search(const QString &text, const Cryptanalysis::CrackOptions &options,
                          const std::shared_ptr<Cryptanalysis::LanguageModel> &model);

    void deliver();

    QFutureWatcher<Outcome> m_watcher;
    bool m_running = false;
    std::atomic<bool> m_stopRequested { false };
    std::shared_ptr<Cryptanalysis::LanguageModel> m_model;
};

// For signals queued between threads and for QSignalSpy.
Q_DECLARE_METATYPE(Cryptanalysis::CrackProgress)
Q_DECLARE_METATYPE(Cryptanalysis::CrackResult)
