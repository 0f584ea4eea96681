#include "treeTestEngines.h"

#include "ornaBase.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

const QByteArray uninstallScript =
    "#!/usr/bin/env bash\n"
    "THIS_DIR=`dirname \"$0\"`\n"
    "export LD_LIBRARY_PATH=\"$THIS_DIR/Uninstaller\"\n"
    "\"$THIS_DIR/Uninstaller/LinuxInstaller\" --uninstall --settings-file "
    "\"$THIS_DIR/Uninstaller/installer.settings\" $@\n";

const QStringList recordedTools = {"xdg-desktop-menu", "xdg-desktop-icon", "xdg-icon-resource",
                                   "gsettings"};

QStringList sortedFiles(const QString &directory)
{
    return QDir(directory).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// The permission bits on disk, without Qt's bits for the current user.
QFile::Permissions ownerGroupOther(const QString &path)
{
    return QFile::permissions(path) &
           ~QFile::Permissions(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
}

} // namespace

class InstalledTreeTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir sandbox;
    QString home;
    QString archive;
    QString commandLog;
    QProcessEnvironment environment;
    bool haveArchive = false;

    // Wrappers first in PATH record each tool's arguments, then run the real tool.
    bool writeWrappers(const QString &directory)
    {
        for (const QString &tool : recordedTools) {
            const QString real = QStandardPaths::findExecutable(tool);
            if (real.isEmpty())
                return false;
            const QByteArray body =
                "printf '%s' \"" + tool.toUtf8() +
                "\" >>\"$ORNA_COMMAND_LOG\"\n"
                "for a in \"$@\"; do printf ' %s' \"$a\" >>\"$ORNA_COMMAND_LOG\"; "
                "done\necho >>\"$ORNA_COMMAND_LOG\"\nexec \"" +
                real.toUtf8() + "\" \"$@\"\n";
            if (!TestSupport::writeScript(directory + QLatin1Char('/') + tool, body))
                return false;
        }
        return true;
    }

    QStringList takeCommands()
    {
        const QString text = QString::fromUtf8(TestSupport::readAll(commandLog));
        QFile::remove(commandLog);
        return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    QString favorites()
    {
        const TestSupport::ProcessResult result = TestSupport::runProgram(
            QStringLiteral("gsettings"),
            {QStringLiteral("get"), QStringLiteral("com.canonical.Unity.Launcher"),
             QStringLiteral("favorites")},
            environment);
        return QString::fromUtf8(result.standardOutput).trimmed();
    }

    TestSupport::ProcessResult install(const QString &prefix, const QStringList &extra = {})
    {
        return TestSupport::runProgram(QStringLiteral("bash"),
                                       QStringList{archive, QStringLiteral("--mode"),
                                                   QStringLiteral("console"),
                                                   QStringLiteral("--prefix"), prefix} +
                                           extra,
                                       environment, sandbox.path());
    }

private Q_SLOTS:
    void initTestCase()
    {
        ORNABase::initialize();
        QVERIFY(sandbox.isValid());
        home = sandbox.filePath(QStringLiteral("home"));
        environment = desktopSandbox(home);
        QVERIFY2(environment.contains(QStringLiteral("GSETTINGS_SCHEMA_DIR")),
                 "glib-compile-schemas failed");
        const QString wrappers = sandbox.filePath(QStringLiteral("wrappers"));
        QVERIFY(QDir().mkpath(wrappers));
        QVERIFY(writeWrappers(wrappers));
        commandLog = sandbox.filePath(QStringLiteral("commands.log"));
        environment.insert(QStringLiteral("ORNA_COMMAND_LOG"), commandLog);
        environment.insert(QStringLiteral("PATH"),
                           wrappers + QLatin1Char(':') + environment.value(QStringLiteral("PATH")));
        const QString tmp = sandbox.filePath(QStringLiteral("tmp"));
        QVERIFY(QDir().mkpath(tmp));
        environment.insert(QStringLiteral("TMPDIR"), tmp);

        const QString installerDirectory = sandbox.filePath(QStringLiteral("installer"));
        QVERIFY(QDir().mkpath(installerDirectory));
        const QString demo = TestSupport::sourcePath(QStringLiteral("examples/demo"));
        if (!QFileInfo::exists(demo))
            return;
        for (const QString &name : sortedFiles(demo + QStringLiteral("/installer")))
            QVERIFY(QFile::copy(demo + QStringLiteral("/installer/") + name,
                                installerDirectory + QLatin1Char('/') + name));
        QVERIFY(QFile::copy(TestSupport::binaryPath(QStringLiteral("LinuxInstaller")),
                            installerDirectory + QStringLiteral("/LinuxInstaller")));
        archive = sandbox.filePath(QStringLiteral("demo.run"));
        haveArchive = QFile::exists(TestSupport::sourcePath(QStringLiteral("tools/make-archive")));
        if (!haveArchive)
            return;
        const TestSupport::ProcessResult made = TestSupport::runProgram(
            QStringLiteral("bash"),
            {TestSupport::sourcePath(QStringLiteral("tools/make-archive")),
             demo + QStringLiteral("/product"), installerDirectory, archive},
            environment);
        QVERIFY2(made.exitCode == 0, made.standardError.constData());
    }

    void fullCycle()
    {
        if (!haveArchive)
            QSKIP("the archive builder and the demo product are not available");
        const QString prefix = home + QStringLiteral("/Apps/Halvaron");
        const QString data = home + QStringLiteral("/.local/share");
        const QString entries = prefix + QStringLiteral("/Uninstaller/desktopEntries/");
        QVERIFY(QFile::remove(commandLog) || !QFile::exists(commandLog));
        QVERIFY(QDir().mkpath(home + QStringLiteral("/.config/glib-2.0/settings")));
        TestSupport::ProcessResult result = TestSupport::runProgram(
            QStringLiteral("gsettings"),
            {QStringLiteral("set"), QStringLiteral("com.canonical.Unity.Launcher"),
             QStringLiteral("favorites"), QStringLiteral("['firefox.desktop']")},
            environment);
        QCOMPARE(result.exitCode, 0);

        result = install(prefix);
        QVERIFY2(result.exitCode == 0, result.standardOutput + result.standardError);

        // The uninstaller copy and its script.
        QCOMPARE(TestSupport::readAll(prefix + QStringLiteral("/uninstall")), uninstallScript);
        QCOMPARE(uninstallScript.size(), 204);
        QVERIFY(QFile::permissions(prefix + QStringLiteral("/uninstall")) & QFileDevice::ExeGroup);
        QCOMPARE(sortedFiles(prefix + QStringLiteral("/Uninstaller")),
                 sortedFiles(sandbox.filePath(QStringLiteral("installer"))));
        QCOMPARE(sortedFiles(entries),
                 (QStringList{"Halvaron1-menu.directory", "Halvaron_link1-desktop.desktop",
                              "Halvaron_link1-menu.desktop", "Halvaron_link2-menu.desktop",
                              "Halvaron_link3-menu.desktop"}));
        QVERIFY(QFile::permissions(prefix + QStringLiteral("/bin/linuxStarter.py")) &
                QFileDevice::ExeGroup);

        // What the desktop saw.
        const QStringList commands = takeCommands();
        QVERIFY(commands.contains("xdg-icon-resource install --novendor --size 48 " + prefix +
                                  "/bin/icons/48x48/halvaron.png"));
        QCOMPARE(commands.filter(QStringLiteral("xdg-icon-resource")).size(), 2);
        QVERIFY(commands.contains(
            "xdg-desktop-menu install --novendor " + entries + "Halvaron1-menu.directory " +
            entries + "Halvaron_link1-menu.desktop " + entries + "Halvaron_link2-menu.desktop " +
            entries + "Halvaron_link3-menu.desktop"));
        QCOMPARE(favorites(),
                 "['firefox.desktop', '" + entries + "Halvaron_link1-desktop.desktop']");
        const QStringList registered = {
            data + "/applications/Halvaron_link1-menu.desktop",
            data + "/applications/Halvaron_link3-menu.desktop",
            data + "/desktop-directories/Halvaron1-menu.directory",
            home + "/.config/menus/applications-merged/user-Halvaron1-menu.menu",
            home + "/Desktop/Halvaron_link1-desktop.desktop",
            data + "/icons/hicolor/48x48/apps/halvaron.png",
            data + "/icons/hicolor/48x48/apps/halvaron-shell.png"};
        for (const QString &path : registered)
            QVERIFY2(QFile::exists(path), qPrintable(path));
        QCOMPARE(TestSupport::readAll(data + "/applications/Halvaron_link1-menu.desktop"),
                 TestSupport::readAll(entries + "Halvaron_link1-menu.desktop"));

        // The uninstaller, from elsewhere, leaves nothing of ours behind.
        result = TestSupport::runProgram(prefix + QStringLiteral("/uninstall"),
                                         {QStringLiteral("--mode"), QStringLiteral("console")},
                                         environment, sandbox.path());
        QCOMPARE(result.standardOutput, "Removing desktop shortcuts and program menu entries...\n"
                                        "Deleting the installation directory " +
                                            prefix.toUtf8() + "...\nDone.\n");
        QCOMPARE(result.exitCode, 0);
        QVERIFY(!QFileInfo::exists(prefix));
        for (const QString &path : registered)
            QVERIFY2(!QFileInfo::exists(path), qPrintable(path));
        QCOMPARE(favorites(), QStringLiteral("['firefox.desktop']"));
        const QStringList removal = takeCommands();
        QVERIFY(
            removal.contains("xdg-desktop-icon uninstall " + entries + "Halvaron1-menu.directory"));
        QVERIFY(removal.contains("xdg-desktop-menu uninstall " + entries +
                                 "Halvaron_link3-menu.desktop"));
        QVERIFY(removal.contains("xdg-icon-resource uninstall --novendor --size 48 halvaron"));
        const QStringList submenu =
            removal.filter(QStringLiteral("xdg-desktop-menu uninstall Halvaron1-menu.directory "));
        QCOMPARE(submenu.size(), 1);
        QStringList words = submenu.first().split(QLatin1Char(' '));
        words.sort();
        QCOMPARE(words, (QStringList{"Halvaron1-menu.directory", "Halvaron_link1-menu.desktop",
                                     "Halvaron_link2-menu.desktop", "Halvaron_link3-menu.desktop",
                                     "uninstall", "xdg-desktop-menu"}));
    }

    // xdg-desktop-menu splits file arguments at blanks; the submenu must register all the same.
    void installationDirectoryWithBlank()
    {
        if (!haveArchive)
            QSKIP("the archive builder and the demo product are not available");
        const QString prefix = home + QStringLiteral("/My Apps/Halvaron");
        const QString merged = home + QStringLiteral("/.config/menus/applications-merged");
        const QString data = home + QStringLiteral("/.local/share");
        TestSupport::ProcessResult result = install(prefix);
        QVERIFY2(result.exitCode == 0, result.standardOutput + result.standardError);
        QVERIFY2(!result.standardOutput.contains("Error"), result.standardOutput.constData());
        takeCommands();
        QVERIFY(QFile::exists(data + "/applications/Halvaron_link1-menu.desktop"));
        QVERIFY(QFile::exists(data + "/desktop-directories/Halvaron1-menu.directory"));
        QStringList menus = QDir(merged).entryList(QDir::Files);
        menus.removeAll(QStringLiteral("xdg-desktop-menu-dummy.menu"));
        QCOMPARE(menus, QStringList{QStringLiteral("user-Halvaron1-menu.menu")});

        result = TestSupport::runProgram(prefix + QStringLiteral("/uninstall"),
                                         {QStringLiteral("--mode"), QStringLiteral("console")},
                                         environment, sandbox.path());
        QCOMPARE(result.exitCode, 0);
        takeCommands();
        QVERIFY(!QFileInfo::exists(prefix));
        QVERIFY(!QFile::exists(data + "/applications/Halvaron_link1-menu.desktop"));
        menus = QDir(merged).entryList(QDir::Files);
        menus.removeAll(QStringLiteral("xdg-desktop-menu-dummy.menu"));
        QCOMPARE(menus, QStringList());
    }

    void consoleWithoutDesktopFiles()
    {
        if (!haveArchive)
            QSKIP("the archive builder and the demo product are not available");
        const QString prefix = sandbox.filePath(QStringLiteral("plain/Halvaron"));
        TestSupport::ProcessResult result = install(prefix, {"--no-desktop-files"});
        QCOMPARE(result.exitCode, 0);
        QVERIFY(!result.standardOutput.contains("Installing icons..."));
        QVERIFY(!QFileInfo::exists(prefix + QStringLiteral("/Uninstaller/desktopEntries")));
        takeCommands();
        result = TestSupport::runProgram(prefix + QStringLiteral("/uninstall"),
                                         {QStringLiteral("--mode"), QStringLiteral("console")},
                                         environment, home);
        QCOMPARE(result.standardOutput,
                 "Deleting the installation directory " + prefix.toUtf8() + "...\nDone.\n");
        QCOMPARE(result.exitCode, 0);
        QVERIFY(!QFileInfo::exists(prefix));
        QVERIFY(takeCommands().filter(QStringLiteral("xdg")).isEmpty());
    }

    // An uninstaller directly in the home directory must not delete the home directory.
    void uninstallerInHome()
    {
        if (!haveArchive)
            QSKIP("the archive builder and the demo product are not available");
        const QString otherHome = sandbox.filePath(QStringLiteral("home2"));
        QProcessEnvironment otherEnvironment = environment;
        otherEnvironment.insert(QStringLiteral("HOME"), otherHome);
        const QString uninstaller = otherHome + QStringLiteral("/Uninstaller");
        QVERIFY(QDir().mkpath(uninstaller));
        QVERIFY(QFile::copy(TestSupport::binaryPath(QStringLiteral("LinuxInstaller")),
                            uninstaller + QStringLiteral("/LinuxInstaller")));
        QVERIFY(QFile::copy(
            TestSupport::sourcePath(QStringLiteral("examples/demo/installer/installer.settings")),
            uninstaller + QStringLiteral("/installer.settings")));
        QVERIFY(TestSupport::writeScript(otherHome + QStringLiteral("/uninstall"),
                                         uninstallScript.mid(20)));
        QCOMPARE(TestSupport::readAll(otherHome + QStringLiteral("/uninstall")), uninstallScript);
        const TestSupport::ProcessResult result = TestSupport::runProgram(
            otherHome + QStringLiteral("/uninstall"),
            {QStringLiteral("--mode"), QStringLiteral("console")}, otherEnvironment);
        QVERIFY(result.standardOutput.startsWith(
            "Deleting the installation directory " + otherHome.toUtf8() +
            "...\nRefusing to delete the installation directory, because it is the home "
            "directory. Please delete the directory yourself.\nDone.\n"));
        QCOMPARE(result.exitCode, 1);
        QVERIFY(QFile::exists(uninstaller + QStringLiteral("/LinuxInstaller")));
        QVERIFY(QFile::exists(otherHome + QStringLiteral("/uninstall")));
    }

    // The uninstaller copy: regular files only, nothing replaced.
    void uninstallerCopy()
    {
        QTemporaryDir temp;
        const QString application = temp.filePath(QStringLiteral("app"));
        const QString target = temp.filePath(QStringLiteral("target"));
        QVERIFY(writeFile(application + "/LinuxInstaller", "new exe"));
        QVERIFY(QFile::setPermissions(application + "/LinuxInstaller",
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(writeFile(application + "/installer.settings", "new settings"));
        QVERIFY(writeFile(application + "/.hidden", "hidden"));
        QVERIFY(writeFile(application + "/sub/file", "sub"));
        QVERIFY(QFile::link(application + "/installer.settings", application + "/linked"));
        QVERIFY(writeFile(target + "/Uninstaller/installer.settings", "old settings"));
        TreeInstaller installer(target);
        installer.setApplicationDirectory(application);
        installer.setVerbose(true);
        QVERIFY(installer.createUninstaller());
        QCOMPARE(sortedFiles(target + "/Uninstaller"),
                 (QStringList{"LinuxInstaller", "installer.settings", "linked"}));
        QVERIFY(!QFileInfo::exists(target + "/Uninstaller/sub"));
        QCOMPARE(TestSupport::readAll(target + "/Uninstaller/installer.settings"),
                 QByteArray("old settings"));
        QCOMPARE(TestSupport::readAll(target + "/Uninstaller/linked"), QByteArray("new settings"));
        QVERIFY(!QFileInfo(target + "/Uninstaller/linked").isSymLink());
        QCOMPARE(ownerGroupOther(target + "/Uninstaller/LinuxInstaller"),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(TestSupport::readAll(target + "/uninstall"), uninstallScript);
        QVERIFY(installer.log.contains("Wrote " + target + "/uninstall"));
        QVERIFY(installer.log.contains(application + "/LinuxInstaller -> " + target +
                                       "/Uninstaller/LinuxInstaller"));
        QCOMPARE(installer.log.first(),
                 "Copying files from " + application + " to " + target + "/Uninstaller");
    }

    void uninstallScriptNotWritable()
    {
        QTemporaryDir temp;
        TreeInstaller installer(temp.path());
        installer.setApplicationDirectory(temp.filePath(QStringLiteral("none")));
        QVERIFY(QDir().mkpath(temp.filePath(QStringLiteral("uninstall"))));
        QVERIFY(!installer.createUninstaller());
        QCOMPARE(installer.log, QStringList{"E:Error: Failed to open uninstall file for writing: " +
                                            temp.path() + "/uninstall: Is a directory"});
    }

    void finishStepsWithoutDesktop()
    {
        QTemporaryDir temp;
        TreeInstaller installer(temp.path());
        installer.setApplicationDirectory(temp.filePath(QStringLiteral("none")));
        installer.setCreateDesktopFiles(false);
        installer.editSettings().runHalvaronInstall = true;
        QVERIFY(writeFile(temp.filePath(QStringLiteral("bin/linuxStarter.py")), "print()"));
        QVERIFY(QFile::setPermissions(temp.filePath(QStringLiteral("bin/linuxStarter.py")),
                                      QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(installer.finishSteps());
        QCOMPARE(installer.log, QStringList{"E:Error: cannot finish installation, because " +
                                            temp.path() + "/bin/Halvaron does not exist."});
        QCOMPARE(ownerGroupOther(temp.filePath(QStringLiteral("bin/linuxStarter.py"))),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeGroup);
        QVERIFY(!QFileInfo::exists(temp.filePath(QStringLiteral("Uninstaller"))));
        QVERIFY(!QFileInfo::exists(temp.filePath(QStringLiteral("uninstall"))));
    }
};

QTEST_MAIN(InstalledTreeTest)
#include "tst_installedTree.moc"
