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
    Q_OBJECT

public:
    explicit ORNALogView(QWidget *parent = nullptr);

    void appendMessage(const QString &text);
    void appendError(const QString &text);

    // Writes all collected lines now.
    void flush();

    // The log as plain text, collected lines included.
    QString logText();

private:
    struct Line
    {
        QString text;
        bool error;
    };

    // A script's output can arrive by the pipe-full; laying out all of it at once would keep
    // the event loop from painting for too long. At most this many lines go in per turn.
    static constexpr qsizetype linesPerTurn = 1000;

    void enqueue(const QString &text, bool error);
    void scheduleFlush();
    // Called by the event loop: writes the next lines, leaves the rest for the next turn.
    void flushSome();
    void flushLines(qsizetype count);

    QList<Line> pending;
    bool flushScheduled = false;
};

#endif // ORNALOGVIEW_H
