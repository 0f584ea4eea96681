#include "treeTestEngines.h"

#include "ornaBase.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {

// How a row starts the uninstaller, or what it puts into the installed tree first.
enum class Setup
{
    UnpackedInstaller,
    ProgramLink,
    DotDotAfterLink,
    PrefixLink,
    BindMount,
    Locked
};

QByteArray deleting(const QString &directory)
{
    return "Deleting the installation directory " + directory.toUtf8() + "...\n";
}

QByteArray leftBehind(const QString &directory, int entries)
{
    return "Error: Could not delete the installation directory " + directory.toUtf8() +
           " completely: " + QByteArray::number(entries) +
           " entries are left in it. The uninstaller is kept there, so that it can be run "
           "again.\n";
}

bool runsAsRoot()
{
    return ::geteuid() == 0;
}

} // namespace

Q_DECLARE_METATYPE(Setup)

// The uninstaller run as users start it, on trees made as the installer makes them: it deletes
// only the installation it really runs from, stays on its file system, says what it left and
// can be run again after an interruption. A canary next to the tree never changes.
class UninstallSafetyTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir sandbox;
    QString staging;
    QString home;
    QString canary;
    QProcessEnvironment environment;
    QList<QStringList> cleanups;
    int rows = 0;

    // An installation below directory: the uninstaller as the installer leaves it, then the
    // product with fileCount files at its top, created later and so mostly with higher inodes.
    QString makeInstallation(const QString &directory, int fileCount = 3)
    {
        InstallerOptions options = treeOptions(directory, staging);
        options.settingsFile = staging + QStringLiteral("/installer.settings");
        TreeInstaller installer(options, ORNAInstallerSettings(options));
        if (!installer.createUninstaller())
            return QString();
        writeFile(directory + QStringLiteral("/bin/tool"), "tool");
        writeFile(directory + QStringLiteral("/.hidden"), "hidden");
        for (int file = 0; file < fileCount; ++file)
            writeFile(directory + QStringLiteral("/f%1").arg(file), "x");
        return directory;
    }

    TestSupport::ProcessResult run(const QString &program, const QStringList &arguments)
    {
        return TestSupport::runProgram(program, arguments, environment, sandbox.path());
    }

    TestSupport::ProcessResult runInstalled(const QString &tree)
    {
        return run(tree + QStringLiteral("/uninstall"), {"--mode", "console"});
    }

    // Runs a command whose undo runs at the latest in cleanup(), also when the row failed.
    bool runUndoable(const QStringList &command, const QStringList &undo)
    {
        cleanups.append(undo);
        return run(command.first(), command.mid(1)).exitCode == 0;
    }

    void undoChanges()
    {
        while (!cleanups.isEmpty()) {
            const QStringList undo = cleanups.takeLast();
            run(undo.first(), undo.mid(1));
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        ORNABase::initialize();
        QVERIFY(sandbox.isValid());
        home = sandbox.filePath(QStringLiteral("home"));
        environment = TestSupport::sandboxEnvironment(home);
        staging = sandbox.filePath(QStringLiteral("installer"));
        QVERIFY(TestSupport::copyFiles(
            TestSupport::sourcePath(QStringLiteral("examples/demo/installer")), staging));
        QVERIFY(QFile::copy(TestSupport::binaryPath(QStringLiteral("LinuxInstaller")),
                            staging + QStringLiteral("/LinuxInstaller")));
        canary = home + QStringLiteral("/canary.txt");
        QVERIFY(writeFile(canary, "canary"));
    }

    void cleanup()
    {
        undoChanges();
        QCOMPARE(TestSupport::readAll(canary), QByteArray("canary"));
    }

    void uninstall_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("unpacked installer, not an installation") << Setup::UnpackedInstaller << 1;
        QTest::newRow("started through a link to the program") << Setup::ProgramLink << 0;
        QTest::newRow("reached through LINK/..") << Setup::DotDotAfterLink << 0;
        QTest::newRow("prefix that is a link") << Setup::PrefixLink << 0;
        QTest::newRow("bind mount inside the tree") << Setup::BindMount << 1;
        QTest::newRow("entry that cannot be removed") << Setup::Locked << 1;
    }

    void uninstall()
    {
        QFETCH(Setup, setup);
        QFETCH(int, exitCode);
        const QString row = sandbox.filePath(QStringLiteral("row%1").arg(++rows));
        QString tree = makeInstallation(row + QStringLiteral("/Tool"));
        QVERIFY(!tree.isEmpty());
        QString program = tree + QStringLiteral("/uninstall");
        QStringList arguments = {QStringLiteral("--mode"), QStringLiteral("console")};
        QByteArray expected = deleting(tree) + "Done.\n";
        QString survivor;
        const int uninstallerEntries = 2 + QDir(staging).entryList(QDir::Files).size();
        const QByteArray usage = TestSupport::expectedUsage(QStringLiteral("LinuxInstaller"));
        switch (setup) {
        case Setup::UnpackedInstaller: {
            // Its parent, like ~/Downloads, must survive.
            const QString unpacked = row + QStringLiteral("/Downloads/installer");
            QVERIFY(TestSupport::copyFiles(staging, unpacked));
            program = unpacked + QStringLiteral("/LinuxInstaller");
            arguments = QStringList{"--uninstall", "--mode", "console", "--settings-file",
                                    unpacked + QStringLiteral("/installer.settings")};
            survivor = unpacked + QStringLiteral("/installer.settings");
            expected = "Refusing to delete " + row.toUtf8() +
                       "/Downloads, because it is no installation: it must hold the uninstall "
                       "script and Uninstaller/ with this program in it. Nothing was "
                       "deleted.\nDone.\n" +
                       usage;
            tree.clear();
            break;
        }
        case Setup::ProgramLink:
            program = row + QStringLiteral("/.local/bin/tool-uninstall");
            QVERIFY(QDir().mkpath(row + QStringLiteral("/.local/bin")));
            QVERIFY(QFile::link(tree + QStringLiteral("/Uninstaller/LinuxInstaller"), program));
            arguments = QStringList{"--uninstall", "--mode", "console", "--settings-file",
                                    tree + QStringLiteral("/Uninstaller/installer.settings")};
            survivor = row + QStringLiteral("/.local/bin");
            break;
        case Setup::DotDotAfterLink:
            // other/LINK/../Tool is row/Tool for the system, other/Tool when read as text.
            survivor = makeInstallation(row + QStringLiteral("/other/Tool"));
            QVERIFY(QFile::link(row + QStringLiteral("/sub"), row + QStringLiteral("/other/LINK")));
            QVERIFY(QDir().mkpath(row + QStringLiteral("/sub")));
            program = row + QStringLiteral("/other/LINK/../Tool/uninstall");
            break;
        case Setup::PrefixLink: {
            // The installer filled the link's target, which the user made: it is emptied, and
            // the link keeps leading to it.
            const QString prefix = row + QStringLiteral("/Prefix");
            tree = row + QStringLiteral("/real");
            QVERIFY(QDir().mkpath(tree));
            QVERIFY(QFile::link(tree, prefix));
            QVERIFY(!makeInstallation(prefix).isEmpty());
            program = prefix + QStringLiteral("/uninstall");
            expected = deleting(tree) + "Done.\n";
            survivor = prefix;
            break;
        }
        case Setup::BindMount: {
            if (!runsAsRoot())
                QSKIP("mounting a directory into the tree needs root");
            survivor = row + QStringLiteral("/outside/mounted.txt");
            QVERIFY(writeFile(survivor, "mounted"));
            QVERIFY(QDir().mkpath(tree + QStringLiteral("/data/mnt")));
            QVERIFY(runUndoable({"mount", "--bind", row + "/outside", tree + "/data/mnt"},
                                {"umount", tree + "/data/mnt"}));
            expected = deleting(tree) + "Error: Left " + tree.toUtf8() +
                       "/data/mnt alone, because another file system is mounted there.\n" +
                       leftBehind(tree, 2 + uninstallerEntries) + "Done.\n" + usage;
            break;
        }
        case Setup::Locked:
            if (!runsAsRoot())
                QSKIP("root removes read-only entries; only an immutable file resists it");
            survivor = tree + QStringLiteral("/bin/tool");
            if (!runUndoable({"chattr", "+i", survivor}, {"chattr", "-i", survivor}))
                QSKIP("this file system has no immutable files (chattr +i failed)");
            expected =
                deleting(tree) + leftBehind(tree, 2 + uninstallerEntries) + "Done.\n" + usage;
            break;
        }

        const QByteArray survivorContent = TestSupport::readAll(survivor);
        TestSupport::ProcessResult result = run(program, arguments);
        QCOMPARE(result.standardOutput, expected);
        QCOMPARE(result.exitCode, exitCode);
        QVERIFY(QFileInfo::exists(survivor) || QFileInfo(survivor).isSymLink());
        QCOMPARE(TestSupport::readAll(survivor), survivorContent);
        if (setup == Setup::PrefixLink)
            QVERIFY(QDir(survivor).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
        else if (exitCode == 0)
            QVERIFY(!QFileInfo::exists(tree));
        if (exitCode == 0 || tree.isEmpty())
            return;
        // Once the cause is gone, the kept uninstaller finishes the work.
        undoChanges();
        result = runInstalled(tree);
        QCOMPARE(result.standardOutput, deleting(tree) + "Done.\n");
        QCOMPARE(result.exitCode, 0);
        QVERIFY(!QFileInfo::exists(tree));
    }

    // Killed half-way through a large tree, the uninstallation can be run again.
    void interruptedUninstallRunsAgain()
    {
        const QString tree = makeInstallation(sandbox.filePath(QStringLiteral("big/Tool")), 3000);
        QVERIFY(!tree.isEmpty());
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(tree + QStringLiteral("/Uninstaller/LinuxInstaller"),
                      {"--uninstall", "--mode", "console", "--settings-file",
                       tree + QStringLiteral("/Uninstaller/installer.settings")});
        QVERIFY(process.waitForStarted());
        // Stop it when nine in ten of a sample of the product are gone.
        QElapsedTimer clock;
        clock.start();
        int gone = 0;
        while (gone < 18 && clock.elapsed() < 60000) {
            gone = 0;
            for (int file = 0; file < 3000; file += 150)
                gone += QFileInfo::exists(tree + QStringLiteral("/f%1").arg(file)) ? 0 : 1;
        }
        process.kill();
        process.waitForFinished();
        // While any of the product is left, the uninstaller must be whole.
        if (QDir(tree).entryList({QStringLiteral("f*")}, QDir::Files).isEmpty())
            QSKIP("the uninstallation got past the product before it could be interrupted");
        QVERIFY(gone >= 18);
        QVERIFY(QFileInfo(tree + QStringLiteral("/uninstall")).isFile());
        QVERIFY(QFileInfo(tree + QStringLiteral("/Uninstaller/LinuxInstaller")).isFile());
        const TestSupport::ProcessResult result = runInstalled(tree);
        QCOMPARE(result.standardOutput, deleting(tree) + "Done.\n");
        QCOMPARE(result.exitCode, 0);
        QVERIFY(!QFileInfo::exists(tree));
    }
};

QTEST_MAIN(UninstallSafetyTest)
#include "tst_uninstallSafety.moc"
