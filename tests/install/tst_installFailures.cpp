// Console installations that fail, are interrupted or meet links planted in the product, end to
// end through real archives made by tools/make-archive. Each one says why, exits with an honest
// code, leaves nothing of itself behind (what was there before stays), leaves the directory
// ready for the next installation, and changes nothing outside the tree.
#include "testSupport.h"

#include <QScopeGuard>
#include <QtTest>

#include <csignal>
#include <sys/mount.h>
#include <unistd.h>

using TestSupport::ProcessResult;
using TestSupport::readAll;

namespace {

const QByteArray settings = "// KTF v1 utf8\nSettings {\n    product = Tool\n    version = 2.0\n"
                            "    shortApplicationName = Tool\n    installerTargetDirectory = Tool\n"
                            "    uninstallerEnabled = true\n}\n";
const QByteArray canaryText = "canary\n";

QStringList entries(const QString &directory)
{
    return QDir(directory).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                     QDir::NoDotAndDotDot);
}

// The process with this parent and this command name, from /proc; 0 if there is none.
pid_t childNamed(qint64 parent, const QByteArray &name)
{
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        const QByteArray stat = readAll(QStringLiteral("/proc/") + pid + QStringLiteral("/stat"));
        const qsizetype open = stat.indexOf('('), close = stat.lastIndexOf(')');
        if (open < 0 || close < open ||
            stat.mid(close + 2).split(' ').value(1).toLongLong() != parent)
            continue;
        if (stat.mid(open + 1, close - open - 1) == name)
            return pid.toInt();
    }
    return 0;
}

} // namespace

class InstallFailuresTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir work;
    QString largeArchive; // a few thousand files, so that a signal meets the copy
    QString smallArchive;
    QString installer;
    QString canary;
    QString canaryDirectory;
    QFile::Permissions canaryPermissions;
    int counter = 0;

    QString fresh(const QString &stem) { return work.filePath(stem + QString::number(++counter)); }

    // A target directory that holds a hidden file already: it counts as empty.
    QString preparedTarget()
    {
        const QString target = fresh(QStringLiteral("target"));
        TestSupport::writeFile(target + QStringLiteral("/.hidden"), "before\n");
        return target;
    }

    QProcessEnvironment environment()
    {
        return TestSupport::sandboxEnvironment(fresh(QStringLiteral("home")));
    }

    QStringList consoleArguments(const QString &archive, const QString &target)
    {
        return QStringList{archive} + TestSupport::consoleArguments(target);
    }

    ProcessResult install(const QString &archive, const QString &target)
    {
        return TestSupport::runProgram(QStringLiteral("bash"), consoleArguments(archive, target),
                                       environment());
    }

    QString productWithLink(const QString &link, const QString &linkTarget)
    {
        const QString product = fresh(QStringLiteral("product"));
        TestSupport::writeFile(product + QStringLiteral("/bin/tool"), "tool\n");
        QDir().mkpath(QFileInfo(product + QLatin1Char('/') + link).path());
        return QFile::link(linkTarget, product + QLatin1Char('/') + link) ? product : QString();
    }

    // Only the hidden file of before is left; the canary outside is untouched; and the same
    // directory takes the next installation without --force-prefix.
    void verifyRolledBackAndReinstallable(const QString &target)
    {
        QCOMPARE(entries(target), QStringList{QStringLiteral(".hidden")});
        QCOMPARE(readAll(target + QStringLiteral("/.hidden")), QByteArray("before\n"));
        verifyCanary();
        const ProcessResult again = install(smallArchive, target);
        QVERIFY2(again.standardOutput.endsWith("Creating uninstaller...\nFinished.\n"),
                 again.standardOutput);
        QCOMPARE(again.exitCode, 0);
        QVERIFY(QFileInfo(target + QStringLiteral("/uninstall")).isExecutable());
    }

    void verifyCanary()
    {
        QCOMPARE(readAll(canary), canaryText);
        QCOMPARE(QFile::permissions(canary), canaryPermissions);
        QCOMPARE(entries(canaryDirectory), QStringList());
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(work.isValid());
        canary = work.filePath(QStringLiteral("canary.txt"));
        canaryDirectory = work.filePath(QStringLiteral("canaryDirectory"));
        QVERIFY(TestSupport::writeFile(canary, canaryText));
        QVERIFY(QDir().mkpath(canaryDirectory));
        canaryPermissions = QFile::permissions(canary);
        const QString large = work.filePath(QStringLiteral("large"));
        for (int file = 0; file < 3000; ++file)
            QVERIFY(TestSupport::writeFile(
                large + QStringLiteral("/d%1/f%2").arg(file / 100).arg(file), "x\n"));
        installer = TestSupport::makeInstallerDirectory(work.filePath(QStringLiteral("installer")),
                                                        settings);
        QVERIFY(!installer.isEmpty());
        largeArchive =
            TestSupport::makeArchive(large, installer, work.filePath(QStringLiteral("large.run")));
        smallArchive = TestSupport::makeArchive(
            productWithLink(QStringLiteral("bin/link"), QStringLiteral("tool")), installer,
            work.filePath(QStringLiteral("small.run")));
        QVERIFY(!largeArchive.isEmpty() && !smallArchive.isEmpty());
    }

    void interruptedCopy_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<bool>("wholeGroup"); // as the terminal's Ctrl-C does, else the installer
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("json"); // --progress=json: the stream still ends with its end
        QTest::newRow("Ctrl-C") << int(SIGINT) << true << 130 << QByteArray("SIGINT") << false;
        QTest::newRow("SIGTERM to the installer")
            << int(SIGTERM) << false << 143 << QByteArray("SIGTERM") << false;
        QTest::newRow("hang-up") << int(SIGHUP) << true << 129 << QByteArray("SIGHUP") << false;
        QTest::newRow("Ctrl-C, JSON") << int(SIGINT) << true << 130 << QByteArray("SIGINT") << true;
        QTest::newRow("SIGTERM to the installer, JSON")
            << int(SIGTERM) << false << 143 << QByteArray("SIGTERM") << true;
    }

    void interruptedCopy()
    {
        QFETCH(int, signalNumber);
        QFETCH(bool, wholeGroup);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, name);
        QFETCH(bool, json);
        const QString target = preparedTarget();
        QProcess archive;
        archive.setProcessEnvironment(environment());
        archive.setChildProcessModifier([] { ::setpgid(0, 0); }); // a job of a terminal
        archive.start(QStringLiteral("bash"),
                      consoleArguments(largeArchive, target) +
                          (json ? QStringList{QStringLiteral("--progress=json")} : QStringList()));
        QVERIFY(archive.waitForStarted());
        pid_t installerPid = 0;
        QTRY_VERIFY_WITH_TIMEOUT(
            (installerPid = childNamed(archive.processId(), "LinuxInstaller")) != 0, 30000);
        QDeadlineTimer deadline(60000);
        while (entries(target).size() < 3 && !deadline.hasExpired())
            QThread::usleep(500);
        QVERIFY(::kill(wholeGroup ? -pid_t(archive.processId()) : installerPid, signalNumber) == 0);
        QVERIFY(archive.waitForFinished(60000));

        const QByteArray output = archive.readAllStandardOutput();
        QCOMPARE(archive.readAllStandardError(), QByteArray());
        QCOMPARE(archive.exitCode(), exitCode);
        if (json) {
            const QByteArray error = "{\"event\":\"error\",\"text\":\"Error: The installation was "
                                     "interrupted by " +
                                     name + ".\"}\n";
            QVERIFY2(output.contains(error), output);
            const QByteArray end = output.mid(output.lastIndexOf("\n{", output.size() - 2) + 1);
            QVERIFY2(end.startsWith("{\"event\":\"end\",\"exitCode\":" +
                                    QByteArray::number(exitCode) + ",\"seconds\":") &&
                         end.endsWith("}\n"),
                     end);
            verifyRolledBackAndReinstallable(target);
            return;
        }
        QVERIFY2(output.startsWith("Installing Tool 2.0 in " + target.toUtf8() +
                                   "...\nError: The installation was interrupted by " + name +
                                   ".\nRemoving what was installed in " + target.toUtf8() +
                                   "...\nUsage: "),
                 output);
        verifyRolledBackAndReinstallable(target);
    }

    void failedInstallation_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::newRow("failing archive script") << QStringLiteral("script");
        QTest::newRow("disk too small for the uninstaller") << QStringLiteral("full disk");
    }

    void failedInstallation()
    {
        QFETCH(QString, cause);
        QString target = preparedTarget();
        ProcessResult result;
        QByteArray expected;
        QString mountPoint;
        const auto unmount = qScopeGuard([&mountPoint] {
            if (!mountPoint.isEmpty())
                ::umount2(QFile::encodeName(mountPoint).constData(), MNT_DETACH);
        });
        // LinuxInstaller as the archive carries it (stripped) and the uninstaller copies it.
        const QString extracted = fresh(QStringLiteral("extracted"));
        QCOMPARE(TestSupport::runProgram(QStringLiteral("bash"),
                                         {smallArchive, QStringLiteral("--extract"), extracted})
                     .exitCode,
                 0);
        const qint64 programSize =
            QFileInfo(extracted + QStringLiteral("/installer/LinuxInstaller")).size();
        if (cause == QLatin1String("script")) {
            const QString script = fresh(QStringLiteral("script")) + QStringLiteral(".run");
            TestSupport::writeScript(script, "mkdir -p \"$2/bin\" \"$2/new/deeper\"\necho x > "
                                             "\"$2/bin/tool\"\necho bin/tool\necho 'no space "
                                             "left' >&2\nexit 3\n");
            result = TestSupport::runProgram(
                installer + QStringLiteral("/LinuxInstaller"),
                QStringList{QStringLiteral("--settings-file"),
                            installer + QStringLiteral("/installer.settings")} +
                    consoleArguments(script, target),
                environment());
            expected = "no space left\nError: The installation script failed with exit code 3.\n";
        } else {
            if (::geteuid() != 0)
                QSKIP("Mounting a small file system needs root.");
            mountPoint = target;
            // The product fits, the copy of the installer does not.
            const QByteArray size = "size=" + QByteArray::number(programSize / 2048) + "k";
            QVERIFY(::mount("tmpfs", QFile::encodeName(mountPoint).constData(), "tmpfs", 0,
                            size.constData()) == 0);
            TestSupport::writeFile(target + QStringLiteral("/.hidden"), "before\n");
            result = install(smallArchive, target);
            expected = "Creating uninstaller...\nError: Failed to copy ";
        }
        const QByteArray output = result.standardOutput;
        QVERIFY2(
            output.startsWith("Installing Tool 2.0 in " + target.toUtf8() + "...\n" + expected),
            output);
        QVERIFY2(output.contains("\nRemoving what was installed in " + target.toUtf8() +
                                 "...\nFinished.\nUsage: "),
                 output);
        QCOMPARE(result.exitCode, 1);
        if (!mountPoint.isEmpty()) // room for the next installation
            QVERIFY(::mount("tmpfs", QFile::encodeName(mountPoint).constData(), "tmpfs", MS_REMOUNT,
                            ("size=" + QByteArray::number(programSize / 256) + "k").constData()) ==
                    0);
        verifyRolledBackAndReinstallable(target);
    }

    // `| head -1` and a reader that is gone at once: the installation and the uninstallation
    // still run to their end and exit with 0.
    void closedStandardOutput()
    {
        const QString target = preparedTarget();
        const ProcessResult installed = TestSupport::runProgram(
            QStringLiteral("bash"),
            QStringList{QStringLiteral("-c"),
                        QStringLiteral("bash \"$@\" --verbose | head -1; echo ${PIPESTATUS[0]}"),
                        QStringLiteral("bash")} +
                consoleArguments(largeArchive, target),
            environment());
        QCOMPARE(installed.standardOutput,
                 "Installing Tool 2.0 in " + target.toUtf8() + "...\n0\n");
        QCOMPARE(entries(target).size(), 33); // .hidden, d0 ... d29, Uninstaller, uninstall
        QVERIFY(QFileInfo(target + QStringLiteral("/uninstall")).isExecutable());
        QVERIFY(QFile::exists(target + QStringLiteral("/Uninstaller/LinuxInstaller")));

        const ProcessResult uninstalled = TestSupport::runProgram(
            QStringLiteral("bash"),
            {QStringLiteral("-c"),
             QStringLiteral("\"$1\" --mode console --verbose | true; echo ${PIPESTATUS[0]}"),
             QStringLiteral("bash"), target + QStringLiteral("/uninstall")},
            environment());
        QCOMPARE(uninstalled.standardOutput, QByteArray("0\n"));
        QVERIFY(!QFileInfo::exists(target));
    }

    void plantedLinks_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<bool>("toDirectory"); // the canary directory, else the canary file
        QTest::addColumn<bool>("replaced");    // by a file or directory of the installer's own
        QTest::newRow("uninstall") << QStringLiteral("uninstall") << false << true;
        QTest::newRow("start script") << QStringLiteral("bin/linuxStarter.py") << false << false;
        QTest::newRow("uninstaller directory") << QStringLiteral("Uninstaller") << true << true;
        QTest::newRow("desktop entries directory")
            << QStringLiteral("Uninstaller/desktopEntries") << true << true;
    }

    void plantedLinks()
    {
        QFETCH(QString, link);
        QFETCH(bool, toDirectory);
        QFETCH(bool, replaced);
        const QString product = productWithLink(link, toDirectory ? canaryDirectory : canary);
        const QString archive =
            TestSupport::makeArchive(product, installer, product + QStringLiteral(".run"));
        QVERIFY(!archive.isEmpty());
        const QString target = fresh(QStringLiteral("target"));
        QStringList arguments = consoleArguments(archive, target);
        arguments.removeOne(QStringLiteral("--no-desktop-files"));
        const ProcessResult result =
            TestSupport::runProgram(QStringLiteral("bash"), arguments, environment());
        const QString planted = target + QLatin1Char('/') + link;
        const QByteArray warning = "Warning: " + planted.toUtf8() +
                                   " is a symbolic link or lies outside the installation "
                                   "directory; its permissions are left as they are.\n";
        QCOMPARE(result.standardOutput.contains(warning), !replaced);
        QVERIFY2(result.standardOutput.endsWith("Finished.\n"), result.standardOutput);
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(QFileInfo(planted).isSymLink(), !replaced);
        QVERIFY(QFileInfo(target + QStringLiteral("/uninstall")).isExecutable());
        QVERIFY(QFile::exists(target + QStringLiteral("/Uninstaller/LinuxInstaller")));
        verifyCanary();
    }
};

QTEST_GUILESS_MAIN(InstallFailuresTest)
#include "tst_installFailures.moc"
