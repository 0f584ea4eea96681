#ifndef KTFTESTSUPPORT_H
#define KTFTESTSUPPORT_H

#include "ornaTree.h"
#include "testSupport.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

using TestSupport::captureStderr;

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

// One log line of a reader message, as the logger prints it.
inline QByteArray parserLine(const QString &file, int line, const QString &message)
{
    return "WARNING: " + file.toUtf8() + '(' + QByteArray::number(line) +
           "):  ORNAParserError:  ParserError " + message.toUtf8() + " \n";
}

#endif // KTFTESTSUPPORT_H
