// The library's child processes: recorded or discarded output, a cleaned environment, a runner
// that waits with a time limit.
#include "ornaOutputDiscardingProcess.h"
#include "ornaOutputRecordingProcess.h"
#include "ornaProcessThread.h"

#include <QSignalSpy>
#include <QTest>

class TestProcesses : public QObject
{
    Q_OBJECT

    // Runs the process through its start() slot and waits for finished(ORNAProcess*).
    static bool runThroughSlot(ORNAProcess &process)
    {
        QSignalSpy finished(&process, qOverload<ORNAProcess *>(&ORNAProcess::finished));
        QMetaObject::invokeMethod(&process, "start");
        return (!finished.isEmpty() || finished.wait(30000)) && finished.size() == 1 &&
               finished.first().first().value<ORNAProcess *>() == &process;
    }

private slots:
    // A child of the installer must not load the installer's bundled Qt.
    void cleanedEnvironment_data()
    {
        QTest::addColumn<bool>("clean");
        QTest::addRow("clean") << true;
        QTest::addRow("inherited") << false;
    }
    void cleanedEnvironment()
    {
        QFETCH(bool, clean);
        const QStringList parents = {"LD_LIBRARY_PATH=/parent/lib", "QTDIR=/parent/qt",
                                     "QT_PLUGIN_PATH=/parent/plugins"};
        for (const QString &variable : parents + QStringList{"MY_LD_LIBRARY_PATH=/kept"})
            qputenv(variable.section('=', 0, 0).toLatin1(), variable.section('=', 1).toLatin1());
        ORNAOutputRecordingProcess process(QStringLiteral("env"));
        process.setCleanQtEnvironment(clean);
        QVERIFY(runThroughSlot(process));
        QStringList lines = process.recordedStandardOutput().split('\n', Qt::SkipEmptyParts);
        QStringList expected = QProcess::systemEnvironment();
        for (const QString &variable : clean ? parents : QStringList())
            QCOMPARE(expected.removeAll(variable), 1);
        lines.sort();
        expected.sort();
        QCOMPARE(lines, expected);
    }

    void recordsBothChannelsAndInput()
    {
        ORNAOutputRecordingProcess process(
            "sh", {"-c", "cat; printf 'out\\344\\0hidden'; printf 'err\\n' >&2; exit 3"}, "in\n");
        QVERIFY(runThroughSlot(process));
        QCOMPARE(process.recordedStandardOutput(), QStringLiteral("in\nout\u00e4"));
        QCOMPARE(process.recordedStandardError(), QStringLiteral("err\n"));
        QCOMPARE(process.exitCode(), 3);
    }

    // Output nobody reads must not block the child; a runner stops what overruns its time.
    void discardingAndRunner()
    {
        auto *process = new ORNAOutputDiscardingProcess(
            "sh", {"-c", "head -c 9000000 /dev/zero; head -c 9000000 /dev/zero >&2"});
        ORNAProcessThread runner(process);
        QVERIFY(runner.runToEnd(120000));
        QCOMPARE(process->exitCode(), 0);
        QCOMPARE(process->bytesAvailable(), qint64(0));
        ORNAProcessThread sleeper(new ORNAOutputDiscardingProcess("sleep", {"30"}));
        QVERIFY(!sleeper.runToEnd(200));
        QCOMPARE(sleeper.process()->state(), QProcess::NotRunning);
        ORNAProcessThread missing(new ORNAProcess("/nonexistent/program"));
        QVERIFY(!missing.runToEnd(5000));
    }
};

QTEST_GUILESS_MAIN(TestProcesses)
#include "tst_processes.moc"
