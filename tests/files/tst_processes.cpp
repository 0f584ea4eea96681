#include "ornaOutputDiscardingProcess.h"
#include "ornaOutputRecordingProcess.h"
#include "ornaProcess.h"
#include "ornaProcessThread.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// Runs the process through its start() slot and waits for finished(ORNAProcess*).
bool runThroughSlot(ORNAProcess &process, int timeout = 30000)
{
    QSignalSpy finished(&process, qOverload<ORNAProcess *>(&ORNAProcess::finished));
    QMetaObject::invokeMethod(&process, "start");
    if (finished.isEmpty() && !finished.wait(timeout))
        return false;
    return finished.size() == 1 && finished.first().first().value<ORNAProcess *>() == &process;
}

} // namespace

class TestProcesses : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qputenv("LD_LIBRARY_PATH", "/parent/lib");
        qputenv("QTDIR", "/parent/qt");
        qputenv("QT_PLUGIN_PATH", "/parent/plugins");
        qputenv("QTDIR_OLD", "/kept/old");
        qputenv("MY_LD_LIBRARY_PATH", "/kept/mine");
        qputenv("ORNA_PROCESS_TEST", "kept");
    }

    void cleanedEnvironment_data()
    {
        QTest::addColumn<bool>("clean");
        QTest::newRow("clean") << true;
        QTest::newRow("inherited") << false;
    }
    void cleanedEnvironment()
    {
        QFETCH(bool, clean);
        ORNAOutputRecordingProcess process(QStringLiteral("env"));
        process.setCleanQtEnvironment(clean);
        QVERIFY(runThroughSlot(process));
        QVERIFY(process.hasStarted());
        QStringList lines = process.recordedStandardOutput().split(QLatin1Char('\n'));
        lines.removeAll(QString());
        QStringList expected = QProcess::systemEnvironment();
        if (clean) {
            for (const char *dropped : {"LD_LIBRARY_PATH=/parent/lib", "QTDIR=/parent/qt",
                                        "QT_PLUGIN_PATH=/parent/plugins"})
                QVERIFY(expected.removeAll(QLatin1String(dropped)) == 1);
        }
        lines.sort();
        expected.sort();
        QCOMPARE(lines, expected);
        QVERIFY(lines.contains(QStringLiteral("QTDIR_OLD=/kept/old")));
        QVERIFY(lines.contains(QStringLiteral("MY_LD_LIBRARY_PATH=/kept/mine")));
    }

    void recordsBothChannelsUpToNul()
    {
        ORNAOutputRecordingProcess process(
            QStringLiteral("sh"),
            {QStringLiteral("-c"),
             QStringLiteral("printf 'out\\344\\0hidden'; printf 'err\\n' >&2; exit 3")});
        QVERIFY(runThroughSlot(process));
        QCOMPARE(process.recordedStandardOutput(), QStringLiteral("out\u00e4"));
        QCOMPARE(process.recordedStandardError(), QStringLiteral("err\n"));
        QCOMPARE(process.exitCode(), 3);
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    }

    void inputIsFedToStandardInput_data()
    {
        QTest::addColumn<QString>("input");
        QTest::newRow("text") << QStringLiteral("line one\nline two\n");
        QTest::newRow("empty closes input at once") << QString();
    }
    void inputIsFedToStandardInput()
    {
        QFETCH(QString, input);
        ORNAOutputRecordingProcess process(QStringLiteral("cat"), {}, input);
        QVERIFY(runThroughSlot(process, 10000));
        QCOMPARE(process.recordedStandardOutput(), input);
    }

    void plainProcessSeesEndOfInput()
    {
        ORNAProcess process(QStringLiteral("cat"));
        QVERIFY(runThroughSlot(process, 10000));
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(process.readAllStandardOutput(), QByteArray());
    }

    void programThatCannotStartWritesNothing()
    {
        ORNAOutputRecordingProcess process(QStringLiteral("/nonexistent/program"), {},
                                           QStringLiteral("input"));
        process.startProcess();
        QVERIFY(!process.hasStarted());
        QCOMPARE(process.state(), QProcess::NotRunning);
        QCOMPARE(process.error(), QProcess::FailedToStart);
        QCOMPARE(process.recordedStandardOutput(), QString());
    }

    void discardedOutputDoesNotBlock()
    {
        auto *process = new ORNAOutputDiscardingProcess(
            QStringLiteral("sh"),
            {QStringLiteral("-c"), QStringLiteral("head -c 52428800 /dev/zero; "
                                                  "head -c 52428800 /dev/zero >&2; echo done")});
        ORNAProcessThread runner(process);
        QVERIFY(runner.runToEnd(120000));
        QCOMPARE(process->exitStatus(), QProcess::NormalExit);
        QCOMPARE(process->exitCode(), 0);
        QCOMPARE(process->bytesAvailable(), qint64(0));
    }

    void runnerKillsAfterTimeout()
    {
        ORNAProcessThread runner(
            new ORNAOutputDiscardingProcess(QStringLiteral("sleep"), {QStringLiteral("30")}));
        QVERIFY(!runner.runToEnd(200));
        QCOMPARE(runner.process()->state(), QProcess::NotRunning);
        ORNAProcessThread missing(new ORNAProcess(QStringLiteral("/nonexistent/program")));
        QVERIFY(!missing.runToEnd(5000));
    }
};

QTEST_GUILESS_MAIN(TestProcesses)
#include "tst_processes.moc"
