// The homophonic commands of the main window. The window only gathers the
// line and the key and shows the result; the cipher lives in homophonic.cpp.
#include "key.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QAbstractTextDocumentLayout>
#include <QScrollBar>
#include <QTextBlock>
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

// Appends line as a new paragraph of plain text, as one step of Undo, and
// scrolls it into view wherever the user's cursor is. QTextEdit::append would
// render a line that looks like markup as rich text and lose its tags.
void appendParagraph(QTextEdit *editor, const QString &line)
{
    QTextDocument *document = editor->document();
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    if (!document->isEmpty())
        cursor.insertBlock();
    cursor.insertText(line);
    cursor.endEditBlock();

    // The end of the text, or the start of the new line if it is taller than
    // the view.
    QScrollBar *scrollBar = editor->verticalScrollBar();
    const QRectF appended = document->documentLayout()->blockBoundingRect(cursor.block());
    scrollBar->setValue(qMin(scrollBar->maximum(), int(appended.top())));
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
