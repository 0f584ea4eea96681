#include "ornaLogView.h"

#include <QScrollBar>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <utility>

ORNALogView::ORNALogView(QWidget *parent) : QTextEdit(parent)
{
    setReadOnly(true);
    // A log of a hundred thousand lines would otherwise keep an undo record of every line.
    setUndoRedoEnabled(false);
}

void ORNALogView::appendMessage(const QString &text)
{
    enqueue(text, false);
}

void ORNALogView::appendError(const QString &text)
{
    enqueue(text, true);
}

void ORNALogView::enqueue(const QString &text, bool error)
{
    pending.append(Line{text, error});
    scheduleFlush();
}

void ORNALogView::flush()
{
    flushLines(pending.size());
}

void ORNALogView::flushSome()
{
    flushScheduled = false;
    flushLines(qMin<qsizetype>(pending.size(), linesPerTurn));
    if (!pending.isEmpty())
        scheduleFlush();
}

void ORNALogView::scheduleFlush()
{
    if (flushScheduled)
        return;
    flushScheduled = true;
    QMetaObject::invokeMethod(
        this, [this]() { flushSome(); }, Qt::QueuedConnection);
}

void ORNALogView::flushLines(qsizetype count)
{
    if (count <= 0)
        return;
    QScrollBar *scrollBar = verticalScrollBar();
    const bool followEnd = scrollBar->value() >= scrollBar->maximum();

    QTextCharFormat plainFormat;
    QTextCharFormat errorFormat;
    errorFormat.setForeground(QColor(QStringLiteral("red")));
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    bool firstParagraph = document()->isEmpty();
    for (qsizetype i = 0; i < count; ++i) {
        const Line &line = pending.at(i);
        // Like QTextEdit::append, the first line fills the empty first paragraph.
        if (!firstParagraph)
            cursor.insertBlock(QTextBlockFormat(), plainFormat);
        firstParagraph = false;
        // Plain text: a file name such as "a<b>.txt" shows as it is; line breaks start
        // new paragraphs.
        cursor.insertText(line.text, line.error ? errorFormat : plainFormat);
    }
    cursor.endEditBlock();
    pending.erase(pending.begin(), pending.begin() + count);

    if (followEnd)
        scrollBar->setValue(scrollBar->maximum());
}

QString ORNALogView::logText()
{
    flush();
    return toPlainText();
}
