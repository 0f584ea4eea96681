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
    if (flushScheduled)
        return;
    flushScheduled = true;
    QMetaObject::invokeMethod(
        this, [this]() { flush(); }, Qt::QueuedConnection);
}

void ORNALogView::flush()
{
    flushScheduled = false;
    if (pending.isEmpty())
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
    for (const Line &line : std::as_const(pending)) {
        // Like QTextEdit::append, the first line fills the empty first paragraph.
        if (!firstParagraph)
            cursor.insertBlock(QTextBlockFormat(), plainFormat);
        firstParagraph = false;
        // Plain text: a file name such as "a<b>.txt" shows as it is; line breaks start
        // new paragraphs.
        cursor.insertText(line.text, line.error ? errorFormat : plainFormat);
    }
    cursor.endEditBlock();
    pending.clear();

    if (followEnd)
        scrollBar->setValue(scrollBar->maximum());
}

QString ORNALogView::logText()
{
    flush();
    return toPlainText();
}
