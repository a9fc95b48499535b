#include "stepfinder.h"

#include <QTextBlock>
#include <QTextDocument>

StepFinder::StepFinder(QObject *parent)
    : QObject(parent)
{
}

void StepFinder::setCipher(const std::optional<SymbolCipher> &cipher)
{
    m_cipher = cipher;
    forgetFrom(0);
}

void StepFinder::follow(QTextDocument *document)
{
    if (document == m_document)
        return;
    disconnect(m_changes);
    m_document = document;
    forgetFrom(0);
    // A change leaves the lines before it as they were.
    m_changes = connect(document, &QTextDocument::contentsChange, this,
                        [this](int position, int, int) { forgetFrom(position + 1); });
}

// Forgets the marks of lines that start at or after position.
void StepFinder::forgetFrom(int position)
{
    while (!m_marks.empty() && m_marks.back().position >= position)
        m_marks.pop_back();
    if (m_last && m_last->position >= position)
        m_last.reset();
}

StepFinder::Mark StepFinder::nearestMarkBefore(int block) const
{
    Mark nearest { 0, 0, m_cipher->start(), 0 };
    for (auto mark = m_marks.rbegin(); mark != m_marks.rend(); ++mark) {
        if (mark->block <= block) {
            nearest = *mark;
            break;
        }
    }
    if (m_last && m_last->block <= block && m_last->block > nearest.block)
        nearest = *m_last;
    return nearest;
}

std::optional<SymbolStep> StepFinder::stepAt(QTextDocument *document, int position)
{
    if (!m_cipher || !document)
        return std::nullopt;
    follow(document);
    const QTextBlock line = document->findBlock(position);
    if (!line.isValid())
        return std::nullopt;
    Mark walked = nearestMarkBefore(line.blockNumber());
    for (QTextBlock before = document->findBlockByNumber(walked.block); before != line; before = before.next()) {
        walked.symbolsBefore += m_cipher->pass(before.text(), walked.place);
        walked.block = before.blockNumber() + 1;
        walked.position = before.next().position();
        const int lastMarked = m_marks.empty() ? 0 : m_marks.back().block;
        if (walked.block % MarkEvery == 0 && walked.block > lastMarked)
            m_marks.push_back(walked);
    }
    m_last = walked;
    std::optional<SymbolStep> step = m_cipher->step(line.text(), position - line.position(), walked.place);
    if (step)
        step->number += walked.symbolsBefore;
    return step;
}
