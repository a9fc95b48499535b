// The file commands of the main window: Open, Save and Save As. Documents
// are plain text in Windows-1251, whatever the system's code page.
#include "mainwindow.h"
#include "savepath.h"
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
    if (info.isFile() && info.size() > MaxDocumentSize) {
        QMessageBox::critical(this, QStringLiteral("Ошибка"),
                              QStringLiteral("Файл слишком большой для редактора:\n")
                                  + QDir::toNativeSeparators(path),
                              QMessageBox::Ok, QMessageBox::NoButton);
        return false;
    }

    QFile file(path);
    QString reason;
    QString text;
    if (info.exists() && !info.isFile()) {
        // A pipe or a device can block or never end.
        reason = QStringLiteral("это не обычный файл");
    } else if (!file.open(QIODevice::ReadOnly)) {
        reason = file.errorString();
    } else {
        QTextStream in(&file);
        in.setCodec(documentCodec());
        in.setAutoDetectUnicode(true);
        text = in.readAll();
        if (file.error() != QFileDevice::NoError)
            reason = file.errorString();
    }
    if (!reason.isNull()) {
        reportFileError(QStringLiteral("Не удалось открыть файл:\n"), path, reason);
        return false;
    }

    // Never as rich text: a file that looks like HTML would lose its tags.
    ui->textEdit->setPlainText(text);
    return true;
}

bool MainWindow::saveFile(const QString &path)
{
    QTextCodec *codec = documentCodec();
    const QString line = editorLastLine();
    const QByteArray bytes = codec->fromUnicode(line);

    // Renaming a new file over a pipe or a device node would replace the
    // node itself; a symbolic link to a regular file is followed.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        reportFileError(QStringLiteral("Не удалось сохранить файл:\n"), path,
                        QStringLiteral("это не обычный файл"));
        return false;
    }

    // QSaveFile keeps the old file whole until the new text is complete, so
    // a failed or interrupted save loses nothing. Unbuffered, because
    // commit() does not see a failure to write its last buffered block; and
    // every write is checked, as a full disk or a file-size limit may take
    // only part of one.
    QSaveFile file(resolvedSavePath(path));
    bool saved = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    for (qint64 done = 0; saved && done < bytes.size();) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        saved = written > 0;
        done += written;
    }
    saved = saved && file.commit();
    if (!saved) {
        reportFileError(QStringLiteral("Не удалось сохранить файл:\n"), path, file.errorString());
        return false;
    }

    if (codec->toUnicode(bytes) != line) {
        QMessageBox::warning(this, QStringLiteral("Предупреждение"),
                             QStringLiteral("Некоторые символы нельзя записать в кодировке "
                                            "Windows-1251; они заменены знаком «?»."),
                             QMessageBox::Ok, QMessageBox::NoButton);
    }
    return true;
}

// The message, the path on a line of its own, and why, as the system says it.
void MainWindow::reportFileError(const QString &message, const QString &path, const QString &reason)
{
    QMessageBox::critical(this, QStringLiteral("Ошибка"),
                          message + QDir::toNativeSeparators(path) + QLatin1Char('\n') + reason,
                          QMessageBox::Ok, QMessageBox::NoButton);
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
