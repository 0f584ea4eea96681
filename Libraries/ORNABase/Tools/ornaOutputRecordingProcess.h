#ifndef ORNAOUTPUTRECORDINGPROCESS_H
#define ORNAOUTPUTRECORDINGPROCESS_H

#include "ornaProcess.h"

// A child process whose input is given up front and whose output is kept as text.
class ORNAOutputRecordingProcess : public ORNAProcess
{
    Q_OBJECT

public:
    explicit ORNAOutputRecordingProcess(const QString &program,
                                        const QStringList &arguments = QStringList(),
                                        const QString &input = QString(),
                                        QObject *parent = nullptr);

    const QString &input() const { return m_input; }
    void setInput(const QString &input) { m_input = input; }
    // Everything read so far, each piece decoded as Latin-1 up to its first NUL byte.
    const QString &recordedStandardOutput() const { return m_standardOutput; }
    const QString &recordedStandardError() const { return m_standardError; }

    // Starts the child, waits up to 30 s for it to run, then feeds it the input.
    void startProcess() override;

public Q_SLOTS:
    void start();
    void readStandardOutput();
    void readStandardError();

private:
    QString m_input;
    QString m_standardOutput;
    QString m_standardError;
};

#endif // ORNAOUTPUTRECORDINGPROCESS_H
