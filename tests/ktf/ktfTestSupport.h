#ifndef KTFTESTSUPPORT_H
#define KTFTESTSUPPORT_H

#include "ornaTree.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryFile>

#include <cstdio>
#include <unistd.h>

// Runs work with standard error going to a file and returns what was written there.
template <typename Work>
QByteArray captureStderr(Work work)
{
    std::fflush(stderr);
    QTemporaryFile capture;
    if (!capture.open())
        return "cannot capture";
    const int saved = ::dup(2);
    ::dup2(capture.handle(), 2);
    work();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    capture.seek(0);
    return capture.readAll();
}

// A compact form of a tree: name=value, children in braces, siblings separated by blanks.
inline QString describe(const ORNATree *tree)
{
    QStringList parts;
    for (int i = 0; i < tree->childCount(); ++i) {
        const ORNATree *child = tree->child(i);
        QString part = child->name() + QLatin1Char('=') + child->value();
        if (child->childCount() > 0)
            part += QLatin1Char('{') + describe(child) + QLatin1Char('}');
        parts << part;
    }
    return parts.join(QLatin1Char(' '));
}

inline bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

inline QByteArray readAllOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// One log line of a reader message, as the logger prints it.
inline QByteArray parserLine(const QString &file, int line, const QString &message)
{
    return "WARNING: " + file.toUtf8() + '(' + QByteArray::number(line) +
           "):  ORNAParserError:  ParserError " + message.toUtf8() + " \n";
}

#endif // KTFTESTSUPPORT_H
