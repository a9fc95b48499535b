// The file commands of the main window: Open, Save and Save As. Documents
// are plain text in Windows-1251, whatever the system's code page.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSaveFile>
#include <QTextCodec>
#include <QTextDocument>
#include <QTextStream>

namespace {

// Larger files are refused before reading, as the editor stops answering
// promptly (bench_editorload): at 16 MiB Open freezes the window for 0.65 s,
// a keystroke takes 0.16 s, and the first jump to the end, which the cipher
// commands make too, 3.2 s; from 24 MiB on that jump takes ten seconds.
constexpr qint64 MaxDocumentSize = 16 * 1024 * 1024;

QTextCodec *documentCodec()
{
    return QTextCodec::codecForName("Windows-1251");
}

} // namespace

void MainWindow::on_action_2_triggered()
{
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Open Dialog"), QString(),
                                                      QStringLiteral("*.txt"));
    if (path.isEmpty() || !loadFile(path))
        return;
    fileName = path;
    plainText = QLatin1String("");
    cipherText = QLatin1String("");
    enableDocumentControls();
    ui->action_3->setEnabled(true);
}

void MainWindow::on_action_3_triggered()
{
    saveFile(fileName);
}

void MainWindow::on_action_4_triggered()
{
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save Dialog"), QString(),
                                                      QStringLiteral("*.txt"));
    if (!path.isEmpty())
        saveFile(path);
}

bool MainWindow::loadFile(const QString &path)
{
    const QFileInfo info(path);
    const QString shownPath = QDir::toNativeSeparators(path);
    if (info.isFile() && info.size() > MaxDocumentSize) {
        QMessageBox::critical(this, QStringLiteral("Ошибка"),
                              QStringLiteral("Файл слишком большой для редактора:\n") + shownPath,
                              QMessageBox::Ok, QMessageBox::NoButton);
        return false;
    }

    // Only regular files: a pipe or a device can block or never end.
    QFile file(path);
    bool read = info.isFile() && file.open(QIODevice::ReadOnly);
    QString text;
    if (read) {
        QTextStream in(&file);
        in.setCodec(documentCodec());
        in.setAutoDetectUnicode(true);
        text = in.readAll();
        read = file.error() == QFileDevice::NoError;
    }
    if (!read) {
        QMessageBox::critical(this, QStringLiteral("Ошибка"),
                              QStringLiteral("Не удалось открыть файл:\n") + shownPath,
                              QMessageBox::Ok, QMessageBox::NoButton);
        return false;
    }

    // Never as rich text: a file that looks like HTML would lose its tags.
    ui->textEdit->setPlainText(text);
    return true;
}

bool MainWindow::saveFile(const QString &path)
{
    const QString line = editorLastLine();
    QTextCodec *codec = documentCodec();

    // QSaveFile keeps the old file whole until the new text is complete, so
    // a failed or interrupted save loses nothing.
    QSaveFile file(path);
    bool saved = file.open(QIODevice::WriteOnly);
    if (saved) {
        QTextStream out(&file);
        out.setCodec(codec);
        out << line;
        out.flush();
        saved = file.commit();
    }
    if (!saved) {
        QMessageBox::critical(this, QStringLiteral("Ошибка"),
                              QStringLiteral("Не удалось сохранить файл:\n")
                                  + QDir::toNativeSeparators(path),
                              QMessageBox::Ok, QMessageBox::NoButton);
        return false;
    }

    if (codec->toUnicode(codec->fromUnicode(line)) != line) {
        QMessageBox::warning(this, QStringLiteral("Предупреждение"),
                             QStringLiteral("Некоторые символы нельзя записать в кодировке "
                                            "Windows-1251; они заменены знаком «?»."),
                             QMessageBox::Ok, QMessageBox::NoButton);
    }
    return true;
}

// toPlainText() turns a no-break space into a plain one, which would change
// the saved line. The raw text keeps it and differs from the plain text only
// in the characters that mark breaks, position for position.
QString MainWindow::editorLastLine() const
{
    const QTextDocument *document = ui->textEdit->document();
    const QString plain = document->toPlainText();
    const QString raw = document->toRawText();
    Q_ASSERT(raw.size() == plain.size());
    return raw.right(lastLine(plain).size());
}
