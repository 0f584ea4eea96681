// Console installations end to end: real archives made by tools/make-archive, run with bash,
// and the installer run directly with hand-written archive scripts for the odd cases.
#include "installerOptions.h"
#include "ornaBase.h"
#include "ornaInstaller.h"
#include "testSupport.h"

#include <QtTest>

#include <QRegularExpression>
#include <QScopeGuard>

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

    // Runs an archive with HOME and TMPDIR of its own (home and tmp are created), further
    // NAME=value settings, through the given shell.
    ProcessResult runArchive(const QString &archive, const QStringList &arguments,
                             const QString &home, const QString &tmp,
                             const QStringList &settings = QStringList(),
                             const QString &shell = QStringLiteral("bash"))
    {
        QProcessEnvironment environment = TestSupport::sandboxEnvironment(home);
        QDir().mkpath(tmp);
        environment.insert(QStringLiteral("TMPDIR"), tmp);
        for (const QString &setting : settings)
            environment.insert(setting.section(QLatin1Char('='), 0, 0),
                               setting.section(QLatin1Char('='), 1));
        return TestSupport::runProgram(shell, QStringList{archive} + arguments, environment,
                                       m_work.path());
    }

    ProcessResult consoleInstall(const QString &archive, const QString &target, const QString &tmp,
                                 const QStringList &settings = QStringList(),
                                 const QString &shell = QStringLiteral("bash"))
    {
        return runArchive(archive, TestSupport::consoleArguments(target, {"--verbose"}),
                          freshDirectory(QStringLiteral("home")), tmp, settings, shell);
    }

    // "offset size" of an archive's part ("Installer" or "Product") as --info tells it.
    QPair<qint64, qint64> partRange(const QString &archive, const QString &part)
    {
        const QString info = QString::fromUtf8(
            TestSupport::runProgram(QStringLiteral("bash"), {archive, QStringLiteral("--info")})
                .standardOutput);
        const QRegularExpressionMatch match =
            QRegularExpression(part + QStringLiteral(" part: (\\d+) bytes at (\\d+),")).match(info);
        return {match.captured(2).toLongLong(), match.captured(1).toLongLong()};
    }

    static QStringList sortedLines(const QByteArray &output)
    {
        QStringList lines = QString::fromUtf8(output).split(QLatin1Char('\n'));
        if (lines.last().isEmpty())
            lines.removeLast();
        lines.sort();
        return lines;
    }

    // Runs the installer directly with a hand-written archive script.
    ProcessResult runWithScript(const QByteArray &scriptBody, const QString &prefix,
                                const QStringList &extra = QStringList())
    {
        const QString script =
            freshDirectory(QStringLiteral("script")) + QStringLiteral("/archive.run");
        TestSupport::writeScript(script, scriptBody);
        const QStringList arguments =
            QStringList{script, QStringLiteral("--settings-file"), m_plainSettings} +
            TestSupport::consoleArguments(prefix, extra);
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
        return QDir(path).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
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

    void archiveInstallsEveryFile_data()
    {
        QTest::addColumn<QString>("shell");
        QTest::newRow("bash") << QStringLiteral("bash");
        QTest::newRow("sh starts bash") << QStringLiteral("sh");
    }

    void archiveInstallsEveryFile()
    {
        QFETCH(QString, shell);
        const QString tmp = freshDirectory(QStringLiteral("tmp"));
        const QString target = work(QStringLiteral("targets/Tool ünicode 'x' ") + shell);
        const ProcessResult result = consoleInstall(m_plainArchive, target, tmp, {}, shell);
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
            runArchive(m_archive, TestSupport::consoleArguments(prefix), home, tmp);
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
        const ProcessResult result = runArchive(uninstallerEnabled ? m_archive : m_plainArchive,
                                                TestSupport::consoleArguments(target, extra), home,
                                                freshDirectory(QStringLiteral("tmp")));
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
        QStringList extra;
        if (verbose)
            extra << QStringLiteral("--verbose");
        if (force)
            extra << QStringLiteral("--force-prefix");
        const ProcessResult result = runArchive(
            m_archive, TestSupport::consoleArguments(target, extra),
            freshDirectory(QStringLiteral("home")), freshDirectory(QStringLiteral("tmp")));
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

    // A prefix that is a link: the previous installation is removed through the link, which
    // keeps leading to the directory the new installation then fills.
    void reinstallThroughLinkPrefix()
    {
        const QString real = freshDirectory(QStringLiteral("linked"));
        const QString link = work(QStringLiteral("link") + QString::number(m_counter));
        QVERIFY(QFile::link(real, link));
        for (int run = 1; run <= 2; ++run) {
            const ProcessResult result =
                consoleInstall(m_archive, link, freshDirectory(QStringLiteral("tmp")));
            QVERIFY2(result.exitCode == 0, result.standardOutput + result.standardError);
            QVERIFY(QFileInfo(link).isSymLink());
            QVERIFY(QFile::exists(real + QStringLiteral("/bin/tool")));
            QVERIFY(QFile::exists(real + QStringLiteral("/uninstall")));
        }
    }

    void uninstallScriptIgnoredWithoutUninstaller()
    {
        const QString target = freshDirectory(QStringLiteral("nouninstaller"));
        const QString record = target + QStringLiteral(".record");
        QVERIFY(TestSupport::writeScript(target + QStringLiteral("/uninstall"),
                                         "touch '" + record.toUtf8() + "'\n"));
        const ProcessResult result = runArchive(
            m_plainArchive, TestSupport::consoleArguments(target),
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
        const ProcessResult result = runArchive(m_archive, TestSupport::consoleArguments(target),
                                                freshDirectory(QStringLiteral("home")),
                                                freshDirectory(QStringLiteral("tmp")));
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
        ORNAInstaller installer(options, ORNAInstallerSettings(options));

        TestSupport::StreamCapture capture(STDOUT_FILENO);
        QVERIFY(!installer.installInto(QString(), true));
        QCOMPARE(capture.text(),
                 QByteArray("Error: the given installation directory is an empty string.\n"));
        QVERIFY(!installer.isInstallationRunning());
    }

    // Truncated or damaged in the installer part: refused before anything is written.
    // Damaged in the product part: noticed while streaming, and the script fails.
    void damagedArchive_data()
    {
        QTest::addColumn<QString>("damage"); // "truncated", "Installer" or "Product"
        QTest::addColumn<QByteArray>("check");
        QTest::newRow("truncated") << "truncated" << QByteArray();
        QTest::newRow("installer part")
            << "Installer"
            << QByteArray("The installer part is damaged.\nThe product part is intact.\n");
        QTest::newRow("product part")
            << "Product"
            << QByteArray("The installer part is intact.\nThe product part is damaged.\n");
    }

    void damagedArchive()
    {
        QFETCH(QString, damage);
        QFETCH(QByteArray, check);
        const QString damaged = work(QStringLiteral("damaged-") + damage + QStringLiteral(".run"));
        QFile::remove(damaged);
        QVERIFY(QFile::copy(m_archive, damaged));
        QFile file(damaged);
        QVERIFY(file.open(QIODevice::ReadWrite));
        const qint64 size = file.size();
        QByteArray expected = "Error: the archive is damaged.\n";
        if (damage == QLatin1String("truncated")) {
            file.resize(size - 10);
            expected = "Error: the archive is damaged: it has " + QByteArray::number(size - 10) +
                       " bytes instead of " + QByteArray::number(size) +
                       " (an incomplete download?).\n";
        } else {
            const QPair<qint64, qint64> part = partRange(m_archive, damage);
            QVERIFY(part.second > 0);
            file.seek(part.first + part.second / 2);
            const char byte = file.peek(1).at(0);
            file.write(QByteArray(1, char(byte ^ 0x5a)));
        }
        file.close();
        const QString tmp = freshDirectory(QStringLiteral("tmp"));
        const QString target =
            freshDirectory(QStringLiteral("damagedTarget")) + QStringLiteral("/Tool");
        const ProcessResult result =
            damage == QLatin1String("Product")
                ? TestSupport::runProgram(QStringLiteral("bash"),
                                          {damaged, QStringLiteral("--install"), target, tmp})
                : consoleInstall(damaged, target, tmp);
        if (damage == QLatin1String("Product")) {
            QVERIFY2(result.standardError.endsWith(expected), result.standardError);
            QVERIFY(result.exitCode != 0);
        } else {
            QCOMPARE(result.standardError, expected);
            QCOMPARE(result.standardOutput, QByteArray());
            QCOMPARE(result.exitCode, 1);
            QVERIFY(!QFile::exists(target));
        }
        QVERIFY(isEmptyDirectory(tmp));

        const ProcessResult checked =
            TestSupport::runProgram(QStringLiteral("bash"), {damaged, QStringLiteral("--check")});
        QCOMPARE(checked.standardOutput, check);
        QCOMPARE(checked.standardError, check.isEmpty() ? expected : QByteArray());
        QCOMPARE(checked.exitCode, 1);
    }

    void inspection()
    {
        const ProcessResult info =
            TestSupport::runProgram(QStringLiteral("bash"), {m_archive, QStringLiteral("--info")});
        QVERIFY2(
            info.standardOutput.startsWith("Name: tool.run\nFiles: 5\nUnpacked size: 47 bytes"),
            info.standardOutput);
        QCOMPARE(info.exitCode, 0);

        const QString again =
            makeArchive(QStringLiteral("again/tool.run"), work(QStringLiteral("installer")));
        QVERIFY(TestSupport::readAll(again) == TestSupport::readAll(m_archive)); // reproducible

        const ProcessResult check =
            TestSupport::runProgram(QStringLiteral("bash"), {m_archive, QStringLiteral("--check")});
        QCOMPARE(check.standardOutput,
                 QByteArray("The installer part is intact.\nThe product part is intact.\n"));
        QCOMPARE(check.exitCode, 0);

        const QString tmp = freshDirectory(QStringLiteral("tmp"));
        const ProcessResult list = runArchive(m_archive, {QStringLiteral("--list")},
                                              freshDirectory(QStringLiteral("home")), tmp);
        QCOMPARE(sortedLines(list.standardOutput), productFiles);
        QCOMPARE(list.standardError, QByteArray());
        QCOMPARE(list.exitCode, 0);
        QVERIFY(isEmptyDirectory(tmp));

        const QString extracted = freshDirectory(QStringLiteral("extract")) + QStringLiteral("/x");
        const ProcessResult extract = TestSupport::runProgram(
            QStringLiteral("bash"), {m_archive, QStringLiteral("--extract"), extracted});
        QCOMPARE(extract.standardError, QByteArray());
        QCOMPARE(extract.exitCode, 0);
        QCOMPARE(TestSupport::filesBelow(extracted + QStringLiteral("/product")), productFiles);
        QVERIFY(QFileInfo(extracted + QStringLiteral("/installer/LinuxInstaller")).isExecutable());
        QCOMPARE(TestSupport::readAll(extracted + QStringLiteral("/installer/installer.settings")),
                 settingsText(true));
        QCOMPARE(QDir(extracted).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList({QStringLiteral("installer"), QStringLiteral("product"),
                              QStringLiteral("tools")}));
    }

    // The prefix is built by printf from the pattern: a backslash stays a backslash; control
    // characters and bytes that are not UTF-8 are refused before anything is written.
    void prefixes_data()
    {
        QTest::addColumn<QByteArray>("pattern");
        QTest::addColumn<QByteArray>("error"); // the start of the message; empty: installed
        const QByteArray control = "Error: the installation directory must not contain control "
                                   "characters such as tab or line feed: ";
        QTest::newRow("backslash") << QByteArray("back\\\\tslash") << QByteArray();
        QTest::newRow("tab") << QByteArray("a\\tb") << control;
        QTest::newRow("line feed") << QByteArray("a\\nb") << control;
        QTest::newRow("not UTF-8")
            << QByteArray("caf\\351")
            << QByteArray("Error: the installation directory is not valid UTF-8 text: ");
    }

    void prefixes()
    {
        QFETCH(QByteArray, pattern);
        QFETCH(QByteArray, error);
        const QString parent = freshDirectory(QStringLiteral("prefixes"));
        QProcessEnvironment environment =
            TestSupport::sandboxEnvironment(freshDirectory(QStringLiteral("home")));
        environment.insert(QStringLiteral("TMPDIR"), freshDirectory(QStringLiteral("tmp")));
        const ProcessResult result = TestSupport::runProgram(
            QStringLiteral("bash"),
            {QStringLiteral("-c"),
             QStringLiteral("exec bash \"$0\" --mode console --no-desktop-files --prefix "
                            "\"$1/$(printf \"$2\")\""),
             m_plainArchive, parent, QString::fromLatin1(pattern)},
            environment);
        if (error.isEmpty()) {
            QCOMPARE(result.standardError, QByteArray());
            QCOMPARE(result.exitCode, 0);
            QCOMPARE(TestSupport::filesBelow(parent + QStringLiteral("/back\\tslash")),
                     productFiles);
        } else {
            QVERIFY2(result.standardError.startsWith(error), result.standardError);
            QCOMPARE(result.standardOutput, QByteArray());
            QCOMPARE(result.exitCode, 1);
            QVERIFY(isEmptyDirectory(parent));
        }
    }

    // A temporary directory mounted noexec gives way to $XDG_RUNTIME_DIR; a full one and a
    // full target are refused before anything is written.
    void temporaryDirectoryLimits_data()
    {
        QTest::addColumn<QString>("mountOptions");
        QTest::addColumn<QString>("mounted"); // what the mount is: "tmp" or "target"
        QTest::addColumn<QByteArray>("error");
        QTest::newRow("noexec") << "noexec,size=64m"
                                << "tmp"
                                << QByteArray("Programs cannot run in the temporary directory "
                                              "MOUNT; using RUNTIME instead.\n");
        QTest::newRow("full temporary directory")
            << "size=1m"
            << "tmp"
            << QByteArray("Error: not enough space in the temporary directory MOUNT (set TMPDIR "
                          "to use another one): ");
        QTest::newRow("full target")
            << "size=1m"
            << "target" << QByteArray("Error: not enough space in MOUNT/Tool: ");
    }

    void temporaryDirectoryLimits()
    {
        QFETCH(QString, mountOptions);
        QFETCH(QString, mounted);
        QFETCH(QByteArray, error);
        if (::geteuid() != 0)
            QSKIP("mounting a small file system needs root");
        const QString mount = freshDirectory(QStringLiteral("mount"));
        const QString runtime = freshDirectory(QStringLiteral("runtime"));
        QCOMPARE(TestSupport::runProgram(QStringLiteral("mount"),
                                         {QStringLiteral("-t"), QStringLiteral("tmpfs"),
                                          QStringLiteral("-o"), mountOptions,
                                          QStringLiteral("tmpfs"), mount})
                     .exitCode,
                 0);
        const auto unmount =
            qScopeGuard([&] { TestSupport::runProgram(QStringLiteral("umount"), {mount}); });
        if (mountOptions.startsWith(QLatin1String("size=1m")))
            TestSupport::runProgram(QStringLiteral("bash"),
                                    {QStringLiteral("-c"),
                                     QStringLiteral("head -c 2M /dev/zero > \"$0/fill\""), mount});
        error.replace("MOUNT", mount.toUtf8()).replace("RUNTIME", runtime.toUtf8());
        const bool target = mounted == QLatin1String("target");
        const QString prefix =
            (target ? mount : freshDirectory(QStringLiteral("target"))) + QStringLiteral("/Tool");
        const QString tmp = target ? freshDirectory(QStringLiteral("tmp")) : mount;
        const ProcessResult result =
            target ? TestSupport::runProgram(
                         QStringLiteral("bash"),
                         {m_plainArchive, QStringLiteral("--install"), prefix, tmp})
                   : consoleInstall(m_plainArchive, prefix, tmp,
                                    {QStringLiteral("XDG_RUNTIME_DIR=") + runtime});
        QVERIFY2(result.standardError.startsWith(error), result.standardError);
        if (error.startsWith("Error: ")) {
            QCOMPARE(result.exitCode, 1);
            QVERIFY(TestSupport::filesBelow(prefix).isEmpty());
        } else {
            QCOMPARE(result.standardError, error);
            QCOMPARE(result.exitCode, 0);
            QCOMPARE(TestSupport::filesBelow(prefix), productFiles);
        }
        QVERIFY(isEmptyDirectory(runtime));
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

        // A temporary directory without the unpacked installer: zstd comes from the archive.
        const QString tmp = freshDirectory(QStringLiteral("tmp"));
        const ProcessResult copied = TestSupport::runProgram(
            QStringLiteral("bash"), {m_archive, QStringLiteral("--install"), target, tmp});
        QCOMPARE(copied.standardError, QByteArray());
        QCOMPARE(copied.exitCode, 0);
        QCOMPARE(sortedLines(copied.standardOutput), productFiles);
        QCOMPARE(TestSupport::filesBelow(target), productFiles);
        QVERIFY(isEmptyDirectory(tmp));
    }

    void archiveHelp()
    {
        const ProcessResult result =
            TestSupport::runProgram(QStringLiteral("bash"), {m_archive, QStringLiteral("--help")});
        QVERIFY(result.standardOutput.startsWith("Usage: tool.run [options]\n"));
        for (const char *option : {"--prefix DIR", "--info", "--list", "--check", "--extract DIR"})
            QVERIFY2(result.standardOutput.contains(option), option);
        QCOMPARE(result.exitCode, 0);
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
