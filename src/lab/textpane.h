// One text of the lab with its file: a title, an editor and where the text
// was last opened from or saved to.
#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <QWidget>

class QLabel;

class TextPane : public QWidget
{
    Q_OBJECT

public:
    TextPane(const QString &title, const QString &objectName, QWidget *parent = nullptr);

    QPlainTextEdit *editor() const { return m_editor; }
    QString title() const { return m_title; }
    QString text() const { return m_editor->toPlainText(); }
    QString filePath() const { return m_filePath; }
    bool isModified() const { return m_editor->document()->isModified(); }

    // Text typed or made here counts as unsaved; text from a file or just
    // saved to one does not.
    void setText(const QString &text);
    void setFileText(const QString &text, const QString &path);
    void markSaved(const QString &path);
    // Shows a document built off the window's thread (see textDocument):
    // laying a long text into an editor takes seconds, swapping one in does not.
    void adoptDocument(QTextDocument *document);

private:
    void showTitle();
    void followDocument();

    QString m_title;
    QString m_filePath;
    QLabel *m_label;
    QPlainTextEdit *m_editor;
};

// A plain-text document holding text in font (the editor's that will show
// it), for adoptDocument; made on any thread and handed to the thread of owner.
QTextDocument *textDocument(const QString &text, QThread *owner, const QFont &font);
// Puts such a document into editor, which keeps it until the next one.
void showDocument(QPlainTextEdit *editor, QTextDocument *document);
