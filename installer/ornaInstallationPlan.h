#ifndef ORNAINSTALLATIONPLAN_H
#define ORNAINSTALLATIONPLAN_H

#include <QJsonObject>
#include <QList>
#include <QString>

struct ORNAToolCommand;

// What a dry run found: the lines of the plan, the programs the installation would run and the
// errors that would stop it. Written at the end as text lines or, with --progress=json, as one
// plan event.
class ORNAInstallationPlan
{
public:
    void note(const QString &line);
    // A step that runs a program: the line, then the command below it.
    void command(const QString &line, const ORNAToolCommand &command);
    // An error that would stop the installation.
    void refuse(const QString &error);
    // An error the installation would report without stopping.
    void warn(const QString &error);
    // A value of the plan event.
    void set(const QString &key, const QJsonValue &value);

    bool proceeds() const { return !refused; }
    void write() const;

private:
    struct Line
    {
        QString text;
        bool error;
    };
    QList<Line> lines;
    QJsonObject fields;
    QStringList commands;
    QStringList errors;
    bool refused = false;
};

#endif // ORNAINSTALLATIONPLAN_H
