// --progress=json end to end through a real archive: every line of standard output a JSON
// object, one file event per installed file, the errors of the text log, and an end event
// that carries the process's exit code; for the installation and for PREFIX/uninstall.
#include "testSupport.h"

#include <QtTest>

#include <QJsonDocument>
#include <QJsonObject>

using TestSupport::ProcessResult;

namespace {

const QStringList productFiles = {
    QStringLiteral("bin/tool"),
    QStringLiteral("data/Grüße \"quoted\".txt"),
    QStringLiteral("doc/read me.txt"),
};

const QString refusalHint = QStringLiteral(
    "You can force the installation by passing the --force-prefix command line option.\n"
    "WARNING: The uninstaller will delete the installation directory completely.\n");

// The events of a run, checked for what every run shares: JSON objects only, start first,
// end last with the process's exit code, file events numbered 1..N of the start's total.
struct EventStream
{
    QList<QJsonObject> events;
    QStringList files;
    QStringList messages;
    QStringList errors;

    bool read(const ProcessResult &result, QString &problem)
    {
        QList<QByteArray> lines = result.standardOutput.split('\n');
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        for (const QByteArray &line : lines) {
            QJsonParseError error;
            const QJsonDocument document = QJsonDocument::fromJson(line, &error);
            if (error.error != QJsonParseError::NoError || !document.isObject()) {
                problem = QStringLiteral("not a JSON object: ") + QString::fromUtf8(line);
                return false;
            }
            take(document.object());
        }
        return check(result.exitCode, problem);
    }

    void take(const QJsonObject &event)
    {
        events << event;
        const QString name = event.value(QStringLiteral("event")).toString();
        if (name == QLatin1String("file"))
            files << event.value(QStringLiteral("path")).toString();
        else if (name == QLatin1String("message"))
            messages << event.value(QStringLiteral("text")).toString();
        else if (name == QLatin1String("error"))
            errors << event.value(QStringLiteral("text")).toString();
    }

    bool check(int exitCode, QString &problem) const
    {
        if (events.size() < 2 || name(0) != QLatin1String("start") ||
            name(events.size() - 1) != QLatin1String("end"))
            problem = QStringLiteral("no start and end event around the run");
        else if (events.last().value(QStringLiteral("exitCode")).toInt(-1) != exitCode ||
                 events.last().value(QStringLiteral("seconds")).toDouble(-1) < 0)
            problem = QStringLiteral("the end event does not carry the exit code and duration");
        for (int i = 0, index = 0; i < events.size() && problem.isEmpty(); ++i) {
            if (name(i) != QLatin1String("file"))
                continue;
            if (events.at(i).value(QStringLiteral("index")).toInt() != ++index ||
                events.at(i).value(QStringLiteral("total")) !=
                    events.first().value(QStringLiteral("files")))
                problem = QStringLiteral("file event %1 is numbered wrongly").arg(index);
        }
        return problem.isEmpty();
    }

    QString name(int i) const { return events.at(i).value(QStringLiteral("event")).toString(); }
};

} // namespace

class TestJsonProgress : public QObject
{
    Q_OBJECT

private:
    TestSupport::WorkDirectory m_work;
    QString m_archive;

    QString fresh(const QString &stem) { return m_work.fresh(stem); }

    ProcessResult run(const QString &program, const QStringList &arguments)
    {
        return TestSupport::runProgram(
            QStringLiteral("bash"), QStringList{program} + arguments,
            TestSupport::archiveEnvironment(fresh(QStringLiteral("home")),
                                            fresh(QStringLiteral("tmp"))),
            m_work.path());
    }

