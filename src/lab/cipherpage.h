// Encrypt and decrypt: plaintext and ciphertext side by side, ciphered off
// the window's thread; for homophonic substitution the key's k and the choice
// of codes, for a symbol family its key drawn below, marking how the symbol
// at the plaintext's cursor was enciphered.
#pragma once

#include "stepfinder.h"

#include <QFutureWatcher>
#include <QWidget>

class KeyPage;
class PolygramKeyView;
struct LabCipherRequest;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTextDocument;
class SymbolKeyView;
class TextPane;

class CipherPage : public QWidget
{
    Q_OBJECT

public:
    explicit CipherPage(KeyPage *keys, QWidget *parent = nullptr);
    ~CipherPage() override;

    TextPane *plainPane() const { return m_plain; }
    TextPane *cipherPane() const { return m_cipher; }
    // From the press of a button until its result is shown.
    bool isBusy() const { return m_busy; }
    // Hands the ciphertext to the attack; the window carries it over.
    QAction *attackAction() const { return m_attack; }

public slots:
    void encrypt();
    void decrypt();

signals:
    void ciphered();

private:
    void followFamily();
    void followSymbolKey();
    void showStep();
    // A block cipher's block at the plaintext's position, marked in both
    // texts and in the drawing of the key.
    void showBlockStep(int position);
    void markBlock(const std::optional<BlockStep> &step, int lineNumber, int linePosition);
    void followKeyWidth();
    void run(bool encrypting);
    bool hasCipherText(const QString &text);
    // The key in the request, or a message why there is none.
    bool takeTable(bool encrypting, LabCipherRequest &request);
    bool takeSymbolKey(bool encrypting, LabCipherRequest &request);
    void start(bool encrypting, const QString &text, const LabCipherRequest &request);
    void showResult();

    KeyPage *m_keys;
    TextPane *m_plain;
    TextPane *m_cipher;
    QSpinBox *m_key;
    QComboBox *m_choice;
    QLineEdit *m_seed;
    QWidget *m_homophonicControls;
    SymbolKeyView *m_keyView;
    PolygramKeyView *m_blockView;
    StepFinder m_steps;
    QPushButton *m_encrypt;
    QPushButton *m_decrypt;
    QAction *m_attack;
    QLabel *m_state;
    QFutureWatcher<QTextDocument *> m_watcher;
    bool m_encrypting = true;
    QString m_doneText; // for the state line when the result is shown
    bool m_busy = false;
    int m_widestRow = 3;
};
