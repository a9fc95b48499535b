// A family's attack off the window's thread, through the family list: the
// family judges its options, breaks the text and names its key; the worker
// deciphers the text with that key, as the encryption tab does, and talks to
// the window only through signals.
#pragma once

#include "cipherfamily.h"

#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>

namespace Cryptanalysis {
class LanguageModel;
}

struct FamilyAttackRequest
{
    QString cipherText;
    quint64 seed = 1;
    double timeLimitSeconds = 10;
    // As the user wrote them; the family reads them.
    QStringList locks;
    QStringList cribs;
};

class FamilyAttackWorker : public QObject
{
    Q_OBJECT

public:
    // model is loaded on the search's thread the first time it is needed.
    explicit FamilyAttackWorker(std::shared_ptr<Cryptanalysis::LanguageModel> model, QObject *parent = nullptr);
    ~FamilyAttackWorker() override;

    // False (with the reason in *error) when a search is already running.
    // The rest is judged on the search's thread: refused follows when the
    // text or an option does not fit the family or it has no attack,
    // finished otherwise.
    bool start(const CipherFamily &family, const FamilyAttackRequest &request, QString *error);
    // Ends the search at its next look at the clock; finished follows with
    // the best key so far.
    void stop();
    bool isRunning() const { return m_running; }

signals:
    // The best so far: its score and the start of the text as it reads it.
    void progressed(double seconds, double score, const QString &plaintextStart);
    // Nothing was searched; reason in Russian.
    void refused(const QString &reason);
    // plaintext: the whole ciphertext as the key reads it; stopped: Stop was
    // pressed; error: the model could not be loaded.
    void finished(const FamilyAttackResult &result, const QString &plaintext, bool stopped, const QString &error);

private:
    struct Outcome
    {
        QString refusal;
        FamilyAttackResult result;
        QString plaintext;
        QString error;
    };

    static Outcome search(const CipherFamily *family, const QString &text, const FamilyAttackOptions &options,
                          const std::shared_ptr<Cryptanalysis::LanguageModel> &model);
    void deliver();

    QFutureWatcher<Outcome> m_watcher;
    bool m_running = false;
    std::atomic<bool> m_stopRequested { false };
    std::shared_ptr<Cryptanalysis::LanguageModel> m_model;
};

Q_DECLARE_METATYPE(FamilyAttackResult)
