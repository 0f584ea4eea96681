// --dry-run end to end through a real archive: the plan's lines, its exit code, and nothing
// written anywhere (the target's surroundings and the sandbox home stay as they were); the
// commands it shows are the ones the installation then runs.
#include "testSupport.h"

#include <QtTest>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

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
    QTemporaryDir work;
    QString archive;
    int counter = 0;

    QString fresh(const QString &stem)
    {
        const QString path = work.filePath(stem + QString::number(++counter));
        QDir().mkpath(path);
        return path;
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
        const QString installer = TestSupport::makeInstallerDirectory(
            work.filePath(QStringLiteral("installer")), settings);
        archive =
            TestSupport::makeArchive(product, installer, work.filePath(QStringLiteral("tool.run")));
        QVERIFY(!archive.isEmpty());
    }

    void plan_data()
    {
        QTest::addColumn<QString>("target"); // empty, full (a file in it), previous, no space
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("lines"); // in this order among the output's lines
        const QString entries = QStringLiteral("ROOT/Tool/Uninstaller/desktopEntries/");
        const QStringList start = {
            QStringLiteral("Dry run of the installation of Tool 2.0: nothing is written."),
            QStringLiteral("Target directory: ROOT/Tool"),
            QStringLiteral("Check \"root directory\": passed"),
            QStringLiteral("Check \"home directory\": passed"),
            QStringLiteral("Check \"temporary directory\": passed")};
        const QStringList rest = {
            QStringLiteral("Files: 3, 16 bytes unpacked"),
            QStringLiteral("Space: # needed, # free on the file system of ROOT"),
            QStringLiteral("Uninstaller: ROOT/Tool/uninstall, with a copy of the installer in "
                           "ROOT/Tool/Uninstaller/"),
            QStringLiteral("Icon (size 48): ROOT/Tool/bin/icons/48x48/tool.png"),
            QStringLiteral("    xdg-icon-resource install --novendor --size 48 "
                           "ROOT/Tool/bin/icons/48x48/tool.png"),
            QStringLiteral("Desktop shortcut \"Tool 2.0\": ") + entries +
                QStringLiteral("Tool_link1-desktop.desktop"),
            QStringLiteral("    xdg-desktop-icon install --novendor ") + entries +
                QStringLiteral("Tool_link1-desktop.desktop"),
            QStringLiteral("Launcher favourite: none (no Unity launcher settings to add ") +
                entries + QStringLiteral("Tool_link1-desktop.desktop to)"),
            QStringLiteral("Menu entry \"Tool\": ") + entries +
                QStringLiteral("Tool_link1-menu.desktop"),
            QStringLiteral("Menu entry \"Uninstall Tool 2.0\": ") + entries +
                QStringLiteral("Tool_link2-menu.desktop"),
            QStringLiteral("Submenu \"Tool 2.0\": ") + entries +
                QStringLiteral("Tool1-menu.directory"),
            QStringLiteral("    xdg-desktop-menu install --novendor %1Tool1-menu.directory "
                           "%1Tool_link1-menu.desktop %1Tool_link2-menu.desktop")
                .arg(entries),
            QStringLiteral("Program run after installation: none")};
        const QString passed = QStringLiteral("Check \"not empty\": passed");
        const QString none = QStringLiteral("Previous installation: none");
        QTest::newRow("accepted") << QStringLiteral("empty") << 0
                                  << start + QStringList{passed, none} + rest +
                                         QStringList{
                                             QStringLiteral("The installation would proceed.")};
        QTest::newRow("refused") << QStringLiteral("full") << 1
                                 << start + QStringList{
                                                QStringLiteral("Check \"not empty\": refused"),
                                                QStringLiteral("Error: The installation directory "
                                                               "'ROOT/Tool' is not empty."),
                                                QString(),
                                                QStringLiteral("You can force the installation by "
                                                               "passing the --force-prefix command "
                                                               "line option."),
                                                QStringLiteral("WARNING: The uninstaller will "
                                                               "delete the installation directory "
                                                               "completely."),
                                                QString(),
                                                none,
                                                rest.first(),
                                                QStringLiteral("The installation would be "
                                                               "refused."),
                                                QStringLiteral("Usage: tool.run [options]")};
        QTest::newRow("previous installation")
            << QStringLiteral("previous") << 0
            << start +
                   QStringList{
                       passed,
                       QStringLiteral("Previous installation: removed first by its uninstaller"),
                       QStringLiteral("    (cd ROOT/Tool && ROOT/Tool/uninstall --mode "
                                      "console)"),
                       rest.first(),
                       QStringLiteral("Space: # needed, # free on the file system of ROOT/Tool"),
                       rest.at(2)};
        QTest::newRow("not enough space")
            << QStringLiteral("no space") << 1
            << QStringList{
                   QStringLiteral("Space: # needed, # free on the file system of ROOT"),
                   QStringLiteral("Error: not enough space in ROOT/Tool: # needed, # free."),
                   QStringLiteral("The installation would be refused.")};
    }

    void plan()
    {
        QFETCH(QString, target);
        QFETCH(int, exitCode);
        QFETCH(QStringList, lines);
        const QString root = fresh(QStringLiteral("root"));
        const QString prefix = root + QStringLiteral("/Tool");
        if (target == QLatin1String("full"))
            QVERIFY(TestSupport::writeFile(prefix + QStringLiteral("/kept.txt"), "kept\n"));
        if (target == QLatin1String("previous")) { // its uninstall leaves a trace if it runs
            QVERIFY(
                TestSupport::writeFile(prefix + QStringLiteral("/Uninstaller/LinuxInstaller"), ""));
            QVERIFY(TestSupport::writeScript(prefix + QStringLiteral("/uninstall"),
                                             "touch \"$0.ran\"\n"));
        }
        const QString home = fresh(QStringLiteral("home"));
        const QString temporary = fresh(QStringLiteral("tmp"));
        QProcessEnvironment environment = TestSupport::sandboxEnvironment(home);
        environment.insert(QStringLiteral("TMPDIR"), temporary);
        if (target == QLatin1String("no space")) {
            const QString bin = fresh(QStringLiteral("bin"));
            QVERIFY(TestSupport::writeScript(bin + QStringLiteral("/df"), fullDisk));
            environment.insert(QStringLiteral("PATH"),
                               bin + QLatin1Char(':') + environment.value(QStringLiteral("PATH")));
            environment.insert(QStringLiteral("FULL_DISK"), root);
        }
        const QStringList before = snapshot(root) + snapshot(home);
        const TestSupport::ProcessResult result = TestSupport::runProgram(
            QStringLiteral("bash"),
            {archive, QStringLiteral("--dry-run"), QStringLiteral("--prefix"), prefix}, environment,
            work.path());
        QCOMPARE(snapshot(root) + snapshot(home), before);
        QCOMPARE(QDir(temporary).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
        QCOMPARE(result.standardError, QByteArray());
        QCOMPARE(result.exitCode, exitCode);

        const QStringList output = outputLines(result.standardOutput, root);
        qsizetype next = 0;
        for (const QString &line : lines) {
            next = output.indexOf(line, next) + 1;
            QVERIFY2(next > 0, qPrintable(QStringLiteral("missing or out of order: ") + line +
                                          QStringLiteral("\n") + output.join(QLatin1Char('\n'))));
        }
        if (target != QLatin1String("empty"))
            return;
        // The installation runs what the plan shows, in the same order.
        const TestSupport::ProcessResult installed = TestSupport::runProgram(
            QStringLiteral("bash"),
            {archive, QStringLiteral("--mode"), QStringLiteral("console"),
             QStringLiteral("--verbose"), QStringLiteral("--prefix"), prefix},
            environment, work.path());
        QCOMPARE(installed.exitCode, 0);
        QStringList planned = output.filter(QRegularExpression(QStringLiteral("^    ")));
        planned.replaceInStrings(QRegularExpression(QStringLiteral("^    ")),
                                 QStringLiteral("Running "));
        QCOMPARE(outputLines(installed.standardOutput, root)
                     .filter(QRegularExpression(QStringLiteral("^Running "))),
                 planned);
    }

    // With --progress=json the plan is one event between start and end.
    void json()
    {
        const QString prefix = fresh(QStringLiteral("full"));
        QVERIFY(TestSupport::writeFile(prefix + QStringLiteral("/kept.txt"), "kept\n"));
        QProcessEnvironment environment =
            TestSupport::sandboxEnvironment(fresh(QStringLiteral("home")));
        environment.insert(QStringLiteral("TMPDIR"), fresh(QStringLiteral("tmp")));
        const TestSupport::ProcessResult result = TestSupport::runProgram(
            QStringLiteral("bash"),
            {archive, QStringLiteral("--dry-run"), QStringLiteral("--progress=json"),
             QStringLiteral("--no-desktop-files"), QStringLiteral("--prefix"), prefix},
            environment, work.path());
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
