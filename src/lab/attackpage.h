// The attack: a ciphertext, the solver's progress against its time limit,
// the best plaintext so far, and the key it found. Homophonic substitution
// has its own search, with codes fixed in its found table; every other
// family is attacked through the family list.
#pragma once

#include "crackworker.h"
#include "familyattackworker.h"
#include "familyidentification.h"

#include <QFutureWatcher>
#include <QKeySequence>
#include <QWidget>

#include <map>
#include <memory>
#include <optional>

class KeyPage;
class KeyTableModel;
class QAction;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QStackedWidget;
class QTextDocument;
class QToolButton;
class QPushButton;
class SymbolAttackPanel;
class TextPane;

class AttackPage : public QWidget
{
    Q_OBJECT

public:
    explicit AttackPage(KeyPage *keys, QWidget *parent = nullptr);
    ~AttackPage() override;

    TextPane *cipherPane() const { return m_cipher; }
    CrackWorker *worker() const { return m_worker; }
    FamilyAttackWorker *familyWorker() const { return m_familyWorker; }
    bool isRunning() const { return m_worker->isRunning() || m_familyWorker->isRunning(); }
    // For the window's menu; the page's buttons trigger the same actions.
    QAction *startAction() const { return m_startAction; }
    QAction *continueAction() const { return m_continueAction; }
    QAction *stopAction() const { return m_stopAction; }
    QAction *saveFoundKeyAction() const { return m_saveKeyAction; }
    QAction *identifyAction() const { return m_identifyAction; }
    const std::optional<Cryptanalysis::CrackResult> &result() const { return m_result; }
    const std::optional<FamilyAttackResult> &familyResult() const { return m_familyResult; }

    // Codes the user fixed to symbols: code -> row of the table.
    const std::map<int, int> &locks() const { return m_locks; }
    // Fixes code to the symbol of row (or frees it, for row -1).
    void setLock(int code, int row);

public slots:
    // A new search: the locks are forgotten.
    void startAttack();
    // The search again, keeping the locks.
    void continueAttack();
    void stopAttack();
    void saveFoundKey();
    // Which family the ciphertext is, off the window's thread; the family
    // selector then shows the most likely one.
    void identifyCipher();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // What a refused search puts back.
    struct Shown
    {
        std::map<int, int> locks;
        QString summary;
        int progress = 0;
        QString progressFormat;
    };

    QAction *addAction(const QString &text, const QKeySequence &shortcut, const QString &name, const QString &tip);
    void run(const std::map<int, int> &locks);
    void runFamily(quint64 seed);
    QStringList cribs() const;
    std::optional<quint64> seed();
    void beginRun();
    void refuse(const QString &reason);
    void askLock(int code);
    void showLocks();
    void showProgress(const Cryptanalysis::CrackProgress &progress);
    void showResult(const Cryptanalysis::CrackResult &result, const QString &plaintext, bool stopped,
                    const QString &error);
    void showFamilyProgress(double seconds, double score, const QString &plaintextStart);
    void showFamilyResult(const FamilyAttackResult &result, const QString &plaintext, bool stopped,
                          const QString &error);
    void showFinishedProgress(double seconds, bool stopped);
    void layOutPlaintext(const QString &plaintext);
    void useFoundKey();
    bool hasFoundKey() const;
    void setRunning(bool running);
    void followFamily();
    void showFoundPlaintext();
    void dropPlaintextLayout();
    void showIdentification();

    KeyPage *m_keys;
    // One model for both searches, loaded once.
    std::shared_ptr<Cryptanalysis::LanguageModel> m_model;
    CrackWorker *m_worker;
    FamilyAttackWorker *m_familyWorker;
    TextPane *m_cipher;
    QDoubleSpinBox *m_timeLimit;
    QLineEdit *m_seed;
    QAction *m_startAction;
    QAction *m_continueAction;
    QAction *m_stopAction;
    QAction *m_saveKeyAction;
    QAction *m_identifyAction;
    QLineEdit *m_crib;
    QLabel *m_lockList;
    QPushButton *m_useKey;
    QProgressBar *m_progress;
    QPlainTextEdit *m_plaintext;
    QLabel *m_summary;
    QToolButton *m_continueButton;
    QStackedWidget *m_found;
    QWidget *m_foundTable;
    SymbolAttackPanel *m_symbolPanel;
    KeyTableModel *m_foundKey;
    std::optional<Cryptanalysis::CrackResult> m_result;
    std::optional<FamilyAttackResult> m_familyResult;
    std::map<int, int> m_locks;
    Shown m_beforeRun;
    // The found plaintext, laid out off the window's thread.
    QFutureWatcher<QTextDocument *> m_plaintextLayout;
    bool m_layingOut = false;
    // The identification's own model (it reads only the symbol counts),
    // loaded by its first run, so that it never races the attacks' loading.
    std::shared_ptr<Cryptanalysis::LanguageModel> m_identifyModel;
    QFutureWatcher<Cryptanalysis::FamilyIdentification> m_identification;
};
