// Console installations end to end: real archives made by tools/make-archive, run with bash,
// and the installer run directly with hand-written archive scripts for the odd cases.
#include "installerOptions.h"
#include "ornaBase.h"
#include "ornaInstaller.h"
#include "testSupport.h"

#include <QtTest>

#include <cstdio>
#include <unistd.h>

using TestSupport::ProcessResult;

namespace {

const QByteArray hint =
    "You can force the installation by passing the --force-prefix command line option.\n"
    "WARNING: The uninstaller will delete the installation directory completely.\n";

QByteArray usage(const QString &name)
{
    return TestSupport::expectedUsage(name);
}

QByteArray settingsText(bool uninstallerEnabled)
{
    return QByteArray("// KTF v1 utf8\nSettings {\n    product = Tool\n    version = 2.0\n"
                      "    shortApplicationName = Tool\n    installerTargetDirectory = Tool\n"
                      "    uninstallerEnabled = ") +
           (uninstallerEnabled ? "true" : "false") + "\n}\n";
}

using TestSupport::writeFile;

// The product of the test archives: blanks, quotes and non-ASCII letters in names, an
// executable, a private file and a symbolic link.
const QStringList productFiles = {
    QStringLiteral("bin/tool"),
    QStringLiteral("bin/tool-link"),
    QStringLiteral("data/Grüße \"quoted\" and 'single'.txt"),
    QStringLiteral("data/private.txt"),
    QStringLiteral("doc/read me.txt"),
};

} // namespace

class TestInstall : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_work;
    QString m_archive;      // uninstallerEnabled true
    QString m_plainArchive; // uninstallerEnabled false
    QString m_plainInstaller;
    QString m_plainSettings;
    int m_counter = 0;

    QString work(const QString &name) const { return m_work.filePath(name); }

    // A fresh directory below the work directory.
    QString freshDirectory(const QString &stem)
    {
        const QString path = work(stem + QString::number(++m_counter));
        QDir().mkpath(path);
        return path;
    }

    QString makeInstallerDirectory(const QString &name, bool uninstallerEnabled)
    {
        return TestSupport::makeInstallerDirectory(work(name), settingsText(uninstallerEnabled));
    }

    QString makeArchive(const QString &name, const QString &installer)
    {
        return TestSupport::makeArchive(work(QStringLiteral("product")), installer, work(name));
    }

    // Runs an archive with HOME and TMPDIR of its own; home and tmp are created.
    ProcessResult runArchive(const QString &archive, const QStringList &arguments,
                             const QString &home, const QString &tmp)
    {
        QProcessEnvironment environment = TestSupport::sandboxEnvironment(home);
        QDir().mkpath(tmp);
        environment.insert(QStringLiteral("TMPDIR"), tmp);
        return TestSupport::runProgram(QStringLiteral("bash"), QStringList{archive} + arguments,
                                       environment, m_work.path());
    }

    // Runs the installer directly with a hand-written archive script.
    ProcessResult runWithScript(const QByteArray &scriptBody, const QString &prefix,
                                const QStringList &extra = QStringList())
    {
        const QString script =
            freshDirectory(QStringLiteral("script")) + QStringLiteral("/archive.run");
        TestSupport::writeScript(script, scriptBody);
        const QStringList arguments = QStringList{script,
                                                  QStringLiteral("--settings-file"),
                                                  m_plainSettings,
                                                  QStringLiteral("--mode"),
                                                  QStringLiteral("console"),
                                                  QStringLiteral("--no-desktop-files"),
                                                  QStringLiteral("--prefix"),
                                                  prefix} +
                                      extra;
        return TestSupport::runProgram(
            m_plainInstaller + QStringLiteral("/LinuxInstaller"), arguments,
            TestSupport::sandboxEnvironment(freshDirectory(QStringLiteral("home"))), m_work.path());
    }

    static QByteArray installing(const QString &directory)
    {
        return "Installing Tool 2.0 in " + directory.toUtf8() + "...\n";
    }

    static bool isEmptyDirectory(const QString &path)
    {
        return QDir(path)
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
            .isEmpty();
    }

