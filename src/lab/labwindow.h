// The lab: a second window beside the main one, where a learner makes a key,
// ciphers texts, watches their frequencies and breaks a ciphertext. Each task
// is a tab; this class holds the menus, the text files and the settings.
#pragma once

#include <QMainWindow>
#include <QPointer>

class AttackPage;
class CipherPage;
class FrequencyPage;
class KeyPage;
class QActionGroup;
class QComboBox;
class QTabWidget;
class TextEncoding;
class TextPane;

class LabWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit LabWindow(QWidget *parent = nullptr);
    ~LabWindow() override;

    KeyPage *keyPage() const { return m_keys; }
    CipherPage *cipherPage() const { return m_cipher; }
    FrequencyPage *frequencyPage() const { return m_frequencies; }
    AttackPage *attackPage() const { return m_attack; }
    // The text that Open and Save act on: the last one the user worked in.
    TextPane *activePane() const;

    // One load and one save routine for every text; each reports its own
    // error and returns whether it succeeded.
    bool loadText(TextPane *pane, const QString &path);
    bool saveText(TextPane *pane, const QString &path);

public slots:
    void openText();
    bool saveCurrentText();
    bool saveCurrentTextAs();
    // The ciphertext just made, to the attack's tab.
    void attackCipherText();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createMenus();
    void createFamilyBar();
    void followFamily();
    bool saveTextInteractively(TextPane *pane, bool askName);
    const TextEncoding *fileEncoding() const;
    void trackFocus(QWidget *now);
    void restoreSettings();

    QTabWidget *m_tabs;
    KeyPage *m_keys;
    CipherPage *m_cipher;
    FrequencyPage *m_frequencies;
    AttackPage *m_attack;
    QList<TextPane *> m_panes;
    QPointer<TextPane> m_active;
    QActionGroup *m_encodings = nullptr;
    QComboBox *m_family = nullptr;
    QMetaObject::Connection m_focusTracking;
};
