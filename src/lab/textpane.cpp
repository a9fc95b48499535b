#include "textpane.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextDocumentLayout>
#include <QThread>
#include <QVBoxLayout>

TextPane::TextPane(const QString &title, const QString &objectName, QWidget *parent)
    : QWidget(parent)
    , m_title(title)
    , m_label(new QLabel(this))
    , m_editor(new QPlainTextEdit(this))
{
    setObjectName(objectName);
    m_editor->setObjectName(objectName + QStringLiteral("Edit"));
    m_editor->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_label);
    layout->addWidget(m_editor, 1);
    followDocument();
}

void TextPane::followDocument()
{
    connect(m_editor->document(), &QTextDocument::modificationChanged, this, &TextPane::showTitle);
    showTitle();
}

void TextPane::adoptDocument(QTextDocument *document)
{
    showDocument(m_editor, document);
    document->setModified(!document->isEmpty());
    followDocument();
}

void showDocument(QPlainTextEdit *editor, QTextDocument *document)
{
    // The editor deletes the document it made itself; one adopted before is ours.
    QTextDocument *const old = editor->document();
    const bool adoptedBefore = old->parent() == editor;
    document->setParent(editor);
    if (document->defaultFont() != editor->font())
        document->setDefaultFont(editor->font());
    editor->setDocument(document);
    if (adoptedBefore)
        old->deleteLater();
}

QTextDocument *textDocument(const QString &text, QThread *owner, const QFont &font)
{
    auto *document = new QTextDocument;
    document->setUndoRedoEnabled(false);
    document->setPlainText(text);
    document->setUndoRedoEnabled(true);
    // Both walk every block of the text: here rather than on the window's thread.
    document->setDocumentLayout(new QPlainTextDocumentLayout(document));
    document->setDefaultFont(font);
    document->moveToThread(owner);
    return document;
}

void TextPane::setText(const QString &text)
{
    m_editor->setPlainText(text);
    m_editor->document()->setModified(!text.isEmpty());
}

void TextPane::setFileText(const QString &text, const QString &path)
{
    m_editor->setPlainText(text);
    markSaved(path);
}

void TextPane::markSaved(const QString &path)
{
    m_filePath = path;
    m_editor->document()->setModified(false);
    showTitle();
}

void TextPane::showTitle()
{
    QString shown = QStringLiteral("<b>%1</b>").arg(m_title.toHtmlEscaped());
    if (!m_filePath.isEmpty())
        shown += QStringLiteral(" — ") + QFileInfo(m_filePath).fileName().toHtmlEscaped();
    if (isModified())
        shown += QStringLiteral(" <i>(не сохранён)</i>");
    m_label->setText(shown);
    m_label->setToolTip(QDir::toNativeSeparators(m_filePath));
}