private Q_SLOTS:
    void initTestCase()
    {
        ORNABase::initialize();
        QVERIFY(m_work.isValid());
        const QString product = work(QStringLiteral("product"));
        QVERIFY(writeFile(product + QStringLiteral("/bin/tool"), "#!/bin/sh\necho tool\n"));
        QVERIFY(QFile::setPermissions(product + QStringLiteral("/bin/tool"),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                          QFile::ReadGroup | QFile::ExeGroup));
        QVERIFY(QFile::link(QStringLiteral("tool"), product + QStringLiteral("/bin/tool-link")));
        QVERIFY(writeFile(product + QStringLiteral("/data/Grüße \"quoted\" and 'single'.txt"),
                          "umlauts\n"));
        QVERIFY(writeFile(product + QStringLiteral("/data/private.txt"), "secret\n"));
        QVERIFY(QFile::setPermissions(product + QStringLiteral("/data/private.txt"),
                                      QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(writeFile(product + QStringLiteral("/doc/read me.txt"), "read me\n"));

        m_archive = makeArchive(QStringLiteral("tool.run"),
                                makeInstallerDirectory(QStringLiteral("installer"), true));
        QVERIFY(!m_archive.isEmpty());
        m_plainInstaller = makeInstallerDirectory(QStringLiteral("plainInstaller"), false);
        m_plainSettings = m_plainInstaller + QStringLiteral("/installer.settings");
        m_plainArchive = makeArchive(QStringLiteral("plain.run"), m_plainInstaller);
        QVERIFY(!m_plainArchive.isEmpty());
    }

    void archiveInstallsEveryFile()
    {
        const QString home = freshDirectory(QStringLiteral("home"));
        const QString tmp = freshDirectory(QStringLiteral("tmp"));
        const QString target = work(QStringLiteral("targets/Tool ünicode 'x'"));
        const ProcessResult result =
            runArchive(m_plainArchive,
                       {QStringLiteral("--mode"), QStringLiteral("console"),
                        QStringLiteral("--no-desktop-files"), QStringLiteral("--verbose"),
                        QStringLiteral("--prefix"), target},
                       home, tmp);
        QCOMPARE(result.standardError, QByteArray());
        QCOMPARE(result.exitCode, 0);

        QList<QByteArray> lines = result.standardOutput.split('\n');
        QCOMPARE(lines.takeLast(), QByteArray());
        QCOMPARE(lines.takeFirst() + '\n', installing(target));
        QCOMPARE(lines.takeLast(), QByteArray("Finished."));
        QStringList printed;
        for (const QByteArray &line : lines)
            printed << QString::fromUtf8(line);
        printed.sort();
        QCOMPARE(printed, productFiles);

        QCOMPARE(TestSupport::readAll(target +
                                      QStringLiteral("/data/Grüße \"quoted\" and 'single'.txt")),
                 QByteArray("umlauts\n"));
        QCOMPARE(QFileInfo(target + QStringLiteral("/bin/tool-link")).symLinkTarget(),
                 target + QStringLiteral("/bin/tool"));
        QCOMPARE(QFile::permissions(target + QStringLiteral("/data/private.txt")),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
        QVERIFY(QFileInfo(target + QStringLiteral("/bin/tool")).isExecutable());
        QVERIFY2(isEmptyDirectory(tmp), "the archive left its temporary directory behind");
    }

    void progressLinesOnlyWithVerbose()
    {
        const QString target = freshDirectory(QStringLiteral("quiet")) + QStringLiteral("/Tool");
        const ProcessResult result = runArchive(
            m_plainArchive,
            {QStringLiteral("--mode"), QStringLiteral("silent"),
             QStringLiteral("--no-desktop-files"), QStringLiteral("--prefix"), target},
            freshDirectory(QStringLiteral("home")), freshDirectory(QStringLiteral("tmp")));
        QCOMPARE(result.standardOutput, installing(target) + "Finished.\n");
        QCOMPARE(result.standardError, QByteArray());
        QCOMPARE(result.exitCode, 0);
        QVERIFY(QFile::exists(target + QStringLiteral("/doc/read me.txt")));
    }

    void refusedDirectories_data()
    {
        QTest::addColumn<QString>("prefix"); // "HOME", "TMP" and "LINK" are replaced
        QTest::addColumn<QByteArray>("firstLine");
        QTest::newRow("root") << "/"
                              << QByteArray(
                                     "Error: Refusing to install in the root directory.\n\n");
        QTest::newRow("home") << "HOME"
                              << QByteArray(
                                     "Error: Refusing to install in the home directory.\n\n");
        QTest::newRow("home through a link")
            << "LINK" << QByteArray("Error: Refusing to install in the home directory.\n\n");
        QTest::newRow("home through a missing directory and ..")
            << "HOME/missing/.."
            << QByteArray("Error: Refusing to install in the home directory.\n\n");
        QTest::newRow("home through .")
            << "HOME/./." << QByteArray("Error: Refusing to install in the home directory.\n\n");
        QTest::newRow("root through missing directories")
            << "/orna-missing/deeper/../.."
            << QByteArray("Error: Refusing to install in the root directory.\n\n");
        QTest::newRow("temporary directory")
            << "TMP" << QByteArray("Error: Refusing to install in the temporary directory.\n\n");
        QTest::newRow("not empty") << "HOME/full" << QByteArray("NOTEMPTY");
    }

    void refusedDirectories()
    {
        QFETCH(QString, prefix);
        QFETCH(QByteArray, firstLine);
        const QString home = freshDirectory(QStringLiteral("home"));
        const QString tmp = freshDirectory(QStringLiteral("tmp"));
        writeFile(home + QStringLiteral("/full/file.txt"), "x");
        const QString link = freshDirectory(QStringLiteral("links")) + QStringLiteral("/home-link");
        QVERIFY(QFile::link(home, link));
        prefix.replace(QStringLiteral("HOME"), home)
            .replace(QStringLiteral("TMP"), tmp)
            .replace(QStringLiteral("LINK"), link);
        if (firstLine == "NOTEMPTY")
            firstLine =
                "Error: The installation directory '" + prefix.toUtf8() + "' is not empty.\n\n";
        TestSupport::sandboxEnvironment(home); // creates the desktop directories beforehand
        const QStringList before = QDir(home).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

        const ProcessResult result =
            runArchive(m_archive,
                       {QStringLiteral("--mode"), QStringLiteral("console"),
                        QStringLiteral("--no-desktop-files"), QStringLiteral("--prefix"), prefix},
                       home, tmp);
        QCOMPARE(result.standardOutput,
                 firstLine + hint + '\n' + usage(QStringLiteral("tool.run")));
        QCOMPARE(result.standardError, QByteArray());
        QCOMPARE(result.exitCode, 1);
        QCOMPARE(QDir(home).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
        QVERIFY(!QFile::exists(home + QStringLiteral("/bin")));
        QVERIFY2(isEmptyDirectory(tmp), "the archive left its temporary directory behind");
    }

    void acceptedDirectories_data()
    {
        QTest::addColumn<bool>("uninstallerEnabled");
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<QString>("prefix");     // HOME is replaced; "" means a fresh directory
        QTest::addColumn<QByteArray>("content"); // "hidden" or "file"
        QTest::newRow("hidden files only count as empty")
            << true << QStringList() << QString() << QByteArray("hidden");
        QTest::newRow("force prefix: home") << true << QStringList{QStringLiteral("--force-prefix")}
                                            << QStringLiteral("HOME") << QByteArray("file");
        QTest::newRow("force prefix: not empty")
            << true << QStringList{QStringLiteral("--force-prefix")} << QString()
            << QByteArray("file");
        QTest::newRow("no uninstaller: home, no checks")
            << false << QStringList() << QStringLiteral("HOME") << QByteArray("file");
        QTest::newRow("no uninstaller: not empty, no checks")
            << false << QStringList() << QString() << QByteArray("file");
    }

    void acceptedDirectories()
    {
        QFETCH(bool, uninstallerEnabled);
        QFETCH(QStringList, extra);
        QFETCH(QString, prefix);
        QFETCH(QByteArray, content);
        const QString home = freshDirectory(QStringLiteral("home"));
        const QString target = prefix.isEmpty()
                                   ? freshDirectory(QStringLiteral("target"))
                                   : QString(prefix).replace(QStringLiteral("HOME"), home);
        writeFile(target + (content == "hidden" ? QStringLiteral("/.hidden")
                                                : QStringLiteral("/kept.txt")),
                  "old\n");
        const ProcessResult result = runArchive(
            uninstallerEnabled ? m_archive : m_plainArchive,
            QStringList{QStringLiteral("--mode"), QStringLiteral("console"),
                        QStringLiteral("--no-desktop-files"), QStringLiteral("--prefix"), target} +
                extra,
            home, freshDirectory(QStringLiteral("tmp")));
        QCOMPARE(result.standardError, QByteArray());
        QVERIFY2(result.standardOutput.startsWith(installing(target)), result.standardOutput);
        QVERIFY2(result.standardOutput.endsWith("Finished.\n"), result.standardOutput);
        QCOMPARE(result.exitCode, 0);
        QVERIFY(QFile::exists(target + QStringLiteral("/doc/read me.txt")));
        QCOMPARE(TestSupport::readAll(target + (content == "hidden" ? QStringLiteral("/.hidden")
                                                                    : QStringLiteral("/kept.txt"))),
                 QByteArray("old\n"));
    }

    // A previous installation is accepted; its uninstall script runs first, in console mode.
    void previousInstallationIsUninstalledFirst_data()
    {
        QTest::addColumn<bool>("verbose");
        QTest::addColumn<bool>("force");
        QTest::addColumn<bool>("mark"); // Uninstaller/LinuxInstaller present
        QTest::newRow("plain") << false << false << true;
        QTest::newRow("verbose") << true << false << true;
        QTest::newRow("force prefix without the mark") << false << true << false;
    }

    void previousInstallationIsUninstalledFirst()
    {
        QFETCH(bool, verbose);
        QFETCH(bool, force);
        QFETCH(bool, mark);
        const QString target = freshDirectory(QStringLiteral("previous"));
        const QString record = work(QStringLiteral("record") + QString::number(m_counter));
        if (mark)
            writeFile(target + QStringLiteral("/Uninstaller/LinuxInstaller"), "old program\n");
        writeFile(target + QStringLiteral("/old.txt"), "old\n");
        QVERIFY(TestSupport::writeScript(target + QStringLiteral("/uninstall"),
                                         "printf '%s|' \"$PWD\" \"$@\" > '" + record.toUtf8() +
                                             "'\nrm -f old.txt\necho 'old uninstaller: bye'\necho "
                                             "'old uninstaller: warning' >&2\n"));
        QStringList arguments = {QStringLiteral("--mode"), QStringLiteral("console"),
                                 QStringLiteral("--no-desktop-files"), QStringLiteral("--prefix"),
                                 target};
        if (verbose)
            arguments << QStringLiteral("--verbose");
        if (force)
            arguments << QStringLiteral("--force-prefix");
        const ProcessResult result =
            runArchive(m_archive, arguments, freshDirectory(QStringLiteral("home")),
                       freshDirectory(QStringLiteral("tmp")));
        const QByteArray expectedStart = "Calling " + target.toUtf8() +
                                         "/uninstall...\nold uninstaller: bye\n"
                                         "old uninstaller: warning\n" +
                                         installing(target);
        QVERIFY2(result.standardOutput.startsWith(expectedStart), result.standardOutput);
        QVERIFY(result.standardOutput.endsWith("Finished.\n"));
        QCOMPARE(result.standardError, QByteArray());
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(TestSupport::readAll(record),
                 target.toUtf8() + (verbose ? "|--mode|console|--verbose|" : "|--mode|console|"));
        QVERIFY(!QFile::exists(target + QStringLiteral("/old.txt")));
        QVERIFY(QFile::exists(target + QStringLiteral("/bin/tool")));
    }

    void uninstallScriptIgnoredWithoutUninstaller()
    {
        const QString target = freshDirectory(QStringLiteral("nouninstaller"));
        const QString record = target + QStringLiteral(".record");
        QVERIFY(TestSupport::writeScript(target + QStringLiteral("/uninstall"),
                                         "touch '" + record.toUtf8() + "'\n"));
        const ProcessResult result = runArchive(
            m_plainArchive,
            {QStringLiteral("--mode"), QStringLiteral("console"),
             QStringLiteral("--no-desktop-files"), QStringLiteral("--prefix"), target},
            freshDirectory(QStringLiteral("home")), freshDirectory(QStringLiteral("tmp")));
        QCOMPARE(result.standardOutput, installing(target) + "Finished.\n");
        QCOMPARE(result.exitCode, 0);
        QVERIFY(!QFile::exists(record));
    }

    void uninstallerThatCannotStart()
    {
        const QString target = freshDirectory(QStringLiteral("broken"));
        writeFile(target + QStringLiteral("/Uninstaller/LinuxInstaller"), "x");
        writeFile(target + QStringLiteral("/uninstall"), "#!/bin/sh\nexit 0\n");
        QFile::setPermissions(target + QStringLiteral("/uninstall"),
                              QFile::ReadOwner | QFile::WriteOwner);
        const ProcessResult result = runArchive(
            m_archive,
            {QStringLiteral("--mode"), QStringLiteral("console"),
             QStringLiteral("--no-desktop-files"), QStringLiteral("--prefix"), target},
            freshDirectory(QStringLiteral("home")), freshDirectory(QStringLiteral("tmp")));
        const QByteArray start =
            "Calling " + target.toUtf8() + "/uninstall...\nError: Uninstaller did not start: ";
        QVERIFY2(result.standardOutput.startsWith(start), result.standardOutput);
        const QByteArray rest = result.standardOutput.mid(start.size());
        const QByteArray tail = '\n' + usage(QStringLiteral("tool.run"));
        QVERIFY2(rest.endsWith(tail), rest);
        QVERIFY(rest.size() > tail.size()); // the reason is given
        QVERIFY(!rest.left(rest.size() - tail.size()).contains('\n'));
        QCOMPARE(result.exitCode, 1);
        QVERIFY(!QFile::exists(target + QStringLiteral("/bin")));
    }

    void scriptOutput_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<bool>("verbose");
        QTest::addColumn<QByteArray>("between"); // between "Installing..." and "Finished."
        QTest::addColumn<QByteArray>("after");   // after "Finished."
        QTest::addColumn<int>("exitCode");
        QTest::newRow("lines only with verbose")
            << QByteArray("echo one; echo two\n") << false << QByteArray() << QByteArray() << 0;
        QTest::newRow("verbose: trimmed lines")
            << QByteArray("echo one; printf '  two \\t\\n'; printf 'last without break'\n") << true
            << QByteArray("one\ntwo\nlast without break\n") << QByteArray() << 0;
        QTest::newRow("arguments reach the script")
            << QByteArray("printf '%s\\n' \"$1\" \"$2\" \"$#\"\n") << true
            << QByteArray("--install\nPREFIX\n3\n") << QByteArray() << 0;
        QTest::newRow("standard error always shown")
            << QByteArray("echo hidden; echo '  problem: Grüße  ' >&2\n") << false
            << QByteArray("problem: Grüße\n") << QByteArray() << 0;
        QTest::newRow("Latin-1 and NUL")
            << QByteArray("printf 'caf\\xe9\\n' >&2; printf 'a\\0b\\n' >&2\n") << false
            << QByteArray("caf\xc3\xa9\na\n") << QByteArray() << 0;
        QTest::newRow("long line")
            << QByteArray("head -c 10000 /dev/zero | tr '\\0' x; echo; echo short\n") << true
            << QByteArray(10000, 'x') + "\nshort\n"
            << QByteArray() << 0;
        QTest::newRow("script fails")
            << QByteArray("echo copied; echo 'disk full' >&2; exit 3\n") << false
            << QByteArray("disk full\nError: The installation script failed with exit code 3.\n"
                          "Removing what was installed in PREFIX...\n")
            << QByteArray("USAGE") << 1;
        QTest::newRow("script crashes")
            << QByteArray("kill -SEGV $$\n") << false
            << QByteArray("Error: The installation script crashed.\nRemoving what was installed "
                          "in PREFIX...\n")
            << QByteArray("USAGE") << 1;
    }

    void scriptOutput()
    {
        QFETCH(QByteArray, script);
        QFETCH(bool, verbose);
        QFETCH(QByteArray, between);
        QFETCH(QByteArray, after);
        QFETCH(int, exitCode);
        const QString target = freshDirectory(QStringLiteral("scripted")) + QStringLiteral("/Tool");
        between.replace("PREFIX", target.toUtf8());
        const ProcessResult result = runWithScript(
            script, target, verbose ? QStringList{QStringLiteral("--verbose")} : QStringList());
        if (after == "USAGE")
            after = usage(QStringLiteral("archive.run"));
        QCOMPARE(result.standardOutput, installing(target) + between + "Finished.\n" + after);
        QCOMPARE(result.standardError, QByteArray());
        QCOMPARE(result.exitCode, exitCode);
        // A failed installation takes the directory it created with it.
        QCOMPARE(QFileInfo::exists(target), exitCode == 0);
    }

    void noPrefixInConsoleMode()
    {
        const ProcessResult result = TestSupport::runProgram(
            m_plainInstaller + QStringLiteral("/LinuxInstaller"),
            {QStringLiteral("archive.run"), QStringLiteral("--settings-file"), m_plainSettings,
             QStringLiteral("--mode"), QStringLiteral("console")},
            TestSupport::sandboxEnvironment(freshDirectory(QStringLiteral("home"))));
        QCOMPARE(result.standardError, QByteArray("Error: No installation directory given.\n"));
        QCOMPARE(result.standardOutput, usage(QStringLiteral("archive.run")));
        QCOMPARE(result.exitCode, 1);
    }

    void directoryThatCannotBeCreated()
    {
        const QString blocker = freshDirectory(QStringLiteral("blocked")) + QStringLiteral("/file");
        writeFile(blocker, "x");
        const QString target = blocker + QStringLiteral("/Tool");
        const ProcessResult result = runWithScript("echo never\n", target);
        QCOMPARE(result.standardOutput,
                 installing(target) + "Error: Failed to create installation directory: " +
                     target.toUtf8() + '\n' + usage(QStringLiteral("archive.run")));
        QCOMPARE(result.exitCode, 1);
    }

    // The wizard passes its field unchanged; an empty one is refused before anything else.
    void emptyDirectoryString()
    {
        InstallerOptions options;
        options.settingsFile = m_plainSettings;
        options.installScript = QStringLiteral("/nonexistent/archive.run");
        ORNAInstaller installer(options);

        QTemporaryFile capture;
        QVERIFY(capture.open());
        std::fflush(stdout);
        const int saved = ::dup(STDOUT_FILENO);
        ::dup2(capture.handle(), STDOUT_FILENO);
        const bool started = installer.installInto(QString(), true);
        std::fflush(stdout);
        ::dup2(saved, STDOUT_FILENO);
        ::close(saved);

        QVERIFY(!started);
        capture.seek(0);
        QCOMPARE(capture.readAll(),
                 QByteArray("Error: the given installation directory is an empty string.\n"));
        QVERIFY(!installer.isInstallationRunning());
    }

    void damagedArchive()
    {
        const QString damaged = work(QStringLiteral("damaged.run"));
        QVERIFY(QFile::copy(m_archive, damaged));
        QFile file(damaged);
        QVERIFY(file.open(QIODevice::ReadWrite));
        file.seek(file.size() - 100);
        const char byte = file.peek(1).at(0);
        file.write(QByteArray(1, char(byte ^ 0x5a)));
        file.close();
        const QString tmp = freshDirectory(QStringLiteral("tmp"));
        const QString target =
            freshDirectory(QStringLiteral("damagedTarget")) + QStringLiteral("/Tool");
        const ProcessResult result =
            runArchive(damaged,
                       {QStringLiteral("--mode"), QStringLiteral("console"),
                        QStringLiteral("--prefix"), target},
                       freshDirectory(QStringLiteral("home")), tmp);
        QCOMPARE(result.standardError, QByteArray("Error: the archive is damaged.\n"));
        QCOMPARE(result.standardOutput, QByteArray());
        QCOMPARE(result.exitCode, 1);
        QVERIFY(isEmptyDirectory(tmp));
        QVERIFY(!QFile::exists(target));
    }

    void archiveInstallModeReportsProblems()
    {
        const QString target = freshDirectory(QStringLiteral("direct")) + QStringLiteral("/Tool");
        const ProcessResult missing = TestSupport::runProgram(
            QStringLiteral("bash"), {m_archive, QStringLiteral("--install"), target,
                                     work(QStringLiteral("no-such-product"))});
        QCOMPARE(missing.standardOutput, QByteArray());
        QCOMPARE(missing.standardError, "Error: The temporary directory does not exist: " +
                                            work(QStringLiteral("no-such-product")).toUtf8() +
                                            '\n');
        QVERIFY(missing.exitCode != 0);

        const ProcessResult copied = TestSupport::runProgram(
            QStringLiteral("bash"),
            {m_archive, QStringLiteral("--install"), target, work(QStringLiteral("product"))});
        QCOMPARE(copied.standardError, QByteArray());
        QCOMPARE(copied.exitCode, 0);
        QStringList printed = QString::fromUtf8(copied.standardOutput).split(QLatin1Char('\n'));
        QCOMPARE(printed.takeLast(), QString());
        printed.sort();
        QCOMPARE(printed, productFiles);
    }

    void archiveHelp()
    {
        const ProcessResult result =
            TestSupport::runProgram(QStringLiteral("bash"), {m_archive, QStringLiteral("--help")});
        QVERIFY(result.standardOutput.startsWith("Usage: tool.run [options]\n"));
        QVERIFY(result.standardOutput.contains("--prefix DIR"));
        QCOMPARE(result.exitCode, 0);
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
