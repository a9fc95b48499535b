// The attack: a ciphertext, the solver's progress against its time limit,
// the best plaintext so far, and the key it found.
#pragma once

#include "crackworker.h"

#include <QElapsedTimer>
#include <QWidget>

#include <optional>

class KeyPage;
class KeyTableModel;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class TextPane;

class AttackPage : public QWidget
{
    Q_OBJECT

public:
    explicit AttackPage(KeyPage *keys, QWidget *parent = nullptr);

    TextPane *cipherPane() const { return m_cipher; }
    CrackWorker *worker() const { return m_worker; }
    const std::optional<Cryptanalysis::CrackResult> &result() const { return m_result; }

public slots:
    void startAttack();
    void stopAttack();
    void saveFoundKey();

private:
    void showProgress(const Cryptanalysis::CrackProgress &progress);
    void showResult(const Cryptanalysis::CrackResult &result, bool stopped, const QString &error);
    void setRunning(bool running);

    KeyPage *m_keys;
    CrackWorker *m_worker;
    TextPane *m_cipher;
    QDoubleSpinBox *m_timeLimit;
    QLineEdit *m_seed;
    QPushButton *m_start;
    QPushButton *m_stop;
    QPushButton *m_saveKey;
    QPushButton *m_useKey;
    QProgressBar *m_progress;
    QPlainTextEdit *m_plaintext;
    QLabel *m_summary;
    KeyTableModel *m_foundKey;
    QString m_attackedText;
    std::optional<Cryptanalysis::CrackResult> m_result;
};
