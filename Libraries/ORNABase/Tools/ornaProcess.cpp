#include "ornaProcess.h"

ORNAProcess::ORNAProcess(const QString &program, const QStringList &arguments, QObject *parent)
    : QProcess(parent), m_program(program), m_arguments(arguments)
{
    connect(this, &QProcess::started, this, &ORNAProcess::takeNoteHasStarted);
    connect(this, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this,
            &ORNAProcess::hasFinished);
}

ORNAProcess::~ORNAProcess() = default;

QStringList ORNAProcess::cleanedEnvironment()
{
    QStringList environment = QProcess::systemEnvironment();
    environment.removeIf([](const QString &entry) {
        return entry.startsWith(QLatin1String("LD_LIBRARY_PATH=")) ||
               entry.startsWith(QLatin1String("QTDIR=")) ||
               entry.startsWith(QLatin1String("QT_PLUGIN_PATH="));
    });
    return environment;
}

void ORNAProcess::prepareEnvironment()
{
    if (m_cleanQtEnvironment)
        setEnvironment(cleanedEnvironment());
}

void ORNAProcess::startProcess()
{
    prepareEnvironment();
    QProcess::start(m_program, m_arguments, QIODevice::ReadWrite);
    closeWriteChannel();
}

void ORNAProcess::start()
{
    startProcess();
}

void ORNAProcess::takeNoteHasStarted()
{
    m_hasStarted = true;
}

void ORNAProcess::hasFinished(int, QProcess::ExitStatus)
{
    emit finished(this);
}
