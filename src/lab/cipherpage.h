// Encrypt and decrypt: plaintext and ciphertext side by side, the key's k
// and the choice of codes, ciphered off the window's thread.
#pragma once

#include <QFutureWatcher>
#include <QWidget>

class KeyPage;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTextDocument;
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
    void followKeyWidth();
    void run(bool encrypting);
    void showResult();

    KeyPage *m_keys;
    TextPane *m_plain;
    TextPane *m_cipher;
    QSpinBox *m_key;
    QComboBox *m_choice;
    QLineEdit *m_seed;
    QPushButton *m_encrypt;
    QPushButton *m_decrypt;
    QAction *m_attack;
    QLabel *m_state;
    QFutureWatcher<QTextDocument *> m_watcher;
    bool m_encrypting = true;
    bool m_busy = false;
    int m_widestRow = 3;
};
