#include "ornaUnityLauncher.h"

#include <QProcess>

namespace ORNAUnityLauncher {

namespace {

const int queryTimeoutMs = 30000;

QStringList keyArguments(const QString &command)
{
    return {command, QStringLiteral("com.canonical.Unity.Launcher"), QStringLiteral("favorites")};
}

// Reads one quoted string starting at position (on its quote); advances position past it.
bool parseString(const QString &text, int &position, QString &value)
{
    const QChar quote = text.at(position++);
    value.clear();
    while (position < text.size()) {
        QChar character = text.at(position++);
        if (character == quote)
            return true;
        if (character != QLatin1Char('\\')) {
            value += character;
            continue;
        }
        if (position >= text.size())
            return false;
        character = text.at(position++);
        switch (character.unicode()) {
        case 'n':
            value += QLatin1Char('\n');
            break;
        case 't':
            value += QLatin1Char('\t');
            break;
        case 'r':
            value += QLatin1Char('\r');
            break;
        case 'u':
        case 'U': {
            const int digits = character == QLatin1Char('u') ? 4 : 8;
            bool ok = false;
            const uint code = text.mid(position, digits).toUInt(&ok, 16);
            if (!ok || position + digits > text.size())
                return false;
            position += digits;
            const char32_t codePoint = code;
            value += QString::fromUcs4(&codePoint, 1);
            break;
        }
        default:
            value += character;
        }
    }
    return false;
}

void skipBlanks(const QString &text, int &position)
{
    while (position < text.size() && text.at(position).isSpace())
        ++position;
}

} // namespace

bool readFavorites(QString &listText)
{
    QProcess process;
    process.start(QStringLiteral("gsettings"), keyArguments(QStringLiteral("get")),
                  QIODevice::ReadOnly);
    if (!process.waitForFinished(queryTimeoutMs) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    listText = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    return true;
}

ORNAToolCommand writeCommand(const QString &listText)
{
    return {QStringLiteral("gsettings"), keyArguments(QStringLiteral("set")) << listText,
            QString()};
}

bool writeFavorites(const QString &listText)
{
    const ORNAToolCommand command = writeCommand(listText);
    QProcess process;
    process.start(command.program, command.arguments, QIODevice::ReadOnly);
    process.waitForFinished(-1);
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QString quoted(const QString &text)
{
    QString result = text;
    result.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    result.replace(QLatin1Char('\''), QStringLiteral("\\'"));
    result.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    return QLatin1Char('\'') + result + QLatin1Char('\'');
}

QString appendedList(const QString &listText, const QString &file)
{
    if (!listText.startsWith(QLatin1Char('[')) || !listText.endsWith(QLatin1Char(']')))
        return QString();
    QString result = listText.chopped(1);
    if (result.size() > 1)
        result += QStringLiteral(", ");
    return result + quoted(file) + QLatin1Char(']');
}

bool parseList(const QString &listText, QStringList &entries)
{
    QString text = listText.trimmed();
    if (text.startsWith(QStringLiteral("@as ")))
        text = text.mid(4).trimmed();
    if (!text.startsWith(QLatin1Char('[')) || !text.endsWith(QLatin1Char(']')))
        return false;
    entries.clear();
    int position = 1;
    const int end = text.size() - 1;
    skipBlanks(text, position);
    while (position < end) {
        const QChar quote = text.at(position);
        QString value;
        if ((quote != QLatin1Char('\'') && quote != QLatin1Char('"')) ||
            !parseString(text, position, value) || position > end)
            return false;
        entries.append(value);
        skipBlanks(text, position);
        if (position < end && text.at(position++) != QLatin1Char(','))
            return false;
        skipBlanks(text, position);
    }
    return true;
}

QString formatList(const QStringList &entries)
{
    if (entries.isEmpty())
        return QStringLiteral("@as []");
    QStringList items;
    for (const QString &entry : entries)
        items.append(quoted(entry));
    return QLatin1Char('[') + items.join(QStringLiteral(", ")) + QLatin1Char(']');
}

} // namespace ORNAUnityLauncher
