// The homophonic commands of the main window. The window only gathers the
// line and the key and shows the result; the cipher lives in homophonic.cpp.
#include "key.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QScrollBar>
#include <QTextCursor>

namespace {

// Asks for the key in a fresh dialog; a cancelled dialog keeps the old key.
void askKey(int &alphabetCount)
{
    key dialog;
    // exec() without a prior show() registers the dialog as application
    // modal; a dialog already visible when exec() starts would leave the
    // window usable, and a second command could change the text under us.
    if (dialog.exec())
        alphabetCount = dialog.keyValue();
}

// Appends line as a new paragraph of plain text. QTextEdit::append would
// render a line that looks like markup as rich text and lose its tags.
void appendParagraph(QTextEdit *editor, const QString &line)
{
    const bool atBottom = editor->textCursor().atEnd();
    QTextDocument *document = editor->document();
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    if (!document->isEmpty())
        cursor.insertBlock();
    cursor.insertText(line);
    if (atBottom)
        editor->verticalScrollBar()->setValue(editor->verticalScrollBar()->maximum());
}

} // namespace

void MainWindow::on_action_10_triggered()
{
    fullTableHR();
    plainText = lastLine(ui->textEdit->toPlainText());
    askKey(alphabetCount);
    cipherText = encryptHomophonic(tableHR, plainText, alphabetCount);
    appendParagraph(ui->textEdit, cipherText);
}

void MainWindow::on_action_14_triggered()
{
    plainText.clear();
    fullTableHR();
    cipherText = lastLine(ui->textEdit->toPlainText());
    askKey(alphabetCount);
    plainText = decryptHomophonic(tableHR, cipherText, alphabetCount);
    appendParagraph(ui->textEdit, plainText);
}

void MainWindow::fullTableHR()
{
    fillHomophoneTable(tableHR);
}
