#ifndef ORNALOGVIEW_H
#define ORNALOGVIEW_H

#include <QList>
#include <QTextEdit>

// The read-only log of the progress pages. Lines are collected and written once per turn of the
// event loop: one paragraph each, in order, errors in red. Appending paragraph by paragraph
// re-lays out the document every time and cannot keep up with a script that prints a line per
// file.
class ORNALogView : public QTextEdit
{
public:
    explicit ORNALogView(QWidget *parent = nullptr);

    void appendMessage(const QString &text);
    void appendError(const QString &text);

    // Writes the collected lines now; called by the event loop after the lines of one turn.
    void flush();

    // The log as plain text, collected lines included.
    QString logText();

private:
    struct Line
    {
        QString text;
        bool error;
    };

    void enqueue(const QString &text, bool error);

    QList<Line> pending;
    bool flushScheduled = false;
};

#endif // ORNALOGVIEW_H
