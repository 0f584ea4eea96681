#ifndef ORNAPROCESS_H
#define ORNAPROCESS_H

#include <QProcess>
#include <QStringList>

// A child process that remembers its command and can be started through a slot.
class ORNAProcess : public QProcess
{
    Q_OBJECT

public:
    explicit ORNAProcess(const QString &program, const QStringList &arguments = QStringList(),
                         QObject *parent = nullptr);
    ~ORNAProcess() override;

    const QString &command() const { return m_program; }
    const QStringList &commandArguments() const { return m_arguments; }
    bool hasStarted() const { return m_hasStarted; }

    // When set, the child is started without the parent's library path and Qt settings.
    bool cleanQtEnvironment() const { return m_cleanQtEnvironment; }
    void setCleanQtEnvironment(bool clean) { m_cleanQtEnvironment = clean; }

    // The parent's environment without LD_LIBRARY_PATH, QTDIR and QT_PLUGIN_PATH.
    static QStringList cleanedEnvironment();

    // Starts the child; does not wait.
    virtual void startProcess();

signals:
    void finished(ORNAProcess *process);

public Q_SLOTS:
    void start();
    void takeNoteHasStarted();
    void hasFinished(int exitCode, QProcess::ExitStatus exitStatus);

protected:
    void prepareEnvironment();

private:
    QString m_program;
    QStringList m_arguments;
    bool m_hasStarted = false;
    bool m_cleanQtEnvironment = false;
};

#endif // ORNAPROCESS_H
