#ifndef ORNATOOLCOMMAND_H
#define ORNATOOLCOMMAND_H

#include <QString>
#include <QStringList>

// One program run of an installation: the installation runs it, the dry run shows it.
struct ORNAToolCommand
{
    QString program;
    QStringList arguments;
    // Empty: the installer's own working directory.
    QString workingDirectory;

    // The command as a shell takes it, words quoted where needed.
    QString commandLine() const;
};

#endif // ORNATOOLCOMMAND_H