    ProcessResult install(const QStringList &prefix)
    {
        return run(m_archive, QStringList{QStringLiteral("--mode"), QStringLiteral("silent"),
                                          QStringLiteral("--no-desktop-files"),
                                          QStringLiteral("--progress=json")} +
                                  prefix);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_work.isValid());
        const QString product = m_work.filePath(QStringLiteral("product"));
        for (const QString &file : productFiles)
            QVERIFY(TestSupport::writeFile(product + QLatin1Char('/') + file, "x\n"));
        const QString installer = TestSupport::makeInstallerDirectory(
            m_work.filePath(QStringLiteral("installer")),
            "Settings {\n    product = Tool\n    version = 2.0\n    shortApplicationName = Tool\n"
            "    installerTargetDirectory = Tool\n    uninstallerEnabled = true\n}\n");
        m_archive = TestSupport::makeArchive(product, installer,
                                             m_work.filePath(QStringLiteral("tool.run")));
        QVERIFY(!m_archive.isEmpty());
    }

    void installation_data()
    {
        QTest::addColumn<QString>("prefix"); // "" none, "FULL" a directory with a file in it
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("errors"); // TARGET stands for the target directory
        QTest::newRow("installed") << QStringLiteral("Tool") << 0 << QStringList();
        QTest::newRow("refused target")
            << QStringLiteral("FULL") << 1
            << QStringList{
                   QStringLiteral("Error: The installation directory 'TARGET' is not empty.\n\n") +
                   refusalHint};
        QTest::newRow("no prefix")
            << QString() << 1
            << QStringList{QStringLiteral("Error: No installation directory given.")};
    }

    void installation()
    {
        QFETCH(QString, prefix);
        QFETCH(int, exitCode);
        QFETCH(QStringList, errors);
        QString target;
        if (!prefix.isEmpty())
            target = fresh(QStringLiteral("target")) + QLatin1Char('/') + prefix;
        if (prefix == QLatin1String("FULL"))
            QVERIFY(TestSupport::writeFile(target + QStringLiteral("/kept.txt"), "kept\n"));
        const ProcessResult result = install(
            target.isEmpty() ? QStringList() : QStringList{QStringLiteral("--prefix"), target});
        QCOMPARE(result.standardError, QByteArray());
        QCOMPARE(result.exitCode, exitCode);

        EventStream stream;
        QString problem;
        QVERIFY2(stream.read(result, problem), qPrintable(problem));
        const QJsonObject start = stream.events.first();
        QCOMPARE(start.value(QStringLiteral("product")).toString(), QStringLiteral("Tool"));
        QCOMPARE(start.value(QStringLiteral("version")).toString(), QStringLiteral("2.0"));
        QCOMPARE(start.value(QStringLiteral("target")).toString(), target);
        QCOMPARE(start.value(QStringLiteral("files")).toInt(), productFiles.size());
        errors.replaceInStrings(QStringLiteral("TARGET"), target);
        QCOMPARE(stream.errors, errors);
        stream.files.sort();
        QCOMPARE(stream.files, exitCode == 0 ? productFiles : QStringList());
        QCOMPARE(stream.messages.contains(QStringLiteral("Finished.")), exitCode == 0);
        QCOMPARE(QFileInfo::exists(target + QStringLiteral("/uninstall")), exitCode == 0);
    }

    void uninstallation()
    {
        const QString target = fresh(QStringLiteral("target")) + QStringLiteral("/Tool");
        QCOMPARE(install({QStringLiteral("--prefix"), target}).exitCode, 0);
        const ProcessResult result = run(target + QStringLiteral("/uninstall"),
                                         {QStringLiteral("--mode"), QStringLiteral("silent"),
                                          QStringLiteral("--progress=json")});
        QCOMPARE(result.standardError, QByteArray());
        QCOMPARE(result.exitCode, 0);
        EventStream stream;
        QString problem;
        QVERIFY2(stream.read(result, problem), qPrintable(problem));
        QCOMPARE(stream.events.first().value(QStringLiteral("target")).toString(), target);
        QCOMPARE(stream.errors, QStringList());
        QCOMPARE(stream.messages.last(), QStringLiteral("Done."));
        QVERIFY(!QFileInfo::exists(target));
    }
};

QTEST_GUILESS_MAIN(TestJsonProgress)
#include "tst_jsonProgress.moc"
