#ifndef ORNAOUTPUTDISCARDINGPROCESS_H
#define ORNAOUTPUTDISCARDINGPROCESS_H

#include "ornaProcess.h"

// A child process whose output is read and dropped, so it never blocks on a full pipe.
class ORNAOutputDiscardingProcess : public ORNAProcess
{
    Q_OBJECT

public:
    explicit ORNAOutputDiscardingProcess(const QString &program,
                                         const QStringList &arguments = QStringList(),
                                         QObject *parent = nullptr);

public Q_SLOTS:
    void readStandardOutput();
    void readStandardError();
};

#endif // ORNAOUTPUTDISCARDINGPROCESS_H
