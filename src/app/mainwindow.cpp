#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QMessageBox>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
{
    ui->setupUi(this);

    // Nothing can be typed, ciphered or saved until New or Open.
    ui->textEdit->setDisabled(true);
    QAction *exitAction = ui->menuBar->addAction(QStringLiteral("Выход"));
    connect(exitAction, &QAction::triggered, this, &MainWindow::actionTriggered);
    ui->menu_2->setDisabled(true);
    ui->menu_3->setDisabled(true);
    ui->action_8->setEnabled(false);
    ui->action_3->setEnabled(false);
    ui->action_4->setEnabled(false);
}

MainWindow::~MainWindow()
{
    delete ui;
}

void MainWindow::actionTriggered()
{
    close();
}

void MainWindow::on_action_triggered()
{
    ui->textEdit->clear();
    plainText = QLatin1String("");
    cipherText = QLatin1String("");
    enableDocumentControls();
    ui->textEdit->setFocus();
}

// Everything but Save, which needs a file that Open chose.
void MainWindow::enableDocumentControls()
{
    ui->textEdit->setEnabled(true);
    ui->menu_2->setEnabled(true);
    ui->menu_3->setEnabled(true);
    ui->action_8->setEnabled(true);
    ui->action_4->setEnabled(true);
}

void MainWindow::on_action_6_triggered()
{
    close();
}

void MainWindow::on_action_9_triggered()
{
    warnNotImplemented();
}

void MainWindow::on_action_11_triggered()
{
    warnNotImplemented();
}

void MainWindow::on_action_12_triggered()
{
    warnNotImplemented();
}

void MainWindow::on_action_13_triggered()
{
    warnNotImplemented();
}

void MainWindow::on_action_15_triggered()
{
    warnNotImplemented();
}

void MainWindow::on_action_16_triggered()
{
    warnNotImplemented();
}

void MainWindow::on_action_7_triggered()
{
    QMessageBox::information(this, QStringLiteral("О программе"),
                             QStringLiteral("Программа реализует метод шифрования сообщения с помощью "
                                            "гомофонической замены.\n"
                                            "Разработка: команда проекта, 2026 г.\n"),
                             QMessageBox::Ok, QMessageBox::NoButton);
}

void MainWindow::on_action_8_triggered()
{
    QMessageBox::information(
        this, QStringLiteral("Помощь"),
        QStringLiteral("Гомофоническая замена.\n"
                       "В гомофонической замене одному символу открытого текста ставит в соответствие "
                       "несколько символов шифротекста, которые чередуются по мере повторения.\n"
                       "Существует таблица, устанавливающая соответствие символов открытого алфавита  "
                       "и чисел закрытых алфавитов.\n"
                       "Вид таблицы гомофонической замены и количество закрытых алфавитов являются "
                       "ключом шифра гомофонической замены.\n"),
        QMessageBox::Ok, QMessageBox::NoButton);
}

void MainWindow::warnNotImplemented()
{
    QMessageBox::warning(this, QStringLiteral("Предупреждение"),
                         QStringLiteral("Указанный метод не реализован"), QMessageBox::Ok,
                         QMessageBox::NoButton);
}
