#include "ornaDesktopEntryText.h"

namespace ORNADesktopEntryText {

QString replaceInstallDirectory(const QString &text, const QString &installDirectory)
{
    QString result = text;
    return result.replace(QStringLiteral("<%InstallDir%>"), installDirectory);
}

QString escapeValue(const QString &value)
{
    QString result;
    result.reserve(value.size());
    for (const QChar character : value) {
        switch (character.unicode()) {
        case '\\':
            result += QStringLiteral("\\\\");
            break;
        case '\n':
            result += QStringLiteral("\\n");
            break;
        case '\r':
            result += QStringLiteral("\\r");
            break;
        case '\t':
            result += QStringLiteral("\\t");
            break;
        default:
            result += character;
        }
    }
    return result;
}

QString quoteExecArgument(const QString &argument)
{
    QString result = QStringLiteral("\"");
    for (const QChar character : argument) {
        if (QStringLiteral("\"`$\\").contains(character))
            result += QLatin1Char('\\');
        result += character;
    }
    return result + QLatin1Char('"');
}

QString execArgument(const QString &argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    for (const QChar character : argument) {
        if (reserved.contains(character))
            return quoteExecArgument(argument);
    }
    return argument;
}

QString execArguments(const QString &arguments, const QString &installDirectory)
{
    const QString placeholder = QStringLiteral("<%InstallDir%>");
    if (execArgument(installDirectory) == installDirectory)
        return replaceInstallDirectory(arguments, installDirectory);
    QStringList words = arguments.split(QLatin1Char(' '), Qt::KeepEmptyParts);
    for (QString &word : words) {
        if (word.contains(placeholder) && !word.startsWith(QLatin1Char('"')))
            word = quoteExecArgument(replaceInstallDirectory(word, installDirectory));
        else
            word = replaceInstallDirectory(word, installDirectory);
    }
    return words.join(QLatin1Char(' '));
}

QString escapePercent(const QString &text)
{
    QString result = text;
    return result.replace(QLatin1Char('%'), QStringLiteral("%%"));
}

QString actionIdentifier(const QString &name)
{
    QString result;
    for (const QChar character : name) {
        if (!character.isSpace())
            result += character;
    }
    return result;
}

QStringList runArguments(const QString &parameters, const QString &installDirectory)
{
    QStringList arguments;
    if (parameters.isEmpty())
        return arguments;
    const QStringList pieces = parameters.split(QLatin1Char(' '), Qt::KeepEmptyParts);
    for (const QString &piece : pieces)
        arguments.append(replaceInstallDirectory(piece, installDirectory));
    return arguments;
}

} // namespace ORNADesktopEntryText
