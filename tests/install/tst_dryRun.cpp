// --dry-run end to end through a real archive: the plan's lines, its exit code, and nothing
// written anywhere (the target's surroundings and the sandbox home stay as they were); the
// commands it shows are the ones the installation then runs.
#include "testSupport.h"

#include <QtTest>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <unistd.h>

namespace {

const QByteArray settings =
    "// KTF v1 utf8\nSettings {\n    product = Tool\n    version = 2.0\n"
    "    shortApplicationName = Tool\n    installerTargetDirectory = Tool\n"
    "    uninstallerEnabled = true\n    menuCategory = Science\n    link1 = yes\n"
    "    link1Name = Tool\n    link1DesktopName = \"Tool 2.0\"\n    link1Application = bin/tool\n"
    "    link1Icon = tool\n    link1Action1 = yes\n    link1Action1Name = Shell\n"
    "    link1Action1Exec = bin/tool\n}\n";

// The df of the archive's space check, reporting 1 kB free below $FULL_DISK.
const QByteArray fullDisk = "if [[ ${!#} == \"$FULL_DISK\"* ]]; then\n"
                            "    printf 'Filesystem 1024-blocks Used Available Capacity Mounted "
                            "on\\nfull 8 7 1 99%% /\\n'\nelse\n    exec /usr/bin/df \"$@\"\nfi\n";

const char refusalHint[] =
    "You can force the installation by passing the --force-prefix command line option.\n"
    "WARNING: The uninstaller will delete the installation directory completely.\n";

// Every entry with its size and time of change, the directory's own included: whatever is
// created, changed or removed below it shows.
QStringList snapshot(const QString &directory)
{
    QStringList entries;
    QDirIterator it(directory, QDir::AllEntries | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo entry(it.next());
        if (entry.fileName() != QLatin1String(".."))
            entries << QStringLiteral("%1 %2 %3")
                           .arg(entry.filePath(), QString::number(entry.size()),
                                QString::number(entry.lastModified().toMSecsSinceEpoch()));
    }
    entries.sort();
    return entries;
}

// The lines of the output, the test's directory shown as ROOT and the sizes of the space
// check, which depend on the machine, as #.
QStringList outputLines(const QByteArray &output, const QString &root)
{
    QString text = QString::fromUtf8(output);
    text.replace(root, QStringLiteral("ROOT"));
    text.replace(QRegularExpression(QStringLiteral("[0-9.]+ (?:kB |MB |bytes )?(needed|free)")),
                 QStringLiteral("# \\1"));
    return text.split(QLatin1Char('\n'));
}

} // namespace

class DryRunTest : public QObject
{
    Q_OBJECT

private:
    TestSupport::WorkDirectory work;
    QString archive;
    QString installer;

    TestSupport::ProcessResult run(const QStringList &arguments,
                                   const QProcessEnvironment &environment)
    {
        return TestSupport::runProgram(QStringLiteral("bash"), QStringList{archive} + arguments,
                                       environment, work.path());
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(work.isValid());
        const QString product = work.filePath(QStringLiteral("product"));
        QVERIFY(TestSupport::writeFile(product + QStringLiteral("/bin/tool"), "tool\n"));
        QVERIFY(
            TestSupport::writeFile(product + QStringLiteral("/bin/icons/48x48/tool.png"), "png"));
        QVERIFY(TestSupport::writeFile(product + QStringLiteral("/doc/read me.txt"), "read me\n"));
        installer = TestSupport::makeInstallerDirectory(work.filePath(QStringLiteral("installer")),
                                                        settings);
        archive =
            TestSupport::makeArchive(product, installer, work.filePath(QStringLiteral("tool.run")));
        QVERIFY(!archive.isEmpty());
    }

