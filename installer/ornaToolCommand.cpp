#include "ornaToolCommand.h"

#include <QRegularExpression>

namespace {

QString shellWord(const QString &word)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_@%+=:,./-]+$"));
    if (plain.match(word).hasMatch())
        return word;
    QString quoted = word;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

} // namespace

QString ORNAToolCommand::commandLine() const
{
    QStringList words{shellWord(program)};
    for (const QString &argument : arguments)
        words.append(shellWord(argument));
    const QString line = words.join(QLatin1Char(' '));
    if (workingDirectory.isEmpty())
        return line;
    return QStringLiteral("(cd ") + shellWord(workingDirectory) + QStringLiteral(" && ") + line +
           QLatin1Char(')');
}
