#include "ornaOutputRecordingProcess.h"

namespace {

const int startTimeoutMilliseconds = 30000;

QString textUpToNul(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.constData(), qstrnlen(bytes.constData(), bytes.size()));
}

} // namespace

ORNAOutputRecordingProcess::ORNAOutputRecordingProcess(const QString &program,
                                                       const QStringList &arguments,
                                                       const QString &input, QObject *parent)
    : ORNAProcess(program, arguments, parent), m_input(input)
{
    connect(this, &QProcess::readyReadStandardOutput, this,
            &ORNAOutputRecordingProcess::readStandardOutput);
    connect(this, &QProcess::readyReadStandardError, this,
            &ORNAOutputRecordingProcess::readStandardError);
}

void ORNAOutputRecordingProcess::startProcess()
{
    prepareEnvironment();
    QProcess::start(command(), commandArguments(), QIODevice::ReadWrite);
    if (!waitForStarted(startTimeoutMilliseconds))
        return;
    if (!m_input.isEmpty())
        write(m_input.toLocal8Bit());
    closeWriteChannel();
}

void ORNAOutputRecordingProcess::start()
{
    startProcess();
}

void ORNAOutputRecordingProcess::readStandardOutput()
{
    m_standardOutput += textUpToNul(readAllStandardOutput());
}

void ORNAOutputRecordingProcess::readStandardError()
{
    m_standardError += textUpToNul(readAllStandardError());
}
