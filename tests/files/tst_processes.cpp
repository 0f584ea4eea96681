#include "ornaOutputDiscardingProcess.h"
#include "ornaOutputRecordingProcess.h"
#include "ornaProcessThread.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// Runs the process through its start() slot and waits for finished(ORNAProcess*).
bool runThroughSlot(ORNAProcess &process)
{
    QSignalSpy finished(&process, qOverload<ORNAProcess *>(&ORNAProcess::finished));
    QMetaObject::invokeMethod(&process, "start");
    if (finished.isEmpty() && !finished.wait(30000))
        return false;
    return finished.size() == 1 && finished.first().first().value<ORNAProcess *>() == &process;
}

} // namespace

class TestProcesses : public QObject
{
    Q_OBJECT

private slots:
    // A child of the installer must not load the installer's bundled Qt.
    void cleanedEnvironment_data()
    {
        QTest::addColumn<bool>("clean");
        QTest::newRow("clean") << true;
        QTest::newRow("inherited") << false;
    }
    void cleanedEnvironment()
    {
        QFETCH(bool, clean);
        qputenv("LD_LIBRARY_PATH", "/parent/lib");
        qputenv("QTDIR", "/parent/qt");
        qputenv("QT_PLUGIN_PATH", "/parent/plugins");
        qputenv("MY_LD_LIBRARY_PATH", "/kept/mine");
        ORNAOutputRecordingProcess process(QStringLiteral("env"));
        process.setCleanQtEnvironment(clean);
        QVERIFY(runThroughSlot(process));
        QStringList lines = process.recordedStandardOutput().split(QLatin1Char('\n'));
        lines.removeAll(QString());
        QStringList expected = QProcess::systemEnvironment();
        if (clean) {
            for (const char *dropped : {"LD_LIBRARY_PATH=/parent/lib", "QTDIR=/parent/qt",
                                        "QT_PLUGIN_PATH=/parent/plugins"})
                QCOMPARE(expected.removeAll(QLatin1String(dropped)), 1);
        }
        lines.sort();
        expected.sort();
        QCOMPARE(lines, expected);
    }

    void recordsBothChannelsAndInput()
    {
        ORNAOutputRecordingProcess process(
            QStringLiteral("sh"),
            {QStringLiteral("-c"),
             QStringLiteral("cat; printf 'out\\344\\0hidden'; printf 'err\\n' >&2; exit 3")},
            QStringLiteral("in\n"));
        QVERIFY(runThroughSlot(process));
        QCOMPARE(process.recordedStandardOutput(), QStringLiteral("in\nout\u00e4"));
        QCOMPARE(process.recordedStandardError(), QStringLiteral("err\n"));
        QCOMPARE(process.exitCode(), 3);
    }

    void discardedOutputDoesNotBlock()
    {
        auto *process = new ORNAOutputDiscardingProcess(
            QStringLiteral("sh"),
            {QStringLiteral("-c"), QStringLiteral("head -c 9000000 /dev/zero; "
                                                  "head -c 9000000 /dev/zero >&2")});
        ORNAProcessThread runner(process);
        QVERIFY(runner.runToEnd(120000));
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
