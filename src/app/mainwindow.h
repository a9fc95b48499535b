#pragma once

#include "homophonic.h"

#include <QMainWindow>
#include <QString>

namespace Ui {
class MainWindow;
}

// The one window of the program: a text editor and the cipher menus.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

private slots:
    void actionTriggered();
    void on_action_triggered();
    void on_action_2_triggered();
    void on_action_3_triggered();
    void on_action_4_triggered();
    void on_action_6_triggered();
    void on_action_9_triggered();
    void on_action_10_triggered();
    void on_action_11_triggered();
    void on_action_12_triggered();
    void on_action_13_triggered();
    void on_action_14_triggered();
    void on_action_15_triggered();
    void on_action_16_triggered();
    void on_action_7_triggered();
    void on_action_8_triggered();
    void fullTableHR();

private:
    void enableDocumentControls();
    void warnNotImplemented();

    // Document files. Each routine reports its own error and tells
    // whether it succeeded.
    bool loadFile(const QString &path);
    bool saveFile(const QString &path);
    void reportFileError(const QString &message, const QString &path, const QString &reason);
    QString editorLastLine() const;

    QString plainText;
    QString cipherText;
    // Stays 0 until a key dialog is accepted, so a first cancelled dialog
    // ciphers nothing.
    int alphabetCount = 0;
    HomophoneTable tableHR;
    QString fileName;
    Ui::MainWindow *ui;
};
