#include "ornaOutputDiscardingProcess.h"

ORNAOutputDiscardingProcess::ORNAOutputDiscardingProcess(const QString &program,
                                                         const QStringList &arguments,
                                                         QObject *parent)
    : ORNAProcess(program, arguments, parent)
{
    connect(this, &QProcess::readyReadStandardOutput, this,
            &ORNAOutputDiscardingProcess::readStandardOutput);
    connect(this, &QProcess::readyReadStandardError, this,
            &ORNAOutputDiscardingProcess::readStandardError);
}

void ORNAOutputDiscardingProcess::readStandardOutput()
{
    readAllStandardOutput();
}

void ORNAOutputDiscardingProcess::readStandardError()
{
    readAllStandardError();
}
