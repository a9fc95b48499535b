// Finds how the symbol at a position of a plaintext document is enciphered.
// The key runs on across lines, so the lines before the position are walked
// first. Where the key stream stood is kept at the start of the last line
// asked about and of every MarkEvery-th line walked, until the text before
// that line changes: a cursor moving through a long text, down or up, walks
// only a few lines for each step.
#pragma once

#include "symbolcipher.h"

#include <QObject>
#include <QPointer>

#include <optional>
#include <vector>

class QTextDocument;

class StepFinder : public QObject
{
    Q_OBJECT

public:
    static constexpr int MarkEvery = 1024;

    explicit StepFinder(QObject *parent = nullptr);

    // The cipher to follow; none finds nothing.
    void setCipher(const std::optional<SymbolCipher> &cipher);
    // The step of the character at position of document, its number counted
    // over the whole document; empty when that is no alphabet symbol.
    std::optional<SymbolStep> stepAt(QTextDocument *document, int position);

private:
    // The key stream at the start of a line.
    struct Mark
    {
        int block = 0;
        int position = 0;
        KeyStreamPlace place;
        qint64 symbolsBefore = 0;
    };

    void follow(QTextDocument *document);
    void forgetFrom(int position);
    Mark nearestMarkBefore(int block) const;

    std::optional<SymbolCipher> m_cipher;
    QPointer<QTextDocument> m_document;
    QMetaObject::Connection m_changes;
    std::vector<Mark> m_marks; // in document order, every MarkEvery-th line
    std::optional<Mark> m_last;
};