    void plan_data()
    {
        // empty, full (a file in it), previous (installation), no space, read-only (its parent)
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("lines"); // in this order among the output's lines
        const QString checks = QStringLiteral(R"(Target directory: ROOT/Tool
Check "root directory": passed
Check "home directory": passed
Check "temporary directory": passed
)");
        const QString files = QStringLiteral(R"(Files: 3, 16 bytes unpacked
Space: # needed, # free on the file system of ROOT)");
        const QString D = QStringLiteral("ROOT/Tool/Uninstaller/desktopEntries");
        QTest::newRow("accepted")
            << QStringLiteral("empty") << 0
            << QStringLiteral("Dry run of the installation of Tool 2.0: nothing is written.\n") +
                   checks + QStringLiteral(R"(Check "not empty": passed
Check "writable": passed
Previous installation: none
)") + files +
                   QStringLiteral(R"(
Uninstaller: ROOT/Tool/uninstall, with a copy of the installer in ROOT/Tool/Uninstaller/
Icon (size 48): ROOT/Tool/bin/icons/48x48/tool.png
    xdg-icon-resource install --novendor --size 48 ROOT/Tool/bin/icons/48x48/tool.png
Desktop shortcut "Tool 2.0": D/Tool_link1-desktop.desktop
    xdg-desktop-icon install --novendor D/Tool_link1-desktop.desktop
Launcher favourite: none (no Unity launcher settings to add D/Tool_link1-desktop.desktop to)
Menu entry "Tool": D/Tool_link1-menu.desktop
Menu entry "Uninstall Tool 2.0": D/Tool_link2-menu.desktop
Submenu "Tool 2.0": D/Tool1-menu.directory
    xdg-desktop-menu install --novendor D/Tool1-menu.directory D/Tool_link1-menu.desktop D/Tool_link2-menu.desktop
Program run after installation: none
The installation would proceed.)")
                       .replace(QLatin1String("D/"), D + QLatin1Char('/'));
        QTest::newRow("refused") << QStringLiteral("full") << 1
                                 << checks + QStringLiteral(R"(Check "not empty": refused
Check "writable": passed
Error: The installation directory 'ROOT/Tool' is not empty.

)") + QLatin1String(refusalHint) + QStringLiteral("\nPrevious installation: none\n") +
                                        files.section(QLatin1Char('\n'), 0, 0) +
                                        QStringLiteral("\nThe installation would be refused.\n"
                                                       "Usage: tool.run [options]");
        QTest::newRow("previous installation")
            << QStringLiteral("previous") << 0 << QStringLiteral(R"(Check "not empty": passed
Previous installation: removed first by its uninstaller
    (cd ROOT/Tool && ROOT/Tool/uninstall --mode console)
Files: 3, 16 bytes unpacked
Space: # needed, # free on the file system of ROOT/Tool
The installation would proceed.)");
        QTest::newRow("not enough space")
            << QStringLiteral("no space") << 1 << files + QStringLiteral(R"(
Error: not enough space in ROOT/Tool: # needed, # free.
The installation would be refused.)");
        QTest::newRow("read-only parent")
            << QStringLiteral("read-only") << 1 << QStringLiteral(R"(Check "writable": refused
Error: Failed to create installation directory: ROOT/Tool
The installation would be refused.)");
    }

    void plan()
    {
        QFETCH(QString, target);
        QFETCH(int, exitCode);
        QFETCH(QString, lines);
        if (target == QLatin1String("read-only") && ::geteuid() == 0)
            QSKIP("Root may write into any directory.");
        const QString root = work.fresh(QStringLiteral("root"));
        const QString prefix = root + QStringLiteral("/Tool");
        if (target == QLatin1String("full"))
            QVERIFY(TestSupport::writeFile(prefix + QStringLiteral("/kept.txt"), "kept\n"));
        if (target == QLatin1String("previous")) { // its uninstall leaves a trace if it runs
            QVERIFY(
                TestSupport::writeFile(prefix + QStringLiteral("/Uninstaller/LinuxInstaller"), ""));
            QVERIFY(TestSupport::writeScript(prefix + QStringLiteral("/uninstall"),
                                             "touch \"$0.ran\"\n"));
        }
        const QString home = work.fresh(QStringLiteral("home"));
        const QString temporary = work.fresh(QStringLiteral("tmp"));
        QProcessEnvironment environment = TestSupport::archiveEnvironment(home, temporary);
        if (target == QLatin1String("no space")) {
            const QString bin = work.fresh(QStringLiteral("bin"));
            QVERIFY(TestSupport::writeScript(bin + QStringLiteral("/df"), fullDisk));
            environment.insert(QStringLiteral("PATH"),
                               bin + QLatin1Char(':') + environment.value(QStringLiteral("PATH")));
            environment.insert(QStringLiteral("FULL_DISK"), root);
        }
        if (target == QLatin1String("read-only"))
            QVERIFY(QFile::setPermissions(root, QFile::ReadOwner | QFile::ExeOwner));
        const QStringList before = snapshot(root) + snapshot(home);
        const TestSupport::ProcessResult result =
            run({QStringLiteral("--dry-run"), QStringLiteral("--prefix"), prefix}, environment);
        QCOMPARE(snapshot(root) + snapshot(home), before);
        QCOMPARE(QDir(temporary).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
        QCOMPARE(result.standardError, QByteArray());
        QCOMPARE(result.exitCode, exitCode);

        const QStringList output = outputLines(result.standardOutput, root);
        qsizetype next = 0;
        for (const QString &line : lines.split(QLatin1Char('\n'))) {
            next = output.indexOf(line, next) + 1;
            QVERIFY2(next > 0, qPrintable(QStringLiteral("missing or out of order: ") + line +
                                          QStringLiteral("\n") + output.join(QLatin1Char('\n'))));
        }
        if (target != QLatin1String("empty"))
            return;
        // The installation runs what the plan shows, in the same order.
        const TestSupport::ProcessResult installed =
            run({QStringLiteral("--mode"), QStringLiteral("console"), QStringLiteral("--verbose"),
                 QStringLiteral("--prefix"), prefix},
                environment);
        QCOMPARE(installed.exitCode, 0);
        QStringList planned = output.filter(QRegularExpression(QStringLiteral("^    ")));
        planned.replaceInStrings(QRegularExpression(QStringLiteral("^    ")),
                                 QStringLiteral("Running "));
        QCOMPARE(outputLines(installed.standardOutput, root)
                     .filter(QRegularExpression(QStringLiteral("^Running "))),
                 planned);
    }

    // A script that is no archive of ours is not asked for figures: it might install.
    void foreignScript()
    {
        const QString script = work.fresh(QStringLiteral("script")) + QStringLiteral("/run");
        QVERIFY(TestSupport::writeScript(script, "mkdir -p \"$2/bin\"\n"));
        const QString prefix = work.filePath(QStringLiteral("foreign"));
        const TestSupport::ProcessResult result = TestSupport::runProgram(
            installer + QStringLiteral("/LinuxInstaller"),
            {script, QStringLiteral("--settings-file"),
             installer + QStringLiteral("/installer.settings"), QStringLiteral("--temp-directory"),
             work.fresh(QStringLiteral("tmp")), QStringLiteral("--dry-run"),
             QStringLiteral("--prefix"), prefix},
            TestSupport::sandboxEnvironment(work.fresh(QStringLiteral("home"))));
        QVERIFY2(result.standardOutput.contains(
                     "\nFiles: unknown (the archive script tells no figures)\n"),
                 result.standardOutput);
        QCOMPARE(result.exitCode, 0);
        QVERIFY(!QFileInfo::exists(prefix));
    }

    // With --progress=json the plan is one event between start and end.
    void json()
    {
        const QString prefix = work.fresh(QStringLiteral("full"));
        QVERIFY(TestSupport::writeFile(prefix + QStringLiteral("/kept.txt"), "kept\n"));
        const TestSupport::ProcessResult result =
            run({QStringLiteral("--dry-run"), QStringLiteral("--progress=json"),
                 QStringLiteral("--no-desktop-files"), QStringLiteral("--prefix"), prefix},
                TestSupport::archiveEnvironment(work.fresh(QStringLiteral("home")),
                                                work.fresh(QStringLiteral("tmp"))));
        QCOMPARE(result.exitCode, 1);
        const QList<QByteArray> events = result.standardOutput.trimmed().split('\n');
        QCOMPARE(events.size(), 3);
        const QJsonObject plan = QJsonDocument::fromJson(events.at(1)).object();
        QCOMPARE(plan.value(QStringLiteral("event")).toString(), QStringLiteral("plan"));
        QCOMPARE(plan.value(QStringLiteral("proceed")).toBool(true), false);
        QCOMPARE(plan.value(QStringLiteral("files")).toInt(), 3);
        QCOMPARE(plan.value(QStringLiteral("errors")).toArray(),
                 QJsonArray{QStringLiteral("Error: The installation directory '") + prefix +
                            QStringLiteral("' is not empty.\n\n") + QLatin1String(refusalHint)});
        QCOMPARE(QJsonDocument::fromJson(events.at(2)).object().value(QStringLiteral("exitCode")),
                 QJsonValue(1));
    }
};

QTEST_GUILESS_MAIN(DryRunTest)
#include "tst_dryRun.moc"
