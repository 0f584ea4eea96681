#include "ornaInstallationPlan.h"

#include "ornaRunOutput.h"
#include "ornaToolCommand.h"

#include <QJsonArray>

void ORNAInstallationPlan::note(const QString &line)
{
    lines.append({line, false});
}

void ORNAInstallationPlan::command(const QString &line, const ORNAToolCommand &command)
{
    const QString commandLine = command.commandLine();
    note(line);
    note(QStringLiteral("    ") + commandLine);
    commands.append(commandLine);
}

void ORNAInstallationPlan::refuse(const QString &error)
{
    refused = true;
    warn(error);
}

void ORNAInstallationPlan::warn(const QString &error)
{
    lines.append({error, true});
    errors.append(error);
}

void ORNAInstallationPlan::set(const QString &key, const QJsonValue &value)
{
    fields.insert(key, value);
}

void ORNAInstallationPlan::write() const
{
    if (ORNARunOutput::isJson()) {
        QJsonObject plan = fields;
        plan.insert(QStringLiteral("commands"), QJsonArray::fromStringList(commands));
        plan.insert(QStringLiteral("errors"), QJsonArray::fromStringList(errors));
        plan.insert(QStringLiteral("proceed"), !refused);
        ORNARunOutput::plan(plan);
        return;
    }
    for (const Line &line : lines) {
        if (line.error)
            ORNARunOutput::error(line.text);
        else
            ORNARunOutput::message(line.text);
    }
    ORNARunOutput::message(refused ? QStringLiteral("The installation would be refused.")
                                   : QStringLiteral("The installation would proceed."));
}
